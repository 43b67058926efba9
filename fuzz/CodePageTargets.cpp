// The fuzz targets of the code-page conversions: TString::AnsiToWide and
// WideToAnsi in the system's and the library's code pages.
#include "CodePageTargets.h"

#include <algorithm>
#include <random>

#include "QdString.h"
#include "runtime/Core/Exceptions.h"

namespace Fuzz {

namespace {

// The first byte of an input picks one.
const std::int32_t CODE_PAGES_C[] = {0, 1252, 932, 936, 949, 950, 1258, 65001, 54936, 50220};
constexpr std::size_t CODE_PAGE_COUNT_C = std::size(CODE_PAGES_C);

std::int32_t PickCodePage(TInput input) { return input.empty() ? 0 : CODE_PAGES_C[input[0] % CODE_PAGE_COUNT_C]; }
TInput Payload(TInput input) { return input.empty() ? input : input.subspan(1); }

template <class TText>
std::size_t Nuls(const TText& text) {
  return static_cast<std::size_t>(std::count(text.begin(), text.end(), typename TText::value_type(0)));
}

bool IsValidUtf16(const std::wstring& text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const wchar_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF)
      ++i;
    else if (c >= 0xD800 && c <= 0xDFFF)
      return false;
  }
  return true;
}

// Valid text that the GB18030 map holds character by character.
bool IsGb18030Text(const std::wstring& text) {
  if (!IsValidUtf16(text)) return false;
  return std::all_of(text.begin(), text.end(), [](wchar_t c) {
    return (c >= 0xD800 && c <= 0xDFFF) || Qd::TGb18030Converter::CanEncode(c);
  });
}

// Pieces that the generators put together.
const char* const BYTE_PIECES_C[] = {"a",        "\0",       "\x81\x30\x81\x30", "\x90\x30\x81\x30", "\xB0\xA1",
                                     "\x82\xA0", "\xA4\x40", "\xB0\xA1\xB0",     "\xC3\xA9",         "\xE2\x82",
                                     "\x1B$B",   "\x80",     "\xFF",             "\x84\x31\xA4\x39", "\xE3\x32\x9A\x35"};
const wchar_t* const TEXT_PIECES_C[] = {L"a",       L"\0",     L"\u4E2D\u6587", L"\u3042", L"\uD55C", L"\u00E9",
                                        L"\u1EA0",  L"\uFEFF", L"\U0001F600",   L"\xD800", L"\xDC00", L"\u20AC",
                                        L"\u0100?", L"\uFFFF", L"\uE5E5",       L"\u00D0"};

}  // namespace

void CodePageBytes(TInput input) {
  const std::int32_t codePage = PickCodePage(input);
  const TInput payload = Payload(input);
  const Rtl::RawByteString bytes(payload.begin(), payload.end());
  const std::wstring text = Qd::TString::AnsiToWide(bytes, codePage);
  if (Nuls(text) != Nuls(bytes)) Fail("AnsiToWide lost or added a NUL");
  if (codePage == 54936 && text.size() > bytes.size()) Fail("GB18030 gave more code units than bytes");
  if (codePage == 54936 && text != Qd::TGb18030Converter::Decode(bytes) && Nuls(bytes) == 0)
    Fail("GB18030 through TString differs from the converter");
  try {
    const Rtl::RawByteString again = Qd::TString::WideToAnsi(text, codePage);
    if (Nuls(again) != Nuls(text)) Fail("WideToAnsi lost or added a NUL");
  } catch (const Rtl::Exception&) {
  }
}

std::vector<TBytes> CodePageByteSeeds() {
  std::vector<TBytes> seeds;
  for (std::uint8_t i = 0; i < CODE_PAGE_COUNT_C; ++i) {
    TBytes seed{i};
    for (const char* piece : {"abc", "\xB0\xA1\x81\x30\x81\x30", "\x82\xA0\xA4\x40", "\xC3\xA9"})
      seed.insert(seed.end(), piece, piece + std::char_traits<char>::length(piece));
    seed.push_back(0);
    seed.push_back('z');
    seeds.push_back(seed);
  }
  return seeds;
}

