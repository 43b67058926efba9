// UTF-8 <-> UTF-16 conversion of the runtime: code page 65001 of
// CodePage.h, invalid input replaced by U+FFFD, never rejected.
#pragma once

#include <string>
#include <string_view>

#include "runtime/Text/CodePage.h"

namespace Rtl {

inline std::string Utf8Encode(std::wstring_view value) { return WideToCodePage(value, CODE_PAGE_UTF8_C); }
inline std::wstring Utf8Decode(std::string_view value) { return CodePageToWide(value, CODE_PAGE_UTF8_C); }

}  // namespace Rtl
