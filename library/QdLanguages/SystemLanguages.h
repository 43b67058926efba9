// QdLanguages: the table of every language, country and variant that the
// system knows (languages own their countries and language-level variants,
// countries own their variants; children point back to their parent), the
// class-level functions on language codes, and the user's default locale.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "QdLanguages/Language.h"
#include "QdScript/CodePages.h"
#include "QdScript/Script.h"
#include "QdXml.h"
#include "runtime/Core/Set.h"
#include "runtime/Core/Types.h"

namespace Rtl {
class TStringList;
}

namespace Qd {

// The resource type of flag images.
inline constexpr wchar_t FLAG_RESOURCE_C[] = L"FLAG";
// Image files larger than this are not loaded.
inline constexpr std::int64_t MAX_IMAGE_FILE_SIZE_C = 16 * 1024 * 1024;
// The attributes of a language's six code pages in a language list file,
// in the order of the categories ecAnsi to ecOther.
inline constexpr const wchar_t* XML_CODE_PAGES_C[6] = {L"ansicp", L"isocp",    L"maccp",
                                                       L"doscp",  L"ebcdiccp", L"othercp"};

// What the system says of an enumerated locale.
enum TLocaleFeature : std::uint8_t { lfCustom, lfAlternateSort };
RTL_ENUM_INFO(TLocaleFeature, L"lfCustom", L"lfAlternateSort")
using TLocaleFeatures = Rtl::TSet<TLocaleFeature, lfAlternateSort>;
RTL_SET_INFO(TLocaleFeatures)

class TSystemLanguage;
class TSystemCountry;

// What every entry has: names, Windows abbreviation and flag image.
class TSystemLocale : public TXmlObject {
  RTL_CLASS(TSystemLocale, TXmlObject)
public:
  TSystemLocale() = default;

  virtual std::wstring GetFullId() const { return L""; }
  virtual std::wstring GetLocalizedName() const { return L""; }
  // Reads the entry of a list file of the older format (".qll"): the entry
  // becomes custom; "localized" gives the display and the English name,
  // "original" the native name (each kept when missing), "wincode" the
  // Windows code ("" when missing).
  virtual void ReadQuenlith(const TXmlElement& element);
  virtual void LoadImage() {}

  // The name attributes of a list file, after those of the entry's code:
  // "displayname", "englishname", "nativename", "windowscode", "custom",
  // "filename" (the image file), each left out when empty or false.
  void WriteXmlAttributes(TXmlAttributes& attributes) const override;
  // The same attributes; a missing one keeps the current value.
  void ReadXml(const TXmlElement& element) override;

  bool GetCustom() const { return FCustom; }
  void SetCustom(bool value) { FCustom = value; }
  // FDisplayName, or the localized name stored into it while empty.
  std::wstring GetDisplayName();
  void SetDisplayName(const std::wstring& value) { FDisplayName = value; }
  const std::wstring& GetEnglishName() const { return FEnglishName; }
  void SetEnglishName(const std::wstring& value) { FEnglishName = value; }
  const std::wstring& GetNativeName() const { return FNativeName; }
  void SetNativeName(const std::wstring& value) { FNativeName = value; }
  const std::wstring& GetWindowsCode() const { return FWindowsCode; }
  void SetWindowsCode(const std::wstring& value) { FWindowsCode = value; }
  bool GetMarked() const { return FMarked; }
  void SetMarked(bool value) { FMarked = value; }
  // The flag image; while empty it is loaded from ImageFileName when that
  // file exists and holds at most MAX_IMAGE_FILE_SIZE_C bytes.
  const Rtl::TBytes& GetImage();
  void SetImage(Rtl::TBytes value) { FImage = std::move(value); }
  bool GetHasImage() { return !GetImage().empty(); }
  const std::wstring& GetImageFileName() const { return FImageFileName; }
  void SetImageFileName(const std::wstring& value);

