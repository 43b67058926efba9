// Base64, Base32, Base16 and URL text: encoding, decoding with the layout
// report, recognition, and decoding of hostile input.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "QdClasses.h"
#include "TestSupport.h"
#include "runtime/Core/Exceptions.h"
#include "runtime/IO/Files.h"
#include "runtime/Text/Ascii.h"

using namespace Qd;
using Rtl::TBytes;
using TestSupport::Narrow;

namespace {

TBytes Bytes(const std::string& text) { return TBytes(text.begin(), text.end()); }

TBytes RandomBytes(std::mt19937& random, size_t count) {
  std::uniform_int_distribution<int> byte(0, 255);
  TBytes result(count);
  for (auto& b : result) b = static_cast<std::uint8_t>(byte(random));
  return result;
}

// The decoder of each encoding, with and without the layout outputs.
TBytes DecodeWith(TBinaryEncoding encoding, const std::wstring& text, std::wstring& before, std::wstring& after,
                  std::wstring& newLine, int& lineLength) {
  switch (encoding) {
    case beBase64: return TBase64::Decode(text, before, after, newLine, lineLength);
    case beBase32: return TBase32::Decode(text, before, after, newLine, lineLength);
    case beBase16: return TBase16::Decode(text, before, after, newLine, lineLength);
    case beUrl: return TUrlString::Decode(text, before, after, newLine, lineLength);
  }
  return {};
}

TBytes DecodeWith(TBinaryEncoding encoding, const std::wstring& text) {
  switch (encoding) {
    case beBase64: return TBase64::Decode(text);
    case beBase32: return TBase32::Decode(text);
    case beBase16: return TBase16::Decode(text);
    case beUrl: return TUrlString::Decode(text);
  }
  return {};
}

const TBinaryEncoding ALL_ENCODINGS_C[] = {beBase64, beBase32, beBase16, beUrl};

// `text` cut into lines of `lineLength` characters joined by `newLine`.
std::wstring Wrap(const std::wstring& text, size_t lineLength, const std::wstring& newLine) {
  std::wstring result;
  for (size_t i = 0; i < text.size(); i += lineLength) {
    if (i > 0) result += newLine;
    result += text.substr(i, lineLength);
  }
  return result;
}

}  // namespace

TEST(BinaryEncodings, KnownVectorsOfEachEncoding) {
  const std::vector<std::string> plain = {"", "f", "fo", "foo", "foob", "fooba", "foobar"};
  const std::vector<std::wstring> base64 = {L"", L"Zg==", L"Zm8=", L"Zm9v", L"Zm9vYg==", L"Zm9vYmE=", L"Zm9vYmFy"};
  const std::vector<std::wstring> base32 = {L"",         L"MY======",         L"MZXQ====",        L"MZXW6===",
                                            L"MZXW6YQ=", L"MZXW6YTB", L"MZXW6YTBOI======"};
  for (size_t i = 0; i < plain.size(); ++i) {
    EXPECT_EQ(TBase64::Encode(Bytes(plain[i])), base64[i]) << plain[i];
    EXPECT_EQ(TBase32::Encode(Bytes(plain[i])), base32[i]) << plain[i];
    EXPECT_EQ(TBase64::Decode(base64[i]), Bytes(plain[i])) << plain[i];
    EXPECT_EQ(TBase32::Decode(base32[i]), Bytes(plain[i])) << plain[i];
  }
  EXPECT_EQ(TBase64::Encode(Bytes("abc")), L"YWJj");
  EXPECT_EQ(TBase64::Encode(Bytes("ab")), L"YWI=");
  EXPECT_EQ(TBase64::Encode(Bytes("a")), L"YQ==");
  EXPECT_EQ(TBase64::Encode({0xFB, 0xFF, 0xBF}), L"+/+/");

  EXPECT_EQ(TBase16::Encode({0xDE, 0xAD, 0x01, 0xEF}, false), L"DEAD01EF");
  EXPECT_EQ(TBase16::Encode({0xDE, 0xAD, 0x01, 0xEF}, true), L"dead01ef");
  EXPECT_EQ(TBase16::Decode(L"dEaD01eF"), TBytes({0xDE, 0xAD, 0x01, 0xEF}));

  // Only ASCII letters and digits stand for themselves.
  EXPECT_EQ(TUrlString::Encode(Bytes("a b-._~/Z9%")), L"a%20b%2D%2E%5F%7E%2FZ9%25");
  EXPECT_EQ(TUrlString::Encode({0x00, 0xFF}), L"%00%FF");
  EXPECT_EQ(TUrlString::Decode(L"a%20b%2d%7E"), Bytes("a b-~"));
  // A plain character stands for the low 8 bits of its code.
  EXPECT_EQ(TUrlString::Decode(L"\u0141-"), TBytes({0x41, 0x2D}));
}

