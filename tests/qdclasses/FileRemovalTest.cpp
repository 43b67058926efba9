// File removal and the path helpers, on real files of the test prefix.
#include <gtest/gtest.h>

#include "QdClasses.h"
#include "TestSupport.h"
#include "runtime/IO/Files.h"

using namespace Qd;
using TestSupport::Exists;
using TestSupport::TTempDir;

namespace {

// A tree with read-only, hidden and nested entries below `root`.
void MakeTree(const std::wstring& root) {
  TestSupport::WriteFile(root + L"\\plain.txt", "x");
  TestSupport::WriteFile(root + L"\\readonly.txt", "x");
  TestSupport::SetAttributes(root + L"\\readonly.txt", true, false);
  TestSupport::WriteFile(root + L"\\hidden.txt", "x");
  TestSupport::SetAttributes(root + L"\\hidden.txt", false, true);
  TestSupport::WriteFile(root + L"\\sub\\deeper\\both.dat", "x");
  TestSupport::SetAttributes(root + L"\\sub\\deeper\\both.dat", true, true);
  TestSupport::WriteFile(root + L"\\sub\\noext", "");
  TestSupport::MakeDir(root + L"\\empty");
  TestSupport::MakeDir(root + L"\\hidden dir");
  TestSupport::SetAttributes(root + L"\\hidden dir", false, true);
}

}  // namespace

TEST(RemoveDirTest, RemovesReadOnlyHiddenAndNestedEntries) {
  TTempDir temp;
  const std::wstring root = temp / L"tree";
  MakeTree(root);
  TFile::RemoveDir(root, true);
  EXPECT_FALSE(Exists(root));
  EXPECT_TRUE(Exists(temp.Path()));
}

TEST(RemoveDirTest, KeepsTheEmptyRootWhenAsked) {
  TTempDir temp;
  const std::wstring root = temp / L"tree";
  MakeTree(root);
  TFile::RemoveDir(root, false);
  ASSERT_TRUE(TestSupport::IsDir(root));
  EXPECT_FALSE(Exists(root + L"\\plain.txt"));
  EXPECT_FALSE(Exists(root + L"\\sub"));
  EXPECT_FALSE(Exists(root + L"\\hidden dir"));
}

TEST(RemoveDirTest, RootWithTrailingBackslash) {
  TTempDir temp;
  const std::wstring root = temp / L"tree";
  MakeTree(root);
  TFile::RemoveDir(root + L"\\", true);
  EXPECT_FALSE(Exists(root));
}

TEST(RemoveDirTest, EmptyDirRaises) {
  try {
    TFile::RemoveDir(L"", true);
    FAIL() << "an empty dir must raise";
  } catch (const Rtl::Exception& e) {
    EXPECT_EQ(e.Message(), L"TFile.RemoveDir dir cannot be empty");
  }
}

TEST(RemoveDirTest, MissingDirIsNoError) {
  TTempDir temp;
  EXPECT_NO_THROW(TFile::RemoveDir(temp / L"missing", true));
}

TEST(RemoveDirTest, NeverEntersADirectoryLink_NeedsWindows) {
  TTempDir temp;
  const std::wstring outside = temp / L"outside";
  TestSupport::WriteFile(outside + L"\\keep.txt", "precious");
  const std::wstring root = temp / L"tree";
  TestSupport::WriteFile(root + L"\\file.txt", "x");
  if (!TestSupport::MakeDirectoryLink(root + L"\\link", outside))
    GTEST_SKIP() << "this system can't make a directory link here";
  TFile::RemoveDir(root, true);
  EXPECT_FALSE(Exists(root));
  EXPECT_TRUE(Exists(outside + L"\\keep.txt"));
}

TEST(RemoveDirTest, ALinkAsRootIsRemovedAsALink_NeedsWindows) {
  TTempDir temp;
  const std::wstring outside = temp / L"outside";
  TestSupport::WriteFile(outside + L"\\keep.txt", "precious");
  if (!TestSupport::MakeDirectoryLink(temp / L"link", outside))
    GTEST_SKIP() << "this system can't make a directory link here";
  TFile::RemoveDir(temp / L"link", true);
  EXPECT_FALSE(Exists(temp / L"link"));
  EXPECT_TRUE(Exists(outside + L"\\keep.txt"));
}

