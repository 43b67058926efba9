#include "QdTextFile/TextFile.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <exception>
#include <functional>

#include "runtime/Core/Exceptions.h"
#include "runtime/IO/Streams.h"
#include "runtime/IO/Strings.h"
#include "runtime/Text/CodePage.h"
#include "runtime/Text/Format.h"
#include "runtime/Text/Scan.h"
#include "runtime/IO/Files.h"
#include "runtime/Text/Ascii.h"
#include "QdClasses/File.h"
#include "QdLanguages/SystemLanguages.h"
#include "QdScript/CodePages.h"
#include "QdString/Converters.h"
#include "QdString/String.h"
#include "QdTextFile/Strings.h"
#include "runtime/System/Win32.h"

namespace Qd {

namespace {

// The output that the object collects itself, appended only. In memory the
// bytes collect in blocks of default-initialised bytes, each twice the size
// of the one before, joined once when they are taken over: no zero fill and
// no copy when the output grows. Output for a file collects in one block of
// FILE_BLOCK_C bytes; when that is full and the target can be replaced in
// the usual way (its folder exists, it is not read-only and has no other
// names), the new file that will take its place is made and the block goes
// to it, and so on each time it fills. Otherwise (and when the new file
// can't be made) the output stays in memory and Close replaces the file
// from there, as for a small output that fits the one block.
class TOutputStream : public Rtl::TStream {
public:
  static constexpr std::size_t FIRST_BLOCK_C = std::size_t{1} << 16;
  static constexpr std::size_t FILE_BLOCK_C = std::size_t{1} << 19;
  // The blocks of output handed on as it is written.
  static constexpr std::size_t SINK_BLOCK_C = std::size_t{1} << 18;

  TOutputStream() = default;
  // Output for a file: it may go to the file's replacement while written.
  explicit TOutputStream(std::wstring fileName)
      : FFileName(std::move(fileName)), FMayStream(!FFileName.empty()) {}

  int Read(void*, int) override { return 0; }
  int Write(const void* buffer, int count) override {
    if (count <= 0) return 0;
    Append(buffer, static_cast<std::size_t>(count));
    return count;
  }
  // Appends only: the position is always the end.
  std::int64_t Seek(std::int64_t, Rtl::TSeekOrigin) override { return static_cast<std::int64_t>(FTotal); }
  std::int64_t Size() override { return static_cast<std::int64_t>(FTotal); }

  // Room for `count` more bytes at the end of the output, to be written in
  // place and counted with Commit; null when the output goes to a file and
  // `count` is more than its block.
  std::uint8_t* Room(std::size_t count) {
    if (!FBlocks.empty()) {
      TBlock& block = FBlocks.back();
      if (block.Size - block.Used >= count) return block.Data.get() + block.Used;
    }
    NextBlock(count);
    TBlock& block = FBlocks.back();
    return block.Size - block.Used >= count ? block.Data.get() + block.Used : nullptr;
  }
  void Commit(std::size_t count) {
    FBlocks.back().Used += count;
    FTotal += count;
  }

  void Append(const void* data, std::size_t size) {
    const auto* p = static_cast<const std::uint8_t*>(data);
    while (size > 0) {
      if (FReplacement != nullptr && FBlocks.back().Used == 0 && size >= FILE_BLOCK_C) {
        // A large piece (the bytes of a second writer) goes to the file as
        // it is.
        WriteToFile(p, size);
        FTotal += size;
        return;
      }
      const std::size_t free = FBlocks.empty() ? 0 : FBlocks.back().Size - FBlocks.back().Used;
      if (free == 0) {
        NextBlock(size);
        continue;
      }
      const std::size_t n = std::min(free, size);
      TBlock& block = FBlocks.back();
      std::memcpy(block.Data.get() + block.Used, p, n);
      block.Used += n;
      FTotal += n;
      p += n;
      size -= n;
    }
  }

  struct TBlock {
    std::unique_ptr<std::uint8_t[]> Data;
    std::size_t Size = 0;
    std::size_t Used = 0;
  };

  // The bytes collected in memory as their blocks (none for output that
  // went to a file).
  std::vector<TBlock> TakeBlocks() {
    std::vector<TBlock> blocks;
    if (FReplacement == nullptr) blocks = std::move(FBlocks);
    FBlocks.clear();
    FTotal = 0;
    return blocks;
  }

  // Memory output only: each full block goes to `sink` (see
  // TTextFile::SetOutputSink).
  void SetSink(std::function<void(std::vector<TBlock>)> sink) { FSink = std::move(sink); }

  // Blocks of another output after this one's bytes: taken over where the
  // output stays in memory, else written as any bytes are.
  void AppendBlocks(std::vector<TBlock> blocks) {
    if (FReplacement == nullptr && !FMayStream) {
      for (TBlock& block : blocks) {
        if (block.Used == 0) continue;
        FTotal += block.Used;
        FBlocks.push_back(std::move(block));
      }
      return;
    }
    for (const TBlock& block : blocks) Append(block.Data.get(), block.Used);
  }

  // The bytes collected in memory, joined (for output that went to a file:
  // none).
  Rtl::TBytes TakeBytes() {
    Rtl::TBytes bytes;
    if (FReplacement == nullptr) {
      bytes.reserve(FTotal);
      for (const TBlock& block : FBlocks) bytes.insert(bytes.end(), block.Data.get(), block.Data.get() + block.Used);
    }
    FBlocks.clear();
    FTotal = 0;
    return bytes;
  }

  // For output that went to a file: writes the rest and hands over the new
  // file, whole but not yet in the target's place; null for output in
  // memory. Raises when a write to the new file failed before.
  std::unique_ptr<TFileReplacement> Finish() {
    if (FFailed) throw Rtl::EWriteError(Rtl::LoadResString(Rtl::SWriteError));
    if (FReplacement == nullptr) return nullptr;
    Flush();
    FBlocks.clear();
    return std::move(FReplacement);
  }

private:
  // The current block is full (or has less than `need` bytes free): a
  // block for a file goes to it; else a new block of at least `need`.
  void NextBlock(std::size_t need) {
    if (FFailed) throw Rtl::EWriteError(Rtl::LoadResString(Rtl::SWriteError));
    if (FMayStream && !FBlocks.empty()) StartFile();
    if (FReplacement != nullptr) {
      Flush();
      return;
    }
    if (FSink && !FBlocks.empty()) {
      // Handed on whole; the next block is as large.
      const std::size_t size = std::max(need, FBlocks.back().Size);
      std::vector<TBlock> full;
      full.push_back(std::move(FBlocks.back()));
      FBlocks.pop_back();
      FSink(std::move(full));
      FBlocks.push_back({std::make_unique_for_overwrite<std::uint8_t[]>(size), size});
      return;
    }
    const std::size_t size = FBlocks.empty() ? (FMayStream ? FILE_BLOCK_C : FSink ? SINK_BLOCK_C : FIRST_BLOCK_C)
                                             : std::max(need, 2 * FBlocks.back().Size);
    FBlocks.push_back({std::make_unique_for_overwrite<std::uint8_t[]>(std::max(size, need)), std::max(size, need)});
  }

  // Decides once whether the output goes to the target's replacement while
  // it is written, and makes it.
  void StartFile() {
    FMayStream = false;
    const std::wstring target = Rtl::ExpandFileName(FFileName);
    if (!Rtl::DirectoryExists(Rtl::ExtractFileDir(target)) || TFile::IsFileReadOnly(target) ||
        TFile::HasOtherNames(target))
      return;
    try {
      FReplacement = std::make_unique<TFileReplacement>(FFileName);
    } catch (const Rtl::Exception&) {
      return;  // stays in memory: Close reports what fails, as it always did
    }
  }

  void Flush() {
    TBlock& block = FBlocks.back();
    WriteToFile(block.Data.get(), block.Used);
    block.Used = 0;
  }

