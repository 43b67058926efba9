// Unit QdResource: the translations that the localization tool produces,
// read from a container file (".qdres"), from one file per language
// (".qdlang") or from the RCDATA resource "QdLangRes" of the program.
//
// A container holds, per language, a language image: translated form
// streams, numbered strings (by their number in the program's string
// table), strings keyed by symbol name, and binary resources. An image has
// one of two layouts: "QDLA" (unsorted tables, searched linearly, strings in
// named groups) and "QDLB" (sorted indexes, searched by halving).
//
// Every byte is read into memory once, when the container is loaded or a
// language file is first used, and the file is closed at once (files above
// 64 MiB are refused). Every count, offset and length in the bytes is
// checked against what is there before it is used: bytes that don't hold
// raise Rtl::EInvalidImage "Invalid stream format", header faults when the
// header is read, entry faults from the lookup that meets them.
//
// The process's collection, QdResources(), is made by the unit's start-up
// and loads nothing until the first lookup that needs its data.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "runtime/Core/Object.h"
#include "runtime/Core/ResStrings.h"
#include "runtime/Core/Set.h"
#include "runtime/Core/TypeInfo.h"
#include "runtime/Core/Types.h"

namespace Rtl {
class TStream;
class TMemoryStream;
class TStringList;
}  // namespace Rtl

namespace Qd {

enum TQdResourceVersion : std::uint8_t { nr1 = 1, nr2 = 2 };

enum TQdResourceStringId : std::uint8_t { rsWin32, rsWin64, rsSymbol };
RTL_ENUM_INFO(TQdResourceStringId, L"rsWin32", L"rsWin64", L"rsSymbol")
using TQdResourceStringIds = Rtl::TSet<TQdResourceStringId, rsSymbol>;

enum TTranslationSource : std::uint8_t { tsNone, tsResource, tsFile, tsDirectory };
RTL_ENUM_INFO(TTranslationSource, L"tsNone", L"tsResource", L"tsFile", L"tsDirectory")

inline constexpr const wchar_t* QDRES_RESOURCE_NAME_C = L"QdLangRes";
inline constexpr char QDRES_MAGIC_C[] = "QDRE";
inline constexpr char QDLANG1_MAGIC_C[] = "QDLA";
inline constexpr char QDLANG2_MAGIC_C[] = "QDLB";
inline constexpr int LANG_ID_LENGTH_C = 16;
// The prefixes of the three forms of symbol key (TQdDelphiResource::ParseKey).
inline constexpr const wchar_t* RSRC_C = L"__rsrc_N";
inline constexpr const wchar_t* RSTR_ZN_C = L"__rstr__ZN";
inline constexpr const wchar_t* RSTR_ZZN_C = L"__rstr__ZZN";
// The largest container or language file that is read.
inline constexpr std::int64_t QDRES_MAX_FILE_SIZE_C = 64 * 1024 * 1024;

// Reading the formats' values from a stream's position, which each read
// advances. A read that the stream can't satisfy raises
// Rtl::EInvalidImage "Invalid stream format".
class TStreamHelper {
public:
  TStreamHelper() = delete;

  static Rtl::TBytes ReadBytes(Rtl::TStream& stream, std::int32_t length);
  // Bytes in the system's ANSI code page.
  static std::wstring ReadAnsi(Rtl::TStream& stream, std::int32_t length);
  // The same at `offset`; the stream's position is kept.
  static std::wstring ReadAnsi(Rtl::TStream& stream, std::int64_t offset, std::int32_t length);
  // A text record: a uint16 count, then that many UTF-16LE code units.
  static std::wstring ReadString(Rtl::TStream& stream);
  // `length` UTF-16LE code units.
  static std::wstring ReadString(Rtl::TStream& stream, std::int32_t length);
  // The same at `offset`; the stream's position is kept.
  static std::wstring ReadString(Rtl::TStream& stream, std::int64_t offset, std::int32_t length);
  static std::uint16_t ReadWord(Rtl::TStream& stream);
  static std::int32_t ReadInt32(Rtl::TStream& stream);

  // The whole stream, from its start, as one block of memory that the
  // languages can share; a stream above QDRES_MAX_FILE_SIZE_C is invalid.
  static std::shared_ptr<Rtl::TMemoryStream> ReadAll(Rtl::TStream& stream);
};

// One language: its image in a container, or a language file that is read
// at its first lookup.
class TQdDelphiResource : public Rtl::TObject {
public:
  // A language whose image lies at `offset` of `stream` (shared with the
  // other languages of the container); reads its header.
  TQdDelphiResource(std::wstring id, std::shared_ptr<Rtl::TMemoryStream> stream, std::int32_t offset);
  // A language whose image is the file `fileName`; nothing is read yet.
  TQdDelphiResource(std::wstring id, std::wstring fileName);
  // A language of a container whose header is not read yet (SetOffset).
  TQdDelphiResource(std::wstring id, std::shared_ptr<Rtl::TMemoryStream> stream);