TEST(BinaryEncodings, EncodeDispatchesAndRejectsUnknownEncoding) {
  const TBytes data = Bytes("any \xFF data");
  EXPECT_EQ(TBinaryString::Encode(data, beBase64), TBase64::Encode(data));
  EXPECT_EQ(TBinaryString::Encode(data, beBase32), TBase32::Encode(data));
  EXPECT_EQ(TBinaryString::Encode(data, beBase16), TBase16::Encode(data, false));
  EXPECT_EQ(TBinaryString::Encode(data, beUrl), TUrlString::Encode(data));
  try {
    TBinaryString::Encode(data, static_cast<TBinaryEncoding>(4));
    FAIL() << "no exception";
  } catch (const Rtl::Exception& e) {
    EXPECT_EQ(e.Message(), L"Error Message");
  }
}

TEST(BinaryEncodings, CharacterClassesAndHexToInt) {
  EXPECT_TRUE(TBase64::IsChar(L'+'));
  EXPECT_TRUE(TBase64::IsChar(L'/'));
  EXPECT_TRUE(TBase64::IsChar(L'='));
  EXPECT_FALSE(TBase64::IsChar(L'-'));
  EXPECT_FALSE(TBase64::IsChar(L'\u00C0'));
  EXPECT_TRUE(TBase32::IsChar(L'a'));  // lower case counts as a character
  EXPECT_TRUE(TBase32::IsChar(L'7'));
  EXPECT_TRUE(TBase32::IsChar(L'='));
  EXPECT_FALSE(TBase32::IsChar(L'1'));
  EXPECT_FALSE(TBase32::IsChar(L'8'));
  // Letters that upper-case to A-Z outside ASCII are no Base32 characters.
  EXPECT_FALSE(TBase32::IsChar(L'\u0131'));
  EXPECT_FALSE(TBase32::IsChar(L'\u017F'));
  EXPECT_TRUE(TBase16::IsChar(L'f'));
  EXPECT_FALSE(TBase16::IsChar(L'g'));
  EXPECT_TRUE(TUrlString::IsPlain(L'z'));
  EXPECT_FALSE(TUrlString::IsPlain(L'%'));
  EXPECT_FALSE(TUrlString::IsPlain(L'\u00E9'));
  EXPECT_TRUE(TUrlString::IsChar(L'%'));
  EXPECT_FALSE(TUrlString::IsChar(L'-'));
  EXPECT_EQ(TBase16::HexToInt(L'0'), 0);
  EXPECT_EQ(TBase16::HexToInt(L'9'), 9);
  EXPECT_EQ(TBase16::HexToInt(L'a'), 10);
  EXPECT_EQ(TBase16::HexToInt(L'F'), 15);
  EXPECT_EQ(TBase16::HexToInt(L'g'), L'g' - 48);
  EXPECT_EQ(TBase16::HexToInt(L' '), -16);
}

