// TQdZip on libzip: the archive owner, the source over a runtime stream,
// the checks of entry names, the limits and the streaming extraction.
#include <algorithm>
#include <climits>
#include <cstring>
#include <unordered_set>
#include <vector>

#include <zip.h>

#include "QdClasses/File.h"
#include "QdDirectory.h"
#include "QdStream.h"
#include "QdZip.h"
#include "QdZip/Strings.h"
#include "runtime/IO/Files.h"
#include "runtime/IO/Strings.h"
#include "runtime/System/Win32.h"
#include "runtime/Text/Ascii.h"
#include "runtime/Text/CodePage.h"
#include "runtime/Text/Format.h"

namespace Qd {

namespace {

// The size of the blocks that extraction reads and writes.
constexpr std::size_t BLOCK_C = 256 * 1024;

std::string ToUtf8(const std::wstring& text) { return Rtl::WideToCodePage(text, Rtl::CODE_PAGE_UTF8_C); }
std::wstring FromUtf8(const char* text) {
  return text == nullptr ? std::wstring() : Rtl::CodePageToWide(text, Rtl::CODE_PAGE_UTF8_C);
}

[[noreturn]] void RaiseZip(const std::wstring& archive, const std::wstring& message) {
  throw EZipException(Rtl::Format(Rtl::LoadResString(SZipError), {archive, message}));
}

[[noreturn]] void RaiseEntry(const Rtl::TResStringRec& format, const std::wstring& entry) {
  throw EZipException(Rtl::Format(Rtl::LoadResString(format), {entry}));
}

[[noreturn]] void RaiseEntry(const Rtl::TResStringRec& format, const std::wstring& entry, std::int64_t value) {
  throw EZipException(Rtl::Format(Rtl::LoadResString(format), {entry, Rtl::IntToStr(value)}));
}

std::wstring ErrorText(zip_error_t* error) { return FromUtf8(zip_error_strerror(error)); }

// "/" turned into "\".
std::wstring BackSlashes(std::wstring name) {
  std::replace(name.begin(), name.end(), L'/', L'\\');
  return name;
}

std::wstring ForwardSlashes(std::wstring name) {
  std::replace(name.begin(), name.end(), L'\\', L'/');
  return name;
}

bool IsDeviceName(std::wstring_view component) {
  std::wstring_view base = component.substr(0, component.find(L'.'));
  while (!base.empty() && base.back() == L' ') base.remove_suffix(1);
  static constexpr const wchar_t* DEVICES_C[] = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$", L"CLOCK$"};
  for (const wchar_t* device : DEVICES_C)
    if (Rtl::AsciiSameText(base, device)) return true;
  if (base.size() == 4 && (Rtl::AsciiSameText(base.substr(0, 3), L"COM") || Rtl::AsciiSameText(base.substr(0, 3), L"LPT"))) {
    const wchar_t digit = base[3];
    // COM1-COM9, LPT1-LPT9 and the superscript digits that Windows also
    // takes as device numbers.
    return (digit >= L'1' && digit <= L'9') || digit == L'\u00B9' || digit == L'\u00B2' || digit == L'\u00B3';
  }
  return false;
}

// Refuses an entry name (with "\" separators, a directory's trailing one
// removed) that could write anywhere but below the destination.
void CheckEntryName(const std::wstring& name, const std::wstring& shown) {
  if (name.empty() || name[0] == L'\\') RaiseEntry(SZipUnsafeName, shown);
  std::size_t start = 0;
  while (start <= name.size()) {
    std::size_t end = name.find(L'\\', start);
    if (end == std::wstring::npos) end = name.size();
    const std::wstring_view component(name.data() + start, end - start);
    if (component.empty() || component == L".." || component == L"." || component.back() == L'.' ||
        component.back() == L' ' || IsDeviceName(component))
      RaiseEntry(SZipUnsafeName, shown);
    for (wchar_t c : component)
      if (c < 0x20 || c == L':' || c == L'<' || c == L'>' || c == L'"' || c == L'|' || c == L'?' || c == L'*')
        RaiseEntry(SZipUnsafeName, shown);
    start = end + 1;
  }
}

std::wstring FullPath(const std::wstring& path) {
  std::vector<wchar_t> buffer(32768);
  const DWORD length = GetFullPathNameW(path.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
  if (length == 0 || length >= buffer.size()) return L"";
  return std::wstring(buffer.data(), length);
}

bool StartsWithFolded(const std::wstring& text, const std::wstring& prefix) {
  return text.size() >= prefix.size() && Rtl::AsciiSameText(std::wstring_view(text).substr(0, prefix.size()), prefix);
}

// The path of a checked entry name below `destination`; refuses one that
// resolves elsewhere or passes through an existing link (a reparse point,
// or a folder that opens somewhere else than where it lies, as Wine's unix
// links do).
std::wstring ResolveEntryPath(const std::wstring& destination, const std::wstring& name, const std::wstring& shown) {
  const std::wstring root = Rtl::IncludeTrailingPathDelimiter(FullPath(destination));
  const std::wstring path = FullPath(root + name);
  if (root.size() < 2 || path.size() <= root.size() || !StartsWithFolded(path, root))
    RaiseEntry(SZipOutsideDir, shown);
  const std::wstring rootFinal = TFile::GetFinalPath(root);
  std::size_t end = root.size();
  while (true) {
    end = path.find(L'\\', end);
    const std::wstring level = path.substr(0, end);
    const DWORD attributes = GetFileAttributesW(level.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) break;  // nothing there yet, nor below
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) RaiseEntry(SZipThroughLink, shown);
    if (!rootFinal.empty()) {
      const std::wstring final = TFile::GetFinalPath(level);
      if (!final.empty() && !Rtl::SameFileName(final, Rtl::IncludeTrailingPathDelimiter(rootFinal) +
                                                          level.substr(root.size())))
        RaiseEntry(SZipThroughLink, shown);
    }
    if (end == std::wstring::npos) break;
    ++end;
  }
  return path;
}

// Removes a file when the object goes, unless released.
class TFileRemover {
public:
  explicit TFileRemover(std::wstring fileName) : FFileName(std::move(fileName)) {}
  ~TFileRemover() {
    if (!FFileName.empty()) DeleteFileW(FFileName.c_str());
  }
  TFileRemover(const TFileRemover&) = delete;
  TFileRemover& operator=(const TFileRemover&) = delete;
  void Release() { FFileName.clear(); }

private:
  std::wstring FFileName;
};

}  // namespace

namespace ZipDetail {

// A read-only libzip source over a runtime stream, from the stream's
// position at creation to its end. No exception crosses the library: the
// callback turns them into a read error.
struct TStreamSource {
  Rtl::TStream* Stream = nullptr;
  std::int64_t Base = 0;
  std::int64_t Size = 0;
  std::int64_t Position = 0;
  zip_error_t Error{};

