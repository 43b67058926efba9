// The class-level coding of text files: strict UTF-8 decoding with the
// positions of its errors, checked against the system's own strict decoder;
// the content tests with their quirks; line-break kinds, escapes and the
// format names.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "QdTextFile.h"
#include "TestSupport.h"
#include "runtime/System/Win32.h"

using namespace Qd;

namespace {

using TBytes = std::vector<std::uint8_t>;

TBytes B(std::string_view s) { return TBytes(s.begin(), s.end()); }

// The 1-based position that Utf8Decode reports for `bytes`, 0 when it
// decodes.
std::uint32_t ErrorPosition(std::string_view bytes) {
  try {
    TTextFile::Utf8Decode(bytes);
    return 0;
  } catch (const EUft8Exception& e) {
    EXPECT_EQ(e.GetData(), std::string(bytes));
    return e.GetIndex();
  }
}

}  // namespace

TEST(Utf8Coding, DecodesWellFormedTextOfEveryLength) {
  EXPECT_EQ(TTextFile::Utf8Decode(""), L"");
  EXPECT_EQ(TTextFile::Utf8Decode("plain ascii that is longer than sixteen bytes"),
            L"plain ascii that is longer than sixteen bytes");
  EXPECT_EQ(TTextFile::Utf8Decode("a\xC3\xA9z\xE2\x82\xAC\xF0\x9F\x98\x80!"), L"a\u00E9z\u20AC\U0001F600!");
  EXPECT_EQ(TTextFile::Utf8Decode("\xEF\xBF\xBF\xF4\x8F\xBF\xBF"), L"\uFFFF\U0010FFFF");
  // A NUL is a character like any other.
  EXPECT_EQ(TTextFile::Utf8Decode(std::string_view("a\0b", 3)), std::wstring(L"a\0b", 3));
  // Long text is decoded in pieces: a surrogate pair at every offset around
  // a piece's end, and an error far behind the first piece.
  for (std::size_t pad = 8180; pad < 8200; ++pad) {
    const std::string bytes = std::string(pad, 'x') + "\xF0\x9F\x98\x80" + std::string(3, 'y');
    EXPECT_EQ(TTextFile::Utf8Decode(bytes), std::wstring(pad, L'x') + L"\U0001F600" + L"yyy") << pad;
  }
  EXPECT_EQ(ErrorPosition(std::string(20000, 'a') + "\xC3("), 20002u);
}

TEST(Utf8Coding, ErrorsArePlacedAtTheFirstByteThatCantContinue) {
  EXPECT_EQ(ErrorPosition("\x41\xFF"), 2u);
  EXPECT_EQ(ErrorPosition("\xC3"), 1u);  // cut: its last byte
  EXPECT_EQ(ErrorPosition("ab\xE2\x82"), 4u);
  EXPECT_EQ(ErrorPosition("\xC0\xAF"), 1u);  // overlong leads
  EXPECT_EQ(ErrorPosition("\xC1\xBF"), 1u);
  EXPECT_EQ(ErrorPosition("x\xE0\x80\x80"), 3u);  // overlong three-byte form
  EXPECT_EQ(ErrorPosition("\xED\xA0\x80"), 2u);   // a surrogate
  EXPECT_EQ(ErrorPosition("\xF0\x8F\xBF\xBF"), 2u);
  EXPECT_EQ(ErrorPosition("\xF4\x90\x80\x80"), 2u);  // above U+10FFFF
  EXPECT_EQ(ErrorPosition("\xF8\x90\x80\x80"), 1u);  // no lead byte at all
  EXPECT_EQ(ErrorPosition("\xF5\x80\x80\x80"), 1u);
  EXPECT_EQ(ErrorPosition("\x80"), 1u);  // stray continuation byte
  EXPECT_EQ(ErrorPosition("\xE2\x28\xA1"), 2u);
  EXPECT_EQ(ErrorPosition("0123456789abcdefghij\xC3("), 22u);  // after the fast path
}

TEST(Utf8Coding, ExceptionTextHasThePositionAndTheBytes) {
  try {
    TTextFile::Utf8Decode("A\xE9");
    FAIL();
  } catch (const EUft8Exception& e) {
    EXPECT_EQ(e.Message(), L"Invalid UTF-8 character at position 2 in string:\r\nA\u00E9");
  }
}

