// The writing side of TXmlFile: the tree node by node, or a document written
// directly tag by tag, through the text writer. Every value goes through the
// entity table with the forms its node recorded; whatever a recorded or
// default form says, "<", a bare "&", an attribute's own quote and the ">"
// of "]]>" in content are written as references, so that no value can end
// the markup around it.
#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "QdClasses/DateTime.h"
#include "QdClasses/File.h"
#include "QdString/String.h"
#include "QdString/UnicodeString.h"
#include "QdStringParser.h"
#include "QdTextFile/TextFile.h"
#include "QdXml/File.h"
#include "QdXml/Strings.h"
#include "QdXml/Characters.h"
#include "QdZip.h"
#include "runtime/Core/Exceptions.h"
#include "runtime/Core/ResStrings.h"
#include "runtime/Core/Threads.h"
#include "runtime/IO/Streams.h"
#include "runtime/Text/Ascii.h"
#include "runtime/Text/Format.h"
#include "runtime/Text/StringList.h"

namespace Qd {

namespace {

// The characters that end or break a name in a tag: whitespace, "<", ">",
// "/", "=", either quote and "&" (bit c for each, all below U+0040).
constexpr std::uint64_t NAME_BREAKERS_C = (1ull << L' ') | (1ull << L'\t') | (1ull << L'\r') | (1ull << L'\n') |
                                          (1ull << L'<') | (1ull << L'>') | (1ull << L'/') | (1ull << L'=') |
                                          (1ull << L'"') | (1ull << L'\'') | (1ull << L'&');

[[noreturn]] void RaiseInvalidName(const std::wstring& name) {
  throw Rtl::Exception(Rtl::Format(Rtl::LoadResString(SXmlInvalidName), {name}));
}

constexpr TLowUnitSet NAME_BREAKER_SET_C = TLowUnitSet::Of(NAME_BREAKERS_C);

inline unsigned BreaksName(wchar_t unit) { return NAME_BREAKER_SET_C.Contains(unit); }

// A name that cannot end or break the tag it stands in. It runs for every
// name written: units below U+0040 (the only ones that can break a tag)
// are rare in names, so the units go two to a word, and only a word with
// such a unit is looked at unit by unit.
inline void CheckName(const std::wstring& name) {
  const wchar_t* p = name.data();
  const std::size_t n = name.size();
  unsigned broken = n == 0 ? 1 : 0;
  std::size_t i = 0;
  for (; i + 2 <= n; i += 2) {
    std::uint32_t word;
    std::memcpy(&word, p + i, sizeof word);
    // A unit's bits from 6 on, zero when it is below U+0040 (found by the
    // borrow of a subtraction per unit).
    const std::uint32_t high = word & 0xFFC0FFC0u;
    if (((high - 0x00010001u) & ~high & 0x80008000u) != 0) broken |= BreaksName(p[i]) | BreaksName(p[i + 1]);
  }
  if (i < n) broken |= BreaksName(p[i]);
  if (broken != 0) [[unlikely]] RaiseInvalidName(name);
}

// A markup node whose value holds its own end.
void CheckMarkup(std::wstring_view value, const wchar_t* end, int kind) {
  if (value.find(end) == std::wstring_view::npos) return;
  static constexpr const wchar_t* KINDS_C[4] = {L"comment", L"CDATA section", L"processing instruction", L"script"};
  throw Rtl::Exception(Rtl::Format(Rtl::LoadResString(SXmlCannotWrite), {std::wstring(KINDS_C[kind]), std::wstring(end)}));
}

// "<" and "&" never plain; the quote of an attribute (xeQuot or xeApos) never plain.
TXmlEntityCoding SafeCoding(TXmlEntityCoding coding, int quote) {
  if (coding[xeLt] == xcNone) coding[xeLt] = xcEntity;
  if (coding[xeAmp] == xcNone) coding[xeAmp] = xcEntity;
  if (quote >= 0 && coding[quote] == xcNone) coding[quote] = xcEntity;
  return coding;
}

// Content may not hold "]]>": the text from `start` on loses it.
void SafeContent(std::wstring& text, std::size_t start) {
  for (std::size_t p = text.find(L"]]>", start); p != std::wstring::npos; p = text.find(L"]]>", p + 2))
    text.replace(p + 2, 1, L"&gt;");
}

#if defined(RTL_SSE2_PATHS)
// The whole blocks of eight units of p[0, n) checked (and copied to `d`
// when it is given) up to the first with a special unit: where they end.
RTL_SSE2 std::size_t PlainBlocks(const wchar_t* p, std::size_t n, wchar_t* d) {
  std::size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    if (_mm_movemask_epi8(XmlSpecialUnits(units)) != 0) break;
    if (d != nullptr) _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), units);
  }
  return i;
}
#endif

// Nothing in the value that the entity table would write otherwise: no
// predefined character and no control character.
bool IsPlainValue(std::wstring_view value) {
  const wchar_t* p = value.data();
  const std::size_t n = value.size();
  std::size_t i = 0;
#if defined(RTL_SSE2_PATHS)
  if (n >= 8 && Rtl::Cpu::HasSse2()) i = PlainBlocks(p, n, nullptr);
#endif
  for (; i < n; ++i)
    if (IsXmlSpecialUnit(p[i])) return false;
  return true;
}

// A value without a character that needs encoding appended, checked and
// copied in one pass; false, with nothing appended, otherwise.
// (The writer's buffer gives room to copy into; a string is checked first.)
template <class TOut>
bool CopyPlain(TOut& out, std::wstring_view value) {
  if constexpr (requires { out.Room(std::size_t{0}); }) {
    const wchar_t* p = value.data();
    const std::size_t n = value.size();
    wchar_t* d = out.Room(n);
    std::size_t i = 0;
#if defined(RTL_SSE2_PATHS)
    if (n >= 8 && Rtl::Cpu::HasSse2()) {
      i = PlainBlocks(p, n, d);
      // The last units as the block that ends with them, the ones before
      // them checked again.
      if (i < n && i + 8 > n && PlainBlocks(p + n - 8, 8, d + n - 8) == 8) i = n;
    }
#endif
    for (; i < n; ++i) {
      if (IsXmlSpecialUnit(p[i])) return false;
      d[i] = p[i];
    }
    out.Advance(n);
    return true;
  } else {
    if (!IsPlainValue(value)) return false;
    out.append(value);
    return true;
  }
}

// Whether the text holds a line break (CR or LF).
bool HasLineBreak(std::wstring_view text) {
  return FindAny(text.data(), text.size(), L'\r', L'\n') != text.size();
}

// "&#x" + the unit in upper-case hexadecimal digits without leading zeros + ";".
template <class TOut>
void AppendHexReference(TOut& out, std::uint16_t unit) {
  wchar_t digits[4];
  int count = 0;
  do {
    digits[count++] = L"0123456789ABCDEF"[unit & 15];
    unit = static_cast<std::uint16_t>(unit >> 4);
  } while (unit != 0);
  out += L'&';
  out += L'#';
  out += L'x';
  while (count > 0) out += digits[--count];
  out += L';';
}

const std::wstring& EmptyText() {
  static const std::wstring empty;
  return empty;
}

