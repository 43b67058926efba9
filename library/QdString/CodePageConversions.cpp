// TString's conversions between UTF-16 and code pages: a registered
// converter first, the system otherwise; and which characters a code page
// holds.
#include <cstring>
#include <type_traits>

#include "QdScript/CodePages.h"
#include "QdString/Converters.h"
#include "QdString/Detail.h"
#include "QdString/Gb18030.h"
#include "QdString/String.h"
#include "QdString/Strings.h"
#include "runtime/Core/Exceptions.h"
#include "runtime/Core/ResStrings.h"
#include "runtime/System/Win32.h"
#include "runtime/Text/Format.h"

namespace Qd {

namespace {

constexpr std::int32_t CP_UTF7_C = 65000;
constexpr std::int32_t CP_UTF8_C = 65001;
constexpr std::int32_t CP_VIETNAMESE_C = 1258;
constexpr std::int32_t CP_GB18030_C = 54936;
constexpr DWORD COMPOSITE_FLAGS_C = WC_COMPOSITECHECK | WC_SEPCHARS;  // 0x220

bool IsSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDFFF; }

// The converter that serves `codePage`: the first converter class the
// table records for it, found enabled in the registry. None before
// start-up and after shutdown: the system converts then.
TCodePageConverter* ChooseConverter(std::int32_t codePage) {
  TCodePageDatas* datas = FindCodePageDatas();
  TCodePageConverters* registry = StringDetail::StartedConverters();
  if (datas == nullptr || registry == nullptr) return nullptr;
  const TCodePageConverterClass converterClass = datas->GetConverter(codePage);
  return converterClass ? registry->Find(converterClass) : nullptr;
}

// --- UTF-16 to 8 bits ---------------------------------------------------------------
//
// The pieces go to the system with their lengths rather than terminated:
// the same sizes and results as with a terminator, without copying each
// piece to terminate it.

// A piece too long for the system's int counts: the measurement fails.
constexpr std::size_t MAX_PIECE_C = 0x7FFFFFFF;

// Measures and converts with `flags`; false when the conversion returns 0
// or gives a first byte 0 (`error` is then the system's code, 0 when the
// call itself succeeded). An empty measurement gives an empty result.
bool SystemWideToAnsi(std::wstring_view text, std::int32_t codePage, DWORD flags, Rtl::RawByteString& result,
                      DWORD& error) {
  result.clear();
  error = 0;
  if (text.size() > MAX_PIECE_C) return true;
  const auto cp = static_cast<UINT>(codePage);
  const int length = static_cast<int>(text.size());
  const int size = WideCharToMultiByte(cp, flags, text.data(), length, nullptr, 0, nullptr, nullptr);
  if (size < 1) return true;  // empty: no retry, no error
  result.resize(static_cast<std::size_t>(size));
  const int written = WideCharToMultiByte(cp, flags, text.data(), length, result.data(), size, nullptr, nullptr);
  if (written == 0) error = GetLastError();
  if (written == 0 || result[0] == '\0') {
    result.clear();
    return false;
  }
  result.resize(static_cast<std::size_t>(written));
  return true;
}

// The converter's conversion; false when it reports failure or doesn't
// convert at all (the contract's operation is abstract).
template <class TResult, class TInput>
bool TryConverter(TCodePageConverter& converter, const TInput& input, std::int32_t codePage, TResult& result) {
  try {
    if constexpr (std::is_same_v<TResult, std::wstring>)
      result = converter.AnsiToWide(input, codePage);
    else
      result = converter.WideToAnsi(input, codePage);
  } catch (const Rtl::EAbstractError&) {
    return false;
  }
  return converter.GetOk();
}

// A piece as the string object a converter takes: the whole input itself
// when the piece is all of it.
template <class TText>
const TText& AsObject(std::basic_string_view<typename TText::value_type> piece, const TText* whole, TText& copy) {
  if (whole != nullptr) return *whole;
  copy.assign(piece);
  return copy;
}

Rtl::RawByteString WidePieceToAnsi(std::wstring_view piece, const std::wstring* whole, std::int32_t codePage,
                                   TCodePageConverter* converter) {
  if (piece.empty()) return {};
  Rtl::RawByteString converted;
  std::wstring copy;
  if (converter != nullptr && TryConverter(*converter, AsObject(piece, whole, copy), codePage, converted))
    return converted;
  std::wstring vietnamese;
  std::wstring_view text = piece;
  if (codePage == CP_VIETNAMESE_C) text = vietnamese = TString::EncodeVietnameseString(piece);
  const DWORD flags = codePage == CP_VIETNAMESE_C || codePage == CP_GB18030_C ? 0 : COMPOSITE_FLAGS_C;
  Rtl::RawByteString result;
  DWORD error = 0;
  if (SystemWideToAnsi(text, codePage, flags, result, error)) return result;
  // One retry without flags. Code pages 1258 and 54936 had none: their
  // failure after a successful measurement is reported all the same, never
  // passed off as an empty text.
  if (flags != 0 && SystemWideToAnsi(text, codePage, 0, result, error)) return result;
  if (converter != nullptr) {
    // The converter's answer as it comes, whatever its Ok.
    TryConverter(*converter, AsObject(piece, whole, copy), codePage, converted);
    return converted;
  }
  if (error != 0)
    throw Rtl::Exception(Rtl::Format(Rtl::LoadResString(SWideCharToMultiByteFailedCode), {static_cast<int>(error)}));
  throw Rtl::Exception(Rtl::LoadResString(SWideCharToMultiByteFailed));
}

// --- 8 bits to UTF-16 ---------------------------------------------------------------

std::wstring AnsiPieceToWide(std::string_view piece, const std::string* whole, std::int32_t codePage,
                             TCodePageConverter* converter) {
  if (piece.empty()) return {};
  std::wstring converted;
  std::string copy;
  if (converter != nullptr && TryConverter(*converter, AsObject(piece, whole, copy), codePage, converted))
    return converted;
  if (piece.size() > MAX_PIECE_C) return {};
  const auto cp = static_cast<UINT>(codePage);
  const int length = static_cast<int>(piece.size());
  const int size = MultiByteToWideChar(cp, 0, piece.data(), length, nullptr, 0);
  if (size < 1) return {};
  std::wstring result(static_cast<std::size_t>(size), L'\0');
  const int written = MultiByteToWideChar(cp, 0, piece.data(), length, result.data(), size);
  result.resize(written > 0 ? static_cast<std::size_t>(written) : 0);
  return result;
}

// Converts `input` piece by piece between its NULs, each NUL kept at its
// place. `convert(piece, whole)` gets the input itself as `whole` when the
// piece is all of it, else none.
template <class TResult, class TText, class TConvert>
TResult ByPieces(const TText& input, TConvert convert) {
  using TChar = typename TText::value_type;
  using TView = std::basic_string_view<TChar>;
  const TView view(input);
  if (view.find(TChar(0)) == TView::npos) return convert(view, &input);
  TResult result;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = view.find(TChar(0), start);
    if (end == TView::npos) {
      result += convert(view.substr(start), nullptr);
      break;
    }
    result += convert(view.substr(start, end - start), nullptr);
    result.push_back(typename TResult::value_type(0));
    start = end + 1;
    if (start == view.size()) break;
  }
  return result;
}