  static zip_int64_t Callback(void* state, void* data, zip_uint64_t length, zip_source_cmd_t command) noexcept {
    auto& self = *static_cast<TStreamSource*>(state);
    try {
      switch (command) {
        case ZIP_SOURCE_OPEN:
          self.Position = 0;
          return 0;
        case ZIP_SOURCE_READ: {
          const std::int64_t left = std::max<std::int64_t>(0, self.Size - self.Position);
          const int count = static_cast<int>(std::min<std::uint64_t>({length, static_cast<std::uint64_t>(left),
                                                                      static_cast<std::uint64_t>(INT_MAX)}));
          if (count == 0) return 0;
          self.Stream->Seek(self.Base + self.Position, Rtl::soBeginning);
          const int read = self.Stream->Read(data, count);
          if (read < 0) {
            zip_error_set(&self.Error, ZIP_ER_READ, 0);
            return -1;
          }
          self.Position += read;
          return read;
        }
        case ZIP_SOURCE_CLOSE:
        case ZIP_SOURCE_FREE:
          return 0;
        case ZIP_SOURCE_STAT: {
          zip_stat_t* stat = ZIP_SOURCE_GET_ARGS(zip_stat_t, data, length, &self.Error);
          if (stat == nullptr) return -1;
          zip_stat_init(stat);
          stat->size = static_cast<zip_uint64_t>(self.Size);
          stat->valid |= ZIP_STAT_SIZE;
          return sizeof(zip_stat_t);
        }
        case ZIP_SOURCE_ERROR:
          return zip_error_to_data(&self.Error, data, length);
        case ZIP_SOURCE_SEEK: {
          const zip_int64_t position =
              zip_source_seek_compute_offset(static_cast<zip_uint64_t>(self.Position),
                                             static_cast<zip_uint64_t>(self.Size), data, length, &self.Error);
          if (position < 0) return -1;
          self.Position = position;
          return 0;
        }
        case ZIP_SOURCE_TELL:
          return self.Position;
        case ZIP_SOURCE_SUPPORTS:
          return ZIP_SOURCE_SUPPORTS_SEEKABLE;
        default:
          zip_error_set(&self.Error, ZIP_ER_OPNOTSUPP, 0);
          return -1;
      }
    } catch (...) {
      zip_error_set(&self.Error, ZIP_ER_READ, 0);
      return -1;
    }
  }
};

// The one owner of an opened libzip archive: closes nothing by itself
// (Commit writes the changes), discards what wasn't committed.
class TArchive {
public:
  explicit TArchive(std::wstring name) : FName(std::move(name)) {}
  ~TArchive() {
    if (FZip != nullptr) zip_discard(FZip);
    if (FSource != nullptr) zip_source_free(FSource);
  }
  TArchive(const TArchive&) = delete;
  TArchive& operator=(const TArchive&) = delete;

