// The stream filer: the exact bytes of every kind in both byte orders, read
// back, over memory and over a real file; reads at the end and hostile
// lengths; the saved position beyond 2 GB on a sparse file.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "QdStream.h"
#include "TestSupport.h"
#include "runtime/IO/Streams.h"
#include "runtime/System/Win32.h"

#include <winioctl.h>

using namespace Qd;
using Rtl::TBytes;

namespace {

// A filer over a fresh stream: a memory stream or a real file.
class TStreamKind {
public:
  explicit TStreamKind(bool onFile) {
    if (onFile) {
      FDir = std::make_unique<TestSupport::TTempDir>(L"qdfiler");
      FStream = std::make_unique<Rtl::TFileStream>(*FDir / L"data.bin", Rtl::fmCreate);
    } else {
      FStream = std::make_unique<Rtl::TMemoryStream>();
    }
    FFiler = std::make_unique<TQdStreamFiler>(*FStream);
  }
  TQdStreamFiler& Filer() { return *FFiler; }
  Rtl::TStream& Stream() { return *FStream; }
  // The whole content; the position is kept.
  TBytes Content() {
    const std::int64_t position = FStream->Position();
    TBytes bytes(static_cast<std::size_t>(FStream->Size()));
    FStream->SetPosition(0);
    if (!bytes.empty()) FStream->ReadBuffer(bytes.data(), static_cast<int>(bytes.size()));
    FStream->SetPosition(position);
    return bytes;
  }
  void SetContent(const TBytes& bytes) {
    FStream->SetPosition(0);
    FStream->SetSize(0);
    FStream->WriteBytes(bytes);
    FStream->SetPosition(0);
  }

private:
  std::unique_ptr<TestSupport::TTempDir> FDir;  // before the stream: it goes last
  std::unique_ptr<Rtl::TStream> FStream;
  std::unique_ptr<TQdStreamFiler> FFiler;
};

struct TEncodingCase {
  const char* Name;
  std::function<void(TQdStreamFiler&)> Write;
  TBytes Little;
  TBytes Big;
  // Reads the value back and tells whether it is the one written.
  std::function<bool(TQdStreamFiler&)> ReadsBack;
};

std::vector<TEncodingCase> EncodingCases() {
  const std::wstring wide = L"a\x20AC";  // 'a', euro sign
  return {
      {"byte", [](auto& f) { f.WriteByte(0xAB); }, {0xAB}, {0xAB}, [](auto& f) { return f.ReadByte() == 0xAB; }},
      {"int8", [](auto& f) { f.WriteInt8(-2); }, {0xFE}, {0xFE}, [](auto& f) { return f.ReadInt8() == -2; }},
      {"word", [](auto& f) { f.WriteWord(0x1234); }, {0x34, 0x12}, {0x12, 0x34},
       [](auto& f) { return f.ReadWord() == 0x1234; }},
      {"double word", [](auto& f) { f.WriteDoubleWord(0x12345678); }, {0x78, 0x56, 0x34, 0x12},
       {0x12, 0x34, 0x56, 0x78}, [](auto& f) { return f.ReadDoubleWord() == 0x12345678; }},
      {"int16", [](auto& f) { f.WriteInt16(0x1234); }, {0x34, 0x12}, {0x34, 0x12},
       [](auto& f) { return f.ReadInt16() == 0x1234; }},
      {"int32", [](auto& f) { f.WriteInt32(-2); }, {0xFE, 0xFF, 0xFF, 0xFF}, {0xFE, 0xFF, 0xFF, 0xFF},
       [](auto& f) { return f.ReadInt32() == -2; }},
      {"int64", [](auto& f) { f.WriteInt64(0x0102030405060708); }, {8, 7, 6, 5, 4, 3, 2, 1}, {8, 7, 6, 5, 4, 3, 2, 1},
       [](auto& f) { return f.ReadInt64() == 0x0102030405060708; }},
      {"uleb128", [](auto& f) { f.WriteULEB128(624485); }, {0xE5, 0x8E, 0x26}, {0xE5, 0x8E, 0x26},
       [](auto& f) { return f.ReadULEB128() == 624485; }},
      {"single", [](auto& f) { f.WriteSingle(1.0f); }, {0x00, 0x00, 0x80, 0x3F}, {0x3F, 0x80, 0x00, 0x00},
       [](auto& f) { return f.ReadSingle() == 1.0f; }},
      {"double", [](auto& f) { f.WriteDouble(1.0); }, {0, 0, 0, 0, 0, 0, 0xF0, 0x3F}, {0, 0, 0, 0, 0, 0, 0xF0, 0x3F},
       [](auto& f) { return f.ReadDouble() == 1.0; }},
      {"extended", [](auto& f) { f.WriteExtended(1.0L); }, {0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F},
       {0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F}, [](auto& f) { return f.ReadExtended() == 1.0L; }},
      {"ansi char", [](auto& f) { f.WriteAnsiChar('Z'); }, {'Z'}, {'Z'}, [](auto& f) { return f.ReadAnsiChar() == 'Z'; }},
      {"wide char", [](auto& f) { f.WriteWideChar(L'\x20AC'); }, {0xAC, 0x20}, {0x20, 0xAC},
       [](auto& f) { return f.ReadWideChar() == L'\x20AC'; }},
      {"ansi string 8", [](auto& f) { f.WriteAnsiString8("ab"); }, {2, 'a', 'b'}, {2, 'a', 'b'},
       [](auto& f) { return f.ReadAnsiString8() == "ab"; }},
      {"ansi string 16", [](auto& f) { f.WriteAnsiString16("ab"); }, {2, 0, 'a', 'b'}, {0, 2, 'a', 'b'},
       [](auto& f) { return f.ReadAnsiString16() == "ab"; }},
      {"ansi string 32", [](auto& f) { f.WriteAnsiString32("ab"); }, {2, 0, 0, 0, 'a', 'b'}, {0, 0, 0, 2, 'a', 'b'},
       [](auto& f) { return f.ReadAnsiString32() == "ab"; }},
      {"ansi c string", [](auto& f) { f.WriteAnsiCString("ab"); }, {'a', 'b', 0}, {'a', 'b', 0},
       [](auto& f) { return f.ReadAnsiCString() == "ab"; }},
      // Characters inside a length-prefixed UTF-16 string stay little-endian.
      {"wide string 8", [wide](auto& f) { f.WriteWideString8(wide); }, {2, 'a', 0, 0xAC, 0x20}, {2, 'a', 0, 0xAC, 0x20},
       [wide](auto& f) { return f.ReadWideString8() == wide; }},
      {"wide string 16", [wide](auto& f) { f.WriteWideString16(wide); }, {2, 0, 'a', 0, 0xAC, 0x20},
       {0, 2, 'a', 0, 0xAC, 0x20}, [wide](auto& f) { return f.ReadWideString16() == wide; }},
      {"wide string 32", [wide](auto& f) { f.WriteWideString32(wide); }, {2, 0, 0, 0, 'a', 0, 0xAC, 0x20},
       {0, 0, 0, 2, 'a', 0, 0xAC, 0x20}, [wide](auto& f) { return f.ReadWideString32() == wide; }},
      // ... while those of a zero-terminated one follow the byte order.
      {"wide c string", [wide](auto& f) { f.WriteWideCString(wide); }, {'a', 0, 0xAC, 0x20, 0, 0},
       {0, 'a', 0x20, 0xAC, 0, 0}, [wide](auto& f) { return f.ReadWideCString() == wide; }},
      // UTF-8 lengths count bytes.
      {"utf8 string 8", [wide](auto& f) { f.WriteUtf8String8(wide); }, {4, 'a', 0xE2, 0x82, 0xAC},
       {4, 'a', 0xE2, 0x82, 0xAC}, [wide](auto& f) { return f.ReadUtf8String8() == wide; }},
      {"utf8 string 16", [wide](auto& f) { f.WriteUtf8String16(wide); }, {4, 0, 'a', 0xE2, 0x82, 0xAC},
       {0, 4, 'a', 0xE2, 0x82, 0xAC}, [wide](auto& f) { return f.ReadUtf8String16() == wide; }},
      {"utf8 string 32", [wide](auto& f) { f.WriteUtf8String32(wide); }, {4, 0, 0, 0, 'a', 0xE2, 0x82, 0xAC},
       {0, 0, 0, 4, 'a', 0xE2, 0x82, 0xAC}, [wide](auto& f) { return f.ReadUtf8String32() == wide; }},
      {"utf8 c string", [wide](auto& f) { f.WriteUtf8CString(wide); }, {'a', 0xE2, 0x82, 0xAC, 0},
       {'a', 0xE2, 0x82, 0xAC, 0}, [wide](auto& f) { return f.ReadUtf8CString() == wide; }},
      {"ansi plain", [](auto& f) { f.WriteAnsiPlain("ab"); }, {'a', 'b'}, {'a', 'b'},
       [](auto& f) { return f.ReadBinary(2) == "ab"; }},
      {"wide plain", [wide](auto& f) { f.WriteWidePlain(wide); }, {'a', 0, 0xAC, 0x20}, {'a', 0, 0xAC, 0x20},
       [](auto& f) { return f.ReadBytes(4) == TBytes{'a', 0, 0xAC, 0x20}; }},
      {"binary", [](auto& f) { f.WriteBinary(std::string("\x00\xFF", 2)); }, {0x00, 0xFF}, {0x00, 0xFF},
       [](auto& f) { return f.ReadBinary(2) == std::string("\x00\xFF", 2); }},
      {"bytes", [](auto& f) { f.WriteBytes(TBytes{1, 2, 3}); }, {1, 2, 3}, {1, 2, 3},
       [](auto& f) { return f.ReadBytes(3) == TBytes{1, 2, 3}; }},
      {"block of bytes", [](auto& f) { f.WriteBytes("xyz", 2); }, {'x', 'y'}, {'x', 'y'},
       [](auto& f) { return f.ReadBytes(2) == TBytes{'x', 'y'}; }},
  };
}

class FilerTest : public testing::TestWithParam<bool> {};

INSTANTIATE_TEST_SUITE_P(Streams, FilerTest, testing::Values(false, true),
                         [](const testing::TestParamInfo<bool>& p) { return p.param ? "File" : "Memory"; });

}  // namespace

