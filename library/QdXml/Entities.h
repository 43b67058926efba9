// Entity and character references: the predefined entities and their
// characters, how each special character of a document and of each node was
// written (so that a document written again looks as it was read), and the
// table of the entities that a document declares.
//
// The table also keeps the limits that protect a reader against hostile
// declarations: the characters that expanding entities may produce, how
// deep references may nest, and which external sources may be loaded.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "QdClasses/Lists.h"
#include "QdClasses/Objects.h"
#include "runtime/Core/Set.h"
#include "runtime/Core/TypeInfo.h"

namespace Qd {

enum TXmlPredefinedEntity : std::uint8_t { xeLt = 0, xeGt = 1, xeAmp = 2, xeApos = 3, xeQuot = 4 };
RTL_ENUM_INFO(TXmlPredefinedEntity, L"xeLt", L"xeGt", L"xeAmp", L"xeApos", L"xeQuot")

// How a character was written: plain, "&name;", "&#decimal;", "&#xhex;".
enum TXmlCoding : std::uint8_t { xcNone = 0, xcEntity = 1, xcNumber = 2, xcHex = 3 };
RTL_ENUM_INFO(TXmlCoding, L"xcNone", L"xcEntity", L"xcNumber", L"xcHex")
using TXmlCodings = Rtl::TSet<TXmlCoding, xcHex>;
RTL_SET_INFO(TXmlCodings)

enum TXmlHexCase : std::uint8_t { hcLower = 0, hcUpper = 1 };
RTL_ENUM_INFO(TXmlHexCase, L"hcLower", L"hcUpper")
using TXmlHexCases = Rtl::TSet<TXmlHexCase, hcUpper>;
RTL_SET_INFO(TXmlHexCases)

// Per predefined entity: how to write it / which forms were seen.
using TXmlEntityCoding = std::array<TXmlCoding, 5>;
using TXmlEntityCodings = std::array<TXmlCodings, 5>;

// Where an entity's value comes from.
enum TXmlEntityFormat : std::uint8_t { xfPredefined = 0, xfLocal = 1, xfExternal = 2 };
RTL_ENUM_INFO(TXmlEntityFormat, L"xfPredefined", L"xfLocal", L"xfExternal")
using TXmlEntityFormats = Rtl::TSet<TXmlEntityFormat, xfExternal>;
RTL_SET_INFO(TXmlEntityFormats)

// The sources from which external entities and document types may be
// loaded.
enum TXmlExternalSource : std::uint8_t { esFile = 0, esHttp = 1 };
RTL_ENUM_INFO(TXmlExternalSource, L"esFile", L"esHttp")
using TXmlExternalSources = Rtl::TSet<TXmlExternalSource, esHttp>;
RTL_SET_INFO(TXmlExternalSources)

// One row of the predefined entities: the name and the character.
struct TEntityData {
  const wchar_t* Code;
  wchar_t Char;
};

inline constexpr TEntityData ENTITIES_C[5] = {
    {L"lt", L'<'}, {L"gt", L'>'}, {L"amp", L'&'}, {L"apos", L'\''}, {L"quot", L'"'}};
inline constexpr wchar_t PREDEFINED_ENTITIES_C[5] = {L'<', L'>', L'&', L'\'', L'"'};

inline constexpr TXmlEntityCoding XML_DEFAULT_CODING_C = {xcEntity, xcEntity, xcEntity, xcNone, xcEntity};
inline constexpr TXmlEntityCoding XML_ALL_CODING_C = {xcEntity, xcEntity, xcEntity, xcEntity, xcEntity};
inline constexpr TXmlEntityCodings XML_EMPTY_CODINGS_C = {};
inline constexpr TXmlEntityFormats XML_DEFAULT_ENTITYFORMATS_C{xfPredefined, xfLocal, xfExternal};

// The limits' defaults.
inline constexpr std::int64_t XML_MAX_ENTITY_EXPANSION_C = 1000000;
inline constexpr int XML_MAX_ENTITY_NESTING_C = 16;
inline constexpr std::int64_t XML_MAX_EXTERNAL_SIZE_C = 1024 * 1024;
inline constexpr int XML_EXTERNAL_TIMEOUT_C = 10000;  // milliseconds

// How one character other than the predefined ones was written.
struct TXmlEntityData {
  TXmlCodings Codings;
  TXmlHexCases Cases;
  bool LeadingZeros = false;
  // The leading zeros of the first reference read to it, decimal or
  // hexadecimal (at most 255), written back before its shortest digits.
  std::uint8_t Zeros = 0;

