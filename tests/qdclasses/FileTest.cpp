// Directories, temporary names, copies, relative paths, streams as bytes and
// whole-file reading and writing, on real files of the test prefix.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "QdClasses.h"
#include "QdClasses/FileFlusher.h"
#include "TestSupport.h"
#include "runtime/Core/Exceptions.h"
#include "runtime/IO/Files.h"
#include "runtime/IO/Streams.h"
#include "runtime/System/Handles.h"

#include <winioctl.h>

using namespace Qd;
using TestSupport::Exists;
using TestSupport::Narrow;
using TestSupport::TTempDir;

namespace {

std::wstring SystemTempPath() {
  wchar_t buffer[MAX_PATH + 1];
  const DWORD length = GetTempPathW(MAX_PATH + 1, buffer);
  return std::wstring(buffer, length);
}

// The names in a directory, "." and ".." left out.
std::vector<std::wstring> Entries(const std::wstring& dir) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW data;
  const Rtl::TFindHandle find(FindFirstFileW((dir + L"\\*").c_str(), &data));
  if (!find) return names;
  do {
    const std::wstring name = data.cFileName;
    if (name != L"." && name != L"..") names.push_back(name);
  } while (FindNextFileW(find.Get(), &data));
  return names;
}

Rtl::TBytes Pattern(std::size_t size) {
  Rtl::TBytes bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>((i * 7 + i / 251) & 0xFF);
  return bytes;
}

// Sets a file's last-write time to the given UTC time.
void SetLastWriteUtc(const std::wstring& fileName, int year, int month, int day, int hour, int minute, int second,
                     int ms) {
  SYSTEMTIME utc = {static_cast<WORD>(year),   static_cast<WORD>(month),  0, static_cast<WORD>(day),
                    static_cast<WORD>(hour),   static_cast<WORD>(minute), static_cast<WORD>(second),
                    static_cast<WORD>(ms)};
  FILETIME time;
  ASSERT_TRUE(SystemTimeToFileTime(&utc, &time));
  const Rtl::TFileHandle file(CreateFileW(fileName.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                          nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  ASSERT_TRUE(file);
  EXPECT_TRUE(SetFileTime(file.Get(), nullptr, nullptr, &time));
}

std::wstring MessageOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const Rtl::Exception& e) {
    return e.Message();
  }
  return L"(no exception)";
}

}  // namespace

// --- Stamps and streams ------------------------------------------------------------------

TEST(CheckStampTest, StampAfterAnOffsetFromThePosition) {
  Rtl::TBytesStream stream({9, 1, 2, 3, 4});
  stream.SetPosition(1);
  EXPECT_TRUE(TFile::CheckStamp(stream, Rtl::TBytes{3, 4}, 2));
  EXPECT_EQ(stream.Position(), 1);
  EXPECT_TRUE(TFile::CheckStamp(stream, Rtl::RawByteString("\x01\x02"), 0));
  EXPECT_FALSE(TFile::CheckStamp(stream, Rtl::TBytes{3, 5}, 2));
  EXPECT_FALSE(TFile::CheckStamp(stream, Rtl::RawByteString("\x02"), 0));
  EXPECT_TRUE(TFile::CheckStamp(stream, Rtl::TBytes{}, 100));
  EXPECT_EQ(stream.Position(), 1);
}

TEST(CheckStampTest, AShortStreamNeverMatches) {
  Rtl::TBytesStream stream({1, 2, 3});
  EXPECT_FALSE(TFile::CheckStamp(stream, Rtl::TBytes{3, 0}, 2));  // the 0 isn't there
  EXPECT_FALSE(TFile::CheckStamp(stream, Rtl::TBytes{0}, 3));
  EXPECT_FALSE(TFile::CheckStamp(stream, Rtl::RawByteString(std::string(1, '\0')), 10));
  EXPECT_EQ(stream.Position(), 0);
  Rtl::TBytesStream empty;
  EXPECT_FALSE(TFile::CheckStamp(empty, Rtl::TBytes{0}, 0));
}