TEST_P(FilerTest, EveryKindHasItsExactBytesInBothByteOrders) {
  for (const TEncodingCase& c : EncodingCases()) {
    for (const TByteOrder order : {boLittleEndian, boBigEndian}) {
      SCOPED_TRACE(std::string(c.Name) + (order == boBigEndian ? " big-endian" : " little-endian"));
      TStreamKind kind(GetParam());
      kind.Filer().SetByteOrder(order);
      c.Write(kind.Filer());
      const TBytes& expected = order == boBigEndian ? c.Big : c.Little;
      EXPECT_EQ(kind.Content(), expected);
      EXPECT_EQ(kind.Filer().GetPosition(), static_cast<std::int64_t>(expected.size()));
      kind.Filer().SeekToBeginning();
      EXPECT_TRUE(c.ReadsBack(kind.Filer()));
      EXPECT_TRUE(kind.Filer().GetEof());
    }
  }
}

TEST_P(FilerTest, ByteOrderAppliesToWordsButNotToSignedIntegers) {
  TStreamKind kind(GetParam());
  kind.Filer().SetByteOrder(boBigEndian);
  kind.Filer().WriteWord(0x1234);
  kind.Filer().WriteInt16(0x1234);
  EXPECT_EQ(kind.Content(), (TBytes{0x12, 0x34, 0x34, 0x12}));
}

