// One language of the translation set: the header of its image, its lookups
// and enumerations, and the stream helpers that read the formats' values.
//
// The image's bytes are in memory (the container's, shared, or the language
// file's own); every lookup reads them through TBytesView, which checks each
// position and length against the bytes that are there before reading and
// raises "Invalid stream format" when a table, entry or text would end past
// them.
#include <algorithm>
#include <cstring>
#include <limits>

#include "QdResource.h"
#include "runtime/Core/Exceptions.h"
#include "runtime/IO/Files.h"
#include "runtime/IO/Streams.h"
#include "runtime/Text/CodePage.h"
#include "runtime/Text/StringList.h"

namespace Qd {

namespace {

[[noreturn]] void RaiseInvalidImage() { throw Rtl::EInvalidImage(Rtl::LoadResString(Rtl::SInvalidImage)); }

// The bytes of a memory stream, read at absolute positions with checks.
class TBytesView {
public:
  explicit TBytesView(Rtl::TMemoryStream& stream) : FData(stream.Memory()), FSize(stream.Size()) {}

  // `length` bytes at `position` lie inside the bytes.
  void Need(std::int64_t position, std::int64_t length) const {
    if (position < 0 || length < 0 || position > FSize || length > FSize - position) RaiseInvalidImage();
  }
  const std::uint8_t* At(std::int64_t position, std::int64_t length) const {
    Need(position, length);
    return FData + position;
  }
  std::int32_t Int32(std::int64_t position) const {
    const std::uint8_t* p = At(position, 4);
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
                                     static_cast<std::uint32_t>(p[2]) << 16 |
                                     static_cast<std::uint32_t>(p[3]) << 24);
  }
  // An int32 that is a count, offset or length: negative is invalid.
  std::int32_t Count(std::int64_t position) const {
    const std::int32_t value = Int32(position);
    if (value < 0) RaiseInvalidImage();
    return value;
  }
  std::uint16_t Word(std::int64_t position) const {
    const std::uint8_t* p = At(position, 2);
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
  }
  // `units` UTF-16LE code units.
  std::wstring Utf16(std::int64_t position, std::int64_t units) const {
    const std::uint8_t* p = At(position, units * 2);
    std::wstring text(static_cast<std::size_t>(units), L'\0');
    for (std::size_t i = 0; i < text.size(); ++i) text[i] = static_cast<wchar_t>(p[2 * i] | p[2 * i + 1] << 8);
    return text;
  }
  // A text record (uint16 count, code units); `end` receives the position
  // behind it.
  std::wstring Record(std::int64_t position, std::int64_t& end) const {
    const std::uint16_t units = Word(position);
    end = position + 2 + 2 * static_cast<std::int64_t>(units);
    return Utf16(position + 2, units);
  }
  std::wstring Record(std::int64_t position) const {
    std::int64_t end = 0;
    return Record(position, end);
  }
  bool SameBytes(std::int64_t position, const char* text, std::int64_t length) const {
    return std::memcmp(At(position, length), text, static_cast<std::size_t>(length)) == 0;
  }

  std::unique_ptr<Rtl::TMemoryStream> Copy(std::int64_t position, std::int64_t size) const {
    const std::uint8_t* p = At(position, size);
    auto result = std::make_unique<Rtl::TMemoryStream>();
    if (size > 0) result->WriteBuffer(p, static_cast<int>(size));
    result->SetPosition(0);
    return result;
  }

private:
  const std::uint8_t* FData;
  std::int64_t FSize;
};

// The bytes left in a stream from its position, for the stream helpers.
void NeedInStream(Rtl::TStream& stream, std::int64_t length) {
  if (length < 0 || length > stream.Size() - stream.Position()) RaiseInvalidImage();
}

// Restores a stream's position when it goes.
class TKeepPosition {
public:
  explicit TKeepPosition(Rtl::TStream& stream) : FStream(stream), FPosition(stream.Position()) {}
  ~TKeepPosition() { FStream.SetPosition(FPosition); }
  TKeepPosition(const TKeepPosition&) = delete;
  TKeepPosition& operator=(const TKeepPosition&) = delete;

private:
  Rtl::TStream& FStream;
  std::int64_t FPosition;
};

}  // namespace

