#include "QdTextFile/TextFile.h"

#include <cstring>
#include <vector>

#include "runtime/Core/Cpu.h"
#include "runtime/Core/Exceptions.h"
#include "runtime/IO/Files.h"
#include "runtime/Text/Ascii.h"
#include "runtime/Text/CodePage.h"
#include "runtime/Text/Format.h"
#include "runtime/Text/StringList.h"
#include "QdClasses/File.h"
#include "QdString/String.h"
#include "QdTextFile/Strings.h"

namespace Qd {

namespace {

// How one step of the UTF-8 walk ended.
enum TUtf8Step { usOk, usInvalid, usCut };

// The lowest and highest second byte after a lead byte (Unicode, table 3-7);
// the later continuation bytes are always 80-BF.
struct TLeadRule {
  std::uint8_t Length, Low, High;
};

constexpr TLeadRule LeadRule(std::uint8_t lead) {
  if (lead >= 0xC2 && lead <= 0xDF) return {2, 0x80, 0xBF};
  if (lead == 0xE0) return {3, 0xA0, 0xBF};
  if (lead == 0xED) return {3, 0x80, 0x9F};
  if (lead >= 0xE1 && lead <= 0xEF) return {3, 0x80, 0xBF};
  if (lead == 0xF0) return {4, 0x90, 0xBF};
  if (lead >= 0xF1 && lead <= 0xF3) return {4, 0x80, 0xBF};
  if (lead == 0xF4) return {4, 0x80, 0x8F};
  return {0, 0, 0};  // 80-C1, F5-FF start no character
}

// Decodes the multi-byte sequence at data[i] (data[i] >= 0x80). On success
// `cp` is the code point and `i` moves past it; otherwise `i` is the index
// of the offending byte (for a cut sequence: the last byte of the data).
TUtf8Step DecodeSequence(const std::uint8_t* data, std::size_t size, std::size_t& i, char32_t& cp) {
  const std::uint8_t lead = data[i];
  const TLeadRule rule = LeadRule(lead);
  if (rule.Length == 0) return usInvalid;
  char32_t value = lead & (0x7F >> rule.Length);
  for (std::size_t k = 1; k < rule.Length; ++k) {
    if (i + k >= size) {
      i = size - 1;
      return usCut;
    }
    const std::uint8_t b = data[i + k];
    const std::uint8_t low = k == 1 ? rule.Low : 0x80;
    const std::uint8_t high = k == 1 ? rule.High : 0xBF;
    if (b < low || b > high) {
      i += k;
      return usInvalid;
    }
    value = value << 6 | (b & 0x3F);
  }
  i += rule.Length;
  cp = value;
  return usOk;
}

// The high bit of each byte of a word: a word of ASCII has none set.
constexpr std::uint64_t HIGH_BITS_C = 0x8080808080808080ULL;

// The number of ASCII bytes at the start of data[i..size), tested 16 bytes
// at a time (plain word tests: no vector unit needed).
std::size_t AsciiRun(const std::uint8_t* data, std::size_t i, std::size_t size) {
  const std::size_t start = i;
  while (size - i >= 16) {
    std::uint64_t a, b;
    std::memcpy(&a, data + i, 8);
    std::memcpy(&b, data + i + 8, 8);
    if (((a | b) & HIGH_BITS_C) != 0) break;
    i += 16;
  }
  while (i < size && data[i] < 0x80) ++i;
  return i - start;
}

// The walk of IsUtf8 and IsUtf8Start.
bool WalkUtf8(TTextFile::TData data, bool& asciiOnly, bool ignoreCutEnd) {
  asciiOnly = true;
  const std::uint8_t* p = data.data();
  const std::size_t size = data.size();
  std::size_t i = 0;
  while (i < size) {
    i += AsciiRun(p, i, size);
    if (i >= size) break;
    const std::size_t start = i;
    char32_t cp = 0;
    const TUtf8Step step = DecodeSequence(p, size, i, cp);
    if (step == usCut && ignoreCutEnd && size - start <= 3) break;
    if (step != usOk) return false;
    asciiOnly = false;
  }
  return !asciiOnly;
}

[[noreturn]] void NotImplemented() { throw Rtl::Exception(Rtl::SNotImplemented); }

#if defined(RTL_SSE2_PATHS)
// Utf8ToUnicodePos's ASCII in blocks of 16 bytes, widened by interleaving
// with zero bytes, up to the first block with a byte beyond ASCII (the
// blocks without SSE2 follow it).
RTL_SSE2 void WidenAsciiBlocks(const std::uint8_t* p, std::size_t sourceBytes, std::size_t& i, wchar_t* dest,
                               std::size_t room, std::size_t& count) {
  const __m128i zero = _mm_setzero_si128();
  while (sourceBytes - i >= 16 && room - count >= 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    if (_mm_movemask_epi8(v) != 0) break;
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dest + count), _mm_unpacklo_epi8(v, zero));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dest + count + 8), _mm_unpackhi_epi8(v, zero));
    i += 16;
    count += 16;
  }
}
#endif

}  // namespace