  static std::unique_ptr<TArchive> OpenFile(const std::wstring& fileName, int flags) {
    auto archive = std::make_unique<TArchive>(fileName);
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_win32w_create(fileName.c_str(), 0, -1, &error);
    if (source == nullptr) archive->Fail(&error);
    archive->Open(source, flags);
    return archive;
  }

  static std::unique_ptr<TArchive> OpenStream(Rtl::TStream& stream) {
    auto archive = std::make_unique<TArchive>(L"(stream)");
    archive->FStream = std::make_unique<TStreamSource>();
    TStreamSource& state = *archive->FStream;
    state.Stream = &stream;
    state.Base = stream.Position();
    state.Size = std::max<std::int64_t>(0, stream.Size() - state.Base);
    zip_error_init(&state.Error);
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_function_create(&TStreamSource::Callback, &state, &error);
    if (source == nullptr) archive->Fail(&error);
    archive->Open(source, ZIP_RDONLY | ZIP_CHECKCONS);
    return archive;
  }

  // An archive in memory: over `data` (not copied; it must outlive the
  // object) for reading, or a new one to write.
  static std::unique_ptr<TArchive> OpenBuffer(const void* data, std::size_t size, bool write) {
    auto archive = std::make_unique<TArchive>(L"(data)");
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(data, size, 0, &error);
    if (source == nullptr) archive->Fail(&error);
    if (write) {
      // Kept beyond the close, to read the written archive back.
      zip_source_keep(source);
      archive->FSource = source;
      archive->Open(source, ZIP_TRUNCATE);
    } else {
      archive->Open(source, ZIP_RDONLY | ZIP_CHECKCONS);
    }
    return archive;
  }

  zip_t* Zip() const { return FZip; }
  const std::wstring& Name() const { return FName; }

  [[noreturn]] void Fail(zip_error_t* error) const {
    const std::wstring text = ErrorText(error);
    zip_error_fini(error);
    RaiseZip(FName, text);
  }
  [[noreturn]] void Fail() const { RaiseZip(FName, FromUtf8(zip_strerror(FZip))); }

  // Writes the changes (a new file beside the old one, renamed over it).
  void Commit() {
    if (zip_close(FZip) < 0) {
      const std::wstring text = FromUtf8(zip_strerror(FZip));
      zip_discard(FZip);
      FZip = nullptr;
      RaiseZip(FName, text);
    }
    FZip = nullptr;
  }

  // The archive written into memory (OpenBuffer without data), after Commit.
  Rtl::TBytes WrittenBytes() {
    Rtl::TBytes bytes;
    zip_stat_t stat;
    if (zip_source_stat(FSource, &stat) < 0 || zip_source_open(FSource) < 0)
      RaiseZip(FName, FromUtf8(zip_error_strerror(zip_source_error(FSource))));
    bytes.resize(static_cast<std::size_t>(stat.size));
    const zip_int64_t read = zip_source_read(FSource, bytes.data(), bytes.size());
    zip_source_close(FSource);
    if (read < 0 || static_cast<zip_uint64_t>(read) != stat.size)
      RaiseZip(FName, FromUtf8(zip_error_strerror(zip_source_error(FSource))));
    return bytes;
  }

  // Adds a file (read in blocks when the archive is closed) or a block of
  // memory (not copied) under `name`.
  zip_int64_t AddFile(const std::string& name, zip_flags_t flags, const std::wstring& fileName) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_win32w_create(fileName.c_str(), 0, -1, &error);
    if (source == nullptr) Fail(&error);
    return Add(name, flags, source);
  }
  zip_int64_t AddData(const std::string& name, zip_flags_t flags, const void* data, std::size_t size) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(data, size, 0, &error);
    if (source == nullptr) Fail(&error);
    return Add(name, flags, source);
  }

  void SetCompression(zip_int64_t index, int method) {
    if (zip_set_file_compression(FZip, static_cast<zip_uint64_t>(index), method, 0) < 0) Fail();
  }

private:
  void Open(zip_source_t* source, int flags) {
    zip_error_t error;
    zip_error_init(&error);
    FZip = zip_open_from_source(source, flags, &error);
    if (FZip == nullptr) {
      if (source != FSource) zip_source_free(source);
      Fail(&error);
    }
  }

  zip_int64_t Add(const std::string& name, zip_flags_t flags, zip_source_t* source) {
    const zip_int64_t index = zip_file_add(FZip, name.c_str(), source, flags);
    if (index < 0) {
      zip_source_free(source);
      Fail();
    }
    return index;
  }

  std::wstring FName;
  zip_t* FZip = nullptr;
  zip_source_t* FSource = nullptr;  // kept: the in-memory archive being written
  std::unique_ptr<TStreamSource> FStream;
};

}  // namespace ZipDetail

using ZipDetail::TArchive;