// --- TStreamHelper -----------------------------------------------------------------

Rtl::TBytes TStreamHelper::ReadBytes(Rtl::TStream& stream, std::int32_t length) {
  NeedInStream(stream, length);
  Rtl::TBytes bytes(static_cast<std::size_t>(length));
  stream.ReadBuffer(bytes.data(), length);
  return bytes;
}

std::wstring TStreamHelper::ReadAnsi(Rtl::TStream& stream, std::int32_t length) {
  const Rtl::TBytes bytes = ReadBytes(stream, length);
  return Rtl::CodePageToWide(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
                             Rtl::CODE_PAGE_ANSI_C);
}

std::wstring TStreamHelper::ReadAnsi(Rtl::TStream& stream, std::int64_t offset, std::int32_t length) {
  const TKeepPosition keep(stream);
  if (offset < 0 || offset > stream.Size()) RaiseInvalidImage();
  stream.SetPosition(offset);
  return ReadAnsi(stream, length);
}

std::wstring TStreamHelper::ReadString(Rtl::TStream& stream) { return ReadString(stream, ReadWord(stream)); }

std::wstring TStreamHelper::ReadString(Rtl::TStream& stream, std::int32_t length) {
  if (length < 0) RaiseInvalidImage();
  const Rtl::TBytes bytes = ReadBytes(stream, length * 2);
  std::wstring text(static_cast<std::size_t>(length), L'\0');
  for (std::size_t i = 0; i < text.size(); ++i)
    text[i] = static_cast<wchar_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
  return text;
}

std::wstring TStreamHelper::ReadString(Rtl::TStream& stream, std::int64_t offset, std::int32_t length) {
  const TKeepPosition keep(stream);
  if (offset < 0 || offset > stream.Size()) RaiseInvalidImage();
  stream.SetPosition(offset);
  return ReadString(stream, length);
}

std::uint16_t TStreamHelper::ReadWord(Rtl::TStream& stream) {
  const Rtl::TBytes bytes = ReadBytes(stream, 2);
  return static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8);
}

std::int32_t TStreamHelper::ReadInt32(Rtl::TStream& stream) {
  const Rtl::TBytes bytes = ReadBytes(stream, 4);
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
                                   static_cast<std::uint32_t>(bytes[2]) << 16 |
                                   static_cast<std::uint32_t>(bytes[3]) << 24);
}

std::shared_ptr<Rtl::TMemoryStream> TStreamHelper::ReadAll(Rtl::TStream& stream) {
  const std::int64_t size = stream.Size();
  if (size < 0 || size > QDRES_MAX_FILE_SIZE_C) RaiseInvalidImage();
  auto result = std::make_shared<Rtl::TMemoryStream>();
  result->SetSize(size);
  stream.SetPosition(0);
  std::int64_t done = 0;
  while (done < size) {
    const int n = stream.Read(result->Memory() + done, static_cast<int>(size - done));
    if (n <= 0) break;
    done += n;
  }
  result->SetSize(done);  // a stream that delivered less is that much shorter
  result->SetPosition(0);
  return result;
}

// --- TQdDelphiResource -------------------------------------------------------------

TQdDelphiResource::TQdDelphiResource(std::wstring id, std::shared_ptr<Rtl::TMemoryStream> stream,
                                     std::int32_t offset)
    : FStream(std::move(stream)), FId(std::move(id)) {
  SetOffset(offset);
}

TQdDelphiResource::TQdDelphiResource(std::wstring id, std::wstring fileName)
    : FFileName(std::move(fileName)), FId(std::move(id)) {}

TQdDelphiResource::TQdDelphiResource(std::wstring id, std::shared_ptr<Rtl::TMemoryStream> stream)
    : FStream(std::move(stream)), FId(std::move(id)) {}

Rtl::TStream* TQdDelphiResource::GetStream() const { return FStream.get(); }

void TQdDelphiResource::SetOffset(std::int32_t value) {
  FOffset = value;
  ReadHeader();
}