// --- Support of characters -------------------------------------------------------

bool IsKnownCodePage(std::int32_t codePage) {
  return codePage == 0 || IsValidCodePage(static_cast<UINT>(codePage)) != FALSE;
}

// Converts `text` (one character: one unit or a surrogate pair) to
// `codePage` and back: true when no default character was used and the
// text reads back unchanged. 0x220 unless the code page refuses it.
bool SurvivesSystem(const wchar_t* text, int length, std::int32_t codePage) {
  const auto cp = static_cast<UINT>(codePage);
  char bytes[16];
  BOOL usedDefault = FALSE;
  int size = WideCharToMultiByte(cp, COMPOSITE_FLAGS_C, text, length, bytes, sizeof bytes, nullptr, &usedDefault);
  if (size == 0 && GetLastError() == ERROR_INVALID_FLAGS)
    size = WideCharToMultiByte(cp, 0, text, length, bytes, sizeof bytes, nullptr, &usedDefault);
  if (size == 0 && GetLastError() == ERROR_INVALID_PARAMETER) {
    // Code pages that take no used-default report: the reading back tells.
    usedDefault = FALSE;
    size = WideCharToMultiByte(cp, 0, text, length, bytes, sizeof bytes, nullptr, nullptr);
  }
  if (size <= 0 || usedDefault) return false;
  wchar_t back[8];
  const int units = MultiByteToWideChar(cp, 0, bytes, size, back, 8);
  return units == length && std::memcmp(back, text, static_cast<std::size_t>(length) * sizeof(wchar_t)) == 0;
}