namespace {

// The stored bytes and flags of an entry name: UTF-8, or with `ansi` code
// page 437 when it holds the name exactly.
std::string EncodeName(const std::wstring& name, bool ansi, zip_flags_t& flags) {
  if (ansi) {
    try {
      std::string bytes = Rtl::WideToCodePage(name, 437, Rtl::icRaise);
      flags = ZIP_FL_ENC_CP437;
      return bytes;
    } catch (const Rtl::EConvertError&) {
      // Not in code page 437: flagged UTF-8 rather than a garbled name.
    }
  }
  flags = ZIP_FL_ENC_UTF_8;
  return ToUtf8(name);
}

// Reads entry `index` in blocks into `sink`, with the checks against bombs
// and forged headers: at most `limit` bytes (what is left of the limit
// `shownLimit` that the message names), the entry's declared size, `ratio`
// times its compressed size, and the CRC (checked by libzip at the end).
template <class TSink>
void ReadEntry(const TArchive& archive, zip_uint64_t index, std::int64_t limit, std::int64_t shownLimit,
               std::int64_t ratio, TSink&& sink) {
  zip_t* zip = archive.Zip();
  zip_stat_t stat;
  if (zip_stat_index(zip, index, 0, &stat) < 0) archive.Fail();
  const std::wstring name = FromUtf8(stat.name);
  const std::uint64_t declared = (stat.valid & ZIP_STAT_SIZE) ? stat.size : 0;
  const std::uint64_t compressed = (stat.valid & ZIP_STAT_COMP_SIZE) ? stat.comp_size : declared;
  const std::uint64_t ratioLimit =
      compressed > UINT64_MAX / static_cast<std::uint64_t>(ratio) ? UINT64_MAX : compressed * static_cast<std::uint64_t>(ratio);
  if (declared > ratioLimit) RaiseEntry(SZipRatioLimit, name, ratio);
  if (limit < 0) limit = 0;
  if (declared > static_cast<std::uint64_t>(limit)) RaiseEntry(SZipExtractLimit, name, shownLimit);
  zip_file_t* file = zip_fopen_index(zip, index, 0);
  if (file == nullptr) throw EZipException(Rtl::Format(Rtl::LoadResString(SZipEntryError), {name, FromUtf8(zip_strerror(zip))}));
  struct TCloser {
    zip_file_t* File;
    ~TCloser() { zip_fclose(File); }
  } closer{file};
  std::vector<std::uint8_t> block(BLOCK_C);
  std::uint64_t produced = 0;
  while (true) {
    const zip_int64_t read = zip_fread(file, block.data(), block.size());
    if (read < 0)
      throw EZipException(
          Rtl::Format(Rtl::LoadResString(SZipEntryError), {name, FromUtf8(zip_error_strerror(zip_file_get_error(file)))}));
    if (read == 0) break;
    produced += static_cast<std::uint64_t>(read);
    if (produced > declared) RaiseEntry(SZipSizeMismatch, name);
    if (produced > ratioLimit) RaiseEntry(SZipRatioLimit, name, ratio);
    if (produced > static_cast<std::uint64_t>(limit)) RaiseEntry(SZipExtractLimit, name, shownLimit);
    sink(block.data(), static_cast<std::size_t>(read));
  }
  if (produced != declared) RaiseEntry(SZipSizeMismatch, name);
}

// Extracts entry `index` to `target`: written to a new file beside it and
// renamed over it when complete; the partial file goes on failure.
void ExtractToFile(const TArchive& archive, zip_uint64_t index, const std::wstring& target, std::int64_t limit,
                   std::int64_t shownLimit, std::int64_t ratio) {
  TFile::CreateDir(Rtl::ExtractFileDir(target));
  const std::wstring part = TFile::GetTempFileName(L"qd", L".part", Rtl::ExtractFileDir(target));
  if (part.empty()) throw Rtl::EFCreateError(Rtl::Format(Rtl::LoadResString(Rtl::SFCreateError), {target, Rtl::SysErrorMessage(GetLastError())}));
  TFileRemover remover(part);
  {
    Rtl::TFileStream stream(part, Rtl::fmCreate);
    ReadEntry(archive, index, limit, shownLimit, ratio, [&](const std::uint8_t* data, std::size_t size) {
      stream.WriteBuffer(data, static_cast<int>(size));
    });
  }
  if (!MoveFileExW(part.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING))
    throw Rtl::EFCreateError(Rtl::Format(Rtl::LoadResString(Rtl::SFCreateError), {target, Rtl::SysErrorMessage(GetLastError())}));
  remover.Release();
}

}  // namespace

// --- TQdZipEnumerator ------------------------------------------------------------

bool TQdZipEnumerator::MoveNext() {
  if (FZip == nullptr || FIndex + 1 >= FZip->GetCount()) return false;
  ++FIndex;
  return true;
}

std::wstring TQdZipEnumerator::GetCurrent() const { return FZip->GetFileName(FIndex); }