TEST(CheckStampTest, OnAFile) {
  TTempDir temp;
  const std::wstring name = temp / L"stamp.bin";
  TestSupport::WriteFile(name, std::string("PK\x03\x04rest", 8));
  Rtl::TFileStream file(name, Rtl::fmOpenRead);
  EXPECT_TRUE(TFile::CheckStamp(file, Rtl::RawByteString("PK\x03\x04")));
  EXPECT_TRUE(TFile::CheckStamp(file, Rtl::RawByteString("rest"), 4));
  EXPECT_FALSE(TFile::CheckStamp(file, Rtl::RawByteString("rest!"), 4));
  EXPECT_EQ(file.Position(), 0);
}

TEST(StreamBytesTest, WholeStreamWhateverThePosition) {
  EXPECT_TRUE(TFile::StreamToBytes(nullptr).empty());
  EXPECT_TRUE(TFile::StreamToBinaryString(nullptr).empty());
  EXPECT_EQ(TFile::StreamToString(nullptr), L"");

  Rtl::TBytesStream stream({0xEF, 0xBB, 0xBF, 'a', 0xC3, 0xA9});
  stream.SetPosition(4);
  EXPECT_EQ(TFile::StreamToBytes(&stream), (Rtl::TBytes{0xEF, 0xBB, 0xBF, 'a', 0xC3, 0xA9}));
  EXPECT_EQ(stream.Position(), 4);
  EXPECT_EQ(TFile::StreamToBinaryString(&stream), std::string("\xEF\xBB\xBF" "a\xC3\xA9"));
  EXPECT_EQ(TFile::StreamToString(&stream), L"\uFEFFa\u00e9");  // the mark stays
  EXPECT_EQ(stream.Position(), 4);

  Rtl::TBytesStream empty;
  EXPECT_TRUE(TFile::StreamToBytes(&empty).empty());
  EXPECT_EQ(TFile::BytesToBinaryString({0, 'x', 0xFF}), std::string("\0x\xFF", 3));
  EXPECT_TRUE(TFile::BytesToBinaryString({}).empty());
}

// --- Directories and temporary names ----------------------------------------------------------

TEST(DirectoryTest, CreateAndClear) {
  TTempDir temp;
  const std::wstring deep = temp / L"a\\b\\c";
  TFile::CreateDir(deep);
  EXPECT_TRUE(TestSupport::IsDir(deep));
  EXPECT_NO_THROW(TFile::CreateDir(deep));
  EXPECT_NO_THROW(TFile::CreateDir(L""));

  TestSupport::WriteFile(deep + L"\\file.txt", "x");
  TestSupport::SetAttributes(deep + L"\\file.txt", true, true);
  TFile::ClearDir(temp / L"a");
  EXPECT_TRUE(TestSupport::IsDir(temp / L"a"));
  EXPECT_TRUE(Entries(temp / L"a").empty());
  TFile::ClearDir(temp / L"new");
  EXPECT_TRUE(TestSupport::IsDir(temp / L"new"));
}

TEST(TempDirTest, TheTemporaryDirectoryItself) {
  const std::wstring dir = TFile::GetTempDir();
  EXPECT_TRUE(Rtl::SameFileName(dir, SystemTempPath())) << Narrow(dir);
  EXPECT_EQ(dir.back(), L'\\');
  EXPECT_EQ(TFile::GetTempDir(L"", true), dir);
}

TEST(TempDirTest, ANewEmptySubdirectory) {
  const std::wstring sub = L"qdsys" + std::to_wstring(GetCurrentProcessId());
  const std::wstring dir = TFile::GetTempDir(sub, true);
  ASSERT_TRUE(TestSupport::IsDir(dir)) << Narrow(dir);
  EXPECT_EQ(dir.back(), L'\\');
  const std::wstring name = Rtl::ExtractFileName(TFile::RemoveBackSlash(dir));
  EXPECT_EQ(name.size(), sub.size() + 36) << Narrow(name);
  EXPECT_EQ(name.substr(0, sub.size()), sub);
  EXPECT_TRUE(Entries(dir).empty());
  const std::wstring another = TFile::GetTempDir(sub, true);
  EXPECT_NE(another, dir);

  // Without the identifier the same directory comes back emptied.
  const std::wstring fixed = TFile::GetTempDir(sub, false);
  TestSupport::WriteFile(fixed + L"old.txt", "x");
  EXPECT_EQ(TFile::GetTempDir(sub, false), fixed);
  EXPECT_TRUE(Entries(fixed).empty());

  for (const std::wstring& made : {dir, another, fixed}) TFile::RemoveDir(TFile::RemoveBackSlash(made), true);
}