// Wine deletes what its unix symbolic links lead to, also through a handle
// opened on the link itself: such links are left, and so is their target.
TEST(RemoveDirTest, UnixLinksAreLeftWithWhatTheyLeadTo_WineUnixLinks) {
  TTempDir temp;
  const std::wstring outside = temp / L"outside";
  TestSupport::WriteFile(outside + L"\\keep.txt", "precious");
  TestSupport::MakeDir(outside + L"\\empty");
  const std::wstring root = temp / L"tree";
  TestSupport::WriteFile(root + L"\\own.txt", "x");
  TestSupport::WriteFile(root + L"\\sub\\own.txt", "x");
  if (!TestSupport::MakeWineUnixLink(root + L"\\file link.txt", outside + L"\\keep.txt"))
    GTEST_SKIP() << "unix symbolic links are made under Wine only";
  ASSERT_TRUE(TestSupport::MakeWineUnixLink(root + L"\\sub\\dir link", outside + L"\\empty"));
  ASSERT_TRUE(TestSupport::MakeWineUnixLink(temp / L"root link", outside + L"\\empty"));

  EXPECT_FALSE(TFile::IsDeletableEntry(root + L"\\file link.txt"));
  EXPECT_TRUE(TFile::IsDeletableEntry(root + L"\\own.txt"));
  EXPECT_TRUE(TFile::IsDeletableEntry(root + L"\\sub\\"));
  EXPECT_FALSE(TFile::DeleteFile(root + L"\\file link.txt"));
  TFile::RemoveDir(temp / L"root link", true);
  TFile::RemoveDir(root, true);
  EXPECT_TRUE(Exists(outside + L"\\keep.txt"));
  EXPECT_TRUE(TestSupport::IsDir(outside + L"\\empty"));
  EXPECT_FALSE(Exists(root + L"\\own.txt"));
  EXPECT_FALSE(Exists(root + L"\\sub\\own.txt"));
  for (const std::wstring& link : {root + L"\\file link.txt", root + L"\\sub\\dir link", temp / L"root link"})
    TestSupport::RemoveWineUnixLink(link);
}

TEST(DeleteFileTest, ReadOnlyFilesAreDeleted) {
  TTempDir temp;
  const std::wstring file = temp / L"ro.txt";
  TestSupport::WriteFile(file, "x");
  TestSupport::SetAttributes(file, true, false);
  EXPECT_TRUE(TFile::IsFileReadOnly(file));
  EXPECT_TRUE(TFile::DeleteFile(file));
  EXPECT_FALSE(Exists(file));
  EXPECT_FALSE(TFile::DeleteFile(file));  // nothing left to delete
}

TEST(DeleteFileTest, ReadOnlyAttribute) {
  TTempDir temp;
  const std::wstring file = temp / L"f.txt";
  EXPECT_FALSE(TFile::IsFileReadOnly(file));
  EXPECT_TRUE(TFile::RemoveReadOnlyAttribute(file));  // missing: nothing to clear
  TestSupport::WriteFile(file, "x");
  EXPECT_FALSE(TFile::IsFileReadOnly(file));
  TestSupport::SetAttributes(file, true, true);
  EXPECT_TRUE(TFile::IsFileReadOnly(file));
  EXPECT_TRUE(TFile::RemoveReadOnlyAttribute(file));
  EXPECT_FALSE(TFile::IsFileReadOnly(file));
  EXPECT_TRUE(Exists(file));
  // A directory is not a read-only file.
  EXPECT_FALSE(TFile::IsFileReadOnly(temp.Path()));
}

TEST(PathTest, AddBackSlashAndPeriodExt) {
  EXPECT_EQ(TFile::AddBackSlash(L""), L"");
  EXPECT_EQ(TFile::AddBackSlash(L"C:\\a"), L"C:\\a\\");
  EXPECT_EQ(TFile::AddBackSlash(L"C:\\a\\"), L"C:\\a\\");
  EXPECT_EQ(TFile::AddBackSlash(L"C:"), L"C:\\");
  EXPECT_EQ(TFile::GetPeriodExt(L"lnk"), L".lnk");
  EXPECT_EQ(TFile::GetPeriodExt(L".lnk"), L".lnk");
  EXPECT_EQ(TFile::GetPeriodExt(L""), L"");
}

