// Archives from anywhere: names that would write outside the destination,
// links inside it, forged sizes and ratios, the limits, and a failed write
// that keeps the old archive.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "QdClasses/File.h"
#include "QdDirectory.h"
#include "QdZip.h"
#include "TestSupport.h"
#include "ZipTestSupport.h"
#include "runtime/System/Win32.h"

using namespace Qd;
using TestSupport::Exists;
using TestSupport::MessageOf;
using TestSupport::Narrow;
using TestSupport::TTempDir;
using TestSupport::WriteFile;

namespace {

// The files below `dir`, counted.
int Count(const std::wstring& dir) {
  Rtl::TStringList files;
  TQdDirectory::GetFiles(dir, L"*", files, true);
  return files.Count();
}

}  // namespace

TEST(ZipSlip, EachRefusedNameWritesNothingAroundTheDestination) {
  const std::vector<std::string> names = {
      "../evil.txt", "a/../../evil.txt", "..\\evil.txt", "/rooted.txt", "\\rooted.txt", "\\\\server\\share\\x",
      "\\\\?\\C:\\x", "C:\\x.txt", "C:x.txt", "file.txt:stream", "dots./x", "space /x", "x.", "x ", "CON",
      "nul.txt", "sub/COM1", "lpt9.log", "AUX .txt", "a\x01z", "a<b", "a>b", "a\"b", "a|b", "a?b", "a*b", "a//b"};
  TTempDir dir;
  const std::wstring out = dir / L"deep\\out";
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    const std::wstring zipFile = dir / L"evil.zip";
    ZipTest::WriteArchive(zipFile, {{"good.txt", "good"}, {name, "evil"}});
    TQdZip zip;
    zip.Load(zipFile);
    const std::wstring message = MessageOf<EZipException>([&] { zip.ExtractAll(out); });
    EXPECT_NE(message.find(L"can't be extracted safely"), std::wstring::npos) << Narrow(message);
    // Checked before anything is written: not even the good entry.
    EXPECT_EQ(Count(dir.Path()), 1) << "only evil.zip";
    EXPECT_TRUE(TQdDirectory::IsEmpty(out));
    EXPECT_THROW(zip.Extract(zip.GetFileName(1), out), EZipException);
    EXPECT_EQ(Count(dir.Path()), 1);
  }
}

TEST(ZipSlip, DirectoryEntriesAndNestedNamesThatAreSafe) {
  TTempDir dir;
  ZipTest::WriteArchive(dir / L"ok.zip", {{"a/b/", ""}, {"a/b/c..d.txt", "x"}, {"con-fig.txt", "y"}, {".hidden", "z"}});
  TQdZip zip;
  zip.Load(dir / L"ok.zip");
  zip.ExtractAll(dir / L"out");
  EXPECT_EQ(ZipTest::ReadFile(dir / L"out\\a\\b\\c..d.txt"), "x");
  EXPECT_EQ(ZipTest::ReadFile(dir / L"out\\con-fig.txt"), "y");
  EXPECT_EQ(ZipTest::ReadFile(dir / L"out\\.hidden"), "z");
}

TEST(ZipSlip, ALinkInsideTheDestinationIsNotWrittenThrough_NeedsWineOrLinks) {
  TTempDir dir;
  TTempDir elsewhere;
  TestSupport::MakeDir(dir / L"out");
  bool made = TestSupport::MakeDirectoryLink(dir / L"out\\link", elsewhere.Path());
  bool wineLink = false;
  if (!made) made = wineLink = TestSupport::MakeWineUnixLink(dir / L"out\\link", elsewhere.Path());
  if (!made) GTEST_SKIP() << "no directory link can be made here";
  ZipTest::WriteArchive(dir / L"a.zip", {{"link/planted.txt", "x"}});
  TQdZip zip;
  zip.Load(dir / L"a.zip");
  const std::wstring message = MessageOf<EZipException>([&] { zip.ExtractAll(dir / L"out"); });
  EXPECT_NE(message.find(L"through a link"), std::wstring::npos) << Narrow(message);
  EXPECT_FALSE(Exists(elsewhere / L"planted.txt"));
  if (wineLink) TestSupport::RemoveWineUnixLink(dir / L"out\\link");
  else RemoveDirectoryW((dir / L"out\\link").c_str());
}

