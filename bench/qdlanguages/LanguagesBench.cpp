// TSystemLanguages.Populate against a plain loop that enumerates the same
// locale names and makes the same system calls: LocaleNameToLCID for every
// name, and for each new language and each new country the locale queries
// that the table makes for it. Both return the number of names. Also the
// start-up time of QdLanguages, which is Populate on an empty table.
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "Bench.h"
#include "QdLanguages.h"
#include "QdStartup.h"
#include "QdWindows.h"
#include "runtime/System/Win32.h"

namespace {

std::vector<std::wstring>* CollectedNames = nullptr;

int QD_WINAPI Collect(wchar_t* name, std::uint32_t, std::intptr_t) {
  CollectedNames->emplace_back(name);
  return TRUE;
}

std::wstring Info(Qd::TGetLocaleInfoEx get, const std::wstring& name, LCTYPE type) {
  wchar_t buffer[512];
  const int n = get(name.c_str(), type, buffer, 512);
  return n > 0 ? std::wstring(buffer, static_cast<std::size_t>(n - 1)) : std::wstring();
}

std::size_t PlainLoop() {
  const auto enumerate = Qd::TQdWindows::GetEnumSystemLocalesEx();
  const auto toLcid = Qd::TQdWindows::GetLocaleNameToLCID();
  const auto get = Qd::TQdWindows::GetGetLocaleInfoEx();
  std::vector<std::wstring> names;
  CollectedNames = &names;
  enumerate(&Collect, LOCALE_ALL, 0, nullptr);
  std::set<std::wstring> languages, countries;
  std::size_t sum = 0;
  for (const std::wstring& name : names) {
    sum += toLcid(name.c_str(), 0);
    const std::size_t dash = name.find_first_of(L"-_");
    const std::wstring language = name.substr(0, dash);
    if (language.empty() || language == L"x") continue;
    if (languages.insert(language).second) {
      for (LCTYPE type : {LOCALE_SSCRIPTS, LOCALE_SABBREVLANGNAME, LOCALE_SENGLISHLANGUAGENAME,
                          LOCALE_SNATIVELANGNAME, LOCALE_IDEFAULTANSICODEPAGE, LOCALE_IDEFAULTMACCODEPAGE,
                          LOCALE_IDEFAULTCODEPAGE, LOCALE_IDEFAULTEBCDICCODEPAGE})
        sum += Info(get, name, type).size();
    }
    if (dash != std::wstring::npos && countries.insert(name).second) {
      for (LCTYPE type : {LOCALE_SENGLISHCOUNTRYNAME, LOCALE_SNATIVECTRYNAME, LOCALE_SABBREVLANGNAME})
        sum += Info(get, name, type).size();
    }
  }
  return names.size() + (sum == 0 ? 1 : 0);
}

}  // namespace

int main() {
  Qd::TUnitsScope units;
  const std::size_t names = PlainLoop();
  // The unit's start-up: taken down and up again, timed alone.
  std::size_t check = 0;
  const double startUp = Bench::BestTime(
      [] {
        Qd::QdLanguagesUnit::Finalization();
        Qd::QdLanguagesUnit::Initialization();
        return static_cast<std::size_t>(Qd::SystemLanguages().GetCount());
      },
      9, check);
  std::printf("QdLanguages start-up: %.2f ms (%zu languages)\n", startUp * 1000.0, check);

  Bench::TSuite suite("qdlanguages", std::to_string(names) + " locale names of the system");
  suite.Add(
      "Populate",
      [] {
        Qd::TSystemLanguages table;
        return static_cast<std::size_t>(table.Populate());
      },
      PlainLoop);
  return suite.Run();
}