// --- EUft8Exception -----------------------------------------------------------

EUft8Exception::EUft8Exception(Rtl::RawByteString data, std::uint32_t index)
    : EQdException(L""), FIndex(index), FData(std::move(data)) {
  SetMessage(GetText());
}

void EUft8Exception::GetLines(Rtl::TStringList& lines) const {
  lines.Add(Rtl::Format(Rtl::LoadResString(SInvalidUtf8Character), {static_cast<long long>(FIndex)}));
  lines.Add(TString::RawByteStringToString(FData));
}

// --- UTF-8 coding -------------------------------------------------------------

int TTextFile::GetUtf8CharacterLength(std::uint8_t b) {
  switch (b >> 4) {
    case 0xC:
    case 0xD: return 2;
    case 0xE: return 3;
    case 0xF: return 4;
    default: return b < 0x80 ? 1 : 0;
  }
}

std::ptrdiff_t TTextFile::Utf8ToUnicodePos(wchar_t* dest, std::size_t maxDestChars, const char* source,
                                           std::size_t sourceBytes, std::size_t& i) {
  const auto* p = reinterpret_cast<const std::uint8_t*>(source);
  i = 0;
  if (dest != nullptr && maxDestChars == 0) return 0;
  // Room for units before the terminator.
  const std::size_t room = dest != nullptr ? maxDestChars - 1 : static_cast<std::size_t>(-1);
  std::size_t count = 0;
#if defined(RTL_SSE2_PATHS)
  const bool sse2 = Rtl::Cpu::HasSse2();
#endif
  while (i < sourceBytes && count < room) {
    if (dest == nullptr) {
      const std::size_t run = AsciiRun(p, i, sourceBytes);
      i += run;
      count += run;
    } else {
      // ASCII 16 bytes at a time, widened in the same pass; single bytes
      // only where no whole block of ASCII follows.
      for (;;) {
#if defined(RTL_SSE2_PATHS)
        if (sse2) WidenAsciiBlocks(p, sourceBytes, i, dest, room, count);
#endif
        while (sourceBytes - i >= 16 && room - count >= 16) {
          std::uint64_t a, b;
          std::memcpy(&a, p + i, 8);
          std::memcpy(&b, p + i + 8, 8);
          if (((a | b) & HIGH_BITS_C) != 0) break;
          for (std::size_t k = 0; k < 16; ++k) dest[count + k] = static_cast<wchar_t>(p[i + k]);
          i += 16;
          count += 16;
        }
        if (i >= sourceBytes || count >= room || p[i] >= 0x80) break;
        dest[count++] = static_cast<wchar_t>(p[i++]);
      }
    }
    if (i >= sourceBytes || count >= room) break;
    std::size_t next = i;
    char32_t cp = 0;
    if (DecodeSequence(p, sourceBytes, next, cp) != usOk) {
      i = next + 1;
      return -1;
    }
    const std::size_t units = cp >= 0x10000 ? 2 : 1;
    if (units > room - count) break;  // a pair that doesn't fit stays unread
    if (dest != nullptr) {
      if (units == 2) {
        dest[count] = static_cast<wchar_t>(0xD800 + ((cp - 0x10000) >> 10));
        dest[count + 1] = static_cast<wchar_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
      } else {
        dest[count] = static_cast<wchar_t>(cp);
      }
    }
    count += units;
    i = next;
  }
  if (dest != nullptr) dest[count] = L'\0';
  return static_cast<std::ptrdiff_t>(count + 1);
}

