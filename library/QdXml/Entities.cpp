// The entity table: decoding and encoding of references, the recorded forms
// of special characters, declarations and the expansion limits.
//
// A reference is "&" + a name + ";" (a name starts with a letter or "_" and
// goes on with letters, digits, "_", "-", "." and ":"), "&#" + decimal
// digits + ";" or "&#x" + hexadecimal digits + ";". Any other "&" is a
// literal ampersand. Every scan looks at a bounded stretch after the "&",
// and nothing copies the rest of a text, so work stays linear in the output.
#include "QdXml/Entities.h"

#include <algorithm>
#include <atomic>

#include "QdString/String.h"
#include "QdString/UnicodeString.h"
#include "QdXml/Characters.h"
#include "QdXml/OutputBuffer.h"
#include "QdXml/Strings.h"
#include "QdClasses/File.h"
#include "runtime/Core/Exceptions.h"
#include "runtime/Core/ResStrings.h"
#include "runtime/Text/Ascii.h"
#include "runtime/Text/Format.h"

namespace Qd {

namespace {

constinit std::atomic<bool> RaiseOnUnknown{false};

// The predefined entity of a character, or -1.
int PredefinedIndex(char32_t c) {
  switch (c) {
    case U'<': return xeLt;
    case U'>': return xeGt;
    case U'&': return xeAmp;
    case U'\'': return xeApos;
    case U'"': return xeQuot;
    default: return -1;
  }
}

bool IsNameStart(wchar_t c) {
  if (c < 0x80) return Rtl::IsAsciiLetter(c) || c == L'_';
  return TUnicodeString::IsAlpha(c);
}

bool IsNameChar(wchar_t c) {
  if (c < 0x80) return Rtl::IsAsciiLetter(c) || (c >= L'0' && c <= L'9') || c == L'_' || c == L'-' || c == L'.' || c == L':';
  return TUnicodeString::IsAlpha(c);
}

// The length of the name that starts at `pos` (0 when there is none).
std::size_t NameLength(std::wstring_view s, std::size_t pos) {
  if (pos >= s.size() || !IsNameStart(s[pos])) return 0;
  std::size_t end = pos + 1;
  while (end < s.size() && IsNameChar(s[end])) ++end;
  return end - pos;
}

// Character references: what follows "&#" up to ";", its value and form.
struct TCharReference {
  bool Found = false;    // "&#" + digits or letters + ";"
  std::size_t End = 0;   // index after the ";"
  std::wstring_view Text;  // between "&#" and ";"
};

TCharReference ScanCharReference(std::wstring_view s, std::size_t amp) {
  TCharReference result;
  std::size_t p = amp + 2;
  const std::size_t start = p;
  while (p < s.size() && p - start < 64 && Rtl::IsAsciiAlphaNumeric(s[p])) ++p;
  if (p == start || p >= s.size() || s[p] != L';') return result;
  result.Found = true;
  result.End = p + 1;
  result.Text = s.substr(start, p - start);
  return result;
}

// The code point of a character reference's text ("65", "x41"); raises the
// integer-conversion error for anything that isn't a number, and for 0, a
// surrogate or a value beyond U+10FFFF.
char32_t CharReferenceValue(std::wstring_view text, bool& hex, TXmlHexCases& cases, bool& leadingZeros,
                            int* zeros = nullptr) {
  hex = !text.empty() && (text[0] == L'x');
  std::wstring_view digits = hex ? text.substr(1) : text;
  std::uint32_t value = 0;
  bool valid = !digits.empty();
  for (wchar_t c : digits) {
    int digit;
    if (c >= L'0' && c <= L'9')
      digit = c - L'0';
    else if (hex && c >= L'a' && c <= L'f') {
      digit = c - L'a' + 10;
      cases.Include(hcLower);
    } else if (hex && c >= L'A' && c <= L'F') {
      digit = c - L'A' + 10;
      cases.Include(hcUpper);
    } else {
      valid = false;
      break;
    }
    value = value * (hex ? 16u : 10u) + static_cast<std::uint32_t>(digit);
    if (value > 0x10FFFF) {
      valid = false;
      break;
    }
  }
  if (!valid || value == 0 || (value >= 0xD800 && value <= 0xDFFF)) Rtl::RaiseInvalidInteger(text);
  leadingZeros = hex && digits[0] == L'0';
  if (zeros != nullptr) {
    const std::size_t first = digits.find_first_not_of(L'0');
    *zeros = static_cast<int>(std::min<std::size_t>(first == std::wstring_view::npos ? 0 : first, 255));
  }
  return value;
}

template <class TOut>
void AppendCodePoint(TOut& out, char32_t c) {
  if (c >= 0x10000) {
    const char32_t v = c - 0x10000;
    out += static_cast<wchar_t>(0xD800 + (v >> 10));
    out += static_cast<wchar_t>(0xDC00 + (v & 0x3FF));
  } else {
    out += static_cast<wchar_t>(c);
  }
}

// At least two upper-case hexadecimal digits.
std::wstring Hex(char32_t c) { return Rtl::IntToHex(static_cast<long long>(c), 2); }

template <class TOut>
void AppendHexReference(TOut& out, char32_t c) {
  out += L"&#x";
  out += Hex(c);
  out += L';';
}

// A character reference to `c` in the form that `data` recorded for it:
// the leading zeros read (or the two-digit padding), the case of the
// hexadecimal digits; without a record, upper case and the shortest digits.
template <class TOut>
void AppendRecordedReference(TOut& out, char32_t c, bool hex, const TXmlEntityData* data) {
  std::wstring digits = hex ? Hex(c) : Rtl::IntToStr(static_cast<long long>(c));
  if (!(hex && data != nullptr && data->Zeros == 0 && data->LeadingZeros)) {
    const std::size_t first = digits.find_first_not_of(L'0');
    digits.erase(0, first == std::wstring::npos ? digits.size() - 1 : first);
  }
  if (hex && data != nullptr && !data->Cases.Contains(hcUpper)) digits = Rtl::AsciiLowerCase(digits);
  out += hex ? L"&#x" : L"&#";
  if (data != nullptr) out.append(data->Zeros, L'0');
  out += digits;
  out += L';';
}

// The code point at `i` (a valid surrogate pair counts as one); `i` moves
// past it.
char32_t NextCodePoint(std::wstring_view s, std::size_t& i) {
  const wchar_t c = s[i++];
  if (c >= 0xD800 && c <= 0xDBFF && i < s.size() && s[i] >= 0xDC00 && s[i] <= 0xDFFF) {
    const wchar_t low = s[i++];
    return 0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) + (static_cast<char32_t>(low) - 0xDC00);
  }
  return c;
}

// The whole value of an entity as one code point, or 0.
char32_t SingleCodePoint(std::wstring_view value) {
  if (value.empty()) return 0;
  std::size_t i = 0;
  const char32_t c = NextCodePoint(value, i);
  return i == value.size() ? c : 0;
}

}  // namespace

