// TQdRegEx: a regular-expression match test (Perl-compatible syntax).
#pragma once

#include <string>

namespace Qd {

class TQdRegEx {
public:
  TQdRegEx() = delete;

  // Whether the first non-empty match of `pattern` in `value` exists and,
  // unless `index` is -1, begins at the 1-based position `index`. An empty
  // `value` never matches. The text is UTF-16: a surrogate pair is one
  // character, and unpaired surrogates are matched by nothing but do no
  // harm. A malformed pattern raises Rtl::Exception
  // "Invalid regular expression at position %d: %s".
  static bool Match(const std::wstring& value, const std::wstring& pattern, int index = -1);
};

}  // namespace Qd