TEST_P(FilerTest, Leb128Lengths) {
  TStreamKind kind(GetParam());
  TQdStreamFiler& f = kind.Filer();
  f.WriteULEB128(0);
  f.WriteULEB128(127);
  f.WriteULEB128(128);
  f.WriteULEB128(std::numeric_limits<std::uint64_t>::max());
  TBytes expected{0x00, 0x7F, 0x80, 0x01};
  for (int i = 0; i < 9; ++i) expected.push_back(0xFF);
  expected.push_back(0x01);
  EXPECT_EQ(kind.Content(), expected);
  f.SeekToBeginning();
  EXPECT_EQ(f.ReadULEB128(), 0u);
  EXPECT_EQ(f.ReadULEB128(), 127u);
  EXPECT_EQ(f.ReadULEB128(), 128u);
  EXPECT_EQ(f.ReadULEB128(), std::numeric_limits<std::uint64_t>::max());
}

TEST_P(FilerTest, ExtendedValuesAreTheTenBytesOfTheEightyBitFormat) {
  TStreamKind kind(GetParam());
  TQdStreamFiler& f = kind.Filer();
  f.WriteExtended(-2.0L);
  f.WriteExtended(0.0L);
  f.WriteExtended(static_cast<long double>(0.1));  // a double goes in exactly
  const TBytes content = kind.Content();
  EXPECT_EQ(TBytes(content.begin(), content.begin() + 10), (TBytes{0, 0, 0, 0, 0, 0, 0, 0x80, 0x00, 0xC0}));
  EXPECT_EQ(TBytes(content.begin() + 10, content.begin() + 20), TBytes(10, 0));
  f.SeekToBeginning();
  EXPECT_EQ(f.ReadExtended(), -2.0L);
  EXPECT_EQ(f.ReadExtended(), 0.0L);
  EXPECT_EQ(static_cast<double>(f.ReadExtended()), 0.1);
}

