// Unit QdTextFile: text in seven formats (ANSI, UTF-8, UTF-16 and UTF-32 of
// both byte orders, GB18030), its detection and its coding.
//
// So far the unit holds the class-level coding and analysis of TTextFile
// (QdTextFile/Coding.h); the reader and writer object comes next.
#pragma once

#include "QdTextFile/TextFile.h"