// A piece appended to the output: taken back when writing it fails, so
// that a failed write leaves nothing of it.
template <class TOut>
class TPieceGuard {
public:
  explicit TPieceGuard(TOut& output) : FOutput(output), FStart(output.size()) {}
  ~TPieceGuard() {
    if (!FDone && FOutput.size() > FStart) FOutput.resize(FStart);
  }
  TPieceGuard(const TPieceGuard&) = delete;
  TPieceGuard& operator=(const TPieceGuard&) = delete;
  std::size_t Start() const { return FStart; }
  void Done() { FDone = true; }

private:
  TOut& FOutput;
  std::size_t FStart;
  bool FDone = false;
};

bool IsPreserved(const TXmlElement* element) {
  if (!element->HasAttributes()) return false;
  const TXmlAttribute* space = element->GetAttributes().Find(L"xml:space");
  return space != nullptr && space->GetValue() == L"preserve";
}

}  // namespace

// The writer's encoding helpers, with access to the document's fields.
class TXmlFile::TWriter {
public:
  explicit TWriter(TXmlFile& file) : F(file) {}

  TXmlFileEntities& Entities() const { return F.WriteEntities(); }

  int AnsiCodePage() const {
    return F.FFile->GetFormat() == tfAnsi ? static_cast<int>(F.FFile->GetCodePage()) : -1;
  }
  TXmlEntityFormats AttributeFormats() const {
    TXmlEntityFormats formats = F.FEntityFormats;
    formats.Exclude(xfLocal);
    formats.Exclude(xfExternal);
    return formats;
  }
  TXmlEntityFormats TextFormats() const {
    TXmlEntityFormats formats;
    if (F.FEntityFormats.Contains(xfPredefined)) formats.Include(xfPredefined);
    return formats;
  }

  // The value encoded with `coding` in place of the table's PredefinedCoding
  // (which stays as it is), appended to `out`; `content` keeps "]]>" out.
  template <class TOut>
  void AppendValue(TOut& out, std::wstring_view value, const TXmlEntityCoding& coding,
                   TXmlEntityFormats formats, const TXmlPartEntities* part, bool content) {
    if (value.empty()) return;
    if (F.FOptions.Contains(xoNoEncodeDecode)) {
      out.append(value);
      return;
    }
    const int codePage = AnsiCodePage();
    // Most values need no reference at all: copied as they are.
    if (codePage < 0 && part == nullptr && !Entities().GetStoreEntities() && CopyPlain(out, value)) return;
    const std::size_t start = out.size();
    // In content the reader expands the entities of its own formats: an
    // "&" before one of their names was a literal one.
    Entities().EncodeTo(out, value, formats, part, coding, codePage, content ? &F.FEntityFormats : nullptr);
    if (content && coding[xeGt] == xcNone && std::wstring_view(out).find(L"]]>", start) != std::wstring_view::npos) {
      // Rare: the ">" of "]]>" as a reference, in a copy of the piece.
      std::wstring& encoded = F.FEncoded;
      encoded.assign(std::wstring_view(out).substr(start));
      SafeContent(encoded, 0);
      out.resize(start);
      out.append(encoded);
    }
  }

  std::wstring Encode(std::wstring_view value, const TXmlEntityCoding& coding, TXmlEntityFormats formats,
                      const TXmlPartEntities* part) {
    std::wstring out;
    AppendValue(out, value, coding, formats, part, false);
    return out;
  }

  // The coding of an attribute's value: its recorded forms, and its own
  // quote as a reference when it recorded no form of either quote.
  static TXmlEntityCoding AttributeCoding(const TXmlAttribute* attribute) {
    TXmlEntityCoding coding;
    const TXmlEntityCodings& codings = attribute->GetCodings();
    TXmlFile::CodingsToCoding(codings, XML_DEFAULT_CODING_C, coding);
    const int quote = attribute->GetSeparator() == xsSingle ? xeApos : xeQuot;
    if (codings[xeApos].IsEmpty() && codings[xeQuot].IsEmpty()) coding[quote] = xcEntity;
    // The reader adds the entity form of the value's own quote to its
    // codings whatever it read; the node's record of that character says
    // which form the value held.
    if (attribute->HasPartEntities()) {
      if (const TXmlEntityData* data = attribute->GetPartEntities().Find(PREDEFINED_ENTITIES_C[quote]);
          data != nullptr && !data->Codings.Contains(xcEntity)) {
        if (data->Codings.Contains(xcHex))
          coding[quote] = xcHex;
        else if (data->Codings.Contains(xcNumber))
          coding[quote] = xcNumber;
      }
    }
    return SafeCoding(coding, quote);
  }

  // Values without part records, written as they are when plain (as
  // AppendValue would), with no coding worked out for them.
  bool CopiesPlain(const TXmlPartEntities* part) const {
    return F.FOptions.Contains(xoNoEncodeDecode) ||
           (part == nullptr && AnsiCodePage() < 0 && !Entities().GetStoreEntities());
  }

  // The part's value, with its recorded whitespace when `spaces`, copied as
  // it is when no piece needs a reference; false (nothing appended) else.
  template <class TOut>
  bool CopyPlainValue(TOut& out, const TXmlPart& part, bool spaces) {
    const std::size_t start = out.size();
    if ((!spaces || CopyPlain(out, part.GetBeforeWhiteSpaces())) && CopyPlain(out, part.GetValue()) &&
        (!spaces || CopyPlain(out, part.GetAfterWhiteSpaces())))
      return true;
    out.resize(start);
    return false;
  }

  // The value with the recorded whitespace around it with xoKeepFormat
  // (each piece encoded alike: no reference spans whitespace).
  template <class TOut>
  void AppendAttributeValue(TOut& out, const TXmlAttribute* attribute, bool keep) {
    const TXmlPartEntities* part = attribute->HasPartEntities() ? &attribute->GetPartEntities() : nullptr;
    if (CopiesPlain(part) && CopyPlainValue(out, *attribute, keep)) return;
    const TXmlEntityCoding coding = AttributeCoding(attribute);
    const TXmlEntityFormats formats = AttributeFormats();
    if (keep) AppendValue(out, attribute->GetBeforeWhiteSpaces(), coding, formats, part, false);
    AppendValue(out, attribute->GetValue(), coding, formats, part, false);
    if (keep) AppendValue(out, attribute->GetAfterWhiteSpaces(), coding, formats, part, false);
  }

  // Name, "=", the quoted value; the recorded whitespace with xoKeepFormat.
  template <class TOut>
  void AppendAttribute(TOut& out, const TXmlAttribute* attribute, bool keep) {
    CheckName(attribute->GetName());
    const wchar_t quote = SEPARATOR_C[attribute->GetSeparator()];
    out.append(attribute->GetName());
    if (keep) out += attribute->GetNameWhiteSpaces();
    out += L'=';
    if (keep) out += attribute->GetSeparatorWhiteSpaces();
    out += quote;
    AppendAttributeValue(out, attribute, keep);
    out += quote;
  }

  // The attributes of a start tag on its line: the whitespace before them
  // (one space when none was recorded), and between them.
  template <class TOut>
  void AppendAttributes(TOut& out, const std::wstring& whiteSpaces, const TXmlAttributes* attributes,
                        bool keep) {
    const int count = attributes != nullptr ? attributes->GetCount() : 0;
    if (whiteSpaces.empty() && count > 0)
      out += L' ';
    else
      out += whiteSpaces;
    for (int i = 0; i < count; ++i) {
      const TXmlAttribute* attribute = attributes->GetItems(i);
      AppendAttribute(out, attribute, keep);
      if (keep && !attribute->GetValueWhiteSpaces().empty())
        out += attribute->GetValueWhiteSpaces();
      else if (i < count - 1)
        out += L' ';
    }
  }

