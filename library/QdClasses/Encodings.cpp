#include "QdClasses/Encodings.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <type_traits>
#include <utility>

#include "QdClasses/EncodingTables.h"
#include "QdString.h"
#include "QdString/HexPair.h"
#include "runtime/Core/Exceptions.h"
#include "runtime/Text/Ascii.h"
#include "runtime/Text/Format.h"

namespace Qd {

namespace {

// Value of each character code in the Base64 / Base32 alphabet; 0 for every
// other character. Characters above 255 also count 0. Base32 letters count
// in either case, as TBase32::IsChar accepts them.
std::uint8_t base64Codes[256];
std::uint8_t base32Codes[256];

bool IsWhiteSpace(wchar_t c) { return TUnicodeString::IsWhiteSpace(c); }

// What every decoder reports about the layout of its text, and the
// bookkeeping shared by all four. The whitespace between two data characters
// is always one contiguous run of the input, so it is kept as a position and
// a length rather than copied character by character.
class TLayoutReader {
public:
  TLayoutReader(std::wstring_view str, std::wstring& before, std::wstring& after, std::wstring& newLine,
                int& lineLength)
      : FStr(str), FBefore(before), FNewLine(newLine) {
    before.clear();
    after.clear();
    newLine.clear();
    lineLength = 0;
    FLength = str.size();
    while (FLength > 0 && IsWhiteSpace(str[FLength - 1])) --FLength;
    after.assign(str.substr(FLength));
  }

  TLayoutReader(const TLayoutReader&) = delete;
  TLayoutReader& operator=(const TLayoutReader&) = delete;

  // Hands out the new line found; `result` keeps the `produced` bytes.
  Rtl::TBytes Finish(Rtl::TBytes& result, size_t produced) {
    if (FNewLineLength > 0) FNewLine.assign(FStr.substr(FNewLineStart, FNewLineLength));
    result.resize(produced);
    return std::move(result);
  }

  // The number of characters before the trailing whitespace.
  size_t Length() const { return FLength; }
  // Drops trailing padding (and whitespace mixed into it).
  void DropPadding() {
    while (FLength > 0 && (FStr[FLength - 1] == L'=' || IsWhiteSpace(FStr[FLength - 1]))) --FLength;
  }