  friend bool operator==(const TXmlEntityData&, const TXmlEntityData&) = default;
};

// When set, decoding a reference to an unknown entity raises instead of
// keeping it (False at start-up).
bool RaiseExceptionOnUnknownEntity();
void SetRaiseExceptionOnUnknownEntity(bool value);

// One entity: its name, replacement text and where it comes from.
class TXmlEntity : public TQdObject {
  RTL_CLASS(TXmlEntity, TQdObject)
public:
  TXmlEntity() = default;
  TXmlEntity(TXmlEntityFormat format, std::wstring name, std::wstring value)
      : FFormat(format), FName(std::move(name)), FValue(std::move(value)) {}

  void Assign(const Rtl::TPersistent& source) override;
  bool Equals(const Rtl::TObject* obj) const override;
  // By name, ordinal and case-sensitive.
  int Compare(const TQdObject& item) const override;

  TXmlEntityFormat GetFormat() const { return FFormat; }
  void SetFormat(TXmlEntityFormat value) { FFormat = value; }
  const std::wstring& GetName() const { return FName; }
  void SetName(std::wstring value) { FName = std::move(value); }
  bool GetUsed() const { return FUsed; }
  void SetUsed(bool value) { FUsed = value; }
  const std::wstring& GetValue() const { return FValue; }
  void SetValue(std::wstring value) { FValue = std::move(value); }
  // False for an external entity whose source was not allowed: it is
  // declared but has no value, and its references stay as written.
  bool GetLoaded() const { return FLoaded; }
  void SetLoaded(bool value) { FLoaded = value; }
  // The references that stayed in the value as written when it was
  // declared (entities not declared before it); they tell the table about
  // entities that refer to themselves through others.
  const std::vector<std::wstring>& GetKeptReferences() const { return FKeptReferences; }
  void SetKeptReferences(std::vector<std::wstring> value) { FKeptReferences = std::move(value); }
  // The text a reference in content is read from: the literal with its
  // character references expanded and its entity references as written
  // (they are expanded when the text is read, so "&lt;" in a literal is
  // a character, never markup). The value when they are the same.
  const std::wstring& GetReplacementText() const { return FHasReplacement ? FReplacement : FValue; }
  void SetReplacementText(std::wstring value) {
    FReplacement = std::move(value);
    FHasReplacement = true;
  }

private:
  TXmlEntityFormat FFormat = xfPredefined;
  std::wstring FName;
  bool FUsed = false;
  bool FLoaded = true;
  std::wstring FValue;
  std::vector<std::wstring> FKeptReferences;
  bool FHasReplacement = false;
  std::wstring FReplacement;
};

// How single characters of one node were written, keyed by code point (a
// character beyond U+FFFF is one entry).
class TXmlPartEntities : public TQdObject {
  RTL_CLASS(TXmlPartEntities, TQdObject)
public:
  TXmlPartEntities() = default;

  int GetCount() const { return static_cast<int>(FCharacterCodings.size()); }
  void Clear() {
    FCharacterCodings.clear();
    FMask = {};
  }
  void Assign(const Rtl::TPersistent& source) override;
  bool Equals(const Rtl::TObject* obj) const override;

  // The entry of `c`, or none.
  const TXmlEntityData* Find(char32_t c) const;
  // Adds the form, the cases and the leading-zero flag to the entry of `c`,
  // creating it.
  void Record(char32_t c, TXmlCoding coding, TXmlHexCases cases, bool leadingZeros, int zeros = 0);
  const std::map<char32_t, TXmlEntityData>& GetCharacterCodings() const { return FCharacterCodings; }
  // The characters that have an entry: one bit for each ASCII character
  // (words 0 and 1), and for the others bit (c & 63) of word 2, shared by
  // many (the writer's quick test before it looks an entry up).
  const std::array<std::uint64_t, 3>& GetMask() const { return FMask; }

private:
  std::map<char32_t, TXmlEntityData> FCharacterCodings;
  std::array<std::uint64_t, 3> FMask{};
};

// The entities of one document: the five predefined ones and those it
// declares, and how its special characters were written.
class TXmlFileEntities : public TQdObjects {
  RTL_CLASS(TXmlFileEntities, TQdObjects)
public:
  TXmlFileEntities();
  ~TXmlFileEntities() override;
  // Create, with the default coding of the predefined characters set again.
  static std::unique_ptr<TXmlFileEntities> CreateDefault();

  // --- Decoding and encoding -------------------------------------------