TEST(BinaryEncodings, DecodeTablesHoldOnlyTheAlphabet) {
  // Base32 letters count in either case; the characters next to them in
  // ASCII are outside the alphabet and count 0.
  EXPECT_EQ(TBase32::Decode(L"my======"), Bytes("f"));
  EXPECT_EQ(TBase32::Decode(L"MY======"), Bytes("f"));
  EXPECT_EQ(TBase32::Decode(L"@[`{@[`{"), TBytes(5, 0));
  // Characters above 255 and outside the alphabet count 0 as well.
  EXPECT_EQ(TBase64::Decode(L"\u4E00\u0141-*"), TBytes({0, 0, 0}));
  EXPECT_EQ(TBase64::Decode(L"\u0141\u0141\u0141\u0141"), TBase64::Decode(L"AAAA"));
  EXPECT_EQ(TBase32::Decode(L"\u0141\u0132\u4E00\uFFFF\u0100\u0101\u0102\u0103"), TBytes(5, 0));
}

TEST(BinaryEncodings, Base32DecodesLettersInEitherCase) {
  // Text in lower or mixed case decodes to the bytes of its upper-case
  // form, on the fast path (whole groups) and the slow one (whitespace).
  const std::vector<std::string> plain = {"f", "fo", "foo", "foob", "fooba", "foobar", "\xFF\x01\x80 Base32!"};
  for (const std::string& p : plain) {
    const std::wstring upper = TBase32::Encode(Bytes(p));
    std::wstring lower = upper, mixed = upper;
    for (size_t i = 0; i < upper.size(); ++i) {
      lower[i] = Rtl::AsciiLower(upper[i]);
      if (i % 2 == 1) mixed[i] = lower[i];
    }
    EXPECT_EQ(TBase32::Decode(lower), Bytes(p)) << Narrow(lower);
    EXPECT_EQ(TBase32::Decode(mixed), Bytes(p)) << Narrow(mixed);
    EXPECT_EQ(TBase32::Decode(L" " + lower.substr(0, 3) + L"\r\n" + lower.substr(3) + L"\n"), Bytes(p));
  }
  // Detection and decoding agree: a lower-case text that is taken for
  // Base32 decodes to what its upper-case form does, never to zeros.
  TBinaryEncoding encoding = beUrl;
  TBinaryEncodings encodings;
  ASSERT_TRUE(TBinaryString::IsString(L"mzxw6ytb", encoding, encodings, false, 0));
  EXPECT_EQ(encoding, beBase32);
  EXPECT_EQ(TBase32::Decode(L"mzxw6ytb"), Bytes("fooba"));
  EXPECT_EQ(TBase32::Decode(L"mZxW6yTb"), Bytes("fooba"));
  for (wchar_t c = 1; c < 0x100; ++c) {
    if (!TBase32::IsChar(c) || c == L'=') continue;
    const std::wstring text(8, c);
    EXPECT_EQ(TBase32::Decode(text), TBase32::Decode(std::wstring(8, Rtl::AsciiUpper(c)))) << static_cast<int>(c);
  }
}

TEST(BinaryEncodings, RoundTripEveryLengthInEveryLayout) {
  std::mt19937 random(20240611);
  struct TLayout {
    size_t lineLength;
    std::wstring newLine, before, after;
  };
  const std::vector<TLayout> layouts = {
      {0, L"", L"", L""},  // one line
      {64, L"\r\n", L"", L""},
      {76, L"\n", L"  ", L"\r\n"},
      {41, L"\r\n\t", L"\r\n\t", L"\r\n"},  // odd width (a Base16 byte may be split)
      {20, L" ", L"\u00A0", L"\u3000"},
  };
  for (size_t n = 0; n <= 300; ++n) {
    const TBytes data = RandomBytes(random, n);
    for (TBinaryEncoding encoding : ALL_ENCODINGS_C) {
      const std::wstring encoded = TBinaryString::Encode(data, encoding);
      for (const TLayout& layout : layouts) {
        const std::wstring wrapped = layout.lineLength ? Wrap(encoded, layout.lineLength, layout.newLine) : encoded;
        const std::wstring text = layout.before + wrapped + layout.after;
        std::wstring before = L"x", after = L"x", newLine = L"x";
        int lineLength = -1;
        const TBytes decoded = DecodeWith(encoding, text, before, after, newLine, lineLength);
        const std::string where = "length " + std::to_string(n) + ", encoding " + std::to_string(encoding) +
                                  ", line " + std::to_string(layout.lineLength);
        ASSERT_EQ(decoded, data) << where;
        ASSERT_EQ(DecodeWith(encoding, text), data) << where;
        if (n == 0) {
          // All whitespace: it is all trailing.
          EXPECT_EQ(before, L"") << where;
          EXPECT_EQ(after, text) << where;
          continue;
        }
        EXPECT_EQ(before, layout.before) << where;
        EXPECT_EQ(after, layout.after) << where;
        // The line layout shows when data (not only padding) goes past the
        // first line.
        const size_t lastData = encoded.find_last_not_of(L'=');
        const bool wrappedData = layout.lineLength > 0 && lastData >= layout.lineLength;
        EXPECT_EQ(newLine, wrappedData ? layout.newLine : L"") << where;
        EXPECT_EQ(lineLength, wrappedData ? static_cast<int>(layout.lineLength) : 0) << where;
      }
    }
  }
}