  // Every field but Marked.
  bool Equals(const Rtl::TObject* obj) const override;
  void Assign(const Rtl::TPersistent& source) override;

protected:
  bool FCustom = false;
  std::wstring FDisplayName;
  std::wstring FEnglishName;
  Rtl::TBytes FImage;
  std::wstring FImageFileName;
  std::wstring FNativeName;
  std::wstring FWindowsCode;
  bool FMarked = false;
};

// A variant (an alternate sort, a spelling) under a language or a country.
class TSystemVariant : public TSystemLocale {
  RTL_CLASS(TSystemVariant, TSystemLocale)
public:
  TSystemVariant() = default;

  const std::wstring& GetId() const { return FId; }
  void SetId(const std::wstring& value) { FId = value; }
  std::int32_t GetSub() const { return FSub; }
  void SetSub(std::int32_t value) { FSub = value; }
  TSystemLocale* GetParent() const { return FParent; }
  void SetParent(TSystemLocale* value) { FParent = value; }
  TSystemLanguage* GetLanguage() const;
  TSystemCountry* GetCountry() const;

  std::wstring GetFullId() const override;
  std::wstring GetLocalizedName() const override;
  bool Equals(const Rtl::TObject* obj) const override;
  void Assign(const Rtl::TPersistent& source) override;

  // "variant": an empty-element tag with "id", "sub" and the names.
  TXmlBody GetXmlBody() const override { return xbSingle; }
  std::wstring GetXmlTag() const override { return L"variant"; }
  void WriteXmlAttributes(TXmlAttributes& attributes) const override;
  void ReadXml(const TXmlElement& element) override;
  // "id" (the sub-language becomes 0) and the shared attributes.
  void ReadQuenlith(const TXmlElement& element) override;

private:
  std::wstring FId;
  std::int32_t FSub = 0;
  TSystemLocale* FParent = nullptr;
};

using TSystemVariantList = std::vector<std::unique_ptr<TSystemVariant>>;

class TSystemCountry : public TSystemLocale {
  RTL_CLASS(TSystemCountry, TSystemLocale)
public:
  TSystemCountry() = default;

  const std::wstring& GetId() const { return FId; }
  void SetId(const std::wstring& value) { FId = value; }
  TSystemLanguage* GetLanguage() const { return FLanguage; }
  void SetLanguage(TSystemLanguage* value) { FLanguage = value; }
  std::int32_t GetSub() const { return FSub; }
  void SetSub(std::int32_t value) { FSub = value; }
  std::int32_t GetLocaleId() const;
  const TSystemVariantList& GetVariants() const { return FVariants; }

  TSystemVariant& Add(std::unique_ptr<TSystemVariant> variant);
  void Remove(const TSystemVariant* variant);
  TSystemVariant* Find(const std::wstring& variant) const;
  // Takes the variants of `country`: one of an existing code is assigned
  // from it, any other is copied in. The country's own fields stay.
  void Merge(const TSystemCountry& country);
  // Some variant is custom.
  bool HasCustomVariants() const;
  // A copy with copies of the variants.
  std::unique_ptr<TSystemCountry> Clone() const;

  std::wstring GetFullId() const override;
  std::wstring GetLocalizedName() const override;
  // The resource named by the country code, else "UN" + code.
  void LoadImage() override;
  bool Equals(const Rtl::TObject* obj) const override;
  void Assign(const Rtl::TPersistent& source) override;

  // "country": a container of its custom variants when it has variants,
  // else an empty-element tag when custom, else nothing.
  TXmlBody GetXmlBody() const override;
  std::wstring GetXmlTag() const override { return L"country"; }
  // "id", "sub", then the names.
  void WriteXmlAttributes(TXmlAttributes& attributes) const override;
  void WriteXml(TXmlFile& xml) const override;
  // The attributes, then each valid "variant" child: assigned to the
  // variant of that code, or added.
  void ReadXml(const TXmlElement& element) override;
  // "id", "sub", the shared attributes and the "variant" children.
  void ReadQuenlith(const TXmlElement& element) override;

private:
  std::wstring FId;
  TSystemLanguage* FLanguage = nullptr;
  std::int32_t FSub = 0;
  TSystemVariantList FVariants;
};

using TSystemCountryList = std::vector<std::unique_ptr<TSystemCountry>>;

// One language in one script.
class TSystemLanguage : public TSystemLocale {
  RTL_CLASS(TSystemLanguage, TSystemLocale)
public:
  TSystemLanguage() = default;

