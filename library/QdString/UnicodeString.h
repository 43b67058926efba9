// TUnicodeString: stateless operations on UTF-16 text. Positions are 1-based
// with 0 for "not found"; list indexes are 0-based with -1.
#pragma once

#include <string>

#include "QdString/String.h"

namespace Qd {

class TUnicodeString : public TString {
public:
  TUnicodeString() = delete;

  // --- Case ------------------------------------------------------------------

  // One code unit upper- / lower-cased by the platform's Unicode mapping.
  static wchar_t CharUpperCase(wchar_t c);
  static wchar_t CharLowerCase(wchar_t c);
  // The whole text lower-cased, then its first character upper-cased
  // ("hELLO wORLD" gives "Hello world"); "" stays "".
  static std::wstring MakeCapital(const std::wstring& str);
};

}  // namespace Qd