TEST(TempDirTest, ASubdirectoryOutsideTheTemporaryDirectoryIsRefused) {
  TTempDir temp;
  const std::wstring keep = temp / L"keep.txt";
  TestSupport::WriteFile(keep, "precious");
  const std::wstring escape = L"..\\" + Rtl::ExtractFileName(TFile::RemoveBackSlash(SystemTempPath())) + L"\\" +
                              Rtl::ExtractFileName(temp.Path());
  for (const std::wstring& bad : {escape, temp.Path(), std::wstring(L"x\\..\\..\\y"), std::wstring(L"\\x"),
                                  std::wstring(L"C:x"), std::wstring(L"x/../../y")}) {
    EXPECT_THROW(TFile::GetTempDir(bad, false), Rtl::EArgumentException) << Narrow(bad);
  }
  // Names that the system reads as the temporary directory itself.
  for (const wchar_t* itself : {L".", L".\\", L"...", L" "})
    EXPECT_THROW(TFile::GetTempDir(itself, false), Rtl::EArgumentException) << Narrow(itself);
  EXPECT_TRUE(Exists(keep));
  // With the identifier appended they are names of their own.
  const std::wstring dotted = TFile::GetTempDir(L".", true);
  EXPECT_TRUE(TestSupport::IsDir(dotted)) << Narrow(dotted);
  TFile::RemoveDir(TFile::RemoveBackSlash(dotted), true);
  EXPECT_TRUE(Exists(keep));
}

TEST(TempFileNameTest, WithAndWithoutExtension) {
  TTempDir temp;
  const std::wstring plain = TFile::GetTempFileName(L"qd", L"", temp.Path());
  ASSERT_FALSE(plain.empty());
  EXPECT_TRUE(Rtl::FileExists(plain));
  EXPECT_EQ(TFile::GetFileSize(plain), 0);
  EXPECT_TRUE(Rtl::SameFileName(Rtl::ExtractFileDir(plain), temp.Path())) << Narrow(plain);
  EXPECT_EQ(Rtl::ExtractFileName(plain).substr(0, 2), L"qd");

  for (const wchar_t* ext : {L"txt", L".txt"}) {
    const std::wstring named = TFile::GetTempFileName(L"qd", ext, temp.Path());
    ASSERT_FALSE(named.empty());
    EXPECT_EQ(Rtl::ExtractFileExt(named), L".txt");
    EXPECT_FALSE(Exists(named));
  }
  EXPECT_EQ(Entries(temp.Path()).size(), 1u);  // only the name without extension stays

  const std::wstring inTemp = TFile::GetTempFileName(L"qd");
  ASSERT_FALSE(inTemp.empty());
  EXPECT_TRUE(Rtl::SameFileName(Rtl::ExtractFilePath(inTemp), SystemTempPath()));
  TFile::DeleteFile(inTemp);
}

TEST(TempFileNameTest, NoUsableDirectoryGivesEmpty) {
  TTempDir temp;
  EXPECT_EQ(TFile::GetTempFileName(L"qd", L"", temp / L"missing"), L"");
  EXPECT_EQ(TFile::GetTempFileName(L"qd", L"txt", temp / L"missing"), L"");
  TestSupport::WriteFile(temp / L"file", "x");
  EXPECT_EQ(TFile::GetTempFileName(L"qd", L"", temp / L"file"), L"");
}

// --- Copies, size and age ---------------------------------------------------------------------

