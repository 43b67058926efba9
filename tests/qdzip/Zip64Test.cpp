// ZIP64 (its own ctest entry, qdzip64): an archive of 65,536 entries and
// one with an entry of 4 GiB + 1 from a sparse file, written by us, tested
// by Debian's unzip and read back by streaming, never written out.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdint>
#include <string>
#include <vector>

#include <zlib.h>

#include "QdZip.h"
#include "TestSupport.h"
#include "ZipTestSupport.h"
#include "runtime/IO/Streams.h"

using namespace Qd;
using TestSupport::TTempDir;
using ZipTest::Shell;
using ZipTest::Unix;

namespace {

// A stream that keeps only the count and the CRC-32 of what is written.
class TCrcStream : public Rtl::TStream {
public:
  int Read(void*, int) override { return 0; }
  int Write(const void* buffer, int count) override {
    FCrc = crc32(FCrc, static_cast<const Bytef*>(buffer), static_cast<uInt>(count));
    FSize += count;
    return count;
  }
  std::int64_t Seek(std::int64_t, Rtl::TSeekOrigin) override { return FSize; }
  std::uint32_t Crc() const { return static_cast<std::uint32_t>(FCrc); }
  std::int64_t Written() const { return FSize; }

private:
  uLong FCrc = crc32(0, nullptr, 0);
  std::int64_t FSize = 0;
};

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

}  // namespace

TEST(Zip64, SixtyFiveThousandFiveHundredAndThirtySixEntries_NeedsWine) {
  TTempDir dir;
  TestSupport::MakeDir(dir / L"many");
  if (!Shell("cd '" + Unix(dir / L"many") + "' && seq -f 'f%05g' 1 65536 | xargs touch"))
    GTEST_SKIP() << "the files can't be made through Wine here";
  auto start = std::chrono::steady_clock::now();
  TQdZip::ZipDir(dir / L"many.zip", dir / L"many", true, true);
  std::printf("[ zip64    ] 65,536 entries written in %.1f s\n", Seconds(start));
  start = std::chrono::steady_clock::now();
  EXPECT_TRUE(Shell("unzip -tqq '" + Unix(dir / L"many.zip") + "'"));
  std::printf("[ zip64    ] unzip -t took %.1f s\n", Seconds(start));
  TQdZip zip;
  zip.Load(dir / L"many.zip");
  ASSERT_EQ(zip.GetCount(), 65536);
  EXPECT_EQ(zip.GetFileName(65535).substr(0, 1), L"f");
  // More entries than the limit: refused when loading.
  TQdZip limited;
  limited.SetMaxEntries(65535);
  EXPECT_THROW(limited.Load(dir / L"many.zip"), EZipException);
}

TEST(Zip64, AnEntryOfFourGibPlusOneFromASparseFile_NeedsWine) {
  constexpr std::int64_t SIZE_C = (std::int64_t{4} << 30) + 1;
  TTempDir dir;
  TestSupport::MakeDir(dir / L"big");
  if (!Shell("truncate -s " + std::to_string(SIZE_C) + " '" + Unix(dir / L"big\\big.bin") + "'"))
    GTEST_SKIP() << "no sparse file can be made through Wine here";
  auto start = std::chrono::steady_clock::now();
  TQdZip::ZipDir(dir / L"big.zip", dir / L"big", true, true);
  std::printf("[ zip64    ] 4 GiB + 1 written in %.1f s\n", Seconds(start));
  start = std::chrono::steady_clock::now();
  EXPECT_TRUE(Shell("unzip -tqq '" + Unix(dir / L"big.zip") + "'"));
  std::printf("[ zip64    ] unzip -t took %.1f s\n", Seconds(start));

  start = std::chrono::steady_clock::now();
  TQdZip zip;
  zip.Load(dir / L"big.zip");
  ASSERT_EQ(zip.GetCount(), 1);
  TCrcStream stream;
  zip.ExtractToStream(0, stream);
  std::printf("[ zip64    ] read back by streaming in %.1f s\n", Seconds(start));
  EXPECT_EQ(stream.Written(), SIZE_C);
  // The CRC of as many zero bytes.
  std::vector<Bytef> zeros(1 << 20, 0);
  uLong crc = crc32(0, nullptr, 0);
  for (std::int64_t left = SIZE_C; left > 0; left -= static_cast<std::int64_t>(zeros.size()))
    crc = crc32(crc, zeros.data(), static_cast<uInt>(std::min<std::int64_t>(left, static_cast<std::int64_t>(zeros.size()))));
  EXPECT_EQ(stream.Crc(), static_cast<std::uint32_t>(crc));
}