void TQdDelphiResource::ReadHeader() {
  if (!FStream) return;
  const TBytesView view(*FStream);
  const std::int64_t base = FOffset;
  if (base < 0) RaiseInvalidImage();
  view.Need(base, 4);
  // The header is read whole and checked before anything is kept: a
  // header that fails leaves the language empty.
  TQdDelphiResource read(FId, FStream);
  if (view.SameBytes(base, QDLANG1_MAGIC_C, 4)) {
    read.FVersion = nr1;
    read.FFormCount = view.Count(base + 4);
    read.FStringGroupCount = view.Count(base + 8);
    read.FResourceCount = view.Count(base + 12);
    read.FFormNameOffset = base + 16;
    read.FStringGroupNameOffset = read.FFormNameOffset + 16 * static_cast<std::int64_t>(read.FFormCount);
    read.FResourceNameOffset = read.FStringGroupNameOffset + 16 * static_cast<std::int64_t>(read.FStringGroupCount);
    view.Need(read.FResourceNameOffset, 16 * static_cast<std::int64_t>(read.FResourceCount));
  } else if (view.SameBytes(base, QDLANG2_MAGIC_C, 4)) {
    view.Need(base, 48);
    const auto version = static_cast<std::uint8_t>(view.Int32(base + 4) & 0xFF);
    // The low byte 1 would select the layout-1 tables, which this header
    // doesn't have.
    if (version == nr1) RaiseInvalidImage();
    read.FVersion = static_cast<TQdResourceVersion>(version);
    const std::uint8_t* id = view.At(base + 8, LANG_ID_LENGTH_C);
    for (int i = 0; i < LANG_ID_LENGTH_C && id[i] != 0; ++i) read.FLangId.push_back(static_cast<wchar_t>(id[i]));
    read.FWin32StringCount = view.Count(base + 24);
    read.FWin64StringCount = view.Count(base + 28);
    read.FSymbolStringCount = view.Count(base + 32);
    read.FStringCount = view.Int32(base + 36);  // kept, not used
    read.FFormCount = view.Count(base + 40);
    read.FResourceCount = view.Count(base + 44);
    read.FWin32IndexOffset = base + 48;
    read.FWin64IndexOffset = read.FWin32IndexOffset + 4 * static_cast<std::int64_t>(read.FWin32StringCount);
    read.FSymbolIndexOffset = read.FWin64IndexOffset + 4 * static_cast<std::int64_t>(read.FWin64StringCount);
    read.FFormIndexOffset = read.FSymbolIndexOffset + 4 * static_cast<std::int64_t>(read.FSymbolStringCount);
    read.FResourceIndexOffset = read.FFormIndexOffset + 4 * static_cast<std::int64_t>(read.FFormCount);
    view.Need(read.FResourceIndexOffset, 4 * static_cast<std::int64_t>(read.FResourceCount));
  } else {
    RaiseInvalidImage();
  }
  FVersion = read.FVersion;
  FLangId = std::move(read.FLangId);
  FFormCount = read.FFormCount;
  FResourceCount = read.FResourceCount;
  FFormNameOffset = read.FFormNameOffset;
  FStringGroupCount = read.FStringGroupCount;
  FStringGroupNameOffset = read.FStringGroupNameOffset;
  FResourceNameOffset = read.FResourceNameOffset;
  FWin32StringCount = read.FWin32StringCount;
  FWin64StringCount = read.FWin64StringCount;
  FSymbolStringCount = read.FSymbolStringCount;
  FStringCount = read.FStringCount;
  FWin32IndexOffset = read.FWin32IndexOffset;
  FWin64IndexOffset = read.FWin64IndexOffset;
  FSymbolIndexOffset = read.FSymbolIndexOffset;
  FFormIndexOffset = read.FFormIndexOffset;
  FResourceIndexOffset = read.FResourceIndexOffset;
}