std::wstring TTextFile::Utf8Decode(std::string_view value) {
  if (value.empty()) return {};
  // Decoded in pieces through a small buffer that stays in the cache and
  // appended to a result reserved at once: the result's memory is written
  // once, not first filled with zeros and then decoded into.
  constexpr std::size_t PIECE_C = 8192;
  wchar_t piece[PIECE_C + 1];
  std::wstring result;
  result.reserve(value.size());
  std::size_t done = 0;
  while (done < value.size()) {
    std::size_t i = 0;
    const std::ptrdiff_t written =
        Utf8ToUnicodePos(piece, PIECE_C + 1, value.data() + done, value.size() - done, i);
    if (written <= 0) throw EUft8Exception(Rtl::RawByteString(value), static_cast<std::uint32_t>(done + i));
    result.append(piece, static_cast<std::size_t>(written - 1));
    done += i;
  }
  return result;
}

Rtl::RawByteString TTextFile::Utf8Encode(std::wstring_view value) {
  return Rtl::WideToCodePage(value, Rtl::CODE_PAGE_UTF8_C);
}

std::size_t TTextFile::UnicodeToUtf8(char* dest, std::size_t maxDestBytes, const wchar_t* source,
                                     std::size_t sourceChars) {
  const std::string bytes = Utf8Encode(std::wstring_view(source, sourceChars));
  if (dest == nullptr) return bytes.size() + 1;
  if (maxDestBytes == 0) return 0;
  std::size_t n = bytes.size() < maxDestBytes - 1 ? bytes.size() : maxDestBytes - 1;
  if (n < bytes.size()) {
    // Cut: drop the bytes of a sequence that doesn't fit whole.
    while (n > 0 && (static_cast<std::uint8_t>(bytes[n]) & 0xC0) == 0x80) --n;
  }
  std::memcpy(dest, bytes.data(), n);
  dest[n] = '\0';
  return n + 1;
}

// --- Content analysis ---------------------------------------------------------

bool TTextFile::IsAscii(std::uint8_t c) { return c == 9 || c == 10 || c == 13 || c >= 0x14; }

bool TTextFile::IsUtf8(TData data, bool& asciiOnly) { return WalkUtf8(data, asciiOnly, false); }

bool TTextFile::IsUtf8(const std::wstring& fileName, bool& asciiOnly) {
  const Rtl::TBytes data = TFile::FileToBytes(fileName);
  return IsUtf8(TData(data.data(), data.size()), asciiOnly);
}

bool TTextFile::IsAsciiOnlyUtf8(const std::wstring& fileName) {
  bool asciiOnly = false;
  IsUtf8(fileName, asciiOnly);
  return asciiOnly;
}

bool TTextFile::IsUtf8Start(TData data, bool& asciiOnly) { return WalkUtf8(data, asciiOnly, true); }

bool TTextFile::IsUtf32Le(TData data) {
  if (data.size() % 4 != 0 || data.size() < 4 * MIN_LENGHT_C) return false;
  for (std::size_t k = 0; k < data.size() && k < MAX_LENGHT_C; k += 4)
    if (data[k + 2] > 0x10 || data[k + 3] != 0) return false;
  return true;
}

bool TTextFile::IsUtf32Be(TData data) {
  if (data.size() % 4 != 0 || data.size() < 4 * MIN_LENGHT_C) return false;
  for (std::size_t k = 0; k < data.size() && k < MAX_LENGHT_C; k += 4)
    if (data[k] != 0 || data[k + 1] > 0x10) return false;
  return true;
}

