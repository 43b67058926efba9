// Finding and loading the translation set from real files: the empty set,
// the container, language files and their faults, the search directories,
// a missing configured name, a second load; the probe program for the
// directory of the executable, the embedded "QdLangRes" and the user's
// documents (searched only by a process that isn't elevated).
#include <gtest/gtest.h>

#include <sstream>

#include "QdBase.h"
#include "QdResource.h"
#include "TestSupport.h"
#include "runtime/Core/Exceptions.h"
#include "runtime/IO/Files.h"
#include "runtime/IO/Streams.h"
#include "runtime/System/Elevation.h"
#include "runtime/System/Win32.h"
#include "runtime/Text/StringList.h"
#include "tools/ResourceImage.h"

namespace {

using ResourceTools::TBytes;
using ResourceTools::TContainerModel;
using ResourceTools::TImageModel;
using TestSupport::MessageOf;
using TestSupport::TTempDir;

void Write(const std::wstring& fileName, const TBytes& bytes) {
  TestSupport::WriteFile(fileName, std::string(bytes.begin(), bytes.end()));
}

// An image whose Win32 string 1 is `text`.
TImageModel Saying(const std::wstring& text) {
  TImageModel image;
  image.Win32Strings = {{1, text}};
  image.Forms = {{L"TMainForm", {'T', 'P', 'F', '0'}}};
  return image;
}

TBytes Container(std::vector<std::pair<std::string, std::wstring>> languages) {
  TContainerModel model;
  for (auto& [id, text] : languages) model.Languages.emplace_back(id, Saying(text));
  return ResourceTools::WriteContainer(model);
}

constexpr Rtl::TResStringRec ONE_C{&Rtl::ThisImage, 1, "one"};

std::wstring ExeDir() { return Rtl::ExtractFileDir(Rtl::GetModuleFileName(0)); }

// DefaultLocale is "de" for the case, and back afterwards.
class TLoading : public ::testing::Test {
protected:
  void SetUp() override { Qd::SetDefaultLocale(L"de"); }
  void TearDown() override {
    Qd::SetDefaultLocale(FSavedDefault);
    Qd::SetLoadedResourceLocale(FSavedLoaded);
  }
  TTempDir Dir{L"qdres"};
  Qd::TQdDelphiResources Resources;

private:
  std::wstring FSavedDefault = Qd::DefaultLocale();
  std::wstring FSavedLoaded = Qd::LoadedResourceLocale();
};

TEST_F(TLoading, NothingThereMeansUntranslated) {
  Resources.SetResourcePath(Dir.Path());
  EXPECT_FALSE(Resources.GetLoaded());
  EXPECT_EQ(Resources.GetCount(), 0);
  EXPECT_TRUE(Resources.GetLoaded());
  EXPECT_FALSE(Resources.GetEnabled());
  EXPECT_EQ(Resources.GetCurrent(), nullptr);
  EXPECT_EQ(Resources.GetLanguageId(), L"");
  EXPECT_EQ(Resources.GetTranslationSource(), Qd::tsNone);
  EXPECT_EQ(Resources.GetString(ONE_C), L"");
  EXPECT_EQ(Resources.GetString(L"original", L"id", L"group"), L"original");
  EXPECT_EQ(Resources.FindForm(L"TMainForm"), nullptr);
  EXPECT_FALSE(Resources.FormExists(L"TMainForm"));
  // The program's own resource.
  auto own = Resources.GetResource(L"QDRESTEST");
  ASSERT_NE(own, nullptr);
  EXPECT_EQ(own->Size(), 3);
  EXPECT_EQ(MessageOf<Rtl::EResNotFound>([&] { Resources.GetResource(L"NOSUCHRESOURCE"); }),
            L"Resource NOSUCHRESOURCE not found");
  // The default name in any letter case raises nothing.
  Qd::TQdDelphiResources other;
  other.SetResourcePath(Dir.Path());
  other.SetResourceName(L"qdLANGres");
  EXPECT_EQ(other.GetCount(), 0);
}

TEST_F(TLoading, AMissingConfiguredNameRaisesOnce) {
  Resources.SetResourcePath(Dir.Path());
  Resources.SetResourceName(L"Missing");
  EXPECT_EQ(MessageOf<Rtl::EReadError>([&] { Resources.GetCount(); }), L"Resource Missing not found");
  // Loading was tried: later lookups don't try again.
  EXPECT_EQ(Resources.GetCount(), 0);
  EXPECT_EQ(Resources.GetString(ONE_C), L"");
}

TEST_F(TLoading, AContainerInTheResourcePath) {
  Write(Dir / L"QdLangRes.qdres", Container({{"fi", L"yksi"}, {"de", L"eins"}}));
  Resources.SetResourcePath(Dir.Path());
  EXPECT_EQ(Resources.GetCount(), 2);
  EXPECT_EQ(Resources.GetTranslationSource(), Qd::tsFile);
  EXPECT_EQ(Resources.GetTranslationSourceValue(), Dir / L"QdLangRes.qdres");
  EXPECT_EQ(Resources.GetLanguageId(), L"de");
  EXPECT_EQ(Qd::LoadedResourceLocale(), L"de");
  EXPECT_EQ(Resources.GetString(ONE_C), L"eins");
  EXPECT_EQ(Resources.GetStringInLanguage(L"fi", ONE_C), L"yksi");
  EXPECT_TRUE(Resources.FormExists(L"TMainForm"));
  EXPECT_FALSE(Resources.FormExists(L"TMAINFORM"));
  // The file was read once and closed: it can go, and lookups still work.
  ASSERT_TRUE(DeleteFileW((Dir / L"QdLangRes.qdres").c_str()));
  EXPECT_EQ(Resources.GetStringInLanguage(L"fi", ONE_C), L"yksi");
}

TEST_F(TLoading, TheResourcePathNamingAFileWins) {
  Write(Dir / L"QdLangRes.qdres", Container({{"de", L"folder"}}));
  Write(Dir / L"chosen.bin", Container({{"de", L"chosen"}}));
  Resources.SetResourcePath(Dir / L"chosen.bin");
  EXPECT_EQ(Resources.GetString(ONE_C), L"chosen");
  EXPECT_EQ(Resources.GetTranslationSourceValue(), Dir / L"chosen.bin");
  // An explicit name wins over both; one that can't be opened raises.
  Write(Dir / L"explicit.bin", Container({{"de", L"explicit"}}));
  Resources.Load(Dir / L"explicit.bin");
  EXPECT_EQ(Resources.GetString(ONE_C), L"explicit");
  EXPECT_NE(MessageOf<Rtl::EFOpenError>([&] { Resources.Load(Dir / L"absent.bin"); }), L"(nothing raised)");
}

TEST_F(TLoading, LanguageFilesAreOpenedAtTheirFirstLookup) {
  TImageModel de = Saying(L"eins");
  Write(Dir / L"de.qdlang", ResourceTools::WriteImage(de));
  Write(Dir / L"fi.qdlang", ResourceTools::WriteImage(Saying(L"yksi")));
  Write(Dir / L"sv.qdlang", {'Q', 'D', 'L', 'X', 0, 0, 0, 0});
  TestSupport::MakeDir(Dir / L"dir.qdlang");
  Resources.SetResourcePath(Dir.Path());
  ASSERT_EQ(Resources.GetCount(), 3);
  EXPECT_EQ(Resources.GetTranslationSource(), Qd::tsDirectory);
  EXPECT_EQ(Resources.GetTranslationSourceValue(), Dir.Path());
  const int fi = Resources.Find(L"fi");
  const int sv = Resources.Find(L"sv");
  ASSERT_GE(fi, 0);
  ASSERT_GE(sv, 0);
  EXPECT_EQ(Resources.GetLanguages(fi)->GetFileName(), Dir / L"fi.qdlang");
  // The current language was read; the others weren't opened.
  EXPECT_EQ(Resources.GetString(ONE_C), L"eins");
  EXPECT_EQ(Resources.GetLanguages(fi)->GetStream(), nullptr);
  // A file deleted before its first lookup: an empty language.
  ASSERT_TRUE(DeleteFileW((Dir / L"fi.qdlang").c_str()));
  EXPECT_EQ(Resources.GetStringInLanguage(L"fi", ONE_C), L"");
  EXPECT_EQ(Resources.GetStringInLanguage(L"fi", L"original", L"", L"group"), L"original");
  // A bad magic: raised at the first lookup, empty afterwards.
  EXPECT_EQ(MessageOf<Rtl::EInvalidImage>([&] { Resources.GetStringInLanguage(L"sv", ONE_C); }),
            L"Invalid stream format");
  EXPECT_EQ(Resources.GetStringInLanguage(L"sv", ONE_C), L"");
  Rtl::TStringList names;
  Resources.GetLanguages(sv)->GetFormNames(names);
  EXPECT_EQ(names.Count(), 0);
}

TEST_F(TLoading, ASecondLoadStartsAfresh) {
  Write(Dir / L"first.bin", Container({{"de", L"first"}, {"fi", L"yksi"}}));
  Write(Dir / L"second.bin", Container({{"sv", L"andra"}}));
  Resources.Load(Dir / L"first.bin");
  ASSERT_EQ(Resources.GetLanguageId(), L"de");
  Qd::SetDefaultLocale(L"fi");
  Resources.Load(Dir / L"second.bin");
  EXPECT_EQ(Resources.GetCount(), 1);
  EXPECT_EQ(Resources.GetLanguages(0)->GetId(), L"sv");
  EXPECT_EQ(Resources.GetCurrent(), nullptr);
  Resources.Load(Dir / L"first.bin");
  EXPECT_EQ(Resources.GetLanguageId(), L"fi");
  EXPECT_EQ(Resources.GetString(ONE_C), L"yksi");
}

TEST_F(TLoading, TooLargeAFileIsInvalid) {
  const std::wstring name = Dir / L"huge.qdres";
  {
    const Rtl::TBytes header = Container({{"de", L"eins"}});
    Rtl::TFileStream file(name, Rtl::fmCreate);
    file.WriteBytes(header);
    file.SetSize(Qd::QDRES_MAX_FILE_SIZE_C + 1);
  }
  EXPECT_EQ(MessageOf<Rtl::EInvalidImage>([&] { Resources.Load(name); }), L"Invalid stream format");
}

TEST_F(TLoading, SearchDirectoriesKeepDuplicates) {
  Resources.SetResourcePath(ExeDir());
  const std::vector<std::wstring> dirs = Resources.GetResourceDirectories();
  ASSERT_GE(dirs.size(), 2u);
  EXPECT_EQ(dirs[0], ExeDir());
  EXPECT_EQ(dirs[1], ExeDir());
  // A path that isn't a directory is no candidate.
  Resources.SetResourcePath(Dir / L"absent");
  EXPECT_EQ(Resources.GetResourceDirectories().front(), ExeDir());
}

// Wine gives every process an elevated token; the rule for elevated
// processes then holds for this one.
TEST_F(TLoading, AnElevatedProcessResolvesARelativePathAgainstTheExecutable_Wine) {
  if (!Rtl::IsElevated()) GTEST_SKIP() << "this process isn't elevated";
  TestSupport::MakeDir(Dir / L"rel");
  Write(Dir / L"rel\\QdLangRes.qdres", Container({{"de", L"current directory"}}));
  wchar_t saved[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, saved);
  ASSERT_TRUE(SetCurrentDirectoryW(Dir.Path().c_str()));
  Resources.SetResourcePath(L"rel");
  const std::vector<std::wstring> dirs = Resources.GetResourceDirectories();
  const int count = Resources.GetCount();
  // An explicit relative name too.
  const std::wstring explicitName = MessageOf<Rtl::EFOpenError>([&] { Resources.Load(L"rel\\QdLangRes.qdres"); });
  SetCurrentDirectoryW(saved);
  EXPECT_EQ(count, 0);
  EXPECT_NE(explicitName.find(ExeDir()), std::wstring::npos) << TestSupport::Narrow(explicitName);
  for (const std::wstring& dir : dirs) EXPECT_EQ(dir.find(Dir.Path()), std::wstring::npos) << TestSupport::Narrow(dir);
  // No documents folder either.
  const std::wstring documents = Qd::TQdBase::GetFolderPath(5);
  for (const std::wstring& dir : dirs) EXPECT_NE(dir.rfind(documents, 0), 0u) << TestSupport::Narrow(dir);
}

// --- The probe program -------------------------------------------------------------

struct TProbeResult {
  std::vector<std::string> Lines;  // source, value, ids, current, directories, elevation
  const std::string& Line(std::size_t i) const {
    static const std::string none;
    return i < Lines.size() ? Lines[i] : none;
  }
};

// The probe copied into `dir` under `name`, run with `arguments` (plainly or
// with the limited token); its report.
class TProbe {
public:
  TProbe(const std::wstring& dir, const std::wstring& name) : FExe(dir + L"\\" + name + L".exe") {
    CopyFileW((ExeDir() + L"\\qdresource_probe.exe").c_str(), FExe.c_str(), FALSE);
  }
  const std::wstring& Exe() const { return FExe; }

