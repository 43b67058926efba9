// Reading text files: real files of the test prefix in every format with
// and without a BOM, the detection order of the first buffer, line breaks
// and multi-byte characters across the 256-byte buffer edge, end
// characters, and the progress of a read.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "QdTextFile.h"
#include "TestSupport.h"
#include "runtime/Core/Exceptions.h"
#include "runtime/IO/Streams.h"

using namespace Qd;

namespace {

std::string Utf16Le(std::wstring_view text) {
  std::string bytes;
  for (wchar_t c : text) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>(c >> 8);
  }
  return bytes;
}

std::string Utf16Be(std::wstring_view text) {
  std::string bytes;
  for (wchar_t c : text) {
    bytes += static_cast<char>(c >> 8);
    bytes += static_cast<char>(c & 0xFF);
  }
  return bytes;
}

std::string Utf32(std::u32string_view text, bool bigEndian) {
  std::string bytes;
  for (char32_t c : text)
    for (int k = 0; k < 4; ++k) bytes += static_cast<char>(c >> (8 * (bigEndian ? 3 - k : k)));
  return bytes;
}

struct TRead {
  std::wstring Text;
  TTextFileFormat Format;
  bool HasBom;
};

TRead ReadFile(const std::wstring& name, const std::string& content) {
  TestSupport::WriteFile(name, content);
  TTextFile file(name);
  TRead result{file.ReadAll(), tfAnsi, false};
  result.Format = file.GetFormat();
  result.HasBom = file.GetHasBom();
  return result;
}

std::vector<std::wstring> Lines(const std::string& content, TTextFile& file) {
  file.Open(Rtl::TBytes(content.begin(), content.end()));
  std::vector<std::wstring> lines;
  while (!file.Eof()) lines.push_back(file.ReadLine());
  return lines;
}

}  // namespace

TEST(Reader, EveryFormatWithAndWithoutBom) {
  TestSupport::TTempDir dir;
  const std::wstring text = L"<r>\u00E9\u20AC\U0001F600</r>\r\nsecond line, long enough";
  const std::u32string text32 = U"<r>\u00E9\u20AC\U0001F600</r>\r\nsecond line, long enough";
  const std::string utf8 = "<r>\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80</r>\r\nsecond line, long enough";
  struct TCase {
    const wchar_t* Name;
    std::string Bytes;
    TTextFileFormat Format;
    bool Bom;
  } cases[] = {
      {L"utf8bom.txt", "\xEF\xBB\xBF" + utf8, tfUtf8, true},
      {L"utf8.txt", utf8, tfUtf8, false},  // by analysis
      {L"utf16le-bom.txt", "\xFF\xFE" + Utf16Le(text), tfUtf16Le, true},
      {L"utf16le.txt", Utf16Le(text), tfUtf16Le, false},  // markup start
      {L"utf16be-bom.txt", "\xFE\xFF" + Utf16Be(text), tfUtf16Be, true},
      {L"utf16be.txt", Utf16Be(text), tfUtf16Be, false},
      {L"utf32le-bom.txt", std::string("\xFF\xFE\0\0", 4) + Utf32(text32, false), tfUtf32Le, true},
      {L"utf32le.txt", Utf32(text32, false), tfUtf32Le, false},
      {L"utf32be-bom.txt", std::string("\0\0\xFE\xFF", 4) + Utf32(text32, true), tfUtf32Be, true},
      {L"utf32be.txt", Utf32(text32, true), tfUtf32Be, false},
  };
  for (const TCase& c : cases) {
    const TRead read = ReadFile(dir / c.Name, c.Bytes);
    EXPECT_EQ(read.Text, text) << c.Name;
    EXPECT_EQ(read.Format, c.Format) << c.Name;
    EXPECT_EQ(read.HasBom, c.Bom) << c.Name;
  }
  // GB18030 with its BOM: the ASCII and a two-byte character.
  const TRead gb = ReadFile(dir / L"gb.txt", "\x84\x31\x95\x33" "ab\xD6\xD0");
  EXPECT_EQ(gb.Format, tfGb18030);
  EXPECT_TRUE(gb.HasBom);
  EXPECT_EQ(gb.Text, L"ab\u4E2D");
  // ANSI: pure ASCII stays tfAnsi; code page 1252 reads its own letters.
  const TRead ascii = ReadFile(dir / L"ascii.txt", "plain\r\ntext");
  EXPECT_EQ(ascii.Format, tfAnsi);
  EXPECT_EQ(ascii.Text, L"plain\r\ntext");
  TestSupport::WriteFile(dir / L"cp1252.txt", "caf\xE9 \x80");
  TTextFile file;
  file.SetCodePage(1252);
  file.Open(dir / L"cp1252.txt");
  EXPECT_EQ(file.ReadAll(), L"caf\u00E9 \u20AC");
}

