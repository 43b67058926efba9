// Writing text: every format with its BOM in the file's byte order, read
// back; and the replacement of real files: a read-only target, a backup, a
// missing folder, a hard-linked target and an exception before Close; large
// output that goes to the new file while it is written, and every way that
// write can end without taking the target's place (Cancel, an exception, a
// target made read-only meanwhile, a failed rename, a full disk).
#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "QdClasses/File.h"
#include "QdClasses/System.h"
#include "QdTextFile.h"
#include "runtime/IO/Files.h"
#include "runtime/IO/Streams.h"
#include "runtime/Text/CodePage.h"
#include "TestSupport.h"
#include "runtime/Core/Exceptions.h"
#include "runtime/System/Win32.h"

using namespace Qd;

namespace {

std::string Str(const Rtl::TBytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

std::string ReadBytes(const std::wstring& fileName) { return Str(TFile::FileToBytes(fileName)); }

// The new files ("~qd<guid>.tmp") among the names.
std::vector<std::wstring> NewFiles(const std::vector<std::wstring>& names) {
  std::vector<std::wstring> found;
  for (const std::wstring& name : names)
    if (name.starts_with(L"~qd") && name.ends_with(L".tmp")) found.push_back(name);
  return found;
}

// Output of several megabytes in the pieces a writer hands over: many short
// lines with two- and three-byte characters, one text larger than the
// output's block at once, and raw bytes larger than it.
void WriteLargeOutput(TTextFile& file) {
  for (int i = 0; i < 30000; ++i) file.WriteLine(L"line %d: \u00e9t\u00e9 \u4e2d\u6587 and some text", {i});
  file.Write(std::wstring(700000, L'x'));
  const std::string raw(600000, 'y');
  file.WriteBytes(raw.data(), raw.size());
  file.WriteLine(L"end");
}

// The same output collected in memory.
std::string LargeOutputInMemory(TTextFileFormat format) {
  TTextFile memory;
  memory.SetFormat(format);
  memory.RewriteData();
  WriteLargeOutput(memory);
  return Str(memory.TakeOutputData());
}

}  // namespace

TEST(Writer, EveryFormatWithItsBomReadsBack) {
  const std::wstring text = L"line \u00E9\u4E2D\U0001F600";
  const std::pair<TTextFileFormat, std::string> boms[] = {
      {tfUtf8, "\xEF\xBB\xBF"},          {tfUtf16Le, "\xFF\xFE"},
      {tfUtf16Be, "\xFE\xFF"},           {tfUtf32Le, std::string("\xFF\xFE\0\0", 4)},
      {tfUtf32Be, std::string("\0\0\xFE\xFF", 4)}};
  for (const auto& [format, bom] : boms) {
    TTextFile writer;
    writer.SetFormat(format);
    writer.RewriteData();
    writer.WriteLine(text);
    writer.Write(L"end");
    const Rtl::TBytes data = writer.GetOutputData();
    EXPECT_EQ(Str(data).substr(0, bom.size()), bom) << format;
    EXPECT_EQ(TTextFile::ReadAll(data), text + L"\r\nend") << format;
  }
  // Big-endian UTF-16: FE FF, then the units high byte first.
  TTextFile be;
  be.SetFormat(tfUtf16Be);
  be.RewriteData();
  be.Write(L"A");
  EXPECT_EQ(Str(be.GetOutputData()), std::string("\xFE\xFF\0A", 4));
  // RewriteString gives back exactly the text.
  TTextFile str;
  str.RewriteString();
  str.WriteLine(text);
  EXPECT_EQ(str.GetOutputString(), text + L"\r\n");
}

// UTF-8 output that the writer collects itself is encoded into the memory
// that keeps it, through several growths: the platform's bytes, in memory
// and in a file; a block with a lone surrogate still goes the platform's
// way; the bytes taken over are gone from the object.
TEST(Writer, LargeUtf8OutputIsThePlatformsBytes) {
  std::wstring all;
  std::vector<std::wstring> blocks;
  const std::wstring pieces[] = {L"plain ascii text ", L"caf\u00e9 ", L"\u65e5\u672c\u8a9e", L"\U0001F4C1", L"<a b='c'/>\r\n"};
  for (std::size_t i = 0; all.size() < 300000; ++i) {
    std::wstring block;
    for (std::size_t k = 0; k < 1 + i % 97; ++k) block += pieces[(i + k) % 5];
    blocks.push_back(block);
    all += block;
  }
  const std::string expected = Rtl::WideToCodePage(all, Rtl::CODE_PAGE_UTF8_C);

  TTextFile memory;
  memory.SetFormat(tfUtf8);
  memory.SetUseBom(false);
  memory.RewriteData();
  for (const std::wstring& block : blocks) memory.Write(block);
  EXPECT_EQ(Str(memory.TakeOutputData()), expected);
  EXPECT_TRUE(memory.GetOutputData().empty());

  TestSupport::TTempDir dir(L"qdtextbig");
  TTextFile file;
  file.SetFormat(tfUtf8);
  file.SetUseBom(false);
  file.Rewrite(dir / L"big.txt");
  for (const std::wstring& block : blocks) file.Write(block);
  file.Close();
  EXPECT_EQ(ReadBytes(dir / L"big.txt"), expected);

  TTextFile lone;
  lone.SetFormat(tfUtf8);
  lone.SetUseBom(false);
  lone.RewriteData();
  lone.Write(L"ab");
  lone.Write(L"x\xD800y");
  lone.Write(L"cd");
  EXPECT_EQ(Str(lone.TakeOutputData()), "ab" + Rtl::WideToCodePage(L"x\xD800y", Rtl::CODE_PAGE_UTF8_C) + "cd");
}

TEST(Writer, AnsiEscapesAndAnsiOnlyBytes) {
  TTextFile ansi;
  ansi.SetCodePage(1252);
  ansi.RewriteData();
  ansi.Write(L"caf\u00E9 \u20AC");
  ansi.WriteAnsiLine("!");
  EXPECT_EQ(Str(ansi.GetOutputData()), "caf\xE9 \x80!\r\n");
  TTextFile escaped;
  escaped.SetCodePage(1252);
  escaped.SetUnicodeEscape(true);
  escaped.RewriteData();
  escaped.Write(L"\u00E9\t");
  EXPECT_EQ(Str(escaped.GetOutputData()), "\\u00E9\t");
  TTextFile utf8;
  utf8.SetFormat(tfUtf8);
  utf8.SetFileName(L"x.txt");
  utf8.RewriteData();
  try {
    utf8.WriteAnsi("a");
    FAIL();
  } catch (const Rtl::Exception& e) {
    EXPECT_EQ(e.Message(), L"\"x.txt\" file is not an ANSI file");
  }
}

TEST(Replace, NewFileBackupAndMissingFolder) {
  TestSupport::TTempDir dir;
  const std::wstring target = dir / L"sub\\deeper\\data.xml";
  {
    TTextFile file;
    file.SetFormat(tfUtf8);
    file.Rewrite(target);
    file.Write(L"<old/>");
    EXPECT_FALSE(Rtl::FileExists(target));  // nothing before Close
    file.Close();
  }
  EXPECT_EQ(ReadBytes(target), "\xEF\xBB\xBF<old/>");
  TTextFile file;
  file.SetFormat(tfUtf8);
  file.SetUseBom(false);
  file.Rewrite(target);
  file.SetUseBackup(true);
  EXPECT_EQ(file.GetBackupExt(), L"~xml");
  file.Write(L"<new/>");
  file.Close();
  EXPECT_EQ(ReadBytes(target), "<new/>");
  EXPECT_EQ(ReadBytes(dir / L"sub\\deeper\\data.~xml"), "\xEF\xBB\xBF<old/>");
  EXPECT_EQ(TestSupport::FolderNames(dir / L"sub\\deeper"), (std::vector<std::wstring>{L"data.xml", L"data.~xml"}));
  // A name without extension.
  TTextFile bare;
  bare.Rewrite(dir / L"README");
  bare.SetUseBackup(true);
  EXPECT_EQ(bare.GetBackupExt(), L"~");
  bare.Cancel();
}

TEST(Replace, ReadOnlyTargetKeepsItsContent) {
  TestSupport::TTempDir dir;
  const std::wstring target = dir / L"locked.txt";
  TestSupport::WriteFile(target, "old");
  SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_READONLY);
  TTextFile file;
  file.Rewrite(target);
  file.Write(L"new");
  try {
    file.Close();
    FAIL();
  } catch (const Rtl::Exception& e) {
    EXPECT_EQ(e.Message(), L"Could not create the file \"" + target + L"\" because it is read-only");
  }
  SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(ReadBytes(target), "old");
  EXPECT_EQ(TestSupport::FolderNames(dir.Path()), std::vector<std::wstring>{L"locked.txt"});
}