TBytes GenerateCodePageBytes(std::uint64_t seed) {
  std::mt19937_64 random(seed);
  TBytes bytes{static_cast<std::uint8_t>(random() % CODE_PAGE_COUNT_C)};
  const std::size_t pieces = random() % 40;
  for (std::size_t i = 0; i < pieces; ++i) {
    if (random() % 4 == 0) {
      bytes.push_back(static_cast<std::uint8_t>(random()));
      continue;
    }
    const std::size_t index = random() % std::size(BYTE_PIECES_C);
    const char* piece = BYTE_PIECES_C[index];
    const std::size_t length = index == 1 ? 1 : std::char_traits<char>::length(piece);
    bytes.insert(bytes.end(), piece, piece + length);
  }
  if (random() % 3 == 0 && bytes.size() > 1) bytes.resize(1 + random() % (bytes.size() - 1));  // cut short
  return bytes;
}

void CodePageText(TInput input) {
  const std::int32_t codePage = PickCodePage(input);
  const std::wstring text = AsUtf16(Payload(input));
  Rtl::RawByteString bytes;
  try {
    bytes = Qd::TString::WideToAnsi(text, codePage);
  } catch (const Rtl::Exception&) {
    return;  // the system failed after measuring: reported, not passed off as text
  }
  if (Nuls(bytes) != Nuls(text)) Fail("WideToAnsi lost or added a NUL");
  const std::wstring back = Qd::TString::AnsiToWide(bytes, codePage);
  if (Nuls(back) != Nuls(text)) Fail("AnsiToWide lost or added a NUL");
  if (codePage == 65001 && IsValidUtf16(text) && back != text) Fail("UTF-8 round trip");
  if (codePage == 54936 && IsGb18030Text(text) && back != text) Fail("GB18030 round trip");
  // The alien character is in the text and is one the code page lacks.
  const int alien = Qd::TString::IndexOfAlienCharacter(text, codePage);
  if (alien < 0 || alien > static_cast<int>(text.size())) Fail("IndexOfAlienCharacter out of range");
  if (alien > 0 && Qd::TString::DoesCodePageSupport(text[static_cast<std::size_t>(alien - 1)], codePage) &&
      !(text[static_cast<std::size_t>(alien - 1)] >= 0xD800 && text[static_cast<std::size_t>(alien - 1)] <= 0xDBFF))
    Fail("IndexOfAlienCharacter reports a supported character");
}

std::vector<TBytes> CodePageTextSeeds() {
  std::vector<TBytes> seeds;
  for (std::uint8_t i = 0; i < CODE_PAGE_COUNT_C; ++i) {
    TBytes seed{i};
    const TBytes text = Utf16Bytes(std::wstring(L"abc \u4E2D\u6587 \u3042\u00E9\0x\U0001F600?", 16));
    seed.insert(seed.end(), text.begin(), text.end());
    seeds.push_back(seed);
  }
  return seeds;
}

TBytes GenerateCodePageText(std::uint64_t seed) {
  std::mt19937_64 random(seed);
  std::wstring text;
  const std::size_t pieces = random() % 40;
  for (std::size_t i = 0; i < pieces; ++i) {
    if (random() % 4 == 0) {
      text.push_back(static_cast<wchar_t>(random() & 0xFFFF));
      continue;
    }
    const std::size_t index = random() % std::size(TEXT_PIECES_C);
    text += index == 1 ? std::wstring(1, L'\0') : std::wstring(TEXT_PIECES_C[index]);
  }
  TBytes bytes{static_cast<std::uint8_t>(random() % CODE_PAGE_COUNT_C)};
  const TBytes units = Utf16Bytes(text);
  bytes.insert(bytes.end(), units.begin(), units.end());
  return bytes;
}

std::vector<std::string> CodePageTokens() {
  return {std::string("\0", 1), "\x81\x30", "\x81\x30\x81\x30", "\xB0\xA1", "\x90\x30", "\x1B$B", "\x1B(B",
          "\xC3", "\x82\xA0", "\xFE\x51", "\x84\x31\xA4\x39"};
}

}  // namespace Fuzz
