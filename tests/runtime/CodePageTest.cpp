// Code-page conversion through the platform: UTF-8, a single-byte code page
// (1252) and a double-byte one (932), what happens to invalid input under
// each choice, and the limits of the platform's int sizes.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <iterator>
#include <string>

#include "runtime/Core/Cpu.h"
#include "runtime/Core/Exceptions.h"
#include "runtime/Text/CodePage.h"
#include "runtime/Text/Utf8.h"

using namespace Rtl;

namespace {

// The message of the EConvertError raised by `convert`, "" for none.
template <class F>
std::wstring Raised(F convert) {
  try {
    convert();
  } catch (const EConvertError& e) {
    return e.Message();
  }
  return L"";
}

std::string Bytes(std::initializer_list<unsigned char> bytes) { return std::string(bytes.begin(), bytes.end()); }

const std::wstring SAMPLE_C = L"A\u00E9\u20AC\U0001F600";
const std::string SAMPLE_UTF8_C = Bytes({0x41, 0xC3, 0xA9, 0xE2, 0x82, 0xAC, 0xF0, 0x9F, 0x98, 0x80});

}  // namespace

TEST(CodePage, Utf8RoundTripsAndTheForwardsAgree) {
  EXPECT_EQ(WideToCodePage(SAMPLE_C, CODE_PAGE_UTF8_C), SAMPLE_UTF8_C);
  EXPECT_EQ(CodePageToWide(SAMPLE_UTF8_C, CODE_PAGE_UTF8_C), SAMPLE_C);
  EXPECT_EQ(WideToCodePage(SAMPLE_C, CODE_PAGE_UTF8_C, icRaise), SAMPLE_UTF8_C);
  EXPECT_EQ(CodePageToWide(SAMPLE_UTF8_C, CODE_PAGE_UTF8_C, icRaise), SAMPLE_C);
  EXPECT_EQ(Utf8Encode(SAMPLE_C), SAMPLE_UTF8_C);
  EXPECT_EQ(Utf8Decode(SAMPLE_UTF8_C), SAMPLE_C);
  // NULs are text like any other character, in both directions.
  EXPECT_EQ(WideToCodePage(std::wstring(L"a\0\u00E9\0", 4), CODE_PAGE_UTF8_C), Bytes({'a', 0, 0xC3, 0xA9, 0}));
  EXPECT_EQ(CodePageToWide(Bytes({0, 'b', 0}), CODE_PAGE_UTF8_C), std::wstring(L"\0b\0", 3));
}

TEST(CodePage, EmptyInputNeedsNoPlatform) {
  for (unsigned codePage : {CODE_PAGE_UTF8_C, 932u, 12345u}) {  // 12345 is no code page at all
    EXPECT_EQ(CodePageToWide("", codePage, icRaise), L"");
    EXPECT_EQ(WideToCodePage(L"", codePage, icRaise), "");
  }
}

TEST(CodePage, InvalidUtf8IsReplacedOrRaised) {
  const std::wstring invalid = L"Invalid text for code page 65001";
  // Each invalid sequence: a stray continuation byte, a byte never used, an
  // overlong form, an encoded surrogate, a sequence cut short at the end.
  for (const std::string& bytes :
       {Bytes({'a', 0x80, 'b'}), Bytes({'a', 0xFF, 'b'}), Bytes({0xC0, 0xAF}), Bytes({0xED, 0xA0, 0x80}),
        Bytes({'a', 0xE2, 0x82})}) {
    const std::wstring text = CodePageToWide(bytes, CODE_PAGE_UTF8_C);
    EXPECT_NE(text.find(L'\uFFFD'), std::wstring::npos) << bytes.size();
    EXPECT_EQ(Utf8Decode(bytes), text);
    EXPECT_EQ(Raised([&] { CodePageToWide(bytes, CODE_PAGE_UTF8_C, icRaise); }), invalid) << bytes.size();
  }
  EXPECT_EQ(CodePageToWide(Bytes({'a', 0xFF, 'b'}), CODE_PAGE_UTF8_C), L"a\uFFFDb");
  // U+FFFD written as such is valid text.
  EXPECT_EQ(CodePageToWide(Bytes({0xEF, 0xBF, 0xBD}), CODE_PAGE_UTF8_C, icRaise), L"\uFFFD");

  // A lone surrogate has no UTF-8 form: U+FFFD, or the error.
  const std::wstring lone = L"a\xD800z";
  EXPECT_EQ(WideToCodePage(lone, CODE_PAGE_UTF8_C), Bytes({'a', 0xEF, 0xBF, 0xBD, 'z'}));
  EXPECT_EQ(Raised([&] { WideToCodePage(lone, CODE_PAGE_UTF8_C, icRaise); }),
            L"Text not representable in code page 65001");
  EXPECT_EQ(Raised([&] { WideToCodePage(L"\xDE00", CODE_PAGE_UTF8_C, icRaise); }),
            L"Text not representable in code page 65001");
}