TEST(Reader, BomAndMarkupWinOverAChosenFormatTheAnalysisDoesNot) {
  TTextFile file;
  file.SetFormat(tfUtf8);
  file.Open(Rtl::TBytes{0xFF, 0xFE, 'a', 0, 'b', 0});
  EXPECT_EQ(file.ReadAll(), L"ab");
  EXPECT_EQ(file.GetFormat(), tfUtf16Le);
  file.Close();
  // FF FE 00 00 is UTF-32.
  TTextFile utf32;
  utf32.Open(Rtl::TBytes{0xFF, 0xFE, 0, 0, 'a', 0, 0, 0});
  EXPECT_EQ(utf32.ReadAll(), L"a");
  EXPECT_EQ(utf32.GetFormat(), tfUtf32Le);
  // A chosen ANSI format keeps UTF-8 bytes as they are.
  TTextFile ansi;
  ansi.SetCodePage(1252);
  ansi.SetFormat(tfAnsi);
  ansi.Open(Rtl::TBytes{0xC3, 0xA9});
  EXPECT_EQ(ansi.ReadAll(), L"\u00C3\u00A9");
  EXPECT_FALSE(ansi.GetFormatDetected());
}

TEST(Reader, EdgeCasesOfLines) {
  TTextFile file;
  EXPECT_EQ(Lines("", file), std::vector<std::wstring>{});
  EXPECT_EQ(file.GetPercentRead(), 100);
  EXPECT_EQ(Lines("\n", file), std::vector<std::wstring>{L""});
  TTextFile crlf;
  crlf.Open(Rtl::TBytes{'a', '\r', '\n', 'b'});
  EXPECT_EQ(crlf.ReadLine(), L"a");
  EXPECT_EQ(crlf.GetLastLineEnd(), L"\r\n");
  EXPECT_EQ(crlf.ReadLine(), L"b");
  EXPECT_EQ(crlf.GetLastLineEnd(), L"");
  EXPECT_EQ(crlf.GetNewLine(), nlCrLf);
  TTextFile lfcr;
  EXPECT_EQ(Lines("a\n\rb", lfcr), (std::vector<std::wstring>{L"a", L"b"}));
  EXPECT_EQ(lfcr.GetNewLine(), nlLfCr);
  TTextFile cr;
  EXPECT_EQ(Lines("a\r\rb", cr), (std::vector<std::wstring>{L"a", L"", L"b"}));
  EXPECT_EQ(cr.GetNewLine(), nlCr);
  EXPECT_EQ(TTextFile::GetLineCountString(L"a\r\nb\r\n"), 2);
  EXPECT_EQ(TTextFile::GetLineCountString(L""), 0);
}