  // A failed write has removed the new file: nothing is written after it.
  void WriteToFile(const std::uint8_t* data, std::size_t size) {
    try {
      FReplacement->Write(data, size);
    } catch (...) {
      FFailed = true;
      FReplacement.reset();
      FBlocks.clear();
      throw;
    }
  }

  std::wstring FFileName;
  bool FMayStream = false;
  bool FFailed = false;
  std::vector<TBlock> FBlocks;
  std::size_t FTotal = 0;
  std::unique_ptr<TFileReplacement> FReplacement;
  std::function<void(std::vector<TBlock>)> FSink;
};

// The class of streams that count their size and position in 16-bit
// characters and deliver two bytes per unit asked for.
constexpr std::wstring_view UTF16_STREAM_CLASS_C = L"THtmlStream";

bool Starts(const std::uint8_t* data, int size, std::initializer_list<std::uint8_t> bytes) {
  if (size < static_cast<int>(bytes.size())) return false;
  return std::equal(bytes.begin(), bytes.end(), data);
}

// Raises when neither the system nor a registered converter converts text
// in `codePage` (0 is the system's ANSI code page): the conversions would
// otherwise give empty text.
void CheckCodePageServed(std::int32_t codePage) {
  if (codePage <= 0 || IsValidCodePage(static_cast<UINT>(codePage))) return;
  const TCodePageDatas* table = FindCodePageDatas();
  if (table != nullptr && table->GetConverter(codePage)) return;
  throw Rtl::EConvertError(Rtl::Format(Rtl::LoadResString(SCodePageNotServed), {codePage}));
}

}  // namespace

// --- Life and opening ---------------------------------------------------------

TTextFile::TTextFile() = default;

TTextFile::TTextFile(const std::wstring& fileName) {
  if (!fileName.empty()) Open(fileName);
}

TTextFile::~TTextFile() {
  // While an exception unwinds the output is thrown away and the old file
  // stays; otherwise the object closes. Callers that need to see a failure
  // call Close themselves.
  try {
    if (std::uncaught_exceptions() > 0) Cancel();
    else Close();
  } catch (...) {  // NOLINT(bugprone-empty-catch): a destructor never throws
  }
}

void TTextFile::Open(const std::wstring& fileName) {
  FFileName = fileName;
  Open(std::make_unique<Rtl::TFileStream>(fileName, Rtl::fmOpenRead | Rtl::fmShareDenyNone));
}

void TTextFile::Open(const Rtl::TBytes& data) { Open(std::make_unique<Rtl::TBytesStream>(data)); }

void TTextFile::Open(const std::wstring& resourceName, const std::wstring& resourceType) {
  const auto program = reinterpret_cast<Rtl::HINST>(GetModuleHandleW(nullptr));
  Open(std::make_unique<Rtl::TResourceStream>(program, resourceName,
                                              resourceType.empty() ? nullptr : resourceType.c_str()));
}

void TTextFile::OpenString(std::wstring_view data) {
  Rtl::TBytes bytes;
  bytes.reserve(data.size() * 2);
  for (wchar_t c : data) {
    bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>((c >> 8) & 0xFF));
  }
  SetFormat(tfUtf16Le);
  Open(std::make_unique<Rtl::TBytesStream>(bytes));
}

void TTextFile::Open(std::unique_ptr<Rtl::TStream> stream) {
  Rtl::TStream& ref = *stream;
  Open(ref);
  FOwnedStream = std::move(stream);
}

void TTextFile::Open(Rtl::TStream& stream) {
  if (FAutoDetect && !FFormatSet) SetFormat(DetectFormat(stream, false, tfAnsi, 0));
  ResetBuffer();
  FStream = &stream;
  FStreamSize = stream.Size();
  FStreamPosition = stream.Position();
  FIsStreamUtf16 = stream.ClassName() == UTF16_STREAM_CLASS_C;
}

bool TTextFile::DoClose(bool keepOutput) {
  const bool wasOpen = FStream != nullptr;
  ResetBuffer();
  FFormatDetected = false;
  if (keepOutput && (FToMemory || FToFile) && FOwnedStream != nullptr)
    FOutputData = static_cast<TOutputStream&>(*FOwnedStream).TakeBytes();
  FStream = nullptr;
  FOwnedStream.reset();
  return wasOpen;
}

void TTextFile::Close() {
  const bool toFile = FToFile;
  // Output that went to the target's replacement while it was written:
  // the rest is written to it now. On a failure the new file is removed
  // and the object closed.
  std::unique_ptr<TFileReplacement> replacement;
  if (toFile && FOwnedStream != nullptr) {
    try {
      replacement = static_cast<TOutputStream&>(*FOwnedStream).Finish();
    } catch (...) {
      Cancel();
      throw;
    }
  }
  const bool wasOpen = DoClose(true);
  FToFile = false;
  FToMemory = false;
  if (!wasOpen || !toFile || FFileName.empty()) return;
  Rtl::TBytes output = std::move(FOutputData);
  FOutputData.clear();
  if (TFile::IsFileReadOnly(FFileName))
    throw Rtl::Exception(Rtl::Format(Rtl::LoadResString(STargetReadOnly), {FFileName}));
  if (!FBackupExt.empty() && Rtl::FileExists(FFileName))
    TFile::CopyFile(FFileName, Rtl::ChangeFileExt(FFileName, L"." + FBackupExt));
  if (replacement != nullptr) {
    replacement->Commit();
  } else {
    // Makes the folder, writes beside the target and renames over it (or
    // writes a hard-linked target in place).
    TFile::BytesToFile(output, FFileName);
  }
  FFileName.clear();
}

void TTextFile::Cancel() {
  FToFile = false;
  FToMemory = false;
  DoClose(false);
}

// --- Writing ------------------------------------------------------------------

void TTextFile::Rewrite(const std::wstring& fileName) {
  Close();
  if (!fileName.empty()) FFileName = fileName;
  auto output = std::make_unique<TOutputStream>(FFileName);
  FStream = output.get();
  FOwnedStream = std::move(output);
  FToFile = true;
  DoWriteHeader();
}

void TTextFile::Rewrite(Rtl::TStream& stream) {
  Close();
  FStream = &stream;
  DoWriteHeader();
}

void TTextFile::RewriteData() {
  Close();
  auto output = std::make_unique<TOutputStream>();
  FStream = output.get();
  FOwnedStream = std::move(output);
  FToMemory = true;
  FOutputData.clear();
  DoWriteHeader();
}

void TTextFile::RewriteString() {
  FUseBom = false;
  SetFormat(tfUtf16Le);
  RewriteData();
}

void TTextFile::DoWriteHeader() {
  if (!FUseBom) return;
  switch (FFormat) {
    case tfUtf8: WriteBytes("\xEF\xBB\xBF", 3); break;
    case tfUtf16Le:
    case tfUtf16Be: WriteChar(L'\uFEFF'); break;
    case tfUtf32Le:
    case tfUtf32Be: WriteUCS4(0xFEFF); break;
    case tfGb18030: WriteBytes("\x84\x31\x95\x33", 4); break;
    default: break;
  }
}

void TTextFile::WriteBytes(const void* data, std::size_t size) {
  if (size == 0) return;
  if (FStream == nullptr) throw Rtl::EWriteError(Rtl::LoadResString(Rtl::SWriteError));
  const auto* p = static_cast<const std::uint8_t*>(data);
  while (size > 0) {
    const int chunk = size > (1u << 30) ? (1 << 30) : static_cast<int>(size);
    FStream->WriteBuffer(p, chunk);
    p += chunk;
    size -= static_cast<std::size_t>(chunk);
  }
}