TEST(CopyFileTest, CopiesKeepSizeAndAge) {
  TTempDir temp;
  const std::wstring source = temp / L"source.dat";
  TFile::BytesToFile(Pattern(70000), source);
  SetLastWriteUtc(source, 2020, 2, 29, 12, 0, 0, 0);

  const std::wstring target = temp / L"new\\deeper\\target.dat";
  EXPECT_FALSE(TFile::CopyFile(source, target, false));
  ASSERT_TRUE(TFile::CopyFile(source, target, true));
  EXPECT_EQ(TFile::FileToBytes(target), Pattern(70000));
  EXPECT_TRUE(TFile::SameFileSizeAndAge(source, target));

  // Over an existing file; a missing source fails.
  TestSupport::WriteFile(temp / L"other.dat", "old");
  EXPECT_TRUE(TFile::CopyFile(source, temp / L"other.dat"));
  EXPECT_TRUE(TFile::SameFileSizeAndAge(source, temp / L"other.dat"));
  EXPECT_FALSE(TFile::CopyFile(temp / L"missing", temp / L"x.dat", true));

  // A moved file keeps both; a touched one differs in age, a longer one in size.
  ASSERT_TRUE(MoveFileW(target.c_str(), (temp / L"moved.dat").c_str()));
  EXPECT_TRUE(TFile::SameFileSizeAndAge(source, temp / L"moved.dat"));
  SetLastWriteUtc(temp / L"moved.dat", 2020, 2, 29, 12, 0, 1, 0);
  EXPECT_FALSE(TFile::SameFileSizeAndAge(source, temp / L"moved.dat"));
  TFile::BytesToFile(Pattern(70001), temp / L"longer.dat");
  SetLastWriteUtc(temp / L"longer.dat", 2020, 2, 29, 12, 0, 0, 0);
  EXPECT_FALSE(TFile::SameFileSizeAndAge(source, temp / L"longer.dat"));

  EXPECT_EQ(MessageOf([&] { TFile::SameFileSizeAndAge(source, temp / L"missing"); }), L"File does not exists");
}

TEST(FileSizeTest, SizesAndMissingFiles) {
  TTempDir temp;
  TestSupport::WriteFile(temp / L"empty", "");
  TestSupport::WriteFile(temp / L"five", "12345");
  EXPECT_EQ(TFile::GetFileSize(temp / L"empty"), 0);
  EXPECT_EQ(TFile::GetFileSize(temp / L"five"), 5);
  EXPECT_EQ(MessageOf([&] { TFile::GetFileSize(temp / L"missing"); }), L"File does not exists");
  EXPECT_EQ(MessageOf([&] { TFile::GetFileSize(temp.Path()); }), L"File does not exists");
}

TEST(FileSizeTest, SparseFileLargerThan4GB) {
  TTempDir temp;
  const std::wstring name = temp / L"sparse.bin";
  bool sized = false;
  {
    const Rtl::TFileHandle file(CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file);
    DWORD returned = 0;
    DeviceIoControl(file.Get(), FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &returned, nullptr);
    LARGE_INTEGER size;
    size.QuadPart = (5LL << 30) + 123;
    sized = SetFilePointerEx(file.Get(), size, nullptr, FILE_BEGIN) && SetEndOfFile(file.Get());
  }
  if (!sized) GTEST_SKIP() << "no sparse file of 5 GB can be made here";
  EXPECT_EQ(TFile::GetFileSize(name), (5LL << 30) + 123);
  EXPECT_THROW(TFile::FileToBytes(name), Rtl::EReadError);
}

// Also run by the entry "qdsystem_cet" in a zone with daylight saving: the
// age is the UTC time whatever the zone and season.
TEST(FileAgeTest, LastWriteTimeAsUtcToTheSecond) {
  TTempDir temp;
  const std::wstring name = temp / L"aged.txt";
  TestSupport::WriteFile(name, "x");
  SetLastWriteUtc(name, 2021, 7, 1, 10, 20, 30, 600);
  EXPECT_EQ(TFile::GetFileAge(name), Rtl::EncodeDateTime(2021, 7, 1, 10, 20, 30, 0));
  SetLastWriteUtc(name, 2021, 1, 15, 23, 59, 59, 999);
  EXPECT_EQ(TFile::GetFileAge(name), Rtl::EncodeDateTime(2021, 1, 15, 23, 59, 59, 0));

  EXPECT_EQ(TFile::GetFileAge(L""), 0);
  EXPECT_EQ(TFile::GetFileAge(temp / L"missing"), 0);
  EXPECT_EQ(TFile::GetFileAge(temp.Path()), 0);
}

