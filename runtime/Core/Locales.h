// The runtime's language services: the language override registered for an
// executable (which user-interface language it starts in).
#pragma once

#include <string>

namespace Rtl {

// The language code registered for the executable `fileName` (a full
// path) under HKEY_CURRENT_USER\Software\Korvanta\Locales, in the value
// named after the path; empty when none is registered or it can't be read.
std::wstring GetLocaleOverride(const std::wstring& fileName);
// Registers `code` for the executable `fileName`; an empty code removes
// the registration. Raises EOSError when the key can't be written.
void SetLocaleOverride(const std::wstring& fileName, const std::wstring& code);

}  // namespace Rtl
