// QdScript: the code-page table. Every encoding name that the library reads
// or writes translates here into a code-page number and back; each code
// page has its category, names, display name, script and language, and the
// converter classes (QdString/Converters.h) that convert it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "QdClasses/Objects.h"
#include "QdString/Converters.h"
#include "runtime/Core/Set.h"
#include "runtime/Core/TypeInfo.h"

namespace Rtl {
class TStringList;
}

namespace Qd {

class TScripts;

enum TEncodingCategory : std::uint8_t {
  ecUtf8,
  ecUtf16Le,
  ecUtf16Be,
  ecUtf32Le,
  ecUtf32Be,
  ecGb18030,
  ecAnsi,
  ecIso,
  ecMac,
  ecDos,
  ecEbcdic,
  ecOther
};
RTL_ENUM_INFO(TEncodingCategory, L"ecUtf8", L"ecUtf16Le", L"ecUtf16Be", L"ecUtf32Le", L"ecUtf32Be", L"ecGb18030",
              L"ecAnsi", L"ecIso", L"ecMac", L"ecDos", L"ecEbcdic", L"ecOther")

// An empty set means "any" wherever a set filters.
using TEncodingCategories = Rtl::TSet<TEncodingCategory, ecOther>;
RTL_SET_INFO(TEncodingCategories)

// The categories that have code pages per language: ecAnsi to ecOther.
using TCodePageCategory = TEncodingCategory;
RTL_SUBRANGE_INFO(TCodePageCategory, TEncodingCategory, ecAnsi, ecOther)

struct TEncodingData {
  std::wstring Code;  // encoding name
  std::wstring Name;  // display name
  TEncodingCategory Category = ecUtf8;
};

// One code page of the table.
class TCodePageObject : public TQdObject {
  RTL_CLASS(TCodePageObject, TQdObject)
public:
  TCodePageObject();
  ~TCodePageObject() override;

  TEncodingCategory GetCategory() const { return FCategory; }
  void SetCategory(TEncodingCategory value) { FCategory = value; }
  // The encoding names; the first is the one the library writes.
  const std::wstring& GetCodes(int index) const;
  int GetCodeCount() const;
  // The first code; "" when there is none.
  std::wstring GetCode() const;
  // Appends every ';'-separated item of `value`, empty items included.
  void SetAllCodes(const std::wstring& value);
  TCodePageConverterClasses& GetConverters() { return FConverters; }
  const TCodePageConverterClasses& GetConverters() const { return FConverters; }
  std::wstring GetEncodingCaption() const;
  const std::wstring& GetLanguage() const { return FLanguage; }
  void SetLanguage(const std::wstring& value) { FLanguage = value; }
  const std::wstring& GetName() const { return FName; }
  void SetName(const std::wstring& value) { FName = value; }
  const std::wstring& GetScript() const { return FScript; }
  void SetScript(const std::wstring& value) { FScript = value; }
  std::int32_t GetValue() const { return FValue; }
  void SetValue(std::int32_t value) { FValue = value; }

  // By number, ascending.
  int Compare(const TQdObject& item) const override;

  // A code equal to `value` ignoring ASCII case.
  bool DoesContainCode(const std::wstring& value) const;
  // A code equal to `value` once spaces, '-' and '_' are removed from both.
  bool DoesContainSimilarCode(const std::wstring& value) const;

  // "name (codePage)" for a code page above 0; otherwise "name, with BOM"
  // or "name, without BOM".
  static std::wstring ComposeEncodingCaption(const std::wstring& name, std::int32_t codePage, bool bom);
  // The display name of a category; "Error Message" for another value.
  static std::wstring GetCategoryName(TEncodingCategory value);

private:
  TEncodingCategory FCategory = ecUtf8;
  std::unique_ptr<Rtl::TStringList> FCodes;
  TCodePageConverterClasses FConverters;
  std::wstring FLanguage;
  std::wstring FName;
  std::wstring FScript;
  std::int32_t FValue = 0;
};

// The table, sorted by number.
class TCodePageDatas : public Rtl::TObject {
public:
  TCodePageDatas();
  ~TCodePageDatas() override;
  TCodePageDatas(const TCodePageDatas&) = delete;
  TCodePageDatas& operator=(const TCodePageDatas&) = delete;