TEST(FileAgeTest, ANewFileIsAboutNow) {
  TTempDir temp;
  const std::wstring name = temp / L"new.txt";
  TestSupport::WriteFile(name, "x");
  SYSTEMTIME utcNow;
  GetSystemTime(&utcNow);
  Rtl::TSystemTime now;
  std::memcpy(&now, &utcNow, sizeof now);
  EXPECT_LE(Rtl::SecondsBetween(TFile::GetFileAge(name), Rtl::SystemTimeToDateTime(now)), 60);
}

// --- Whole files ---------------------------------------------------------------------------

TEST(WholeFileTest, RoundTripsOfEmptySmallAndLargeFiles) {
  TTempDir temp;
  for (const std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{4096}, std::size_t{20u << 20}}) {
    const std::wstring name = temp / (L"file" + std::to_wstring(size));
    TFile::BytesToFile(Pattern(size), name);
    EXPECT_EQ(TFile::GetFileSize(name), static_cast<std::int64_t>(size));
    EXPECT_TRUE(TFile::FileToBytes(name) == Pattern(size)) << size;
  }
  EXPECT_EQ(Entries(temp.Path()).size(), 4u);  // nothing left beside them
}

TEST(WholeFileTest, WritingReplacesTheWholeOldFile) {
  TTempDir temp;
  const std::wstring name = temp / L"data.bin";
  TFile::BytesToFile(Pattern(10000), name);
  TFile::BytesToFile({1, 2, 3}, name);
  EXPECT_EQ(TFile::FileToBytes(name), (Rtl::TBytes{1, 2, 3}));
  TFile::BytesToFile({}, name);
  EXPECT_EQ(TFile::GetFileSize(name), 0);
  EXPECT_EQ(Entries(temp.Path()), std::vector<std::wstring>{L"data.bin"});
}

// A file with a second name (a hard link) is written where it is: every
// name shows the new data, as a file that is created or truncated would.
TEST(WholeFileTest, WritingAFileWithAnotherNameKeepsThemOneFile) {
  TTempDir temp;
  const std::wstring name = temp / L"data.bin";
  const std::wstring other = temp / L"other name.bin";
  TestSupport::WriteFile(name, "old contents");
  ASSERT_TRUE(CreateHardLinkW(other.c_str(), name.c_str(), nullptr));
  TFile::BytesToFile({1, 2, 3}, name);
  EXPECT_EQ(TFile::FileToBytes(name), (Rtl::TBytes{1, 2, 3}));
  EXPECT_EQ(TFile::FileToBytes(other), (Rtl::TBytes{1, 2, 3}));
  EXPECT_EQ(Entries(temp.Path()).size(), 2u);
}

TEST(WholeFileTest, WritingCreatesTheDirectory) {
  TTempDir temp;
  const std::wstring name = temp / L"a\\b\\data.bin";
  TFile::BytesToFile({7}, name);
  EXPECT_EQ(TFile::FileToBytes(name), Rtl::TBytes{7});
}

