#include "QdString/Gb18030.h"

#include <algorithm>

#include "QdString/Gb18030Tables.h"

namespace Qd {

namespace {

using namespace Gb18030;

constexpr wchar_t REPLACEMENT_C = L'\uFFFD';

bool IsFirst(std::uint8_t b) { return b >= 0x81 && b <= 0xFE; }
bool IsDigit(std::uint8_t b) { return b >= 0x30 && b <= 0x39; }

void AppendCodePoint(std::wstring& text, std::uint32_t c) {
  if (c <= 0xFFFF) {
    text.push_back(static_cast<wchar_t>(c));
  } else {
    text.push_back(static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10)));
    text.push_back(static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
  }
}

// The two-byte sequence the map gives a character outside the plane; 0
// when it has the computed four-byte form.
std::uint32_t SupplementaryTwoByte(std::uint32_t c) {
  const TSupplementaryPair* end = SUPPLEMENTARY_C + SUPPLEMENTARY_COUNT_C;
  const TSupplementaryPair* at =
      std::lower_bound(SUPPLEMENTARY_C, end, c, [](const TSupplementaryPair& p, std::uint32_t v) { return p.CodePoint < v; });
  return at != end && at->CodePoint == c ? at->Bytes : 0;
}

void AppendFourByte(std::string& bytes, std::uint32_t linear) {
  const char b4 = static_cast<char>(0x30 + linear % 10);
  linear /= 10;
  const char b3 = static_cast<char>(0x81 + linear % 126);
  linear /= 126;
  const char b2 = static_cast<char>(0x30 + linear % 10);
  linear /= 10;
  bytes.push_back(static_cast<char>(0x81 + linear));
  bytes.push_back(b2);
  bytes.push_back(b3);
  bytes.push_back(b4);
}

void AppendPacked(std::string& bytes, std::uint32_t packed) {
  if (packed >= 0x10000) {
    bytes.push_back(static_cast<char>(packed >> 24));
    bytes.push_back(static_cast<char>((packed >> 16) & 0xFF));
  }
  if (packed >= 0x100) bytes.push_back(static_cast<char>((packed >> 8) & 0xFF));
  bytes.push_back(static_cast<char>(packed & 0xFF));
}

}  // namespace

std::wstring TGb18030Converter::Decode(std::string_view bytes) {
  std::wstring text;
  text.reserve(bytes.size());
  const std::size_t size = bytes.size();
  std::size_t i = 0;
  while (i < size) {
    const auto b1 = static_cast<std::uint8_t>(bytes[i]);
    if (const std::int32_t single = ONE_BYTE_C[b1]; single >= 0) {
      text.push_back(static_cast<wchar_t>(single));
      ++i;
      continue;
    }
    std::uint32_t c = 0;
    std::size_t length = 1;
    if (IsFirst(b1) && i + 1 < size) {
      const auto b2 = static_cast<std::uint8_t>(bytes[i + 1]);
      if (b2 >= 0x40 && b2 <= 0xFE && b2 != 0x7F) {
        c = TWO_BYTE_C[(b1 - 0x81) * 191 + (b2 - 0x40)];
        length = 2;
      } else if (IsDigit(b2) && i + 3 < size) {
        const auto b3 = static_cast<std::uint8_t>(bytes[i + 2]);
        const auto b4 = static_cast<std::uint8_t>(bytes[i + 3]);
        if (IsFirst(b3) && IsDigit(b4)) {
          const std::uint32_t linear = (((b1 - 0x81u) * 10 + (b2 - 0x30u)) * 126 + (b3 - 0x81u)) * 10 + (b4 - 0x30u);
          if (linear < FOUR_BYTE_BMP_COUNT_C) {
            c = FOUR_BYTE_C[linear];
          } else if (linear >= FOUR_BYTE_SUPPLEMENTARY_C && linear - FOUR_BYTE_SUPPLEMENTARY_C <= 0xFFFFF) {
            c = 0x10000 + (linear - FOUR_BYTE_SUPPLEMENTARY_C);
            // The map gives such a character a two-byte sequence instead.
            if (SupplementaryTwoByte(c) != 0) c = 0;
          }
          length = 4;
        }
      }
    }
    if (c == 0) {
      // No valid sequence starts here: one replacement, on at the next byte.
      text.push_back(REPLACEMENT_C);
      ++i;
    } else {
      AppendCodePoint(text, c);
      i += length;
    }
  }
  return text;
}

std::string TGb18030Converter::Encode(std::wstring_view text) {
  std::string bytes;
  bytes.reserve(text.size() * 2);
  const std::size_t size = text.size();
  for (std::size_t i = 0; i < size; ++i) {
    const auto c = static_cast<std::uint16_t>(text[i]);
    if (c >= 0xD800 && c <= 0xDFFF) {
      const bool pair = c <= 0xDBFF && i + 1 < size && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF;
      if (!pair) {
        bytes.push_back('?');
        continue;
      }
      const std::uint32_t cp = 0x10000 + ((c - 0xD800u) << 10) + (static_cast<std::uint16_t>(text[++i]) - 0xDC00u);
      if (const std::uint32_t two = SupplementaryTwoByte(cp); two != 0)
        AppendPacked(bytes, two);
      else
        AppendFourByte(bytes, FOUR_BYTE_SUPPLEMENTARY_C + (cp - 0x10000));
      continue;
    }
    const std::uint32_t packed = ENCODE_C[c];
    if (packed == 0 && c != 0)
      bytes.push_back('?');
    else
      AppendPacked(bytes, packed);
  }
  return bytes;
}

bool TGb18030Converter::CanEncode(wchar_t c) {
  const auto u = static_cast<std::uint16_t>(c);
  return u == 0 || ((u < 0xD800 || u > 0xDFFF) && ENCODE_C[u] != 0);
}

std::wstring TGb18030Converter::AnsiToWide(const Rtl::RawByteString& str, std::int32_t) {
  FOk = true;
  return Decode(str);
}

Rtl::RawByteString TGb18030Converter::WideToAnsi(const std::wstring& str, std::int32_t) {
  FOk = true;
  return Encode(str);
}

std::int32_t TGb18030Converter::DetectCodePage(const Rtl::TBytes&, bool) { return 0; }

void TGb18030Converter::GetCodePages(const TCodePageEvent& callback) {
  callback(*this, CODE_PAGE_C, L"GB18030", L"GB18030");
}

}  // namespace Qd