TEST(ZipBombs, ForgedSizesAndRatiosAreRefusedAndThePartialFileRemoved) {
  TTempDir dir;
  const std::string zeros(4 * 1024 * 1024, '\0');
  ZipTest::WriteArchive(dir / L"a.zip", {{"zeros.bin", zeros}});
  std::string archive = ZipTest::ReadFile(dir / L"a.zip");
  const ZipTest::TRawEntries entries = ZipTest::RawEntries(archive);
  ASSERT_EQ(entries.size(), 1u);
  // The declared size in both headers made smaller: the entry inflates past it.
  std::string smaller = archive;
  ZipTest::SetLe(smaller, entries[0].HeaderOffset + 24, 4, 1000);
  ZipTest::SetLe(smaller, 22, 4, 1000);
  ZipTest::WriteBytes(dir / L"smaller.zip", smaller);
  {
    TQdZip zip;
    zip.Load(dir / L"smaller.zip");
    EXPECT_THROW(zip.ExtractAll(dir / L"out1"), EZipException);
    EXPECT_EQ(Count(dir / L"out1"), 0) << "the partial file is removed";
    EXPECT_THROW(zip.ExtractToBytes(0), EZipException);
  }
  // Declared far beyond what the compressed size can give.
  std::string larger = archive;
  ZipTest::SetLe(larger, entries[0].HeaderOffset + 24, 4, 0xF0000000u);
  ZipTest::SetLe(larger, 22, 4, 0xF0000000u);
  ZipTest::WriteBytes(dir / L"larger.zip", larger);
  {
    TQdZip zip;
    zip.Load(dir / L"larger.zip");
    const std::wstring message = MessageOf<EZipException>([&] { zip.ExtractAll(dir / L"out2"); });
    EXPECT_NE(message.find(L"times its compressed size"), std::wstring::npos) << Narrow(message);
    EXPECT_EQ(Count(dir / L"out2"), 0);
  }
  // A broken CRC.
  std::string crc = archive;
  ZipTest::SetLe(crc, entries[0].HeaderOffset + 16, 4, 0x12345678u);
  ZipTest::SetLe(crc, 14, 4, 0x12345678u);
  ZipTest::WriteBytes(dir / L"crc.zip", crc);
  {
    TQdZip zip;
    zip.Load(dir / L"crc.zip");
    EXPECT_THROW(zip.ExtractAll(dir / L"out3"), EZipException);
    EXPECT_EQ(Count(dir / L"out3"), 0);
  }
}

TEST(ZipBombs, LimitsStopInflation) {
  TTempDir dir;
  ZipTest::WriteArchive(dir / L"a.zip", {{"a", std::string(300000, 'a')}, {"b", std::string(300000, 'b')}});
  TQdZip zip;
  zip.Load(dir / L"a.zip");
  // Per call: the second entry passes the limit.
  zip.SetMaxExtractBytes(500000);
  EXPECT_NE(MessageOf<EZipException>([&] { zip.ExtractAll(dir / L"out"); }).find(L"limit of 500000 bytes"),
            std::wstring::npos);
  EXPECT_EQ(ZipTest::ReadFile(dir / L"out\\a").size(), 300000u);
  EXPECT_FALSE(Exists(dir / L"out\\b"));
  // Byte arrays.
  zip.SetMaxDataBytes(1000);
  EXPECT_THROW(zip.ExtractToBytes(0), EZipException);
  // Ratio: 300000 'a's deflate to a few hundred bytes.
  zip.SetMaxRatio(10);
  EXPECT_THROW(zip.Extract(L"a", dir / L"out2"), EZipException);
  EXPECT_FALSE(Exists(dir / L"out2\\a"));
  // Entries.
  TQdZip few;
  few.SetMaxEntries(1);
  EXPECT_THROW(few.Load(dir / L"a.zip"), EZipException);
  EXPECT_EQ(few.GetCount(), 0);
  // The defaults.
  TQdZip defaults;
  EXPECT_EQ(defaults.GetMaxEntries(), 1000000);
  EXPECT_EQ(defaults.GetMaxExtractBytes(), std::int64_t{16} << 30);
  EXPECT_EQ(defaults.GetMaxDataBytes(), std::int64_t{1} << 30);
  EXPECT_EQ(defaults.GetMaxRatio(), 1100);
}

TEST(ZipWrite, AFailedWriteLeavesTheOldArchiveIntact) {
  TTempDir dir;
  WriteFile(dir / L"src\\a.txt", "a");
  TQdZip::ZipDir(dir / L"a.zip", dir / L"src", true, true);
  const std::string before = ZipTest::ReadFile(dir / L"a.zip");
  // A file that vanishes before the archive is written: it is read only
  // when the archive is closed.
  WriteFile(dir / L"src\\b.txt", "b");
  TQdZip zip;
  zip.SetOnFile([&](const std::wstring& fileName, int&, bool&) {
    if (fileName.ends_with(L"b.txt")) DeleteFileW(fileName.c_str());
  });
  EXPECT_THROW(zip.ZipDir(dir / L"a.zip", dir / L"src"), EZipException);
  EXPECT_EQ(ZipTest::ReadFile(dir / L"a.zip"), before);
  // An unknown compression method.
  WriteFile(dir / L"src\\c.txt", "c");
  zip.SetOnFile([](const std::wstring&, int& compression, bool&) { compression = 77; });
  EXPECT_THROW(zip.ZipDir(dir / L"a.zip", dir / L"src"), EZipException);
  EXPECT_EQ(ZipTest::ReadFile(dir / L"a.zip"), before);
  Rtl::TStringList names;
  TQdDirectory::GetFiles(dir.Path(), L"*", names, false);
  EXPECT_EQ(names.Count(), 1) << "no temporary file left beside the archive";
}
