// Unit QdLanguages: language codes and how they are written, the selected
// language TLanguage, the table of the system's languages, countries and
// variants (SystemLanguages, built at start-up), localized language and
// country names, and the user's default locale.
#pragma once

#include "QdLanguages/Language.h"
#include "QdLanguages/SystemLanguages.h"