  TProbeResult Run(const std::wstring& arguments = L"", bool limited = false, int* exitCode = nullptr) const {
    const std::wstring output = FExe + L".txt";
    DeleteFileW(output.c_str());
    const std::wstring command = L"\"" + FExe + L"\" \"" + output + L"\" " + arguments;
    const std::wstring dir = Rtl::ExtractFileDir(FExe);
    const int code = limited ? TestSupport::RunProcessLimited(command, dir) : TestSupport::RunProcess(command, dir);
    if (exitCode != nullptr) *exitCode = code;
    TProbeResult result;
    std::string text;
    {
      Rtl::TMemoryStream stream;
      if (Rtl::FileExists(output)) stream.LoadFromFile(output);
      text.assign(reinterpret_cast<const char*>(stream.Memory()), static_cast<std::size_t>(stream.Size()));
    }
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) result.Lines.push_back(line);
    return result;
  }

private:
  std::wstring FExe;
};

TEST(ProbeTest, TheEmbeddedContainerWhenNothingElseIsThere) {
  TTempDir dir(L"qdresprobe");
  const TProbe probe(dir.Path(), L"probe");
  const TProbeResult result = probe.Run();
  EXPECT_EQ(result.Line(0), "1");  // tsResource
  EXPECT_EQ(result.Line(1), "QdLangRes");
  EXPECT_EQ(result.Line(2), "de,fi");
  // DefaultLocale "en" is not there.
  EXPECT_EQ(result.Line(3), "");
  // A configured name that nothing has.
  const TProbeResult missing = probe.Run(L"name=Other");
  EXPECT_EQ(missing.Line(0), "error: Resource Other not found");
}

