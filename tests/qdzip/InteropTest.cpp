// Archives exchanged with Debian's zip, unzip and zipinfo, run through Wine:
// every archive we write passes "unzip -t" and lists as expected; we read
// back byte-exact what "zip" writes (deflated, stored, with ZIP64 fields,
// and into a pipe, with data descriptors).
#include <gtest/gtest.h>

#include <string>

#include "QdClasses/File.h"
#include "QdZip.h"
#include "TestSupport.h"
#include "ZipTestSupport.h"
#include "runtime/System/Win32.h"

using namespace Qd;
using TestSupport::TTempDir;
using TestSupport::WriteFile;
using ZipTest::Shell;
using ZipTest::Unix;

namespace {

bool HaveTools() { return Shell("command -v zip && command -v unzip && command -v zipinfo >/dev/null"); }

// The tree that the tools zip and we read back.
void MakeTree(const std::wstring& src) {
  WriteFile(src + L"\\a.txt", std::string(5000, 'a'));
  WriteFile(src + L"\\empty.txt", "");
  WriteFile(src + L"\\sub\\random.bin", ZipTest::PseudoRandom(100000, 3));
  WriteFile(src + L"\\sub\\deeper\\caf\u00e9.txt", "utf-8 name");
}

void ExpectTree(const std::wstring& out) {
  EXPECT_EQ(ZipTest::ReadFile(out + L"\\a.txt"), std::string(5000, 'a'));
  EXPECT_EQ(ZipTest::ReadFile(out + L"\\empty.txt"), "");
  EXPECT_EQ(ZipTest::ReadFile(out + L"\\sub\\random.bin"), ZipTest::PseudoRandom(100000, 3));
  EXPECT_EQ(ZipTest::ReadFile(out + L"\\sub\\deeper\\caf\u00e9.txt"), "utf-8 name");
}

}  // namespace

TEST(ZipInterop, OurArchivesPassUnzipTestAndListInZipinfo_NeedsWine) {
  if (!HaveTools()) GTEST_SKIP() << "Debian's zip tools can't be run here";
  TTempDir dir;
  MakeTree(dir / L"src");
  TQdZip::ZipDir(dir / L"ours.zip", dir / L"src", true, true, DEFAULT_ZIP_OPTIONS_C,
                 [](const std::wstring& fileName, int& compression, bool&) {
                   if (fileName.ends_with(L"random.bin")) compression = ZIP_METHOD_STORED_C;
                 });
  const std::string zip = Unix(dir / L"ours.zip");
  const std::string listing = Unix(dir / L"listing.txt");
  EXPECT_TRUE(Shell("unzip -tqq '" + zip + "'"));
  ASSERT_TRUE(Shell("LC_ALL=C.UTF-8 zipinfo '" + zip + "' > '" + listing + "'"));
  const std::string text = ZipTest::ReadFile(dir / L"listing.txt");
  // Name, size and method per line; the UTF-8 name shows as UTF-8 only when
  // it is flagged so (unflagged it would read as code page 437).
  for (const char* expected : {" 5000 ", " def", " a.txt\n", "  0 ", " empty.txt\n", " 100000 ", "stor",
                               " sub/random.bin\n", " sub/deeper/caf\xc3\xa9.txt\n"})
    EXPECT_NE(text.find(expected), std::string::npos) << expected << " in\n" << text;
  for (const ZipTest::TRawEntry& entry : ZipTest::RawEntries(dir / L"ours.zip"))
    EXPECT_EQ((entry.Flags & 0x800) != 0, entry.Name.find('\xc3') != std::string::npos) << entry.Name;

  // The archives of ZipFiles and ZipData too.
  Rtl::TStringList files;
  files.Add(dir / L"src\\sub\\deeper\\caf\u00e9.txt");
  files.Add(dir / L"src\\a.txt");
  TQdZip::ZipFiles(dir / L"files.zip", files, dir / L"src");
  EXPECT_TRUE(Shell("unzip -tqq '" + Unix(dir / L"files.zip") + "'"));
  ZipTest::WriteBytes(dir / L"data.zip", ZipTest::Text(TQdZip::ZipData(Rtl::TBytes(70000, 'd'))));
  EXPECT_TRUE(Shell("unzip -tqq '" + Unix(dir / L"data.zip") + "'"));
}