TEST(Replace, ExceptionBeforeCloseKeepsTheOldFile) {
  TestSupport::TTempDir dir;
  const std::wstring target = dir / L"list.txt";
  TestSupport::WriteFile(target, "old");
  try {
    TTextFile file;
    file.Rewrite(target);
    file.Write(L"half");
    throw std::runtime_error("interrupted");
  } catch (const std::runtime_error&) {
  }
  EXPECT_EQ(ReadBytes(target), "old");
  EXPECT_EQ(TestSupport::FolderNames(dir.Path()), std::vector<std::wstring>{L"list.txt"});
  // Without an exception the destructor closes.
  {
    TTextFile file;
    file.SetCodePage(1252);
    file.Rewrite(target);
    file.Write(L"new");
  }
  EXPECT_EQ(ReadBytes(target), "new");
}

TEST(Replace, HardLinkedTargetIsWrittenInPlace) {
  TestSupport::TTempDir dir;
  const std::wstring target = dir / L"a.txt";
  const std::wstring link = dir / L"b.txt";
  TestSupport::WriteFile(target, "old");
  if (!CreateHardLinkW(link.c_str(), target.c_str(), nullptr)) GTEST_SKIP() << "no hard links here";
  TTextFile file;
  file.SetCodePage(1252);
  file.Rewrite(target);
  file.Write(L"new");
  file.Close();
  EXPECT_EQ(ReadBytes(target), "new");
  EXPECT_EQ(ReadBytes(link), "new");
  // Large output too: it is collected and written in place, never beside.
  const std::string expected = LargeOutputInMemory(tfUtf8);
  file.SetFormat(tfUtf8);
  file.Rewrite(target);
  WriteLargeOutput(file);
  EXPECT_EQ(TestSupport::FolderNames(dir.Path()), (std::vector<std::wstring>{L"a.txt", L"b.txt"}));
  file.Close();
  EXPECT_TRUE(ReadBytes(link) == expected);
}