TEST(ProbeTest, AContainerInAnyDirectoryWinsOverLanguageFiles) {
  TTempDir dir(L"qdresprobe");
  TestSupport::MakeDir(dir / L"first");
  TestSupport::MakeDir(dir / L"other");
  const TProbe probe(dir.Path(), L"probe");
  Write(dir / L"first\\fi.qdlang", ResourceTools::WriteImage(Saying(L"yksi")));
  Write(dir / L"other\\sv.qdlang", ResourceTools::WriteImage(Saying(L"ett")));
  Write(dir / L"de.qdlang", ResourceTools::WriteImage(Saying(L"eins")));
  // Language files: the first directory with any wins.
  TProbeResult result = probe.Run(L"\"path=" + dir / L"first" + L"\"");
  EXPECT_EQ(result.Line(0), "3");
  EXPECT_EQ(result.Line(1), TestSupport::Narrow(dir / L"first"));
  EXPECT_EQ(result.Line(2), "fi");
  result = probe.Run(L"\"path=" + dir / L"absent" + L"\"");
  EXPECT_EQ(result.Line(2), "de");
  // A container in the executable's directory (searched second) wins over
  // the language files of the first.
  Write(dir / L"QdLangRes.qdres", Container({{"de", L"eins"}, {"sv", L"ett"}}));
  result = probe.Run(L"\"path=" + dir / L"first" + L"\"");
  EXPECT_EQ(result.Line(0), "2");
  EXPECT_EQ(result.Line(1), TestSupport::Narrow(dir / L"QdLangRes.qdres"));
  EXPECT_EQ(result.Line(2), "de,sv");
  // The ResourcePath naming a file wins over the container beside the program.
  Write(dir / L"first\\chosen.qdres", Container({{"fi", L"yksi"}}));
  result = probe.Run(L"\"path=" + dir / L"first\\chosen.qdres" + L"\"");
  EXPECT_EQ(result.Line(1), TestSupport::Narrow(dir / L"first\\chosen.qdres"));
}

