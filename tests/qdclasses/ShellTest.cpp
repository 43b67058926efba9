// Shell folders and the Windows bitness, on the test prefix's real folders.
#include <gtest/gtest.h>

#include "QdClasses.h"
#include "QdVersion.h"
#include "TestSupport.h"
#include "runtime/IO/Files.h"

using namespace Qd;

TEST(ShellTest, EveryFolderResolvesToAnExistingDirectory) {
  for (int i = 0; i < FOLDER_TYPE_COUNT_C; ++i) {
    const std::wstring folder = TShell::GetFolder(static_cast<TFolderType>(i));
    SCOPED_TRACE(i);
    ASSERT_FALSE(folder.empty());
    EXPECT_NE(folder.back(), L'\\') << TestSupport::Narrow(folder);
    EXPECT_TRUE(Rtl::DirectoryExists(folder)) << TestSupport::Narrow(folder);
  }
}

TEST(ShellTest, ProgramFilesOfBothViewsOn64BitWindows) {
  // The test prefix is a 64-bit Windows, whichever build runs here.
  ASSERT_TRUE(TVersion::Is64Bit());
  const std::wstring files64 = TShell::GetFolder(ftProgramFiles64);
  const std::wstring files32 = TShell::GetFolder(ftProgramFiles32);
  EXPECT_EQ(files64, Rtl::GetEnvironmentVariable(L"ProgramW6432"));
  EXPECT_NE(files64, files32);
  // A program's own Program Files is the one of its bitness.
  EXPECT_EQ(TShell::GetFolder(ftProgramFiles), sizeof(void*) == 8 ? files64 : files32);
}

TEST(ShellTest, GuidOfEachFolderIsDistinct) {
  for (int i = 0; i < FOLDER_TYPE_COUNT_C; ++i)
    for (int j = i + 1; j < FOLDER_TYPE_COUNT_C; ++j)
      EXPECT_FALSE(TShell::GetGuid(static_cast<TFolderType>(i)) == TShell::GetGuid(static_cast<TFolderType>(j)))
          << i << " " << j;
  try {
    TShell::GetGuid(static_cast<TFolderType>(FOLDER_TYPE_COUNT_C));
    FAIL() << "a folder outside the enumeration must raise";
  } catch (const Rtl::Exception& e) {
    EXPECT_EQ(e.Message(), L"Error Message");
  }
  // Outside the enumeration, GetFolder raises too rather than guessing.
  EXPECT_THROW(TShell::GetFolder(static_cast<TFolderType>(200)), Rtl::Exception);
}