TEST(CodePages, OneThatNobodyServesRaisesInsteadOfGivingEmptyText) {
  // 12345 is no code page at all; of the library's code pages, those that
  // the system lacks (under Wine: ISO-2022, EUC, most EBCDIC) fail alike.
  for (std::int32_t codePage : {12345, 50220, 20290}) {
    if (IsValidCodePage(static_cast<UINT>(codePage))) continue;
    TTextFile reader;
    reader.SetCodePage(codePage);
    reader.Open(Rtl::TBytes{'a', 'b'});
    try {
      reader.ReadLine();
      FAIL() << codePage;
    } catch (const Rtl::EConvertError& e) {
      EXPECT_EQ(e.Message(), L"Text in code page " + std::to_wstring(codePage) + L" can't be converted on this system");
    }
    TTextFile writer;
    writer.SetCodePage(codePage);
    writer.RewriteData();
    EXPECT_THROW(writer.Write(L"ab"), Rtl::EConvertError) << codePage;
  }
}

TEST(Encodings, NamesChooseFormatsAndCodePages) {
  TTextFile file;
  file.SetEncoding(L"");
  EXPECT_FALSE(file.GetFormatSet());
  file.SetEncoding(L"unicodeFFFE");
  EXPECT_EQ(file.GetFormat(), tfUtf16Be);
  EXPECT_TRUE(file.GetFormatSet());
  file.SetEncoding(L"UTF-16");  // keeps the byte order
  EXPECT_EQ(file.GetFormat(), tfUtf16Be);
  EXPECT_EQ(file.GetXmlEncoding(), L"utf-16");
  file.SetEncoding(L"ucs-4");
  EXPECT_EQ(file.GetFormat(), tfUtf32Le);
  file.SetEncoding(L"windows-1251");
  EXPECT_EQ(file.GetFormat(), tfAnsi);
  EXPECT_EQ(file.GetCodePage(), 1251);
  EXPECT_EQ(file.GetXmlEncoding(), L"windows-1251");
  EXPECT_EQ(file.GetEncodingCategory(), ecAnsi);
  file.SetEncoding(L"no-such-encoding");  // the format stays
  EXPECT_EQ(file.GetFormat(), tfAnsi);
  EXPECT_EQ(file.GetCodePage(), 0);
  file.SetEncoding(L"unicode-escape");
  EXPECT_TRUE(file.GetUnicodeEscape());
  file.SetEncoding(L"utf-8");
  EXPECT_FALSE(file.GetUnicodeEscape());
  EXPECT_EQ(file.GetEncodingCategory(), ecUtf8);
  TTextFileFormat format = tfUtf8;
  std::int32_t codePage = -1;
  TTextFile::EncodingToTextFormat(L"shift_jis", format, codePage);
  EXPECT_EQ(format, tfAnsi);
  EXPECT_EQ(codePage, 932);
  // The BOM wins over a chosen encoding.
  TTextFile reader;
  reader.SetEncoding(L"utf-8");
  reader.Open(Rtl::TBytes{0xFF, 0xFE, 'o', 0, 'k', 0});
  EXPECT_EQ(reader.ReadAll(), L"ok");
  EXPECT_EQ(reader.GetFormat(), tfUtf16Le);
}