// --- TQdZip ------------------------------------------------------------------------

TQdZip::TQdZip() = default;

TQdZip::~TQdZip() {
  // Only directories that this object made: never one the caller named.
  for (const std::wstring& dir : FTempDirs) {
    try {
      TFile::RemoveDir(dir, true);
    } catch (...) {
    }
  }
}

TArchive& TQdZip::Archive() const {
  if (FZip == nullptr) throw EZipException(Rtl::LoadResString(SZipNotLoaded));
  return *FZip;
}

void TQdZip::Loaded() {
  const zip_int64_t count = zip_get_num_entries(FZip->Zip(), 0);
  if (count > FMaxEntries) {
    FZip.reset();
    throw EZipException(Rtl::Format(Rtl::LoadResString(SZipTooManyEntries), {Rtl::IntToStr(FMaxEntries)}));
  }
  // One flag per entry of this archive: flags of an earlier one would
  // select the wrong entries.
  FSelected.assign(static_cast<std::size_t>(count), true);
}

void TQdZip::Load(const std::wstring& fileName) {
  FZip.reset();
  FSelected.clear();
  FZip = TArchive::OpenFile(fileName, ZIP_RDONLY | ZIP_CHECKCONS);
  Loaded();
}

void TQdZip::Load(Rtl::TStream& stream) {
  FZip.reset();
  FSelected.clear();
  FZip = TArchive::OpenStream(stream);
  Loaded();
}

void TQdZip::LoadData(const Rtl::TBytes& data) {
  FZip.reset();
  FSelected.clear();
  FZip = TArchive::OpenBuffer(data.data(), data.size(), false);
  Loaded();
}

int TQdZip::GetCount() const { return static_cast<int>(FSelected.size()); }

void TQdZip::CheckIndex(int index) const {
  if (index < 0 || index >= GetCount())
    throw Rtl::EListError(Rtl::Format(Rtl::LoadResString(Rtl::SListIndexError), {index}));
}

std::wstring TQdZip::GetRawName(int index) const {
  CheckIndex(index);
  const char* name = zip_get_name(Archive().Zip(), static_cast<zip_uint64_t>(index), ZIP_FL_ENC_GUESS);
  if (name == nullptr) Archive().Fail();
  return FromUtf8(name);
}

void TQdZip::CheckName(int index) const {
  const std::wstring raw = GetRawName(index);
  CheckEntryName(GetFileName(index), raw);
  // Code page 437 shows control bytes as symbols: the stored bytes are
  // checked too.
  const char* stored = zip_get_name(Archive().Zip(), static_cast<zip_uint64_t>(index), ZIP_FL_ENC_RAW);
  for (const char* c = stored; c != nullptr && *c != '\0'; ++c)
    if (static_cast<unsigned char>(*c) < 0x20) RaiseEntry(SZipUnsafeName, raw);
}

std::wstring TQdZip::GetFileName(int index) const {
  std::wstring name = GetRawName(index);
  if (!name.empty() && name.back() == L'/') name.pop_back();
  return BackSlashes(name);
}

int TQdZip::GetCompressionMethod(int index) const {
  CheckIndex(index);
  zip_stat_t stat;
  if (zip_stat_index(Archive().Zip(), static_cast<zip_uint64_t>(index), 0, &stat) < 0) Archive().Fail();
  // libzip reports AES entries by their encryption method; the header's
  // method field holds 99 for them.
  if ((stat.valid & ZIP_STAT_ENCRYPTION_METHOD) &&
      (stat.encryption_method == ZIP_EM_AES_128 || stat.encryption_method == ZIP_EM_AES_192 ||
       stat.encryption_method == ZIP_EM_AES_256))
    return ZIP_METHOD_AES_C;
  return (stat.valid & ZIP_STAT_COMP_METHOD) ? stat.comp_method : 0;
}

bool TQdZip::GetSelected(int index) const {
  CheckIndex(index);
  return FSelected[static_cast<std::size_t>(index)];
}

void TQdZip::SetSelected(int index, bool value) {
  CheckIndex(index);
  FSelected[static_cast<std::size_t>(index)] = value;
}

int TQdZip::Locate(const std::wstring& fileName) const {
  const std::wstring wanted = BackSlashes(fileName);
  for (int i = 0; i < GetCount(); ++i)
    if (Rtl::AsciiSameText(GetFileName(i), wanted)) return i;
  return -1;
}