TEST_P(FilerTest, LengthLimitsOfTheWriters) {
  TStreamKind kind(GetParam());
  TQdStreamFiler& f = kind.Filer();
  const std::string long8(300, 'x');
  f.WriteAnsiString8(long8);
  EXPECT_EQ(f.GetSize(), 256);
  EXPECT_EQ(kind.Content()[0], 255);
  f.WriteWideString8(std::wstring(300, L'y'));
  EXPECT_EQ(f.GetSize(), 256 + 1 + 510);
  f.WriteAnsiString16(std::string(70000, 'z'));
  EXPECT_EQ(f.GetSize(), 256 + 511 + 2 + 65535);
  f.SeekToBeginning();
  EXPECT_EQ(f.ReadAnsiString8(), std::string(255, 'x'));
  EXPECT_EQ(f.ReadWideString8(), std::wstring(255, L'y'));
  EXPECT_EQ(f.ReadAnsiString16(), std::string(65535, 'z'));
}

TEST_P(FilerTest, Utf8WritersCutAtTheLastWholeCharacter) {
  TStreamKind kind(GetParam());
  TQdStreamFiler& f = kind.Filer();
  // 254 bytes and a two-byte character: 256 bytes, cut to 254.
  f.WriteUtf8String8(std::wstring(254, L'a') + L"\x00E9");
  EXPECT_EQ(f.GetSize(), 1 + 254);
  // 65533 bytes and a three-byte character: 65536, cut to 65533.
  f.WriteUtf8String16(std::wstring(65533, L'b') + L"\x20AC");
  EXPECT_EQ(f.GetSize(), 255 + 2 + 65533);
  // A four-byte character that ends exactly at the limit stays.
  f.WriteUtf8String8(std::wstring(251, L'c') + L"\xD83D\xDE00");
  f.SeekToBeginning();
  EXPECT_EQ(f.ReadUtf8String8(), std::wstring(254, L'a'));
  EXPECT_EQ(f.ReadUtf8String16(), std::wstring(65533, L'b'));
  EXPECT_EQ(f.ReadUtf8String8(), std::wstring(251, L'c') + L"\xD83D\xDE00");
}