void TTextFile::Write(std::wstring_view str) {
  if (str.empty()) return;
  switch (FFormat) {
    case tfAnsi: {
      if (!FUnicodeEscape) CheckCodePageServed(FCodePage);
      const Rtl::RawByteString bytes =
          FUnicodeEscape ? TString::StringToRawByteString(WideToUnicodeEscape(str, L""))
                         : TString::WideToAnsi(std::wstring(str), FCodePage);
      return WriteBytes(bytes.data(), bytes.size());
    }
    case tfUtf8: {
      // Encoded here: straight into the memory that collects our own
      // output, else into a buffer kept between writes; text with a lone
      // surrogate goes through the platform's conversion.
      if (FStream == nullptr) throw Rtl::EWriteError(Rtl::LoadResString(Rtl::SWriteError));
      if ((FToFile || FToMemory) && FOwnedStream != nullptr && str.size() <= (std::size_t{1} << 28)) {
        auto& output = static_cast<TOutputStream&>(*FOwnedStream);
        if (std::uint8_t* room = output.Room(3 * str.size())) {
          const std::size_t n = Rtl::EncodeUtf8(reinterpret_cast<char*>(room), str);
          if (n != Rtl::UTF8_LONE_SURROGATE_C) return output.Commit(n);
        }
      }
      if (FEncoded.size() < 3 * str.size()) FEncoded.resize(3 * str.size());
      const std::size_t n = Rtl::EncodeUtf8(FEncoded.data(), str);
      if (n == Rtl::UTF8_LONE_SURROGATE_C) {
        const Rtl::RawByteString bytes = Utf8Encode(str);
        return WriteBytes(bytes.data(), bytes.size());
      }
      return WriteBytes(FEncoded.data(), n);
    }
    case tfUtf16Le:
      if constexpr (std::endian::native == std::endian::little)
        return WriteBytes(str.data(), str.size() * sizeof(wchar_t));
      [[fallthrough]];
    case tfUtf16Be: {
      std::string bytes(str.size() * 2, '\0');
      const bool bigEndian = FFormat == tfUtf16Be;
      for (std::size_t k = 0; k < str.size(); ++k) {
        const auto c = static_cast<std::uint16_t>(str[k]);
        bytes[2 * k + (bigEndian ? 1 : 0)] = static_cast<char>(c & 0xFF);
        bytes[2 * k + (bigEndian ? 0 : 1)] = static_cast<char>(c >> 8);
      }
      return WriteBytes(bytes.data(), bytes.size());
    }
    case tfUtf32Le:
    case tfUtf32Be:
      for (std::uint32_t value : TString::WideToUcs4(str)) WriteUCS4(value);
      return;
    case tfGb18030: {
      const Rtl::RawByteString bytes = TString::WideToGb18030(std::wstring(str));
      return WriteBytes(bytes.data(), bytes.size());
    }
  }
  throw Rtl::Exception(Rtl::SNotImplemented);
}

void TTextFile::WriteLine(std::wstring_view str) {
  Write(str);
  WriteLineEnd();
}

void TTextFile::WriteLineEnd() {
  const std::wstring end = NewLineToString(FNewLine);
  if (FFormat == tfAnsi) WriteAnsi(TString::StringToRawByteString(end));
  else Write(end);
}

void TTextFile::WriteUCS4(std::uint32_t value) {
  std::uint8_t bytes[4];
  const bool bigEndian = GetByteOrder() == boBigEndian;
  for (int k = 0; k < 4; ++k) bytes[k] = static_cast<std::uint8_t>(value >> (8 * (bigEndian ? 3 - k : k)));
  WriteBytes(bytes, 4);
}

void TTextFile::WriteAnsi(const Rtl::RawByteString& str) {
  if (FFormat != tfAnsi) throw Rtl::Exception(Rtl::Format(Rtl::LoadResString(SNotAnsiFile), {FFileName}));
  WriteBytes(str.data(), str.size());
}

void TTextFile::WriteAnsiLine(const Rtl::RawByteString& str) {
  WriteAnsi(str);
  WriteLineEnd();
}

const Rtl::TBytes& TTextFile::GetOutputData() {
  if (IsOpen()) Close();
  return FOutputData;
}

Rtl::TBytes TTextFile::TakeOutputData() {
  if (IsOpen()) Close();
  Rtl::TBytes output = std::move(FOutputData);
  FOutputData.clear();
  return output;
}

struct TTextFile::TOutputBlocks::TData {
  std::vector<TOutputStream::TBlock> Blocks;
};

TTextFile::TOutputBlocks::TOutputBlocks() : FData(std::make_unique<TData>()) {}
TTextFile::TOutputBlocks::~TOutputBlocks() = default;
TTextFile::TOutputBlocks::TOutputBlocks(TOutputBlocks&&) noexcept = default;
TTextFile::TOutputBlocks& TTextFile::TOutputBlocks::operator=(TOutputBlocks&&) noexcept = default;

TTextFile::TOutputBlocks TTextFile::TakeOutputBlocks() {
  TOutputBlocks blocks;
  if (FToMemory && FOwnedStream != nullptr)
    blocks.FData->Blocks = static_cast<TOutputStream&>(*FOwnedStream).TakeBlocks();
  if (IsOpen()) Close();
  FOutputData.clear();
  return blocks;
}

void TTextFile::SetOutputSink(std::function<void(TOutputBlocks)> sink) {
  if (!FToMemory || FOwnedStream == nullptr) return;
  auto& output = static_cast<TOutputStream&>(*FOwnedStream);
  if (!sink) return output.SetSink(nullptr);
  output.SetSink([sink = std::move(sink)](std::vector<TOutputStream::TBlock> full) {
    TOutputBlocks blocks;
    blocks.FData->Blocks = std::move(full);
    sink(std::move(blocks));
  });
}

void TTextFile::WriteBlocks(TOutputBlocks blocks) {
  if (blocks.FData == nullptr) return;  // moved from
  if ((FToFile || FToMemory) && FOwnedStream != nullptr) {
    static_cast<TOutputStream&>(*FOwnedStream).AppendBlocks(std::move(blocks.FData->Blocks));
    return;
  }
  for (const TOutputStream::TBlock& block : blocks.FData->Blocks) WriteBytes(block.Data.get(), block.Used);
}

std::wstring TTextFile::GetOutputString() { return TString::BytesToString(GetOutputData()); }

void TTextFile::SetUseBackup(bool value) {
  FBackupExt.clear();
  if (!value || FFileName.empty()) return;
  const std::wstring ext = Rtl::ExtractFileExt(FFileName);
  FBackupExt = ext.empty() ? L"~" : L"~" + ext.substr(1);
}

// --- Configuration ------------------------------------------------------------

void TTextFile::SetEncoding(const std::wstring& name) {
  if (name.empty()) return;
  using Rtl::AsciiSameText;
  FFormatSet = true;
  FUnicodeEscape = false;
  auto take = [this](TTextFileFormat format) {
    FFormat = format;
    FCodePage = 0;
  };
  if (AsciiSameText(name, L"utf-8")) take(tfUtf8);
  else if (AsciiSameText(name, L"utf-16") || AsciiSameText(name, L"ucs-2") ||
           AsciiSameText(name, L"ISO-10646-UCS-2")) {
    if (FFormat != tfUtf16Le && FFormat != tfUtf16Be) take(tfUtf16Le);
  } else if (AsciiSameText(name, L"unicode")) take(tfUtf16Le);
  else if (AsciiSameText(name, L"unicodeFFFE")) take(tfUtf16Be);
  else if (AsciiSameText(name, L"utf-32") || AsciiSameText(name, L"ucs-4")) {
    if (FFormat != tfUtf32Le && FFormat != tfUtf32Be) take(tfUtf32Le);
  } else if (AsciiSameText(name, L"UTF-32LE")) take(tfUtf32Le);
  else if (AsciiSameText(name, L"UTF-32BE")) take(tfUtf32Be);
  else if (AsciiSameText(name, L"GB18030")) take(tfGb18030);
  else if (AsciiSameText(name, L"unicode-escape")) {
    take(tfAnsi);
    FUnicodeEscape = true;
  } else {
    FCodePage = CodePageDatas().EncodingToCodePage(name);
    if (FCodePage != 0) FFormat = tfAnsi;
  }
  FEncodingCategory = CodePageDatas().EncodingStringToEncodingCategory(name);
}