  int GetCount() const { return static_cast<int>(FItems.size()); }
  // Raises Rtl::EListError for an index out of range.
  TCodePageObject& GetItems(int index) const;

  // --- Filling ------------------------------------------------------------

  // Fills an empty table: the installed code pages, those of the
  // registered converters, then the built-in rows. Nothing happens when it
  // has entries.
  void Populate();
  // Records `converter` (may be empty: the system converts) for `codePage`,
  // once; code page 50000 is ignored.
  void InitCodePage(std::int32_t codePage, TCodePageConverterClass converter);
  void SetValue(TEncodingCategory category, const std::wstring& script, std::int32_t value,
                const std::wstring& codes, const std::wstring& name, const std::wstring& language);
  void SetAnsi(const std::wstring& script, std::int32_t value, const std::wstring& codes, const std::wstring& name,
               const std::wstring& language);
  void SetIso(const std::wstring& script, std::int32_t value, const std::wstring& codes, const std::wstring& name,
              const std::wstring& language);
  void SetMac(const std::wstring& script, std::int32_t value, const std::wstring& codes, const std::wstring& name,
              const std::wstring& language);
  void SetOem(const std::wstring& script, std::int32_t value, const std::wstring& codes, const std::wstring& name,
              const std::wstring& language);
  void SetEbcdic(const std::wstring& script, std::int32_t value, const std::wstring& codes,
                 const std::wstring& name, const std::wstring& language);
  void SetOther(const std::wstring& script, std::int32_t value, const std::wstring& codes, const std::wstring& name,
                const std::wstring& language);
  void Clear();

  // --- Lookups (they never raise) --------------------------------------------

  TCodePageObject* GetCodePageData(std::int32_t value) const;
  // ASCII-insensitive, then by the similar-code rule; none for "".
  TCodePageObject* GetCodePageData(const std::wstring& encoding) const;
  bool GetCodePageData(const std::wstring& encoding, std::int32_t& codePage) const;
  std::wstring CodePageToEncoding(std::int32_t value) const;
  std::int32_t EncodingToCodePage(const std::wstring& value) const;
  TEncodingCategory CodePageToEncodingCategory(std::int32_t value) const;
  std::wstring CodePageToLanguage(std::int32_t value) const;
  std::wstring CodePageToScript(std::int32_t codePage) const;
  TEncodingCategory EncodingStringToEncodingCategory(const std::wstring& value) const;
  static bool IsBomEncoding(const std::wstring& value);
  const TCodePageConverterClasses* GetConverters(std::int32_t codePage) const;
  TCodePageConverterClass GetConverter(std::int32_t codePage) const;
  // Appends to `codePageDatas`, category by category and by number within
  // one, every object with a display name, a category in `categories`
  // (any when empty), a script in `scripts` (any when empty) and, when
  // `onlySupported`, a converter entry; how many.
  int GetCodePages(std::vector<TCodePageObject*>& codePageDatas, const TScripts& scripts,
                   TEncodingCategories categories, bool onlySupported) const;
  static std::int32_t GetDefaultAnsiCodePage(const std::wstring& language);
  std::int32_t ScriptToCodePage(const std::wstring& language, const std::wstring& script,
                                TEncodingCategories categories) const;
  std::int32_t ScriptToAnsiCodePage(const std::wstring& language, const std::wstring& script) const;
  bool DoesScriptHasAnsiCodePage(const std::wstring& script) const;
  std::wstring GetDefaultEncodingFromScript(const std::wstring& script, TEncodingCategories categories) const;
  // GetDefaultEncodingFromScript of the script of the language code `id`;
  // defined by QdLanguages, which holds the table of the system's languages.
  std::wstring GetDefaultEncoding(const std::wstring& id, TEncodingCategories categories) const;
  std::wstring GetCodepageName(std::int32_t value) const;
  static std::wstring FormatCodepageName(const std::wstring& name, std::int32_t value);

private:
  TCodePageObject& FindOrAdd(std::int32_t value);
  std::vector<std::unique_ptr<TCodePageObject>> FItems;  // ascending numbers
};

// The process's table: created empty by QdScript's start-up and filled by
// QdString's (Populate); raises "QdScript is not started" outside.
TCodePageDatas& CodePageDatas();
// The table, or none outside that time.
TCodePageDatas* FindCodePageDatas();

}  // namespace Qd