void TQdZip::ExtractEntry(int index, const std::wstring& destination, bool createSubDirs, std::int64_t& budget,
                          std::wstring* path) {
  const std::wstring raw = GetRawName(index);
  const bool isDir = !raw.empty() && raw.back() == L'/';
  std::wstring name = GetFileName(index);
  CheckName(index);
  if (!createSubDirs) {
    if (isDir) return;
    name = Rtl::ExtractFileName(name);
  }
  const std::wstring target = ResolveEntryPath(destination, name, raw);
  if (path != nullptr) *path = target;
  if (isDir) {
    TFile::CreateDir(target);
    return;
  }
  std::int64_t written = 0;
  // The budget is what is left of the call's limit; the ratio and size
  // checks come with the read.
  ExtractToFile(*FZip, static_cast<zip_uint64_t>(index), target, budget, FMaxExtractBytes, FMaxRatio);
  written = TFile::GetFileSize(target);
  budget -= std::max<std::int64_t>(0, written);
}

std::wstring TQdZip::Extract(const std::wstring& fileName, const std::wstring& destionationDir) {
  const int index = Locate(fileName);
  if (index < 0) throw EZipException(Rtl::Format(Rtl::LoadResString(SZipEntryNotFound), {fileName}));
  std::int64_t budget = FMaxExtractBytes;
  std::wstring path;
  ExtractEntry(index, destionationDir, true, budget, &path);
  return path;
}

std::wstring TQdZip::ExtractToTempDir(const std::wstring& fileName, const std::wstring& tempDirName) {
  if (FDestionationDir.empty()) {
    FDestionationDir = TFile::GetTempDir(tempDirName, true);
    FTempDirs.push_back(FDestionationDir);
    FDeleteDestionationDir = true;
  }
  return Extract(fileName, FDestionationDir);
}

void TQdZip::ExtractAll(const std::wstring& destionationDir, bool createSubDirs) {
  Archive();
  FDestionationDir = destionationDir;
  // A directory the caller named is never removed by this object, also
  // after an extraction into a temporary one.
  FDeleteDestionationDir = false;
  TFile::CreateDir(destionationDir);
  // Every name is checked before anything is written.
  for (int i = 0; i < GetCount(); ++i)
    if (FSelected[static_cast<std::size_t>(i)]) CheckName(i);
  std::int64_t budget = FMaxExtractBytes;
  for (int i = 0; i < GetCount(); ++i)
    if (FSelected[static_cast<std::size_t>(i)]) ExtractEntry(i, destionationDir, createSubDirs, budget, nullptr);
}

std::wstring TQdZip::ExtractAllToTempDir(const std::wstring& tempDirName, bool createSubDirs) {
  const std::wstring dir = TFile::GetTempDir(tempDirName, true);
  FTempDirs.push_back(dir);
  ExtractAll(dir, createSubDirs);
  FDeleteDestionationDir = true;
  return dir;
}

Rtl::TBytes TQdZip::ExtractToBytes(int index) {
  CheckIndex(index);
  Rtl::TBytes bytes;
  ReadEntry(Archive(), static_cast<zip_uint64_t>(index), FMaxDataBytes, FMaxDataBytes, FMaxRatio,
            [&](const std::uint8_t* data, std::size_t size) { bytes.insert(bytes.end(), data, data + size); });
  return bytes;
}

void TQdZip::ExtractToStream(int index, Rtl::TStream& stream) {
  CheckIndex(index);
  ReadEntry(Archive(), static_cast<zip_uint64_t>(index), FMaxExtractBytes, FMaxExtractBytes, FMaxRatio,
            [&](const std::uint8_t* data, std::size_t size) { stream.WriteBuffer(data, static_cast<int>(size)); });
}

void TQdZip::ReportProgress(double percent, bool& cancel) {
  if (FOnProgress) FOnProgress(this, std::min(percent, 100.0), cancel);
}

