// Translation end to end in miniature: test_toolkit.de, a resource-only
// module beside this executable with German texts for one library message,
// the fixed string 65067 and the form TTransForm, installed by hand as the
// executable's resource handle. Messages, resource strings and forms then
// come in German; what the module lacks stays English; restoring the
// handle brings English back.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "QdClasses/File.h"
#include "QdWindows.h"
#include "runtime/Core/Exceptions.h"
#include "runtime/Core/Modules.h"
#include "runtime/Core/ResStrings.h"
#include "runtime/IO/Files.h"
#include "runtime/Toolkit/Forms.h"
#include "runtime/System/Win32.h"
#include "TestSupport.h"

namespace {

class TTransForm : public Rtl::TForm {
  RTL_CLASS(TTransForm, Rtl::TForm)
};

class TPlainForm : public Rtl::TForm {
  RTL_CLASS(TPlainForm, Rtl::TForm)
};

// A fixed number of the library's lists, declared here by its record.
constexpr Rtl::TResStringRec STraditionalSort{&Rtl::ThisImage, 65067, "traditional sort"};

std::wstring GermanModulePath() { return Rtl::ChangeFileExt(Rtl::GetModuleFileName(), L".de"); }

std::wstring WindowText(Rtl::THandle handle) {
  wchar_t text[256] = {};
  GetWindowTextW(reinterpret_cast<HWND>(handle), text, 256);
  return text;
}

std::wstring MissingFileMessage() {
  try {
    Qd::TFile::GetFileSize(L"C:\\no such folder\\no such file.txt");
  } catch (const Rtl::Exception& e) {
    return e.Message();
  }
  return L"(nothing raised)";
}

// The German module, loaded as a data file and installed as the
// executable's resource handle for the life of the object.
class TInstalledGerman {
public:
  TInstalledGerman()
      : FModule(LoadLibraryExW(GermanModulePath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {
    if (FModule == nullptr) return;
    Rtl::SetResourceHInstance(Rtl::MainInstance(), reinterpret_cast<Rtl::HINST>(FModule));
    Rtl::ClearResStringCache();
  }
  ~TInstalledGerman() {
    Rtl::SetResourceHInstance(Rtl::MainInstance(), 0);
    Rtl::ClearResStringCache();
    if (FModule != nullptr) FreeLibrary(FModule);
  }
  TInstalledGerman(const TInstalledGerman&) = delete;
  TInstalledGerman& operator=(const TInstalledGerman&) = delete;
  bool Loaded() const { return FModule != nullptr; }

private:
  HMODULE FModule;
};

TEST(TranslationModule, HasResourcesOnlyAndNoEntryPoint) {
  std::ifstream file(std::filesystem::path(GermanModulePath()), std::ios::binary);
  ASSERT_TRUE(file) << "test_toolkit.de is missing";
  const std::vector<char> image{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  ASSERT_GT(image.size(), 0x100u);
  std::uint32_t pe = 0;
  std::memcpy(&pe, image.data() + 0x3C, sizeof pe);
  ASSERT_LT(pe + 24u + 20u, image.size());
  ASSERT_EQ(std::memcmp(image.data() + pe, "PE\0\0", 4), 0);
  std::uint16_t characteristics = 0;
  std::memcpy(&characteristics, image.data() + pe + 4 + 18, sizeof characteristics);
  EXPECT_NE(characteristics & 0x2000, 0) << "not a DLL";  // IMAGE_FILE_DLL
  std::uint32_t entryPoint = 1;
  std::memcpy(&entryPoint, image.data() + pe + 24 + 16, sizeof entryPoint);  // AddressOfEntryPoint
  EXPECT_EQ(entryPoint, 0u);
}

// The application's main form asks the message loop to end when its
// window goes (WM_QUIT); the test has no loop, so it takes the request
// back lest the next modal box of this thread end at once.
class Translation : public ::testing::Test {
protected:
  ~Translation() override {
    FApplication.reset();
    MSG message;
    while (PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
  }
  std::optional<Rtl::TApplication> FApplication{std::in_place};
};

TEST_F(Translation, InstalledModuleTranslatesMessagesStringsAndFormsUntilRestored) {
  Rtl::TApplication& application = *FApplication;
  const std::wstring english = L"File does not exists";
  Rtl::ClearResStringCache();
  EXPECT_EQ(MissingFileMessage(), english);
  EXPECT_EQ(Rtl::LoadResString(STraditionalSort), L"traditional sort");
  {
    const TInstalledGerman german;
    ASSERT_TRUE(german.Loaded());
    EXPECT_EQ(MissingFileMessage(), L"Datei existiert nicht (gepr\u00fcft)");
    EXPECT_EQ(Rtl::LoadResString(STraditionalSort), L"traditionelle Sortierung");
    EXPECT_EQ(Qd::TQdWindows::GetVariantName(L"es", L"TRADNL"), L"traditionelle Sortierung");
    // A string the module lacks stays English.
    EXPECT_EQ(Rtl::LoadResString(Rtl::SDivByZero), L"Division by zero");

    TTransForm* translated = nullptr;
    application.CreateForm(translated);
    ASSERT_NE(translated, nullptr);
    EXPECT_EQ(translated->Caption(), L"Deutsches Fenster");
    EXPECT_EQ(WindowText(translated->Handle()), L"Deutsches Fenster");
    // A form the module lacks comes from the executable.
    TPlainForm* plain = nullptr;
    application.CreateForm(plain);
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(WindowText(plain->Handle()), L"Plain Window");
    EXPECT_EQ(Rtl::TForm::FindFormResource(Rtl::MainInstance(), L"TPlainForm"), Rtl::MainInstance());
    EXPECT_NE(Rtl::TForm::FindFormResource(Rtl::MainInstance(), L"TTransForm"), Rtl::MainInstance());
  }
  EXPECT_EQ(MissingFileMessage(), english);
  EXPECT_EQ(Rtl::LoadResString(STraditionalSort), L"traditional sort");
  EXPECT_EQ(Qd::TQdWindows::GetVariantName(L"es", L"TRADNL"), L"traditional sort");
  TTransForm* again = nullptr;
  application.CreateForm(again);
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(WindowText(again->Handle()), L"English Window");
}

}  // namespace