  // The references of `value` replaced by their characters (those of the
  // entities whose format is in `formats`); records how each special
  // character was written (ThisCodings, the document's codings and
  // `partEntities`, which is cleared first). See the .cpp for the rules.
  std::wstring DecodeString(std::wstring_view value, TXmlEntityFormats formats, TXmlPartEntities* partEntities);
  // The characters of `value` written as references where the recorded
  // forms say so. `ansiCodePage`: the code page of a document written as
  // ANSI text (characters it lacks become hexadecimal references), or -1.
  std::wstring EncodeString(std::wstring_view value, TXmlEntityFormats formats,
                            const TXmlPartEntities* partEntities, int ansiCodePage = -1);
  // EncodeString appended to `out`, with `coding` in place of the
  // PredefinedCoding (which stays as it is). `readFormats`: the formats of
  // the entities that a reader expands where the value goes (content
  // expands more than attribute values); an "&" before the name of such an
  // entity was a literal one and goes out as "&amp;" (nullptr: `formats`).
  // `TOut` is std::wstring or the writer's TXmlOutputBuffer (QdXml/OutputBuffer.h).
  template <class TOut>
  void EncodeTo(TOut& out, std::wstring_view value, TXmlEntityFormats formats,
                const TXmlPartEntities* partEntities, const TXmlEntityCoding& coding, int ansiCodePage = -1,
                const TXmlEntityFormats* readFormats = nullptr);

  // --- The items ----------------------------------------------------------

  TXmlEntity* GetItems(int index) const;
  TXmlEntity* Add(std::unique_ptr<TXmlEntity> entity);
  TXmlEntity* Add(TXmlEntityFormat format, const std::wstring& name, const std::wstring& value);
  // The first entity declared with exactly that name; none if absent.
  TXmlEntity* FindName(std::wstring_view name) const;
  // The entity whose value is the single character `c` (a code point
  // beyond U+FFFF stands for a surrogate pair); none if absent.
  TXmlEntity* FindChar(char32_t c);
  int GetInternalCount() const { return FInternalItems.GetCount(); }
  TXmlEntity* GetInternalItems(int index) const;
  // The parameter entity of that name.
  TXmlEntity* FindInternal(std::wstring_view name) const;
  bool GetSorted() const { return FSorted; }
  // Orders the items by name.
  void Sort() override;

  // --- Declarations ---------------------------------------------------------

  // Parses entity declarations (an internal subset or the text of a DTD).
  void SetData(std::wstring_view text);
  // Loads declarations from a file or URL (when its source is allowed).
  void SetFileName(const std::wstring& name);
  // The text of a file or URL, with the default limits of size and time.
  static std::wstring FileNameToString(const std::wstring& fileName);
  // FileNameToString under the table's limits: empty when the source is
  // not allowed or fails.
  std::wstring ReadExternal(const std::wstring& fileName) const;
  static bool IsHttpFileName(std::wstring_view fileName);

  // --- Recorded codings -----------------------------------------------------

  const TXmlEntityCoding& GetPredefinedCoding() const { return FPredefinedCoding; }
  void SetPredefinedCoding(const TXmlEntityCoding& value) { FPredefinedCoding = value; }
  const TXmlEntityCodings& GetPredefinedCodings() const { return FPredefinedCodings; }
  const TXmlEntityCodings& GetThisCodings() const { return FThisCodings; }
  bool GetStoreEntities() const { return FStoreEntities; }
  void SetStoreEntities(bool value) { FStoreEntities = value; }
  const std::wstring& GetRoot() const { return FRoot; }
  void SetRoot(std::wstring value) { FRoot = std::move(value); }
  // The names of unknown entities met while decoding.
  const std::set<std::wstring, std::less<>>& GetUnknownCodes() const { return FUnknownCodes; }

  // --- Limits ---------------------------------------------------------------

  std::int64_t GetMaxEntityExpansion() const { return FMaxEntityExpansion; }
  void SetMaxEntityExpansion(std::int64_t value) { FMaxEntityExpansion = value; }
  int GetMaxEntityNesting() const { return FMaxEntityNesting; }
  void SetMaxEntityNesting(int value) { FMaxEntityNesting = value; }
  TXmlExternalSources GetExternalSources() const { return FExternalSources; }
  void SetExternalSources(TXmlExternalSources value) { FExternalSources = value; }
  std::int64_t GetMaxExternalSize() const { return FMaxExternalSize; }
  void SetMaxExternalSize(std::int64_t value) { FMaxExternalSize = value; }
  int GetExternalTimeout() const { return FExternalTimeout; }
  void SetExternalTimeout(int value) { FExternalTimeout = value; }
  // Whether an external identifier may be loaded (its source is allowed).
  bool IsExternalAllowed(std::wstring_view identifier) const;