  const std::wstring& GetId() const { return FId; }
  // Stores the code; a decimal code also gives the primary identifier and
  // the Windows code while those are unset. Signals the change.
  void SetId(const std::wstring& value);
  std::int32_t GetPrimary() const { return FPrimary; }
  void SetPrimary(std::int32_t value) { FPrimary = value; }
  const std::wstring& GetScript() const { return FScript; }
  void SetScript(const std::wstring& value) { FScript = value; }
  // Stores the first item of `value` that names a script of the script table.
  void SetScriptNames(const std::wstring& value) { FScript = ScriptNamesToScript(value); }
  std::int32_t GetCodePage() const { return GetCodePages(ecAnsi); }
  std::int32_t GetCodePages(TCodePageCategory category) const;
  void SetCodePages(TCodePageCategory category, std::int32_t value);
  bool GetUseScript() const { return FId == L"sr"; }
  const TSystemCountryList& GetCountries() const { return FCountries; }
  const TSystemVariantList& GetVariants() const { return FVariants; }

  TSystemCountry& Add(std::unique_ptr<TSystemCountry> country);
  void Remove(const TSystemCountry* country);
  TSystemVariant& AddVariant(std::unique_ptr<TSystemVariant> variant);
  void RemoveVariant(const TSystemVariant* variant);
  TSystemCountry* Find(const std::wstring& country) const;
  TSystemCountry* Find(std::int32_t sub) const;
  TSystemVariant* FindVariant(const std::wstring& variant) const;
  // Takes the children of `language`: a country of an existing code merges
  // its variants, any other is copied in with its variants; a
  // language-level variant of an existing code is assigned, any other
  // copied in. The language's own fields stay.
  void Merge(const TSystemLanguage& language);
  // A country is custom, a variant of a country is custom, or a
  // language-level variant is custom.
  bool HasCustomData() const;

  std::wstring GetFullId() const override;
  std::wstring GetLocalizedName() const override;
  // The flag of the language, else of its default country, else of its
  // first country.
  void LoadImage() override;
  int Compare(const TQdObject& item) const override;
  bool Equals(const Rtl::TObject* obj) const override;
  void Assign(const Rtl::TPersistent& source) override;

  // "language": a container when it has countries or custom
  // language-level variants, else an empty-element tag when custom, else
  // nothing.
  TXmlBody GetXmlBody() const override;
  std::wstring GetXmlTag() const override { return L"language"; }
  // "id", "script", "primary", the names, then the six code pages
  // (XML_CODE_PAGES_C).
  void WriteXmlAttributes(TXmlAttributes& attributes) const override;
  // Each country that is custom or has variants, then each custom
  // language-level variant.
  void WriteXml(TXmlFile& xml) const override;
  // The attributes (a code page of 0 or none keeps the current one; a
  // decimal code fills the primary identifier and the Windows code), then
  // each valid "country" and "variant" child: assigned to (a country:
  // and merged into) the child of that code, or added.
  void ReadXml(const TXmlElement& element) override;
  // "id", "primary", the shared attributes and the "country" children.
  void ReadQuenlith(const TXmlElement& element) override;

  // The first ';'-separated item of `value` that is the code of a script
  // of the script table (ignoring ASCII case), as written; "" when none.
  static std::wstring ScriptNamesToScript(const std::wstring& value);

private:
  std::int32_t FCodePages[6] = {};  // ecAnsi to ecOther
  TSystemCountryList FCountries;
  TSystemVariantList FVariants;
  std::wstring FId;
  std::int32_t FPrimary = 0;
  std::wstring FScript;
};

class TSystemLanguages : public TXmlObject {
  RTL_CLASS(TSystemLanguages, TXmlObject)
public:
  TSystemLanguages();
  ~TSystemLanguages() override;

  int GetCount() const { return static_cast<int>(FItems.size()); }
  TSystemLanguage& GetItems(int index) const;
  const std::vector<std::unique_ptr<TSystemLanguage>>& GetList() const { return FItems; }
  // The languages in list order (their countries: GetCountries, a
  // country's variants: GetVariants).
  auto begin() const { return FItems.begin(); }
  auto end() const { return FItems.end(); }
  std::uintptr_t GetDefaultKeyboardLayout() const { return FDefaultKeyboardLayout; }

