// Flag images: the FLAG resources of this test program, and image files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "QdLanguages.h"
#include "TestSupport.h"

namespace {

std::string Text(const Rtl::TBytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

Qd::TSystemLanguage& Language(const wchar_t* code, const wchar_t* script = L"") {
  Qd::TSystemLanguage* item = Qd::SystemLanguages().Find(code, script);
  if (item == nullptr) throw std::runtime_error("no table entry");
  return *item;
}

}  // namespace

TEST(Flags, EntriesTakeTheFlagResourcesByTheirRules) {
  // The language's own flag; else its default country's; else its first
  // country's.
  EXPECT_EQ(Text(Language(L"de").GetImage()), "flag lang_de");
  EXPECT_EQ(Text(Language(L"fr").GetImage()), "flag FR");
  EXPECT_EQ(Text(Language(L"ja").GetImage()), "flag JP");
  // English by the user's locale (en-US in the test prefix).
  EXPECT_EQ(Text(Language(L"en").GetImage()), "flag US");
  // The Sami languages share one.
  EXPECT_EQ(Text(Language(L"smn").GetImage()), "flag lang_se");
  EXPECT_FALSE(Language(L"ru").GetHasImage());
  // Countries: by code, else "UN" + code.
  EXPECT_EQ(Text(Language(L"de").Find(L"DE")->GetImage()), "flag DE");
  EXPECT_EQ(Text(Language(L"en").Find(L"001")->GetImage()), "flag UN001");
  EXPECT_FALSE(Language(L"de").Find(L"AT")->GetHasImage());
}

TEST(Flags, AnImageFileIsLoadedOnlyUpToSixteenMebibytes) {
  TestSupport::TTempDir dir;
  const std::wstring small = dir / L"small.png";
  const std::wstring large = dir / L"large.png";
  { std::ofstream(std::filesystem::path(small), std::ios::binary) << "png!"; }
  {
    std::ofstream file(std::filesystem::path(large), std::ios::binary);
    file.seekp(Qd::MAX_IMAGE_FILE_SIZE_C);
    file.put('x');  // one byte more than the limit
  }
  Qd::TSystemCountry country;
  country.SetImageFileName(small);
  EXPECT_EQ(Text(country.GetImage()), "png!");
  country.SetImageFileName(large);
  EXPECT_TRUE(country.GetImage().empty());
  EXPECT_FALSE(country.GetHasImage());
  country.SetImageFileName(dir / L"missing.png");
  EXPECT_FALSE(country.GetHasImage());
  // Setting the same name again keeps the image there.
  country.SetImage(Rtl::TBytes{1, 2});
  country.SetImageFileName(dir / L"missing.png");
  EXPECT_EQ(country.GetImage().size(), 2u);
}

// Image names come from language list files: only local files are read,
// never a share, a device or a name of another scheme.
TEST(Flags, AnImageFileIsReadOnlyFromALocalPath) {
  TestSupport::TTempDir dir;
  const std::wstring local = dir / L"flag.png";
  { std::ofstream(std::filesystem::path(local), std::ios::binary) << "png!"; }
  Qd::TSystemCountry country;
  for (const std::wstring& name :
       {std::wstring(L"\\\\localhost\\C$") + local.substr(2), L"\\\\?\\" + local, L"\\\\.\\" + local,
        std::wstring(L"CON"), local + L":stream", std::wstring(L"http://127.0.0.1/flag.png")}) {
    country.SetImageFileName(name);
    EXPECT_FALSE(country.GetHasImage()) << TestSupport::Narrow(name);
  }
  country.SetImageFileName(local);
  EXPECT_EQ(Text(country.GetImage()), "png!");
}