bool RaiseExceptionOnUnknownEntity() { return RaiseOnUnknown.load(); }
void SetRaiseExceptionOnUnknownEntity(bool value) { RaiseOnUnknown.store(value); }

// --- TXmlEntity ----------------------------------------------------------

void TXmlEntity::Assign(const Rtl::TPersistent& source) {
  const auto& entity = Rtl::As<TXmlEntity>(source);
  FFormat = entity.FFormat;
  FName = entity.FName;
  FUsed = entity.FUsed;
  FValue = entity.FValue;
  FLoaded = entity.FLoaded;
  FKeptReferences = entity.FKeptReferences;
  FHasReplacement = entity.FHasReplacement;
  FReplacement = entity.FReplacement;
}

bool TXmlEntity::Equals(const Rtl::TObject* obj) const {
  if (obj == nullptr || &obj->ClassType() != &ClassType()) return false;
  const auto* entity = static_cast<const TXmlEntity*>(obj);
  return FFormat == entity->FFormat && FName == entity->FName && FUsed == entity->FUsed && FValue == entity->FValue;
}

int TXmlEntity::Compare(const TQdObject& item) const {
  const int c = FName.compare(Rtl::As<TXmlEntity>(item).FName);
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

// --- TXmlPartEntities ------------------------------------------------------

void TXmlPartEntities::Assign(const Rtl::TPersistent& source) {
  FCharacterCodings = Rtl::As<TXmlPartEntities>(source).FCharacterCodings;
  FMask = Rtl::As<TXmlPartEntities>(source).FMask;
}

bool TXmlPartEntities::Equals(const Rtl::TObject* obj) const {
  const auto* other = dynamic_cast<const TXmlPartEntities*>(obj);
  return other != nullptr && other->FCharacterCodings == FCharacterCodings;
}

const TXmlEntityData* TXmlPartEntities::Find(char32_t c) const {
  const auto found = FCharacterCodings.find(c);
  return found == FCharacterCodings.end() ? nullptr : &found->second;
}

void TXmlPartEntities::Record(char32_t c, TXmlCoding coding, TXmlHexCases cases, bool leadingZeros, int zeros) {
  TXmlEntityData& data = FCharacterCodings[c];
  FMask[c < 128 ? c >> 6 : 2] |= std::uint64_t{1} << (c & 63);
  if (data.Codings.IsEmpty()) data.Zeros = static_cast<std::uint8_t>(std::clamp(zeros, 0, 255));
  data.Codings.Include(coding);
  data.Cases += cases;
  if (leadingZeros) data.LeadingZeros = true;
}

// --- TXmlFileEntities: the items --------------------------------------------

TXmlFileEntities::TXmlFileEntities() {
  for (const TEntityData& row : ENTITIES_C) Add(xfPredefined, row.Code, std::wstring(1, row.Char));
}

TXmlFileEntities::~TXmlFileEntities() = default;

std::unique_ptr<TXmlFileEntities> TXmlFileEntities::CreateDefault() {
  auto result = std::make_unique<TXmlFileEntities>();
  result->FPredefinedCoding = XML_DEFAULT_CODING_C;
  return result;
}

TXmlEntity* TXmlFileEntities::GetItems(int index) const { return static_cast<TXmlEntity*>(FItems.GetItems(index)); }

TXmlEntity* TXmlFileEntities::GetInternalItems(int index) const {
  return static_cast<TXmlEntity*>(FInternalItems.GetItems(index));
}

TXmlEntity* TXmlFileEntities::Add(std::unique_ptr<TXmlEntity> entity) {
  TXmlEntity* result = entity.get();
  FItems.Add(std::move(entity));
  // The first declaration of a name binds, as in any DTD.
  FNames.emplace(result->GetName(), result);
  FSorted = false;
  FChars.reset();
  return result;
}

TXmlEntity* TXmlFileEntities::Add(TXmlEntityFormat format, const std::wstring& name, const std::wstring& value) {
  return Add(std::make_unique<TXmlEntity>(format, name, value));
}

void TXmlFileEntities::CopyForPart(const TXmlFileEntities& source) {
  FItems.Clear();
  FNames.clear();
  FChars.reset();
  for (TQdObject* item : source.FItems) {
    auto entity = std::make_unique<TXmlEntity>();
    entity->Assign(*static_cast<TXmlEntity*>(item));
    entity->SetUsed(false);
    Add(std::move(entity));
  }
  FPredefinedCoding = source.FPredefinedCoding;
  FRoot = source.FRoot;
  FStoreEntities = source.FStoreEntities;
  FMaxEntityExpansion = source.FMaxEntityExpansion;
  FMaxEntityNesting = source.FMaxEntityNesting;
  FExternalSources = source.FExternalSources;
  FMaxExternalSize = source.FMaxExternalSize;
  FExternalTimeout = source.FExternalTimeout;
}

void TXmlFileEntities::TakeOverPart(const TXmlFileEntities& part) {
  for (TQdObject* item : part.FItems) {
    const auto* entity = static_cast<const TXmlEntity*>(item);
    if (!entity->GetUsed()) continue;
    if (TXmlEntity* own = FindName(entity->GetName())) own->SetUsed(true);
  }
  FUnknownCodes.insert(part.FUnknownCodes.begin(), part.FUnknownCodes.end());
  // The preferred form of a predefined character follows from every form
  // seen, as Record works it out.
  for (std::size_t e = 0; e < FPredefinedCodings.size(); ++e) {
    if (part.FPredefinedCodings[e].IsEmpty()) continue;
    TXmlCodings& seen = FPredefinedCodings[e];
    seen += part.FPredefinedCodings[e];
    FPredefinedCoding[e] = seen.Contains(xcEntity) ? xcEntity
                           : seen.Contains(xcHex)  ? xcHex
                           : seen.Contains(xcNumber) ? xcNumber
                                                     : xcNone;
  }
}

void TXmlFileEntities::Sort() {
  FItems.Sort();
  FSorted = true;
}

TXmlEntity* TXmlFileEntities::FindName(std::wstring_view name) const {
  const auto found = FNames.find(std::wstring(name));
  return found == FNames.end() ? nullptr : found->second;
}

void TXmlFileEntities::MakeChars() {
  FChars = std::make_unique<std::unordered_map<char32_t, TXmlEntity*>>();
  FCharsMask = TCharMask();
  for (TQdObject* item : FItems) {
    auto* entity = static_cast<TXmlEntity*>(item);
    // Only the declaration that a name binds to may stand for its value,
    // and only under a name that reads back as a reference.
    const std::wstring& name = entity->GetName();
    if (!entity->GetLoaded() || FindName(name) != entity || NameLength(name, 0) != name.size()) continue;
    const char32_t single = SingleCodePoint(entity->GetValue());
    if (single != 0 && FChars->emplace(single, entity).second) FCharsMask.Add(single);
  }
}

TXmlEntity* TXmlFileEntities::FindChar(char32_t c) {
  if (!FChars) MakeChars();
  if (FChars->empty()) return nullptr;
  const auto found = FChars->find(c);
  return found == FChars->end() ? nullptr : found->second;
}

TXmlEntity* TXmlFileEntities::FindInternal(std::wstring_view name) const {
  const auto found = FInternalNames.find(std::wstring(name));
  return found == FInternalNames.end() ? nullptr : found->second;
}

bool TXmlFileEntities::IsHttpFileName(std::wstring_view fileName) {
  return fileName.size() >= 7 && Rtl::AsciiSameText(fileName.substr(0, 7), L"http://");
}

bool TXmlFileEntities::IsExternalAllowed(std::wstring_view identifier) const {
  return FExternalSources.Contains(IsHttpFileName(identifier) ? esHttp : esFile);
}

void TXmlFileEntities::CountExpansion(std::size_t count) {
  FExpandedChars += static_cast<std::int64_t>(count);
  const std::int64_t limit = std::max(FMaxEntityExpansion, FReadChars * 10);
  if (FExpandedChars > limit)
    throw Rtl::Exception(Rtl::Format(Rtl::LoadResString(SXmlExpansionLimit), {static_cast<long long>(limit)}));
}

bool TXmlFileEntities::IsExpanded(const TXmlEntity& entity, TXmlEntityFormats formats) const {
  return formats.Contains(entity.GetFormat()) && entity.GetLoaded();
}

// --- Decoding ----------------------------------------------------------------

void TXmlFileEntities::Record(TXmlPredefinedEntity entity, TXmlCoding coding, TXmlHexCases cases,
                              bool leadingZeros, TXmlPartEntities* partEntities, int zeros) {
  TXmlCodings& seen = FPredefinedCodings[entity];
  seen.Include(coding);
  FThisCodings[entity].Include(coding);
  FPredefinedCoding[entity] = seen.Contains(xcEntity) ? xcEntity
                              : seen.Contains(xcHex)  ? xcHex
                              : seen.Contains(xcNumber) ? xcNumber
                                                        : xcNone;
  if (partEntities != nullptr) partEntities->Record(PREDEFINED_ENTITIES_C[entity], coding, cases, leadingZeros, zeros);
}

std::wstring TXmlFileEntities::DecodeString(std::wstring_view value, TXmlEntityFormats formats,
                                            TXmlPartEntities* partEntities) {
  CountRead(value.size());
  return Decode(value, formats, partEntities, nullptr, nullptr);
}

std::wstring TXmlFileEntities::Decode(std::wstring_view value, TXmlEntityFormats formats,
                                      TXmlPartEntities* partEntities, const std::wstring* declaring,
                                      std::vector<std::wstring>* kept) {
  if (partEntities != nullptr) partEntities->Clear();
  FThisCodings = XML_EMPTY_CODINGS_C;
  const bool predefined = formats.Contains(xfPredefined);
  std::wstring out;
  out.reserve(value.size());
  // Entities already searched for references to `declaring`: each is
  // searched once per declaration.
  std::set<const TXmlEntity*> checked;
  const std::size_t n = value.size();
  std::size_t i = 0;
  while (i < n) {
    std::size_t run = i;
    while (run < n && value[run] != L'&' && value[run] != L'<' && value[run] != L'>' && value[run] != L'"' &&
           value[run] != L'\'')
      ++run;
    out.append(value.substr(i, run - i));
    i = run;
    if (i >= n) break;
    const wchar_t c = value[i];
    if (c != L'&') {
      if (predefined) Record(static_cast<TXmlPredefinedEntity>(PredefinedIndex(c)), xcNone, {}, false, partEntities);
      out += c;
      ++i;
      continue;
    }
    // A character reference.
    if (i + 1 < n && value[i + 1] == L'#') {
      const TCharReference ref = ScanCharReference(value, i);
      if (!ref.Found || !predefined) {
        out += L'&';
        ++i;
        continue;
      }
      bool hex = false;
      bool leadingZeros = false;
      int zeros = 0;
      TXmlHexCases cases;
      const char32_t ch = CharReferenceValue(ref.Text, hex, cases, leadingZeros, &zeros);
      const TXmlCoding coding = hex ? xcHex : xcNumber;
      const int entity = PredefinedIndex(ch);
      if (entity >= 0)
        Record(static_cast<TXmlPredefinedEntity>(entity), coding, cases, leadingZeros, partEntities, zeros);
      else if (partEntities != nullptr)
        partEntities->Record(ch, coding, cases, leadingZeros, zeros);
      AppendCodePoint(out, ch);
      i = ref.End;
      continue;
    }
    // An entity reference.
    const std::size_t length = NameLength(value, i + 1);
    if (length == 0 || i + 1 + length >= n || value[i + 1 + length] != L';') {
      out += L'&';
      ++i;
      continue;
    }
    const std::wstring_view name = value.substr(i + 1, length);
    const std::size_t end = i + length + 2;
    if (declaring != nullptr && name == *declaring)
      throw Rtl::Exception(Rtl::Format(Rtl::LoadResString(SXmlSelfReference), {name}));
    TXmlEntity* entity = FindName(name);
    if (entity == nullptr) {
      if (RaiseExceptionOnUnknownEntity())
        throw Rtl::Exception(Rtl::Format(Rtl::LoadResString(SXmlUnknownEntity), {name}));
      out.append(value.substr(i, end - i));
      // A reference in a declared value may name an entity declared later:
      // it is remembered with the entity, not listed as unknown, so that
      // the text it leaves is written back as literal text.
      if (kept != nullptr)
        kept->emplace_back(name);
      else
        FUnknownCodes.emplace(name);
    } else if (IsExpanded(*entity, formats)) {
      if (declaring != nullptr && !entity->GetKeptReferences().empty()) CheckReferences(*declaring, *entity, 1, checked);
      const std::wstring& replacement = entity->GetValue();
      if (entity->GetFormat() != xfPredefined) CountExpansion(replacement.size());
      out += replacement;
      entity->SetUsed(true);
      if (entity->GetFormat() == xfPredefined) {
        const int index = PredefinedIndex(SingleCodePoint(replacement));
        if (index >= 0) Record(static_cast<TXmlPredefinedEntity>(index), xcEntity, {}, false, partEntities);
      }
    } else {
      out.append(value.substr(i, end - i));
      if (kept != nullptr) kept->emplace_back(name);
    }
    i = end;
  }
  return out;
}

void TXmlFileEntities::CheckReferences(const std::wstring& name, const TXmlEntity& entity, int depth,
                                       std::set<const TXmlEntity*>& visited) const {
  if (depth > FMaxEntityNesting)
    throw Rtl::Exception(Rtl::Format(Rtl::LoadResString(SXmlNestingLimit), {FMaxEntityNesting}));
  if (!visited.insert(&entity).second) return;
  for (const std::wstring& reference : entity.GetKeptReferences()) {
    if (reference == name) throw Rtl::Exception(Rtl::Format(Rtl::LoadResString(SXmlSelfReference), {name}));
    const TXmlEntity* next = FindName(reference);
    if (next != nullptr && next != &entity) CheckReferences(name, *next, depth + 1, visited);
  }
}

// --- Encoding ------------------------------------------------------------------

template <class TOut>
void TXmlFileEntities::AppendPredefined(TOut& out, TXmlPredefinedEntity entity, const TXmlEntityCoding& coding,
                                         const TXmlPartEntities* partEntities) const {
  const TEntityData& row = ENTITIES_C[entity];
  // A reference read in the form written keeps its digits as read.
  const auto recorded = [&](TXmlCoding form) -> const TXmlEntityData* {
    const TXmlEntityData* data = partEntities != nullptr ? partEntities->Find(row.Char) : nullptr;
    return data != nullptr && data->Codings.Contains(form) ? data : nullptr;
  };
  switch (coding[entity]) {
    case xcEntity:
      out += L'&';
      out += row.Code;
      out += L';';
      break;
    case xcNumber:
      AppendRecordedReference(out, row.Char, false, recorded(xcNumber));
      break;
    case xcHex:
      if (const TXmlEntityData* data = recorded(xcHex)) AppendRecordedReference(out, row.Char, true, data);
      else AppendHexReference(out, row.Char);
      break;
    default:
      out += row.Char;
      break;
  }
}

template <class TOut>
void TXmlFileEntities::AddChar(TOut& out, char32_t c, TXmlEntityFormats formats,
                               const TXmlPartEntities* partEntities) {
  // Only an entity that a reader expands may stand for the character.
  if (const TXmlEntity* entity = FindChar(c); entity != nullptr && IsExpanded(*entity, formats)) {
    out += L'&';
    out += entity->GetName();
    out += L';';
    return;
  }
  const TXmlEntityData* data = partEntities != nullptr ? partEntities->Find(c) : nullptr;
  if (data != nullptr && (data->Codings.Contains(xcHex) || data->Codings.Contains(xcNumber))) {
    AppendRecordedReference(out, c, data->Codings.Contains(xcHex), data);
  } else {
    AppendCodePoint(out, c);
  }
}

TXmlFileEntities::TCharMask TXmlFileEntities::CandidateMask(const TXmlPartEntities* partEntities) {
  if (!FChars) MakeChars();
  TCharMask mask = FCharsMask;
  if (partEntities != nullptr) {
    const auto& part = partEntities->GetMask();
    mask.Ascii[0] |= part[0];
    mask.Ascii[1] |= part[1];
    mask.Other |= part[2];
  }
  return mask;
}

// What ends a plain run: the units of `mask` and with `special` also the
// predefined and control characters; a surrogate, whose code point AddChar
// takes from a pair, unless no character beyond ASCII is in `mask`.
// With SSE2 eight units are tested at a time for the units that may stop a
// run: the special ones (exactly), up to four other ASCII units of the mask
// (exactly; with more, any ASCII unit may), and any unit from U+0080 when
// the mask has characters there; a block with such a unit is looked at
// unit by unit.
struct TXmlFileEntities::TPlainScan {
  std::uint64_t Stops[2];
  std::uint64_t Other;
  bool Special;
  std::uint16_t Extra[4] = {};
  int ExtraCount = 0;
  bool AnyAscii = false;

  TPlainScan(const TCharMask& mask, bool special)
      : Stops{mask.Ascii[0] | (special ? XML_SPECIAL_UNITS_C : 0), mask.Ascii[1]}, Other(mask.Other),
        Special(special) {
    const std::uint64_t extra[2] = {special ? Stops[0] & ~XML_SPECIAL_UNITS_C : Stops[0], Stops[1]};
    for (int w = 0; w < 2; ++w)
      for (std::uint64_t bits = extra[w]; bits != 0; bits &= bits - 1) {
        if (ExtraCount == 4) {
          AnyAscii = true;
          return;
        }
        Extra[ExtraCount++] = static_cast<std::uint16_t>(64 * w + __builtin_ctzll(bits));
      }
  }

  bool StopsAt(wchar_t c) const {
    if (c < 128) return ((Stops[c >> 6] >> (c & 63)) & 1) != 0;
    if (c >= 0xD800 && c <= 0xDFFF) return Other != 0;
    return ((Other >> (c & 63)) & 1) != 0;
  }

#if defined(RTL_SSE2_PATHS)
  // The whole blocks of eight units from `i`: the stop (`stopped` set), or
  // where the blocks end.
  RTL_SSE2 std::size_t Blocks(const wchar_t* p, std::size_t i, std::size_t n, bool& stopped) const {
    const __m128i highBits = _mm_set1_epi16(static_cast<short>(0xFF80));
    const __m128i zero = _mm_setzero_si128();
    __m128i extra[4];
    for (int k = 0; k < ExtraCount; ++k) extra[k] = _mm_set1_epi16(static_cast<short>(Extra[k]));
    for (; i + 8 <= n; i += 8) {
      const __m128i u = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
      const __m128i ascii = _mm_cmpeq_epi16(_mm_and_si128(u, highBits), zero);
      __m128i maybe = Special ? XmlSpecialUnits(u) : zero;
      for (int k = 0; k < ExtraCount; ++k) maybe = _mm_or_si128(maybe, _mm_cmpeq_epi16(u, extra[k]));
      if (AnyAscii) maybe = _mm_or_si128(maybe, ascii);
      if (Other != 0) maybe = _mm_or_si128(maybe, _mm_andnot_si128(ascii, _mm_cmpeq_epi16(zero, zero)));
      // Two bits per lane: only the lanes that may stop are looked at.
      for (unsigned bits = static_cast<unsigned>(_mm_movemask_epi8(maybe)); bits != 0; bits &= bits - 1) {
        const std::size_t k = i + static_cast<std::size_t>(__builtin_ctz(bits)) / 2;
        if (StopsAt(p[k])) {
          stopped = true;
          return k;
        }
        bits &= bits - 1;
      }
    }
    return i;
  }
#endif
};

// The end of the run from `i` of characters that AddChar writes as they
// are (see TPlainScan).
std::size_t TXmlFileEntities::PlainRun(std::wstring_view value, std::size_t i, const TPlainScan& scan) {
  const std::size_t n = value.size();
  const wchar_t* p = value.data();
#if defined(RTL_SSE2_PATHS)
  if (n - i >= 8 && Rtl::Cpu::HasSse2()) {
    bool stopped = false;
    i = scan.Blocks(p, i, n, stopped);
    if (stopped) return i;
  }
#endif
  for (; i < n; ++i)
    if (scan.StopsAt(p[i])) return i;
  return n;
}

std::wstring TXmlFileEntities::EncodeString(std::wstring_view value, TXmlEntityFormats formats,
                                            const TXmlPartEntities* partEntities, int ansiCodePage) {
  std::wstring out;
  EncodeTo(out, value, formats, partEntities, FPredefinedCoding, ansiCodePage);
  return out;
}

template <class TOut>
void TXmlFileEntities::EncodeTo(TOut& out, std::wstring_view value, TXmlEntityFormats formats,
                                const TXmlPartEntities* partEntities, const TXmlEntityCoding& coding,
                                int ansiCodePage, const TXmlEntityFormats* readFormats) {
  const bool noPart = partEntities == nullptr || partEntities->GetCount() == 0;
  if (noPart && !TUnicodeString::HasControlCharacters(value) &&
      (formats.IsEmpty() || value.find_first_of(L"&<>\"'\u00A0") == std::wstring_view::npos)) {
    if (FStoreEntities) {
      const TPlainScan scan(CandidateMask(partEntities), false);
      for (std::size_t i = 0; i < value.size();) {
        const std::size_t run = PlainRun(value, i, scan);
        out.append(value.substr(i, run - i));
        i = run;
        if (i < value.size()) AddChar(out, NextCodePoint(value, i), formats, partEntities);
      }
      return;
    }
    if (ansiCodePage < 0) {
      out.append(value);
      return;
    }
    for (std::size_t i = 0; i < value.size();) {
      const std::size_t start = i;
      const char32_t c = NextCodePoint(value, i);
      if (c < 0x10000 && TString::DoesCodePageSupport(static_cast<wchar_t>(c), ansiCodePage))
        out.append(value.substr(start, i - start));
      else
        AppendHexReference(out, c);
    }
    return;
  }

  out.reserve(out.size() + value.size() + value.size() / 8);
  const bool predefined = formats.Contains(xfPredefined);
  const bool addChars = FStoreEntities || !noPart;
  const TPlainScan scan(addChars ? CandidateMask(partEntities) : TCharMask(), true);
  const std::size_t n = value.size();
  for (std::size_t i = 0; i < n;) {
    // The characters that nothing applies to, as one piece.
    if (const std::size_t run = PlainRun(value, i, scan); run > i) {
      out.append(value.substr(i, run - i));
      i = run;
      if (i == n) break;
    }
    const wchar_t c = value[i];
    switch (c) {
      case L'"':
      case L'\'':
      case L'<':
      case L'>':
        AppendPredefined(out, static_cast<TXmlPredefinedEntity>(PredefinedIndex(c)), coding, partEntities);
        ++i;
        continue;
      case L'&': {
        bool plain = false;
        if (value.size() > i + 1 && value[i + 1] == L'#') {
          // A character reference kept while reading goes out as it came.
          plain = !predefined && ScanCharReference(value, i).Found;
        } else {
          const std::size_t length = NameLength(value, i + 1);
          if (length > 0 && i + 1 + length < n && value[i + 1 + length] == L';') {
            const std::wstring_view name = value.substr(i + 1, length);
            if (FUnknownCodes.find(name) != FUnknownCodes.end()) {
              plain = true;
            } else if (const TXmlEntity* entity = FindName(name)) {
              // Expanded where it is read: the text held a literal ampersand.
              plain = !IsExpanded(*entity, readFormats != nullptr ? *readFormats : formats);
            }
            if (!plain) {
              // Never plain here: the reference form it was read in, or "&amp;".
              if (coding[xeAmp] == xcNone) out += L"&amp;";
              else AppendPredefined(out, xeAmp, coding, partEntities);
              ++i;
              continue;
            }
          }
        }
        if (plain)
          out += L'&';
        else
          AppendPredefined(out, xeAmp, coding, partEntities);
        ++i;
        continue;
      }
      default:
        break;
    }
    if (TUnicodeString::IsControlCharacter(c)) {
      AppendHexReference(out, c);
      ++i;
    } else if (addChars) {
      AddChar(out, NextCodePoint(value, i), formats, partEntities);
    } else {
      out += c;
      ++i;
    }
  }
}

// --- Declarations ------------------------------------------------------------

namespace {

// The literal of a declaration as read in content: character references
// expanded, entity references kept as written.
std::wstring ExpandCharReferences(std::wstring_view literal) {
  std::wstring out;
  out.reserve(literal.size());
  for (std::size_t i = 0; i < literal.size();) {
    const std::size_t amp = literal.find(L"&#", i);
    if (amp == std::wstring_view::npos) {
      out.append(literal.substr(i));
      break;
    }
    out.append(literal.substr(i, amp - i));
    const TCharReference ref = ScanCharReference(literal, amp);
    if (!ref.Found) {
      out += L'&';
      i = amp + 1;
      continue;
    }
    bool hex = false;
    bool leadingZeros = false;
    TXmlHexCases cases;
    AppendCodePoint(out, CharReferenceValue(ref.Text, hex, cases, leadingZeros));
    i = ref.End;
  }
  return out;
}

}  // namespace

// SetFileName and FileNameToString read through the XML reader (Documents.cpp).

void TXmlFileEntities::AddDeclaration(bool parameter, std::wstring name, std::wstring_view literal, bool external,
                                      std::wstring identifier) {
  auto entity = std::make_unique<TXmlEntity>();
  entity->SetName(name);
  if (external) {
    entity->SetFormat(xfExternal);
    if (!IsHttpFileName(identifier)) identifier = TFile::GetFullPath(identifier, FRoot);
    if (IsExternalAllowed(identifier)) {
      std::wstring value = ReadExternal(identifier);
      if (static_cast<std::int64_t>(value.size()) > FMaxExternalSize) value.clear();
      CountExpansion(value.size());
      entity->SetValue(std::move(value));
    } else {
      entity->SetLoaded(false);
    }
  } else {
    entity->SetFormat(xfLocal);
    std::vector<std::wstring> kept;
    // The literal's references are expanded now; those to entities not yet
    // declared stay as written and are remembered.
    entity->SetValue(Decode(literal, TXmlEntityFormats{xfPredefined, xfLocal}, nullptr,
                            parameter ? nullptr : &name, &kept));
    entity->SetKeptReferences(std::move(kept));
    std::wstring replacement = ExpandCharReferences(literal);
    if (replacement != entity->GetValue()) entity->SetReplacementText(std::move(replacement));
  }
  if (parameter) {
    TXmlEntity* result = entity.get();
    FInternalItems.Add(std::move(entity));
    FInternalNames.emplace(result->GetName(), result);
  } else {
    Add(std::move(entity));
  }
}

void TXmlFileEntities::SetData(std::wstring_view text) {
  CountRead(text.size());
  // The texts being parsed: the given one, then the values of the parameter
  // entities referenced from it, innermost last. A reference pushes the
  // value instead of copying it in front of the rest.
  struct TFrame {
    std::wstring_view Text;
    std::size_t Pos;
    const TXmlEntity* Entity;
  };
  std::vector<TFrame> frames{{text, 0, nullptr}};
  const auto isSpace = [](wchar_t c) { return TUnicodeString::IsWhiteSpace(c); };
  while (!frames.empty()) {
    TFrame& frame = frames.back();
    const std::wstring_view s = frame.Text;
    std::size_t& p = frame.Pos;
    if (p >= s.size()) {
      frames.pop_back();
      continue;
    }
    const std::wstring_view rest = s.substr(p);
    const auto skipSpaces = [&] {
      while (p < s.size() && isSpace(s[p])) ++p;
    };
    const auto dropPast = [&](std::wstring_view end) {
      const std::size_t found = s.find(end, p);
      p = found == std::wstring_view::npos ? s.size() : found + end.size();
    };
    // A quoted literal (double quote or apostrophe) at p; the text inside.
    const auto literal = [&]() -> std::wstring_view {
      if (p >= s.size() || (s[p] != L'"' && s[p] != L'\'')) return {};
      const wchar_t quote = s[p++];
      const std::size_t close = s.find(quote, p);
      const std::size_t end = close == std::wstring_view::npos ? s.size() : close;
      const std::wstring_view result = s.substr(p, end - p);
      p = close == std::wstring_view::npos ? s.size() : close + 1;
      return result;
    };
    if (rest.starts_with(L"<!ENTITY")) {
      p += 8;
      skipSpaces();
      bool parameter = false;
      if (p < s.size() && s[p] == L'%') {
        parameter = true;
        ++p;
        skipSpaces();
      }
      const std::size_t nameStart = p;
      while (p < s.size() && !isSpace(s[p])) ++p;
      std::wstring name(s.substr(nameStart, p - nameStart));
      skipSpaces();
      const std::wstring_view keyword = s.substr(p, 6);
      bool external = false;
      std::wstring_view value;
      if (keyword == L"SYSTEM" || keyword == L"PUBLIC") {
        p += 6;
        skipSpaces();
        value = literal();
        if (keyword == L"PUBLIC") {
          skipSpaces();
          value = literal();
        }
        external = true;
      } else {
        value = literal();
      }
      dropPast(L">");
      if (!name.empty()) AddDeclaration(parameter, std::move(name), value, external, std::wstring(value));
    } else if (rest.starts_with(L"<!--")) {
      p += 4;
      dropPast(L"-->");
    } else if (rest.starts_with(L"<!")) {
      dropPast(L">");
    } else if (s[p] == L'%') {
      const std::size_t semicolon = s.find(L';', p);
      if (semicolon == std::wstring_view::npos) {
        ++p;
        continue;
      }
      const std::wstring_view name = s.substr(p + 1, semicolon - p - 1);
      p = semicolon + 1;
      const TXmlEntity* entity = FindInternal(name);
      if (entity == nullptr || entity->GetValue().empty()) continue;
      for (const TFrame& open : frames)
        if (open.Entity == entity)
          throw Rtl::Exception(Rtl::Format(Rtl::LoadResString(SXmlSelfReference), {name}));
      if (static_cast<int>(frames.size()) > FMaxEntityNesting)
        throw Rtl::Exception(Rtl::Format(Rtl::LoadResString(SXmlNestingLimit), {FMaxEntityNesting}));
      CountExpansion(entity->GetValue().size());
      frames.push_back({entity->GetValue(), 0, entity});  // `frame` is not used after this
    } else {
      ++p;
    }
  }
}

// The two outputs of EncodeTo: a string, and the writer's buffer.
template void TXmlFileEntities::EncodeTo(std::wstring&, std::wstring_view, TXmlEntityFormats,
                                         const TXmlPartEntities*, const TXmlEntityCoding&, int,
                                         const TXmlEntityFormats*);
template void TXmlFileEntities::EncodeTo(TXmlOutputBuffer&, std::wstring_view, TXmlEntityFormats,
                                         const TXmlPartEntities*, const TXmlEntityCoding&, int,
                                         const TXmlEntityFormats*);

}  // namespace Qd