void TQdDelphiResource::CheckStream() {
  if (FFileChecked || FFileName.empty() || FStream) return;
  // Tried once: a file that is gone or isn't an image leaves the language
  // empty for every later lookup.
  FFileChecked = true;
  if (!Rtl::FileExists(FFileName)) return;
  std::shared_ptr<Rtl::TMemoryStream> data;
  {
    Rtl::TFileStream file(FFileName, Rtl::fmOpenRead | Rtl::fmShareDenyWrite);
    data = TStreamHelper::ReadAll(file);
  }
  FStream = std::move(data);
  FOffset = 0;
  ReadHeader();
}

// Layout 1: a name table of {offset, byteLength} and a data table of
// {offset, size} behind it, searched from the start. Layout 2: an index of
// entry offsets, sorted by name; an entry is a text record and an int32 size
// before its data.
std::unique_ptr<Rtl::TMemoryStream> TQdDelphiResource::FindData(std::int64_t nameTable, std::int64_t indexTable,
                                                                std::int32_t count, const std::wstring& name) {
  const TBytesView view(*FStream);
  const std::int64_t base = FOffset;
  if (FVersion == nr1) {
    const std::int64_t dataTable = nameTable + 8 * static_cast<std::int64_t>(count);
    for (std::int32_t i = 0; i < count; ++i) {
      const std::int64_t entry = nameTable + 8 * static_cast<std::int64_t>(i);
      const std::int32_t offset = view.Count(entry);
      const std::int32_t byteLength = view.Count(entry + 4);
      if (view.Utf16(base + offset, byteLength / 2) != name) continue;
      const std::int64_t data = dataTable + 8 * static_cast<std::int64_t>(i);
      return view.Copy(base + view.Count(data), view.Count(data + 4));
    }
    return nullptr;
  }
  std::int32_t low = 0;
  std::int32_t high = count - 1;
  while (low <= high) {
    const std::int32_t mid = low + (high - low) / 2;
    const std::int64_t entry = base + view.Count(indexTable + 4 * static_cast<std::int64_t>(mid));
    std::int64_t end = 0;
    const std::wstring entryName = view.Record(entry, end);
    const int order = entryName.compare(name);
    if (order == 0) return view.Copy(end + 4, view.Count(end));
    if (order < 0)
      low = mid + 1;
    else
      high = mid - 1;
  }
  return nullptr;
}

void TQdDelphiResource::GetNames(std::int64_t nameTable, std::int64_t indexTable, std::int32_t count,
                                 Rtl::TStringList& names) {
  const TBytesView view(*FStream);
  const std::int64_t base = FOffset;
  for (std::int32_t i = 0; i < count; ++i) {
    if (FVersion == nr1) {
      const std::int64_t entry = nameTable + 8 * static_cast<std::int64_t>(i);
      const std::int32_t offset = view.Count(entry);
      names.Add(view.Utf16(base + offset, view.Count(entry + 4) / 2));
    } else {
      names.Add(view.Record(base + view.Count(indexTable + 4 * static_cast<std::int64_t>(i))));
    }
  }
}

void TQdDelphiResource::GetFormNames(Rtl::TStringList& names) {
  CheckStream();
  if (FStream) GetNames(FFormNameOffset, FFormIndexOffset, FFormCount, names);
}

std::unique_ptr<Rtl::TMemoryStream> TQdDelphiResource::FindForm(const std::wstring& name) {
  CheckStream();
  if (!FStream) return nullptr;
  return FindData(FFormNameOffset, FFormIndexOffset, FFormCount, name);
}

void TQdDelphiResource::GetResourceNames(Rtl::TStringList& names) {
  CheckStream();
  if (FStream) GetNames(FResourceNameOffset, FResourceIndexOffset, FResourceCount, names);
}

std::unique_ptr<Rtl::TMemoryStream> TQdDelphiResource::FindResource(const std::wstring& id) {
  CheckStream();
  if (!FStream) return nullptr;
  return FindData(FResourceNameOffset, FResourceIndexOffset, FResourceCount, id);
}

