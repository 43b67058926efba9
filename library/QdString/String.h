// TString: the base of the string toolboxes (code pages, bytes, UCS-4 and
// number text); TAnsiString adds nothing.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace Qd {

class TString {
public:
  TString() = delete;

  // --- Comparing ---------------------------------------------------------

  // Some element of values equals value ASCII-insensitively.
  static bool ArrayContains(std::wstring_view value, const std::vector<std::wstring>& values);
};

class TAnsiString : public TString {
public:
  TAnsiString() = delete;
};

}  // namespace Qd