TEST_P(FilerTest, Utf8ReadersReplaceMalformedBytes) {
  TStreamKind kind(GetParam());
  kind.SetContent({4, 'a', 0xFF, 0xE2, 0x82, 'b', 0, 0xC3, 0});
  TQdStreamFiler& f = kind.Filer();
  // An invalid byte and a sequence cut by the length.
  const std::wstring text = f.ReadUtf8String8();
  ASSERT_GE(text.size(), 3u);
  EXPECT_EQ(text[0], L'a');
  EXPECT_EQ(text.find_first_not_of(L'\xFFFD', 1), std::wstring::npos);
  EXPECT_EQ(f.ReadUtf8CString(), L"b");
  EXPECT_EQ(f.ReadUtf8CString(), L"\xFFFD");
}

TEST_P(FilerTest, EveryPeekReplacesTheSavedPosition) {
  TStreamKind kind(GetParam());
  kind.SetContent({1, 2, 3, 4, 5, 6, 7, 8});
  TQdStreamFiler& f = kind.Filer();
  f.SavePosition();  // 0
  f.SetPosition(4);
  EXPECT_EQ(f.PeekWord(), 0x0605);
  EXPECT_EQ(f.GetPosition(), 4);
  f.SetPosition(7);
  f.RestorePosition();  // where the peek found the stream
  EXPECT_EQ(f.GetPosition(), 4);
  EXPECT_EQ(f.PeekByte(), 5);
  EXPECT_EQ(f.PeekDoubleWord(), 0x08070605u);
  EXPECT_EQ(f.PeekBinary(2), "\x05\x06");
  EXPECT_EQ(f.PeekBytes(3), (TBytes{5, 6, 7}));
  EXPECT_EQ(f.GetPosition(), 4);
}

TEST_P(FilerTest, ToDoubleWordReadsAndWritesPositionModFour) {
  TStreamKind kind(GetParam());
  kind.SetContent({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11});
  TQdStreamFiler& f = kind.Filer();
  f.SetPosition(6);
  EXPECT_EQ(f.ReadToDoubleWord(), (TBytes{6, 7}));
  f.SetPosition(5);
  EXPECT_EQ(f.ReadToDoubleWord(), (TBytes{5}));
  f.SetPosition(8);
  EXPECT_TRUE(f.ReadToDoubleWord().empty());
  EXPECT_EQ(f.GetPosition(), 8);
  // The pair: what the writer adds, the reader skips.
  f.SeekToEnd();
  f.WriteByte(0xAA);
  f.WriteByte(0xBB);
  f.WriteToDoubleWord();  // at 14: 2 zero bytes
  EXPECT_EQ(f.GetSize(), 16);
  f.SetPosition(14);
  EXPECT_EQ(f.ReadToDoubleWord(), (TBytes{0, 0}));
}

TEST_P(FilerTest, ReadsAtTheEndGiveZeroForWhatIsMissing) {
  TStreamKind kind(GetParam());
  kind.SetContent({0x34, 0x12});
  TQdStreamFiler& f = kind.Filer();
  EXPECT_EQ(f.ReadDoubleWord(), 0x1234u);
  EXPECT_TRUE(f.GetEof());
  EXPECT_EQ(f.ReadByte(), 0);
  EXPECT_EQ(f.ReadInt64(), 0);
  EXPECT_EQ(f.ReadWideChar(), L'\0');
  EXPECT_EQ(f.ReadAnsiString8(), "");
  EXPECT_EQ(f.ReadWideCString(), L"");
  EXPECT_EQ(f.ReadULEB128(), 0u);
  EXPECT_TRUE(f.ReadBytes(10).empty());
  EXPECT_EQ(f.GetPosition(), 2);
}