  std::wstring SingleString(const std::wstring& whiteSpaces, const TXmlAttributes* attributes, bool keep) {
    std::wstring text;
    AppendAttributes(text, whiteSpaces, attributes, keep);
    return text;
  }

  // A text of whitespace alone outside preserved space: the reader takes
  // such text for layout.
  static bool IsDroppedOnReading(const TXmlElement* node) {
    const std::wstring& value = node->GetValue();
    if (value.empty() || !std::all_of(value.begin(), value.end(), IsXmlSpace)) return false;
    const TXmlElement* parent = node->GetParent();
    return parent == nullptr || !parent->ActualPreserveSpaces();
  }

  // A text's value as content, with the recorded whitespace around it when
  // `whiteSpaces`.
  template <class TOut>
  void AppendContent(TOut& out, const TXmlElement* node, bool whiteSpaces) {
    const TXmlPartEntities* part = node->HasPartEntities() ? &node->GetPartEntities() : nullptr;
    if (F.FOptions.Contains(xoNoEncodeDecode)) {
      if (whiteSpaces) out += node->GetBeforeWhiteSpaces();
      out += node->GetValue();
      if (whiteSpaces) out += node->GetAfterWhiteSpaces();
      return;
    }
    if (!F.IsKeepFormat() && IsDroppedOnReading(node)) {
      // Written plainly, a text of whitespace alone (from references or an
      // entity) would be taken for layout and dropped when read again.
      for (const wchar_t c : node->GetValue()) AppendHexReference(out, static_cast<std::uint16_t>(c));
      return;
    }
    if (CopiesPlain(part) && CopyPlainValue(out, *node, whiteSpaces)) return;
    TXmlEntityCoding coding;
    CodingsToCoding(node->GetCodings(), F.FDefaultCoding, coding);
    coding = SafeCoding(coding, -1);
    const TXmlEntityFormats formats = TextFormats();
    if (whiteSpaces) AppendValue(out, node->GetBeforeWhiteSpaces(), coding, formats, part, true);
    AppendValue(out, node->GetValue(), coding, formats, part, true);
    if (whiteSpaces) AppendValue(out, node->GetAfterWhiteSpaces(), coding, formats, part, true);
  }

  TXmlFile& F;
};

// --- The primitive and the helpers ----------------------------------------------

void TXmlOutputBuffer::Grow(std::size_t more) {
  const std::size_t capacity = std::max(FSize + more, std::max(2 * FCapacity, MIN_CAPACITY_C));
  auto data = std::make_unique_for_overwrite<wchar_t[]>(capacity);
  if (FSize > 0) std::memcpy(data.get(), FData.get(), FSize * sizeof(wchar_t));
  FData = std::move(data);
  FCapacity = capacity;
}

// Output collects in a buffer that goes to the text writer in large blocks
// (one conversion per block instead of one per piece). The pieces are
// appended to it directly; EndPiece does what follows each.
void TXmlFile::Write(std::wstring_view str, bool lineEnd) {
  const std::size_t start = FOutput.size();
  FOutput.append(str);
  EndPiece(start, lineEnd);
}

void TXmlFile::EndPiece(std::size_t start, bool lineEnd) {
  if (lineEnd) {
    if (FFile->GetFormat() == tfAnsi) {
      FlushOutput();
      FFile->WriteLineEnd();
    } else {
      if (FFile->GetNewLine() != FNewLineKind || FNewLineText.empty()) {
        FNewLineKind = FFile->GetNewLine();
        FNewLineText = FFile->GetNewLineString();
      }
      FOutput += FNewLineText;
    }
    FWriteLine.clear();
    FLineStart = FOutput.size();
    FLineEnded = true;
  } else if (start < FOutput.size() && HasLineBreak(std::wstring_view(FOutput).substr(start))) {
    // The line ends inside the piece: the next line starts after it.
    FWriteLine.clear();
    FLineStart = FOutput.size();
    FLineEnded = true;
  }
  if (FOutput.size() >= OUTPUT_BLOCK_C) FlushOutput();
}

void TXmlFile::AppendIndent(int extra) {
  if (IsKeepFormat() || FInline > 0) return;
  FOutput.append(2 * (FWriteDepth + static_cast<std::size_t>(extra)), L' ');
}

const std::wstring& TXmlFile::GetWriteLine() const {
  if (FLineStart < FOutput.size()) FWriteLine.append(std::wstring_view(FOutput).substr(FLineStart));
  FLineStart = FOutput.size();
  return FWriteLine;
}

// The output not yet handed on is dropped; the write line keeps what was
// written of it.
void TXmlFile::ResetOutput() {
  GetWriteLine();
  FOutput.clear();
  FLineStart = 0;
}

const Rtl::TBytes& TXmlFile::GetOutputData() {
  FlushOutput();
  return FFile->GetOutputData();
}

std::wstring TXmlFile::GetOutputString() {
  FlushOutput();
  return FFile->GetOutputString();
}

void TXmlFile::FlushOutput() {
  if (FOutput.empty()) return;
  GetWriteLine();
  FFile->Write(FOutput);
  FOutput.clear();
  FLineStart = 0;
}

std::wstring TXmlFile::GetIndentSpaces(int extra) const {
  if (IsKeepFormat() || FInline > 0) return {};
  return std::wstring(2 * (FWriteDepth + static_cast<std::size_t>(extra)), L' ');
}

bool TXmlFile::IsOpen() const { return FFile->IsOpen(); }

std::wstring TXmlFile::EncodeString(std::wstring_view value) {
  TWriter w(*this);
  std::wstring out;
  w.AppendValue(out, value, SafeCoding(w.Entities().GetPredefinedCoding(), -1), FEntityFormats, nullptr, true);
  return out;
}

std::wstring TXmlFile::EncodeString(std::wstring_view value, const TXmlEntityCodings& codings,
                                    const TXmlPartEntities* partEntities) {
  if (FOptions.Contains(xoNoEncodeDecode)) return std::wstring(value);
  TWriter w(*this);
  TXmlEntityCoding coding;
  CodingsToCoding(codings, FDefaultCoding, coding);
  if (partEntities != nullptr && partEntities->GetCount() == 0) partEntities = nullptr;
  std::wstring out;
  w.AppendValue(out, value, SafeCoding(coding, -1), w.TextFormats(), partEntities, true);
  return out;
}

// --- Starting and ending output -------------------------------------------------

void TXmlFile::Rewrite(const std::wstring& fileName) {
  if (fileName.empty()) throw Rtl::Exception(Rtl::LoadResString(SXmlNoFileName));
  StartOutput();
  FFile->Rewrite(fileName);
  if (FWriteHeader) DoWriteDeclaration();
}

void TXmlFile::Rewrite(Rtl::TStream& stream) {
  StartOutput();
  FFile->Rewrite(stream);
  if (FWriteHeader) DoWriteDeclaration();
}