TEST(CodePage, SingleByteCodePage1252) {
  EXPECT_EQ(CodePageToWide(Bytes({0x80, 0xE9, 'A'}), 1252, icRaise), L"\u20AC\u00E9A");
  EXPECT_EQ(WideToCodePage(L"\u20AC\u00E9A", 1252, icRaise), Bytes({0x80, 0xE9, 'A'}));
  // U+0100 isn't in 1252: the platform writes a best fit or its default
  // character; exactness refuses both.
  const std::string replaced = WideToCodePage(L"x\u0100y", 1252);
  EXPECT_EQ(replaced.size(), 3u);
  EXPECT_NE(replaced[1], '\0');
  EXPECT_EQ(Raised([] { WideToCodePage(L"x\u0100y", 1252, icRaise); }), L"Text not representable in code page 1252");
  EXPECT_EQ(Raised([] { WideToCodePage(L"\u4E00", 1252, icRaise); }), L"Text not representable in code page 1252");
}

TEST(CodePage, DoubleByteCodePage932) {
  // Trail bytes may be ASCII: 0x7B '{' in U+672C, 0x5C '\' in U+30BD.
  const std::wstring text = L"\u65E5\u672C\u8A9E\u30BD\uFF76\uFF85\\a";
  const std::string bytes = Bytes({0x93, 0xFA, 0x96, 0x7B, 0x8C, 0xEA, 0x83, 0x5C, 0xB6, 0xC5, 0x5C, 'a'});
  EXPECT_EQ(WideToCodePage(text, 932, icRaise), bytes);
  EXPECT_EQ(CodePageToWide(bytes, 932, icRaise), text);
  EXPECT_EQ(CodePageToWide(bytes, 932), text);

  // A lead byte with no trail byte: replaced, or the error.
  const std::string cut = Bytes({'a', 0x93});
  const std::wstring read = CodePageToWide(cut, 932);
  ASSERT_FALSE(read.empty());
  EXPECT_EQ(read[0], L'a');
  EXPECT_EQ(Raised([&] { CodePageToWide(cut, 932, icRaise); }), L"Invalid text for code page 932");
  // A character that 932 lacks.
  EXPECT_FALSE(WideToCodePage(L"\u0100", 932).empty());
  EXPECT_EQ(Raised([] { WideToCodePage(L"a\u0100", 932, icRaise); }), L"Text not representable in code page 932");
}

TEST(CodePage, TheSystemAnsiCodePage) {
  EXPECT_EQ(WideToCodePage(L"Plain ASCII 123", CODE_PAGE_ANSI_C, icRaise), "Plain ASCII 123");
  EXPECT_EQ(CodePageToWide("Plain ASCII 123", CODE_PAGE_ANSI_C, icRaise), L"Plain ASCII 123");
}

TEST(CodePage, UnknownCodePagesAndOversizedInputRaise) {
  // A code page that the platform doesn't know, whatever the choice.
  for (TInvalidChars invalid : {icReplace, icRaise}) {
    EXPECT_EQ(Raised([&] { CodePageToWide("abc", 12345, invalid); }).rfind(L"Conversion in code page 12345 failed (error ", 0),
              0u);
    EXPECT_EQ(Raised([&] { WideToCodePage(L"abc", 12345, invalid); }).rfind(L"Conversion in code page 12345 failed (error ", 0),
              0u);
  }
  // More than the platform's int counts: refused before anything is read,
  // so the views need no memory behind them.
  const char* bytes = "x";
  const wchar_t* text = L"x";
  const std::size_t tooLong = static_cast<std::size_t>(INT_MAX) + 1;
  EXPECT_EQ(Raised([&] { CodePageToWide(std::string_view(bytes, tooLong), CODE_PAGE_UTF8_C); }),
            L"Text too long to convert");
  EXPECT_EQ(Raised([&] { WideToCodePage(std::wstring_view(text, tooLong), CODE_PAGE_UTF8_C); }),
            L"Text too long to convert");
}