  // --- Building -----------------------------------------------------------

  // Stores the active keyboard layout, then adds every locale of the
  // system; the number of locale names the system listed. Without the
  // system's locale functions the table stays empty (0).
  int Populate();
  // What Populate does for one locale name of the system's list; the
  // features are those the enumeration reports.
  void AddLocaleName(const std::wstring& name, TLocaleFeatures features = {});
  void Initialize();
  void AddCustom();
  void AddSystemData(const std::wstring& language, const std::wstring& script, const std::wstring& country,
                     const std::wstring& variant, const std::wstring& id, std::int32_t nlsId,
                     const std::wstring& countryName);
  TSystemLanguage& Add(std::unique_ptr<TSystemLanguage> value);
  void Remove(const TSystemLanguage* value);
  void Delete(int index);
  void Sort();

  // --- Language list files ----------------------------------------------------

  // "languages": a container of the languages that are custom or have
  // custom data, when there is such a language; else nothing.
  TXmlBody GetXmlBody() const override { return HasCustomData() ? xbContainer : xbNone; }
  std::wstring GetXmlTag() const override { return L"languages"; }
  void WriteXml(TXmlFile& xml) const override;
  // Merges the "language" children (see ReadLanguageList).
  void ReadXml(const TXmlElement& element) override;

  // Reads a language list file (".qll": the older format) and merges it
  // into the table. A root other than "languages" is reported to the user
  // in an information dialog and changes nothing; errors of the XML reader
  // pass. Loading reads no external DTD or entity.
  void LoadPropertiesFromFile(const std::wstring& fileName);
  // Merges the "language" children of `root` (`quenlith`: read in the
  // older format): a language whose code the table has (any script)
  // merges into the first entry of that code, any other is added. An
  // entry whose code is empty or not a code, whose "primary" is outside
  // 0-1023, whose "sub" is outside 0-63 or whose code page is negative or
  // no number is skipped with its children. False, and nothing read, when
  // `root` is none or not "languages".
  bool ReadLanguageList(const TXmlElement* root, bool quenlith);
  // Writes the table as a "languages" document into `fileName`, which is
  // replaced only when the whole document was written.
  void SavePropertiesToFile(const std::wstring& fileName) const;
  // Some language is custom or has custom data.
  bool HasCustomData() const;
  // Sets Marked of every custom language, country and variant.
  void MarkCustom(bool value);
  // Removes every custom and marked language; in the remaining ones every
  // custom and marked country and language-level variant; in the remaining
  // countries every custom and marked variant.
  void DeleteMarked();

  // --- Language codes in file names ----------------------------------------------

  // A localized file lives in a subdirectory named after its language, and a
  // file of its name exists one level up: True when that file exists, the
  // directory's name is a code whose language is known and whose country
  // (when given) is known for it. False for a file whose directory has no
  // parent (a drive root, a bare name). `baseName` is not set.
  bool ParseLocalizedFile(const std::wstring& fileName, std::wstring& baseName, std::wstring& language,
                          std::wstring& script, std::wstring& country, std::wstring& variant) const;
  // A language suffix in a file name ("app_de_DE.properties"): baseName the
  // name without it ("app.properties"), and the parts of the code. The scan
  // from the end stops at ':' and '\'. Unless `strictCheck` is off and the
  // language has two characters, the language and country must be known.
  bool ParseBundleFile(const std::wstring& fileName, std::wstring& baseName, std::wstring& language,
                       std::wstring& country, std::wstring& variant, wchar_t languageSeparator,
                       wchar_t countrySeparator, bool strictCheck) const;
  // The same, recognising a script in the code.
  bool ParseBundleFile(const std::wstring& fileName, std::wstring& baseName, std::wstring& language,
                       std::wstring& script, std::wstring& country, std::wstring& variant,
                       wchar_t languageSeparator, wchar_t countrySeparator, bool strictCheck) const;
  // The same, also giving the code as written (`id`).
  bool ParseBundleFile(const std::wstring& fileName, std::wstring& baseName, std::wstring& id,
                       std::wstring& language, std::wstring& script, std::wstring& country, std::wstring& variant,
                       wchar_t languageSeparator, wchar_t countrySeparator, bool strictCheck) const;