bool TTextFile::CheckUtf16(TData data, TTextFileFormat& format) {
  const std::size_t size = data.size();
  if (size % 2 != 0 || size < 2 * MIN_LENGHT_C) return false;
  std::size_t oddZeros = 0, evenZeros = 0;
  for (std::size_t k = 0; k < size && k < MAX_LENGHT_C; ++k) {
    if (data[k] != 0) continue;
    if (k % 2 == 1) {
      ++oddZeros;
      if (k + 1 < size && !IsAscii(data[k + 1])) return false;
    } else {
      ++evenZeros;
      if (k > 0 && !IsAscii(data[k - 1])) return false;
    }
  }
  // The threshold is a quarter of the whole length, not of the part looked
  // at: long text without markup doesn't reach it.
  if (oddZeros > 0 && oddZeros >= size / 4) {
    format = tfUtf16Le;
    return true;
  }
  if (evenZeros > 0 && evenZeros >= size / 4) {
    format = tfUtf16Be;
    return true;
  }
  return false;
}

namespace {

bool Analyze(TTextFile::TData data, TTextFileFormat& format, bool start) {
  if (TTextFile::IsUtf32Le(data)) {
    format = tfUtf32Le;
    return true;
  }
  if (TTextFile::IsUtf32Be(data)) {
    format = tfUtf32Be;
    return true;
  }
  bool asciiOnly = true;
  if (start ? TTextFile::IsUtf8Start(data, asciiOnly) : TTextFile::IsUtf8(data, asciiOnly)) {
    format = tfUtf8;
    return true;
  }
  return TTextFile::CheckUtf16(data, format);
}

}  // namespace

bool TTextFile::AnalyzeFormat(TData data, TTextFileFormat& format) { return Analyze(data, format, false); }

bool TTextFile::AnalyzeStart(TData data, TTextFileFormat& format) { return Analyze(data, format, true); }

// --- Formats and names --------------------------------------------------------

int TTextFile::GetBomLength(TTextFileFormat format) {
  switch (format) {
    case tfAnsi: return 0;
    case tfUtf8: return 3;
    case tfUtf16Le:
    case tfUtf16Be: return 2;
    case tfUtf32Le:
    case tfUtf32Be:
    case tfGb18030: return 4;
  }
  throw Rtl::Exception(Rtl::SErrorMessage);
}

std::wstring TTextFile::GetFormatName(TTextFileFormat format) {
  switch (format) {
    case tfAnsi: return Rtl::LoadResString(STextFormatAnsi);
    case tfUtf8: return Rtl::LoadResString(STextFormatUtf8);
    case tfUtf16Le: return Rtl::LoadResString(STextFormatUtf16Le);
    case tfUtf16Be: return Rtl::LoadResString(STextFormatUtf16Be);
    case tfUtf32Le: return Rtl::LoadResString(STextFormatUtf32Le);
    case tfUtf32Be: return Rtl::LoadResString(STextFormatUtf32Be);
    case tfGb18030: return Rtl::LoadResString(STextFormatGb18030);
  }
  NotImplemented();
}

TEncodingCategory TTextFile::FormatToEcodingCategory(TTextFileFormat format) {
  switch (format) {
    case tfAnsi: return ecAnsi;
    case tfUtf8: return ecUtf8;
    case tfUtf16Le: return ecUtf16Le;
    case tfUtf16Be: return ecUtf16Be;
    case tfUtf32Le: return ecUtf32Le;
    case tfUtf32Be: return ecUtf32Be;
    case tfGb18030: return ecGb18030;
  }
  NotImplemented();
}

TTextFileFormat TTextFile::EcodingCategoryToFormat(TEncodingCategory category) {
  switch (category) {
    case ecAnsi: return tfAnsi;
    case ecUtf8: return tfUtf8;
    case ecUtf16Le: return tfUtf16Le;
    case ecUtf16Be: return tfUtf16Be;
    case ecUtf32Le: return tfUtf32Le;
    case ecUtf32Be: return tfUtf32Be;
    case ecGb18030: return tfGb18030;
    default: NotImplemented();
  }
}