bool ComputeSupport(wchar_t c, std::int32_t codePage) {
  if (codePage == CP_UTF8_C || codePage == CP_UTF7_C) return !IsSurrogate(c);
  if (codePage == CP_GB18030_C)
    return !IsSurrogate(c) && (IsValidCodePage(CP_GB18030_C) || TGb18030Converter::CanEncode(c));
  if (c == L'\0') return IsKnownCodePage(codePage);
  return SurvivesSystem(&c, 1, codePage);
}

// A valid surrogate pair: the Unicode encodings hold every one; other code
// pages are asked (not kept: such characters are rare).
bool SupportsPair(const wchar_t* pair, std::int32_t codePage) {
  if (codePage == CP_UTF8_C || codePage == CP_UTF7_C || codePage == CP_GB18030_C) return true;
  return SurvivesSystem(pair, 2, codePage);
}

}  // namespace

Rtl::RawByteString TString::WideToAnsi(const std::wstring& str, std::int32_t codePage) {
  TCodePageConverter* converter = ChooseConverter(codePage);
  return ByPieces<Rtl::RawByteString>(str, [&](std::wstring_view piece, const std::wstring* whole) {
    return WidePieceToAnsi(piece, whole, codePage, converter);
  });
}

std::wstring TString::AnsiToWide(const Rtl::RawByteString& str, std::int32_t codePage) {
  TCodePageConverter* converter = ChooseConverter(codePage);
  return ByPieces<std::wstring>(str, [&](std::string_view piece, const std::string* whole) {
    return AnsiPieceToWide(piece, whole, codePage, converter);
  });
}

std::wstring TString::AnsiToWide(const Rtl::TBytes& str, std::int32_t codePage) {
  return AnsiToWide(BytesToRawByteString(str), codePage);
}

std::wstring TString::Gb18030ToWide(const Rtl::RawByteString& value) { return AnsiToWide(value, CP_GB18030_C); }

Rtl::RawByteString TString::WideToGb18030(const std::wstring& value) { return WideToAnsi(value, CP_GB18030_C); }

char TString::WideCharToAnsiChar(wchar_t c, std::int32_t codePage) {
  if (c == L'\0') return '\0';
  const Rtl::RawByteString converted = WideToAnsi(std::wstring(1, c), codePage);
  return converted.empty() ? '\0' : converted[0];
}

namespace {

// Code pages whose answers are worth keeping: those that convert.
bool IsConvertingCodePage(std::int32_t codePage) {
  return codePage == CP_UTF8_C || codePage == CP_UTF7_C || codePage == CP_GB18030_C || IsKnownCodePage(codePage);
}

// The kept answers of `codePage`; none outside the unit's lifetime or for
// a code page that converts nothing.
std::atomic<std::uint8_t>* KeptAnswers(std::int32_t codePage) {
  StringDetail::TSupportCache* cache = StringDetail::SupportCache();
  return cache != nullptr ? cache->Answers(codePage, &IsConvertingCodePage) : nullptr;
}

}  // namespace

bool TString::DoesCodePageSupport(wchar_t c, std::int32_t codePage) {
  std::atomic<std::uint8_t>* answers = KeptAnswers(codePage);
  if (answers == nullptr) return ComputeSupport(c, codePage);
  std::atomic<std::uint8_t>& answer = answers[static_cast<std::uint16_t>(c)];
  std::uint8_t known = answer.load(std::memory_order_relaxed);
  if (known == 0) {
    known = ComputeSupport(c, codePage) ? 1 : 2;
    answer.store(known, std::memory_order_relaxed);
  }
  return known == 1;
}

