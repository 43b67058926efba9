// Localised attribute names: "caption_de" beside "caption" is the German
// form of the caption. The split uses the system's language table, so this
// file alone of the unit reaches into QdLanguages; so do the forms of the
// codes of "xml:lang" attributes that the reader records.
#include "QdLanguages/Language.h"
#include "QdLanguages/SystemLanguages.h"
#include "QdXml/File.h"

namespace Qd {

bool TXmlFile::ParseBundle(const std::wstring& name, std::wstring& baseName, std::wstring& language,
                           std::wstring& country, std::wstring& variant, wchar_t languageSeparator,
                           wchar_t countrySeparator, bool strictCheck) {
  baseName = name;
  const std::size_t found = name.rfind(languageSeparator);
  if (found == std::wstring::npos) return false;
  // 1-based: the separator at i, the locale part from i + 1.
  const std::size_t i = found + 1;
  std::size_t start = i + 1;
  std::size_t separator = i;
  // "name_de_DE": with one separator for both, the locale part takes the
  // two fields after the separator three characters back.
  if (languageSeparator == countrySeparator && i > 3 && name[i - 4] == languageSeparator) {
    start = i - 2;
    separator = i - 3;
  }
  TSystemLanguages::ParseIdSep(name.substr(start - 1), language, country, variant,
                               std::wstring(1, countrySeparator));
  if ((strictCheck || language.size() != 2) && !SystemLanguages().IsCountryKnownNoScript(language, country))
    return false;
  baseName = name.substr(0, separator - 1);
  return true;
}

void TXmlAttribute::ReadLocale() {
  FLocaleRead = true;
  std::wstring baseName, language, country, variant;
  const TXmlElement* parent = GetParent();
  if (TXmlFile::ParseBundle(GetName(), baseName, language, country, variant, L'_', L'-', true) &&
      parent != nullptr && parent->HasAttributes() && parent->GetAttributes().DoesExist(baseName) &&
      SystemLanguages().IsLanguageKnown(language)) {
    TExtra& extra = Extra();
    extra.Locale = TSystemLanguages::ComposeId(language, L"", country, variant, L'-', QdLanguages::lcStandard,
                                               lsStandard);
    extra.BaseName = baseName;
  } else if (FExtra) {
    FExtra->Locale.clear();
    FExtra->BaseName.clear();
  }
}

void TXmlFile::DetectLanguageId(const std::wstring& id) {
  TLanguageId::Detect(id, FLanguageIdKinds, FLanguageIdCases, FLanguageIdScripts);
}

TLanguageIdKind TXmlFile::GetLanguageIdKind() const {
  return FLanguageIdKinds == TLanguageIdKinds{liUnderline} ? liUnderline : liStandard;
}

TLanguageIdCase TXmlFile::GetLanguageIdCase() const {
  if (FLanguageIdCases == TLanguageIdCases{QdLanguages::lcLower}) return QdLanguages::lcLower;
  if (FLanguageIdCases == TLanguageIdCases{QdLanguages::lcUpper}) return QdLanguages::lcUpper;
  return QdLanguages::lcStandard;
}

TLanguageIdScript TXmlFile::GetLanguageIdScript() const {
  if (FLanguageIdScripts == TLanguageIdScripts{lsAlways} || FLanguageIdScripts == TLanguageIdScripts{lsMulti, lsAlways})
    return lsAlways;
  if (FLanguageIdScripts == TLanguageIdScripts{lsMulti}) return lsMulti;
  return lsStandard;
}

}  // namespace Qd
