// The fuzz targets of the code-page conversions (CodePageTargets.cpp),
// listed in Targets.cpp.
#pragma once

#include "Fuzz.h"

namespace Fuzz {

// Bytes read in a code page (the first byte picks it): NULs stay, GB18030
// never gives more code units than it reads bytes.
void CodePageBytes(TInput input);
std::vector<TBytes> CodePageByteSeeds();
TBytes GenerateCodePageBytes(std::uint64_t seed);
// Text written in a code page and read back: NULs stay; valid text
// survives UTF-8 and GB18030.
void CodePageText(TInput input);
std::vector<TBytes> CodePageTextSeeds();
TBytes GenerateCodePageText(std::uint64_t seed);
std::vector<std::string> CodePageTokens();

}  // namespace Fuzz
