// The fuzz targets of language codes (LanguageTargets.cpp), listed in
// Targets.cpp.
#pragma once

#include "Fuzz.h"

namespace Fuzz {

// A language code parsed, composed in every form, normalized (twice: the
// result must not change), its form detected and looked up in the system
// language table.
void LanguageCodes(TInput input);
std::vector<TBytes> LanguageCodeSeeds();
std::vector<std::string> LanguageCodeTokens();
TBytes GenerateLanguageCode(std::uint64_t seed);

}  // namespace Fuzz
