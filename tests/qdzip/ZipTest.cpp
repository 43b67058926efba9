// Zip archives written and read back on real files of the test prefix:
// listings, round trips of trees, ZipDir's rules (the archive inside the
// tree, skips, progress, cancel, adding without duplicates), ZipFiles,
// byte blocks, signatures and the temporary directories.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "QdClasses/File.h"
#include "QdZip.h"
#include "TestSupport.h"
#include "ZipTestSupport.h"
#include "runtime/IO/Streams.h"
#include "runtime/System/Win32.h"
#include "runtime/Text/StringList.h"

using namespace Qd;
using TestSupport::Exists;
using TestSupport::MakeDir;
using TestSupport::TTempDir;
using TestSupport::WriteFile;

namespace {

std::vector<std::wstring> Listing(TQdZip& zip) {
  std::vector<std::wstring> names;
  for (const std::wstring& name : zip) names.push_back(name);
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::wstring> Listing(const std::wstring& zipFile) {
  TQdZip zip;
  zip.Load(zipFile);
  return Listing(zip);
}

}  // namespace

TEST(ZipListing, NamesUseBackSlashesAndLoseTheTrailingSlash) {
  TTempDir dir;
  const std::wstring zipFile = dir / L"a.zip";
  ZipTest::WriteArchive(zipFile, {{"docs/", ""}, {"docs/readme.txt", "hello"}});
  TQdZip zip;
  zip.Load(zipFile);
  ASSERT_EQ(zip.GetCount(), 2);
  EXPECT_EQ(zip.GetFileName(0), L"docs");
  EXPECT_EQ(zip.GetFileName(1), L"docs\\readme.txt");
  EXPECT_TRUE(zip.GetSelected(1));
  zip.SetSelected(1, false);
  EXPECT_FALSE(zip.GetSelected(1));
  EXPECT_THROW(zip.GetFileName(2), Rtl::EListError);
  auto enumerator = zip.GetEnumerator();
  std::vector<std::wstring> names;
  while (enumerator->MoveNext()) names.push_back(enumerator->GetCurrent());
  EXPECT_EQ(names, (std::vector<std::wstring>{L"docs", L"docs\\readme.txt"}));
  EXPECT_EQ(TQdZip::GetFileCount(zipFile), 2);
}

TEST(ZipListing, LoadingAgainGivesTheFlagsOfTheNewArchive) {
  TTempDir dir;
  ZipTest::WriteArchive(dir / L"a.zip", {{"a", "1"}, {"b", "2"}, {"c", "3"}});
  ZipTest::WriteArchive(dir / L"b.zip", {{"x", "1"}});
  TQdZip zip;
  zip.Load(dir / L"a.zip");
  zip.Load(dir / L"b.zip");
  EXPECT_EQ(zip.GetCount(), 1);
}

TEST(ZipListing, NotAnArchiveRaises) {
  TTempDir dir;
  WriteFile(dir / L"not.zip", "PK but nothing else at all, for sure");
  TQdZip zip;
  EXPECT_THROW(zip.Load(dir / L"not.zip"), EZipException);
  EXPECT_THROW(zip.Load(dir / L"missing.zip"), EZipException);
  EXPECT_THROW(zip.ExtractAll(dir / L"out"), EZipException);
}

TEST(ZipListing, CompressionMethodsAreTheHeadersField) {
  TTempDir dir;
  WriteFile(dir / L"src\\stored.txt", std::string(1000, 'a'));
  WriteFile(dir / L"src\\deflated.txt", std::string(1000, 'b'));
  TQdZip::ZipDir(dir / L"a.zip", dir / L"src", true, true, DEFAULT_ZIP_OPTIONS_C,
                 [](const std::wstring& fileName, int& compression, bool&) {
                   if (fileName.ends_with(L"stored.txt")) compression = ZIP_METHOD_STORED_C;
                 });
  TQdZip zip;
  zip.Load(dir / L"a.zip");
  for (int i = 0; i < zip.GetCount(); ++i)
    EXPECT_EQ(zip.GetCompressionMethods(i),
              zip.GetFileName(i) == L"stored.txt" ? ZIP_METHOD_STORED_C : ZIP_METHOD_DEFLATED_C);
  EXPECT_TRUE(TQdZip::IsEncrypted(1, 8));
  EXPECT_TRUE(TQdZip::IsEncrypted(0, 99));
  EXPECT_FALSE(TQdZip::IsEncrypted(8, 8));
}

TEST(ZipRoundTrip, TreeWithEmptyFoldersUnicodeNamesEmptyAndLargeFiles) {
  TTempDir dir;
  const std::wstring src = dir / L"src";
  const std::string big = ZipTest::PseudoRandom(10 * 1024 * 1024, 7);
  WriteFile(src + L"\\empty.txt", "");
  WriteFile(src + L"\\big.bin", big);
  WriteFile(src + L"\\\u00e4\u00f6\u00fc \u65e5\u672c\\\u0436.txt", "unicode");
  MakeDir(src + L"\\hollow\\deeper");
  for (bool stored : {false, true}) {
    const std::wstring zipFile = dir / (stored ? L"stored.zip" : L"deflated.zip");
    TQdZip::ZipDir(zipFile, src, true, true, DEFAULT_ZIP_OPTIONS_C, [stored](const std::wstring&, int& compression, bool&) {
      if (stored) compression = ZIP_METHOD_STORED_C;
    });
    EXPECT_EQ(Listing(zipFile), (std::vector<std::wstring>{L"big.bin", L"empty.txt", L"hollow\\deeper",
                                                            L"\u00e4\u00f6\u00fc \u65e5\u672c\\\u0436.txt"}));
    const std::wstring out = dir / (stored ? L"out-stored" : L"out-deflated");
    TQdZip zip;
    zip.Load(zipFile);
    zip.ExtractAll(out);
    EXPECT_EQ(ZipTest::ReadFile(out + L"\\big.bin"), big);
    EXPECT_EQ(ZipTest::ReadFile(out + L"\\empty.txt"), "");
    EXPECT_EQ(ZipTest::ReadFile(out + L"\\\u00e4\u00f6\u00fc \u65e5\u672c\\\u0436.txt"), "unicode");
    EXPECT_TRUE(TestSupport::IsDir(out + L"\\hollow\\deeper"));
  }
}

TEST(ZipRoundTrip, AnsiNamesReadBackAndUnrepresentableOnesStayUtf8) {
  TTempDir dir;
  WriteFile(dir / L"src\\caf\u00e9.txt", "1");
  WriteFile(dir / L"src\\\u0436\u65e5.txt", "2");
  TQdZip::ZipDir(dir / L"a.zip", dir / L"src", true, true, TQdZipOptions{zoUnixNames, zoAnsiNames});
  EXPECT_EQ(Listing(dir / L"a.zip"), (std::vector<std::wstring>{L"caf\u00e9.txt", L"\u0436\u65e5.txt"}));
  const ZipTest::TRawEntries raw = ZipTest::RawEntries(dir / L"a.zip");
  ASSERT_EQ(raw.size(), 2u);
  for (const ZipTest::TRawEntry& entry : raw) {
    if (entry.Name == "caf\x82.txt") EXPECT_EQ(entry.Flags & 0x800, 0) << "code page 437, unflagged";
    else {
      EXPECT_EQ(entry.Name, "\xd0\xb6\xe6\x97\xa5.txt");
      EXPECT_NE(entry.Flags & 0x800, 0) << "UTF-8, flagged";
    }
  }
}

TEST(ZipDirTest, ArchiveInsideTheTreeIsNotAddedToItself) {
  TTempDir dir;
  WriteFile(dir / L"a.txt", "a");
  WriteFile(dir / L"sub\\b.txt", "b");
  TQdZip::ZipDir(dir / L"SUB\\Self.zip", dir.Path(), true, false);
  EXPECT_EQ(Listing(dir / L"sub\\self.zip"), (std::vector<std::wstring>{L"a.txt", L"sub\\b.txt"}));
  // Adding to it: again without itself and without duplicates.
  WriteFile(dir / L"c.txt", "c");
  TQdZip::ZipDir(dir / L"sub\\self.zip", dir.Path(), true, false);
  EXPECT_EQ(Listing(dir / L"sub\\self.zip"), (std::vector<std::wstring>{L"a.txt", L"c.txt", L"sub\\b.txt"}));
}

TEST(ZipDirTest, SkippedFilesAreLeftOutAndProgressReachesAHundred) {
  TTempDir dir;
  for (int i = 0; i < 5; ++i) WriteFile(dir / (L"src\\f" + std::to_wstring(i) + L".txt"), "x");
  std::vector<double> reports;
  TQdZip zip;
  zip.SetOnFile([](const std::wstring& fileName, int&, bool& skip) { skip = fileName.ends_with(L"f1.txt"); });
  zip.SetOnProgress([&](Rtl::TObject* sender, double percent, bool& cancel) {
    EXPECT_EQ(sender, &zip);
    EXPECT_FALSE(cancel) << "the flag starts false";
    reports.push_back(percent);
  });
  zip.ZipDir(dir / L"a.zip", dir / L"src");
  EXPECT_EQ(Listing(dir / L"a.zip"), (std::vector<std::wstring>{L"f0.txt", L"f2.txt", L"f3.txt", L"f4.txt"}));
  ASSERT_EQ(reports.size(), 6u);
  EXPECT_EQ(reports.front(), 0);
  EXPECT_EQ(reports[4], 80);
  EXPECT_EQ(reports.back(), 100);
}

TEST(ZipDirTest, WithoutSubDirsAndWithBackSlashNames) {
  TTempDir dir;
  WriteFile(dir / L"src\\a.txt", "a");
  WriteFile(dir / L"src\\sub\\b.txt", "b");
  TQdZip::ZipDir(dir / L"flat.zip", dir / L"src", false, true);
  EXPECT_EQ(Listing(dir / L"flat.zip"), (std::vector<std::wstring>{L"a.txt"}));
  TQdZip::ZipDir(dir / L"back.zip", dir / L"src", true, true, TQdZipOptions{});
  const ZipTest::TRawEntries raw = ZipTest::RawEntries(dir / L"back.zip");
  ASSERT_EQ(raw.size(), 2u);
  EXPECT_EQ(raw[1].Name, "sub\\b.txt");
  // The reader maps both separators.
  EXPECT_EQ(Listing(dir / L"back.zip"), (std::vector<std::wstring>{L"a.txt", L"sub\\b.txt"}));
}

TEST(ZipDirTest, CancelStopsAndLeavesTheArchiveAsItWas) {
  TTempDir dir;
  WriteFile(dir / L"src\\a.txt", "a");
  TQdZip::ZipDir(dir / L"a.zip", dir / L"src", true, true);
  const std::string before = ZipTest::ReadFile(dir / L"a.zip");
  for (int i = 0; i < 4; ++i) WriteFile(dir / (L"src\\n" + std::to_wstring(i) + L".txt"), "n");
  int calls = 0;
  for (bool deleteExisting : {false, true}) {
    TQdZip::ZipDir(dir / L"a.zip", dir / L"src", true, deleteExisting, DEFAULT_ZIP_OPTIONS_C, nullptr,
                   [&](Rtl::TObject*, double, bool& cancel) { cancel = ++calls >= 2; });
    EXPECT_EQ(ZipTest::ReadFile(dir / L"a.zip"), before);
  }
  // No progress for a tree without files, but the end is reported.
  MakeDir(dir / L"none");
  std::vector<double> reports;
  TQdZip::ZipDir(dir / L"none.zip", dir / L"none", true, true, DEFAULT_ZIP_OPTIONS_C, nullptr,
                 [&](Rtl::TObject*, double percent, bool&) { reports.push_back(percent); });
  EXPECT_EQ(reports, std::vector<double>{100});
}

TEST(ZipFilesTest, SlashesRootDirAndReplacedDuplicates) {
  TTempDir dir;
  WriteFile(dir / L"root\\a.txt", "first");
  WriteFile(dir / L"root\\sub\\b.txt", "b");
  Rtl::TStringList files;
  files.Add(dir / L"root\\a.txt");
  files.Add(dir / L"root\\sub\\b.txt");
  TQdZip::ZipFiles(dir / L"a.zip", files, dir / L"root");
  const ZipTest::TRawEntries raw = ZipTest::RawEntries(dir / L"a.zip");
  ASSERT_EQ(raw.size(), 2u);
  EXPECT_EQ(raw[1].Name, "sub/b.txt");
  // A second entry of the same name replaces the first.
  WriteFile(dir / L"root\\a.txt", "second");
  TQdZip::ZipFile(dir / L"a.zip", dir / L"root\\a.txt", dir / L"root");
  EXPECT_EQ(ZipTest::RawEntries(dir / L"a.zip").size(), 2u);
  TQdZip zip;
  zip.Load(dir / L"a.zip");
  EXPECT_EQ(ZipTest::Text(zip.ExtractToBytes(zip.Locate(L"a.txt"))), "second");
  // Without a root the name part; into bytes through a temporary archive.
  Rtl::TStringList one;
  one.Add(dir / L"root\\sub\\b.txt");
  const Rtl::TBytes bytes = TQdZip::ZipFiles(one, L"");
  EXPECT_TRUE(TQdZip::IsZipData(bytes));
  TQdZip fromBytes;
  fromBytes.LoadData(bytes);
  EXPECT_EQ(Listing(fromBytes), std::vector<std::wstring>{L"b.txt"});
}

TEST(ZipData, RoundTripWithTheDefaultNameAndEmptyCases) {
  const Rtl::TBytes data{'s', 'o', 'm', 'e', 0, 1, 2};
  const Rtl::TBytes zipped = TQdZip::ZipData(data);
  EXPECT_TRUE(TQdZip::IsZipData(zipped));
  EXPECT_EQ(TQdZip::UnzipData(zipped), data);
  TQdZip zip;
  zip.LoadData(zipped);
  ASSERT_EQ(zip.GetCount(), 1);
  EXPECT_EQ(zip.GetFileName(0), L"payload.dat");
  EXPECT_EQ(zip.GetCompressionMethod(0), ZIP_METHOD_DEFLATED_C);
  EXPECT_EQ(TQdZip::UnzipData({}), Rtl::TBytes{});
  EXPECT_EQ(TQdZip::UnzipData(TQdZip::ZipData({}, L"x")), Rtl::TBytes{});
  EXPECT_THROW(TQdZip::UnzipData(Rtl::TBytes{'P', 'K', 3, 4}), EZipException);
}

TEST(ZipSignatures, DataStreamsAndFiles) {
  EXPECT_FALSE(TQdZip::IsZipData({'P', 'K'}));
  EXPECT_TRUE(TQdZip::IsZipData({'P', 'K', 0}));
  EXPECT_FALSE(TQdZip::IsZipData({'P', 'X', 0}));
  Rtl::TBytesStream stream(Rtl::TBytes{'x', 'P', 'K'});
  stream.SetPosition(1);
  EXPECT_TRUE(TQdZip::IsZipStream(stream));
  EXPECT_EQ(stream.Position(), 1);
  TTempDir dir;
  EXPECT_FALSE(TQdZip::IsZipFile(dir / L"missing.zip"));
  WriteFile(dir / L"a.zip", "PK");
  EXPECT_TRUE(TQdZip::IsZipFile(dir / L"a.zip"));
}

TEST(ZipExtract, SingleFilesByNameAndFromStreams) {
  TTempDir dir;
  const std::wstring zipFile = dir / L"a.zip";
  ZipTest::WriteArchive(zipFile, {{"Docs/ReadMe.TXT", "readme"}, {"second", "2"}});
  EXPECT_TRUE(TQdZip::UnzipFile(zipFile, L"docs\\readme.txt", dir / L"r.txt"));
  EXPECT_EQ(ZipTest::ReadFile(dir / L"r.txt"), "readme");
  EXPECT_FALSE(TQdZip::UnzipFile(zipFile, L"missing", dir / L"m.txt"));
  EXPECT_FALSE(Exists(dir / L"m.txt"));
  const std::wstring temp = TQdZip::UnzipFile(zipFile, L"DOCS/readme.txt");
  EXPECT_EQ(temp, TFile::GetTempDir() + L"readme.txt");
  EXPECT_EQ(ZipTest::ReadFile(temp), "readme");
  DeleteFileW(temp.c_str());
  EXPECT_EQ(TQdZip::UnzipFile(zipFile, L"nothing"), L"");

  EXPECT_TRUE(TQdZip::UnzipSingleFile(zipFile, dir / L"first.txt"));
  EXPECT_EQ(ZipTest::ReadFile(dir / L"first.txt"), "readme");
  Rtl::TFileStream stream(zipFile, Rtl::fmOpenRead | Rtl::fmShareDenyNone);
  EXPECT_TRUE(TQdZip::UnzipSingleFile(stream, dir / L"first2.txt"));
  EXPECT_EQ(ZipTest::ReadFile(dir / L"first2.txt"), "readme");
  const Rtl::TBytes bytes = TFile::FileToBytes(zipFile);
  const std::wstring all = TQdZip::UnzipAllData(bytes, L"qdzip-test");
  EXPECT_EQ(ZipTest::ReadFile(all + L"Docs\\ReadMe.TXT"), "readme");
  EXPECT_EQ(ZipTest::ReadFile(all + L"second"), "2");
  TFile::RemoveDir(all, true);

  TQdZip zip;
  zip.Load(zipFile);
  EXPECT_EQ(zip.Extract(L"second", dir / L"x"), dir / L"x\\second");
  EXPECT_THROW(zip.Extract(L"third", dir / L"x"), EZipException);
}

TEST(ZipExtract, ExtractAllHonoursSelectionAndFlatMode) {
  TTempDir dir;
  ZipTest::WriteArchive(dir / L"a.zip", {{"a/one.txt", "1"}, {"b/two.txt", "2"}, {"dir/", ""}});
  TQdZip zip;
  zip.Load(dir / L"a.zip");
  zip.SetSelected(1, false);
  zip.ExtractAll(dir / L"flat", false);
  EXPECT_EQ(ZipTest::ReadFile(dir / L"flat\\one.txt"), "1");
  EXPECT_FALSE(Exists(dir / L"flat\\two.txt"));
  EXPECT_FALSE(Exists(dir / L"flat\\dir"));
  EXPECT_EQ(zip.GetDestionationDir(), dir / L"flat");
}

// The destructor removes only the directories the object made: an
// extraction into the caller's directory after one into a temporary
// directory never leads to the caller's being removed.
TEST(ZipTempDirs, OnlyOwnTemporaryDirectoriesAreRemoved) {
  TTempDir dir;
  ZipTest::WriteArchive(dir / L"a.zip", {{"a.txt", "a"}});
  std::wstring temp, allTemp;
  {
    TQdZip zip;
    zip.Load(dir / L"a.zip");
    const std::wstring path = zip.ExtractToTempDir(L"a.txt", L"qdzip-test");
    temp = zip.GetDestionationDir();
    EXPECT_EQ(path, temp + L"a.txt");
    EXPECT_TRUE(Exists(path));
    allTemp = zip.ExtractAllToTempDir(L"qdzip-test");
    EXPECT_TRUE(Exists(allTemp + L"a.txt"));
    WriteFile(dir / L"mine\\keep.txt", "keep");
    zip.ExtractAll(dir / L"mine");
  }
  EXPECT_FALSE(Exists(temp));
  EXPECT_FALSE(Exists(allTemp));
  EXPECT_TRUE(Exists(dir / L"mine\\keep.txt"));
  EXPECT_TRUE(Exists(dir / L"mine\\a.txt"));
  // UnzipAll's directory stays for the caller.
  const std::wstring kept = TQdZip::UnzipAll(dir / L"a.zip", L"qdzip-test");
  EXPECT_TRUE(Exists(kept + L"a.txt"));
  TFile::RemoveDir(kept, true);
}