void TXmlFile::Rewrite() {
  StartOutput();
  FFile->RewriteData();
  DoWriteDeclaration();
}

void TXmlFile::RewriteString() {
  FFile->SetUseBom(false);
  FCheckHeader = false;
  FFile->SetEncoding(L"unicode");
  StartOutput();
  FFile->RewriteData();
}

void TXmlFile::StartOutput() {
  FWriteDepth = 0;
  ResetOutput();
  FWriteLine.clear();
  FLineEnded = false;
  FInline = 0;
}

void TXmlFile::Close() {
  FRoot = nullptr;
  try {
    FlushOutput();
  } catch (...) {
    ResetOutput();
    throw;
  }
  FFile->Close();
}

void TXmlFile::Cancel() {
  ResetOutput();
  FWriteDepth = 0;
  FInline = 0;
  FFile->Cancel();
}

void TXmlFile::DoWriteDeclaration() {
  if (!FCheckHeader) return;
  if (FItems.GetCount() > 0 && GetItems(0)->GetElementType() == xeDeclaration) return;
  std::wstring text = L"<?xml version=\"1.0\"";
  if (FWriteEncoding) text += L" encoding=\"" + FFile->GetXmlEncoding() + L"\"";
  if (FWriteStandalone) text += std::wstring(L" standalone=\"") + YES_NO_C[FStandalone ? 1 : 0] + L"\"";
  text += L"?>";
  Write(text, true);
}

// --- The tree -----------------------------------------------------------------------

namespace {

// See SetXmlSplitWriteNodes.
std::atomic<std::size_t> GSplitWriteNodes{16384};
// An element is considered for a second writer from this many children.
constexpr int SPLIT_MIN_CHILDREN_C = 16;
// The first children whose trees are counted for the estimate, and the
// most nodes counted.
constexpr int SPLIT_SAMPLE_CHILDREN_C = 8;
constexpr std::size_t SPLIT_SAMPLE_NODES_C = 4096;
// Elements examined per tree before the writer stops looking.
constexpr int SPLIT_CANDIDATES_C = 8;

}  // namespace

void SetXmlSplitWriteNodes(std::size_t nodes) { GSplitWriteNodes = nodes; }
std::size_t GetXmlSplitWriteNodes() { return GSplitWriteNodes; }

// The later half of a large element's children, written on the spare
// thread by a writer of its own set up as the owner (depth, options, format,
// entity table) into its own memory, while the owner writes the first half;
// its blocks, handed over as each fills, then follow the owner's output.
// The tree and the owner's table are only read meanwhile: what they build
// on first use is built before it starts.
// Not started when the spare thread is taken (another document being
// written): the owner then writes every child itself.
class TXmlFile::TSplitWriter {
public:
  TSplitWriter(TXmlFile& owner, TXmlElement* element, int first) : FElement(element), FFirst(first) {
    owner.WriteEntities().FindChar(0);  // the table's index of characters
    // Whether space is preserved is looked up through the ancestors, whose
    // attribute indexes are made now.
    element->ActualPreserveSpaces();
    FWriter.SetUpAsPartOf(owner);
    // Each block the second writer fills is handed over at once: the owner,
    // done with its own half, writes on with them while the rest is made.
    FWriter.FFile->SetOutputSink([this](TTextFile::TOutputBlocks blocks) {
      {
        const std::lock_guard lock(FLock);
        FFull.push_back(std::move(blocks));
      }
      FChanged.NotifyAll();
    });
    FThread = XmlSpareThread();
    if (FThread != nullptr && !FThread->TryRun([this] { WriteHalf(); })) FThread = nullptr;
  }
  ~TSplitWriter() {
    if (FThread == nullptr) return;
    FStop = true;
    try {
      FThread->Wait();
    } catch (...) {  // NOLINT(bugprone-empty-catch): the owner's own exception passes on
    }
  }
  TSplitWriter(const TSplitWriter&) = delete;
  TSplitWriter& operator=(const TSplitWriter&) = delete;

  bool Started() const { return FThread != nullptr; }

  // The later half's blocks after the owner's output, as they come, or its
  // exception.
  void Finish(TXmlFile& owner) {
    owner.FlushOutput();
    for (;;) {
      TTextFile::TOutputBlocks next;
      {
        std::unique_lock lock(FLock);
        FChanged.Wait(lock, [this] { return !FFull.empty() || FDone; });
        if (FFull.empty()) break;
        next = std::move(FFull.front());
        FFull.pop_front();
      }
      owner.FFile->WriteBlocks(std::move(next));
    }
    std::exchange(FThread, nullptr)->Wait();
    owner.FFile->WriteBlocks(std::move(FBlocks));
    // The current line: the second writer's last one, or the owner's
    // continued by all the second writer wrote.
    if (FWriter.FLineEnded) {
      owner.FWriteLine = FWriter.GetWriteLine();
      owner.FLineEnded = true;
    } else {
      owner.FWriteLine += FWriter.GetWriteLine();
    }
  }

private:
  void WriteHalf() {
    // Done, also when the half fails: the owner stops waiting for blocks.
    struct TDone {
      TSplitWriter& Writer;
      ~TDone() {
        {
          const std::lock_guard lock(Writer.FLock);
          Writer.FDone = true;
        }
        Writer.FChanged.NotifyAll();
      }
    } done{*this};
    for (int i = FFirst; i < FElement->GetCount() && !FStop; ++i)
      FWriter.WriteElement(FElement->GetElements(i), !(FWriter.IsKeepFormat() || FWriter.FInline > 0));
    FWriter.FlushOutput();
    FBlocks = FWriter.FFile->TakeOutputBlocks();
  }

  TXmlFile FWriter;
  TXmlElement* FElement;
  int FFirst;
  Rtl::TSpareThread* FThread = nullptr;
  std::atomic<bool> FStop{false};
  // The blocks handed over and not yet written by the owner, and whether
  // the second writer is done; under FLock.
  Rtl::TLock FLock;
  Rtl::TCondition FChanged;
  std::deque<TTextFile::TOutputBlocks> FFull;
  bool FDone = false;
  TTextFile::TOutputBlocks FBlocks;  // the last, when it is done
};

TXmlFileEntities& TXmlFile::WriteEntities() const {
  return FWriteEntities != nullptr ? *FWriteEntities : *FEntities;
}

void TXmlFile::SetUpAsPartOf(TXmlFile& owner) {
  FMaySplit = false;
  FOptions = owner.FOptions;
  FWriteOptions = owner.FWriteOptions;
  FDefaultCoding = owner.FDefaultCoding;
  FEntityFormats = owner.FEntityFormats;
  FCheckHeader = false;
  FWriteHeader = false;
  FFile->SetFormat(owner.FFile->GetFormat());
  FFile->SetNewLine(owner.FFile->GetNewLine());
  FFile->SetUseBom(false);
  StartOutput();
  FFile->RewriteData();
  FWriteDepth = owner.FWriteDepth;
  FWriteElements.resize(owner.FWriteDepth);
  FInline = owner.FInline;
  FWriteEntities = &owner.WriteEntities();
}