int TString::IndexOfAlienCharacter(std::wstring_view str, std::int32_t codePage) {
  if (str.empty() || codePage == 0) return 0;
  std::atomic<std::uint8_t>* answers = KeptAnswers(codePage);
  for (std::size_t i = 0; i < str.size(); ++i) {
    const wchar_t c = str[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < str.size() && str[i + 1] >= 0xDC00 && str[i + 1] <= 0xDFFF) {
      if (!SupportsPair(str.data() + i, codePage)) return static_cast<int>(i) + 1;
      ++i;
      continue;
    }
    bool supported;
    if (answers != nullptr) {
      std::atomic<std::uint8_t>& answer = answers[static_cast<std::uint16_t>(c)];
      std::uint8_t known = answer.load(std::memory_order_relaxed);
      if (known == 0) {
        known = ComputeSupport(c, codePage) ? 1 : 2;
        answer.store(known, std::memory_order_relaxed);
      }
      supported = known == 1;
    } else {
      supported = ComputeSupport(c, codePage);
    }
    if (!supported) return static_cast<int>(i) + 1;
  }
  return 0;
}

int TString::IndexOfWrongWidthCharacter(std::wstring_view str) {
  for (std::size_t i = 0; i < str.size(); ++i)
    if (static_cast<std::uint16_t>(str[i]) >= 0xFF00) return static_cast<int>(i) + 1;
  return 0;
}