TEST(Reader, EndCharacterStaysUnreadUnlessItStartsTheLine) {
  TTextFile file;
  file.Open(Rtl::TBytes{'<', 'a', '>', 'x', '<', 'b', '>', 'y'});
  EXPECT_EQ(file.ReadLine(L'<'), L"<a>x");
  EXPECT_EQ(file.ReadLine(L'<'), L"<b>y");
  EXPECT_TRUE(file.Eof());
  TTextFile breaks;
  breaks.Open(Rtl::TBytes{'x', '\r', '\n', 'y', '<'});
  EXPECT_EQ(breaks.ReadLine(L'<'), L"x\r\ny");
  EXPECT_EQ(breaks.GetUnreadByteCount(), 1);
  EXPECT_EQ(breaks.ReadLine(L'<'), L"<");
}

TEST(Reader, EndCharacterReadsAcrossBufferEdges) {
  // Chunks longer than a buffer fill, a multi-byte character split by an
  // edge, and the line-break kind seen inside chunks.
  std::string content = "\xEF\xBB\xBF<" + std::string(MAX_LEN_C - 5, 'a') + "\xE2\x82\xAC\r\n";
  content += "<" + std::string(3 * MAX_LEN_C, 'b') + "<<c";
  TTextFile file;
  file.Open(Rtl::TBytes(content.begin(), content.end()));
  EXPECT_EQ(file.ReadLine(L'<'), L"<" + std::wstring(MAX_LEN_C - 5, L'a') + L"\u20AC\r\n");
  EXPECT_EQ(file.ReadLine(L'<'), L"<" + std::wstring(3 * MAX_LEN_C, L'b'));
  EXPECT_EQ(file.ReadLine(L'<'), L"<");
  EXPECT_EQ(file.ReadLine(L'<'), L"<c");
  EXPECT_TRUE(file.Eof());
  EXPECT_EQ(file.GetNewLine(), nlCrLf);
  // An ANSI file: its bytes through the code page.
  TTextFile ansi;
  ansi.SetCodePage(1252);
  ansi.Open(Rtl::TBytes{'x', 0xE9, '\n', '<', 'y'});
  EXPECT_EQ(ansi.ReadLine(L'<'), L"x\u00E9\n");
  EXPECT_EQ(ansi.ReadLine(L'<'), L"<y");
  EXPECT_EQ(ansi.GetNewLine(), nlLf);
}

TEST(Reader, LinesAndCharactersAcrossTheBufferEdge) {
  // A CR LF split by the edge (bytes 255 and 256), then a multi-byte
  // character split by the next edge; the file is UTF-8 by its BOM.
  std::string content = "\xEF\xBB\xBF" + std::string(252, 'a') + "\r\n";
  content += std::string(MAX_LEN_C - 2 - 1, 'b') + "\xE2\x82\xAC" + "\nend";
  TTextFile file;
  file.Open(Rtl::TBytes(content.begin(), content.end()));
  EXPECT_EQ(file.ReadLine(), std::wstring(252, L'a'));
  EXPECT_EQ(file.GetLastLineEnd(), L"\r\n");
  EXPECT_EQ(file.ReadLine(), std::wstring(MAX_LEN_C - 3, L'b') + L"\u20AC");
  EXPECT_EQ(file.ReadLine(), L"end");
  EXPECT_TRUE(file.Eof());
  // UTF-16 units across the edge of a BOM-less file that starts with "<".
  std::wstring text = L"<" + std::wstring(300, L'\u00E9') + L"\r\nz";
  const std::string bytes = Utf16Le(text);
  TTextFile utf16;
  utf16.Open(Rtl::TBytes(bytes.begin(), bytes.end()));
  EXPECT_EQ(utf16.ReadLine(), L"<" + std::wstring(300, L'\u00E9'));
  EXPECT_EQ(utf16.ReadLine(), L"z");
}