bool TXmlFile::WorthSplitting(const TXmlElement* element) const {
  const int count = element->GetCount();
  if (!FMaySplit || count < 2 || !FFile->IsOpen()) return false;
  const TTextFileFormat format = FFile->GetFormat();
  if (format != tfUtf8 && format != tfUtf16Le) return false;
  const std::size_t wanted = GSplitWriteNodes;
  if (wanted == 0) return true;
  if (count < SPLIT_MIN_CHILDREN_C || wanted == SIZE_MAX) return false;
  // The trees of the first children, counted up to a bound.
  const int sampled = std::min(count, SPLIT_SAMPLE_CHILDREN_C);
  std::vector<const TXmlElement*> work;
  for (int i = 0; i < sampled; ++i) work.push_back(element->GetElements(i));
  std::size_t nodes = 0;
  while (!work.empty() && nodes < SPLIT_SAMPLE_NODES_C) {
    const TXmlElement* node = work.back();
    work.pop_back();
    ++nodes;
    for (int i = 0; i < node->GetCount(); ++i) work.push_back(node->GetElements(i));
  }
  return nodes * static_cast<std::size_t>(count) / static_cast<std::size_t>(sampled) >= wanted;
}

void TXmlFile::WriteFile(const std::wstring& fileName, TXmlElement* root) {
  try {
    if (root != nullptr) {
      Rewrite(fileName);
      WriteElement(root, false);
    } else {
      FWriteHeader = FItems.GetCount() > 0 && GetItems(0)->GetElementType() == xeDeclaration;
      Rewrite(fileName);
      WriteItems();
    }
    Close();
  } catch (...) {
    Cancel();
    throw;
  }
}

void TXmlFile::WriteFile(Rtl::TStream& stream) {
  try {
    Rewrite(stream);
    WriteItems();
    Close();
  } catch (...) {
    Cancel();
    throw;
  }
}

void TXmlFile::WriteFileFromRoot(const std::wstring& fileName, TXmlElement* root) {
  TXmlFile xml;
  xml.WriteFile(fileName, root);
}

// As WriteFile(stream) (the same steps, the declaration only when
// FWriteHeader), with the text writer's memory as the stream.
Rtl::TBytes TXmlFile::WriteToMemory() {
  try {
    StartOutput();
    FFile->RewriteData();
    if (FWriteHeader) DoWriteDeclaration();
    WriteItems();
    Close();
  } catch (...) {
    Cancel();
    throw;
  }
  return FFile->TakeOutputData();
}

Rtl::TBytes TXmlFile::WriteToBytes() { return WriteToMemory(); }

std::wstring TXmlFile::WriteToString() {
  FFile->SetUseBom(false);
  FCheckHeader = false;
  FFile->SetEncoding(L"unicode");
  const Rtl::TBytes bytes = WriteToMemory();
  std::wstring result(bytes.size() / 2, L'\0');
  if (!result.empty()) std::memcpy(result.data(), bytes.data(), result.size() * sizeof(wchar_t));
  return result;
}

void TXmlFile::WriteItems() {
  if (FWriteOptions.Contains(xoEncodePredefined)) FDefaultCoding = XML_ALL_CODING_C;
  for (int i = 0; i < FItems.GetCount(); ++i) WriteElement(GetItems(i), false);
}

// A node and everything under it. Deep trees are written with a work list
// of the open elements, never by recursion.
void TXmlFile::WriteElement(TXmlElement* element, bool indent) {
  struct TFrame {
    TXmlElement* Element;
    int Next;
    bool Indent;
    bool Inline;
    // The children from End on are written by a second writer, when there is one.
    int End;
    std::unique_ptr<TSplitWriter> Split;
  };
  std::vector<TFrame> stack;
  int candidates = FMaySplit ? SPLIT_CANDIDATES_C : 0;
  TXmlElement* node = element;
  bool nodeIndent = indent;
  for (;;) {
    if (node != nullptr && node->GetEnabled()) {
      const bool keep = IsKeepFormat();
      const bool layoutKeep = keep || FInline > 0;
      TWriter w(*this);
      switch (node->GetElementType()) {
        case xeWhiteSpace:
          if (layoutKeep) Write(node->GetValue());
          break;
        case xeDeclaration: WriteDeclaration(node); break;
        case xeDocType: WriteDocType(node->GetValue()); break;
        case xeElement: WriteElementDeclaration(node->GetValue()); break;
        case xeScript: WriteScript(node->GetValue()); break;
        case xeProcessing: WriteProcessing(node->GetValue()); break;
        case xeComment: WriteComment(node->GetValue()); break;
        case xeCData: WriteCData(node->GetValue()); break;
        case xeSingle: WriteSingleElement(node, xwSingleLine); break;
        case xeText: {
          TPieceGuard piece(FOutput);
          if (!layoutKeep) AppendIndent(0);
          w.AppendContent(FOutput, node, layoutKeep);
          piece.Done();
          EndPiece(piece.Start(), !layoutKeep);
          break;
        }
        case xeDouble: {
          CheckName(node->GetName());
          const std::wstring& start = keep ? node->GetStartWhiteSpaces() : EmptyText();
          if (node->GetCount() == 0) {
            TPieceGuard piece(FOutput);
            if (nodeIndent && !layoutKeep) AppendIndent(0);
            FOutput += L'<';
            FOutput.append(node->GetName());
            w.AppendAttributes(FOutput, start, node->HasAttributes() ? &node->GetAttributes() : nullptr, keep);
            FOutput += L'>';
            w.AppendContent(FOutput, node, true);
            FOutput += L'<';
            FOutput += L'/';
            FOutput.append(node->GetName());
            FOutput.append(node->GetEndWhiteSpaces());
            FOutput += L'>';
            piece.Done();
            EndPiece(piece.Start(), nodeIndent && !layoutKeep);
            break;
          }
          // Mixed content and preserved space are written as they are: the
          // default layout's indentation would change their text.
          const bool makeInline = !layoutKeep && (node->GetContainsText() || IsPreserved(node));
          if (layoutKeep) {
            OpenTag(node->GetName(), node->HasAttributes() ? &node->GetAttributes() : nullptr, false,
                    xwSingleLine, start);
          } else if (makeInline) {
            const std::size_t indentStart = FOutput.size();
            if (nodeIndent) AppendIndent(0);
            EndPiece(indentStart, false);
            ++FInline;
            OpenTag(node->GetName(), node->HasAttributes() ? &node->GetAttributes() : nullptr, false,
                    xwSingleLine, L"");
          } else {
            OpenTag(node->GetName(), node->HasAttributes() ? &node->GetAttributes() : nullptr, true,
                    xwSingleLine, L"");
          }
          stack.push_back({node, 0, nodeIndent, makeInline, node->GetCount(), nullptr});
          if (candidates > 0 && node->GetCount() >= 2) {
            --candidates;
            if (WorthSplitting(node)) {
              candidates = 0;
              auto split = std::make_unique<TSplitWriter>(*this, node, node->GetCount() / 2);
              if (split->Started()) {
                stack.back().End = node->GetCount() / 2;
                stack.back().Split = std::move(split);
              }
            }
          }
          break;
        }
      }
    }
    // The next node: the next child of the innermost open element, or its end.
    node = nullptr;
    while (!stack.empty()) {
      TFrame& top = stack.back();
      if (top.Next < top.End) {
        node = top.Element->ChildAt(static_cast<std::size_t>(top.Next++));
        nodeIndent = !(IsKeepFormat() || FInline > 0);
        break;
      }
      if (top.Split) {
        top.Split->Finish(*this);
        top.Split.reset();
      }
      const bool layoutKeep = IsKeepFormat() || FInline > 0;
      if (top.Inline) {
        WriteEndTag(false, top.Element->GetEndWhiteSpaces());
        --FInline;
        if (top.Indent && !(IsKeepFormat() || FInline > 0)) Write(L"", true);
      } else {
        WriteEndTag(!layoutKeep, top.Element->GetEndWhiteSpaces());
      }
      stack.pop_back();
    }
    if (node == nullptr) return;
  }
}