std::wstring TTextFile::GetXmlEncoding() const {
  switch (FFormat) {
    case tfAnsi: return CodePageDatas().CodePageToEncoding(FCodePage);
    case tfUtf8: return L"utf-8";
    case tfUtf16Le:
    case tfUtf16Be: return L"utf-16";
    case tfUtf32Le: return L"UTF-32LE";
    case tfUtf32Be: return L"UTF-32BE";
    case tfGb18030: return L"GB18030";
  }
  throw Rtl::Exception(Rtl::SNotImplemented);
}

void TTextFile::EncodingToTextFormat(const std::wstring& encoding, TTextFileFormat& format, std::int32_t& codePage) {
  format = EncodingToTextFormat(encoding, tfAnsi);
  codePage = CodePageDatas().EncodingToCodePage(encoding);
}

void TTextFile::SetFormat(TTextFileFormat format) {
  FFormatSet = true;
  FFormat = format;
  FUnicodeEscape = false;
  FEncodingCategory = FormatToEcodingCategory(format);
}

void TTextFile::SetCodePage(std::int32_t codePage) {
  FFormat = tfAnsi;
  FCodePage = codePage;
  FEncodingCategory = codePage <= 0 ? ecAnsi : CodePageDatas().CodePageToEncodingCategory(codePage);
}

void TTextFile::SetLanguage(const std::wstring& language) {
  FLanguage = language;
  if (FFormat == tfAnsi && FCodePage == 0) FCodePage = GetLanguageCodePage(language, FCodePageCategory);
}

std::wstring TTextFile::FormatToEncoding(TTextFileFormat format, std::int32_t codePage, const std::wstring& locale) {
  if (format == tfAnsi && codePage == 0 && locale.empty()) return {};
  return TextFormatToEncoding(format, codePage, locale);
}

std::wstring TTextFile::TextFormatToEncoding(TTextFileFormat format, std::int32_t codePage,
                                             const std::wstring& locale) {
  switch (format) {
    case tfAnsi:
      if (codePage == 0) codePage = GetLanguageCodePage(locale, ecAnsi);
      return CodePageDatas().CodePageToEncoding(codePage);
    case tfUtf8: return L"utf-8";
    case tfUtf16Le: return L"unicode";
    case tfUtf16Be: return L"unicodeFFFE";
    case tfUtf32Le: return L"UTF-32LE";
    case tfUtf32Be: return L"UTF-32BE";
    case tfGb18030: return L"GB18030";
  }
  throw Rtl::Exception(Rtl::SNotImplemented);
}

std::int32_t TTextFile::GetLanguageCodePage(const std::wstring& locale, TEncodingCategory category) {
  constexpr std::int32_t FALLBACK_C = 1252;
  if (locale.empty()) return FALLBACK_C;
  const TSystemLanguages* languages = FindSystemLanguages();
  const TSystemLanguage* language = languages != nullptr ? languages->FindLanguage(locale) : nullptr;
  if (language == nullptr || language->GetCodePage() <= 0) return FALLBACK_C;
  // A language without a code page of that category gets the fallback too.
  const std::int32_t codePage = language->GetCodePages(category);
  return codePage > 0 ? codePage : FALLBACK_C;
}

std::wstring TTextFile::GetLanguageEncoding(const std::wstring& locale, TEncodingCategory category) {
  return CodePageDatas().CodePageToEncoding(GetLanguageCodePage(locale, category));
}

std::int64_t TTextFile::GetBytesRead() const { return FStream != nullptr ? FStream->Position() : 0; }

int TTextFile::GetPercentRead() const {
  if (FStream == nullptr || FStreamSize <= 0) return 100;
  return static_cast<int>(100 * FStream->Position() / FStreamSize);
}

// --- The buffer ---------------------------------------------------------------

int TTextFile::ReadData() {
  if (FStream == nullptr) return 0;
  const bool first = FDataSize == 0;
  const int left = FDataSize - FDataIndex;
  const std::int64_t factor = FIsStreamUtf16 ? 2 : 1;
  const std::int64_t position = FStreamPosition * factor;
  const std::int64_t size = FStreamSize * factor;
  // After ReadLines more than a buffer fill may be left: it is kept whole.
  const int fill = std::max(MAX_LEN_C, left);
  if (position + fill - left > size)
    FDataSize = static_cast<int>(std::max<std::int64_t>(size - position, 0) + left);
  else
    FDataSize = fill;
  if (FDataSize > 0) {
    std::memmove(FData.data(), FData.data() + FDataIndex, static_cast<std::size_t>(left));
    const int wanted = FDataSize - left;
    if (wanted > 0) {
      const int units = FIsStreamUtf16 ? wanted / 2 : wanted;
      FStream->ReadBuffer(FData.data() + left, units);
      FStreamPosition += units;
    }
  }
  FDataIndex = 0;
  if (first && FDataSize > 0) DetectAtFirstFill();
  return FDataSize - FDataIndex;
}

void TTextFile::DetectAtFirstFill() {
  const std::uint8_t* d = FData.data();
  const int n = FDataSize;
  const bool zeros23 = n >= 4 && d[2] == 0 && d[3] == 0;
  auto take = [this](TTextFileFormat format, int bom) {
    FFormat = format;
    FFormatDetected = true;
    if (bom > 0) {
      FHasBom = true;
      FDataIndex = bom;
    }
  };
  if (Starts(d, n, {0xEF, 0xBB, 0xBF})) take(tfUtf8, 3);
  else if (Starts(d, n, {0xFF, 0xFE})) zeros23 ? take(tfUtf32Le, 4) : take(tfUtf16Le, 2);
  else if (Starts(d, n, {0xFE, 0xFF})) take(tfUtf16Be, 2);
  else if (Starts(d, n, {0x00, 0x00, 0xFE, 0xFF})) take(tfUtf32Be, 4);
  else if (Starts(d, n, {0x84, 0x31, 0x95, 0x33})) take(tfGb18030, 4);
  else if (Starts(d, n, {0x00, 0x3C})) take(tfUtf16Be, 0);
  else if (Starts(d, n, {0x00, 0x00, 0x00, 0x3C})) take(tfUtf32Be, 0);
  else if (Starts(d, n, {0x3C, 0x00})) zeros23 ? take(tfUtf32Le, 0) : take(tfUtf16Le, 0);
  else if (!FFormatSet) {
    TTextFileFormat format = FFormat;
    // More of the stream follows when the buffer is full: a sequence cut at
    // its end is no error then.
    const bool more = FStreamPosition < FStreamSize;
    const TData data(d, static_cast<std::size_t>(n));
    if (more ? AnalyzeStart(data, format) : AnalyzeFormat(data, format)) take(format, 0);
  }
  else return;
  // Nothing found: ANSI text in the code page of the language, when one is
  // known and no code page was chosen.
  if (!FFormatSet && !FFormatDetected && FCodePage == 0 && !FLanguage.empty()) {
    FFormat = tfAnsi;
    FFormatDetected = true;
    FCodePage = GetLanguageCodePage(FLanguage, ecAnsi);
  }
}

int TTextFile::UnitSize() const {
  switch (FFormat) {
    case tfUtf16Le:
    case tfUtf16Be: return 2;
    case tfUtf32Le:
    case tfUtf32Be: return 4;
    default: return 1;
  }
}