TEST(Reader, ProgressAndBytesRead) {
  TestSupport::TTempDir dir;
  TestSupport::WriteFile(dir / L"long.txt", std::string(1000, 'x') + "\n" + std::string(999, 'y'));
  TTextFile file(dir / L"long.txt");
  EXPECT_EQ(file.GetPercentRead(), 0);
  EXPECT_EQ(file.GetStreamSize(), 2000);
  file.ReadLine();
  // The buffer has read ahead to the next 256-byte step.
  EXPECT_EQ(file.GetBytesRead(), 1024);
  EXPECT_EQ(file.GetPercentRead(), 51);
  file.ReadLine();
  EXPECT_EQ(file.GetPercentRead(), 100);
  EXPECT_TRUE(file.Eof());
}

TEST(Reader, InvalidTextRaisesClearly) {
  TTextFile utf8;
  utf8.SetFormat(tfUtf8);
  utf8.Open(Rtl::TBytes{'o', 'k', '\n', 'A', 0xFF});
  EXPECT_EQ(utf8.ReadLine(), L"ok");
  try {
    utf8.ReadLine();
    FAIL();
  } catch (const EUft8Exception& e) {
    EXPECT_EQ(e.GetIndex(), 2u);
  }
  // A UTF-32 unit that is no scalar value: the value and its byte position.
  const std::string bytes = std::string("\xFF\xFE\0\0", 4) + Utf32(U"ab", false) + std::string("\0\xD8\0\0", 4);
  TTextFile utf32;
  utf32.Open(Rtl::TBytes(bytes.begin(), bytes.end()));
  try {
    utf32.ReadAll();
    FAIL();
  } catch (const Rtl::EConvertError& e) {
    EXPECT_EQ(e.Message(), L"Invalid UTF-32 value $0000D800 at byte position 13");
  }
  // A UTF-16 file with an odd last byte still ends.
  TTextFile odd;
  odd.Open(Rtl::TBytes{0xFF, 0xFE, 'a', 0, 'b'});
  EXPECT_EQ(odd.ReadAll(), L"ab");
}

namespace {

// A stream from elsewhere that counts its size and position in 16-bit
// characters and delivers two bytes per unit asked for; the reader knows it
// by its class name.
class THtmlStream : public Rtl::TStream {
  RTL_CLASS(THtmlStream, Rtl::TStream)
public:
  THtmlStream() = default;
  explicit THtmlStream(std::wstring text) : FText(std::move(text)) {}
  int Read(void* buffer, int count) override {
    const std::int64_t units = std::min<std::int64_t>(count, static_cast<std::int64_t>(FText.size()) - FPosition);
    auto* bytes = static_cast<std::uint8_t*>(buffer);
    for (std::int64_t k = 0; k < units; ++k) {
      const wchar_t c = FText[static_cast<std::size_t>(FPosition + k)];
      bytes[2 * k] = static_cast<std::uint8_t>(c & 0xFF);
      bytes[2 * k + 1] = static_cast<std::uint8_t>(c >> 8);
    }
    FPosition += units;
    return static_cast<int>(units);
  }
  int Write(const void*, int) override { return 0; }
  std::int64_t Seek(std::int64_t offset, Rtl::TSeekOrigin origin) override {
    const auto size = static_cast<std::int64_t>(FText.size());
    FPosition = origin == Rtl::soBeginning ? offset : origin == Rtl::soCurrent ? FPosition + offset : size + offset;
    return FPosition;
  }
  std::int64_t Size() override { return static_cast<std::int64_t>(FText.size()); }

private:
  std::wstring FText;
  std::int64_t FPosition = 0;
};

}  // namespace

TEST(Reader, StreamThatCountsInCharacters) {
  std::wstring text = L"<p>";
  for (int k = 0; k < 100; ++k) text += L"h\u00E9llo\r\n";
  THtmlStream stream(text);
  TTextFile file;
  file.Open(stream);
  EXPECT_EQ(file.GetStreamSize(), static_cast<std::int64_t>(text.size()));
  EXPECT_EQ(file.ReadAll(), text);
  EXPECT_EQ(file.GetFormat(), tfUtf16Le);
  EXPECT_EQ(file.GetPercentRead(), 100);
}