void TQdZip::ZipDir(const std::wstring& zipFile, const std::wstring& rootDir) {
  const int fileCount = TQdDirectory::GetFileCount(rootDir, L"*.*", true);
  const std::wstring archiveName = FullPath(zipFile);
  TFile::CreateDir(Rtl::ExtractFileDir(archiveName));
  // An existing archive is replaced only when the new one is complete, so
  // a cancelled or failed run leaves it as it was.
  const bool exists = GetFileAttributesW(archiveName.c_str()) != INVALID_FILE_ATTRIBUTES;
  auto archive = TArchive::OpenFile(archiveName, ZIP_CREATE | ((FDeleteExisting || !exists) ? ZIP_TRUNCATE : ZIP_CHECKCONS));
  const bool ansi = FOptions.Contains(zoAnsiNames);
  const bool unix = FOptions.Contains(zoUnixNames);
  const std::wstring root = Rtl::IncludeTrailingPathDelimiter(FullPath(rootDir));
  int counter = 0;
  bool cancel = false;

  auto entryName = [&](const std::wstring& path) {
    std::wstring name = TFile::GetRelativePath(path, root);
    return unix ? ForwardSlashes(name) : name;
  };
  // The names there are, ASCII letters folded (libzip's own search without
  // case is a scan of all entries: quadratic for a large tree).
  std::unordered_set<std::string> names;
  auto folded = [](std::string name) {
    for (char& c : name)
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return name;
  };
  const zip_int64_t existing = zip_get_num_entries(archive->Zip(), 0);
  for (zip_int64_t i = 0; i < existing; ++i) {
    const char* name = zip_get_name(archive->Zip(), static_cast<zip_uint64_t>(i), ZIP_FL_ENC_RAW);
    if (name != nullptr) names.insert(folded(name));
  }
  // True when the name was there; it is there afterwards.
  auto located = [&](const std::string& name) { return !names.insert(folded(name)).second; };

  std::function<void(const std::wstring&)> process = [&](const std::wstring& dir) {
    Rtl::TStringList files;
    TQdDirectory::GetFiles(dir, L"*.*", files, false);
    for (int i = 0; i < files.Count() && !cancel; ++i) {
      const std::wstring fileName = files[i];
      int compression = ZIP_METHOD_DEFLATED_C;
      bool skip = false;
      if (FOnFile) FOnFile(fileName, compression, skip);
      if (!skip && !Rtl::AsciiSameText(FullPath(fileName), archiveName)) {
        zip_flags_t flags = 0;
        const std::string name = EncodeName(entryName(fileName), ansi, flags);
        if (!located(name)) archive->SetCompression(archive->AddFile(name, flags, fileName), compression);
      }
      if (fileCount > 0) ReportProgress(static_cast<double>(counter * 100 / fileCount), cancel);
      ++counter;
    }
    if (!FSubDirs || cancel) return;
    Rtl::TStringList dirs;
    TQdDirectory::GetSubDirs(dir, dirs);
    const std::wstring dirFinal = TFile::GetFinalPath(dir);
    for (int i = 0; i < dirs.Count() && !cancel; ++i) {
      const std::wstring sub = Rtl::IncludeTrailingPathDelimiter(dir) + dirs[i];
      // Never into a link: the walk stays inside the tree.
      const DWORD attributes = GetFileAttributesW(sub.c_str());
      if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) continue;
      const std::wstring final = TFile::GetFinalPath(sub);
      if (final.empty() || !Rtl::SameFileName(final, Rtl::IncludeTrailingPathDelimiter(dirFinal) + dirs[i])) continue;
      // An empty folder is kept as a directory entry.
      if (TQdDirectory::IsEmpty(sub)) {
        zip_flags_t flags = 0;
        const std::string name = EncodeName(ForwardSlashes(entryName(sub)) + L"/", ansi, flags);
        if (!located(name) && zip_dir_add(archive->Zip(), name.c_str(), flags) < 0) archive->Fail();
      }
      process(sub);
    }
  };
  process(root);
  if (cancel) return;  // the archive goes unwritten: the old one stays
  archive->Commit();
  ReportProgress(100, cancel);
}

// --- Class-level operations ----------------------------------------------------------

int TQdZip::GetFileCount(const std::wstring& fileName) {
  TQdZip zip;
  zip.Load(fileName);
  return zip.GetCount();
}

std::wstring TQdZip::UnzipAll(const std::wstring& zipFile, const std::wstring& tempDirName) {
  TQdZip zip;
  zip.Load(zipFile);
  const std::wstring dir = TFile::GetTempDir(tempDirName, true);
  zip.ExtractAll(dir, true);
  return dir;
}

std::wstring TQdZip::UnzipAll(Rtl::TStream& stream, const std::wstring& tempDirName) {
  TQdZip zip;
  zip.Load(stream);
  const std::wstring dir = TFile::GetTempDir(tempDirName, true);
  zip.ExtractAll(dir, true);
  return dir;
}

std::wstring TQdZip::UnzipAllData(const Rtl::TBytes& data, const std::wstring& tempDirName) {
  TQdMemoryStream stream(data);
  stream.SeekToBeginning();
  return UnzipAll(stream, tempDirName);
}

namespace {

bool UnzipFirst(TQdZip& zip, const std::wstring& destinationFileName) {
  if (zip.GetCount() == 0) return false;
  zip.ExtractTo(0, destinationFileName);
  return true;
}

}  // namespace

void TQdZip::ExtractTo(int index, const std::wstring& fileName) {
  CheckIndex(index);
  ExtractToFile(Archive(), static_cast<zip_uint64_t>(index), FullPath(fileName), FMaxExtractBytes, FMaxExtractBytes, FMaxRatio);
}

bool TQdZip::UnzipSingleFile(const std::wstring& zipFile, const std::wstring& destinationFileName) {
  TQdZip zip;
  zip.Load(zipFile);
  return UnzipFirst(zip, destinationFileName);
}

bool TQdZip::UnzipSingleFile(Rtl::TStream& stream, const std::wstring& destinationFileName) {
  TQdZip zip;
  zip.Load(stream);
  return UnzipFirst(zip, destinationFileName);
}

