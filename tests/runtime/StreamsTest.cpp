// Memory streams of the runtime: the owned, growable one and the one over a
// block of the caller's memory.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>

#include "runtime/Core/Exceptions.h"
#include "runtime/IO/Streams.h"

TEST(MemoryStreamBlockTest, ReadsAndWritesWithinTheCallersBlock) {
  std::array<std::uint8_t, 4> block{1, 2, 3, 4};
  Rtl::TMemoryStream stream(block.data(), 4);
  EXPECT_EQ(stream.Size(), 4);
  std::uint8_t two[2];
  EXPECT_EQ(stream.Read(two, 2), 2);
  EXPECT_EQ(two[1], 2);
  EXPECT_EQ(stream.Write("\x09\x08", 2), 2);
  EXPECT_EQ(block[2], 9);
  EXPECT_EQ(block[3], 8);
  EXPECT_EQ(stream.Bytes(), (Rtl::TBytes{1, 2, 9, 8}));
  // Growing raises "Stream size can't be changed" and writes nothing.
  stream.SetPosition(3);
  try {
    stream.Write("\x07\x07", 2);
    ADD_FAILURE() << "nothing raised";
  } catch (const Rtl::EStreamError& e) {
    EXPECT_EQ(e.Message(), L"Stream size can't be changed");
  }
  EXPECT_EQ(block[3], 8);
  EXPECT_EQ(stream.Position(), 3);
  EXPECT_THROW(stream.SetSize(8), Rtl::EStreamError);
  // Loading another stream of the same size fills the block.
  Rtl::TBytesStream source(Rtl::TBytes{5, 6, 7, 8});
  stream.LoadFromStream(source);
  EXPECT_EQ(block[0], 5);
  Rtl::TBytesStream longer(Rtl::TBytes{1, 2, 3, 4, 5});
  EXPECT_THROW(stream.LoadFromStream(longer), Rtl::EStreamError);
  EXPECT_EQ(block[0], 5);
}

TEST(MemoryStreamBlockTest, AnEmptyBlockCantGrowEither) {
  Rtl::TMemoryStream stream(nullptr, 0);
  EXPECT_THROW(stream.Write("x", 1), Rtl::EStreamError);
  EXPECT_EQ(stream.Size(), 0);
  EXPECT_TRUE(stream.Bytes().empty());
}