TEST(Reader, ResourceOfTheProgram) {
  TTextFile file;
  file.Open(L"QDTEXTSAMPLE", L"");
  EXPECT_EQ(file.ReadAll(), L"first \u00E9\r\nsecond\r\n");
  EXPECT_EQ(file.GetFormat(), tfUtf8);
  EXPECT_TRUE(file.GetHasBom());
  TTextFile missing;
  EXPECT_THROW(missing.Open(L"NO_SUCH_TEXT", L""), Rtl::Exception);
}

TEST(Characters, PeekAndReadInEveryFormat) {
  TTextFile utf8;
  utf8.Open(Rtl::TBytes{0xEF, 0xBB, 0xBF, 'a', 0xC3, 0xA9, 0xE2, 0x82, 0xAC, 'z'});
  EXPECT_EQ(utf8.PeekChar(0), L'a');
  EXPECT_EQ(utf8.PeekChar(2), L'\u20AC');
  EXPECT_EQ(utf8.PeekCharSize(1), 2);
  EXPECT_EQ(utf8.PeekCharSize(2), 3);
  EXPECT_EQ(utf8.ReadChars(3), L"a\u00E9\u20AC");
  EXPECT_EQ(utf8.ReadChar(), L'z');
  EXPECT_TRUE(utf8.Eof());
  EXPECT_EQ(utf8.PeekChar(0), L'\0');
  EXPECT_EQ(utf8.PeekCharSize(0), 0);
  const std::string be = "\xFE\xFF" + Utf16Be(L"x\u4E2D");
  TTextFile utf16;
  utf16.Open(Rtl::TBytes(be.begin(), be.end()));
  EXPECT_EQ(utf16.ReadChars(2), L"x\u4E2D");
  const std::string u32 = std::string("\0\0\xFE\xFF", 4) + Utf32(U"q\U0001F600", true);
  TTextFile utf32;
  utf32.Open(Rtl::TBytes(u32.begin(), u32.end()));
  EXPECT_EQ(utf32.ReadChar(), L'q');
  EXPECT_EQ(utf32.ReadChar(), static_cast<wchar_t>(0xF600));  // truncated to the low 16 bits
}

TEST(Characters, LeadBytesOfDoubleByteCodePagesAndGb18030Lengths) {
  TTextFile sjis;
  sjis.SetCodePage(932);
  sjis.Open(Rtl::TBytes{'a', 0x82, 0xA0, 'b'});  // U+3042 in Shift-JIS
  EXPECT_EQ(sjis.PeekCharSize(1), 2);
  EXPECT_EQ(sjis.ReadChars(3), L"a\u3042b");
  TTextFile gb;
  gb.SetFormat(tfGb18030);
  gb.Open(Rtl::TBytes{'a', 0xD6, 0xD0, 0x81, 0x30, 0x81, 0x30});
  EXPECT_EQ(gb.PeekCharSize(0), 1);
  EXPECT_EQ(gb.PeekCharSize(1), 2);
  EXPECT_EQ(gb.PeekCharSize(2), 4);
}

TEST(Characters, ReadingCharacterByCharacterEndsOnAnyInput) {
  // Stray continuation bytes, a sequence cut by the end, an invalid lead:
  // each character takes at least one byte, also when it raises.
  TTextFile file;
  file.SetFormat(tfUtf8);
  file.Open(Rtl::TBytes{0x80, 0xBF, 'a', 0xF8, 0x88, 0x80, 0x80, 0x80, 0xE2, 0x82});
  int chars = 0, errors = 0;
  while (!file.Eof()) {
    try {
      file.ReadChar();
    } catch (const EUft8Exception&) {
      ++errors;
    }
    ASSERT_LT(++chars, 20);
  }
  EXPECT_GT(errors, 0);
  // An odd last byte of UTF-16.
  TTextFile odd;
  odd.Open(Rtl::TBytes{0xFF, 0xFE, 'a', 0, 'b'});
  EXPECT_EQ(odd.ReadChar(), L'a');
  EXPECT_EQ(odd.ReadChar(), L'b');
  EXPECT_TRUE(odd.Eof());
}