std::wstring TQdDelphiResource::FindStringWin(std::uint16_t id) {
  CheckStream();
  if (!FStream || FVersion == nr1) return {};
  const TBytesView view(*FStream);
  const std::int64_t base = FOffset;
  std::int32_t low = 0;
  std::int32_t high = FWin32StringCount - 1;
  while (low <= high) {
    const std::int32_t mid = low + (high - low) / 2;
    const std::int64_t entry = base + view.Count(FWin32IndexOffset + 4 * static_cast<std::int64_t>(mid));
    const std::uint16_t entryId = view.Word(entry);
    if (entryId == id) return view.Record(base + view.Count(entry + 2));
    if (entryId < id)
      low = mid + 1;
    else
      high = mid - 1;
  }
  return {};
}

std::wstring TQdDelphiResource::FindString(const Rtl::TResStringRec& resString) {
  return FindStringWin(static_cast<std::uint16_t>(resString.Identifier & 0xFFFF));
}

std::wstring TQdDelphiResource::FindString(const std::wstring& original, const std::wstring& id,
                                           const std::wstring& group) {
  CheckStream();
  if (!FStream || FVersion != nr1) return original;
  const std::wstring& key = id.empty() ? original : id;
  const TBytesView view(*FStream);
  const std::int64_t base = FOffset;
  const std::int64_t dataTable = FStringGroupNameOffset + 8 * static_cast<std::int64_t>(FStringGroupCount);
  // Every group of that name is searched, in table order.
  for (std::int32_t i = 0; i < FStringGroupCount; ++i) {
    const std::int64_t entry = FStringGroupNameOffset + 8 * static_cast<std::int64_t>(i);
    const std::int32_t nameOffset = view.Count(entry);
    if (view.Utf16(base + nameOffset, view.Count(entry + 4) / 2) != group) continue;
    const std::int64_t groupStart = base + view.Count(dataTable + 8 * static_cast<std::int64_t>(i));
    const std::int32_t count = view.Count(groupStart);
    const std::int64_t ids = groupStart + 4;
    const std::int64_t values = ids + 8 * static_cast<std::int64_t>(count);
    view.Need(ids, 16 * static_cast<std::int64_t>(count));
    for (std::int32_t j = 0; j < count; ++j) {
      const std::int64_t idEntry = ids + 8 * static_cast<std::int64_t>(j);
      const std::int32_t idOffset = view.Count(idEntry);
      if (view.Utf16(groupStart + idOffset, view.Count(idEntry + 4) / 2) != key) continue;
      const std::int64_t valueEntry = values + 8 * static_cast<std::int64_t>(j);
      const std::int32_t valueOffset = view.Count(valueEntry);
      return view.Utf16(groupStart + valueOffset, view.Count(valueEntry + 4) / 2);
    }
  }
  return original;
}

void TQdDelphiResource::GetNumberedStrings(std::int64_t index, std::int32_t count, Rtl::TStringList& values) {
  CheckStream();
  if (!FStream || FVersion == nr1) return;
  const TBytesView view(*FStream);
  const std::int64_t base = FOffset;
  for (std::int32_t i = 0; i < count; ++i) {
    const std::int64_t entry = base + view.Count(index + 4 * static_cast<std::int64_t>(i));
    values.Add(view.Record(base + view.Count(entry + 2)));
  }
}

void TQdDelphiResource::GetWin32Strings(Rtl::TStringList& values) {
  GetNumberedStrings(FWin32IndexOffset, FWin32StringCount, values);
}

void TQdDelphiResource::GetWin64Strings(Rtl::TStringList& values) {
  GetNumberedStrings(FWin64IndexOffset, FWin64StringCount, values);
}

void TQdDelphiResource::GetSymbolStrings(Rtl::TStringList& ids, Rtl::TStringList& values) {
  CheckStream();
  if (!FStream || FVersion == nr1) return;
  const TBytesView view(*FStream);
  const std::int64_t base = FOffset;
  for (std::int32_t i = 0; i < FSymbolStringCount; ++i) {
    const std::int64_t entry = base + view.Count(FSymbolIndexOffset + 4 * static_cast<std::int64_t>(i));
    std::int64_t end = 0;
    std::wstring key = view.Record(entry, end);
    std::wstring value = view.Record(base + view.Count(end));
    ids.Add(std::move(key));
    values.Add(std::move(value));
  }
}