// The user's documents: ignored by an elevated process (every process that
// Wine starts plainly), searched by one with the limited token. The folder
// named after the program is searched instead of the documents folder
// itself when it exists.
TEST(ProbeTest, TheDocumentsFolderOnlyWithoutElevation_Wine) {
  const std::wstring documents = Qd::TQdBase::GetFolderPath(5);
  ASSERT_FALSE(documents.empty());
  TTempDir dir(L"qdresprobe");
  const std::wstring name = L"qdresprobe" + std::to_wstring(GetCurrentProcessId());
  const TProbe probe(dir.Path(), name);
  const std::wstring sub = documents + L"\\" + name;
  TestSupport::MakeDir(sub);
  Write(sub + L"\\QdLangRes.qdres", Container({{"fi", L"yksi"}}));
  struct TCleanUp {
    std::wstring Sub, Documents;
    ~TCleanUp() {
      DeleteFileW((Sub + L"\\QdLangRes.qdres").c_str());
      RemoveDirectoryW(Sub.c_str());
      DeleteFileW((Documents + L"\\QdLangRes.qdres").c_str());
    }
  } cleanUp{sub, documents};

  const TProbeResult elevated = probe.Run();
  ASSERT_EQ(elevated.Line(5), "elevated");
  EXPECT_EQ(elevated.Line(0), "1") << "the embedded container, not the one in the documents";
  EXPECT_EQ(elevated.Line(4), TestSupport::Narrow(dir.Path()));

  int code = 0;
  const TProbeResult limited = probe.Run(L"", true, &code);
  if (code == -2) GTEST_SKIP() << "no linked token";
  ASSERT_EQ(limited.Line(5), "limited");
  EXPECT_EQ(limited.Line(0), "2");
  EXPECT_EQ(limited.Line(1), TestSupport::Narrow(sub + L"\\QdLangRes.qdres"));
  EXPECT_EQ(limited.Line(4), TestSupport::Narrow(dir.Path() + L"|" + sub));

  // Without the program's folder, the documents folder itself.
  DeleteFileW((sub + L"\\QdLangRes.qdres").c_str());
  ASSERT_TRUE(RemoveDirectoryW(sub.c_str()));
  Write(documents + L"\\QdLangRes.qdres", Container({{"sv", L"ett"}}));
  const TProbeResult plain = probe.Run(L"", true);
  EXPECT_EQ(plain.Line(1), TestSupport::Narrow(documents + L"\\QdLangRes.qdres"));
  EXPECT_EQ(plain.Line(4), TestSupport::Narrow(dir.Path() + L"|" + documents));
}

}  // namespace
