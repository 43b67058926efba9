// The library's GB18030 converter against the character map it is built
// from, read here on its own, and against the system's code page 936; bad
// and cut-off input.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

#include "QdScript.h"
#include "QdString.h"
#include "TestSupport.h"
#include "runtime/System/Win32.h"

using namespace Qd;

namespace {

// Where Wine's drive Z: shows the build machine's character map.
const char* const CHARMAP_C = "Z:\\usr\\share\\i18n\\charmaps\\GB18030.gz";

struct TMapping {
  std::uint32_t CodePoint;
  std::string Bytes;
};

std::wstring ToUtf16(std::uint32_t c) {
  if (c <= 0xFFFF) return std::wstring(1, static_cast<wchar_t>(c));
  return {static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10)), static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF))};
}

// The four-byte sequence after `bytes` (the last byte counting fastest).
void NextFourByte(std::string& bytes) {
  auto at = [&](int i) -> unsigned char& { return reinterpret_cast<unsigned char&>(bytes[i]); };
  if (++at(3) <= 0x39) return;
  at(3) = 0x30;
  if (++at(2) <= 0xFE) return;
  at(2) = 0x81;
  if (++at(1) <= 0x39) return;
  at(1) = 0x30;
  ++at(0);
}

// Every mapping of the map, ranges expanded; empty when it can't be read.
std::vector<TMapping> ReadCharmap() {
  std::vector<TMapping> mappings;
  gzFile file = gzopen(CHARMAP_C, "rb");
  if (file == nullptr) return mappings;
  char buffer[512];
  bool inMap = false;
  while (gzgets(file, buffer, sizeof buffer) != nullptr) {
    std::string line(buffer);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    if (line == "CHARMAP") inMap = true;
    if (line == "END CHARMAP") inMap = false;
    if (!inMap || line.compare(0, 2, "<U") != 0) continue;
    std::size_t used = 0;
    const std::uint32_t first = std::stoul(line.substr(2), &used, 16);
    std::uint32_t last = first;
    std::size_t pos = 2 + used + 1;  // past the '>'
    if (line.compare(pos, 4, "..<U") == 0) {
      last = std::stoul(line.substr(pos + 4), &used, 16);
      pos += 4 + used + 1;
    }
    pos = line.find("/x", pos);
    std::string bytes;
    while (pos != std::string::npos && pos + 3 < line.size() && line.compare(pos, 2, "/x") == 0) {
      bytes.push_back(static_cast<char>(std::stoul(line.substr(pos + 2, 2), nullptr, 16)));
      pos += 4;
    }
    for (std::uint32_t c = first;; ++c) {
      mappings.push_back({c, bytes});
      if (c == last) break;
      NextFourByte(bytes);
    }
  }
  gzclose(file);
  return mappings;
}

std::string Hex(const std::string& bytes) {
  std::string text;
  static const char* const DIGITS_C = "0123456789ABCDEF";
  for (unsigned char b : bytes) {
    text += DIGITS_C[b >> 4];
    text += DIGITS_C[b & 15];
    text += ' ';
  }
  return text;
}

}  // namespace

TEST(Gb18030Converter, EveryMappingOfTheCharmapDecodesAndEncodesExactly) {
  const std::vector<TMapping> mappings = ReadCharmap();
  ASSERT_GT(mappings.size(), 200000u) << "the character map " << CHARMAP_C << " can't be read";
  int wrong = 0;
  for (const TMapping& m : mappings) {
    const std::wstring text = ToUtf16(m.CodePoint);
    const std::wstring decoded = TGb18030Converter::Decode(m.Bytes);
    const std::string encoded = TGb18030Converter::Encode(text);
    if ((decoded != text || encoded != m.Bytes) && ++wrong <= 10)
      ADD_FAILURE() << std::hex << "U+" << m.CodePoint << " <-> " << Hex(m.Bytes) << "decoded U+"
                    << (decoded.empty() ? 0 : int(decoded[0])) << ", encoded " << Hex(encoded);
  }
  EXPECT_EQ(wrong, 0);
  std::printf("[          ] %zu mappings of the character map checked\n", mappings.size());
}

TEST(Gb18030Converter, OutsideThePlaneTheComputedFourByteForm) {
  EXPECT_EQ(TGb18030Converter::Encode(L"\U00010000"), "\x90\x30\x81\x30");
  EXPECT_EQ(TGb18030Converter::Encode(L"\U0010FFFF"), "\xE3\x32\x9A\x35");
  EXPECT_EQ(TGb18030Converter::Decode("\x90\x30\x81\x30"), L"\U00010000");
  EXPECT_EQ(TGb18030Converter::Decode("\xE3\x32\x9A\x35"), L"\U0010FFFF");
  // Past U+10FFFF: no character.
  EXPECT_EQ(TGb18030Converter::Decode("\xE3\x32\x9A\x36"), L"\uFFFD2\uFFFD6");
  // Four bytes for each code unit: the output outgrows two bytes per unit.
  const std::wstring fourByte(1000, L'\u0080');
  const std::string encoded = TGb18030Converter::Encode(L"a" + fourByte);
  EXPECT_EQ(encoded.size(), 4001u);
  EXPECT_EQ(TGb18030Converter::Decode(encoded), L"a" + fourByte);
  for (std::uint32_t c = 0x10000; c <= 0x10FFFF; c += 0x1357) {
    const std::wstring text = ToUtf16(c);
    EXPECT_EQ(TGb18030Converter::Decode(TGb18030Converter::Encode(text)), text) << c;
  }
}

