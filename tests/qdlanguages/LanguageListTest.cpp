// Language list files against the real system table of the test prefix:
// what a saved list holds byte for byte, custom entries through a file into
// a fresh table, the older ".qll" form, merging into entries of the same
// code, a file of another kind (with the user's dialog), hostile files, and
// marking and deleting custom entries.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "GuiSupport.h"
#include "QdLanguages.h"
#include "TestSupport.h"
#include "runtime/Core/Exceptions.h"
#include "runtime/System/Win32.h"

using Qd::TSystemCountry;
using Qd::TSystemLanguage;
using Qd::TSystemLanguages;
using Qd::TSystemVariant;

namespace {

// The dialog of a file of another kind needs the application object.
::testing::Environment* const APPLICATION_C =
    ::testing::AddGlobalTestEnvironment(new GuiSupport::TApplicationEnvironment);

std::string ReadBytes(const std::wstring& fileName) {
  const HANDLE file =
      CreateFileW(fileName.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "<missing>";
  std::string result;
  char buffer[65536];
  DWORD read = 0;
  while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) result.append(buffer, read);
  CloseHandle(file);
  return result;
}

const char BOM_C[] = "\xEF\xBB\xBF";
const std::string DECLARATION_C = std::string(BOM_C) + "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n";

// A file of language list text (UTF-8 with the declaration).
void WriteList(const std::wstring& fileName, const std::string& body) {
  TestSupport::WriteFile(fileName, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n" + body);
}

std::unique_ptr<TSystemLanguages> FreshTable() {
  auto table = std::make_unique<TSystemLanguages>();
  table->Populate();
  return table;
}

int CountEntries(const TSystemLanguages& table) {
  int count = 0;
  for (const auto& language : table) {
    count += 1 + static_cast<int>(language->GetVariants().size());
    for (const auto& country : language->GetCountries()) count += 1 + static_cast<int>(country->GetVariants().size());
  }
  return count;
}

// A language of the table none of whose countries has variants.
TSystemLanguage& PlainLanguage(const TSystemLanguages& table, const wchar_t* code) {
  TSystemLanguage* language = table.Find(code, L"");
  if (language == nullptr) throw std::runtime_error("no table entry");
  for (const auto& country : language->GetCountries())
    if (!country->GetVariants().empty()) throw std::runtime_error("the language has variants");
  return *language;
}

std::unique_ptr<TSystemVariant> Variant(const wchar_t* id, int sub, const wchar_t* name) {
  auto variant = std::make_unique<TSystemVariant>();
  variant->SetId(id);
  variant->SetSub(sub);
  variant->SetEnglishName(name);
  variant->SetDisplayName(name);
  variant->SetCustom(true);
  return variant;
}

std::unique_ptr<TSystemCountry> Country(const wchar_t* id, int sub, const wchar_t* name) {
  auto country = std::make_unique<TSystemCountry>();
  country->SetId(id);
  country->SetSub(sub);
  country->SetEnglishName(name);
  country->SetNativeName(std::wstring(name) + L" (native)");
  country->SetDisplayName(name);
  country->SetWindowsCode(L"QQQ");
  country->SetCustom(true);
  return country;
}

// Adds the custom entries of the round trip: a new language with a country,
// its variant and a language-level variant; a country under French; a
// variant under a system country of German; a language-level variant
// under Italian.
void AddCustomEntries(TSystemLanguages& table) {
  auto language = std::make_unique<TSystemLanguage>();
  language->SetId(L"qxa");
  language->SetScript(L"Latn");
  language->SetPrimary(1000);
  language->SetEnglishName(L"Quixan");
  language->SetNativeName(L"Quixa <&\"'> \u00E9\u4E2D");
  language->SetDisplayName(L"Quixan");
  language->SetWindowsCode(L"QX");
  language->SetImageFileName(L"C:\\flags\\qxa.png");
  language->SetCodePages(Qd::ecAnsi, 1252);
  language->SetCodePages(Qd::ecOther, 65001);
  language->SetCustom(true);
  TSystemCountry& country = language->Add(Country(L"QA", 1, L"Quixland"));
  country.Add(Variant(L"old", 2, L"Old spelling"));
  language->AddVariant(Variant(L"std", 3, L"Standard"));
  table.Add(std::move(language));

  PlainLanguage(table, L"fr").Add(Country(L"XF", 60, L"Francoland"));
  TSystemLanguage* de = table.Find(L"de", L"");
  ASSERT_NE(de, nullptr);
  ASSERT_NE(de->Find(L"DE"), nullptr);
  de->Find(L"DE")->Add(Variant(L"1901", 0, L"Old orthography"));
  TSystemLanguage* it = table.Find(L"it", L"");
  ASSERT_NE(it, nullptr);
  it->AddVariant(Variant(L"dialect", 5, L"Dialect"));
}

// Each entry of `expected`'s languages that is custom or has custom data is
// in `actual` as an equal entry, with equal custom children.
void ExpectSameCustomEntries(const TSystemLanguages& expected, const TSystemLanguages& actual) {
  for (const auto& language : expected) {
    if (!language->GetCustom() && !language->HasCustomData()) continue;
    SCOPED_TRACE(TestSupport::Narrow(language->GetFullId()));
    const TSystemLanguage* other = actual.Find(language->GetId(), language->GetScript());
    ASSERT_NE(other, nullptr);
    EXPECT_TRUE(other->Equals(language.get()));
    for (const auto& country : language->GetCountries()) {
      const TSystemCountry* otherCountry = other->Find(country->GetId());
      ASSERT_NE(otherCountry, nullptr) << TestSupport::Narrow(country->GetId());
      EXPECT_TRUE(otherCountry->Equals(country.get())) << TestSupport::Narrow(country->GetId());
      EXPECT_EQ(otherCountry->GetLanguage(), other);
      for (const auto& variant : country->GetVariants()) {
        if (!variant->GetCustom()) continue;
        const TSystemVariant* otherVariant = otherCountry->Find(variant->GetId());
        ASSERT_NE(otherVariant, nullptr);
        EXPECT_TRUE(otherVariant->Equals(variant.get()));
        EXPECT_EQ(otherVariant->GetParent(), otherCountry);
      }
    }
    for (const auto& variant : language->GetVariants()) {
      if (!variant->GetCustom()) continue;
      const TSystemVariant* otherVariant = other->FindVariant(variant->GetId());
      ASSERT_NE(otherVariant, nullptr);
      EXPECT_TRUE(otherVariant->Equals(variant.get()));
      EXPECT_EQ(otherVariant->GetParent(), other);
    }
  }
}

}  // namespace

TEST(LanguageList, ATableWithoutCustomEntriesSavesAnEmptyLanguagesElement) {
  TestSupport::TTempDir dir;
  const auto table = FreshTable();
  EXPECT_FALSE(table->HasCustomData());
  EXPECT_EQ(table->GetXmlBody(), Qd::xbNone);
  EXPECT_EQ(table->GetXmlTag(), L"languages");
  table->SavePropertiesToFile(dir / L"none.xml");
  EXPECT_EQ(ReadBytes(dir / L"none.xml"), DECLARATION_C + "<languages>\r\n</languages>\r\n");
}

TEST(LanguageList, CustomEntriesSaveAndLoadIntoAFreshTableAsEqualEntries) {
  TestSupport::TTempDir dir;
  const auto table = FreshTable();
  AddCustomEntries(*table);
  EXPECT_TRUE(table->HasCustomData());
  EXPECT_EQ(table->GetXmlBody(), Qd::xbContainer);
  table->SavePropertiesToFile(dir / L"custom.xml");
  const std::string text = ReadBytes(dir / L"custom.xml");

  // The new language with every attribute in its order, its country and
  // the variants; French as a container of its custom country alone.
  EXPECT_NE(text.find("  <language id=\"qxa\" script=\"Latn\" primary=\"1000\" displayname=\"Quixan\" "
                      "englishname=\"Quixan\" nativename=\"Quixa &lt;&amp;&quot;'&gt; \xC3\xA9\xE4\xB8\xAD\" "
                      "windowscode=\"QX\" custom=\"1\" filename=\"C:\\flags\\qxa.png\" ansicp=\"1252\" "
                      "othercp=\"65001\">\r\n"
                      "    <country id=\"QA\" sub=\"1\" displayname=\"Quixland\" englishname=\"Quixland\" "
                      "nativename=\"Quixland (native)\" windowscode=\"QQQ\" custom=\"1\">\r\n"
                      "      <variant id=\"old\" sub=\"2\" displayname=\"Old spelling\" "
                      "englishname=\"Old spelling\" custom=\"1\"/>\r\n"
                      "    </country>\r\n"
                      "    <variant id=\"std\" sub=\"3\" displayname=\"Standard\" englishname=\"Standard\" "
                      "custom=\"1\"/>\r\n"
                      "  </language>\r\n"),
            std::string::npos)
      << text;
  const std::size_t fr = text.find("<language id=\"fr\"");
  ASSERT_NE(fr, std::string::npos) << text;
  const std::size_t frEnd = text.find("</language>", fr);
  const std::string french = text.substr(fr, frEnd - fr);
  EXPECT_EQ(french.find("custom="), french.find("custom=\"1\"/>"));  // only the country is custom
  EXPECT_NE(french.find("<country id=\"XF\" sub=\"60\""), std::string::npos) << french;
  EXPECT_EQ(french.find("<country", french.find("<country") + 1), std::string::npos) << french;
  EXPECT_NE(text.find("<variant id=\"dialect\""), std::string::npos);
  EXPECT_NE(text.find("<variant id=\"1901\""), std::string::npos);
  EXPECT_EQ(text.find("<language id=\"en\""), std::string::npos);  // nothing custom in English

  const auto fresh = FreshTable();
  const int before = fresh->GetCount();
  const int entries = CountEntries(*fresh);
  fresh->LoadPropertiesFromFile(dir / L"custom.xml");
  EXPECT_EQ(fresh->GetCount(), before + 1);
  EXPECT_EQ(CountEntries(*fresh), entries + 7);
  ExpectSameCustomEntries(*table, *fresh);
  EXPECT_TRUE(fresh->Find(L"qxa", L"")->GetCustom());

  // Saved again, the same bytes; loaded twice, no entry twice.
  fresh->SavePropertiesToFile(dir / L"again.xml");
  EXPECT_EQ(ReadBytes(dir / L"again.xml"), text);
  fresh->LoadPropertiesFromFile(dir / L"custom.xml");
  EXPECT_EQ(CountEntries(*fresh), entries + 7);
}

TEST(LanguageList, AnOldListImportsAsCustomEntries) {
  TestSupport::TTempDir dir;
  const auto table = FreshTable();
  const int before = table->GetCount();
  WriteList(dir / L"old.QLL",
            "<languages>\r\n"
            "  <language id=\"qxb\" primary=\"900\" localized=\"Quibian\" original=\"Quibi\" wincode=\"QB\">\r\n"
            "    <country id=\"QB\" sub=\"4\" localized=\"Quibland\" wincode=\"QBL\">\r\n"
            "      <variant id=\"rural\" sub=\"9\" localized=\"Rural\"/>\r\n"
            "    </country>\r\n"
            "  </language>\r\n"
            "  <language id=\"1234\" localized=\"Numbered\"/>\r\n"
            "  <language id=\"de\" localized=\"Not German\">\r\n"
            "    <country id=\"QC\" original=\"Quick\"/>\r\n"
            "  </language>\r\n"
            "</languages>\r\n");
  table->LoadPropertiesFromFile(dir / L"old.QLL");
  ASSERT_EQ(table->GetCount(), before + 1);  // 1234 is out of range as a primary identifier

  const TSystemLanguage* qxb = table->Find(L"qxb", L"");
  ASSERT_NE(qxb, nullptr);
  EXPECT_TRUE(qxb->GetCustom());
  EXPECT_EQ(qxb->GetPrimary(), 900);
  EXPECT_EQ(qxb->GetEnglishName(), L"Quibian");
  EXPECT_EQ(const_cast<TSystemLanguage*>(qxb)->GetDisplayName(), L"Quibian");
  EXPECT_EQ(qxb->GetNativeName(), L"Quibi");
  EXPECT_EQ(qxb->GetWindowsCode(), L"QB");
  const TSystemCountry* qb = qxb->Find(L"QB");
  ASSERT_NE(qb, nullptr);
  EXPECT_TRUE(qb->GetCustom());
  EXPECT_EQ(qb->GetSub(), 4);
  EXPECT_EQ(qb->GetEnglishName(), L"Quibland");
  EXPECT_EQ(qb->GetWindowsCode(), L"QBL");
  EXPECT_EQ(qb->GetLanguage(), qxb);
  ASSERT_EQ(qb->GetVariants().size(), 1u);
  EXPECT_EQ(qb->GetVariants()[0]->GetId(), L"rural");
  EXPECT_EQ(qb->GetVariants()[0]->GetSub(), 0);  // the older form has no sub-language for variants
  EXPECT_TRUE(qb->GetVariants()[0]->GetCustom());
  EXPECT_EQ(qb->GetVariants()[0]->GetParent(), qb);

  // German keeps its own fields and gains the country.
  const TSystemLanguage* de = table->Find(L"de", L"");
  EXPECT_EQ(de->GetEnglishName(), L"German");
  ASSERT_NE(de->Find(L"QC"), nullptr);
  EXPECT_EQ(de->Find(L"QC")->GetNativeName(), L"Quick");
  EXPECT_TRUE(de->Find(L"QC")->GetCustom());
  EXPECT_EQ(de->Find(L"QC")->GetLanguage(), de);
}

TEST(LanguageList, ACodeUnderAnotherScriptMergesIntoTheFirstEntryOfThatCode) {
  TestSupport::TTempDir dir;
  const auto table = FreshTable();
  TSystemLanguage* first = table->Find(L"sr", L"");
  ASSERT_NE(first, nullptr);
  const std::wstring firstScript = first->GetScript();
  const std::wstring otherScript = firstScript == L"Latn" ? L"Cyrl" : L"Latn";
  ASSERT_NE(table->Find(L"sr", otherScript), nullptr);
  const int before = table->GetCount();
  const std::string other = TestSupport::Narrow(otherScript);
  WriteList(dir / L"sr.xml",
            "<languages>\r\n"
            "  <language id=\"SR\" script=\"" + other + "\" englishname=\"Changed\">\r\n"
            "    <country id=\"QS\" sub=\"7\" englishname=\"Serbland\" custom=\"1\"/>\r\n"
            "    <variant id=\"ijek\" custom=\"1\"/>\r\n"
            "  </language>\r\n"
            "</languages>\r\n");
  table->LoadPropertiesFromFile(dir / L"sr.xml");
  EXPECT_EQ(table->GetCount(), before);
  EXPECT_EQ(first->GetScript(), firstScript);
  EXPECT_NE(first->GetEnglishName(), L"Changed");
  ASSERT_NE(first->Find(L"QS"), nullptr);
  EXPECT_EQ(first->Find(L"QS")->GetEnglishName(), L"Serbland");
  EXPECT_EQ(first->Find(L"QS")->GetLanguage(), first);
  ASSERT_NE(first->FindVariant(L"ijek"), nullptr);
  EXPECT_EQ(table->Find(L"sr", otherScript)->Find(L"QS"), nullptr);
}

TEST(LanguageList, AFileOfAnotherKindShowsTheDialogAndChangesNothing) {
  TestSupport::TTempDir dir;
  const auto table = FreshTable();
  const int entries = CountEntries(*table);
  WriteList(dir / L"config.xml", "<config>\r\n  <language id=\"qxc\" custom=\"1\"/>\r\n</config>\r\n");
  GuiSupport::TDialogWatcher watcher(GetCurrentProcessId(),
                                     [](const GuiSupport::TDialog& d) { GuiSupport::ClickButton(d, L"OK"); });
  table->LoadPropertiesFromFile(dir / L"config.xml");
  const GuiSupport::TDialog& dialog = watcher.Result();
  ASSERT_TRUE(dialog.Found);
  EXPECT_EQ(dialog.Caption, L"Information");
  ASSERT_FALSE(dialog.Texts.empty());
  EXPECT_EQ(dialog.Texts.back(), L"\"config.xml\" file does not contain a language list.");
  EXPECT_EQ(dialog.Buttons, std::vector<std::wstring>{L"OK"});
  EXPECT_EQ(CountEntries(*table), entries);
  EXPECT_EQ(table->Find(L"qxc", L""), nullptr);

  // A file that is not there holds no list either.
  GuiSupport::TDialogWatcher missing(GetCurrentProcessId(),
                                     [](const GuiSupport::TDialog& d) { GuiSupport::ClickButton(d, L"OK"); });
  table->LoadPropertiesFromFile(dir / L"missing.xml");
  ASSERT_TRUE(missing.Result().Found);
  ASSERT_FALSE(missing.Result().Texts.empty());
  EXPECT_EQ(missing.Result().Texts.back(), L"\"missing.xml\" file does not contain a language list.");
  EXPECT_EQ(CountEntries(*table), entries);

  // Broken XML is the reader's error, without a dialog.
  WriteList(dir / L"broken.xml", "<languages><language id=\"qxc\"></languages>");
  EXPECT_THROW(table->LoadPropertiesFromFile(dir / L"broken.xml"), Rtl::Exception);
  EXPECT_EQ(CountEntries(*table), entries);
}

TEST(LanguageList, EntriesWithBadCodesOrNumbersAreSkippedWithTheirChildren) {
  TestSupport::TTempDir dir;
  const auto table = FreshTable();
  const int before = table->GetCount();
  const int entries = CountEntries(*table);
  WriteList(dir / L"hostile.xml",
            "<languages>\r\n"
            "  <language custom=\"1\"><country id=\"QA\" custom=\"1\"/></language>\r\n"
            "  <language id=\"\" custom=\"1\"/>\r\n"
            "  <language id=\"de-DE\" custom=\"1\"/>\r\n"
            "  <language id=\"q x\" custom=\"1\"/>\r\n"
            "  <language id=\"qqqqqqqqq\" custom=\"1\"/>\r\n"
            "  <language id=\"qxd\" primary=\"1024\" custom=\"1\"><country id=\"QA\" custom=\"1\"/></language>\r\n"
            "  <language id=\"qxe\" primary=\"-1\" custom=\"1\"/>\r\n"
            "  <language id=\"qxf\" primary=\"4294967296\" custom=\"1\"/>\r\n"
            "  <language id=\"qxg\" primary=\"many\" custom=\"1\"/>\r\n"
            "  <language id=\"qxh\" ansicp=\"-1252\" custom=\"1\"/>\r\n"
            "  <language id=\"qxi\" othercp=\"4294967295\" custom=\"1\"/>\r\n"
            "  <language id=\"99999\" custom=\"1\"/>\r\n"
            "  <language id=\"qxj\" primary=\"1023\" custom=\"1\">\r\n"
            "    <country id=\"QB\" sub=\"64\" custom=\"1\"><variant id=\"v\" custom=\"1\"/></country>\r\n"
            "    <country id=\"QC\" sub=\"-1\" custom=\"1\"/>\r\n"
            "    <country id=\"\" custom=\"1\"/>\r\n"
            "    <country id=\"Q-D\" custom=\"1\"/>\r\n"
            "    <country id=\"QE\" sub=\"63\" custom=\"1\">\r\n"
            "      <variant id=\"ok\" sub=\"63\" custom=\"1\"/>\r\n"
            "      <variant id=\"bad\" sub=\"64\" custom=\"1\"/>\r\n"
            "      <variant id=\"a/b\" custom=\"1\"/>\r\n"
            "    </country>\r\n"
            "    <country id=\"QE\" custom=\"1\"><variant id=\"more\" custom=\"1\"/></country>\r\n"
            "    <variant id=\"\" custom=\"1\"/>\r\n"
            "    <variant id=\"lv\" sub=\"100\" custom=\"1\"/>\r\n"
            "    <unknown id=\"x\"/>\r\n"
            "  </language>\r\n"
            "  <language id=\"qxj\" custom=\"1\"><country id=\"QF\" custom=\"1\"/></language>\r\n"
            "  <language id=\"QXJ\" custom=\"1\"><country id=\"QE\" custom=\"1\"/></language>\r\n"
            "</languages>\r\n");
  table->LoadPropertiesFromFile(dir / L"hostile.xml");
  ASSERT_EQ(table->GetCount(), before + 1);
  const TSystemLanguage* qxj = table->Find(L"qxj", L"");
  ASSERT_NE(qxj, nullptr);
  EXPECT_EQ(qxj->GetPrimary(), 1023);
  ASSERT_EQ(qxj->GetCountries().size(), 2u);
  const TSystemCountry* qe = qxj->Find(L"QE");
  ASSERT_NE(qe, nullptr);
  EXPECT_EQ(qe->GetSub(), 0);  // the second QE's fields, both QEs' variants
  ASSERT_EQ(qe->GetVariants().size(), 2u);
  EXPECT_EQ(qe->GetVariants()[0]->GetId(), L"ok");
  EXPECT_EQ(qe->GetVariants()[1]->GetId(), L"more");
  EXPECT_NE(qxj->Find(L"QF"), nullptr);
  EXPECT_TRUE(qxj->GetVariants().empty());
  EXPECT_EQ(CountEntries(*table), entries + 5);
}

TEST(LanguageList, LongFilesLoadWholeAndAddNoCodeTwice) {
  TestSupport::TTempDir dir;
  const auto table = FreshTable();
  const int before = table->GetCount();
  std::string many = "<languages>\r\n";
  std::string same = "<languages>\r\n  <language id=\"qxk\" custom=\"1\">\r\n";
  for (int i = 0; i < 10000; ++i) {
    char code[16];
    std::snprintf(code, sizeof code, "q%05d", i);
    many += std::string("  <language id=\"") + code + "\" custom=\"1\"/>\r\n";
    many += "  <language id=\"qxl\" custom=\"1\"/>\r\n";
    same += std::string("    <country id=\"Q") + std::to_string(i % 100) + "\" custom=\"1\"><variant id=\"v" +
            std::to_string(i % 7) + "\" custom=\"1\"/></country>\r\n";
  }
  many += "</languages>\r\n";
  same += "  </language>\r\n</languages>\r\n";
  WriteList(dir / L"many.xml", many);
  WriteList(dir / L"same.xml", same);

  table->LoadPropertiesFromFile(dir / L"many.xml");
  EXPECT_EQ(table->GetCount(), before + 10001);
  table->LoadPropertiesFromFile(dir / L"many.xml");
  EXPECT_EQ(table->GetCount(), before + 10001);

  table->LoadPropertiesFromFile(dir / L"same.xml");
  const TSystemLanguage* qxk = table->Find(L"qxk", L"");
  ASSERT_NE(qxk, nullptr);
  ASSERT_EQ(qxk->GetCountries().size(), 100u);
  for (const auto& country : qxk->GetCountries()) EXPECT_EQ(country->GetVariants().size(), 7u);
}

TEST(LanguageList, AnExternalEntityIsNotRead) {
  TestSupport::TTempDir dir;
  TestSupport::WriteFile(dir / L"secret.txt", "top secret");
  TestSupport::WriteFile(dir / L"names.dtd", "<!ENTITY name \"from the DTD\">");
  TestSupport::WriteFile(dir / L"entity.xml",
                         "<?xml version=\"1.0\"?>\r\n"
                         "<!DOCTYPE languages SYSTEM \"names.dtd\" [\r\n"
                         "  <!ENTITY secret SYSTEM \"secret.txt\">\r\n"
                         "]>\r\n"
                         "<languages>\r\n"
                         "  <language id=\"qxm\" custom=\"1\" englishname=\"&name;\">\r\n"
                         "    <country id=\"QM\" custom=\"1\" nativename=\"&secret;\"/>\r\n"
                         "  </language>\r\n"
                         "  <language id=\"qxn\" custom=\"1\">&secret;</language>\r\n"
                         "</languages>\r\n");
  const auto table = FreshTable();
  try {
    table->LoadPropertiesFromFile(dir / L"entity.xml");
  } catch (const Rtl::Exception&) {
    // Refusing the reference is as good as leaving it out.
  }
  for (const auto& language : *table) {
    EXPECT_EQ(language->GetEnglishName().find(L"from the DTD"), std::wstring::npos);
    for (const auto& country : language->GetCountries())
      EXPECT_EQ(country->GetNativeName().find(L"top secret"), std::wstring::npos);
  }
}

TEST(LanguageList, MarkedCustomEntriesAreDeletedAndTheSystemsStay) {
  const auto table = FreshTable();
  const int before = table->GetCount();
  const int entries = CountEntries(*table);
  AddCustomEntries(*table);
  EXPECT_EQ(CountEntries(*table), entries + 7);

  table->MarkCustom(true);
  // A custom entry added after the marking stays.
  table->Find(L"de", L"")->Add(Country(L"XG", 61, L"Later"));
  for (const auto& language : *table) EXPECT_EQ(language->GetMarked(), language->GetCustom());
  table->DeleteMarked();
  EXPECT_EQ(table->GetCount(), before);
  EXPECT_EQ(CountEntries(*table), entries + 1);
  EXPECT_NE(table->Find(L"de", L"")->Find(L"XG"), nullptr);
  EXPECT_EQ(table->Find(L"fr", L"")->Find(L"XF"), nullptr);
  EXPECT_EQ(table->Find(L"it", L"")->FindVariant(L"dialect"), nullptr);
  EXPECT_EQ(table->Find(L"de", L"")->Find(L"DE")->Find(L"1901"), nullptr);

  table->MarkCustom(false);
  table->DeleteMarked();
  EXPECT_EQ(CountEntries(*table), entries + 1);
}

// A language that looked its entries up in the system table does not keep
// them once they are deleted.
TEST(LanguageList, ALanguageForgetsEntriesDeletedFromTheSystemTable) {
  Qd::TSystemLanguages& table = Qd::SystemLanguages();
  Qd::TSystemLanguage* german = table.Find(L"de", L"");
  ASSERT_NE(german, nullptr);
  german->Add(Country(L"XQ", 59, L"Deleted later"));
  Qd::TLanguage language;
  language.SetId(L"de-XQ");
  ASSERT_NE(language.GetSystemCountry(), nullptr);
  EXPECT_EQ(language.GetSystemCountry()->GetEnglishName(), L"Deleted later");
  table.MarkCustom(true);
  table.DeleteMarked();
  table.MarkCustom(false);
  EXPECT_EQ(language.GetSystemCountry(), nullptr);
  EXPECT_EQ(language.GetSystemLanguage(), german);
}

TEST(LanguageList, ASaveThatCannotReplaceTheFileRaisesAndLeavesIt) {
  TestSupport::TTempDir dir;
  const auto table = FreshTable();
  AddCustomEntries(*table);
  table->SavePropertiesToFile(dir / L"list.xml");
  const std::string saved = ReadBytes(dir / L"list.xml");
  table->Find(L"de", L"")->Add(Country(L"XH", 62, L"Another"));
  {
    // Held open without sharing: the new document cannot take its place.
    const HANDLE held = CreateFileW((dir / L"list.xml").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_THROW(table->SavePropertiesToFile(dir / L"list.xml"), Rtl::Exception);
    CloseHandle(held);
  }
  EXPECT_EQ(ReadBytes(dir / L"list.xml"), saved);
  table->SavePropertiesToFile(dir / L"list.xml");
  EXPECT_NE(ReadBytes(dir / L"list.xml").find("<country id=\"XH\""), std::string::npos);
}