TEST(Utf8Coding, AgreesWithTheSystemsStrictDecoder) {
  // Every one- and two-byte input, and three- and four-byte inputs around the
  // edges of the well-formed ranges.
  std::vector<std::string> inputs;
  for (int a = 0; a < 256; ++a) {
    inputs.push_back(std::string(1, static_cast<char>(a)));
    for (int b = 0; b < 256; ++b) inputs.push_back({static_cast<char>(a), static_cast<char>(b)});
  }
  const int edges[] = {0x00, 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF, 0xC0, 0xC1, 0xC2, 0xDF,
                       0xE0, 0xE1, 0xEC, 0xED, 0xEE, 0xEF, 0xF0, 0xF1, 0xF3, 0xF4, 0xF5, 0xFF};
  for (int a : edges)
    for (int b : edges)
      for (int c : edges) {
        inputs.push_back({static_cast<char>(a), static_cast<char>(b), static_cast<char>(c)});
        for (int d : {0x41, 0x80, 0xBF, 0xC0})
          inputs.push_back({static_cast<char>(a), static_cast<char>(b), static_cast<char>(c), static_cast<char>(d)});
      }
  for (const std::string& input : inputs) {
    const std::optional<std::wstring> expected = TestSupport::SystemStrictUtf8(input);
    std::wstring got;
    bool ok = true;
    try {
      got = TTextFile::Utf8Decode(input);
    } catch (const EUft8Exception&) {
      ok = false;
    }
    ASSERT_EQ(ok, expected.has_value()) << testing::PrintToString(input);
    if (ok) {
      ASSERT_EQ(got, *expected) << testing::PrintToString(input);
    }
  }
}

TEST(Utf8Coding, ToUnicodePosCountsAndStopsAtTheDestinationsEnd) {
  const std::string text = "ab\xF0\x9F\x98\x80" "cd";
  std::size_t i = 0;
  EXPECT_EQ(TTextFile::Utf8ToUnicodePos(nullptr, 0, text.data(), text.size(), i), 7);  // 6 units + terminator
  EXPECT_EQ(i, text.size());
  wchar_t dest[4] = {1, 1, 1, 1};
  // Room for three units: the pair after "ab" doesn't fit and stays unread.
  EXPECT_EQ(TTextFile::Utf8ToUnicodePos(dest, 4, text.data(), text.size(), i), 3);
  EXPECT_EQ(std::wstring(dest), L"ab");
  EXPECT_EQ(i, 2u);
  EXPECT_EQ(TTextFile::Utf8ToUnicodePos(dest, 4, "a\xFF", 2, i), -1);
  EXPECT_EQ(i, 2u);
}

TEST(Utf8Coding, EncodeAndTheBoundedForm) {
  EXPECT_EQ(TTextFile::Utf8Encode(L"a\u00E9\U0001F600"), "a\xC3\xA9\xF0\x9F\x98\x80");
  const std::wstring text = L"a\u20AC";  // 1 + 3 bytes
  EXPECT_EQ(TTextFile::UnicodeToUtf8(nullptr, 0, text.data(), text.size()), 5u);
  char dest[4] = {'x', 'x', 'x', 'x'};
  // Three bytes of room before the terminator: the euro sign is left out whole.
  EXPECT_EQ(TTextFile::UnicodeToUtf8(dest, 4, text.data(), text.size()), 2u);
  EXPECT_STREQ(dest, "a");
}

TEST(Utf8Coding, CharacterLengthByLeadByte) {
  EXPECT_EQ(TTextFile::GetUtf8CharacterLength(0x41), 1);
  EXPECT_EQ(TTextFile::GetUtf8CharacterLength(0x80), 0);
  EXPECT_EQ(TTextFile::GetUtf8CharacterLength(0xBF), 0);
  EXPECT_EQ(TTextFile::GetUtf8CharacterLength(0xC3), 2);
  EXPECT_EQ(TTextFile::GetUtf8CharacterLength(0xE2), 3);
  EXPECT_EQ(TTextFile::GetUtf8CharacterLength(0xFF), 4);
}

TEST(ContentAnalysis, IsUtf8NeedsAMultiByteCharacterAndWholeSequences) {
  bool asciiOnly = false;
  EXPECT_FALSE(TTextFile::IsUtf8(B("pure ascii"), asciiOnly));
  EXPECT_TRUE(asciiOnly);
  EXPECT_TRUE(TTextFile::IsUtf8(B("caf\xC3\xA9"), asciiOnly));
  EXPECT_FALSE(asciiOnly);
  EXPECT_FALSE(TTextFile::IsUtf8(B("caf\xC3"), asciiOnly));            // cut at the end of the data
  EXPECT_TRUE(TTextFile::IsUtf8Start(B("caf\xC3\xA9 \xE2\x82"), asciiOnly));  // ... but not at a buffer's end
  EXPECT_FALSE(TTextFile::IsUtf8Start(B("caf\xC3\xA9 \xE2\x28"), asciiOnly));
  EXPECT_FALSE(TTextFile::IsUtf8(B("\xC0\xAF\xC3\xA9"), asciiOnly));  // overlong
  EXPECT_FALSE(TTextFile::IsUtf8(B("\xED\xA0\x80"), asciiOnly));      // surrogate
}