  const std::wstring& GetId() const { return FId; }
  const std::wstring& GetLangId() const { return FLangId; }
  const std::wstring& GetFileName() const { return FFileName; }
  TQdResourceVersion GetVersion() const { return FVersion; }
  std::int32_t GetOffset() const { return FOffset; }
  // Reads the header of the image at `value`.
  void SetOffset(std::int32_t value);
  // The bytes of the container or file; null for a language file before its
  // first lookup or when it could not be read.
  Rtl::TStream* GetStream() const;
  std::int32_t GetFormCount() const { return FFormCount; }
  std::int32_t GetResourceCount() const { return FResourceCount; }
  std::int32_t GetWin32StringCount() const { return FWin32StringCount; }
  std::int32_t GetWin64StringCount() const { return FWin64StringCount; }
  std::int32_t GetSymbolStringCount() const { return FSymbolStringCount; }

  // Reads the image's header at FOffset.
  void ReadHeader();
  // Reads the language file at the first call (a file that is gone leaves
  // the language empty; one that isn't an image raises once and then
  // leaves it empty).
  void CheckStream();

  void GetFormNames(Rtl::TStringList& names);
  // The form's stream in a new memory stream at position 0; null if absent.
  std::unique_ptr<Rtl::TMemoryStream> FindForm(const std::wstring& name);
  void GetResourceNames(Rtl::TStringList& names);
  std::unique_ptr<Rtl::TMemoryStream> FindResource(const std::wstring& id);
  // The translation of a numbered string; empty if absent.
  std::wstring FindStringWin(std::uint16_t id);
  // FindStringWin of the low 16 bits of the record's number.
  std::wstring FindString(const Rtl::TResStringRec& resString);
  // The translation of `id` (`original` when `id` is empty) in the string
  // groups named `group`; `original` when there is none.
  std::wstring FindString(const std::wstring& original, const std::wstring& id, const std::wstring& group);
  void GetWin32Strings(Rtl::TStringList& values);
  void GetWin64Strings(Rtl::TStringList& values);
  void GetSymbolStrings(Rtl::TStringList& ids, Rtl::TStringList& values);

  // Splits a symbol key into a unit name and an item name; false, both
  // empty, for a key of no known form or a component without its length.
  static bool ParseKey(const std::wstring& name, std::wstring& unitName, std::wstring& itemName);

private:
  std::unique_ptr<Rtl::TMemoryStream> FindData(std::int64_t nameTable, std::int64_t indexTable, std::int32_t count,
                                               const std::wstring& name);
  void GetNames(std::int64_t nameTable, std::int64_t indexTable, std::int32_t count, Rtl::TStringList& names);
  void GetNumberedStrings(std::int64_t index, std::int32_t count, Rtl::TStringList& values);

  TQdResourceVersion FVersion = nr2;
  std::wstring FLangId;
  std::int32_t FOffset = 0;
  std::shared_ptr<Rtl::TMemoryStream> FStream;
  std::wstring FFileName;
  std::wstring FId;
  std::int32_t FFormCount = 0;
  std::int32_t FResourceCount = 0;
  std::int64_t FFormNameOffset = 0;
  std::int32_t FStringGroupCount = 0;
  std::int64_t FStringGroupNameOffset = 0;
  std::int64_t FResourceNameOffset = 0;
  std::int32_t FWin32StringCount = 0;
  std::int32_t FWin64StringCount = 0;
  std::int32_t FSymbolStringCount = 0;
  std::int32_t FStringCount = 0;
  std::int64_t FWin32IndexOffset = 0;
  std::int64_t FWin64IndexOffset = 0;
  std::int64_t FSymbolIndexOffset = 0;
  std::int64_t FFormIndexOffset = 0;
  std::int64_t FResourceIndexOffset = 0;
  bool FFileChecked = false;
};

// A language's display names, registered by the program.
class TQdResourceLanguage : public Rtl::TObject {
public:
  TQdResourceLanguage() = default;

  const std::wstring& GetOriginal() const { return FOriginal; }
  void SetOriginal(std::wstring value) { FOriginal = std::move(value); }
  const std::wstring& GetNative() const { return FNative; }
  void SetNative(std::wstring value) { FNative = std::move(value); }
  const std::wstring& GetLocalized() const { return FLocalized; }
  void SetLocalized(std::wstring value) { FLocalized = std::move(value); }
  const std::wstring& GetId() const { return FId; }
  void SetId(std::wstring value) { FId = std::move(value); }
  const std::wstring& GetImage() const { return FImage; }
  void SetImage(std::wstring value) { FImage = std::move(value); }