TEST(ZipInterop, WeReadWhatZipWrites_NeedsWine) {
  if (!HaveTools()) GTEST_SKIP() << "Debian's zip tools can't be run here";
  TTempDir dir;
  MakeTree(dir / L"src");
  const std::string src = Unix(dir / L"src");
  struct TCase {
    const wchar_t* Name;
    std::string Options;
    int Method;
  };
  for (const TCase& c : {TCase{L"r.zip", "-r", 8}, TCase{L"stored.zip", "-r -0", 0}, TCase{L"zip64.zip", "-r -fz", 8}}) {
    SCOPED_TRACE(TestSupport::Narrow(c.Name));
    ASSERT_TRUE(Shell("cd '" + src + "' && LC_ALL=C.UTF-8 zip -q " + c.Options + " '" + Unix(dir / c.Name) + "' ."));
    TQdZip zip;
    zip.Load(dir / c.Name);
    const std::wstring out = dir / (std::wstring(c.Name) + L".out");
    zip.ExtractAll(out);
    ExpectTree(out);
    const int a = zip.Locate(L"a.txt");
    ASSERT_GE(a, 0);
    EXPECT_EQ(zip.GetCompressionMethod(a), c.Method);
  }
  // zip -fz really wrote ZIP64 fields (the extra field of id 1).
  EXPECT_NE(ZipTest::ReadFile(dir / L"zip64.zip").find(std::string("\x01\x00", 2)), std::string::npos);

  // Into a pipe: the sizes come after the data, in data descriptors.
  ASSERT_TRUE(Shell("cat '" + Unix(dir / L"src\\sub\\random.bin") + "' | zip -q - - | cat > '" +
                    Unix(dir / L"pipe.zip") + "'"));
  const ZipTest::TRawEntries raw = ZipTest::RawEntries(dir / L"pipe.zip");
  ASSERT_EQ(raw.size(), 1u);
  EXPECT_NE(raw[0].Flags & 8, 0) << "a data descriptor";
  TQdZip zip;
  zip.Load(dir / L"pipe.zip");
  ASSERT_EQ(zip.GetCount(), 1);
  EXPECT_EQ(ZipTest::Text(zip.ExtractToBytes(0)), ZipTest::PseudoRandom(100000, 3));
}

// An entry stored as a link ("zip -y") is written as a plain file holding
// the link's text: nothing creates a link.
TEST(ZipInterop, LinkEntriesBecomePlainFiles_NeedsWine) {
  if (!HaveTools()) GTEST_SKIP() << "Debian's zip tools can't be run here";
  TTempDir dir;
  TestSupport::MakeDir(dir / L"src");
  const std::string src = Unix(dir / L"src");
  ASSERT_TRUE(Shell("cd '" + src + "' && ln -s /etc/passwd link && zip -q -y '" + Unix(dir / L"links.zip") + "' link"));
  TQdZip zip;
  zip.Load(dir / L"links.zip");
  zip.ExtractAll(dir / L"out");
  const DWORD attributes = GetFileAttributesW((dir / L"out\\link").c_str());
  ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(attributes & FILE_ATTRIBUTE_REPARSE_POINT, 0u);
  EXPECT_EQ(ZipTest::ReadFile(dir / L"out\\link"), "/etc/passwd");
  EXPECT_TRUE(Shell("test ! -L '" + Unix(dir / L"out\\link") + "'"));
}


// An encrypted entry lists with its method and refuses to extract, clearly.
TEST(ZipInterop, EncryptedEntriesRaise_NeedsWine) {
  if (!HaveTools()) GTEST_SKIP() << "Debian's zip tools can't be run here";
  TTempDir dir;
  WriteFile(dir / L"src\\secret.txt", std::string(1000, 's'));
  ASSERT_TRUE(Shell("cd '" + Unix(dir / L"src") + "' && zip -q -P password '" + Unix(dir / L"secret.zip") +
                    "' secret.txt"));
  const ZipTest::TRawEntries raw = ZipTest::RawEntries(dir / L"secret.zip");
  ASSERT_EQ(raw.size(), 1u);
  EXPECT_TRUE(TQdZip::IsEncrypted(raw[0].Flags, raw[0].Method));
  TQdZip zip;
  zip.Load(dir / L"secret.zip");
  EXPECT_EQ(zip.GetCompressionMethod(0), ZIP_METHOD_DEFLATED_C);
  EXPECT_THROW(zip.ExtractToBytes(0), EZipException);
  EXPECT_THROW(zip.ExtractAll(dir / L"out"), EZipException);
  EXPECT_FALSE(TestSupport::Exists(dir / L"out\\secret.txt"));
}