// Each two-byte sequence that the system's 936 decodes, with the
// character the map gives it; counts of the pairs that agree and of those
// where 936 gives a private-use character and the map another.
struct T936Comparison {
  int Same = 0;
  int PrivateUseDifferent = 0;
  int Different = 0;
};

T936Comparison CompareWith936() {
  T936Comparison result;
  for (int lead = 0x81; lead <= 0xFE; ++lead) {
    for (int trail = 0x40; trail <= 0xFE; ++trail) {
      if (trail == 0x7F) continue;
      const char bytes[2] = {static_cast<char>(lead), static_cast<char>(trail)};
      wchar_t system[4];
      if (MultiByteToWideChar(936, MB_ERR_INVALID_CHARS, bytes, 2, system, 4) != 1) continue;
      const std::wstring ours = TGb18030Converter::Decode(std::string(bytes, 2));
      if (ours == std::wstring(1, system[0])) {
        ++result.Same;
      } else if (system[0] >= 0xE000 && system[0] <= 0xF8FF) {
        ++result.PrivateUseDifferent;
      } else if (++result.Different <= 10) {
        ADD_FAILURE() << std::hex << lead << " " << trail << ": 936 U+" << int(system[0]) << ", ours U+"
                      << (ours.empty() ? 0 : int(ours[0]));
      }
    }
  }
  return result;
}

TEST(Gb18030Converter, SameAsTheSystemsCodePage936ExceptItsPrivateUseCharacters) {
  const T936Comparison result = CompareWith936();
  EXPECT_EQ(result.Different, 0);
  EXPECT_GT(result.Same, 21000);
  std::printf("[          ] %d pairs the same as code page 936's, %d where 936 gives a private-use character\n",
              result.Same, result.PrivateUseDifferent);
}

TEST(Gb18030Converter, PrivateUsePairsOfWines936_Wine) {
  EXPECT_EQ(CompareWith936().PrivateUseDifferent, 106);
}

TEST(Gb18030Converter, MalformedAndCutOffInput) {
  // A byte that starts no sequence: one U+FFFD, then on at the next byte.
  EXPECT_EQ(TGb18030Converter::Decode("\x80" "a\xFF" "b"), L"\uFFFDa\uFFFDb");
  // A first byte with a second byte that fits no form.
  EXPECT_EQ(TGb18030Converter::Decode("\x81\x7F" "a"), L"\uFFFD\x7F" L"a");
  EXPECT_EQ(TGb18030Converter::Decode("\x81 x"), L"\uFFFD x");
  // Cut short by the end: never read past it.
  EXPECT_EQ(TGb18030Converter::Decode("\xB0"), L"\uFFFD");
  EXPECT_EQ(TGb18030Converter::Decode("\x81\x30"), L"\uFFFD0");
  EXPECT_EQ(TGb18030Converter::Decode("\x81\x30\x81"), L"\uFFFD0\uFFFD");
  EXPECT_EQ(TGb18030Converter::Decode(std::string("\x81\x30\x81\x30", 3) + "\x30"), L"\u0080");
  // A four-byte sequence whose third byte is wrong.
  EXPECT_EQ(TGb18030Converter::Decode("\x81\x30\x30\x30"), L"\uFFFD000");
  // Between the plane's sequences and those beyond it: nothing.
  EXPECT_EQ(TGb18030Converter::Decode("\x85\x30\x81\x30"), L"\uFFFD0\uFFFD0");
  // Output never longer than the input.
  const std::string everything = [] {
    std::string s;
    for (int i = 0; i < 4096; ++i) s.push_back(static_cast<char>((i * 37 + i / 7) & 0xFF));
    return s;
  }();
  EXPECT_LE(TGb18030Converter::Decode(everything).size(), everything.size());
  // A lone surrogate becomes '?', Ok is true.
  TGb18030Converter converter;
  EXPECT_EQ(converter.WideToAnsi(L"a\xD800" L"b\xDC00", 54936), "a?b?");
  EXPECT_TRUE(converter.GetOk());
  EXPECT_EQ(converter.AnsiToWide("\xB0\xA1", 54936), L"\u554A");
  EXPECT_TRUE(converter.GetOk());
  EXPECT_EQ(converter.DetectCodePage(Rtl::TBytes{0xB0, 0xA1}, false), 0);
  std::vector<std::int32_t> reported;
  converter.GetCodePages([&](TCodePageConverter& from, std::int32_t value, const std::wstring&, const std::wstring&) {
    EXPECT_EQ(&from, &converter);
    reported.push_back(value);
  });
  EXPECT_EQ(reported, std::vector<std::int32_t>{54936});
}

TEST(Gb18030Converter, TheLibraryConvertsCodePage54936WhereTheSystemLacksIt_Wine) {
  ASSERT_FALSE(IsValidCodePage(54936));
  EXPECT_NE(CodePageConverters().Find(TGb18030Converter::ClassInfo), nullptr);
  const std::wstring text = L"GB18030 \u4E2D\u6587 \u20AC \U00020000 \u00E9";
  const Rtl::RawByteString bytes = TString::WideToGb18030(text);
  EXPECT_EQ(bytes.substr(0, 12), "GB18030 \xD6\xD0\xCE\xC4");
  EXPECT_EQ(TString::Gb18030ToWide(bytes), text);
  EXPECT_EQ(TString::WideToAnsi(L"\xD800", 54936), "?");
}