  // The counters behind the expansion limit, shared by everything that
  // decodes one document: the characters read and the characters that
  // expanding entities produced. CountExpansion raises "Entity expansion
  // exceeds %d characters." when the produced characters pass
  // MaxEntityExpansion or ten times the characters read, whichever is
  // greater.
  void CountRead(std::size_t count) { FReadChars += static_cast<std::int64_t>(count); }
  void CountExpansion(std::size_t count);
  std::int64_t GetReadChars() const { return FReadChars; }
  std::int64_t GetExpandedChars() const { return FExpandedChars; }
  void ResetCounters() { FReadChars = 0; FExpandedChars = 0; }

  // --- A later part of a document read on another thread -------------------

  // Made the table of such a reader: a copy of `source`'s entities and
  // settings (its counters and records start empty).
  void CopyForPart(const TXmlFileEntities& source);
  // What reading the part recorded in its table `part`, taken over: the
  // entities used, the unknown names and the forms of the predefined
  // characters seen (the counters are the reader's to add).
  void TakeOverPart(const TXmlFileEntities& part);

private:
  std::wstring Decode(std::wstring_view value, TXmlEntityFormats formats, TXmlPartEntities* partEntities,
                      const std::wstring* declaring, std::vector<std::wstring>* kept);
  void Record(TXmlPredefinedEntity entity, TXmlCoding coding, TXmlHexCases cases, bool leadingZeros,
              TXmlPartEntities* partEntities, int zeros = 0);
  template <class TOut>
  void AddChar(TOut& out, char32_t c, TXmlEntityFormats formats, const TXmlPartEntities* partEntities);
  // The characters that AddChar may write otherwise: one bit for each
  // ASCII character, and for the others bit (c & 63), shared by many.
  struct TCharMask {
    std::uint64_t Ascii[2] = {0, 0};
    std::uint64_t Other = 0;
    void Add(char32_t c) {
      if (c < 128)
        Ascii[c >> 6] |= std::uint64_t{1} << (c & 63);
      else
        Other |= std::uint64_t{1} << (c & 63);
    }
  };
  TCharMask CandidateMask(const TXmlPartEntities* partEntities);
  // The stops of PlainRun, prepared once per value (Entities.cpp).
  struct TPlainScan;
  static std::size_t PlainRun(std::wstring_view value, std::size_t i, const TPlainScan& scan);
  template <class TOut>
  void AppendPredefined(TOut& out, TXmlPredefinedEntity entity, const TXmlEntityCoding& coding,
                        const TXmlPartEntities* partEntities) const;
  bool IsExpanded(const TXmlEntity& entity, TXmlEntityFormats formats) const;
  // Raises when the entity `name` being declared is reached through the
  // kept references of `entity`.
  void CheckReferences(const std::wstring& name, const TXmlEntity& entity, int depth,
                       std::set<const TXmlEntity*>& visited) const;
  void AddDeclaration(bool parameter, std::wstring name, std::wstring_view literal, bool external,
                      std::wstring identifier);

  std::unique_ptr<std::unordered_map<char32_t, TXmlEntity*>> FChars;  // made on first use, dropped by Add
  // The characters of FChars (made with it): a character whose bit is
  // clear has no entity.
  TCharMask FCharsMask;
  void MakeChars();
  TQdObjectList FInternalItems;
  std::unordered_map<std::wstring, TXmlEntity*> FNames;
  std::unordered_map<std::wstring, TXmlEntity*> FInternalNames;
  TXmlEntityCoding FPredefinedCoding = XML_DEFAULT_CODING_C;
  TXmlEntityCodings FPredefinedCodings = XML_EMPTY_CODINGS_C;
  std::wstring FRoot;
  bool FSorted = false;
  bool FStoreEntities = false;
  TXmlEntityCodings FThisCodings = XML_EMPTY_CODINGS_C;
  std::set<std::wstring, std::less<>> FUnknownCodes;
  std::int64_t FMaxEntityExpansion = XML_MAX_ENTITY_EXPANSION_C;
  int FMaxEntityNesting = XML_MAX_ENTITY_NESTING_C;
  TXmlExternalSources FExternalSources;
  std::int64_t FMaxExternalSize = XML_MAX_EXTERNAL_SIZE_C;
  int FExternalTimeout = XML_EXTERNAL_TIMEOUT_C;
  std::int64_t FReadChars = 0;
  std::int64_t FExpandedChars = 0;
};

}  // namespace Qd
