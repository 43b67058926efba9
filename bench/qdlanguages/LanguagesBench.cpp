// TSystemLanguages.Populate against a plain loop that enumerates the same
// locale names and makes the same system calls: LocaleNameToLCID for every
// name, and for each new language and each new country the locale queries
// that the table makes for it. Both return the number of names. Also the
// start-up time of QdLanguages, which is Populate on an empty table.
//
// A language list file of 1,000 custom entries (200 languages, each with
// two countries of one variant each): its size, and merging it into an
// empty table and into the system's table against the XML reader loading
// the same file alone (the share of the merge itself). Each returns the
// number of entries (the reader: of "language", "country" and "variant"
// elements).
#include <cstdint>
#include <cstdio>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "Bench.h"
#include "QdLanguages.h"
#include "QdXml.h"
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

constexpr int LIST_LANGUAGES_C = 200;

// Writes the list of 1,000 custom entries into `fileName`.
void WriteCustomList(const std::wstring& fileName) {
  Qd::TSystemLanguages table;
  for (int i = 0; i < LIST_LANGUAGES_C; ++i) {
    auto language = std::make_unique<Qd::TSystemLanguage>();
    language->SetId(L"q" + std::to_wstring(10000 + i));
    language->SetScript(L"Latn");
    language->SetPrimary(512 + i);
    language->SetEnglishName(L"Custom language " + std::to_wstring(i));
    language->SetNativeName(L"Eigene Sprache " + std::to_wstring(i));
    language->SetWindowsCode(L"Q" + std::to_wstring(i % 10));
    language->SetCodePages(Qd::ecAnsi, 1252);
    language->SetCustom(true);
    for (const wchar_t* code : {L"QA", L"QB"}) {
      auto country = std::make_unique<Qd::TSystemCountry>();
      country->SetId(code);
      country->SetSub(code[1] == L'A' ? 1 : 2);
      country->SetEnglishName(L"Custom country " + std::wstring(code));
      country->SetCustom(true);
      auto variant = std::make_unique<Qd::TSystemVariant>();
      variant->SetId(L"old");
      variant->SetEnglishName(L"Old spelling");
      variant->SetCustom(true);
      country->Add(std::move(variant));
      language->Add(std::move(country));
    }
    table.Add(std::move(language));
  }
  table.SavePropertiesToFile(fileName);
}

std::size_t CountEntries(const Qd::TSystemLanguages& table, bool customOnly) {
  std::size_t count = 0;
  for (const auto& language : table) {
    count += !customOnly || language->GetCustom();
    for (const auto& country : language->GetCountries()) {
      count += !customOnly || country->GetCustom();
      for (const auto& variant : country->GetVariants()) count += !customOnly || variant->GetCustom();
    }
  }
  return count;
}

std::size_t CountElements(const Qd::TXmlElement& element) {
  std::size_t count = 0;
  for (int i = 0; i < element.GetCount(); ++i) {
    const Qd::TXmlElement& child = *element.GetElements(i);
    if (child.GetName() == L"language" || child.GetName() == L"country" || child.GetName() == L"variant")
      count += 1 + CountElements(child);
  }
  return count;
}

std::int64_t FileSize(const std::wstring& fileName) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(fileName.c_str(), GetFileExInfoStandard, &data)) return -1;
  return static_cast<std::int64_t>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
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
  const int populate = suite.Run();

  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  const std::wstring listFile =
      std::wstring(temp) + L"qd_bench_languages_" + std::to_wstring(GetCurrentProcessId()) + L".xml";
  WriteCustomList(listFile);
  std::printf("Language list of 1,000 custom entries: %lld bytes\n", static_cast<long long>(FileSize(listFile)));
  const auto reader = [&listFile] {
    Qd::TXmlFile xml;
    xml.Load(listFile);
    return CountElements(*xml.GetRoot());
  };
  Bench::TSuite lists("qdlanguages lists", "a language list file of 1,000 custom entries");
  lists.Add(
      "LoadPropertiesFromFile (empty table)",
      [&listFile] {
        Qd::TSystemLanguages table;
        table.LoadPropertiesFromFile(listFile);
        return CountEntries(table, false);
      },
      reader);
  lists.Add(
      "LoadPropertiesFromFile (system table)",
      [&listFile] {
        Qd::TSystemLanguages& table = Qd::SystemLanguages();
        table.LoadPropertiesFromFile(listFile);
        const std::size_t count = CountEntries(table, true);
        table.MarkCustom(true);
        table.DeleteMarked();
        return count;
      },
      reader);
  const int merged = lists.Run();
  DeleteFileW(listFile.c_str());
  return populate != 0 ? populate : merged;
}
