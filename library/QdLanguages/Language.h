// QdLanguages: language codes (language, optional script, optional country,
// optional variant: sr-Latn-RS, en-US, zh-Hant, de-DE-1996), the settings
// that say how a code is written, and TLanguage, one selected language.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "QdLanguages/LanguageIdForms.h"
#include "QdScript/Script.h"
#include "QdXml.h"
#include "runtime/Core/Set.h"
#include "runtime/Core/TypeInfo.h"

namespace Qd {

class TSystemLanguage;
class TSystemCountry;
class TSystemVariant;

enum TLanguageMatch : std::uint8_t { lmNone, lmPartial, lmExact };
RTL_ENUM_INFO(TLanguageMatch, L"lmNone", L"lmPartial", L"lmExact")

// How codes are written: kind, case and script rule (all 0 by default).
class TLanguageId : public TXmlObject {
  RTL_CLASS(TLanguageId, TXmlObject)
public:
  TLanguageId() = default;

  TLanguageIdCase GetIdCase() const { return FIdCase; }
  void SetIdCase(TLanguageIdCase value);
  TLanguageIdKind GetKind() const { return FKind; }
  void SetKind(TLanguageIdKind value);
  TLanguageIdScript GetScript() const { return FScript; }
  void SetScript(TLanguageIdScript value);

  bool GetIsDefault() const override;
  bool Equals(const Rtl::TObject* obj) const override;
  void Assign(const Rtl::TPersistent& source) override;
  // No element while the object is default.
  TXmlBody GetXmlBody() const override;
  // "kind", "case" and "script" by member name, each left out when 0.
  void WriteXmlAttributes(TXmlAttributes& attributes) const override;
  // A member name or a number each; anything else, or nothing, gives 0.
  void ReadXml(const TXmlElement& element) override;

  // `id` written in this object's form.
  std::wstring Convert(const std::wstring& id) const;
  static std::wstring Convert(const std::wstring& id, TLanguageIdKind kind, TLanguageIdCase idCase,
                              TLanguageIdScript script);
  // Adds to the three sets what the code shows of its form.
  static void Detect(const std::wstring& id, TLanguageIdKinds& kinds, TLanguageIdCases& idCases,
                     TLanguageIdScripts& scripts);

private:
  TLanguageIdCase FIdCase = QdLanguages::lcStandard;
  TLanguageIdKind FKind = liStandard;
  TLanguageIdScript FScript = lsStandard;
};

// One language: the four parts of its code, with caches of the system
// table's entries and of its ANSI code page. The cached entries point into
// the global table and are never owned.
class TLanguage : public TXmlObject {
  RTL_CLASS(TLanguage, TXmlObject)
public:
  TLanguage() = default;
  explicit TLanguage(const std::wstring& id);  // CreateId
  static std::unique_ptr<TLanguage> CreateId(const std::wstring& id);
  static std::unique_ptr<TLanguage> CreateValue(const std::wstring& language, const std::wstring& script,
                                                const std::wstring& country);

  const std::wstring& GetLanguage() const { return FLanguage; }
  void SetLanguage(const std::wstring& value);
  const std::wstring& GetScript() const { return FScript; }
  void SetScript(const std::wstring& value);
  const std::wstring& GetCountry() const { return FCountry; }
  void SetCountry(const std::wstring& value);
  const std::wstring& GetVariant() const { return FVariant; }
  void SetVariant(const std::wstring& value);

  // The cached ANSI code page, looked up again while it is 0.
  std::int32_t GetCodePage();
  void SetCodePage(std::int32_t value) { FCodePage = value; }
  bool GetEnabled() const { return FEnabled; }
  void SetEnabled(bool value) { FEnabled = value; }
  bool GetSelected() const { return FSelected; }
  void SetSelected(bool value) { FSelected = value; }
  std::int32_t GetTag() const { return FTag; }
  void SetTag(std::int32_t value) { FTag = value; }
  std::int32_t GetTag2() const { return FTag2; }
  void SetTag2(std::int32_t value) { FTag2 = value; }
  std::int32_t GetCounter() const { return FCounter; }
  void SetCounter(std::int32_t value) { FCounter = value; }
  std::int32_t GetClearCounter() const { return FClearCounter; }
  std::int32_t GetImportCounter() const { return FImportCounter; }
  std::int32_t GetOverwriteCounter() const { return FOverwriteCounter; }

