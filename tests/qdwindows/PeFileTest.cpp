// Executable images by their stamp.
#include <gtest/gtest.h>

#include "QdWindows.h"
#include "TestSupport.h"
#include "runtime/IO/Files.h"
#include "runtime/IO/Streams.h"

namespace {

using TestSupport::TTempDir;

TEST(PeFileTest, TellsImagesByTheirStamp) {
  TTempDir dir;
  EXPECT_TRUE(Qd::IsPeFile(Rtl::GetModuleFileName()));
  TestSupport::WriteFile(dir / L"text.txt", "MY text");
  EXPECT_FALSE(Qd::IsPeFile(dir / L"text.txt"));
  // Shorter than the stamp, and empty: no image.
  TestSupport::WriteFile(dir / L"m.bin", "M");
  EXPECT_FALSE(Qd::IsPeFile(dir / L"m.bin"));
  TestSupport::WriteFile(dir / L"empty.bin", "");
  EXPECT_FALSE(Qd::IsPeFile(dir / L"empty.bin"));
  TestSupport::WriteFile(dir / L"stub.bin", "MZ");
  EXPECT_TRUE(Qd::IsPeFile(dir / L"stub.bin"));
}

TEST(PeFileTest, CheckStampAtAnOffset) {
  TTempDir dir;
  TestSupport::WriteFile(dir / L"data.bin", "xxPK\x03\x04");
  EXPECT_TRUE(Qd::CheckStamp(dir / L"data.bin", "PK\x03\x04", 2));
  EXPECT_FALSE(Qd::CheckStamp(dir / L"data.bin", "PK\x03\x04", 0));
  EXPECT_FALSE(Qd::CheckStamp(dir / L"data.bin", "PK\x03\x04", 3));
}

TEST(PeFileTest, MissingFileRaises) {
  TTempDir dir;
  EXPECT_THROW(Qd::IsPeFile(dir / L"missing.exe"), Rtl::Exception);
}

}  // namespace