  // --- Finding --------------------------------------------------------------

  TSystemLanguage* Find(const std::wstring& language, const std::wstring& script) const;
  TSystemLanguage* Find(std::int32_t primary, std::int32_t sub) const;
  TSystemLanguage* FindLanguage(const std::wstring& id) const;
  TSystemLocale* FindId(const std::wstring& id) const;
  bool FindId(const std::wstring& id, TSystemLanguage*& language, TSystemVariant*& variant,
              TSystemCountry*& country) const;
  TSystemCountry* FindCountry(const std::wstring& language, const std::wstring& script,
                              const std::wstring& country) const;
  TSystemVariant* FindVariant(const std::wstring& language, const std::wstring& script, const std::wstring& variant,
                              const std::wstring& country) const;
  bool IsLanguageKnown(const std::wstring& language) const;
  bool IsCountryKnown(const std::wstring& language, const std::wstring& script, const std::wstring& country) const;
  bool IsVariantKnown(const std::wstring& language, const std::wstring& script, const std::wstring& variant,
                      const std::wstring& country) const;
  bool IsIdKnown(const std::wstring& id) const;
  bool IsCountryKnownNoScript(const std::wstring& language, const std::wstring& country) const;
  std::wstring GetScripts(const std::wstring& language) const;
  int GetScriptCount(const std::wstring& language) const;
  bool UseScript(const std::wstring& language) const;
  std::wstring GetDefaultCountry(const std::wstring& language, const std::wstring& script) const;
  std::wstring GetFirstCountry(const std::wstring& language, const std::wstring& script) const;
  std::wstring EnglishNameToId(const std::wstring& name) const;
  std::wstring DisplayNameToId(const std::wstring& value) const;
  std::wstring WindowsCodeToId(const std::wstring& code) const;
  std::wstring GetLanguageName(const std::wstring& language, const std::wstring& script) const;
  std::wstring GetLanguageName(const std::wstring& id) const;
  std::wstring GetCountryName(const std::wstring& language, const std::wstring& script,
                              const std::wstring& country) const;
  std::wstring GetLocaleName(const std::wstring& language, const std::wstring& script, const std::wstring& country,
                             const std::wstring& variant) const;
  std::wstring GetLocaleName(const std::wstring& id, bool useUnknown) const;
  static TCharacterScriptType GetScriptType(const std::wstring& language);
  static bool IsArabicScript(const std::wstring& language);
  static bool IsAsianScript(const std::wstring& language);
  static bool IsLanguageSami(const std::wstring& language);

  // --- Numeric identifiers and code pages ------------------------------------

  std::int32_t LanguageToNlsLocale(const std::wstring& language, const std::wstring& script,
                                   const std::wstring& variant, const std::wstring& country) const;
  std::int32_t CodeToNlsLocale(const std::wstring& code) const;
  std::wstring NlsToId(std::int32_t locale) const;
  std::int32_t LanguageToCodePage(const std::wstring& language, const std::wstring& script) const;
  std::int32_t LanguageToCodePage(const std::wstring& id) const;
  std::int32_t LangIdToCodePage(std::int32_t langId) const;
  static std::int32_t GetIsoCodePage(const std::wstring& language, const std::wstring& script);
  static std::int32_t GetOtherCodePage(const std::wstring& language, const std::wstring& script);
  std::wstring GetDefaultEncoding(const std::wstring& language, const std::wstring& script,
                                  TEncodingCategories categories, const std::wstring& Default) const;
  std::wstring GetDefaultEncoding(const std::wstring& id, TEncodingCategories categories,
                                  const std::wstring& Default) const;
  // One setting of the locale named `id`; `Default` when the query fails.
  static std::wstring GetLocaleStr(const std::wstring& id, std::uint32_t localeType, const std::wstring& Default);
  static std::int32_t GetLocaleInteger(const std::wstring& id, std::uint32_t localeType, std::int32_t Default);

  // --- The user's environment ---------------------------------------------