  std::wstring GetId() const;
  // Parses `value` into the four parts when it differs from Id.
  void SetId(const std::wstring& value);
  std::wstring GetIdWithCountry() const;
  std::wstring GetLegacyId() const;
  std::wstring GetUnderlineId() const;
  std::wstring GetLanguageId(TLanguageIdKind kind, TLanguageIdCase idCase, TLanguageIdScript idScript) const;
  std::wstring GetLanguageId(const TLanguageId& value) const;  // the indexed Ids
  std::wstring GetIds(const TLanguageId& value) const { return GetLanguageId(value); }
  std::int32_t GetLangId() const;
  void SetLangId(std::int32_t value);
  std::wstring GetDisplayName() const;
  bool GetMapped() const { return FEnabled && FTag >= 0; }
  bool GetNeutral() const { return FCountry.empty() && FVariant.empty(); }
  bool GetUseCase() const;
  TScriptReadingOrder GetReadingOrder() const;
  bool GetRightToLeft() const { return GetReadingOrder() == srRightToLeft; }
  TCharacterScriptType GetScriptType() const;
  std::wstring GetWindowsCode();
  TSystemLanguage* GetSystemLanguage();
  TSystemCountry* GetSystemCountry();
  TSystemVariant* GetSystemVariant();

  bool IsSame(const std::wstring& id) const;
  bool IsSame(const std::wstring& language, const std::wstring& script, const std::wstring& country,
              const std::wstring& variant) const;
  bool IsSame(const TLanguage& value) const;
  bool IsParentLanguage(const TLanguage& value) const;
  bool IsParentCountry(const TLanguage& value) const;

  int Compare(const TQdObject& item) const override;
  void Assign(const Rtl::TPersistent& source) override;
  // "id" (the standard Id) and "enabled" (left out when true).
  void WriteXmlAttributes(TXmlAttributes& attributes) const override;
  // Id from "id", Enabled from "enabled" (true when missing).
  void ReadXml(const TXmlElement& element) override;
  // A copy with Enabled set to `enabled`.
  std::unique_ptr<TLanguage> AllocEnabledLanguage(bool enabled) const;

  void ClearCounters();
  std::int32_t IncCounter() { return ++FCounter; }
  std::int32_t IncClearCounter() { return ++FClearCounter; }
  std::int32_t IncImportCounter() { return ++FImportCounter; }
  std::int32_t IncOverwriteCounter() { return ++FOverwriteCounter; }

  // Called after the language, script, country or the whole code changed;
  // signals the change.
  virtual void LanguageChanged();

  static bool IsMultiPartId(const std::wstring& id);
  static bool ImeAvailable(std::int32_t langId);
  static TLanguageMatch CompareIds(const std::wstring& id1, const std::wstring& id2, const std::wstring& language1,
                                   const std::wstring& language2, const std::wstring& script1,
                                   const std::wstring& script2);
  static TLanguageMatch CompareIds(const std::wstring& id1, const std::wstring& id2);
  static TLanguageMatch CompareLanguages(const TLanguage& language1, const TLanguage& language2);

private:
  // Forgets the cached entries and code page of the former code.
  void ClearCaches();
  // Forgets the cached entries when the system table has lost entries since
  // they were looked up (they may be gone).
  void ForgetRemovedEntries();

  std::wstring FLanguage;
  std::wstring FScript;
  std::wstring FCountry;
  std::wstring FVariant;
  std::int32_t FCodePage = 0;
  TSystemCountry* FSystemCountry = nullptr;
  TSystemLanguage* FSystemLanguage = nullptr;
  TSystemVariant* FSystemVariant = nullptr;
  // The table's removal count when the three were looked up.
  std::uint64_t FSystemRemovals = 0;
  bool FEnabled = true;
  bool FSelected = false;
  std::int32_t FTag = -1;
  std::int32_t FTag2 = -1;
  std::int32_t FCounter = 0;
  std::int32_t FClearCounter = 0;
  std::int32_t FImportCounter = 0;
  std::int32_t FOverwriteCounter = 0;
};

}  // namespace Qd