TEST(BinaryEncodings, LayoutOfWrappedBase64WithCrLf) {
  std::mt19937 random(7);
  const TBytes data = RandomBytes(random, 111);  // 148 characters: lines of 64, 64 and 20
  const std::wstring encoded = TBase64::Encode(data);
  ASSERT_EQ(encoded.size(), 148u);
  const std::wstring text = L"  " + encoded.substr(0, 64) + L"\r\n" + encoded.substr(64, 64) + L"\r\n" +
                            encoded.substr(128) + L"\r\n";
  std::wstring before, after, newLine;
  int lineLength = 0;
  EXPECT_EQ(TBase64::Decode(text, before, after, newLine, lineLength), data);
  EXPECT_EQ(before, L"  ");
  EXPECT_EQ(after, L"\r\n");
  EXPECT_EQ(newLine, L"\r\n");
  EXPECT_EQ(lineLength, 64);

  // Recognised as Base64 when whitespace is accepted (a Base64 text of
  // random bytes has characters outside the other alphabets).
  TBinaryEncoding encoding = beUrl;
  TBinaryEncodings encodings;
  EXPECT_TRUE(TBinaryString::IsString(text, encoding, encodings, true, 80));
  EXPECT_EQ(encoding, beBase64);
  EXPECT_EQ(encodings, TBinaryEncodings({beBase64}));
  EXPECT_FALSE(TBinaryString::IsString(text, encoding, encodings, false, 80));

  // On one line there is no line layout.
  EXPECT_EQ(TBase64::Decode(encoded, before, after, newLine, lineLength), data);
  EXPECT_EQ(lineLength, 0);
  EXPECT_EQ(newLine, L"");
  EXPECT_EQ(before, L"");
  EXPECT_EQ(after, L"");
}

TEST(BinaryEncodings, LayoutDetails) {
  std::wstring before, after, newLine;
  int lineLength = 0;
  // The longest line counts, and the last run of whitespace between data.
  EXPECT_EQ(TBase64::Decode(L"YWJj\nYWJjYWJj\r\nYWJj", before, after, newLine, lineLength), Bytes("abcabcabcabc"));
  EXPECT_EQ(lineLength, 8);
  EXPECT_EQ(newLine, L"\r\n");
  // Whitespace met before the first byte is complete belongs to `before`.
  EXPECT_EQ(TBase64::Decode(L" Y WJj", before, after, newLine, lineLength), Bytes("abc"));
  EXPECT_EQ(before, L"  ");
  EXPECT_EQ(newLine, L"");
  // Base16: a byte counts two characters of a line.
  EXPECT_EQ(TBase16::Decode(L"DEAD\r\nBE\r\nEF", before, after, newLine, lineLength),
            TBytes({0xDE, 0xAD, 0xBE, 0xEF}));
  EXPECT_EQ(lineLength, 4);
  EXPECT_EQ(newLine, L"\r\n");
  // An odd digit at the end is ignored; whitespace between two digits is skipped.
  EXPECT_EQ(TBase16::Decode(L"DEA"), TBytes({0xDE}));
  EXPECT_EQ(TBase16::Decode(L"DEA\r\nDBE"), TBytes({0xDE, 0xAD, 0xBE}));
  // URL: the shortest line that holds anything counts.
  EXPECT_EQ(TUrlString::Decode(L"abcd\nab\n\nabc\nabcde", before, after, newLine, lineLength), Bytes("abcdababcabcde"));
  EXPECT_EQ(lineLength, 2);
  EXPECT_EQ(newLine, L"\n");
  // A blank inside an escape.
  EXPECT_EQ(TUrlString::Decode(L"a%2 0b", before, after, newLine, lineLength), Bytes("a b"));
  EXPECT_EQ(TUrlString::Decode(L"%\r\n41%4\r\n2", before, after, newLine, lineLength), Bytes("AB"));
  EXPECT_EQ(before, L"\r\n");
  EXPECT_EQ(newLine, L"\r\n");
  EXPECT_EQ(lineLength, 1);  // the "%" alone on the first line
}

