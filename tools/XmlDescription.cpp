#include "XmlDescription.h"

#include <cstdint>
#include <utility>
#include <vector>

#include "QdXml.h"

namespace XmlDescription {

using namespace Qd;

namespace {

template <class E, int High>
std::wstring Bits(const Rtl::TSet<E, High>& set) {
  std::wstring out;
  for (int i = 0; i <= High; ++i) out += set.Contains(static_cast<E>(i)) ? L'1' : L'0';
  return out;
}

std::wstring Codings(const TXmlEntityCodings& codings) {
  std::wstring out;
  for (const TXmlCodings& c : codings) out += Bits(c) + L',';
  return out;
}

std::wstring PartEntities(const TXmlPart& part, bool has) {
  if (!has) return L"-";
  std::wstring out;
  for (const auto& [c, data] : part.GetPartEntities().GetCharacterCodings())
    out += std::to_wstring(static_cast<std::uint32_t>(c)) + L':' + Bits(data.Codings) +
           Bits(data.Cases) + (data.LeadingZeros ? L"z" : L"") + std::to_wstring(data.Zeros) + L';';
  return out;
}

}  // namespace

std::wstring Describe(const TXmlFile& xml) {
  std::wstring out;
  std::vector<std::pair<const TXmlElement*, int>> work;
  for (int i = xml.GetItemCount(); i-- > 0;) work.emplace_back(xml.GetItems(i), 0);
  while (!work.empty()) {
    const auto [e, depth] = work.back();
    work.pop_back();
    out += std::wstring(static_cast<std::size_t>(depth), L' ') + std::to_wstring(e->GetElementType()) + L'<' +
           e->GetName() + L"> line " + std::to_wstring(e->GetLineNumber()) + L" index " +
           std::to_wstring(e->GetIndex()) + (e->GetContainsText() ? L" text" : L"") + L" [" + e->GetValue() +
           L"] b[" + e->GetBeforeWhiteSpaces() + L"] a[" + e->GetAfterWhiteSpaces() + L"] s[" +
           e->GetStartWhiteSpaces() + L"] e[" + e->GetEndWhiteSpaces() + L"] " + Codings(e->GetCodings()) +
           PartEntities(*e, e->HasPartEntities()) + L'\n';
    if (e->HasAttributes())
      for (int i = 0; i < e->GetAttributes().GetCount(); ++i) {
        const TXmlAttribute* a = e->GetAttributes().GetItems(i);
        out += std::wstring(static_cast<std::size_t>(depth), L' ') + L" @" + a->GetName() + L"=[" + a->GetValue() +
               L"] line " + std::to_wstring(a->GetLineNumber()) + L" sep " + std::to_wstring(a->GetSeparator()) +
               L" n[" + a->GetNameWhiteSpaces() + L"] s[" + a->GetSeparatorWhiteSpaces() + L"] v[" +
               a->GetValueWhiteSpaces() + L"] b[" + a->GetBeforeWhiteSpaces() + L"] a[" +
               a->GetAfterWhiteSpaces() + L"] " + Codings(a->GetCodings()) +
               PartEntities(*a, a->HasPartEntities()) + L'\n';
      }
    for (int i = e->GetCount(); i-- > 0;) work.emplace_back(e->GetElements(i), depth + 1);
  }
  const TXmlFileEntities& entities = xml.GetEntities();
  out += L"entities:";
  for (int i = 0; i < entities.GetCount(); ++i)
    out += L' ' + entities.GetItems(i)->GetName() + (entities.GetItems(i)->GetUsed() ? L"+" : L"-");
  out += L"\nunknown:";
  for (const std::wstring& code : entities.GetUnknownCodes()) out += L' ' + code;
  out += L"\npredefined: " + Codings(entities.GetPredefinedCodings());
  for (const TXmlCoding c : entities.GetPredefinedCoding()) out += std::to_wstring(c);
  out += L"\ncounters: " + std::to_wstring(entities.GetReadChars()) + L' ' +
         std::to_wstring(entities.GetExpandedChars());
  out += L"\nlanguages: " + Bits(xml.GetLanguageIdKinds()) + L' ' +
         Bits(xml.GetLanguageIdCases()) + L' ' + Bits(xml.GetLanguageIdScripts());
  out += L"\nline break: " + std::to_wstring(xml.GetTextFile().GetNewLine());
  return out;
}

}  // namespace XmlDescription