TEST(WholeFileTest, AFailedWriteKeepsTheOldFile) {
  TTempDir temp;
  const std::wstring name = temp / L"kept.txt";
  TestSupport::WriteFile(name, "old contents");
  {
    // Another program has it open and doesn't let it be replaced.
    const Rtl::TFileHandle reader(CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(reader);
    EXPECT_THROW(TFile::BytesToFile(Pattern(100000), name), Rtl::EFCreateError);
  }
  const std::string old = "old contents";
  EXPECT_EQ(TFile::FileToBytes(name), Rtl::TBytes(old.begin(), old.end()));
  EXPECT_EQ(Entries(temp.Path()), std::vector<std::wstring>{L"kept.txt"});

  // A directory in the file's place, or a file in its directory's place.
  TestSupport::MakeDir(temp / L"dir");
  const std::wstring message = MessageOf([&] { TFile::BytesToFile({1}, temp / L"dir"); });
  EXPECT_EQ(message.substr(0, 13), L"Cannot create") << Narrow(message);
  EXPECT_TRUE(TestSupport::IsDir(temp / L"dir"));
  EXPECT_THROW(TFile::BytesToFile({1}, temp / L"kept.txt\\inside.txt"), Rtl::EFCreateError);
  EXPECT_EQ(TFile::GetFileSize(name), 12);
}

// The new content goes to a file beside the target, which takes the
// target's place only at Commit: written in pieces, the target keeps its old
// content meanwhile; without Commit nothing is left; after Commit the
// object takes nothing more. A missing folder: nothing is made.
TEST(WholeFileTest, AReplacementTakesThePlaceOnlyAtCommit) {
  TTempDir temp;
  const std::wstring name = temp / L"r.bin";
  TestSupport::WriteFile(name, "old contents");
  const std::string old = "old contents";
  const Rtl::TBytes data = Pattern(300000);
  const auto writeInPieces = [&](TFileReplacement& replacement) {
    for (std::size_t at = 0; at < data.size(); at += 100000) replacement.Write(data.data() + at, 100000);
  };
  {
    TFileReplacement replacement(name);
    writeInPieces(replacement);
    EXPECT_EQ(Entries(temp.Path()).size(), 2u);
    EXPECT_EQ(TFile::FileToBytes(name), Rtl::TBytes(old.begin(), old.end()));
  }
  EXPECT_EQ(Entries(temp.Path()), std::vector<std::wstring>{L"r.bin"});
  EXPECT_EQ(TFile::FileToBytes(name), Rtl::TBytes(old.begin(), old.end()));

  TFileReplacement replacement(name);
  writeInPieces(replacement);
  replacement.Commit();
  EXPECT_TRUE(TFile::FileToBytes(name) == data);
  EXPECT_EQ(Entries(temp.Path()), std::vector<std::wstring>{L"r.bin"});
  EXPECT_THROW(replacement.Write(data.data(), 1), Rtl::EWriteError);
  EXPECT_THROW(replacement.Commit(), Rtl::EWriteError);
  EXPECT_TRUE(TFile::FileToBytes(name) == data);

  EXPECT_THROW(TFileReplacement(temp / L"missing\\r.bin"), Rtl::EFCreateError);
  EXPECT_EQ(Entries(temp.Path()), std::vector<std::wstring>{L"r.bin"});
}

// Files written in many pieces are flushed in the background while more
// pieces come; several written at once from several threads share that
// flusher, and those given up meanwhile go without a trace: each committed
// file has exactly its bytes, each abandoned one left nothing.
TEST(WholeFileTest, ReplacementsWrittenAtOnceKeepTheirBytesWhileFlushedInTheBackground) {
  TTempDir temp;
  constexpr int THREADS_C = 4;
  constexpr int FILES_C = 4;
  std::vector<std::thread> threads;
  std::vector<std::string> faults(THREADS_C);
  for (int t = 0; t < THREADS_C; ++t) {
    threads.emplace_back([&, t] {
      for (int f = 0; f < FILES_C; ++f) {
        const std::wstring name = temp / (L"f" + std::to_wstring(t) + L"_" + std::to_wstring(f) + L".bin");
        Rtl::TBytes data = Pattern(1500000 + 4099 * static_cast<std::size_t>(t * FILES_C + f));
        data[0] = static_cast<std::uint8_t>(t * FILES_C + f);
        try {
          TFileReplacement replacement(name);
          for (std::size_t at = 0; at < data.size(); at += 65536)
            replacement.Write(data.data() + at, std::min<std::size_t>(65536, data.size() - at));
          if (f % 2 == 1) continue;  // given up: removed by the destructor
          replacement.Commit();
          if (TFile::FileToBytes(name) != data) faults[t] += "bytes differ; ";
        } catch (const std::exception& e) {
          faults[t] += e.what();
        }
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (int t = 0; t < THREADS_C; ++t) EXPECT_EQ(faults[t], "") << t;
  std::vector<std::wstring> expected;
  for (int t = 0; t < THREADS_C; ++t)
    for (int f = 0; f < FILES_C; f += 2) expected.push_back(L"f" + std::to_wstring(t) + L"_" + std::to_wstring(f) + L".bin");
  std::sort(expected.begin(), expected.end());
  std::vector<std::wstring> names = Entries(temp.Path());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, expected);
}

// A large file replaced: the old content keeps a second name across the
// rename and loses it on the unit's thread, so that the target has its new
// bytes at once and, once that thread is done, nothing else is left, in
// pieces and at once alike. When the rename fails (another program holds
// the target without letting it be deleted), the old file is as it was and
// its second name is gone with the new file; a read-only target gets none.
TEST(WholeFileTest, ALargeReplacementLeavesOnlyItsTarget) {
  TTempDir temp;
  const std::wstring name = temp / L"large.bin";
  const Rtl::TBytes first = Pattern(1300000);
  TFile::BytesToFile(first, name);
  Rtl::TBytes second = Pattern(1200017);
  second[0] ^= 0x55;
  {
    TFileReplacement replacement(name);
    for (std::size_t at = 0; at < second.size(); at += 65536)
      replacement.Write(second.data() + at, std::min<std::size_t>(65536, second.size() - at));
    replacement.Commit();
  }
  EXPECT_TRUE(TFile::FileToBytes(name) == second);
  ASSERT_NE(FileFlusher(), nullptr);
  FileFlusher()->Settle();
  EXPECT_EQ(Entries(temp.Path()), std::vector<std::wstring>{L"large.bin"});
  TFile::BytesToFile(first, name);
  EXPECT_TRUE(TFile::FileToBytes(name) == first);
  FileFlusher()->Settle();
  EXPECT_EQ(Entries(temp.Path()), std::vector<std::wstring>{L"large.bin"});
  {
    const Rtl::TFileHandle reader(CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(reader);
    EXPECT_THROW(TFile::BytesToFile(second, name), Rtl::EFCreateError);
    EXPECT_EQ(Entries(temp.Path()), std::vector<std::wstring>{L"large.bin"});
  }
  EXPECT_TRUE(TFile::FileToBytes(name) == first);
  // A second name of a read-only file can't be removed: none is made.
  // (Windows refuses to replace a read-only target; Wine replaces it.)
  ASSERT_TRUE(SetFileAttributesW(name.c_str(), FILE_ATTRIBUTE_READONLY));
  bool replaced = true;
  {
    TFileReplacement replacement(name);
    replacement.Write(second.data(), second.size());
    try {
      replacement.Commit();
    } catch (const Rtl::EFCreateError&) {
      replaced = false;
    }
  }
  FileFlusher()->Settle();
  EXPECT_EQ(Entries(temp.Path()), std::vector<std::wstring>{L"large.bin"});
  EXPECT_TRUE(TFile::FileToBytes(name) == (replaced ? second : first));
  SetFileAttributesW(name.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(WholeFileTest, ReadingMissingOrSharedFiles) {
  TTempDir temp;
  EXPECT_EQ(MessageOf([&] { TFile::FileToBytes(temp / L"missing"); }), L"File does not exists");
  const std::wstring name = temp / L"open.txt";
  TestSupport::WriteFile(name, "abc");
  {
    const Rtl::TFileHandle writer(CreateFileW(name.c_str(), GENERIC_WRITE,
                                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(writer);
    EXPECT_EQ(TFile::FileToBytes(name), (Rtl::TBytes{'a', 'b', 'c'}));
  }
  // Held open by a program that may rename or delete it: every kind of
  // sharing is allowed to others, deletion too.
  const Rtl::TFileHandle renamer(CreateFileW(name.c_str(), GENERIC_READ | DELETE,
                                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(renamer);
  EXPECT_EQ(TFile::FileToBytes(name), (Rtl::TBytes{'a', 'b', 'c'}));
}

// --- Paths -------------------------------------------------------------------------------------

TEST(RelativePathTest, DriveLetterPaths) {
  EXPECT_EQ(TFile::GetRelativePath(L"C:\\a\\b\\c.txt", L"C:\\a"), L"b\\c.txt");
  EXPECT_EQ(TFile::GetRelativePath(L"C:\\a\\b\\c.txt", L"C:\\a\\"), L"b\\c.txt");
  EXPECT_EQ(TFile::GetRelativePath(L"C:\\a\\b", L"C:\\a\\b"), L"");
  EXPECT_EQ(TFile::GetRelativePath(L"c:\\A\\B", L"C:\\a\\b\\"), L"");
  EXPECT_EQ(TFile::GetRelativePath(L"C:\\a\\b\\", L"C:\\a"), L"b");
  EXPECT_EQ(TFile::GetRelativePath(L"C:\\a\\x\\y.txt", L"C:\\a\\b\\c"), L"..\\..\\x\\y.txt");
  EXPECT_EQ(TFile::GetRelativePath(L"C:\\A\\B\\c.txt", L"c:\\a"), L"B\\c.txt");
  EXPECT_EQ(TFile::GetRelativePath(L"C:\\x.txt", L"C:\\a"), L"..\\x.txt");
  EXPECT_EQ(TFile::GetRelativePath(L"D:\\a\\b.txt", L"C:\\a"), L"D:\\a\\b.txt");
  EXPECT_EQ(TFile::GetRelativePath(L"C:\\a\\b.txt", L""), L"C:\\a\\b.txt");
  // A directory whose name begins like another's is not its parent.
  EXPECT_EQ(TFile::GetRelativePath(L"C:\\abc\\d.txt", L"C:\\ab"), L"..\\abc\\d.txt");
}

TEST(RelativePathTest, UncPaths) {
  EXPECT_EQ(TFile::GetRelativePath(L"\\\\server\\share\\a\\b.txt", L"\\\\server\\share"), L"a\\b.txt");
  EXPECT_EQ(TFile::GetRelativePath(L"\\\\server\\share\\a\\b.txt", L"\\\\SERVER\\Share\\c"), L"..\\a\\b.txt");
  EXPECT_EQ(TFile::GetRelativePath(L"\\\\server\\other\\a.txt", L"\\\\server\\share\\a"),
            L"\\\\server\\other\\a.txt");
  EXPECT_EQ(TFile::GetRelativePath(L"C:\\a.txt", L"\\\\server\\share"), L"C:\\a.txt");
  EXPECT_EQ(Rtl::ExtractFileDrive(L"\\\\server\\share\\dir\\f"), L"\\\\server\\share");
  EXPECT_EQ(Rtl::ExtractFileDrive(L"C:\\dir"), L"C:");
  EXPECT_EQ(Rtl::ExtractFileDrive(L"dir\\f"), L"");
}

TEST(PathTextTest, ExtensionsOfTheLastComponent) {
  EXPECT_EQ(TFile::ExtractPathNameWithoutExt(L"C:\\x.y\\file.txt"), L"C:\\x.y\\file");
  EXPECT_EQ(TFile::ExtractPathNameWithoutExt(L"C:\\x.y\\file"), L"C:\\x.y\\file");
  EXPECT_EQ(TFile::ExtractPathNameWithoutExt(L"C:\\dir\\file."), L"C:\\dir\\file");
  EXPECT_EQ(TFile::ExtractPathNameWithoutExt(L"C:\\dir\\archive.tar.gz"), L"C:\\dir\\archive.tar");
  EXPECT_EQ(TFile::ExtractPathNameWithoutExt(L"\\\\srv\\sh.are\\file.txt"), L"\\\\srv\\sh.are\\file");
  EXPECT_EQ(TFile::ExtractPathNameWithoutExt(L"C:file.txt"), L"C:file");
  EXPECT_EQ(TFile::ExtractPathNameWithoutExt(L""), L"");

  EXPECT_EQ(TFile::RemoveBackSlash(L"C:\\a\\\\"), L"C:\\a\\");  // one backslash only
  EXPECT_TRUE(TFile::DoesContainWildCards(L"C:\\a\\file?.txt"));
}
