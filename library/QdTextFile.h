// Unit QdTextFile: text in seven formats (ANSI, UTF-8, UTF-16 and UTF-32 of
// both byte orders, GB18030), read through TTextFile with detection of the
// format from a BOM, a markup start or the content; the class-level coding
// and analysis (strict UTF-8, content tests, line-break kinds, escapes).
#pragma once

#include "QdTextFile/TextFile.h"