bool TQdZip::UnzipFile(const std::wstring& zipFile, const std::wstring& fileName,
                       const std::wstring& destinationFileName) {
  TQdZip zip;
  zip.Load(zipFile);
  const int index = zip.Locate(fileName);
  if (index < 0) return false;
  zip.ExtractTo(index, destinationFileName);
  return true;
}

std::wstring TQdZip::UnzipFile(const std::wstring& zipFile, const std::wstring& fileName) {
  TQdZip zip;
  zip.Load(zipFile);
  const int index = zip.Locate(fileName);
  if (index < 0) return L"";
  const std::wstring name = Rtl::ExtractFileName(BackSlashes(fileName));
  CheckEntryName(name, fileName);
  const std::wstring target = TFile::GetTempDir() + name;
  zip.ExtractTo(index, target);
  return target;
}

Rtl::TBytes TQdZip::ZipData(const Rtl::TBytes& data, const std::wstring& archiveFileName) {
  auto archive = TArchive::OpenBuffer(nullptr, 0, true);
  zip_flags_t flags = 0;
  const std::string name = EncodeName(archiveFileName.empty() ? L"payload.dat" : ForwardSlashes(archiveFileName), false, flags);
  archive->SetCompression(archive->AddData(name, flags, data.data(), data.size()), ZIP_METHOD_DEFLATED_C);
  archive->Commit();
  return archive->WrittenBytes();
}

Rtl::TBytes TQdZip::UnzipData(const Rtl::TBytes& data) {
  if (data.empty()) return {};
  TQdZip zip;
  zip.LoadData(data);
  if (zip.GetCount() == 0) return {};
  return zip.ExtractToBytes(0);
}

void TQdZip::ZipFiles(const std::wstring& zipFile, const Rtl::TStringList& fileNames, const std::wstring& rootDir) {
  const std::wstring archiveName = FullPath(zipFile);
  const bool exists = GetFileAttributesW(archiveName.c_str()) != INVALID_FILE_ATTRIBUTES;
  auto archive = TArchive::OpenFile(archiveName, ZIP_CREATE | (exists ? ZIP_CHECKCONS : ZIP_TRUNCATE));
  for (int i = 0; i < fileNames.Count(); ++i) {
    const std::wstring& fileName = fileNames[i];
    const std::wstring entry = rootDir.empty() ? Rtl::ExtractFileName(fileName) : TFile::GetRelativePath(fileName, rootDir);
    zip_flags_t flags = 0;
    // "/" is the format's separator; a second entry of a name replaces the
    // first.
    const std::string name = EncodeName(ForwardSlashes(entry), false, flags);
    archive->SetCompression(archive->AddFile(name, flags | ZIP_FL_OVERWRITE, fileName), ZIP_METHOD_DEFLATED_C);
  }
  archive->Commit();
}

Rtl::TBytes TQdZip::ZipFiles(const Rtl::TStringList& fileNames, const std::wstring& rootDir) {
  const std::wstring zipFile = TFile::GetTempFileName(L"qd", L".zip", L"");
  TFileRemover remover(zipFile);
  ZipFiles(zipFile, fileNames, rootDir);
  if (GetFileAttributesW(zipFile.c_str()) == INVALID_FILE_ATTRIBUTES) return {};  // no entries: no archive
  return TFile::FileToBytes(zipFile);
}

void TQdZip::ZipFile(const std::wstring& zipFile, const std::wstring& fileName, const std::wstring& rootDir) {
  Rtl::TStringList fileNames;
  fileNames.Add(fileName);
  ZipFiles(zipFile, fileNames, rootDir);
}

void TQdZip::ZipDir(const std::wstring& zipFile, const std::wstring& rootDir, bool subDirs, bool deleteExisting,
                    TQdZipOptions options, TQdZipFileEvent onFile, TPercentProgressEvent onProgress) {
  TQdZip zip;
  zip.SetSubDirs(subDirs);
  zip.SetDeleteExisting(deleteExisting);
  zip.SetOptions(options);
  zip.SetOnFile(std::move(onFile));
  zip.SetOnProgress(std::move(onProgress));
  zip.ZipDir(zipFile, rootDir);
}

bool TQdZip::IsZipFile(const std::wstring& filename) {
  const DWORD attributes = GetFileAttributesW(filename.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
  Rtl::TFileStream stream(filename, Rtl::fmOpenRead | Rtl::fmShareDenyNone);
  return IsZipStream(stream);
}

bool TQdZip::IsZipStream(Rtl::TStream& stream) { return TFile::CheckStamp(stream, Rtl::RawByteString("PK"), 0); }

bool TQdZip::IsZipData(const Rtl::TBytes& data) { return data.size() > 2 && data[0] == 'P' && data[1] == 'K'; }

bool TQdZip::IsEncrypted(int generalPurposeFlag, int compressionMethod) {
  return (generalPurposeFlag & 1) != 0 || compressionMethod == ZIP_METHOD_AES_C;
}

}  // namespace Qd