namespace {

struct TVietnameseLetter {
  std::uint16_t Letter, Base, Tone;
};

// The letters with a tone mark that code page 1258 has no byte for: the
// letter without the tone mark (precomposed) and the combining tone mark.
const TVietnameseLetter VIETNAMESE_LETTERS_C[] = {
    {0x00C3, 0x0041, 0x0303}, {0x00CC, 0x0049, 0x0300}, {0x00D2, 0x004F, 0x0300}, {0x00D5, 0x004F, 0x0303},
    {0x00DD, 0x0059, 0x0301}, {0x00E3, 0x0061, 0x0303}, {0x00EC, 0x0069, 0x0300}, {0x00F2, 0x006F, 0x0300},
    {0x00F5, 0x006F, 0x0303}, {0x00FD, 0x0079, 0x0301}, {0x0128, 0x0049, 0x0303}, {0x0129, 0x0069, 0x0303},
    {0x0168, 0x0055, 0x0303}, {0x0169, 0x0075, 0x0303}, {0x1EA0, 0x0041, 0x0323}, {0x1EA1, 0x0061, 0x0323},
    {0x1EA2, 0x0041, 0x0309}, {0x1EA3, 0x0061, 0x0309}, {0x1EA4, 0x00C2, 0x0301}, {0x1EA5, 0x00E2, 0x0301},
    {0x1EA6, 0x00C2, 0x0300}, {0x1EA7, 0x00E2, 0x0300}, {0x1EA8, 0x00C2, 0x0309}, {0x1EA9, 0x00E2, 0x0309},
    {0x1EAA, 0x00C2, 0x0303}, {0x1EAB, 0x00E2, 0x0303}, {0x1EAC, 0x00C2, 0x0323}, {0x1EAD, 0x00E2, 0x0323},
    {0x1EAE, 0x0102, 0x0301}, {0x1EAF, 0x0103, 0x0301}, {0x1EB0, 0x0102, 0x0300}, {0x1EB1, 0x0103, 0x0300},
    {0x1EB2, 0x0102, 0x0309}, {0x1EB3, 0x0103, 0x0309}, {0x1EB4, 0x0102, 0x0303}, {0x1EB5, 0x0103, 0x0303},
    {0x1EB6, 0x0102, 0x0323}, {0x1EB7, 0x0103, 0x0323}, {0x1EB8, 0x0045, 0x0323}, {0x1EB9, 0x0065, 0x0323},
    {0x1EBA, 0x0045, 0x0309}, {0x1EBB, 0x0065, 0x0309}, {0x1EBC, 0x0045, 0x0303}, {0x1EBD, 0x0065, 0x0303},
    {0x1EBE, 0x00CA, 0x0301}, {0x1EBF, 0x00EA, 0x0301}, {0x1EC0, 0x00CA, 0x0300}, {0x1EC1, 0x00EA, 0x0300},
    {0x1EC2, 0x00CA, 0x0309}, {0x1EC3, 0x00EA, 0x0309}, {0x1EC4, 0x00CA, 0x0303}, {0x1EC5, 0x00EA, 0x0303},
    {0x1EC6, 0x00CA, 0x0323}, {0x1EC7, 0x00EA, 0x0323}, {0x1EC8, 0x0049, 0x0309}, {0x1EC9, 0x0069, 0x0309},
    {0x1ECA, 0x0049, 0x0323}, {0x1ECB, 0x0069, 0x0323}, {0x1ECC, 0x004F, 0x0323}, {0x1ECD, 0x006F, 0x0323},
    {0x1ECE, 0x004F, 0x0309}, {0x1ECF, 0x006F, 0x0309}, {0x1ED0, 0x00D4, 0x0301}, {0x1ED1, 0x00F4, 0x0301},
    {0x1ED2, 0x00D4, 0x0300}, {0x1ED3, 0x00F4, 0x0300}, {0x1ED4, 0x00D4, 0x0309}, {0x1ED5, 0x00F4, 0x0309},
    {0x1ED6, 0x00D4, 0x0303}, {0x1ED7, 0x00F4, 0x0303}, {0x1ED8, 0x00D4, 0x0323}, {0x1ED9, 0x00F4, 0x0323},
    {0x1EDA, 0x01A0, 0x0301}, {0x1EDB, 0x01A1, 0x0301}, {0x1EDC, 0x01A0, 0x0300}, {0x1EDD, 0x01A1, 0x0300},
    {0x1EDE, 0x01A0, 0x0309}, {0x1EDF, 0x01A1, 0x0309}, {0x1EE0, 0x01A0, 0x0303}, {0x1EE1, 0x01A1, 0x0303},
    {0x1EE2, 0x01A0, 0x0323}, {0x1EE3, 0x01A1, 0x0323}, {0x1EE4, 0x0055, 0x0323}, {0x1EE5, 0x0075, 0x0323},
    {0x1EE6, 0x0055, 0x0309}, {0x1EE7, 0x0075, 0x0309}, {0x1EE8, 0x01AF, 0x0301}, {0x1EE9, 0x01B0, 0x0301},
    {0x1EEA, 0x01AF, 0x0300}, {0x1EEB, 0x01B0, 0x0300}, {0x1EEC, 0x01AF, 0x0309}, {0x1EED, 0x01B0, 0x0309},
    {0x1EEE, 0x01AF, 0x0303}, {0x1EEF, 0x01B0, 0x0303}, {0x1EF0, 0x01AF, 0x0323}, {0x1EF1, 0x01B0, 0x0323},
    {0x1EF2, 0x0059, 0x0300}, {0x1EF3, 0x0079, 0x0300}, {0x1EF4, 0x0059, 0x0323}, {0x1EF5, 0x0079, 0x0323},
    {0x1EF6, 0x0059, 0x0309}, {0x1EF7, 0x0079, 0x0309}, {0x1EF8, 0x0059, 0x0303}, {0x1EF9, 0x0079, 0x0303},};
static_assert(std::size(VIETNAMESE_LETTERS_C) == 14 + (0x1EF9 - 0x1EA0 + 1));

const TVietnameseLetter* FindVietnameseLetter(wchar_t c) {
  const auto u = static_cast<std::uint16_t>(c);
  if (u >= 0x1EA0 && u <= 0x1EF9) return &VIETNAMESE_LETTERS_C[14 + (u - 0x1EA0)];
  for (std::size_t i = 0; i < 14; ++i)
    if (VIETNAMESE_LETTERS_C[i].Letter == u) return &VIETNAMESE_LETTERS_C[i];
  return nullptr;
}

}  // namespace

std::wstring TString::EncodeVietnameseString(std::wstring_view str) {
  std::wstring result;
  result.reserve(str.size() * 2);
  for (const wchar_t c : str) {
    if (const TVietnameseLetter* letter = FindVietnameseLetter(c)) {
      result.push_back(static_cast<wchar_t>(letter->Base));
      result.push_back(static_cast<wchar_t>(letter->Tone));
    } else if (c == L'\u00D0') {
      result.push_back(L'\u0110');
    } else if (c == L'\u00F0') {
      result.push_back(L'\u0111');
    } else if (c == L'\uFEFF') {
      result.push_back(L' ');
    } else {
      result.push_back(c);
    }
  }
  return result;
}

}  // namespace Qd
