#include "QdString/Gb18030.h"

#include <algorithm>

#include "QdString/Gb18030Tables.h"

namespace Qd {

namespace {

using namespace Gb18030;

constexpr wchar_t REPLACEMENT_C = L'\uFFFD';

bool IsFirst(std::uint8_t b) { return b >= 0x81 && b <= 0xFE; }
bool IsDigit(std::uint8_t b) { return b >= 0x30 && b <= 0x39; }

// The two-byte sequence the map gives a character outside the plane; 0
// when it has the computed four-byte form.
std::uint32_t SupplementaryTwoByte(std::uint32_t c) {
  const TSupplementaryPair* end = SUPPLEMENTARY_C + SUPPLEMENTARY_COUNT_C;
  const TSupplementaryPair* at =
      std::lower_bound(SUPPLEMENTARY_C, end, c, [](const TSupplementaryPair& p, std::uint32_t v) { return p.CodePoint < v; });
  return at != end && at->CodePoint == c ? at->Bytes : 0;
}

}  // namespace

std::wstring TGb18030Converter::Decode(std::string_view bytes) {
  // Never more code units than bytes: one per byte, one for two, at most
  // two for four.
  std::wstring text(bytes.size(), L'\0');
  wchar_t* out = text.data();
  const auto* in = reinterpret_cast<const std::uint8_t*>(bytes.data());
  const std::size_t size = bytes.size();
  std::size_t i = 0;
  while (i < size) {
    const std::uint8_t b1 = in[i];
    if (const std::int32_t single = ONE_BYTE_C[b1]; single >= 0) {
      *out++ = static_cast<wchar_t>(single);
      ++i;
      continue;
    }
    std::uint32_t c = 0;
    std::size_t length = 1;
    if (IsFirst(b1) && i + 1 < size) {
      const std::uint8_t b2 = in[i + 1];
      if (b2 >= 0x40 && b2 <= 0xFE && b2 != 0x7F) {
        c = TWO_BYTE_C[(b1 - 0x81) * 191 + (b2 - 0x40)];
        length = 2;
      } else if (IsDigit(b2) && i + 3 < size) {
        const std::uint8_t b3 = in[i + 2];
        const std::uint8_t b4 = in[i + 3];
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
      *out++ = REPLACEMENT_C;
      ++i;
    } else if (c <= 0xFFFF) {
      *out++ = static_cast<wchar_t>(c);
      i += length;
    } else {
      *out++ = static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10));
      *out++ = static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
      i += length;
    }
  }
  text.resize(static_cast<std::size_t>(out - text.data()));
  return text;
}

std::string TGb18030Converter::Encode(std::wstring_view text) {
  // Two bytes per code unit hold most text; the buffer grows when fewer
  // than four bytes are left.
  std::string bytes(text.size() * 2 + 4, '\0');
  char* out = bytes.data();
  char* end = bytes.data() + bytes.size();
  const std::size_t size = text.size();
  for (std::size_t i = 0; i < size; ++i) {
    if (end - out < 4) {
      const std::size_t used = static_cast<std::size_t>(out - bytes.data());
      bytes.resize(bytes.size() + (size - i) * 2 + 4);
      out = bytes.data() + used;
      end = bytes.data() + bytes.size();
    }
    const auto c = static_cast<std::uint16_t>(text[i]);
    if (c < 0x80) {
      *out++ = static_cast<char>(c);
      continue;
    }
    std::uint32_t packed;
    if (c >= 0xD800 && c <= 0xDFFF) {
      const bool pair = c <= 0xDBFF && i + 1 < size && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF;
      if (!pair) {
        *out++ = '?';
        continue;
      }
      const std::uint32_t cp = 0x10000 + ((c - 0xD800u) << 10) + (static_cast<std::uint16_t>(text[++i]) - 0xDC00u);
      packed = SupplementaryTwoByte(cp);
      if (packed == 0) {
        std::uint32_t linear = FOUR_BYTE_SUPPLEMENTARY_C + (cp - 0x10000);
        out[3] = static_cast<char>(0x30 + linear % 10);
        linear /= 10;
        out[2] = static_cast<char>(0x81 + linear % 126);
        linear /= 126;
        out[1] = static_cast<char>(0x30 + linear % 10);
        out[0] = static_cast<char>(0x81 + linear / 10);
        out += 4;
        continue;
      }
    } else {
      packed = ENCODE_C[c];
      if (packed == 0) {
        *out++ = '?';  // the map has no sequence for it
        continue;
      }
    }
    if (packed < 0x100) {
      *out++ = static_cast<char>(packed);
    } else if (packed < 0x10000) {
      out[0] = static_cast<char>(packed >> 8);
      out[1] = static_cast<char>(packed & 0xFF);
      out += 2;
    } else {
      out[0] = static_cast<char>(packed >> 24);
      out[1] = static_cast<char>((packed >> 16) & 0xFF);
      out[2] = static_cast<char>((packed >> 8) & 0xFF);
      out[3] = static_cast<char>(packed & 0xFF);
      out += 4;
    }
  }
  bytes.resize(static_cast<std::size_t>(out - bytes.data()));
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