bool TTextFile::PeekUnit(int size, std::uint32_t& c, int& taken) {
  if (FDataSize - FDataIndex < size && FStream != nullptr && FStreamPosition < FStreamSize) ReadData();
  const int left = FDataSize - FDataIndex;
  if (left <= 0) return false;
  taken = left < size ? left : size;
  const std::uint8_t* p = FData.data() + FDataIndex;
  c = 0;
  const bool bigEndian = FFormat == tfUtf16Be || FFormat == tfUtf32Be;
  for (int k = 0; k < taken; ++k)
    c |= static_cast<std::uint32_t>(p[k]) << (8 * (bigEndian ? size - 1 - k : k));
  return true;
}

bool TTextFile::NextUnit(int size, std::uint32_t& c, int& taken) {
  if (!PeekUnit(size, c, taken)) return false;
  FDataIndex += taken;
  return true;
}

bool TTextFile::Eof() {
  if (FStream == nullptr) return true;
  if (FStreamPosition < FStreamSize && (FDataSize == 0 || FDataIndex >= FDataSize)) ReadData();
  return FDataSize == 0 || (FStreamPosition >= FStreamSize && FDataIndex >= FDataSize);
}

// --- Format detection ---------------------------------------------------------

namespace {

bool HasWildcards(std::wstring_view name) { return name.find_first_of(L"*?") != std::wstring_view::npos; }

}  // namespace

void TTextFile::DetectFormat(Rtl::TStream& stream, TTextFileFormat& format, std::int32_t& codePage, bool& bom,
                             bool checkOnlyBom, TTextFileFormat defaultFormat, std::int32_t defaultCodePage) {
  format = defaultFormat;
  codePage = 0;
  bom = false;
  const Rtl::TStreamPositionKeeper keeper(stream);
  const std::int64_t size = stream.Size();
  if (size < 2) return;
  std::uint8_t d[4] = {};
  stream.SetPosition(0);
  if (size < 4) {
    stream.ReadBuffer(d, 2);
    if (d[0] == 0xFF && d[1] == 0xFE) format = tfUtf16Le, bom = true;
    else if (d[0] == 0xFE && d[1] == 0xFF) format = tfUtf16Be, bom = true;
    else if (size == 3) {
      stream.ReadBuffer(d + 2, 1);
      if (d[0] == 0xEF && d[1] == 0xBB && d[2] == 0xBF) format = tfUtf8, bom = true;
    }
    return;
  }
  stream.ReadBuffer(d, 4);
  const bool zeros23 = d[2] == 0 && d[3] == 0;
  bom = true;
  if (Starts(d, 4, {0xEF, 0xBB, 0xBF})) return void(format = tfUtf8);
  if (Starts(d, 4, {0xFF, 0xFE})) return void(format = zeros23 ? tfUtf32Le : tfUtf16Le);
  if (Starts(d, 4, {0xFE, 0xFF})) return void(format = tfUtf16Be);
  if (Starts(d, 4, {0x00, 0x00, 0xFE, 0xFF})) return void(format = tfUtf32Be);
  if (Starts(d, 4, {0x84, 0x31, 0x95, 0x33})) return void(format = tfGb18030);
  bom = false;
  if (checkOnlyBom) return;
  if (Starts(d, 4, {0x00, 0x3C})) return void(format = tfUtf16Be);
  if (Starts(d, 4, {0x00, 0x00, 0x00, 0x3C})) return void(format = tfUtf32Be);
  if (Starts(d, 4, {0x3C, 0x00})) return void(format = zeros23 ? tfUtf32Le : tfUtf16Le);
  // The whole stream (StreamToBytes raises EStreamError at 2 GB).
  const Rtl::TBytes data = TFile::StreamToBytes(&stream);
  TTextFileFormat analysed = format;
  if (AnalyzeFormat(data, analysed)) return void(format = analysed);
  codePage = GetCodePage(data, 0);
  if (codePage > 0) format = tfAnsi;
  if (defaultCodePage != 0 && (codePage == 0 || codePage == 1252)) codePage = defaultCodePage;
}

TTextFileFormat TTextFile::DetectFormat(Rtl::TStream& stream, bool checkOnlyBom, TTextFileFormat defaultFormat,
                                        std::int32_t defaultCodePage) {
  TTextFileFormat format = defaultFormat;
  std::int32_t codePage = 0;
  bool bom = false;
  DetectFormat(stream, format, codePage, bom, checkOnlyBom, defaultFormat, defaultCodePage);
  return format;
}

void TTextFile::DetectFormat(const Rtl::TBytes& data, TTextFileFormat& format, std::int32_t& codePage, bool& bom,
                             bool checkOnlyBom, TTextFileFormat defaultFormat, std::int32_t defaultCodePage) {
  Rtl::TBytesStream stream(data);
  DetectFormat(stream, format, codePage, bom, checkOnlyBom, defaultFormat, defaultCodePage);
}

TTextFileFormat TTextFile::DetectFormat(const Rtl::TBytes& data, bool checkOnlyBom, TTextFileFormat defaultFormat,
                                        std::int32_t defaultCodePage) {
  Rtl::TBytesStream stream(data);
  return DetectFormat(stream, checkOnlyBom, defaultFormat, defaultCodePage);
}

void TTextFile::DetectFormat(const std::wstring& fileName, TTextFileFormat& format, std::int32_t& codePage,
                             bool& bom, bool checkOnlyBom, TTextFileFormat defaultFormat,
                             std::int32_t defaultCodePage) {
  format = defaultFormat;
  codePage = 0;
  bom = false;
  if (HasWildcards(fileName) || !Rtl::FileExists(fileName)) return;
  Rtl::TFileStream stream(fileName, Rtl::fmOpenRead | Rtl::fmShareDenyNone);
  DetectFormat(stream, format, codePage, bom, checkOnlyBom, defaultFormat, defaultCodePage);
}

TTextFileFormat TTextFile::DetectFormat(const std::wstring& fileName, bool checkOnlyBom,
                                        TTextFileFormat defaultFormat, std::int32_t defaultCodePage) {
  TTextFileFormat format = defaultFormat;
  std::int32_t codePage = 0;
  bool bom = false;
  DetectFormat(fileName, format, codePage, bom, checkOnlyBom, defaultFormat, defaultCodePage);
  return format;
}

bool TTextFile::DoesFileHaveBom(const std::wstring& fileName) {
  TTextFileFormat format = tfAnsi;
  std::int32_t codePage = 0;
  bool bom = false;
  DetectFormat(fileName, format, codePage, bom, true, tfAnsi, 0);
  return bom;
}

bool TTextFile::DoesFileHaveBom(const Rtl::TBytes& data) {
  TTextFileFormat format = tfAnsi;
  std::int32_t codePage = 0;
  bool bom = false;
  DetectFormat(data, format, codePage, bom, true, tfAnsi, 0);
  return bom;
}

bool TTextFile::IsTextStreamStrict(Rtl::TStream& stream) { return DetectFormat(stream, false, tfAnsi, 0) != tfAnsi; }

bool TTextFile::IsTextDataStrict(const Rtl::TBytes& data) { return DetectFormat(data, true, tfAnsi, 0) != tfAnsi; }

std::int32_t TTextFile::GetCodePage(const Rtl::TBytes& data, std::int32_t defaultCodePage) {
  if (data.empty()) return 0;
  const TCodePageConverters* converters = FindCodePageConverters();
  const std::int32_t codePage = converters != nullptr ? converters->DetectCodePage(data, false) : 0;
  return codePage == 0 && defaultCodePage != 0 ? defaultCodePage : codePage;
}

std::int32_t TTextFile::GetCodePage(const std::wstring& fileName, std::int32_t defaultCodePage) {
  return GetCodePage(TFile::FileToBytes(fileName), defaultCodePage);
}

std::int32_t TTextFile::GetCodePage(Rtl::TStream& stream, std::int32_t defaultCodePage) {
  return GetCodePage(TFile::StreamToBytes(&stream), defaultCodePage);
}