  // The whitespace character at `index`, met when `produced` bytes have
  // been written: part of `before` until the first byte is complete.
  void WhiteSpace(size_t index, size_t produced) {
    if (produced == 0) {
      FBefore.push_back(FStr[index]);
    } else {
      if (FRunLength == 0) FRunStart = index;
      ++FRunLength;
    }
  }
  // A data character: the whitespace run before it becomes the new line.
  void Data() {
    if (FRunLength > 0) {
      FNewLineStart = FRunStart;
      FNewLineLength = FRunLength;
      FRunLength = 0;
    }
  }

private:
  std::wstring_view FStr;
  std::wstring& FBefore;
  std::wstring& FNewLine;
  size_t FLength = 0;
  size_t FRunStart = 0, FRunLength = 0;
  size_t FNewLineStart = 0, FNewLineLength = 0;
};

// Base64 and Base32: `Bits` bits per character from `codes`, padding "=".
template <unsigned Bits>
Rtl::TBytes DecodeBits(const std::uint8_t (&codes)[256], std::wstring_view str, std::wstring& before,
                       std::wstring& after, std::wstring& newLine, int& lineLength) {
  TLayoutReader layout(str, before, after, newLine, lineLength);
  layout.DropPadding();
  const size_t len = layout.Length();
  const wchar_t* s = str.data();
  // Every character adds Bits bits, so this bounds the bytes produced.
  Rtl::TBytes result(len * Bits / 8 + 1);
  std::uint8_t* out = result.data();
  size_t produced = 0;
  std::uint32_t value = 0;
  unsigned shift = 0;
  int thisLineLen = 0;
  // A group of characters that makes whole bytes: 4 of Base64 (3 bytes), 8
  // of Base32 (5 bytes).
  constexpr unsigned GROUP_C = Bits == 6 ? 4 : 8;
  constexpr unsigned GROUP_BYTES_C = GROUP_C * Bits / 8;
  using TGroup = std::conditional_t<Bits == 6, std::uint32_t, std::uint64_t>;
  for (size_t i = 0; i < len;) {
    // Fast path: whole groups of printable ASCII characters (no whitespace
    // among them) from a byte boundary on; they only lengthen the line.
    if (shift == 0) {
      size_t j = i;
      std::uint8_t* o = out + produced;
      while (len - j >= GROUP_C) {
        TGroup group = 0;
        unsigned outside = 0;
        for (unsigned k = 0; k < GROUP_C; ++k) {
          const unsigned c = s[j + k];
          outside |= c - 0x21u >= 0x5Eu;
          group = (group << Bits) | codes[c & 0xFF];
        }
        if (outside) break;
        for (unsigned k = 0; k < GROUP_BYTES_C; ++k)
          o[k] = static_cast<std::uint8_t>(group >> (8 * (GROUP_BYTES_C - 1 - k)));
        o += GROUP_BYTES_C;
        j += GROUP_C;
      }
      if (j > i) {
        layout.Data();
        produced = static_cast<size_t>(o - out);
        thisLineLen += static_cast<int>(j - i);
        i = j;
        continue;
      }
    }
    const wchar_t c = s[i];
    if (IsWhiteSpace(c)) {
      if (thisLineLen > lineLength) lineLength = thisLineLen;
      thisLineLen = 0;
      layout.WhiteSpace(i, produced);
    } else {
      layout.Data();
      value = (value << Bits) | (c < 256 ? codes[c] : 0u);
      shift += Bits;
      if (shift >= 8) {
        shift -= 8;
        out[produced++] = static_cast<std::uint8_t>(value >> shift);
      }
      ++thisLineLen;
    }
    ++i;
  }
  return layout.Finish(result, produced);
}

}  // namespace

namespace QdClassesUnit {

void BuildDecodeTables() {
  std::memset(base64Codes, 0, sizeof base64Codes);
  std::memset(base32Codes, 0, sizeof base32Codes);
  for (std::uint8_t i = 0; i < 64; ++i) base64Codes[BASE64_CHARS_C[i]] = i;
  for (std::uint8_t i = 0; i < 32; ++i) {
    base32Codes[BASE32_CHARS_C[i]] = i;
    base32Codes[Rtl::AsciiLower(BASE32_CHARS_C[i])] = i;
  }
}

}  // namespace QdClassesUnit

// --- TBinaryString ---------------------------------------------------------

namespace {

// A count of data characters that no Base64 / Base32 / Base16 text can have.
void ApplyLengthRule(size_t count, TBinaryEncodings& encodings) {
  if (count % 4 != 0) encodings.Exclude(beBase64);
  if (count % 8 != 0) encodings.Exclude(beBase32);
  if (count % 2 != 0) encodings.Exclude(beBase16);
}

}  // namespace

bool TBinaryString::IsString(std::wstring_view str, TBinaryEncoding& defaultEncoding,
                             TBinaryEncodings& encodings, bool acceptWhiteSpaces, int minLength) {
  // Every line but the last of wrapped data holds at least this many.
  constexpr size_t MIN_LINE_C = 40;
  if (minLength > 0 && str.size() < static_cast<size_t>(minLength)) {
    encodings = {};
    return false;
  }
  encodings = TBinaryEncodings::All();
  bool paddingSeen = false;
  size_t first = 0, last = str.size();  // the half-open range [first, last)
  if (acceptWhiteSpaces) {
    while (first + 1 < str.size() && IsWhiteSpace(str[first])) ++first;
    while (last > first && IsWhiteSpace(str[last - 1])) --last;
  } else {
    ApplyLengthRule(str.size(), encodings);
  }
  size_t charCounter = 0, total = 0;
  for (size_t i = first; i < last && !encodings.IsEmpty(); ++i) {
    const wchar_t c = str[i];
    if (IsWhiteSpace(c)) {
      if (!acceptWhiteSpaces || (charCounter > 0 && charCounter < MIN_LINE_C)) {
        encodings = {};
        break;
      }
      charCounter = 0;
      continue;
    }
    if (paddingSeen && c != L'=') {
      encodings.Exclude(beBase64);
      encodings.Exclude(beBase32);
    }
    if (encodings.Contains(beBase64)) {
      if (!TBase64::IsChar(c))
        encodings.Exclude(beBase64);
      else if (c == L'=')
        paddingSeen = true;
    }
    if (encodings.Contains(beBase32)) {
      if (!TBase32::IsChar(c))
        encodings.Exclude(beBase32);
      else if (c == L'=')
        paddingSeen = true;
    }
    if (!TBase16::IsChar(c)) encodings.Exclude(beBase16);
    if (!TUrlString::IsChar(c)) encodings.Exclude(beUrl);
    ++charCounter;
    ++total;
  }
  if (acceptWhiteSpaces && !encodings.IsEmpty()) ApplyLengthRule(total, encodings);
  if (encodings.IsEmpty()) return false;
  for (TBinaryEncoding e : {beBase16, beBase32, beBase64, beUrl})
    if (encodings.Contains(e)) {
      defaultEncoding = e;
      break;
    }
  return true;
}

bool TBinaryString::IsString(std::wstring_view str, TBinaryEncoding& encoding, bool acceptWhiteSpaces,
                             int minLength) {
  TBinaryEncodings encodings;
  return IsString(str, encoding, encodings, acceptWhiteSpaces, minLength);
}

std::wstring TBinaryString::Encode(const Rtl::TBytes& data, TBinaryEncoding encoding) {
  switch (encoding) {
    case beBase64: return TBase64::Encode(data);
    case beBase32: return TBase32::Encode(data);
    case beBase16: return TBase16::Encode(data, false);
    case beUrl: return TUrlString::Encode(data);
  }
  throw Rtl::Exception(Rtl::SErrorMessage);
}

// --- TBase64 ---------------------------------------------------------------

bool TBase64::IsChar(wchar_t c) { return Rtl::IsAsciiAlphaNumeric(c) || c == L'+' || c == L'/' || c == L'='; }

namespace {

// The Base64 characters of every 12-bit value, as two UTF-16 code units in
// the order of memory, so that an encoder writes two characters at once.
struct TBase64Pairs {
  std::uint32_t Pair[4096];
};

constexpr TBase64Pairs MakeBase64Pairs() {
  TBase64Pairs pairs{};
  for (unsigned v = 0; v < 4096; ++v) {
    const std::uint16_t first = BASE64_CHARS_C[v >> 6], second = BASE64_CHARS_C[v & 63];
    const std::uint16_t units[2] = {first, second};
    pairs.Pair[v] = std::bit_cast<std::uint32_t>(units);
  }
  return pairs;
}

constexpr TBase64Pairs BASE64_PAIRS_C = MakeBase64Pairs();

}  // namespace

std::wstring TBase64::Encode(const Rtl::TBytes& data) {
  const size_t n = data.size();
  std::wstring result;
  result.reserve((n + 2) / 3 * 4);
  const std::uint8_t* in = data.data();
  // Whole groups are written through a small buffer: appending it costs
  // less than first filling the whole result and then overwriting it.
  constexpr size_t CHUNK_GROUPS_C = 1024;
  wchar_t buffer[CHUNK_GROUPS_C * 4];
  size_t i = 0;
  while (n - i >= 3) {
    const size_t groups = std::min((n - i) / 3, CHUNK_GROUPS_C);
    wchar_t* out = buffer;
    for (size_t g = 0; g < groups; ++g, i += 3, out += 4) {
      const std::uint32_t v = (std::uint32_t{in[i]} << 16) | (std::uint32_t{in[i + 1]} << 8) | in[i + 2];
      std::memcpy(out, &BASE64_PAIRS_C.Pair[v >> 12], 4);
      std::memcpy(out + 2, &BASE64_PAIRS_C.Pair[v & 4095], 4);
    }
    result.append(buffer, groups * 4);
  }
  if (i < n) {
    // One or two bytes left: two or three characters and padding.
    const wchar_t* chars = BASE64_CHARS_C;
    const bool two = i + 1 < n;
    const std::uint32_t v = (std::uint32_t{in[i]} << 16) | (two ? std::uint32_t{in[i + 1]} << 8 : 0u);
    result.push_back(chars[v >> 18]);
    result.push_back(chars[(v >> 12) & 63]);
    result.push_back(two ? chars[(v >> 6) & 63] : L'=');
    result.push_back(L'=');
  }
  return result;
}

Rtl::TBytes TBase64::Decode(std::wstring_view str, std::wstring& before, std::wstring& after,
                            std::wstring& newLine, int& lineLength) {
  return DecodeBits<6>(base64Codes, str, before, after, newLine, lineLength);
}

Rtl::TBytes TBase64::Decode(std::wstring_view str) {
  std::wstring before, after, newLine;
  int lineLength;
  return Decode(str, before, after, newLine, lineLength);
}

// --- TBase32 ---------------------------------------------------------------

bool TBase32::IsChar(wchar_t c) {
  c = Rtl::AsciiUpper(c);
  return Rtl::IsAsciiUpper(c) || (c >= L'2' && c <= L'7') || c == L'=';
}

std::wstring TBase32::Encode(const Rtl::TBytes& data) {
  // Characters written for a final group of 0 to 4 bytes.
  constexpr size_t TAIL_CHARS_C[5] = {0, 2, 4, 5, 7};
  const size_t n = data.size();
  std::wstring result((n + 4) / 5 * 8, L'=');
  const std::uint8_t* in = data.data();
  wchar_t* out = result.data();
  for (size_t i = 0; i < n; i += 5, out += 8) {
    const size_t group = n - i < 5 ? n - i : 5;
    std::uint64_t v = 0;
    for (size_t k = 0; k < 5; ++k) v = (v << 8) | (k < group ? in[i + k] : 0u);
    const size_t chars = group == 5 ? 8 : TAIL_CHARS_C[group];
    for (size_t k = 0; k < chars; ++k) out[k] = BASE32_CHARS_C[(v >> (35 - 5 * k)) & 31];
  }
  return result;
}

Rtl::TBytes TBase32::Decode(std::wstring_view str, std::wstring& before, std::wstring& after,
                            std::wstring& newLine, int& lineLength) {
  return DecodeBits<5>(base32Codes, str, before, after, newLine, lineLength);
}

Rtl::TBytes TBase32::Decode(std::wstring_view str) {
  std::wstring before, after, newLine;
  int lineLength;
  return Decode(str, before, after, newLine, lineLength);
}

// --- TBase16 ---------------------------------------------------------------

bool TBase16::IsChar(wchar_t c) { return TUnicodeString::IsHexChar(c); }

int TBase16::HexToInt(wchar_t value) {
  const int digit = Rtl::HexDigitValue(value);
  return digit >= 0 ? digit : value - L'0';
}

std::wstring TBase16::Encode(const Rtl::TBytes& data, bool lowerCase) {
  std::wstring result;
  result.reserve(data.size() * 2);
  for (std::uint8_t b : data) HexPair::Append(result, b, lowerCase);
  return result;
}

Rtl::TBytes TBase16::Decode(std::wstring_view str, std::wstring& before, std::wstring& after,
                            std::wstring& newLine, int& lineLength) {
  TLayoutReader layout(str, before, after, newLine, lineLength);
  const size_t len = layout.Length();
  Rtl::TBytes result(len / 2);
  size_t produced = 0;
  int thisLineLen = 0;
  // Two digits make a byte. Whitespace may also stand between the two (hex
  // text wrapped at an odd width) and is skipped like any other; a digit
  // left over at the end is ignored.
  bool haveHigh = false;
  int high = 0;
  for (size_t p = 0; p < len; ++p) {
    const wchar_t c = str[p];
    if (IsWhiteSpace(c)) {
      if (thisLineLen > lineLength) lineLength = thisLineLen;
      thisLineLen = 0;
      layout.WhiteSpace(p, produced);
      continue;
    }
    layout.Data();
    ++thisLineLen;
    if (!haveHigh) {
      high = HexToInt(c);
    } else {
      result[produced++] = static_cast<std::uint8_t>(high * 16 + HexToInt(c));
    }
    haveHigh = !haveHigh;
  }
  return layout.Finish(result, produced);
}

Rtl::TBytes TBase16::Decode(std::wstring_view str) {
  std::wstring before, after, newLine;
  int lineLength;
  return Decode(str, before, after, newLine, lineLength);
}

// --- TUrlString ------------------------------------------------------------

bool TUrlString::IsPlain(wchar_t c) { return Rtl::IsAsciiAlphaNumeric(c); }

bool TUrlString::IsChar(wchar_t c) { return IsPlain(c) || c == L'%' || TUnicodeString::IsDigit(c); }

std::wstring TUrlString::Encode(const Rtl::TBytes& data) {
  std::wstring result;
  result.reserve(data.size() * 3);
  for (std::uint8_t b : data) {
    if (IsPlain(b)) {
      result.push_back(static_cast<wchar_t>(b));
    } else {
      result.push_back(L'%');
      HexPair::Append(result, b);
    }
  }
  return result;
}

Rtl::TBytes TUrlString::Decode(std::wstring_view str, std::wstring& before, std::wstring& after,
                               std::wstring& newLine, int& lineLength) {
  TLayoutReader layout(str, before, after, newLine, lineLength);
  const size_t len = layout.Length();
  Rtl::TBytes result(len);
  size_t produced = 0;
  int thisLineLen = 0;
  size_t p = 0;
  // Whitespace ends a line; the shortest line that holds anything counts.
  auto skipWhiteSpace = [&] {
    for (; p < len && IsWhiteSpace(str[p]); ++p) {
      if (thisLineLen > 0 && (thisLineLen < lineLength || lineLength == 0)) lineLength = thisLineLen;
      thisLineLen = 0;
      layout.WhiteSpace(p, produced);
    }
  };
  while (p < len) {
    skipWhiteSpace();
    if (p >= len) break;
    const wchar_t c = str[p++];
    layout.Data();
    ++thisLineLen;
    if (c != L'%') {
      result[produced++] = static_cast<std::uint8_t>(c);
      continue;
    }
    // "%" and two hexadecimal digits, whitespace allowed before each.
    std::wstring escape(1, L'%');
    for (int k = 0; k < 2; ++k) {
      skipWhiteSpace();
      if (p >= len) break;
      escape.push_back(str[p++]);
      layout.Data();
      ++thisLineLen;
    }
    std::uint8_t byte = 0;
    if (escape.size() != 3 || !HexPair::TryToByte(escape[1], escape[2], byte)) Rtl::RaiseInvalidInteger(escape);
    result[produced++] = byte;
  }
  return layout.Finish(result, produced);
}

Rtl::TBytes TUrlString::Decode(std::wstring_view str) {
  std::wstring before, after, newLine;
  int lineLength;
  return Decode(str, before, after, newLine, lineLength);
}

}  // namespace Qd
