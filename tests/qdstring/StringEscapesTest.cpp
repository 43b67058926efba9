// The string toolbox's escape schemes and new-line handling.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "QdString.h"
#include "TestSupport.h"
#include "runtime/Core/Exceptions.h"
#include "runtime/Text/Utf8.h"

using namespace Qd;
using U = TUnicodeString;
using TestSupport::MessageOf;
using TestSupport::Narrow;

namespace {

// Every control character, TAB/LF/CR, "#", "\", quotes, brackets, Latin-1,
// a surrogate pair and lone surrogates, in random order and length.
std::wstring RandomText(std::mt19937& random, size_t length) {
  static const std::wstring pool = [] {
    std::wstring p;
    for (wchar_t c = 0; c < 0x80; ++c) p.push_back(c);
    p += L"\u00A0\u00E9\u00FF\u0100\u20AC\u3000\uFFFD\uFFFF";
    return p;
  }();
  std::uniform_int_distribution<size_t> pick(0, pool.size() + 3);
  std::wstring text;
  while (text.size() < length) {
    const size_t k = pick(random);
    if (k < pool.size())
      text.push_back(pool[k]);
    else if (k == pool.size())
      text += L"\U0001F600";  // a valid pair
    else if (k == pool.size() + 1)
      text.push_back(static_cast<wchar_t>(0xD800));  // lone high surrogate
    else
      text.push_back(static_cast<wchar_t>(0xDC00));  // lone low surrogate
  }
  return text;
}

}  // namespace

TEST(ControlEscape, EncodeWritesControlCharactersAndHashes) {
  EXPECT_EQ(U::Encode(L"plain text\twith\r\nbreaks \u00E9"), L"plain text\twith\r\nbreaks \u00E9");
  EXPECT_EQ(U::Encode(L"#"), L"##");
  EXPECT_EQ(U::Encode(std::wstring(L"\u0001a\u001F\u000B\u000C", 5)), L"#01a#1F#0B#0C");
  EXPECT_EQ(U::Encode(std::wstring(1, L'\0')), L"#00");
  EXPECT_EQ(U::Encode(L"a\u007F\u0080"), L"a\u007F\u0080");  // DEL and C1 are no control characters here
}

TEST(ControlEscape, DecodeEdgeCasesAndRoundTrip) {
  EXPECT_EQ(U::Decode(L"no escapes"), L"no escapes");
  EXPECT_EQ(U::Decode(L"a#4"), L"a\u0004");
  EXPECT_EQ(U::Decode(L"#zzb"), L"?b");
  EXPECT_EQ(U::Decode(L"#4zb"), L"?b");
  EXPECT_EQ(U::Decode(L"ab#"), L"ab");
  EXPECT_EQ(U::Decode(L"##41#41#7e"), L"#41A~");
  EXPECT_EQ(U::Decode(L"#\u0660\u0661"), L"?");  // Arabic-Indic digits are not hexadecimal
  std::mt19937 random(1);
  for (size_t n = 0; n < 200; ++n) {
    const std::wstring text = RandomText(random, n);
    ASSERT_EQ(U::Decode(U::Encode(text)), text) << n;
  }
}

TEST(UrlEscape, EncodeUtf8BytesInEitherCase) {
  EXPECT_EQ(U::UrlEncode(L"a b/\u00E9", false), L"a%20b%2F%C3%A9");
  EXPECT_EQ(U::UrlEncode(L"a b/\u00E9", true), L"a%20b%2f%c3%a9");
  EXPECT_EQ(U::UrlEncode(L"AZaz09!'()*-._~", false), L"AZaz09!'()*-._~");
  EXPECT_EQ(U::UrlEncode(std::wstring(L"\0+%&=", 5), false), L"%00%2B%25%26%3D");
  EXPECT_EQ(U::UrlEncode(L"\U0001F600", false), L"%F0%9F%98%80");
}