namespace {

// The verdict of IsTextFile and IsTextStream over what DetectFormat found.
bool IsTextVerdict(TTextFileFormat format, std::int32_t& codePage) {
  if (format != tfAnsi) {
    codePage = 0;
    return true;
  }
  return codePage > 0;
}

}  // namespace

bool TTextFile::IsTextFile(const std::wstring& fileName) {
  TTextFileFormat format = tfAnsi;
  std::int32_t codePage = 0;
  bool bom = false;
  return IsTextFile(fileName, format, codePage, bom, false);
}

bool TTextFile::IsTextFile(const std::wstring& fileName, TTextFileFormat& format, std::int32_t& codePage, bool& bom,
                           bool checkOnlyBom) {
  DetectFormat(fileName, format, codePage, bom, checkOnlyBom, tfAnsi, 0);
  return IsTextVerdict(format, codePage);
}

bool TTextFile::IsTextStream(Rtl::TStream& stream, TTextFileFormat& format, std::int32_t& codePage, bool& bom,
                             bool checkOnlyBom) {
  DetectFormat(stream, format, codePage, bom, checkOnlyBom, tfAnsi, 0);
  return IsTextVerdict(format, codePage);
}

bool TTextFile::IsTextStream(Rtl::TStream& stream) {
  return IsTextStreamStrict(stream) || GetCodePage(stream, 0) > 0;
}

bool TTextFile::IsTextData(const Rtl::TBytes& data) { return IsTextDataStrict(data) || GetCodePage(data, 0) > 0; }

void TTextFile::DetectEncoding(const std::wstring& fileName, std::wstring& encoding, bool& bom) {
  TTextFileFormat format = tfAnsi;
  std::int32_t codePage = 0;
  DetectFormat(fileName, format, codePage, bom, false, tfAnsi, 0);
  encoding = FormatToEncoding(format, codePage, L"");
}

void TTextFile::DetectEncoding(const std::wstring& fileName, std::wstring& encoding) {
  bool bom = false;
  DetectEncoding(fileName, encoding, bom);
}

void TTextFile::DetectEncoding(Rtl::TStream& stream, std::wstring& encoding, bool& bom) {
  TTextFileFormat format = tfAnsi;
  std::int32_t codePage = 0;
  DetectFormat(stream, format, codePage, bom, false, tfAnsi, 0);
  encoding = FormatToEncoding(format, codePage, L"");
}

void TTextFile::DetectEncoding(Rtl::TStream& stream, std::wstring& encoding) {
  bool bom = false;
  DetectEncoding(stream, encoding, bom);
}

std::wstring TTextFile::DetectEncoding(const Rtl::TBytes& data) {
  Rtl::TBytesStream stream(data);
  std::wstring encoding;
  DetectEncoding(stream, encoding);
  return encoding;
}

// --- Characters ---------------------------------------------------------------

void TTextFile::CheckData(int index) {
  if (FStream == nullptr || FStreamPosition >= FStreamSize) return;
  if (FDataSize == 0 || FDataIndex + index + CHAR_SIZE_C > FDataSize) ReadData();
}

int TTextFile::CharSizeAt(int offset) {
  const int available = FDataSize - FDataIndex - offset;
  if (available <= 0) return 0;
  const std::uint8_t b = FData[static_cast<std::size_t>(FDataIndex + offset)];
  int size = 1;
  switch (FFormat) {
    case tfUtf16Le:
    case tfUtf16Be: size = 2; break;
    case tfUtf32Le:
    case tfUtf32Be: size = 4; break;
    case tfAnsi:
      if ((FCodePage == 932 || FCodePage == 949 || FCodePage == 936 || FCodePage == 950) &&
          IsDBCSLeadByteEx(static_cast<UINT>(FCodePage), b))
        size = 2;
      break;
    case tfUtf8: size = std::max(GetUtf8CharacterLength(b), 1); break;
    case tfGb18030:
      if (b >= 0x80) {
        const bool four = available >= 2 && FData[static_cast<std::size_t>(FDataIndex + offset + 1)] >= 0x30 &&
                          FData[static_cast<std::size_t>(FDataIndex + offset + 1)] <= 0x39;
        size = four ? 4 : 2;
      }
      break;
  }
  return std::min(size, available);
}

int TTextFile::CharOffset(int index) {
  int offset = 0;
  for (int k = 0; k < index; ++k) {
    CheckData(offset);
    const int size = CharSizeAt(offset);
    if (size == 0) return -1;
    offset += size;
  }
  CheckData(offset);
  return FDataIndex + offset < FDataSize ? offset : -1;
}

int TTextFile::PeekCharSize(int index) {
  if (FDataSize == 0) ReadData();
  const int offset = CharOffset(index);
  return offset < 0 ? 0 : CharSizeAt(offset);
}

wchar_t TTextFile::PeekChar(int index) {
  if (FDataSize == 0) ReadData();
  const int offset = CharOffset(index);
  if (offset < 0) return 0;
  const int size = CharSizeAt(offset);
  const auto* p = FData.data() + FDataIndex + offset;
  const Rtl::RawByteString bytes(reinterpret_cast<const char*>(p), static_cast<std::size_t>(size));
  std::wstring text;
  switch (FFormat) {
    case tfAnsi:
      CheckCodePageServed(FCodePage);
      text = TString::AnsiToWide(bytes, FCodePage);
      break;
    case tfUtf8: text = Utf8Decode(bytes); break;
    case tfGb18030: text = TString::Gb18030ToWide(bytes); break;
    case tfUtf16Le:
    case tfUtf32Le: {
      const unsigned low = p[0], high = size > 1 ? p[1] : 0;
      return static_cast<wchar_t>(low | high << 8);
    }
    case tfUtf16Be: {
      const unsigned high = p[0], low = size > 1 ? p[1] : 0;
      return static_cast<wchar_t>(size > 1 ? (low | high << 8) : high);
    }
    case tfUtf32Be: {
      if (size < 4) return 0;
      return static_cast<wchar_t>(p[3] | p[2] << 8);
    }
  }
  return text.empty() ? L'\0' : text[0];
}

wchar_t TTextFile::ReadChar() {
  const int size = PeekCharSize(0);
  wchar_t c = 0;
  try {
    c = PeekChar(0);
  } catch (...) {
    FDataIndex += size;
    throw;
  }
  FDataIndex += size;
  ProcessChar(c);
  return c;
}

std::wstring TTextFile::ReadChars(int count) {
  std::wstring text;
  for (int k = 0; k < count; ++k) text += ReadChar();
  return text;
}

// --- Lines --------------------------------------------------------------------

std::vector<std::uint32_t> TTextFile::ReadUnits(wchar_t endChar) {
  FLastLineEnd.clear();
  if (FDataSize == 0) ReadData();
  const int size = UnitSize();
  const std::uint32_t end = size == 1 ? static_cast<std::uint32_t>(endChar) & 0xFF : static_cast<std::uint32_t>(endChar);
  std::vector<std::uint32_t> line;
  line.reserve(MAX_LEN_C);
  std::uint32_t c = 0;
  int taken = 0;
  while (NextUnit(size, c, taken)) {
    ProcessChar(static_cast<wchar_t>(c));
    if (endChar == 0 && (c == '\r' || c == '\n')) {
      FLastLineEnd = static_cast<wchar_t>(c);
      if (FIncludeLineBreak) line.push_back(c);
      std::uint32_t next = 0;
      if (PeekUnit(size, next, taken)) {
        ProcessChar(static_cast<wchar_t>(next));
        if ((c == '\r' && next == '\n') || (c == '\n' && next == '\r')) {
          FDataIndex += taken;
          FLastLineEnd += static_cast<wchar_t>(next);
          if (FIncludeLineBreak) line.push_back(next);
        }
      }
      break;
    }
    if (endChar != 0 && c == end && !line.empty()) {
      FDataIndex -= taken;
      break;
    }
    line.push_back(c);
  }
  return line;
}