// The encoder of large output blocks gives the platform's bytes for every
// kind of unit, appends to what is there, and leaves text with a lone
// surrogate (high or low, at the end or before another unit) to the
// platform.
TEST(CodePage, AppendUtf8MatchesThePlatform) {
  const std::wstring text = std::wstring(L"a\x7F\x80\x7FF\x800\xD7FF\xE000\xFFFF") + L"\U00010000\U0010FFFF\U0001F4C1z";
  std::string out = "head";
  ASSERT_TRUE(Rtl::AppendUtf8(out, text));
  EXPECT_EQ(out, "head" + Rtl::WideToCodePage(text, Rtl::CODE_PAGE_UTF8_C));
  for (const std::wstring& lone : {std::wstring(L"x\xD800"), std::wstring(L"x\xDC00y"), std::wstring(L"\xD800z"),
                                  std::wstring(L"\xDBFF\xDBFF\xDC00")}) {
    std::string kept = "head";
    EXPECT_FALSE(Rtl::AppendUtf8(kept, lone));
    EXPECT_EQ(kept, "head");
  }
  // ASCII goes sixteen and eight units at a time: a unit of each kind
  // (also those whose low byte alone looks like ASCII, or like a byte the
  // packing saturates) at every place in and around both kinds of block,
  // and the lone surrogate found after a run.
  for (const std::wstring& unit : {std::wstring(L"\x7F"), std::wstring(L"\xE9"), std::wstring(L"\x100"),
                                   std::wstring(L"\x17F"), std::wstring(L"\x20AC"), std::wstring(L"\U0001F4C1")}) {
    for (const std::size_t length : {std::size_t{20}, std::size_t{40}}) {
      for (std::size_t at = 0; at <= length; ++at) {
        std::wstring mixed(length, L'a');
        mixed.insert(at, unit);
        std::string encoded(3 * mixed.size(), '\0');
        const std::size_t n = Rtl::EncodeUtf8(encoded.data(), mixed);
        ASSERT_NE(n, Rtl::UTF8_LONE_SURROGATE_C);
        EXPECT_EQ(encoded.substr(0, n), Rtl::WideToCodePage(mixed, Rtl::CODE_PAGE_UTF8_C)) << at;
      }
    }
  }
  for (const std::size_t run : {std::size_t{17}, std::size_t{33}}) {
    std::wstring loneAfterRun(run, L'z');
    loneAfterRun += L'\xDC00';
    std::string room(3 * loneAfterRun.size(), '\0');
    EXPECT_EQ(Rtl::EncodeUtf8(room.data(), loneAfterRun), Rtl::UTF8_LONE_SURROGATE_C) << run;
  }
}

// Text of words in every length of sequence, ASCII runs of every length
// between them, encoded with the processor's blocks and without (the 32-bit
// build on a processor without SSE2), each as the platform encodes it.
TEST(CodePage, MixedTextEncodesAsThePlatformWithAndWithoutBlocks) {
  std::uint32_t state = 20261210;
  const auto next = [&](std::uint32_t below) {
    state = state * 1664525u + 1013904223u;
    return (state >> 8) % below;
  };
  const wchar_t* const pieces[] = {L"\xE9", L"\x416\x438", L"\x65E5\x672C", L"\x20AC", L"\U0001F4C1", L"\x7F", L"\x100"};
  for (int round = 0; round < 300; ++round) {
    std::wstring text;
    while (text.size() < 10 + next(300)) {
      text.append(next(40), static_cast<wchar_t>(L'a' + next(26)));
      for (std::uint32_t k = next(4); k > 0; --k) text += pieces[next(static_cast<std::uint32_t>(std::size(pieces)))];
    }
    const std::string expected = Rtl::WideToCodePage(text, Rtl::CODE_PAGE_UTF8_C);
    for (const bool blocks : {true, false}) {
      Rtl::Cpu::SetSse2ForTesting(blocks);
      std::string room(3 * text.size(), '\0');
      const std::size_t n = Rtl::EncodeUtf8(room.data(), text);
      Rtl::Cpu::SetSse2ForTesting(true);
      ASSERT_NE(n, Rtl::UTF8_LONE_SURROGATE_C) << round;
      EXPECT_EQ(room.substr(0, n), expected) << round << (blocks ? " with blocks" : " without");
    }
  }
}