TEST(UrlEscape, DecodeBothCasesAndRawBytes) {
  EXPECT_EQ(U::UrlDecode(L"a%20b%2F%C3%A9"), L"a b/\u00E9");
  EXPECT_EQ(U::UrlDecode(L"a%20b%2f%c3%a9"), L"a b/\u00E9");
  EXPECT_EQ(U::UrlDecode(L"a+b"), L"a+b");
  EXPECT_EQ(U::UrlDecode(L"%F0%9F%98%80"), L"\U0001F600");
  // Unescaped non-ASCII text survives.
  EXPECT_EQ(U::UrlDecode(L"caf\u00E9 \u20AC%20\U0001F600"), L"caf\u00E9 \u20AC \U0001F600");
  EXPECT_EQ(U::UrlDecode(Rtl::RawByteString("caf%C3%A9")), L"caf\u00E9");
  EXPECT_EQ(U::UrlDecode(Rtl::RawByteString("caf\xC3\xA9+%80")), L"caf\u00E9+\uFFFD");
  std::mt19937 random(2);
  for (size_t n = 0; n < 200; ++n) {
    std::wstring text = RandomText(random, n);
    for (auto& c : text)
      if (U::IsSurrogate(c)) c = L'x';  // lone surrogates have no UTF-8 form
    ASSERT_EQ(U::UrlDecode(U::UrlEncode(text, n % 2 == 0)), text) << n;
  }
}

TEST(UrlEscape, BadEscapesRaiseTheConversionError) {
  EXPECT_EQ(MessageOf<Rtl::Exception>([] { U::UrlDecode(L"a%zz"); }), L"'%zz' is not a valid integer value");
  EXPECT_EQ(MessageOf<Rtl::Exception>([] { U::UrlDecode(L"a%4"); }), L"'%4' is not a valid integer value");
  EXPECT_EQ(MessageOf<Rtl::Exception>([] { U::UrlDecode(L"%"); }), L"'%' is not a valid integer value");
  EXPECT_EQ(MessageOf<Rtl::Exception>([] { U::UrlDecode(Rtl::RawByteString("%G0")); }), L"'%G0' is not a valid integer value");
  EXPECT_THROW(U::UrlDecode(L"%\u0661\u0662"), Rtl::EConvertError);
}

TEST(CppEscape, EncodeDecodeAndQuotes) {
  const std::wstring controls(L"\0\a\b\t\n\v\f\r\\", 9);
  EXPECT_EQ(U::CppEncode(controls, {}), L"\\0\\a\\b\\t\\n\\v\\f\\r\\\\");
  EXPECT_EQ(U::CppEncode(L"'\"\u0001", {}), L"'\"\u0001");
  EXPECT_EQ(U::CppEncode(L"'\"", {sqDouble}), L"'\\\"");
  EXPECT_EQ(U::CppEncode(L"'\"", {sqSingle}), L"\\'\"");
  EXPECT_EQ(U::CppEncode(L"'\"", {sqSingle, sqDouble}), L"\\'\\\"");

  EXPECT_EQ(U::CppDecode(L"\\0\\a\\b\\t\\n\\v\\f\\r\\\\"), controls);
  EXPECT_EQ(U::CppDecode(L"\\\"\\'\\$\\?"), L"\"'$?");
  EXPECT_EQ(U::CppDecode(L"\\x41\\u"), L"\\x41\\u");  // unknown escapes keep both characters
  EXPECT_EQ(U::CppDecode(L"end\\"), L"end\\");
  EXPECT_TRUE(U::HasCppEncodedSingleQuote(L"it\\'s"));
  EXPECT_FALSE(U::HasCppEncodedSingleQuote(L"it's \\\""));
  EXPECT_TRUE(U::HasCppEncodedDoubleQuote(L"say \\\"hi"));
  EXPECT_FALSE(U::HasCppEncodedDoubleQuote(L"say \"hi\\'"));

  std::mt19937 random(3);
  for (size_t n = 0; n < 200; ++n) {
    const std::wstring text = RandomText(random, n);
    ASSERT_EQ(U::CppDecode(U::CppEncode(text, {sqSingle, sqDouble})), text) << n;
    ASSERT_EQ(U::CppDecode(U::CppEncode(text, {})), text) << n;
  }
}

TEST(RegExEscape, OnlyLineBreaksAndTabs) {
  EXPECT_EQ(U::RegExEncode(L"a\r\nb\tc.*\\"), L"a\\r\\nb\\tc.*\\");
}