TEST(BinaryEncodings, IsStringRecognition) {
  TBinaryEncoding encoding = beUrl;
  TBinaryEncodings encodings;
  EXPECT_TRUE(TBinaryString::IsString(L"DEADBEEF", encoding, encodings, false, 0));
  EXPECT_EQ(encoding, beBase16);
  EXPECT_EQ(encodings, TBinaryEncodings::All());

  EXPECT_TRUE(TBinaryString::IsString(L"MZXW6YTBOI======", encoding, encodings, false, 0));
  EXPECT_EQ(encoding, beBase32);
  EXPECT_EQ(encodings, TBinaryEncodings({beBase64, beBase32}));

  EXPECT_TRUE(TBinaryString::IsString(L"YWJj+w==", encoding, encodings, false, 0));
  EXPECT_EQ(encoding, beBase64);
  EXPECT_EQ(encodings, TBinaryEncodings({beBase64}));

  EXPECT_TRUE(TBinaryString::IsString(L"a%20b", encoding, encodings, false, 0));
  EXPECT_EQ(encoding, beUrl);
  EXPECT_EQ(encodings, TBinaryEncodings({beUrl}));

  // Data after padding, characters of no alphabet.
  EXPECT_FALSE(TBinaryString::IsString(L"YQ==YQ==", encoding, encodings, false, 0));
  EXPECT_TRUE(encodings.IsEmpty());
  EXPECT_FALSE(TBinaryString::IsString(L"ab-c", encoding, encodings, false, 0));
  // Shorter than the minimum length.
  EXPECT_FALSE(TBinaryString::IsString(L"DEADBEEF", encoding, encodings, false, 9));
  EXPECT_TRUE(encodings.IsEmpty());
  // Length rule: 6 characters are no Base64 or Base32.
  EXPECT_TRUE(TBinaryString::IsString(L"DEADBE", encoding, encodings, false, 0));
  EXPECT_EQ(encodings, TBinaryEncodings({beBase16, beUrl}));

  // Whitespace: refused unless accepted; then every line but the last must
  // hold 40 characters or more.
  const std::wstring line40(40, L'A');
  EXPECT_FALSE(TBinaryString::IsString(L" " + line40, encoding, false, 0));
  EXPECT_TRUE(TBinaryString::IsString(L"  " + line40 + L"\r\n" + line40 + L"\r\n", encoding, encodings, true, 0));
  EXPECT_EQ(encoding, beBase16);
  EXPECT_FALSE(TBinaryString::IsString(std::wstring(20, L'A') + L"\r\n" + line40, encoding, encodings, true, 0));
  EXPECT_TRUE(encodings.IsEmpty());
  // With whitespace accepted the length rule counts data characters only.
  EXPECT_TRUE(TBinaryString::IsString(line40 + L"\r\n" + L"AAAAAAAA", encoding, encodings, true, 0));
  EXPECT_EQ(encodings, TBinaryEncodings::All());
  EXPECT_TRUE(TBinaryString::IsString(line40 + L"\r\n" + L"AA", encoding, encodings, true, 0));
  EXPECT_EQ(encodings, TBinaryEncodings({beBase16, beUrl}));
}