  // Sets the image and returns this entry (registrations chain it).
  TQdResourceLanguage* AddImage(std::wstring value);

private:
  std::wstring FOriginal;
  std::wstring FNative;
  std::wstring FLocalized;
  std::wstring FId;
  std::wstring FImage;
};

// The translation set: its languages, the current one, and the display
// names of languages.
class TQdDelphiResources : public Rtl::TObject {
public:
  TQdDelphiResources();
  ~TQdDelphiResources() override;
  TQdDelphiResources(const TQdDelphiResources&) = delete;
  TQdDelphiResources& operator=(const TQdDelphiResources&) = delete;

  // The process's collection (QdResources()).
  static TQdDelphiResources& GetResources();

  // Loads the set: `resourceFileName` as a container when given, else the
  // first container, language files or embedded resource found. A second
  // call drops the languages of the first.
  void Load(const std::wstring& resourceFileName = L"");
  // Loads the set from a container in `stream` (read from its start).
  void LoadFromStream(Rtl::TStream& stream);
  // Load, unless loading was done or tried.
  void CheckLoad();
  // The directories searched, in order (an elevated process searches no
  // folder of the user's documents and resolves a relative ResourcePath
  // against the executable's directory).
  std::vector<std::wstring> GetResourceDirectories() const;

  int GetCount();
  bool GetEnabled();
  // Raises Rtl::EArgumentOutOfRangeException "Argument out of range" for
  // an index out of the list; doesn't load.
  TQdDelphiResource* GetLanguages(int index) const;
  TQdDelphiResource* GetCurrent();
  std::wstring GetLanguageId();
  // Selects the language `value`, else its shorter forms (de-AT: de;
  // sr-Latn-RS: sr-Latn, sr); none when nothing matches.
  void SetLanguageId(const std::wstring& value);
  int Find(const std::wstring& id);

  const std::wstring& GetResourceName() const { return FResourceName; }
  void SetResourceName(std::wstring value) { FResourceName = std::move(value); }
  const std::wstring& GetResourcePath() const { return FResourcePath; }
  void SetResourcePath(std::wstring value) { FResourcePath = std::move(value); }
  Rtl::TStream* GetStream() const;
  TTranslationSource GetTranslationSource() const { return FTranslationSource; }
  const std::wstring& GetTranslationSourceValue() const { return FTranslationSourceValue; }
  bool GetCascadingEnabled() const { return FCascadingEnabled; }
  void SetCascadingEnabled(bool value) { FCascadingEnabled = value; }
  std::uint8_t GetVersion() const { return FVersion; }
  bool GetLoaded() const { return FLoaded; }

  std::unique_ptr<Rtl::TMemoryStream> FindForm(const std::wstring& name);
  bool FormExists(const std::wstring& name);
  std::wstring GetString(const Rtl::TResStringRec& resString);
  std::wstring GetString(const std::wstring& original, const std::wstring& id, const std::wstring& group);
  std::wstring GetStringInLanguage(const std::wstring& languageId, const Rtl::TResStringRec& resString);
  std::wstring GetStringInLanguage(const std::wstring& languageId, const std::wstring& original,
                                   const std::wstring& id, const std::wstring& group);
  // The current language's resource `id`; without a current language the
  // program's own resource of that name and type (RCDATA when null), which
  // raises Rtl::EResNotFound when it is missing.
  std::unique_ptr<Rtl::TStream> GetResource(const std::wstring& id, const wchar_t* resType = nullptr);

  // Display names.
  TQdResourceLanguage* FindLanguage(const std::wstring& id) const;
  std::wstring GetOriginals(const std::wstring& id) const;
  std::wstring GetNatives(const std::wstring& id) const;
  std::wstring GetLocalizeds(const std::wstring& id) const;
  std::wstring GetLanguageImages(const std::wstring& id) const;
  TQdResourceLanguage* Translate(std::wstring original, std::wstring id);
  TQdResourceLanguage* Add(std::wstring original, std::wstring native, std::wstring localized, std::wstring id);

private:
  void Clear();
  void LoadContainer(std::shared_ptr<Rtl::TMemoryStream> stream);
  bool Process(const std::wstring& id);
  std::wstring ResolvedResourcePath() const;

  std::uint8_t FVersion = 0;
  bool FLoaded = false;
  std::wstring FResourceName = QDRES_RESOURCE_NAME_C;
  std::wstring FResourcePath;
  std::shared_ptr<Rtl::TMemoryStream> FStream;
  bool FCascadingEnabled = false;
  int FLanguageIndex = -1;
  std::vector<std::unique_ptr<TQdDelphiResource>> FLanguages;
  std::vector<std::unique_ptr<TQdResourceLanguage>> FLanguageNames;
  TTranslationSource FTranslationSource = tsNone;
  std::wstring FTranslationSourceValue;
};

// The process's collection; raises Rtl::Exception "QdResource is not
// started" before the unit's start-up and after its shutdown.
TQdDelphiResources& QdResources();

}  // namespace Qd

namespace Qd::QdResourceUnit {

// Creates the empty collection; shutdown frees it with its languages.
void Initialization();
void Finalization();

}  // namespace Qd::QdResourceUnit