TEST(DisplayCodes, EncodeInEachBracketPair) {
  const std::wstring text(L"a\tb\0c\r\nd<(", 10);
  EXPECT_EQ(U::DisplayEncode(text, deLessThan), L"a<tab>b<null>c<cr><lf>d<(");
  EXPECT_EQ(U::DisplayEncode(text, deParentheses), L"a(tab)b(null)c(cr)(lf)d<(");
  EXPECT_EQ(U::DisplayEncode(text, deBrackets), L"a[tab]b[null]c[cr][lf]d<(");
  EXPECT_EQ(U::DisplayEncode(L"\t", deBraces), L"{tab}");
  EXPECT_EQ(MessageOf<Rtl::Exception>([] { U::DisplayEncode(L"x", static_cast<TDisplayEncode>(4)); }), L"Error Message");
}

TEST(DisplayCodes, DecodeNamesBracketsAndErrors) {
  EXPECT_EQ(U::DisplayDecode(L"a<tab>b<NULL>c<Cr><lf>", deLessThan), std::wstring(L"a\tb\0c\r\n", 7));
  EXPECT_EQ(U::DisplayDecode(L"<<tab>", deLessThan), L"<tab>");
  EXPECT_EQ(U::DisplayDecode(L"x<", deLessThan), L"x<");
  EXPECT_EQ(U::DisplayDecode(L"{tab}(tab)", deBraces), L"\t(tab)");
  EXPECT_EQ(MessageOf<Rtl::Exception>([] { U::DisplayDecode(L"a<tab", deLessThan); }), L"Invalid string: a<tab");
  EXPECT_EQ(MessageOf<Rtl::Exception>([] { U::DisplayDecode(L"a(bell)", deParentheses); }), L"Unknown code: <bell>");
  EXPECT_EQ(MessageOf<Rtl::Exception>([] { U::DisplayDecode(L"a<>", deLessThan); }), L"Unknown code: <>");
  std::mt19937 random(4);
  for (size_t n = 0; n < 200; ++n) {
    std::wstring text = RandomText(random, n);
    for (auto& c : text)
      if (c == L'[') c = L']';  // an opening bracket of the text isn't doubled
    ASSERT_EQ(U::DisplayDecode(U::DisplayEncode(text, deBrackets), deBrackets), text) << n;
  }
}

TEST(HtmlEscape, HtmlAndAmpersands) {
  EXPECT_EQ(U::HtmlEncode(L"<a href=\"x\">Tom & Jerry's</a>"),
            L"&lt;a href=&quot;x&quot;&gt;Tom &amp; Jerry's&lt;/a&gt;");
  EXPECT_EQ(U::HtmlDecode(L"&lt;&gt;&quot;&amp;amp; &AMP; &apos; & &#65; &"), L"<>\"&amp; &AMP; &apos; & &#65; &");
  EXPECT_EQ(U::AmpEncode(L"a&b<c>"), L"a&amp;b<c>");
  EXPECT_EQ(U::AmpDecode(L"a&amp;b&lt;&amp"), L"a&b&lt;&amp");
  std::mt19937 random(5);
  for (size_t n = 0; n < 200; ++n) {
    const std::wstring text = RandomText(random, n);
    ASSERT_EQ(U::HtmlDecode(U::HtmlEncode(text)), text) << n;
    ASSERT_EQ(U::AmpDecode(U::AmpEncode(text)), text) << n;
  }
}

TEST(MailText, EncodeMail) {
  EXPECT_EQ(TString::EncodeMail(L"a\tb\r\nc 50% & why?"), L"a#9b#13#10c 50%25 %26 why%3F");
}

TEST(NewLines, DetectAndName) {
  EXPECT_EQ(U::GetNewLine(L"a\r\nb\n", nlLf), nlCrLf);
  EXPECT_EQ(U::GetNewLine(L"a\rb", nlLf), nlCr);
  EXPECT_EQ(U::GetNewLine(L"a\n\rb\r\n", nlCrLf), nlLfCr);
  EXPECT_EQ(U::GetNewLine(L"a\n", nlCrLf), nlLf);
  EXPECT_EQ(U::GetNewLine(L"a\r", nlLf), nlCr);
  EXPECT_EQ(U::GetNewLine(L"none", nlLfCr), nlLfCr);
  EXPECT_EQ(U::NewLineToString(nlCrLf), L"\r\n");
  EXPECT_EQ(U::NewLineToString(nlLfCr), L"\n\r");
  EXPECT_EQ(U::NewLineToString(nlCr), L"\r");
  EXPECT_EQ(U::NewLineToString(nlLf), L"\n");
  EXPECT_EQ(MessageOf<Rtl::Exception>([] { U::NewLineToString(static_cast<TNewLine>(4)); }), L"Error Message");
}