// --- Direct writing -----------------------------------------------------------------

void TXmlFile::WriteAttributeLines(const TXmlAttributes* attributes) {
  TWriter w(*this);
  const int count = attributes != nullptr ? attributes->GetCount() : 0;
  for (int i = 0; i < count; ++i) {
    const TXmlAttribute* attribute = attributes->GetItems(i);
    CheckName(attribute->GetName());
    const TXmlPartEntities* part = attribute->HasPartEntities() ? &attribute->GetPartEntities() : nullptr;
    TXmlEntityCoding coding;
    CodingsToCoding(attribute->GetCodings(), XML_DEFAULT_CODING_C, coding);
    Write(GetIndentSpaces(1) + attribute->GetName() + L"=\"" +
              w.Encode(attribute->GetValue(), SafeCoding(coding, xeQuot), w.AttributeFormats(), part) + L"\"",
          i < count - 1);
  }
}

void TXmlFile::WriteStartTag(const std::wstring& name, const TXmlAttributes* attributes, bool lineEnd,
                             TXmlElementWriteMode writeMode, const std::wstring& whiteSpaces) {
  CheckName(name);
  OpenTag(name, attributes, lineEnd, writeMode, whiteSpaces);
}

// The start tag of a name already checked.
void TXmlFile::OpenTag(const std::wstring& name, const TXmlAttributes* attributes, bool lineEnd,
                       TXmlElementWriteMode writeMode, const std::wstring& whiteSpaces) {
  if (IsKeepFormat() || FInline > 0 || writeMode == xwSingleLine) {
    TWriter w(*this);
    TPieceGuard piece(FOutput);
    AppendIndent(0);
    FOutput += L'<';
    FOutput.append(name);
    w.AppendAttributes(FOutput, whiteSpaces, attributes, IsKeepFormat());
    FOutput += L'>';
    piece.Done();
    EndPiece(piece.Start(), lineEnd && !(FInline > 0));
  } else {
    const bool hasAttributes = attributes != nullptr && attributes->GetCount() > 0;
    Write(GetIndentSpaces(0) + L"<" + name + whiteSpaces, hasAttributes);
    WriteAttributeLines(attributes);
    Write(L">", lineEnd);
  }
  // The names' strings stay for the next elements at that depth.
  if (FWriteDepth < FWriteElements.size())
    FWriteElements[FWriteDepth].assign(name);
  else
    FWriteElements.push_back(name);
  ++FWriteDepth;
}

void TXmlFile::WriteStartTag(const std::wstring& name, const std::wstring& attributeName,
                             const std::wstring& attributeValue, bool lineEnd, TXmlElementWriteMode writeMode,
                             const std::wstring& whiteSpaces) {
  TXmlAttributes attributes;
  attributes.Add(std::make_unique<TXmlAttribute>(attributeName, attributeValue));
  WriteStartTag(name, &attributes, lineEnd, writeMode, whiteSpaces);
}

void TXmlFile::WriteEndTag(bool writeLeadingSpaces, const std::wstring& whiteSpaces) {
  if (FWriteDepth == 0) throw Rtl::Exception(Rtl::LoadResString(SXmlNoOpenElement));
  const bool layoutKeep = IsKeepFormat() || FInline > 0;
  const std::size_t start = FOutput.size();
  // Indented at the depth of its start tag.
  if (writeLeadingSpaces && !layoutKeep)
    FOutput.append(2 * (FWriteDepth - 1), L' ');
  FOutput += L'<';
  FOutput += L'/';
  FOutput.append(FWriteElements[FWriteDepth - 1]);
  if (IsKeepFormat()) FOutput.append(whiteSpaces);
  FOutput += L'>';
  --FWriteDepth;
  EndPiece(start, !layoutKeep);
}

void TXmlFile::WriteSingleElement(const std::wstring& name, const TXmlAttributes* attributes,
                                  TXmlElementWriteMode writeMode, const std::wstring& startWhiteSpaces,
                                  const std::wstring& endWhiteSpaces) {
  CheckName(name);
  TWriter w(*this);
  const bool layoutKeep = IsKeepFormat() || FInline > 0;
  if (writeMode != xwMultiLine || layoutKeep) {
    TPieceGuard piece(FOutput);
    if (writeMode == xwSingleLine) AppendIndent(0);
    FOutput += L'<';
    FOutput.append(name);
    w.AppendAttributes(FOutput, startWhiteSpaces, attributes, IsKeepFormat());
    FOutput.append(endWhiteSpaces);
    FOutput += L'/';
    FOutput += L'>';
    piece.Done();
    EndPiece(piece.Start(), writeMode == xwSingleLine && !layoutKeep);
    return;
  }
  switch (writeMode) {
    case xwNoIdent:
    case xwSingleLine: break;
    case xwMultiLine:
      Write(GetIndentSpaces(0) + L"<" + name, true);
      WriteAttributeLines(attributes);
      if (attributes != nullptr && attributes->GetCount() > 0) Write(L"", true);
      Write(GetIndentSpaces(0) + L"/>", true);
      break;
  }
}

void TXmlFile::WriteSingleElement(TXmlElement* element, TXmlElementWriteMode writeMode) {
  WriteSingleElement(element->GetName(), element->HasAttributes() ? &element->GetAttributes() : nullptr, writeMode,
                     element->GetStartWhiteSpaces(), element->GetEndWhiteSpaces());
}

void TXmlFile::WriteDeclaration(TXmlElement* element) {
  TWriter w(*this);
  const bool keep = IsKeepFormat();
  const int count = element->HasAttributes() ? element->GetAttributes().GetCount() : 0;
  std::wstring text = keep ? element->GetStartWhiteSpaces() : std::wstring();
  if (text.empty() && count > 0) text = L" ";
  const std::wstring encoding = FFile->GetXmlEncoding();
  for (int i = 0; i < count; ++i) {
    TXmlAttribute* attribute = element->GetAttributes().GetItems(i);
    if (Rtl::AsciiSameText(attribute->GetName(), L"encoding") && !Rtl::AsciiSameText(attribute->GetValue(), encoding))
      attribute->SetValue(encoding);
    w.AppendAttribute(text, attribute, keep);
    if (keep && !attribute->GetValueWhiteSpaces().empty())
      text += attribute->GetValueWhiteSpaces();
    else if (i < count - 1)
      text += L' ';
  }
  Write(GetIndentSpaces(0) + L"<?xml" + text + L"?>", !(keep || FInline > 0));
}

void TXmlFile::WriteMarkup(std::wstring_view open, std::wstring_view value, std::wstring_view close, bool indent) {
  const std::size_t start = FOutput.size();
  if (indent) AppendIndent(0);
  FOutput.append(open);
  FOutput.append(value);
  FOutput.append(close);
  EndPiece(start, !(IsKeepFormat() || FInline > 0));
}