TEST(PathTest, IsSubPath) {
  EXPECT_FALSE(TFile::IsSubPath(L""));
  EXPECT_FALSE(TFile::IsSubPath(L"\\x"));
  EXPECT_FALSE(TFile::IsSubPath(L"\\\\server\\share"));
  EXPECT_FALSE(TFile::IsSubPath(L"C:\\x"));
  EXPECT_FALSE(TFile::IsSubPath(L"C:x"));  // drive-relative counts as not below
  EXPECT_TRUE(TFile::IsSubPath(L"x"));
  EXPECT_TRUE(TFile::IsSubPath(L"a\\b"));
  EXPECT_TRUE(TFile::IsSubPath(L"..\\b"));
  EXPECT_TRUE(TFile::IsSubPath(L"."));
}

TEST(PathTest, GetFullPath) {
  const std::wstring dir = L"C:\\base\\dir";
  EXPECT_EQ(TFile::GetFullPath(L".", dir), dir);
  EXPECT_EQ(TFile::GetFullPath(L"", dir, false), L"");
  EXPECT_EQ(TFile::GetFullPath(L"", dir, true), dir);
  EXPECT_EQ(TFile::GetFullPath(L"name.txt", dir), dir + L"\\name.txt");
  EXPECT_EQ(TFile::GetFullPath(L"name.txt", dir + L"\\"), dir + L"\\name.txt");
  // A bare name is joined as it is, even "..".
  EXPECT_EQ(TFile::GetFullPath(L"..", dir), dir + L"\\..");
  // A relative path with ".." is normalised; without it, joined as it is.
  EXPECT_EQ(TFile::GetFullPath(L"..\\other\\f.txt", dir), L"C:\\base\\other\\f.txt");
  EXPECT_EQ(TFile::GetFullPath(L"sub\\..\\f.txt", dir), dir + L"\\f.txt");
  EXPECT_EQ(TFile::GetFullPath(L"sub\\.\\f.txt", dir), dir + L"\\sub\\.\\f.txt");
  // Absolute names come back unchanged.
  EXPECT_EQ(TFile::GetFullPath(L"D:\\x\\..\\y", dir), L"D:\\x\\..\\y");
  EXPECT_EQ(TFile::GetFullPath(L"\\x", dir), L"\\x");
  // No directory: the current one.
  EXPECT_EQ(TFile::GetFullPath(L"f.txt", L""), TFile::AddBackSlash(TFile::GetDir()) + L"f.txt");
  EXPECT_EQ(TFile::GetFullPath(L".", L""), TFile::GetDir());
}

TEST(PathTest, GetDirIsTheCurrentDirectory) {
  TTempDir temp;
  const std::wstring before = TFile::GetDir();
  ASSERT_FALSE(before.empty());
  TestSupport::RunProcess(L"cmd /c exit 0");  // any call that may set the last error
  EXPECT_EQ(TFile::GetDir(), before);
  EXPECT_EQ(TFile::GetFullPath(L"x\\..\\y", L""), TFile::AddBackSlash(before) + L"y");
}

TEST(PathTest, SimplifyPath) {
  EXPECT_EQ(TFile::SimplifyPath(L"C:\\a\\b\\..\\c"), L"C:\\a\\c");
  EXPECT_EQ(TFile::SimplifyPath(L"C:\\a\\.\\c"), L"C:\\a\\c");
  // A full form that wouldn't fit the buffer leaves the path as it is.
  const std::wstring longPath = L"C:\\" + std::wstring(600, L'a') + L"\\.\\b";
  EXPECT_EQ(TFile::SimplifyPath(longPath), longPath);
  // What matters is the length of the full form, not of the input.
  EXPECT_EQ(TFile::SimplifyPath(L"C:\\" + std::wstring(600, L'a') + L"\\..\\b"), L"C:\\b");
  const std::wstring exact = L"C:\\" + std::wstring(QD_MAX_PATH - 3, L'a');  // 520 characters
  EXPECT_EQ(TFile::SimplifyPath(exact), exact);
}

TEST(PathTest, DriveTypes) {
  EXPECT_EQ(TFile::GetDriveType(L"C:\\windows"), dtFixed);
  EXPECT_EQ(TFile::GetDriveType(L"relative\\path"), dtFixed);
  EXPECT_EQ(TFile::GetDriveType(L""), dtFixed);
}