TEST(NewLines, SetChangeReplaceRemove) {
  const std::wstring mixed = L"a\r\nb\n\rc\rd\ne\r\n\r\n";
  EXPECT_EQ(U::SetNewLines(mixed, nlLf), L"a\nb\nc\nd\ne\n\n");
  EXPECT_EQ(U::SetNewLines(mixed, nlCrLf), L"a\r\nb\r\nc\r\nd\r\ne\r\n\r\n");
  EXPECT_EQ(U::SetNewLines(L"\n\r\n", nlCr), L"\r\r");  // LF CR, then a lone LF

  EXPECT_EQ(U::ChangeNewLines(L"a\r\nb\nc\rd\r", nlCrLf, nlLf), L"a\nb\nc\rd\n");
  EXPECT_EQ(U::ChangeNewLines(L"a\n\rb\nc\n", nlLfCr, nlCrLf), L"a\r\nb\nc\r\n");
  EXPECT_EQ(U::ChangeNewLines(L"a\r\nb\r", nlCr, nlLf), L"a\n\nb\n");
  EXPECT_EQ(U::ChangeNewLines(L"a\r\nb\n", nlLf, nlCrLf), L"a\r\r\nb\r\n");
  EXPECT_EQ(MessageOf<Rtl::Exception>([] { U::ChangeNewLines(L"a", static_cast<TNewLine>(9), nlLf); }), L"Error Message");

  EXPECT_EQ(U::ReplaceNewLines(L"a\r\nb\n", L' '), L"a  b ");
  EXPECT_EQ(U::RemoveNewLines(L"a\r\nb\n\rc"), L"abc");
}

TEST(Hashing, Fnv1aOfUtf16LeBytes) {
  EXPECT_EQ(U::GetFNV1aHash(L""), 2166136261u);
  // The code unit "a" is the two bytes 61 00 (one byte 61 would give E40C292C).
  EXPECT_EQ(U::GetFNV1aHash(L"a"), 0x2B24D044u);
  EXPECT_EQ(U::GetFNV1aHash(L"foobar"), 0xA29F12FAu);
  EXPECT_EQ(U::GetFNV1aHash(L"\u00E9\U0001F600"), 0x932180D7u);
  EXPECT_NE(U::GetFNV1aHash(L"ab"), U::GetFNV1aHash(L"ba"));
}

TEST(Scrambler, KnownTextAndRoundTrips) {
  EXPECT_TRUE(U::Encrypt(L"").empty());
  EXPECT_EQ(U::Decrypt(Rtl::TBytes()), L"");
  const std::string hello = "027D48F4FE";
  EXPECT_EQ(U::Encrypt(L"Hello"), Rtl::TBytes(hello.begin(), hello.end()));
  EXPECT_EQ(U::EncryptToString(L"Hello"), L"MDI3RDQ4RjRGRQ==");
  EXPECT_EQ(U::Decrypt(std::wstring(L"MDI3RDQ4RjRGRQ==")), L"Hello");
  // An odd last character is ignored; lower-case digits are read too.
  const std::string oddLower = "027d48f4fe0";
  EXPECT_EQ(U::Decrypt(Rtl::TBytes(oddLower.begin(), oddLower.end())), L"Hello");
  const std::string bad = "02ZZ";
  EXPECT_EQ(MessageOf<Rtl::Exception>([&] { U::Decrypt(Rtl::TBytes(bad.begin(), bad.end())); }),
            L"'ZZ' is not a valid integer value");

  std::mt19937 random(6);
  for (size_t n = 0; n < 200; ++n) {
    std::wstring text = RandomText(random, n);
    for (auto& c : text)
      if (U::IsSurrogate(c)) c = L'\u00E9';
    text += L"\U0001F600";
    const Rtl::TBytes scrambled = U::Encrypt(text);
    ASSERT_EQ(scrambled.size(), 2 * Rtl::Utf8Encode(text).size());
    for (std::uint8_t b : scrambled) ASSERT_TRUE((b >= '0' && b <= '9') || (b >= 'A' && b <= 'F'));
    ASSERT_EQ(U::Decrypt(scrambled), text) << n;
    ASSERT_EQ(U::Decrypt(U::EncryptToString(text)), text) << n;
  }
}