TEST(ContentAnalysis, QuirksCallersRelyOn) {
  EXPECT_TRUE(TTextFile::IsAscii(0x14));
  EXPECT_FALSE(TTextFile::IsAscii(0x13));
  EXPECT_TRUE(TTextFile::IsAscii(9));
  EXPECT_TRUE(TTextFile::IsAscii(13));
  EXPECT_FALSE(TTextFile::IsAscii(0));

  // UTF-16 LE without markup: "hello world" has 11 odd zeros in 22 bytes.
  TBytes le;
  for (char c : std::string("hello world")) le.insert(le.end(), {static_cast<std::uint8_t>(c), 0});
  TTextFileFormat format = tfAnsi;
  EXPECT_TRUE(TTextFile::CheckUtf16(le, format));
  EXPECT_EQ(format, tfUtf16Le);
  TBytes be(le);
  be.insert(be.begin(), 0);
  be.pop_back();
  EXPECT_TRUE(TTextFile::CheckUtf16(be, format));
  EXPECT_EQ(format, tfUtf16Be);
  // Longer than 40000 bytes: the zeros within the first 10000 can't reach a
  // quarter of the whole length.
  TBytes longLe;
  while (longLe.size() <= 40000) longLe.insert(longLe.end(), {'a', 0});
  format = tfAnsi;
  EXPECT_FALSE(TTextFile::CheckUtf16(longLe, format));
  EXPECT_EQ(format, tfAnsi);
  // Too short: fewer than ten characters.
  EXPECT_FALSE(TTextFile::CheckUtf16(TBytes(le.begin(), le.begin() + 18), format));
}

TEST(ContentAnalysis, AnalyzeFormatTriesUtf32ThenUtf8ThenUtf16) {
  TBytes utf32le, utf32be;
  for (char c : std::string("0123456789")) {
    utf32le.insert(utf32le.end(), {static_cast<std::uint8_t>(c), 0, 0, 0});
    utf32be.insert(utf32be.end(), {0, 0, 0, static_cast<std::uint8_t>(c)});
  }
  TTextFileFormat format = tfAnsi;
  EXPECT_TRUE(TTextFile::AnalyzeFormat(utf32le, format));
  EXPECT_EQ(format, tfUtf32Le);
  EXPECT_TRUE(TTextFile::AnalyzeFormat(utf32be, format));
  EXPECT_EQ(format, tfUtf32Be);
  EXPECT_TRUE(TTextFile::AnalyzeFormat(B("na\xC3\xAFve"), format));
  EXPECT_EQ(format, tfUtf8);
  format = tfGb18030;
  EXPECT_FALSE(TTextFile::AnalyzeFormat(B("just ascii"), format));
  EXPECT_EQ(format, tfGb18030);  // untouched
  utf32le[6] = 0x11;  // a value above 10FFFF
  format = tfAnsi;
  EXPECT_FALSE(TTextFile::AnalyzeFormat(utf32le, format) && format == tfUtf32Le);
}

TEST(LineBreaks, DetectionByTheCharacterAfterTheBreak) {
  EXPECT_EQ(TTextFile::DetectNewLine(L"a\n"), nlCrLf);  // a break at the very end decides nothing
  EXPECT_EQ(TTextFile::DetectNewLine(L"a\r\nb"), nlCrLf);
  EXPECT_EQ(TTextFile::DetectNewLine(L"a\n\rb"), nlLfCr);
  EXPECT_EQ(TTextFile::DetectNewLine(L"a\r\rb"), nlCr);
  EXPECT_EQ(TTextFile::DetectNewLine(L"a\nb"), nlLf);
  EXPECT_EQ(TTextFile::DetectNewLine(L"a\nb\r\nc"), nlCrLf);  // the last decision wins
  EXPECT_EQ(TTextFile::NewLineToString(nlLfCr), L"\n\r");
  EXPECT_EQ(TTextFile::NewLineToString(nlCr), L"\r");
  try {
    TTextFile::NewLineToString(static_cast<TNewLine>(4));
    FAIL();
  } catch (const Rtl::Exception& e) {
    EXPECT_EQ(e.Message(), L"Error Message");
  }
}