TEST_P(FilerTest, HostileLengthsGiveOnlyWhatRemains) {
  TStreamKind kind(GetParam());
  TQdStreamFiler& f = kind.Filer();
  // A 32-bit prefix of FF FF FF FF before 3 bytes: not 4 GB (or 8 GB of
  // UTF-16), only the 3 bytes.
  kind.SetContent({0xFF, 0xFF, 0xFF, 0xFF, 'a', 'b', 'c'});
  EXPECT_EQ(f.ReadAnsiString32(), "abc");
  f.SeekToBeginning();
  EXPECT_EQ(f.ReadWideString32(), std::wstring(L"\x6261\x0063"));  // an odd last byte: high byte 0
  EXPECT_TRUE(f.GetEof());
  f.SeekToBeginning();
  EXPECT_EQ(f.ReadUtf8String32(), L"abc");
  f.SetPosition(4);
  EXPECT_EQ(f.ReadBinary(std::numeric_limits<std::int64_t>::max()), "abc");
  f.SetPosition(4);
  EXPECT_EQ(f.ReadBytes(std::int64_t{1} << 40), (TBytes{'a', 'b', 'c'}));
  EXPECT_TRUE(f.ReadBytes(0).empty());
  f.SetPosition(4);
  EXPECT_TRUE(f.ReadBinary(-5).empty());
  EXPECT_EQ(f.GetPosition(), 4);
  // A 16-bit prefix 0xFFFF before 2 bytes.
  kind.SetContent({0xFF, 0xFF, 'x', 'y'});
  EXPECT_EQ(f.ReadAnsiString16(), "xy");
  // A zero-terminated string without its terminator stops at the end.
  kind.SetContent({'p', 'q'});
  EXPECT_EQ(f.ReadAnsiCString(), "pq");
}

TEST_P(FilerTest, Leb128StopsAtTheEndAndDropsBitsBeyond64) {
  TStreamKind kind(GetParam());
  TQdStreamFiler& f = kind.Filer();
  kind.SetContent({0x80, 0x80, 0x81});  // every byte asks for more
  EXPECT_EQ(f.ReadULEB128(), std::uint64_t{1} << 14);
  EXPECT_EQ(f.GetPosition(), 3);
  TBytes run(30, 0xFF);
  run.push_back(0x01);
  run.push_back(0x2A);
  kind.SetContent(run);
  EXPECT_EQ(f.ReadULEB128(), std::numeric_limits<std::uint64_t>::max());
  EXPECT_EQ(f.GetPosition(), 31);
  EXPECT_EQ(f.ReadULEB128(), 42u);
}

TEST(FilerFileTest, SavedPositionsBeyondTwoGigabytesOnASparseFile) {
  TestSupport::TTempDir dir(L"qdsparse");
  Rtl::TFileStream file(dir / L"sparse.bin", Rtl::fmCreate);
  DWORD returned = 0;
  // On Windows the file must be marked sparse to stay small; the file
  // systems under Wine leave the gap unallocated anyway.
  DeviceIoControl(reinterpret_cast<HANDLE>(file.Handle()), FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &returned,
                  nullptr);
  TQdStreamFiler f(file);
  const std::int64_t beyond = (std::int64_t{3} << 30) + 5;  // 3 GB + 5
  f.SetPosition(beyond);
  f.WriteWord(0xBEEF);
  f.WriteWord(0xCAFE);
  EXPECT_EQ(f.GetSize(), beyond + 4);
  f.SetPosition(beyond);
  f.SavePosition();
  f.SeekToBeginning();
  f.RestorePosition();
  EXPECT_EQ(f.GetPosition(), beyond);
  f.SetPosition(beyond + 2);
  EXPECT_EQ(f.PeekWord(), 0xCAFE);
  f.SeekToBeginning();
  f.RestorePosition();
  EXPECT_EQ(f.GetPosition(), beyond + 2);
  EXPECT_EQ(f.ReadToDoubleWord(), (TBytes{0xFE, 0xCA}));  // (3 GB + 7) mod 4 = 3 wanted, 2 remain
}