  // Activates an installed keyboard layout for `langId`; the layout that
  // was active.
  std::uintptr_t SetKeyboardLayout(std::int32_t langId) const;
  // "Locale" under the user's "Control Panel\International", hexadecimal;
  // 0 when missing.
  static std::int32_t GetDefaultLocale();
  // Writes a new user default locale. The values from before the first
  // change that is not yet restored are kept for the restore. Nothing is
  // written for 0 or a locale the system doesn't know.
  static void SetDefaultLocale(std::int32_t value);
  // Puts the kept values back: at once for 0, else after `waitTime`
  // seconds on a thread of its own (finished early by the unit's shutdown
  // and by the next change or restore).
  static void RestoreDefaultLocale(std::int32_t waitTime);

  // --- Language codes (class-level) ------------------------------------------

  static void ParseScriptId(const std::wstring& id, std::wstring& language, std::wstring& script,
                            std::wstring& country, std::wstring& variant, const std::wstring& separators);
  static void ParseId(const std::wstring& id, std::wstring& language, std::wstring& script, std::wstring& country,
                      std::wstring& variant);
  static void ParseId(const std::wstring& id, std::wstring& language, std::wstring& script, std::wstring& country);
  static void ParseIdSep(const std::wstring& id, std::wstring& language, std::wstring& country,
                         std::wstring& variant, const std::wstring& separators);
  static void ParseIdNoVariant(const std::wstring& id, std::wstring& language, std::wstring& country,
                               const std::wstring& separators);
  static std::wstring IdToLanguage(const std::wstring& code);
  static std::wstring CodeToScript(const std::wstring& id);
  static std::wstring IdToScript(const std::wstring& id);
  static std::wstring LanguageToScript(const std::wstring& language, const std::wstring& country = L"",
                                       const std::wstring& variant = L"");
  static std::wstring UnderlineToCode(const std::wstring& value);

  static std::wstring ComposeId(const std::wstring& language, const std::wstring& script,
                                const std::wstring& country, const std::wstring& variant, wchar_t separator,
                                TLanguageIdCase idCase, TLanguageIdScript idScript);
  static std::wstring GetLegacyId(const std::wstring& language, const std::wstring& script,
                                  const std::wstring& country, const std::wstring& variant, wchar_t separator,
                                  TLanguageIdCase idCase, TLanguageIdScript idScript);
  static std::wstring ComposeLegacyId(const std::wstring& language, const std::wstring& country,
                                      const std::wstring& variant, wchar_t separator);
  static std::wstring NormalizeId(const std::wstring& id);
  static std::wstring RemoveVariant(const std::wstring& id);
  static std::wstring GetCountryNeutralId(const std::wstring& id);

  static std::int32_t MakeLangId(std::int32_t primaryLanguage, std::int32_t subLanguage);
  static std::int32_t MakeLcId(std::int32_t langId, std::int32_t sortId);
  static std::int32_t GetPrimaryFromLocale(std::int32_t value) { return value & 0x3FF; }
  static std::int32_t GetSubFromLocale(std::int32_t value) { return (value >> 10) & 0x3F; }

  static std::wstring GetLocalizedLanguageName(const std::wstring& language, const std::wstring& script);
  static std::wstring GetLocalizedCountryName(const std::wstring& country);
  // name + " (" + qualifier + ")".
  static std::wstring FormatName(const std::wstring& name, const std::wstring& qualifier);

private:
  TSystemLanguage& NewLanguage(const std::wstring& language, const std::wstring& script, const std::wstring& id,
                               std::int32_t nlsId);
  std::uintptr_t FDefaultKeyboardLayout = 0;
  std::vector<std::unique_ptr<TSystemLanguage>> FItems;
};

// The table built at start-up; raises "QdLanguages is not started" outside.
TSystemLanguages& SystemLanguages();
// The table, or none outside that time.
TSystemLanguages* FindSystemLanguages();
// Language code to the country code of its flag (31 rows, sorted).
const Rtl::TStringList& DefaultCountries();
// The user default locale that the first unrestored change replaced.
std::int32_t OldDefaultLocale();

namespace QdLanguagesUnit {
void Initialization();
void Finalization();
}  // namespace QdLanguagesUnit

}  // namespace Qd
