// TUnicodeString: stateless operations on UTF-16 text. Positions are 1-based
// with 0 for "not found"; list indexes are 0-based with -1.
#pragma once

#include <string>

#include "QdString/String.h"

namespace Qd {

class TUnicodeString : public TString {
public:
  TUnicodeString() = delete;

  // --- Classification ----------------------------------------------------

  // U+0009, U+0020, U+00A0, U+3000.
  static bool IsSpaceTab(wchar_t c) { return c == 0x09 || c == 0x20 || c == 0xA0 || c == 0x3000; }
  // Space-or-tab, LF and CR.
  static bool IsWhiteSpace(wchar_t c) { return IsSpaceTab(c) || c == 0x0A || c == 0x0D; }
  static bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }
  static bool IsOctalChar(wchar_t c) { return c >= L'0' && c <= L'7'; }
  static bool IsHexChar(wchar_t c) {
    return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F');
  }

  // --- Case ------------------------------------------------------------------

  // One code unit upper- / lower-cased by the platform's Unicode mapping.
  static wchar_t CharUpperCase(wchar_t c);
  static wchar_t CharLowerCase(wchar_t c);
  // The whole text lower-cased, then its first character upper-cased
  // ("hELLO wORLD" gives "Hello world"); "" stays "".
  static std::wstring MakeCapital(const std::wstring& str);
};

}  // namespace Qd