void TXmlFile::WriteDocType(const std::wstring& value) {
  WriteMarkup(L"<!DOCTYPE", (value.empty() || value[0] != L' ' ? L" " : L"") + value, L">", true);
}

void TXmlFile::WriteElementDeclaration(const std::wstring& value) {
  WriteMarkup(L"<!ELEMENT", (value.empty() || value[0] != L' ' ? L" " : L"") + value, L">", true);
}

void TXmlFile::WriteCData(const std::wstring& value) {
  CheckMarkup(value, L"]]>", 1);
  WriteMarkup(L"<![CDATA[", value, L"]]>", true);
}

void TXmlFile::WriteComment(const std::wstring& value) {
  CheckMarkup(value, L"-->", 0);
  WriteMarkup(L"<!--", value, L"-->", true);
}

void TXmlFile::WriteScript(const std::wstring& value) {
  CheckMarkup(value, L"%>", 3);
  WriteMarkup(L"<%", value, L"%>", false);
}

void TXmlFile::WriteProcessing(const std::wstring& value) {
  CheckMarkup(value, L"?>", 2);
  WriteMarkup(L"<?", value, L"?>", false);
}

void TXmlFile::WriteText(const std::wstring& value) { Write(EncodeString(value)); }

void TXmlFile::WriteEmptyLine() { Write(L"", true); }

void TXmlFile::WriteNewLine() {
  FlushOutput();
  FFile->WriteLine(L"");
}

// --- Typed writers ----------------------------------------------------------------

void TXmlFile::DoWriteElement(const std::wstring& name, const TXmlAttributes* attributes, const std::wstring& value,
                              bool indent) {
  CheckName(name);
  TWriter w(*this);
  const bool layout = indent && !(IsKeepFormat() || FInline > 0);
  std::wstring text = layout ? GetIndentSpaces(0) : std::wstring();
  text += L"<" + name + w.SingleString(L"", attributes, false) + L">" + EncodeString(value) + L"</" + name + L">";
  Write(text, layout);
}

void TXmlFile::DoWriteValue(const std::wstring& value) { Write(EncodeString(value)); }

void TXmlFile::WriteString(const std::wstring& value) { DoWriteValue(value); }
void TXmlFile::WriteString(const std::wstring& name, const std::wstring& value, const TXmlAttributes* attributes,
                           const std::wstring& Default, bool optional, bool indent) {
  if (optional && value == Default) return;
  DoWriteElement(name, attributes, value, indent);
}
void TXmlFile::WriteString(const std::wstring& name, const std::wstring& value, const std::wstring& Default,
                           bool optional, bool indent) {
  WriteString(name, value, nullptr, Default, optional, indent);
}

void TXmlFile::WriteInteger(std::int64_t value) { DoWriteValue(std::to_wstring(value)); }
void TXmlFile::WriteInteger(const std::wstring& name, std::int64_t value, const TXmlAttributes* attributes,
                            std::int64_t Default, bool optional, bool indent) {
  if (optional && value == Default) return;
  DoWriteElement(name, attributes, std::to_wstring(value), indent);
}
void TXmlFile::WriteInteger(const std::wstring& name, std::int64_t value, std::int64_t Default, bool optional,
                            bool indent) {
  WriteInteger(name, value, nullptr, Default, optional, indent);
}

void TXmlFile::WriteFloat(double value) { DoWriteValue(TString::FloatToString(value, -1, false)); }
void TXmlFile::WriteFloat(const std::wstring& name, double value, const TXmlAttributes* attributes, double Default,
                          bool optional, bool indent) {
  if (optional && value == Default) return;
  DoWriteElement(name, attributes, TString::FloatToString(value, -1, false), indent);
}
void TXmlFile::WriteFloat(const std::wstring& name, double value, double Default, bool optional, bool indent) {
  WriteFloat(name, value, nullptr, Default, optional, indent);
}

void TXmlFile::WriteBoolean(bool value) { DoWriteValue(value ? L"1" : L"0"); }
void TXmlFile::WriteBoolean(const std::wstring& name, bool value, const TXmlAttributes* attributes, bool Default,
                            bool optional, bool indent) {
  if (optional && value == Default) return;
  DoWriteElement(name, attributes, value ? L"1" : L"0", indent);
}
void TXmlFile::WriteBoolean(const std::wstring& name, bool value, bool Default, bool optional, bool indent) {
  WriteBoolean(name, value, nullptr, Default, optional, indent);
}

void TXmlFile::WriteDateTime(Rtl::TDateTime value) { DoWriteValue(TQdDateTime::DateTimeToShortIso(value)); }
void TXmlFile::WriteDateTime(const std::wstring& name, Rtl::TDateTime value, const TXmlAttributes* attributes,
                             Rtl::TDateTime Default, bool optional, bool indent) {
  if (optional && value == Default) return;
  DoWriteElement(name, attributes, TQdDateTime::DateTimeToShortIso(value), indent);
}
void TXmlFile::WriteDateTime(const std::wstring& name, Rtl::TDateTime value, Rtl::TDateTime Default, bool optional,
                             bool indent) {
  WriteDateTime(name, value, nullptr, Default, optional, indent);
}

void TXmlFile::WriteEnum(const std::wstring& name, const Rtl::TEnumInfo* typeInfo, int value, int Default) {
  if (value == Default) return;
  if (typeInfo != nullptr)
    WriteString(name, typeInfo->GetEnumName(value), L"", true, true);
  else
    WriteInteger(name, value, 0, true, true);
}

void TXmlFile::WriteSet(const std::wstring& name, const Rtl::TSetInfo& typeInfo, int size, const void* value,
                        const void* Default) {
  if (size <= 0 || std::memcmp(value, Default, static_cast<std::size_t>(size)) == 0) return;
  WriteString(name, TSetParser::SetToStr(value, size, typeInfo), L"", true, true);
}

void TXmlFile::WriteStrings(const std::wstring& name, const Rtl::TStringList& value, int count,
                            const std::wstring& itemName) {
  if (count < 0 || count > value.Count()) count = value.Count();
  WriteStartTag(name, nullptr, true, xwSingleLine, L"");
  for (int i = 0; i < count; ++i) WriteString(itemName, value[i], L"", true, true);
  WriteEndTag(true, L"");
}

void TXmlFile::WriteFiles(const std::wstring& name, const std::wstring& dir, const Rtl::TStringList& value,
                          int count, const std::wstring& itemName) {
  if (count < 0 || count > value.Count()) count = value.Count();
  WriteStartTag(name, nullptr, true, xwSingleLine, L"");
  for (int i = 0; i < count; ++i)
    WriteString(itemName, TFile::GetRelativePath(value[i], dir), L"", true, true);
  WriteEndTag(true, L"");
}

void TXmlFile::WriteEncryptedString(const std::wstring& name, const std::wstring& value, int lineLength) {
  WriteBase64(name, TUnicodeString::Encrypt(value), nullptr, lineLength);
}

void TXmlFile::WriteCompressed(const Rtl::TBytes& value) { WriteBase64(TQdZip::ZipData(value)); }
void TXmlFile::WriteCompressed(const std::wstring& name, const Rtl::TBytes& value, const TXmlAttributes* attributes,
                               int lineLength) {
  WriteBase64(name, TQdZip::ZipData(value), attributes, lineLength);
}