// --- Symbol keys -------------------------------------------------------------------

namespace {

// The remaining text of a key and the steps that consume it.
class TKeyRest {
public:
  explicit TKeyRest(std::wstring text) : FText(std::move(text)) {}

  bool Empty() const { return FText.empty(); }
  bool StartsWith(wchar_t c) const { return !FText.empty() && FText.front() == c; }
  bool StartsWithDigit() const { return !FText.empty() && FText.front() >= L'0' && FText.front() <= L'9'; }
  const std::wstring& Text() const { return FText; }

  // Deletes everything up to and including the first `tag`.
  bool Check(const wchar_t* tag) {
    const std::wstring_view t(tag);
    const std::size_t at = FText.find(t);
    if (at == std::wstring::npos) return false;
    FText.erase(0, at + t.size());
    return true;
  }
  // The leading decimal number (0 without digits); a huge one saturates.
  std::size_t GetNumber() {
    std::size_t value = 0;
    std::size_t i = 0;
    constexpr std::size_t limit = std::numeric_limits<std::size_t>::max() / 10 - 10;
    for (; i < FText.size() && FText[i] >= L'0' && FText[i] <= L'9'; ++i)
      value = value >= limit ? limit : value * 10 + static_cast<std::size_t>(FText[i] - L'0');
    FText.erase(0, i);
    return value;
  }
  std::wstring TakeLeft(std::size_t n) {
    n = std::min(n, FText.size());
    std::wstring left = FText.substr(0, n);
    FText.erase(0, n);
    return left;
  }
  void DropFirst() { FText.erase(0, 1); }
  // The characters up to the next digit.
  std::wstring TakeUpToDigit() {
    std::size_t i = 0;
    while (i < FText.size() && !(FText[i] >= L'0' && FText[i] <= L'9')) ++i;
    return TakeLeft(i);
  }

private:
  std::wstring FText;
};

std::wstring WithoutLeadingUnderscore(const std::wstring& text) {
  return text.starts_with(L'_') ? text.substr(1) : text;
}

}  // namespace

bool TQdDelphiResource::ParseKey(const std::wstring& name, std::wstring& unitName, std::wstring& itemName) {
  unitName.clear();
  itemName.clear();
  TKeyRest rest(name);
  // A component without its length prefix makes the key unreadable.
  auto malformed = [&] {
    unitName.clear();
    itemName.clear();
    return false;
  };
  if (rest.Check(RSRC_C)) {
    if (!rest.StartsWithDigit()) return malformed();
    unitName = rest.TakeLeft(rest.GetNumber());
    itemName = rest.Text();
    if (!itemName.empty()) itemName.pop_back();
    return true;
  }
  if (rest.Check(RSTR_ZN_C)) {
    while (!rest.Empty() && !rest.StartsWith(L'E')) {
      if (!rest.StartsWithDigit()) return malformed();
      std::wstring part = rest.TakeLeft(rest.GetNumber());
      if (rest.StartsWith(L'E')) {
        itemName = WithoutLeadingUnderscore(part);
        break;
      }
      if (!unitName.empty()) unitName += L'.';
      unitName += part;
    }
    return true;
  }
  if (rest.Check(RSTR_ZZN_C)) {
    std::wstring part;
    bool ignoreRest = false;
    while (!rest.Empty()) {
      if (rest.StartsWith(L'E')) {
        ignoreRest = true;
        rest.DropFirst();
        part = rest.TakeUpToDigit();
        if (part == L"E") part.clear();
      } else {
        if (!rest.StartsWithDigit()) return malformed();
        part = rest.TakeLeft(rest.GetNumber());
      }
      if (rest.Empty()) {
        itemName = WithoutLeadingUnderscore(part);
        break;
      }
      if (!part.empty() && !ignoreRest && unitName.empty()) unitName = part;
    }
    return true;
  }
  return false;
}

// --- TQdResourceLanguage -----------------------------------------------------------

TQdResourceLanguage* TQdResourceLanguage::AddImage(std::wstring value) {
  FImage = std::move(value);
  return this;
}

}  // namespace Qd