namespace {

// The text, failures and line-break kind of reading `content` to its end
// with ReadLine('<'), or (`block` > 0) with ReadLines in blocks of that many
// bytes and ReadLine where ReadLines leaves a line.
std::wstring ReadToEnd(const std::string& content, std::size_t block) {
  const std::string_view stops[] = {"<?xml"};
  TTextFile file;
  file.Open(Rtl::TBytes(content.begin(), content.end()));
  std::wstring text;
  while (!file.Eof()) {
    try {
      if (block > 0 && file.ReadLines(text, L'<', block, stops) > 0) continue;
      text += file.ReadLine(L'<');
    } catch (const EUft8Exception& e) {
      text += L"[failed at " + std::to_wstring(e.GetIndex()) + L" of " + std::to_wstring(e.GetData().size()) + L"]";
    }
  }
  return text + L"[new line " + std::to_wstring(static_cast<int>(file.GetNewLine())) + L"]";
}

}  // namespace

TEST(Reader, LinesInBlocksAreTheLinesOneByOne) {
  // Random lines of ASCII, "<", CR and LF, characters of two to four bytes,
  // NUL, bytes that don't decode and sequences cut short, read in blocks
  // of several sizes (a block smaller than a line included).
  const char* const pieces[] = {"a", "<", "<", "\r", "\n", "\r\n", "\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80",
                                "bcdefgh", "<?xml ", "<?XML", "\xFF", "\xE2\x82", ""};
  std::uint32_t seed = 20261210;
  for (int round = 0; round < 40; ++round) {
    std::string content = round % 2 == 0 ? "\xEF\xBB\xBF" : "";
    const bool clean = round % 4 < 2;  // without NUL and broken bytes
    while (content.size() < 3000) {
      seed = seed * 1664525 + 1013904223;
      const std::size_t pick = (seed >> 8) % (clean ? 12 : 15);
      content += pick == 14 ? std::string(1, '\0') : std::string(pieces[pick]);
    }
    const std::wstring expected = ReadToEnd(content, 0);
    for (std::size_t block : {std::size_t{7}, std::size_t{300}, std::size_t{1024}, std::size_t{65536}})
      EXPECT_EQ(ReadToEnd(content, block), expected) << round << " " << block;
  }
}

TEST(Reader, LinesInBlocksStopAfterAStopLine) {
  const std::string content = "\xEF\xBB\xBF<a>x\r\n<?xml version='1.0'?>y<b>z<c/>";
  const std::string_view stops[] = {"<?xml"};
  TTextFile file;
  file.Open(Rtl::TBytes(content.begin(), content.end()));
  std::wstring text;
  EXPECT_EQ(file.ReadLines(text, L'<', 65536, stops), 28u);
  EXPECT_EQ(text, L"<a>x\r\n<?xml version='1.0'?>y");
  EXPECT_EQ(file.GetNewLine(), nlCrLf);
  EXPECT_EQ(file.ReadLines(text, L'<', 65536, stops), 8u);
  EXPECT_EQ(text, L"<a>x\r\n<?xml version='1.0'?>y<b>z<c/>");
  EXPECT_TRUE(file.Eof());
  EXPECT_EQ(file.ReadLines(text, L'<', 65536, stops), 0u);
  // Another format reads nothing this way.
  TTextFile ansi;
  ansi.SetCodePage(1252);
  ansi.Open(Rtl::TBytes{'x', 0xE9, '<', 'y'});
  EXPECT_EQ(ansi.ReadLines(text, L'<', 65536, stops), 0u);
  EXPECT_EQ(ansi.ReadLine(L'<'), L"x\u00E9");
}