std::wstring TXmlFile::EncodeFormattedBase(TBinaryEncoding encoding, const Rtl::TBytes& data, int lineLength) const {
  if (data.empty()) return {};
  const std::wstring s = TBinaryString::Encode(data, encoding);
  const std::size_t length = lineLength > 0 ? static_cast<std::size_t>(lineLength) : 0;
  if (length == 0 || s.size() <= length) return s;
  const std::wstring inner = L"\r\n" + GetIndentSpaces(1);
  const std::wstring outer = L"\r\n" + GetIndentSpaces(0);
  std::wstring result;
  result.reserve(s.size() + (s.size() / length + 1) * inner.size() + outer.size());
  for (std::size_t p = 0; p < s.size(); p += length) {
    result += inner;
    result.append(s, p, length);
  }
  result += outer;
  return result;
}

void TXmlFile::WriteBase64(const Rtl::TBytes& value) {
  WriteString(EncodeFormattedBase(beBase64, value, XML_LINE_LENGTH_C));
}
void TXmlFile::WriteBase64(const std::wstring& name, const Rtl::TBytes& value, const TXmlAttributes* attributes,
                           int lineLength) {
  if (value.empty()) return;
  DoWriteElement(name, attributes, EncodeFormattedBase(beBase64, value, lineLength), lineLength > 0);
}
void TXmlFile::WriteBase32(const Rtl::TBytes& value) {
  WriteString(EncodeFormattedBase(beBase32, value, XML_LINE_LENGTH_C));
}
void TXmlFile::WriteBase32(const std::wstring& name, const Rtl::TBytes& value, const TXmlAttributes* attributes,
                           int lineLength) {
  if (value.empty()) return;
  DoWriteElement(name, attributes, EncodeFormattedBase(beBase32, value, lineLength), lineLength > 0);
}

void TXmlFile::FlushPending(std::wstring& pending, std::wstring& indentation) {
  if (pending.empty()) return;
  if (const std::wstring& line = GetWriteLine(); !line.empty()) {
    const std::size_t lt = line.find(L'<');
    indentation = lt == std::wstring::npos ? std::wstring() : line.substr(0, lt);
    Write(L"", true);
  }
  Write(GetIndentSpaces(0) + pending, true);
  pending.clear();
}

void TXmlFile::WriteFormattedBase16(const Rtl::TBytes& data, int lineLength) {
  if (lineLength < 1) {
    WriteString(TBase16::Encode(data, false));
    return;
  }
  static constexpr wchar_t DIGITS_C[] = L"0123456789ABCDEF";
  const std::size_t perLine = static_cast<std::size_t>(std::max(lineLength / 2, 20));
  const bool layout = !(IsKeepFormat() || FInline > 0);
  std::wstring pending;
  std::wstring indentation;
  pending.reserve(2 * perLine);
  std::size_t inLine = 0;
  for (const std::uint8_t b : data) {
    pending += DIGITS_C[b >> 4];
    pending += DIGITS_C[b & 15];
    if (layout && ++inLine == perLine) {
      FlushPending(pending, indentation);
      inLine = 0;
    }
  }
  FlushPending(pending, indentation);
  Write(indentation);
}

void TXmlFile::WriteFormattedUrl(const Rtl::TBytes& data, int lineLength) {
  if (lineLength < 1) {
    WriteString(TUrlString::Encode(data));
    return;
  }
  static constexpr wchar_t DIGITS_C[] = L"0123456789ABCDEF";
  const std::size_t length = static_cast<std::size_t>(std::max(lineLength, 20));
  const bool layout = !(IsKeepFormat() || FInline > 0);
  std::wstring pending;
  std::wstring indentation;
  for (const std::uint8_t b : data) {
    const wchar_t c = static_cast<wchar_t>(b);
    if (TUrlString::IsPlain(c)) {
      pending += c;
    } else {
      pending += L'%';
      pending += DIGITS_C[b >> 4];
      pending += DIGITS_C[b & 15];
    }
    if (layout && pending.size() >= length) {
      std::wstring line = pending.substr(0, length);
      pending.erase(0, length);
      FlushPending(line, indentation);
    }
  }
  FlushPending(pending, indentation);
  Write(indentation);
}

void TXmlFile::WriteBase16(const Rtl::TBytes& value) { WriteFormattedBase16(value, XML_LINE_LENGTH_C); }
void TXmlFile::WriteBase16(const std::wstring& name, const Rtl::TBytes& value, const TXmlAttributes* attributes,
                           int lineLength) {
  if (value.empty()) return;
  WriteStartTag(name, attributes, true, xwSingleLine, L"");
  WriteFormattedBase16(value, lineLength);
  WriteEndTag(true, L"");
}
void TXmlFile::WriteUrl(const Rtl::TBytes& value) { WriteFormattedUrl(value, XML_LINE_LENGTH_C); }
void TXmlFile::WriteUrl(const std::wstring& name, const Rtl::TBytes& value, const TXmlAttributes* attributes,
                        int lineLength) {
  if (value.empty()) return;
  WriteStartTag(name, attributes, true, xwSingleLine, L"");
  WriteFormattedUrl(value, lineLength);
  WriteEndTag(true, L"");
}

void TXmlFile::WriteBinary(const Rtl::TBytes& value, TBinaryEncoding encoding) {
  switch (encoding) {
    case beBase64: WriteBase64(value); return;
    case beBase32: WriteBase32(value); return;
    case beBase16: WriteBase16(value); return;
    case beUrl: WriteUrl(value); return;
  }
  throw Rtl::Exception(Rtl::LoadResString(SXmlErrorMessage));
}

void TXmlFile::WriteBinary(const std::wstring& name, const Rtl::TBytes& value, TBinaryEncoding encoding,
                           const TXmlAttributes* attributes, int lineLength) {
  switch (encoding) {
    case beBase64: WriteBase64(name, value, attributes, lineLength); return;
    case beBase32: WriteBase32(name, value, attributes, lineLength); return;
    case beBase16: WriteBase16(name, value, attributes, lineLength); return;
    case beUrl: WriteUrl(name, value, attributes, lineLength); return;
  }
  throw Rtl::Exception(Rtl::LoadResString(SXmlErrorMessage));
}

// --- Re-encoding a fragment ------------------------------------------------------

std::wstring TXmlFile::EncodeXmlString(const std::wstring& value) {
  TXmlFile xml;
  xml.SetOptions(TXmlOptions{xoKeepFormat});
  xml.LoadFromString(L"<root>" + value + L"</root>");
  std::vector<TXmlElement*> work;
  for (int i = 0; i < xml.GetItemCount(); ++i) work.push_back(xml.GetItems(i));
  while (!work.empty()) {
    TXmlElement* node = work.back();
    work.pop_back();
    node->SetCodings(XML_EMPTY_CODINGS_C);
    for (int i = 0; i < node->GetCount(); ++i) work.push_back(node->GetElements(i));
  }
  xml.SetDefaultCoding(XML_ALL_CODING_C);
  const std::wstring text = xml.WriteToString();
  if (text.size() < 13) return {};
  return text.substr(6, text.size() - 13);
}

}  // namespace Qd
