// The escape schemes of the string toolbox: control-character escapes, URL,
// C-style, regular-expression, display-code, HTML, ampersand and mail text.
#include <algorithm>
#include <string_view>
#include <type_traits>

#include "QdString/HexPair.h"
#include "QdString/UnicodeString.h"
#include "runtime/Core/Exceptions.h"
#include "runtime/Text/Ascii.h"
#include "runtime/Text/Format.h"
#include "runtime/Text/Utf8.h"
#include "QdString/Strings.h"

namespace Qd {

namespace {

bool StartsAt(std::wstring_view value, size_t index, std::wstring_view part) {
  return value.compare(index, part.size(), part) == 0;
}

// "%" and two hexadecimal digits at `index` of `text` (wide or raw bytes)
// as one byte; anything else raises the runtime's integer-conversion error
// for the escape as written.
template <class TText>
std::uint8_t PercentEscape(const TText& text, size_t index) {
  std::uint8_t byte = 0;
  if (index + 2 < text.size() &&
      HexPair::TryToByte(static_cast<unsigned>(text[index + 1]), static_cast<unsigned>(text[index + 2]), byte))
    return byte;
  std::wstring written;
  for (size_t i = index; i < text.size() && i < index + 3; ++i)
    written.push_back(static_cast<wchar_t>(static_cast<std::make_unsigned_t<typename TText::value_type>>(text[i])));
  Rtl::RaiseInvalidInteger(written);
}

}  // namespace

// --- Control-character escape ------------------------------------------------

std::wstring TUnicodeString::Encode(std::wstring_view str) {
  auto needsEscape = [](wchar_t c) { return c == L'#' || IsControlCharacter(c); };
  if (std::none_of(str.begin(), str.end(), needsEscape)) return std::wstring(str);
  std::wstring result;
  result.reserve(str.size() + 16);
  for (wchar_t c : str) {
    if (c == L'#') {
      result += L"##";
    } else if (IsControlCharacter(c)) {
      result.push_back(L'#');
      HexPair::Append(result, static_cast<std::uint8_t>(c));
    } else {
      result.push_back(c);
    }
  }
  return result;
}

std::wstring TUnicodeString::Decode(std::wstring_view str) {
  if (str.find(L'#') == std::wstring_view::npos) return std::wstring(str);
  std::wstring result;
  result.reserve(str.size());
  const size_t n = str.size();
  for (size_t i = 0; i < n;) {
    const wchar_t c = str[i];
    if (c != L'#') {
      result.push_back(c);
      ++i;
    } else if (i + 1 == n) {
      break;  // a "#" at the end stands for nothing
    } else if (str[i + 1] == L'#') {
      result.push_back(L'#');
      i += 2;
    } else {
      // Up to two digits: the end of the text may cut the code short.
      const size_t count = std::min<size_t>(2, n - i - 1);
      int code = 0;
      bool valid = true;
      for (size_t k = 1; k <= count; ++k) {
        const int digit = Rtl::HexDigitValue(str[i + k]);
        valid = valid && digit >= 0;
        code = code * 16 + digit;
      }
      result.push_back(valid ? static_cast<wchar_t>(code) : L'?');
      i += 1 + count;
    }
  }
  return result;
}

// --- URL ---------------------------------------------------------------------

std::wstring TUnicodeString::UrlEncode(std::wstring_view value, bool useLowerCase) {
  const std::string bytes = Rtl::Utf8Encode(value);
  std::wstring result;
  result.reserve(bytes.size() * 3);
  for (const char ch : bytes) {
    const auto b = static_cast<unsigned char>(ch);
    const bool plain = Rtl::IsAsciiAlphaNumeric(b) || std::string_view("!'()*-._~").find(ch) != std::string_view::npos;
    if (plain) {
      result.push_back(static_cast<wchar_t>(b));
    } else {
      result.push_back(L'%');
      HexPair::Append(result, b, useLowerCase);
    }
  }
  return result;
}

std::wstring TUnicodeString::UrlDecode(std::wstring_view value) {
  std::string bytes;
  bytes.reserve(value.size());
  const size_t n = value.size();
  for (size_t i = 0; i < n;) {
    const wchar_t c = value[i];
    if (c == L'%') {
      bytes.push_back(static_cast<char>(PercentEscape(value, i)));
      i += 3;
    } else if (c < 0x80) {
      bytes.push_back(static_cast<char>(c));
      ++i;
    } else {
      // Unescaped non-ASCII text stands for its own UTF-8 bytes.
      size_t j = i;
      while (j < n && value[j] >= 0x80) ++j;
      bytes += Rtl::Utf8Encode(value.substr(i, j - i));
      i = j;
    }
  }
  return Rtl::Utf8Decode(bytes);
}

std::wstring TUnicodeString::UrlDecode(const Rtl::RawByteString& value) {
  // The bytes are read as they are: going through a code page first would
  // lose every byte that the code page doesn't map to itself.
  std::string bytes;
  bytes.reserve(value.size());
  for (size_t i = 0; i < value.size();) {
    if (value[i] == '%') {
      bytes.push_back(static_cast<char>(PercentEscape(value, i)));
      i += 3;
    } else {
      bytes.push_back(value[i++]);
    }
  }
  return Rtl::Utf8Decode(bytes);
}

// --- C-style -----------------------------------------------------------------

std::wstring TUnicodeString::CppEncode(std::wstring_view value, TStringQuotes quotes) {
  std::wstring result;
  result.reserve(value.size() + 8);
  for (wchar_t c : value) {
    switch (c) {
      case L'\0': result += L"\\0"; break;
      case L'\a': result += L"\\a"; break;
      case L'\b': result += L"\\b"; break;
      case L'\t': result += L"\\t"; break;
      case L'\n': result += L"\\n"; break;
      case L'\v': result += L"\\v"; break;
      case L'\f': result += L"\\f"; break;
      case L'\r': result += L"\\r"; break;
      case L'\\': result += L"\\\\"; break;
      case L'"':
        if (quotes.Contains(sqDouble)) result.push_back(L'\\');
        result.push_back(c);
        break;
      case L'\'':
        if (quotes.Contains(sqSingle)) result.push_back(L'\\');
        result.push_back(c);
        break;
      default: result.push_back(c);
    }
  }
  return result;
}

std::wstring TUnicodeString::CppDecode(std::wstring_view value) {
  std::wstring result;
  result.reserve(value.size());
  const size_t n = value.size();
  for (size_t i = 0; i < n;) {
    const wchar_t c = value[i];
    if (c != L'\\' || i + 1 == n) {
      result.push_back(c);
      ++i;
      continue;
    }
    const wchar_t e = value[i + 1];
    i += 2;
    switch (e) {
      case L'"':
      case L'$':
      case L'\'':
      case L'?':
      case L'\\': result.push_back(e); break;
      case L'0': result.push_back(L'\0'); break;
      case L'a': result.push_back(L'\a'); break;
      case L'b': result.push_back(L'\b'); break;
      case L'f': result.push_back(L'\f'); break;
      case L'n': result.push_back(L'\n'); break;
      case L'r': result.push_back(L'\r'); break;
      case L't': result.push_back(L'\t'); break;
      case L'v': result.push_back(L'\v'); break;
      default:
        result.push_back(c);
        result.push_back(e);
    }
  }
  return result;
}

bool TUnicodeString::HasCppEncodedSingleQuote(std::wstring_view value) {
  return value.find(L"\\'") != std::wstring_view::npos;
}

bool TUnicodeString::HasCppEncodedDoubleQuote(std::wstring_view value) {
  return value.find(L"\\\"") != std::wstring_view::npos;
}

// --- Regular expressions -----------------------------------------------------

std::wstring TUnicodeString::RegExEncode(std::wstring_view value) {
  std::wstring result;
  result.reserve(value.size() + 8);
  for (wchar_t c : value) {
    if (c == L'\r')
      result += L"\\r";
    else if (c == L'\n')
      result += L"\\n";
    else if (c == L'\t')
      result += L"\\t";
    else
      result.push_back(c);
  }
  return result;
}

// --- Display codes -----------------------------------------------------------

namespace {

void CheckMark(TDisplayEncode mark) {
  if (mark > deBraces) throw Rtl::Exception(Rtl::SErrorMessage);
}

}  // namespace

std::wstring TUnicodeString::DisplayEncode(std::wstring_view value, TDisplayEncode mark) {
  CheckMark(mark);
  std::wstring result;
  result.reserve(value.size() + 8);
  for (wchar_t c : value) {
    const auto code = std::find_if(std::begin(STRING_CODES_C), std::end(STRING_CODES_C),
                                   [c](const TStringCode& sc) { return sc.Character == c; });
    if (code == std::end(STRING_CODES_C)) {
      result.push_back(c);
      continue;
    }
    result.push_back(DISPLAY_ENCODE_BEGIN_C[mark]);
    result += code->Name;
    result.push_back(DISPLAY_ENCODE_END_C[mark]);
  }
  return result;
}

std::wstring TUnicodeString::DisplayDecode(std::wstring_view value, TDisplayEncode mark) {
  CheckMark(mark);
  const wchar_t open = DISPLAY_ENCODE_BEGIN_C[mark], close = DISPLAY_ENCODE_END_C[mark];
  std::wstring result;
  result.reserve(value.size());
  const size_t n = value.size();
  for (size_t i = 0; i < n;) {
    const wchar_t c = value[i];
    if (c != open || i + 1 == n) {
      result.push_back(c);
      ++i;
    } else if (value[i + 1] == open) {
      result.push_back(open);
      i += 2;
    } else {
      const size_t end = value.find(close, i + 1);
      if (end == std::wstring_view::npos) throw Rtl::Exception(Rtl::Format(Rtl::LoadResString(SInvalidString), {value}));
      const std::wstring name(value.substr(i + 1, end - i - 1));
      const auto code = std::find_if(std::begin(STRING_CODES_C), std::end(STRING_CODES_C),
                                     [&name](const TStringCode& sc) { return Rtl::AsciiSameText(sc.Name, name); });
      if (code == std::end(STRING_CODES_C)) throw Rtl::Exception(Rtl::Format(Rtl::LoadResString(SUnknownCode), {name}));
      result.push_back(code->Character);
      i = end + 1;
    }
  }
  return result;
}

// --- HTML and ampersands -----------------------------------------------------

std::wstring TUnicodeString::HtmlEncode(std::wstring_view value) {
  std::wstring result;
  result.reserve(value.size() + 16);
  for (wchar_t c : value) {
    switch (c) {
      case L'&': result += L"&amp;"; break;
      case L'<': result += L"&lt;"; break;
      case L'>': result += L"&gt;"; break;
      case L'"': result += L"&quot;"; break;
      default: result.push_back(c);
    }
  }
  return result;
}

std::wstring TUnicodeString::HtmlDecode(std::wstring_view value) {
  struct TEntity {
    std::wstring_view Text;
    wchar_t Character;
  };
  static constexpr TEntity ENTITIES_C[] = {{L"&amp;", L'&'}, {L"&quot;", L'"'}, {L"&lt;", L'<'}, {L"&gt;", L'>'}};
  std::wstring result;
  result.reserve(value.size());
  for (size_t i = 0; i < value.size();) {
    if (value[i] == L'&') {
      const auto entity = std::find_if(std::begin(ENTITIES_C), std::end(ENTITIES_C),
                                       [&](const TEntity& e) { return StartsAt(value, i, e.Text); });
      if (entity != std::end(ENTITIES_C)) {
        result.push_back(entity->Character);
        i += entity->Text.size();
        continue;
      }
    }
    result.push_back(value[i++]);
  }
  return result;
}

std::wstring TUnicodeString::AmpEncode(std::wstring_view value) { return ReplaceString(value, L'&', L"&amp;"); }

// Left to right, and the "&" written for one "&amp;" is never read again.
std::wstring TUnicodeString::AmpDecode(std::wstring_view value) {
  return ReplaceString(value, L"&amp;", L"&", false);
}

// --- Mail text ---------------------------------------------------------------

std::wstring TString::EncodeMail(std::wstring_view text) {
  std::wstring result;
  result.reserve(text.size() + 8);
  for (wchar_t c : text) {
    switch (c) {
      case L'\t': result += L"#9"; break;
      case L'\n': result += L"#10"; break;
      case L'\r': result += L"#13"; break;
      case L'%': result += L"%25"; break;
      case L'&': result += L"%26"; break;
      case L'?': result += L"%3F"; break;
      default: result.push_back(c);
    }
  }
  return result;
}

}  // namespace Qd
