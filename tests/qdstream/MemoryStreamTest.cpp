// TQdMemoryStream: every constructor, the whole-content access, setters
// that keep a longer tail, and the stream over the caller's block.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>

#include "QdStream.h"
#include "TestSupport.h"
#include "runtime/Core/Exceptions.h"
#include "runtime/IO/Streams.h"

using namespace Qd;
using Rtl::TBytes;

TEST(MemoryStreamTest, Constructors) {
  TQdMemoryStream empty;
  EXPECT_EQ(empty.Size(), 0);
  EXPECT_TRUE(empty.GetEof());

  TQdMemoryStream text(std::wstring(L"h\x00E9llo"));
  EXPECT_EQ(text.Size(), 10);
  EXPECT_EQ(text.Position(), 0);
  EXPECT_EQ(text.GetAsString(), L"h\x00E9llo");

  TQdMemoryStream binary(Rtl::RawByteString("ab\0c", 4));
  EXPECT_EQ(binary.GetAsBinary(), Rtl::RawByteString("ab\0c", 4));
  EXPECT_EQ(binary.Position(), 0);

  TQdMemoryStream bytes(TBytes{1, 2, 3});
  EXPECT_EQ(bytes.GetAsBytes(), (TBytes{1, 2, 3}));

  // From a stream: its bytes from its position to its end.
  Rtl::TBytesStream source(TBytes{9, 8, 7, 6});
  source.SetPosition(1);
  TQdMemoryStream copy(source);
  EXPECT_EQ(copy.GetAsBytes(), (TBytes{8, 7, 6}));
  EXPECT_EQ(copy.Position(), 0);
  EXPECT_EQ(source.Position(), 4);
  source.SetPosition(4);
  TQdMemoryStream none(source);
  EXPECT_EQ(none.Size(), 0);
}

TEST(MemoryStreamTest, GetAsStringIgnoresAnOddLastByteAndMovesThePosition) {
  TQdMemoryStream stream(TBytes{'a', 0, 'b', 0, 'c'});
  stream.SetPosition(3);
  EXPECT_EQ(stream.GetAsString(), L"ab");
  EXPECT_EQ(stream.Position(), 4);
  // The copies leave the position where it is.
  stream.SetPosition(1);
  EXPECT_EQ(stream.GetAsBytes().size(), 5u);
  EXPECT_EQ(stream.GetAsBinary().size(), 5u);
  EXPECT_EQ(stream.Position(), 1);
}

TEST(MemoryStreamTest, SettersWriteAtThePositionAndKeepALongerTail) {
  TQdMemoryStream stream(Rtl::RawByteString("abcdefgh"));
  stream.SetAsBinary("XY");
  EXPECT_EQ(stream.GetAsBinary(), "XYcdefgh");
  EXPECT_EQ(stream.Position(), 0);
  stream.SetPosition(6);
  stream.SetAsBytes(TBytes{'1', '2', '3', '4'});  // grows past the end
  EXPECT_EQ(stream.GetAsBinary(), "XYcdef1234");
  stream.SetPosition(2);
  stream.SetAsString(L"Q");
  EXPECT_EQ(stream.GetAsBinary(), Rtl::RawByteString("XYQ\0ef1234", 10));
  // Empty values write nothing and don't move the position.
  stream.SetPosition(5);
  stream.SetAsString(L"");
  stream.SetAsBinary("");
  stream.SetAsBytes({});
  EXPECT_EQ(stream.Position(), 5);
  Rtl::TBytesStream source(TBytes{'z'});
  stream.SetAsStream(source);
  EXPECT_EQ(stream.GetAsBinary(), Rtl::RawByteString("XYQ\0ez1234", 10));
  EXPECT_EQ(stream.Position(), 0);
}

TEST(MemoryStreamTest, TypedOperationsAndReadBytesToTheEnd) {
  TQdMemoryStream stream;
  stream.WriteWord(0x0102);
  stream.WriteUtf8String8(L"x");
  stream.WriteULEB128(300);
  stream.WriteToDoubleWord();
  EXPECT_EQ(stream.GetAsBytes(), (TBytes{0x02, 0x01, 0x01, 'x', 0xAC, 0x02, 0x00, 0x00}));
  stream.SeekToBeginning();
  EXPECT_EQ(stream.PeekWord(), 0x0102);
  EXPECT_EQ(stream.ReadWord(), 0x0102);
  EXPECT_EQ(stream.ReadUtf8String8(), L"x");
  EXPECT_EQ(stream.ReadBytes(), (TBytes{0xAC, 0x02, 0x00, 0x00}));
  EXPECT_TRUE(stream.GetEof());
  EXPECT_TRUE(stream.ReadBytes().empty());
  stream.SeekToEnd();
  EXPECT_EQ(stream.Position(), 8);
}

TEST(MemoryStreamTest, CallersBlockIsWrittenInPlaceAndNeverGrows) {
  std::array<std::uint8_t, 6> block{'a', 'b', 'c', 'd', 'e', 'f'};
  TQdMemoryStream stream(block.data(), static_cast<std::int64_t>(block.size()));
  EXPECT_EQ(stream.Size(), 6);
  EXPECT_EQ(stream.Memory(), block.data());  // no copy
  EXPECT_EQ(stream.ReadWord(), 0x6261);
  stream.WriteWord(0x5958);  // "XY" at 2
  EXPECT_EQ(block[2], 'X');
  EXPECT_EQ(block[3], 'Y');
  stream.SetPosition(0);
  stream.SetAsBinary("12");
  EXPECT_EQ(std::string(block.begin(), block.end()), "12XYef");
  EXPECT_EQ(stream.GetAsBinary(), "12XYef");

  // A write that would grow the block raises and changes nothing.
  stream.SetPosition(4);
  EXPECT_THROW(stream.WriteDoubleWord(0x7A7A7A7A), Rtl::EStreamError);
  EXPECT_EQ(std::string(block.begin(), block.end()), "12XYef");
  EXPECT_EQ(stream.Size(), 6);
  EXPECT_EQ(stream.Position(), 4);
  stream.SetPosition(10);
  EXPECT_THROW(stream.WriteByte(1), Rtl::EStreamError);
  EXPECT_EQ(stream.Size(), 6);
  EXPECT_THROW(stream.SetSize(100), Rtl::EStreamError);
  EXPECT_THROW(stream.SetSize(2), Rtl::EStreamError);
  EXPECT_THROW(stream.Clear(), Rtl::EStreamError);
  EXPECT_EQ(stream.Size(), 6);
  stream.SetSize(6);  // its own size is no change

  // Reads stay within the block.
  stream.SetPosition(4);
  EXPECT_EQ(stream.ReadDoubleWord(), 0x00006665u);
  EXPECT_EQ(stream.Position(), 6);
}

TEST(MemoryStreamTest, ByteOrderOfTheOwnFilerIsLittleEndian) {
  TQdMemoryStream stream;
  EXPECT_EQ(stream.GetFiler().GetByteOrder(), boLittleEndian);
  stream.WriteDoubleWord(0x01020304);
  EXPECT_EQ(stream.GetAsBytes(), (TBytes{4, 3, 2, 1}));
}