TEST(WholeFiles, WriteReadCountLockAndMeasure) {
  TestSupport::TTempDir dir;
  const std::wstring name = dir / L"whole.txt";
  TTextFile::WriteFile(name, L"one\r\ntwo \u00E9\r\n", L"utf-8", true);
  EXPECT_EQ(ReadBytes(name), "\xEF\xBB\xBFone\r\ntwo \xC3\xA9\r\n");
  EXPECT_EQ(TTextFile::ReadFile(name), L"one\r\ntwo \u00E9\r\n");
  EXPECT_EQ(TTextFile::GetLineCount(name), 2);
  TTextFile::WriteFile(name, L"a\nb", L"unicode", true);
  EXPECT_EQ(TTextFile::ReadAll(name, L"unicode"), L"a\nb");
  EXPECT_EQ(TTextFile::DetectFileNewLine(name), nlLf);  // decided by the unit after the first break
  TTextFile::CreateEmptyFile(name);  // exists: untouched
  EXPECT_EQ(TTextFile::GetLineCount(name), 2);
  TTextFile::CreateEmptyFile(dir / L"empty.txt");
  EXPECT_EQ(TTextFile::GetLineCount(dir / L"empty.txt"), 0);
  EXPECT_EQ(TTextFile::CalculateLength(L"\u00E9\U0001F600", L"utf-8"), 6u);
  EXPECT_EQ(TTextFile::CalculateLength(L"\u00E9\U0001F600", L"UTF-32BE"), 8u);
  // A locked file can't be written by a second writer; after Unlock it can.
  std::unique_ptr<Rtl::TStream> lock = TTextFile::Lock(name);
  ASSERT_NE(lock, nullptr);
  HANDLE writer = CreateFileW(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  EXPECT_EQ(writer, INVALID_HANDLE_VALUE);
  TTextFile::Unlock(lock);
  writer = CreateFileW(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                       nullptr);
  EXPECT_NE(writer, INVALID_HANDLE_VALUE);
  if (writer != INVALID_HANDLE_VALUE) CloseHandle(writer);
  EXPECT_EQ(TTextFile::Lock(dir / L"missing.txt"), nullptr);
}

TEST(Replace, RenameThatFailsKeepsTheOldFileAndLeavesNothing) {
  TestSupport::TTempDir dir;
  const std::wstring target = dir / L"held.txt";
  TestSupport::WriteFile(target, "old");
  // Held open without delete sharing: the new file can't be renamed over it.
  HANDLE held = CreateFileW(target.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  TTextFile file;
  file.SetCodePage(1252);
  file.Rewrite(target);
  file.Write(L"new");
  EXPECT_THROW(file.Close(), Rtl::Exception);
  CloseHandle(held);
  EXPECT_EQ(ReadBytes(target), "old");
  EXPECT_EQ(TestSupport::FolderNames(dir.Path()), std::vector<std::wstring>{L"held.txt"});
}

// Output larger than a block goes to the new file while it is written; the
// target keeps its old content until Close, which puts the new file, with
// exactly the bytes the same writes give in memory, in its place.
TEST(Replace, LargeOutputGoesToTheNewFileWhileWritten) {
  for (const TTextFileFormat format : {tfUtf8, tfUtf16Le, tfUtf16Be}) {
    TestSupport::TTempDir dir;
    const std::wstring target = dir / L"big.txt";
    TestSupport::WriteFile(target, "old");
    const std::string expected = LargeOutputInMemory(format);
    TTextFile file;
    file.SetFormat(format);
    file.Rewrite(target);
    WriteLargeOutput(file);
    const std::vector<std::wstring> names = TestSupport::FolderNames(dir.Path());
    const std::vector<std::wstring> partial = NewFiles(names);
    ASSERT_EQ(names.size(), 2u);
    ASSERT_EQ(partial.size(), 1u);
    EXPECT_GT(TFile::GetFileSize(dir / partial[0]), 1000000);
    EXPECT_EQ(ReadBytes(target), "old");
    file.Close();
    EXPECT_EQ(TestSupport::FolderNames(dir.Path()), std::vector<std::wstring>{L"big.txt"});
    const std::string written = ReadBytes(target);
    EXPECT_EQ(written.size(), expected.size());
    EXPECT_TRUE(written == expected) << static_cast<int>(format);
  }
}

// A second object's output, handed over as its blocks, follows the first
// object's bytes exactly, whatever the first writes into: memory, a file
// (small, or large enough to go to the new file while written), a caller's
// stream; and what the first writes after it follows it.
TEST(Replace, BlocksOfAnotherOutputFollowTheBytesWrittenBefore) {
  const auto blocksOf = [](TTextFileFormat format, bool large) {
    TTextFile part;
    part.SetFormat(format);
    part.SetUseBom(false);
    part.RewriteData();
    if (large) WriteLargeOutput(part);
    else part.WriteLine(L"part \u00e9");
    return part.TakeOutputBlocks();
  };
  const auto expected = [](TTextFileFormat format, bool largeFirst, bool largePart) {
    TTextFile whole;
    whole.SetFormat(format);
    whole.RewriteData();
    if (largeFirst) WriteLargeOutput(whole);
    else whole.WriteLine(L"first");
    if (largePart) WriteLargeOutput(whole);
    else whole.WriteLine(L"part \u00e9");
    whole.WriteLine(L"last");
    return Str(whole.TakeOutputData());
  };
  for (const TTextFileFormat format : {tfUtf8, tfUtf16Le}) {
    for (const bool largeFirst : {false, true}) {
      for (const bool largePart : {false, true}) {
        const std::string want = expected(format, largeFirst, largePart);
        const auto write = [&](TTextFile& file) {
          if (largeFirst) WriteLargeOutput(file);
          else file.WriteLine(L"first");
          file.WriteBlocks(blocksOf(format, largePart));
          file.WriteLine(L"last");
        };
        TTextFile memory;
        memory.SetFormat(format);
        memory.RewriteData();
        write(memory);
        EXPECT_TRUE(Str(memory.TakeOutputData()) == want) << format << largeFirst << largePart;

        TestSupport::TTempDir dir;
        const std::wstring target = dir / L"t.txt";
        TestSupport::WriteFile(target, "old");
        TTextFile file;
        file.SetFormat(format);
        file.Rewrite(target);
        write(file);
        file.Close();
        EXPECT_TRUE(ReadBytes(target) == want) << format << largeFirst << largePart;
        EXPECT_EQ(TestSupport::FolderNames(dir.Path()), std::vector<std::wstring>{L"t.txt"});

        Rtl::TMemoryStream stream;
        TTextFile streamed;
        streamed.SetFormat(format);
        streamed.Rewrite(stream);
        write(streamed);
        streamed.Close();
        const std::string got(reinterpret_cast<const char*>(stream.Memory()), static_cast<std::size_t>(stream.Size()));
        EXPECT_TRUE(got == want) << format << largeFirst << largePart;
      }
    }
  }
  // Handed on as it is written: the blocks that filled, in order, then the
  // rest, give the whole output.
  for (const TTextFileFormat format : {tfUtf8, tfUtf16Le}) {
    std::vector<TTextFile::TOutputBlocks> handed;
    TTextFile part;
    part.SetFormat(format);
    part.SetUseBom(false);
    part.RewriteData();
    part.SetOutputSink([&](TTextFile::TOutputBlocks blocks) { handed.push_back(std::move(blocks)); });
    WriteLargeOutput(part);
    EXPECT_GT(handed.size(), 2u);
    TTextFile whole;
    whole.SetFormat(format);
    whole.RewriteData();
    whole.WriteLine(L"first");
    for (TTextFile::TOutputBlocks& blocks : handed) whole.WriteBlocks(std::move(blocks));
    whole.WriteBlocks(part.TakeOutputBlocks());
    whole.WriteLine(L"last");
    EXPECT_TRUE(Str(whole.TakeOutputData()) == expected(format, false, true)) << format;
  }
  // Taken twice: the second time there is nothing.
  TTextFile part;
  part.RewriteData();
  part.Write(L"x");
  (void)part.TakeOutputBlocks();
  TTextFile memory;
  memory.RewriteData();
  memory.WriteBlocks(part.TakeOutputBlocks());
  EXPECT_TRUE(memory.TakeOutputData().empty());
}

// Once output went to the new file, every ending but a successful Close
// removes it and leaves the target as it was: Cancel, an exception that
// destroys the object, a target made read-only meanwhile (the same message
// as for a small output), a rename that fails. A target that is read-only
// from the start keeps the output in memory: no new file appears.
TEST(Replace, OutputThatWentToTheNewFileIsRemovedOnEveryFailure) {
  TestSupport::TTempDir dir;
  const std::wstring target = dir / L"kept.txt";
  TestSupport::WriteFile(target, "old");
  const auto start = [&](TTextFile& file) {
    file.SetFormat(tfUtf8);
    file.Rewrite(target);
    WriteLargeOutput(file);
    EXPECT_EQ(NewFiles(TestSupport::FolderNames(dir.Path())).size(), 1u);
  };
  const auto expectOld = [&](const char* step) {
    EXPECT_EQ(ReadBytes(target), "old") << step;
    EXPECT_EQ(TestSupport::FolderNames(dir.Path()), std::vector<std::wstring>{L"kept.txt"}) << step;
  };
  const std::wstring readOnly = L"Could not create the file \"" + target + L"\" because it is read-only";
  const auto expectReadOnly = [&](TTextFile& file) {
    try {
      file.Close();
      ADD_FAILURE() << "no error";
    } catch (const Rtl::Exception& e) {
      EXPECT_EQ(e.Message(), readOnly);
    }
  };

  {
    TTextFile file;
    start(file);
    file.Cancel();
    EXPECT_FALSE(file.IsOpen());
  }
  expectOld("Cancel");

  try {
    TTextFile file;
    start(file);
    throw std::runtime_error("interrupted");
  } catch (const std::runtime_error&) {
  }
  expectOld("exception");

  {
    TTextFile file;
    start(file);
    TestSupport::SetAttributes(target, true, false);
    expectReadOnly(file);
    TestSupport::SetAttributes(target, false, false);
  }
  expectOld("made read-only");

  {
    TTextFile file;
    start(file);
    HANDLE held = CreateFileW(target.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_THROW(file.Close(), Rtl::Exception);
    CloseHandle(held);
  }
  expectOld("rename");

  TestSupport::SetAttributes(target, true, false);
  {
    TTextFile file;
    file.SetFormat(tfUtf8);
    file.Rewrite(target);
    WriteLargeOutput(file);
    EXPECT_EQ(TestSupport::FolderNames(dir.Path()), std::vector<std::wstring>{L"kept.txt"});
    expectReadOnly(file);
  }
  TestSupport::SetAttributes(target, false, false);
  expectOld("read-only");
}

namespace {

// A file system of `kilobytes` mounted on a folder for the scope (Linux
// tmpfs, for root under Wine); Mounted() tells whether it could be.
class TSmallFileSystem {
public:
  TSmallFileSystem(const std::wstring& folder, int kilobytes) {
    TestSupport::MakeDir(folder);
    const std::wstring unixName = TQdSystem::GetUnixFileName(folder);
    for (wchar_t c : unixName) FUnixName += static_cast<char>(c);
    if (FUnixName.empty()) return;
    FMounted = TestSupport::RunWineUnixProgram(
        {"mount", "-t", "tmpfs", "-o", "size=" + std::to_string(kilobytes) + "k", "qdtest", FUnixName});
  }
  ~TSmallFileSystem() {
    if (FMounted) TestSupport::RunWineUnixProgram({"umount", FUnixName});
  }
  TSmallFileSystem(const TSmallFileSystem&) = delete;
  TSmallFileSystem& operator=(const TSmallFileSystem&) = delete;
  bool Mounted() const { return FMounted; }

private:
  std::string FUnixName;
  bool FMounted = false;
};

}  // namespace

// The disk fills while the output goes to the new file: the write that
// fails raises, the new file is gone at once, every later write and Close
// raise, and the target keeps its old content.
TEST(Replace, AFullDiskInMidWriteKeepsTheOldFile) {
  TestSupport::TTempDir dir;
  const std::wstring folder = dir / L"small";
  const TSmallFileSystem small(folder, 1024);
  if (!small.Mounted()) GTEST_SKIP() << "no file system of our own can be mounted here (needs root)";
  const std::wstring target = folder + L"\\full.txt";
  TestSupport::WriteFile(target, "old");
  TTextFile file;
  file.SetFormat(tfUtf8);
  file.Rewrite(target);
  int lines = 0;
  try {
    for (; lines < 200000; ++lines) file.WriteLine(L"line %d of a file that does not fit", {lines});
  } catch (const Rtl::EWriteError&) {
  }
  EXPECT_LT(lines, 200000);
  EXPECT_GT(lines, 10000);  // it failed only when the disk was full
  EXPECT_EQ(TestSupport::FolderNames(folder), std::vector<std::wstring>{L"full.txt"});
  EXPECT_THROW(file.WriteLine(L"more"), Rtl::EWriteError);
  EXPECT_THROW(file.Close(), Rtl::EWriteError);
  EXPECT_FALSE(file.IsOpen());
  EXPECT_EQ(ReadBytes(target), "old");
  EXPECT_EQ(TestSupport::FolderNames(folder), std::vector<std::wstring>{L"full.txt"});
  // The room is free again: a small output replaces the target.
  file.Rewrite(target);
  file.Write(L"new");
  file.Close();
  EXPECT_EQ(ReadBytes(target), "\xEF\xBB\xBFnew");
}
