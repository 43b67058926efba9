// The fuzz target of the text-file coding: strict UTF-8 decoding, checked
// against the system's strict decoder, and the content tests over the same
// bytes.
#include <cstring>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "Fuzz.h"
#include "QdTextFile.h"
#include "TestSupport.h"
#include "runtime/Core/Exceptions.h"
#include "runtime/System/Win32.h"

namespace Fuzz {

namespace {

void TextCoding(TInput input) {
  using Qd::TTextFile;
  const std::string bytes(input.begin(), input.end());

  // Utf8Decode succeeds exactly when the system's strict decoding does, with
  // the same UTF-16; a failure lies within the data.
  std::optional<std::wstring> decoded;
  try {
    decoded = TTextFile::Utf8Decode(bytes);
  } catch (const Qd::EUft8Exception& e) {
    if (e.GetIndex() < 1 || e.GetIndex() > bytes.size()) Fail("error position outside the data");
  }
  const std::optional<std::wstring> expected = TestSupport::SystemStrictUtf8(bytes);
  if (decoded.has_value() != expected.has_value()) Fail("Utf8Decode and the system disagree on validity");
  if (decoded && *decoded != *expected) Fail("Utf8Decode and the system decode differently");
  if (decoded && TTextFile::Utf8Encode(*decoded) != bytes) Fail("UTF-8 round trip");

  // IsUtf8: valid with at least one multi-byte character.
  bool asciiOnly = false;
  const bool isUtf8 = TTextFile::IsUtf8(input, asciiOnly);
  bool hasHigh = false;
  for (std::uint8_t b : input) hasHigh = hasHigh || b >= 0x80;
  if (isUtf8 != (decoded.has_value() && hasHigh)) Fail("IsUtf8 disagrees with Utf8Decode");
  if (decoded && asciiOnly == hasHigh) Fail("asciiOnly is wrong");
  bool startAscii = false;
  if (isUtf8 && !TTextFile::IsUtf8Start(input, startAscii)) Fail("IsUtf8Start refuses valid data");

  // The bounded decoder never writes past its room (the guard stays).
  const std::size_t room = input.empty() ? 1 : input[0] % 9;
  std::vector<wchar_t> dest(room + 1, L'\xABCD');
  std::size_t i = 0;
  const std::ptrdiff_t written = TTextFile::Utf8ToUnicodePos(dest.data(), room, bytes.data(), bytes.size(), i);
  if (dest[room] != L'\xABCD') Fail("Utf8ToUnicodePos wrote past its destination");
  if (written > static_cast<std::ptrdiff_t>(room) || i > bytes.size() + 1) Fail("Utf8ToUnicodePos overran");

  Qd::TTextFileFormat format = Qd::tfAnsi;
  TTextFile::AnalyzeFormat(input, format);
  TTextFile::AnalyzeStart(input, format);
  TTextFile::DetectNewLine(AsUtf16(input));
  TTextFile::WideToUnicodeEscape(AsUtf16(input), L"\t\r\n\\\"'");
}

// Well-formed, overlong, surrogate, too-large and cut sequences.
const char* const PIECES_C[] = {"a",         "<",           "\r\n",         "\n",          "\xC3\xA9",
                                "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "\xF4\x8F\xBF\xBF", "\xC0\xAF",   "\xC1\xBF",
                                "\xE0\x80\x80", "\xE0\xA0\x80", "\xED\x9F\xBF", "\xED\xA0\x80", "\xF0\x8F\xBF\xBF",
                                "\xF4\x90\x80\x80", "\xF8\x90\x80\x80", "\xFF",  "\x80",        "\xE2\x82",
                                "\xEF\xBB\xBF", "\x84\x31\x95\x33", "\x00",      "\xFE\xFF"};

TBytes GenerateText(std::uint64_t seed) {
  std::mt19937_64 random(seed);
  TBytes bytes;
  // Often long enough to cross the 256-byte buffer edge and the 16-byte
  // steps of the ASCII fast path.
  const std::size_t target = random() % 2 == 0 ? 240 + random() % 40 : random() % 64;
  while (bytes.size() < target) {
    if (random() % 3 == 0) {
      bytes.insert(bytes.end(), random() % 24, static_cast<std::uint8_t>('a' + random() % 26));
    } else {
      const char* piece = PIECES_C[random() % std::size(PIECES_C)];
      const std::size_t length = piece[0] == '\0' ? 1 : std::strlen(piece);
      bytes.insert(bytes.end(), piece, piece + length);
    }
  }
  return bytes;
}

std::vector<TBytes> TextSeeds() {
  return {Bytes("plain"), Bytes("caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80"), Bytes("\x41\xFF"), Bytes("\xED\xA0\x80"),
          Utf16Bytes(L"<?xml version=\"1.0\"?>\r\n<a/>")};
}

std::vector<std::string> TextTokens() {
  return {"\xC3", "\xA9", "\xE0", "\xED", "\xF0", "\xF4", "\x80", "\xBF", "\xC0", "\xFF", "\r", "\n", "<", "\0"};
}

// The reader over the input: the first byte picks a chosen format (or
// none) and an end character; lines are read until Eof, and every line must
// take bytes, so the loop ends.
void ReadText(TInput input) {
  const std::uint8_t control = input.empty() ? 0 : input[0];
  const TInput payload = input.empty() ? input : input.subspan(1);
  const Rtl::TBytes bytes(payload.begin(), payload.end());
  static const wchar_t END_CHARS_C[] = {0, L'<', L'\n', L'\r', 0xE9, 0x20AC};
  Qd::TTextFile file;
  const unsigned chosen = control % 9;  // 0-6: a format, 7: none, 8: an encoding name
  // Names of every kind: Unicode forms, code pages the system serves, code
  // pages it may not serve (then reading raises EConvertError), and a
  // language whose code page reads what nothing detects.
  static const wchar_t* const ENCODINGS_C[] = {L"utf-8",       L"utf-16",         L"unicodeFFFE", L"UTF-32BE",
                                               L"GB18030",     L"unicode-escape", L"shift_jis",   L"windows-1251",
                                               L"iso-2022-jp", L"ibm037",         L"euc-kr",      L"no-such-name"};
  if (chosen < 7) file.SetFormat(static_cast<Qd::TTextFileFormat>(chosen));
  else if (chosen == 8) file.SetEncoding(ENCODINGS_C[(control >> 4) % std::size(ENCODINGS_C)]);
  else if ((control & 0x20) != 0) file.SetLanguage(L"ja");
  const wchar_t endChar = END_CHARS_C[(control / 9) % std::size(END_CHARS_C)];
  file.SetIncludeLineBreak((control & 0x80) != 0);
  file.SetAutoDetect((control & 0x40) != 0);
  file.Open(bytes);
  std::size_t lines = 0;
  try {
    while (!file.Eof()) {
      file.ReadLine(endChar);
      if (++lines > bytes.size() + 1) Fail("ReadLine takes no bytes");
    }
  } catch (const Qd::EUft8Exception&) {
  } catch (const Rtl::EConvertError&) {
  }
  if (file.GetPercentRead() < 0 || file.GetPercentRead() > 100) Fail("PercentRead out of range");
  // Lines in blocks (ReadLines, ReadLine where it leaves a line) give the
  // text, failures and line-break kind of ReadLine alone.
  const auto readToEnd = [&](std::size_t block) {
    static const std::string_view STOPS_C[] = {"<?xml"};
    Qd::TTextFile reader;
    if (chosen < 7) reader.SetFormat(static_cast<Qd::TTextFileFormat>(chosen));
    reader.Open(bytes);
    std::wstring text;
    std::size_t reads = 0;
    while (!reader.Eof()) {
      if (++reads > bytes.size() + 1) Fail("ReadLines takes no bytes");
      try {
        if (block > 0 && reader.ReadLines(text, endChar, block, STOPS_C) > 0) continue;
        text += reader.ReadLine(endChar);
      } catch (const Qd::EUft8Exception& e) {
        text += L"[UTF-8 " + std::to_wstring(e.GetIndex()) + L"/" + std::to_wstring(e.GetData().size()) + L"]";
      } catch (const Rtl::EConvertError& e) {
        text += L"[" + e.Message() + L"]";
      }
    }
    return text + L"[" + std::to_wstring(static_cast<int>(reader.GetNewLine())) + L"]";
  };
  if (chosen != 8 && readToEnd(1 + (control * 7u) % 300) != readToEnd(0)) Fail("ReadLines differs from ReadLine");
  // Character by character: every character takes at least one byte, also
  // when it raises.
  Qd::TTextFile chars;
  if (chosen < 7) chars.SetFormat(static_cast<Qd::TTextFileFormat>(chosen));
  chars.Open(bytes);
  std::size_t taken = 0;
  while (!chars.Eof()) {
    try {
      chars.PeekChar(control % 3);  // looks only
    } catch (const Qd::EUft8Exception&) {
    }
    try {
      chars.ReadChar();
    } catch (const Qd::EUft8Exception&) {
    }
    if (++taken > bytes.size() + 1) Fail("ReadChar takes no bytes");
  }
  // Detection of the whole data, and of its BOM alone.
  Qd::TTextFileFormat format = Qd::tfAnsi;
  std::int32_t codePage = 0;
  bool bom = false;
  Qd::TTextFile::DetectFormat(bytes, format, codePage, bom, false, Qd::tfAnsi, 1252);
  if (Qd::TTextFile::DoesFileHaveBom(bytes) != (bom && bytes.size() >= 2)) Fail("BOM detected differently");
  // The whole text at once, with detection.
  try {
    Qd::TTextFile::ReadAll(bytes);
  } catch (const Qd::EUft8Exception&) {
  } catch (const Rtl::EConvertError&) {
  }
}

// Bad text may only raise the reader's own errors: invalid UTF-8 and units
// or code pages that can't be converted.
void TextReader(TInput input) {
  try {
    ReadText(input);
  } catch (const Qd::EUft8Exception&) {
  } catch (const Rtl::EConvertError&) {
  } catch (const Rtl::Exception& e) {
    Fail("unexpected exception: " + TestSupport::Narrow(e.Message()));
  }
}

TBytes GenerateReaderInput(std::uint64_t seed) {
  std::mt19937_64 random(seed);
  TBytes bytes{static_cast<std::uint8_t>(random())};
  static const char* const STARTS_C[] = {"", "\xEF\xBB\xBF", "\xFF\xFE", "\xFE\xFF", "\x84\x31\x95\x33", "<"};
  const std::size_t start = random() % (std::size(STARTS_C) + 4);
  if (start < std::size(STARTS_C)) bytes.insert(bytes.end(), STARTS_C[start], STARTS_C[start] + std::strlen(STARTS_C[start]));
  else if (start == std::size(STARTS_C)) bytes.insert(bytes.end(), {0xFF, 0xFE, 0, 0});
  else if (start == std::size(STARTS_C) + 1) bytes.insert(bytes.end(), {0, 0, 0xFE, 0xFF});
  else if (start == std::size(STARTS_C) + 2) bytes.insert(bytes.end(), {0, '<'});
  else bytes.insert(bytes.end(), {'<', 0});
  const TBytes body = GenerateText(random());
  bytes.insert(bytes.end(), body.begin(), body.end());
  return bytes;
}

}  // namespace

// The reader; weight 4.
TTarget TextReaderTarget() {
  return {"text-reader", TextReader, TextSeeds, TextTokens, 4, GenerateReaderInput};
}

// Weight 8: the cases are cheap.
TTarget TextCodingTarget() { return {"text-coding", TextCoding, TextSeeds, TextTokens, 8, GenerateText}; }

}  // namespace Fuzz