Rtl::RawByteString TTextFile::ReadByteLine() {
  FLastLineEnd.clear();
  if (FDataSize == 0) ReadData();
  Rtl::RawByteString line;
  for (;;) {
    if (FDataIndex >= FDataSize) {
      if (FStream == nullptr || FStreamPosition >= FStreamSize || ReadData() <= 0) break;
    }
    const std::uint8_t* p = FData.data();
    int k = FDataIndex;
    while (k < FDataSize && p[k] != '\r' && p[k] != '\n') ++k;
    if (k > FDataIndex) {
      // Within a run without breaks only its first character can decide a
      // pending break kind.
      ProcessChar(static_cast<wchar_t>(p[FDataIndex]));
      line.append(reinterpret_cast<const char*>(p + FDataIndex), static_cast<std::size_t>(k - FDataIndex));
      FDataIndex = k;
    }
    if (k >= FDataSize) continue;
    const std::uint8_t c = p[k];
    ++FDataIndex;
    ProcessChar(static_cast<wchar_t>(c));
    FLastLineEnd = static_cast<wchar_t>(c);
    if (FIncludeLineBreak) line += static_cast<char>(c);
    std::uint32_t next = 0;
    int taken = 0;
    if (PeekUnit(1, next, taken)) {
      ProcessChar(static_cast<wchar_t>(next));
      if ((c == '\r' && next == '\n') || (c == '\n' && next == '\r')) {
        FDataIndex += taken;
        FLastLineEnd += static_cast<wchar_t>(next);
        if (FIncludeLineBreak) line += static_cast<char>(next);
      }
    }
    break;
  }
  return line;
}

Rtl::RawByteString TTextFile::ReadAnsiLine(wchar_t endChar) {
  if (endChar == 0 && UnitSize() == 1) return ReadByteLine();
  const std::vector<std::uint32_t> units = ReadUnits(endChar);
  Rtl::RawByteString bytes(units.size(), '\0');
  for (std::size_t k = 0; k < units.size(); ++k) bytes[k] = static_cast<char>(units[k] & 0xFF);
  return bytes;
}

