// GetFolderPath loads shfolder.dll from the system directory: a library of
// that name beside the program or in its current directory never runs. A
// copy of this test program is started beside a planted shfolder.dll (and
// in a directory holding one) and must still read the shell's folder. Wine
// would take its own shfolder before a file found by the bare name; the
// copy is told to prefer files (Wine's per-program DllOverrides), as Windows
// does, so that a load by the bare name would pick the planted one.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "runtime/IO/Files.h"
#include "runtime/System/Win32.h"

namespace {

using TestSupport::TTempDir;
using TestSupport::TTestKey;

TEST(FolderPathTest, PlantedLibraryIsNeverLoaded_Wine) {
  const std::wstring testsDir = Rtl::ExtractFilePath(Rtl::GetModuleFileName());
  const std::wstring planted = testsDir + L"planted\\shfolder.dll";
  TTempDir dir{L"qdplant"};
  const std::wstring program = dir / L"qdplanted.exe";
  ASSERT_TRUE(CopyFileW(Rtl::GetModuleFileName().c_str(), program.c_str(), FALSE));
  ASSERT_TRUE(CopyFileW(planted.c_str(), (dir / L"shfolder.dll").c_str(), FALSE));
  const std::wstring command = L"\"" + program + L"\" --gtest_filter=FolderPathTest.DocumentsFolderIsTheShellsOne";
  const TTestKey overrides(TestSupport::OwnView(), L"Software\\Wine\\AppDefaults\\qdplanted.exe\\DllOverrides",
                           Qd::HKEY_CURRENT_USER);
  overrides.WriteString(L"shfolder", L"native,builtin");
  const int code = TestSupport::RunProcess(command, dir.Path());
  TTestKey(TestSupport::OwnView(), L"Software\\Wine\\AppDefaults\\qdplanted.exe", Qd::HKEY_CURRENT_USER)
      .DeleteTree();
  EXPECT_EQ(0, code);
}

}  // namespace