TEST(BinaryEncodings, HostileInputNeverReadsOutOfBounds) {
  std::mt19937 random(99);
  std::uniform_int_distribution<int> unit(0, 0xFFFF);
  std::uniform_int_distribution<int> pick(0, 9);
  const std::wstring interesting = L"=%\r\n \t0A";
  for (size_t n = 0; n <= 300; ++n) {
    std::wstring text(n, L' ');
    for (auto& c : text) c = pick(random) < 3 ? interesting[static_cast<size_t>(pick(random)) % interesting.size()]
                                              : static_cast<wchar_t>(unit(random));
    for (TBinaryEncoding encoding : ALL_ENCODINGS_C) {
      std::wstring before, after, newLine;
      int lineLength = 0;
      try {
        const TBytes decoded = DecodeWith(encoding, text, before, after, newLine, lineLength);
        EXPECT_LE(decoded.size(), n);
      } catch (const Rtl::EConvertError&) {
        EXPECT_EQ(encoding, beUrl) << "only the URL decoder raises";
      }
      EXPECT_LE(before.size() + after.size() + newLine.size(), n + n);
      TBinaryEncoding e;
      TBinaryString::IsString(text, e, true, 0);
      TBinaryString::IsString(text, e, false, 0);
    }
  }
  // Truncated, padding only, whitespace only.
  EXPECT_EQ(TBase64::Decode(L"YQ"), Bytes("a"));
  EXPECT_EQ(TBase64::Decode(L"Y"), TBytes());
  EXPECT_EQ(TBase64::Decode(L"===="), TBytes());
  EXPECT_EQ(TBase32::Decode(L"=\r\n="), TBytes());
  EXPECT_EQ(TBase16::Decode(L"F"), TBytes());
  std::wstring before, after, newLine;
  int lineLength = 0;
  EXPECT_EQ(TUrlString::Decode(L" \r\n", before, after, newLine, lineLength), TBytes());
  EXPECT_EQ(after, L" \r\n");
  // Huge runs of whitespace around and inside the data.
  const std::wstring spaces(1 << 20, L' '), breaks(1 << 20, L'\n');
  EXPECT_EQ(TBase64::Decode(spaces + L"Y" + breaks + L"Q==" + breaks, before, after, newLine, lineLength),
            Bytes("a"));
  EXPECT_EQ(before.size(), spaces.size() + breaks.size());
  EXPECT_EQ(after, breaks);
  EXPECT_EQ(TUrlString::Decode(spaces + L"%" + breaks + L"4" + spaces + L"1" + breaks), Bytes("A"));
}

TEST(BinaryEncodings, UrlDecodeRaisesForBadEscapes) {
  const std::vector<std::pair<std::wstring, std::wstring>> cases = {
      {L"%", L"'%' is not a valid integer value"},
      {L"ab%4", L"'%4' is not a valid integer value"},
      {L"%4 \r\n", L"'%4' is not a valid integer value"},
      {L"%zz", L"'%zz' is not a valid integer value"},
      {L"%4\u0660", L"'%4\u0660' is not a valid integer value"},
  };
  for (const auto& [text, message] : cases) {
    try {
      TUrlString::Decode(text);
      ADD_FAILURE() << Narrow(text) << ": no exception";
    } catch (const Rtl::EConvertError& e) {
      EXPECT_EQ(e.Message(), message) << Narrow(text);
    }
  }
}

TEST(BinaryEncodings, ApplicationRootDirIsTheExecutablesDirectory) {
  const std::wstring exe = Rtl::GetModuleFileName();
  const std::wstring dir = ApplicationRootDir();
  ASSERT_FALSE(dir.empty());
  EXPECT_NE(dir.back(), L'\\');
  EXPECT_EQ(dir + L"\\" + Rtl::ExtractFileName(exe), exe);
  EXPECT_TRUE(Rtl::FileExists(dir + L"\\" + Rtl::ExtractFileName(exe)));
}