TEST(Escapes, OnlyAbove127UnlessListed) {
  EXPECT_EQ(TTextFile::WideToUnicodeEscape(L"\u00E9\t", L""), L"\\u00E9\t");
  EXPECT_EQ(TTextFile::WideToUnicodeEscape(L"\u00E9\t", L"\t"), L"\\u00E9\\t");
  EXPECT_EQ(TTextFile::WideToUnicodeEscape(L"\\\"'\n\r\b\f\uFFFF", L"\\\"'\n\r\b\f"),
            L"\\\\\\\"\\'\\n\\r\\b\\f\\uFFFF");
  EXPECT_EQ(TTextFile::WideToUnicodeEscape(L"a\\b", L"a"), L"a\\b");  // only the special ones
}

TEST(Formats, NamesBomsAndCategories) {
  const std::pair<TTextFileFormat, const wchar_t*> names[] = {
      {tfAnsi, L"ANSI"},
      {tfUtf8, L"UTF-8"},
      {tfUtf16Le, L"UTF-16, little-endian"},
      {tfUtf16Be, L"UTF-16, big-endian"},
      {tfUtf32Le, L"UTF-32, little-endian"},
      {tfUtf32Be, L"UTF-32, big-endian"},
      {tfGb18030, L"GB18030"}};
  const int boms[] = {0, 3, 2, 2, 4, 4, 4};
  for (const auto& [format, name] : names) {
    EXPECT_EQ(TTextFile::GetFormatName(format), name);
    EXPECT_EQ(TTextFile::GetBomLength(format), boms[format]);
    EXPECT_EQ(TTextFile::EcodingCategoryToFormat(TTextFile::FormatToEcodingCategory(format)), format);
  }
  EXPECT_EQ(TTextFile::FormatToEcodingCategory(tfAnsi), ecAnsi);
  EXPECT_EQ(TTextFile::FormatToEcodingCategory(tfGb18030), ecGb18030);
  for (TEncodingCategory category : {ecIso, ecMac, ecDos, ecEbcdic, ecOther}) {
    try {
      TTextFile::EcodingCategoryToFormat(category);
      FAIL();
    } catch (const Rtl::Exception& e) {
      EXPECT_EQ(e.Message(), L"Not implemented");
    }
  }
  EXPECT_THROW(TTextFile::GetFormatName(static_cast<TTextFileFormat>(7)), Rtl::Exception);
  EXPECT_THROW(TTextFile::GetBomLength(static_cast<TTextFileFormat>(7)), Rtl::Exception);
}

TEST(Formats, EncodingNamesGiveFormats) {
  EXPECT_EQ(TTextFile::EncodingToTextFormat(L"UTF-8", tfAnsi), tfUtf8);
  EXPECT_EQ(TTextFile::EncodingToTextFormat(L"Unicode", tfAnsi), tfUtf16Le);
  EXPECT_EQ(TTextFile::EncodingToTextFormat(L"unicodefffe", tfAnsi), tfUtf16Be);
  EXPECT_EQ(TTextFile::EncodingToTextFormat(L"utf-32le", tfAnsi), tfUtf32Le);
  EXPECT_EQ(TTextFile::EncodingToTextFormat(L"UTF-32BE", tfAnsi), tfUtf32Be);
  EXPECT_EQ(TTextFile::EncodingToTextFormat(L"gb18030", tfAnsi), tfGb18030);
  // The byte order of "utf-16" comes from the current format.
  EXPECT_EQ(TTextFile::EncodingToTextFormat(L"utf-16", tfUtf16Be), tfUtf16Be);
  EXPECT_EQ(TTextFile::EncodingToTextFormat(L"UCS-2", tfUtf8), tfUtf16Le);
  EXPECT_EQ(TTextFile::EncodingToTextFormat(L"iso-10646-ucs-2", tfUtf16Le), tfUtf16Le);
  EXPECT_EQ(TTextFile::EncodingToTextFormat(L"windows-1252", tfUtf8), tfAnsi);
  EXPECT_EQ(TTextFile::EncodingToTextFormat(L"", tfUtf8), tfAnsi);
}

TEST(InvalidFile, MessageLinesAndFields) {
  try {
    TTextFile::InvalidFile(L"C:\\data\\list.xml", L"<a b=>", L"Bad attribute", L"", 3, 5);
    FAIL();
  } catch (const EInvalidFileException& e) {
    EXPECT_EQ(e.Message(), L"Invalid file: list.xml\r\nBad attribute\r\nAt position 5, on line 3\r\n\"<a b=>\"");
    EXPECT_EQ(e.GetLine(), L"<a b=>");
    EXPECT_EQ(e.GetLineNumber(), 3);
    EXPECT_EQ(e.GetPosition(), 5);
  }
  try {
    TTextFile::InvalidFile(L"", L"x", L"Bad", L"More", 0, 1);
    FAIL();
  } catch (const EInvalidFileException& e) {
    EXPECT_EQ(e.Message(), L"Bad\r\nMore\r\nAt position 1\r\n\"x\"");
  }
}