TTextFileFormat TTextFile::EncodingToTextFormat(std::wstring_view encoding, TTextFileFormat current) {
  using Rtl::AsciiSameText;
  if (AsciiSameText(encoding, L"utf-8")) return tfUtf8;
  if (AsciiSameText(encoding, L"unicode")) return tfUtf16Le;
  if (AsciiSameText(encoding, L"unicodeFFFE")) return tfUtf16Be;
  if (AsciiSameText(encoding, L"UTF-32LE")) return tfUtf32Le;
  if (AsciiSameText(encoding, L"UTF-32BE")) return tfUtf32Be;
  if (AsciiSameText(encoding, L"GB18030")) return tfGb18030;
  if (AsciiSameText(encoding, L"utf-16") || AsciiSameText(encoding, L"ucs-2") ||
      AsciiSameText(encoding, L"ISO-10646-UCS-2"))
    return current == tfUtf16Le || current == tfUtf16Be ? current : tfUtf16Le;
  return tfAnsi;
}

void TTextFile::InvalidFile(std::wstring_view fileName, std::wstring_view line, std::wstring_view description,
                            std::wstring_view msg, int lineCounter, int position) {
  std::wstring text;
  if (!fileName.empty())
    text += Rtl::Format(Rtl::LoadResString(SInvalidFileName), {Rtl::ExtractFileName(fileName)}) + L"\r\n";
  text += description;
  text += L"\r\n";
  if (!msg.empty()) {
    text += msg;
    text += L"\r\n";
  }
  if (lineCounter <= 0)
    text += Rtl::Format(Rtl::LoadResString(SAtPosition), {position});
  else
    text += Rtl::Format(Rtl::LoadResString(SAtPositionOnLine), {position, lineCounter});
  text += L"\r\n\"";
  text += line;
  text += L'"';
  throw EInvalidFileException(std::move(text), std::wstring(line), lineCounter, position);
}

// --- Line breaks --------------------------------------------------------------

std::wstring TTextFile::NewLineToString(TNewLine value) {
  switch (value) {
    case nlCrLf: return L"\r\n";
    case nlLfCr: return L"\n\r";
    case nlCr: return L"\r";
    case nlLf: return L"\n";
  }
  throw Rtl::Exception(Rtl::SErrorMessage);
}

void TTextFile::ProcessNewLineChar(wchar_t c, TNewLineCharacter& previous, TNewLine& newLine) {
  switch (previous) {
    case ncNone:
      if (c == L'\r') previous = ncCR;
      else if (c == L'\n') previous = ncLF;
      break;
    case ncLF:
      newLine = c == L'\r' ? nlLfCr : nlLf;
      previous = ncNone;
      break;
    case ncCR:
      newLine = c == L'\n' ? nlCrLf : nlCr;
      previous = ncNone;
      break;
  }
}

TNewLine TTextFile::DetectNewLine(std::wstring_view str) {
  TNewLineCharacter previous = ncNone;
  TNewLine newLine = nlCrLf;
  for (wchar_t c : str) ProcessNewLineChar(c, previous, newLine);
  return newLine;
}

std::wstring TTextFile::WideToUnicodeEscape(std::wstring_view wideStr, std::wstring_view extraChars) {
  static constexpr std::wstring_view SPECIAL_C = L"\\\b\t\n\f\r\"'";
  static constexpr std::wstring_view ESCAPED_C = L"\\btnfr\"'";
  static constexpr wchar_t HEX_C[] = L"0123456789ABCDEF";
  std::wstring result;
  result.reserve(wideStr.size());
  for (wchar_t c : wideStr) {
    const std::size_t special = SPECIAL_C.find(c);
    if (special != std::wstring_view::npos && extraChars.find(c) != std::wstring_view::npos) {
      result += L'\\';
      result += ESCAPED_C[special];
    } else if (c > 127) {
      result += L"\\u";
      const unsigned value = static_cast<unsigned>(c) & 0xFFFF;
      for (int shift = 12; shift >= 0; shift -= 4) result += HEX_C[(value >> shift) & 0xF];
    } else {
      result += c;
    }
  }
  return result;
}

}  // namespace Qd
