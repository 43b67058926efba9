// UTF-8 <-> UTF-16 conversion of the runtime (invalid input is replaced by
// U+FFFD, never rejected).
#pragma once

#include <string>
#include <string_view>

namespace Rtl {

std::string Utf8Encode(std::wstring_view value);
std::wstring Utf8Decode(std::string_view value);

}  // namespace Rtl