std::wstring TTextFile::ReadLine(wchar_t endChar) {
  // The byte position of the line's start, for the UTF-32 error.
  const std::int64_t start = FStreamPosition - (FDataSize - FDataIndex);
  if (endChar == 0 && FDataSize != 0 && UnitSize() == 1) {
    const Rtl::RawByteString bytes = ReadByteLine();
    if (FFormat == tfUtf8) return Utf8Decode(bytes);
    if (FFormat == tfGb18030) return TString::Gb18030ToWide(bytes);
    CheckCodePageServed(FCodePage);
    return TString::AnsiToWide(bytes, FCodePage);
  }
  if (endChar > 0 && endChar < 0x80 && FDataSize == 0) ReadData();  // the first fill decides the format
  if (endChar > 0 && endChar < 0x80 && UnitSize() == 1) {
    // Bytes up to the end character, the buffer scanned a fill at a time:
    // the same as ReadUnits below without a unit at a time.
    FLastLineEnd.clear();
    const auto end = static_cast<std::uint8_t>(endChar);
    Rtl::RawByteString bytes;
    for (;;) {
      if (FDataIndex >= FDataSize) {
        if (FStream == nullptr || FStreamPosition >= FStreamSize || ReadData() <= 0) break;
      }
      const std::uint8_t* p = FData.data();
      int k = FDataIndex;
      if (bytes.empty() && p[k] == end) ProcessChar(static_cast<wchar_t>(p[k++]));
      while (k < FDataSize && p[k] != end) ProcessChar(static_cast<wchar_t>(p[k++]));
      bytes.append(reinterpret_cast<const char*>(p + FDataIndex), static_cast<std::size_t>(k - FDataIndex));
      FDataIndex = k;
      if (k < FDataSize) break;
    }
    if (FFormat == tfUtf8) return Utf8Decode(bytes);
    if (FFormat == tfGb18030) return TString::Gb18030ToWide(bytes);
    CheckCodePageServed(FCodePage);
    return TString::AnsiToWide(bytes, FCodePage);
  }
  const std::vector<std::uint32_t> units = ReadUnits(endChar);
  switch (FFormat) {
    case tfAnsi:
    case tfUtf8:
    case tfGb18030: {
      Rtl::RawByteString bytes(units.size(), '\0');
      for (std::size_t k = 0; k < units.size(); ++k) bytes[k] = static_cast<char>(units[k] & 0xFF);
      if (FFormat == tfUtf8) return Utf8Decode(bytes);
      if (FFormat == tfGb18030) return TString::Gb18030ToWide(bytes);
      CheckCodePageServed(FCodePage);
      return TString::AnsiToWide(bytes, FCodePage);
    }
    case tfUtf16Le:
    case tfUtf16Be: return std::wstring(units.begin(), units.end());
    case tfUtf32Le:
    case tfUtf32Be: {
      std::wstring text;
      text.reserve(units.size());
      for (std::size_t k = 0; k < units.size(); ++k) {
        const std::uint32_t value = units[k];
        if (value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
          throw Rtl::EConvertError(Rtl::Format(Rtl::LoadResString(SInvalidUtf32Value),
                                               {value, static_cast<long long>(start + 4 * static_cast<std::int64_t>(k) + 1)}));
        if (value >= 0x10000) {
          text += static_cast<wchar_t>(0xD800 + ((value - 0x10000) >> 10));
          text += static_cast<wchar_t>(0xDC00 + ((value - 0x10000) & 0x3FF));
        } else {
          text += static_cast<wchar_t>(value);
        }
      }
      return text;
    }
  }
  throw Rtl::Exception(Rtl::SNotImplemented);
}

namespace {

// The first of p[from, size) that is NUL or `end`, or size.
std::size_t FindNulOrByte(const std::uint8_t* p, std::size_t from, std::size_t size, std::uint8_t end) {
  return from + Rtl::FindAny(p + from, size - from, std::uint8_t{0}, end);
}

// Whether the bytes at `p` (`n` of them) start with `prefix`, ignoring the
// case of ASCII letters.
bool StartsWithAsciiNoCase(const std::uint8_t* p, std::size_t n, std::string_view prefix) {
  if (n < prefix.size()) return false;
  for (std::size_t k = 0; k < prefix.size(); ++k)
    if (!Rtl::AsciiSameChar(p[k], static_cast<std::uint8_t>(prefix[k]))) return false;
  return true;
}

}  // namespace

void TTextFile::SkipToByte(std::int64_t position) {
  if (FStream == nullptr || FIsStreamUtf16) return;
  const std::int64_t bufferStart = FStreamPosition - FDataSize;
  if (FDataSize > 0 && position >= bufferStart && position <= FStreamPosition) {
    FDataIndex = static_cast<int>(position - bufferStart);
  } else {
    // A fill of its own at the position (never the first fill, which
    // decides the format).
    const auto fill = static_cast<int>(
        std::clamp<std::int64_t>(FStreamSize - position, 0, static_cast<std::int64_t>(FData.size())));
    FStream->SetPosition(position);
    if (fill > 0) FStream->ReadBuffer(FData.data(), fill);
    FStreamPosition = position + fill;
    FDataIndex = 0;
    FDataSize = fill;
  }
  FLastLineEnd.clear();
}

std::size_t TTextFile::ReadLines(std::wstring& text, wchar_t endChar, std::size_t maxBytes,
                                 std::span<const std::string_view> stopAfter, bool detectNewLine) {
  if (FDataSize == 0) ReadData();  // the first fill decides the format
  if (FStream == nullptr || FFormat != tfUtf8 || FIsStreamUtf16 || endChar <= 0 || endChar >= 0x80) return 0;
  // The buffer holds up to `maxBytes` bytes of the stream (at most 16 MB).
  maxBytes = std::min<std::size_t>(maxBytes, std::size_t{1} << 24);
  const int left = FDataSize - FDataIndex;
  const std::int64_t rest = FStreamSize - FStreamPosition;
  const std::int64_t wanted =
      std::min<std::int64_t>(rest, std::max<std::int64_t>(static_cast<std::int64_t>(maxBytes) - left, 0));
  if (wanted > 0) {
    const std::size_t need = static_cast<std::size_t>(left + wanted);
    if (FData.size() < need) FData.resize(need);
    std::memmove(FData.data(), FData.data() + FDataIndex, static_cast<std::size_t>(left));
    FStream->ReadBuffer(FData.data() + left, static_cast<std::size_t>(wanted));
    FStreamPosition += wanted;
    FDataIndex = 0;
    FDataSize = left + static_cast<int>(wanted);
  }
  const bool all = FStreamPosition >= FStreamSize;
  const auto end = static_cast<std::uint8_t>(endChar);
  const std::uint8_t* p = FData.data();
  const std::size_t start = static_cast<std::size_t>(FDataIndex), size = static_cast<std::size_t>(FDataSize);
  // The lines are taken whole: up to the start of the last line that the
  // data may not hold whole, of a line with a NUL, or past a stop line.
  std::size_t cut = start, line = start;
  bool stopped = false;
  for (std::size_t k = FindNulOrByte(p, start, size, end); k < size && !stopped;
       k = FindNulOrByte(p, k + 1, size, end)) {
    const std::uint8_t b = p[k];
    if (b == 0) {
      stopped = true;
    } else if (b == end && k > line) {
      // A line ends before k; it stops the block when a stop prefix starts it.
      cut = k;
      for (std::string_view prefix : stopAfter)
        if (StartsWithAsciiNoCase(p + line, k - line, prefix)) stopped = true;
      line = k;
    }
  }
  if (!stopped && all) cut = size;
  if (cut == start) return 0;
  // Decoded in one go; on a failure only the lines before the failing one.
  const std::size_t old = text.size();
  for (;;) {
    text.resize(old + (cut - start) + 1);
    std::size_t taken = 0;
    const std::ptrdiff_t written = Utf8ToUnicodePos(text.data() + old, cut - start + 1,
                                                    reinterpret_cast<const char*>(p + start), cut - start, taken);
    if (written >= 0) {
      text.resize(old + static_cast<std::size_t>(written) - 1);
      break;
    }
    // `taken` is the 1-based place of the failing byte: its line starts at
    // the last end character at or before it (not the first byte).
    std::size_t bad = start + taken - 1;
    std::size_t lineStart = start;
    for (std::size_t k = bad; k > start; --k)
      if (p[k] == end) {
        lineStart = k;
        break;
      }
    cut = lineStart;
    if (cut == start) {
      text.resize(old);
      return 0;
    }
  }
  // The line-break detector sees what ReadLine would have shown it: only a
  // break character and the one after it change its state.
  for (std::size_t k = start; detectNewLine && k < cut; ++k)
    if (FPreviousNewLineCharacter != ncNone || p[k] == '\r' || p[k] == '\n') ProcessChar(static_cast<wchar_t>(p[k]));
  FLastLineEnd.clear();
  FDataIndex = static_cast<int>(cut);
  return text.size() - old;
}

std::wstring TTextFile::ReadAll() {
  FIncludeLineBreak = true;
  std::wstring text;
  while (!Eof()) text += ReadLine(0);
  return text;
}

Rtl::RawByteString TTextFile::ReadAnsiAll() {
  FIncludeLineBreak = true;
  Rtl::RawByteString bytes;
  while (!Eof()) bytes += ReadAnsiLine(0);
  return bytes;
}

std::wstring TTextFile::ReadFile(const std::wstring& fileName, const std::wstring& encoding) {
  TTextFile file;
  file.SetEncoding(encoding);
  file.Open(fileName);
  return file.ReadAll();
}

std::wstring TTextFile::ReadAll(const std::wstring& fileName, const std::wstring& encoding) {
  return ReadFile(fileName, encoding);
}

void TTextFile::WriteFile(const std::wstring& fileName, std::wstring_view data, const std::wstring& encoding,
                          bool bom) {
  TTextFile file;
  file.SetEncoding(encoding);
  file.SetUseBom(bom);
  file.Rewrite(fileName);
  file.Write(data);
  file.Close();  // here, so that a failure reaches the caller
}

void TTextFile::WriteFile(Rtl::TStream& stream, std::wstring_view data, const std::wstring& encoding, bool bom) {
  TTextFile file;
  file.SetEncoding(encoding);
  file.SetUseBom(bom);
  file.Rewrite(stream);
  file.Write(data);
  file.Close();
}

void TTextFile::CreateEmptyFile(const std::wstring& fileName) {
  if (Rtl::FileExists(fileName)) return;
  const Rtl::TFileStream file(fileName, Rtl::fmCreate);
}

int TTextFile::GetLineCount(const std::wstring& fileName) {
  TTextFile file(fileName);
  int count = 0;
  while (!file.Eof()) {
    file.ReadLine(0);
    ++count;
  }
  return count;
}

TNewLine TTextFile::DetectFileNewLine(const std::wstring& fileName) {
  TTextFile file(fileName);
  file.ReadLine(0);
  return file.GetNewLine();
}

std::size_t TTextFile::CalculateLength(std::wstring_view value, const std::wstring& encoding) {
  TTextFile file;
  file.SetEncoding(encoding);
  file.SetUseBom(false);
  file.RewriteData();
  file.Write(value);
  return file.GetOutputData().size();
}

std::unique_ptr<Rtl::TStream> TTextFile::Lock(const std::wstring& fileName) {
  try {
    return std::make_unique<Rtl::TFileStream>(fileName, Rtl::fmOpenRead | Rtl::fmShareDenyWrite);
  } catch (const Rtl::EStreamError&) {
    return nullptr;
  }
}

int TTextFile::GetLineCountString(std::wstring_view data) {
  TTextFile file;
  file.OpenString(data);
  int count = 0;
  while (!file.Eof()) {
    file.ReadLine(0);
    ++count;
  }
  return count;
}

std::wstring TTextFile::ReadAll(const Rtl::TBytes& data) {
  TTextFile file;
  file.Open(data);
  return file.ReadAll();
}

namespace {

// Reads the whole of `source` with `reader` set up, then writes it with
// `writer` set up; the source is closed before the target is replaced, so
// source and destination may be one file.
void Recode(const std::wstring& source, TTextFile& reader, TTextFile& writer) {
  reader.Open(source);
  const std::wstring text = reader.ReadAll();
  reader.Close();
  writer.Write(text);
  writer.Close();  // here, so that a failure reaches the caller
}

}  // namespace

void TTextFile::AnsiToUtf8(const std::wstring& source, const std::wstring& destination, std::int32_t codePage) {
  TTextFile reader;
  reader.SetCodePage(codePage);
  TTextFile writer;
  writer.SetFormat(tfUtf8);
  writer.Rewrite(destination);
  Recode(source, reader, writer);
}

std::unique_ptr<Rtl::TStream> TTextFile::AnsiToUtf8(const std::wstring& source, std::int32_t codePage) {
  auto result = std::make_unique<Rtl::TMemoryStream>();
  TTextFile reader;
  reader.SetCodePage(codePage);
  TTextFile writer;
  writer.SetFormat(tfUtf8);
  writer.Rewrite(*result);
  Recode(source, reader, writer);
  result->SetPosition(0);
  return result;
}

void TTextFile::Utf8ToAnsi(const std::wstring& source, const std::wstring& destination, std::int32_t codePage) {
  TTextFile reader;
  reader.SetFormat(tfUtf8);
  TTextFile writer;
  writer.SetCodePage(codePage);
  writer.Rewrite(destination);
  Recode(source, reader, writer);
}

}  // namespace Qd
