// Unit QdScript: writing systems (the script table and sets of script
// codes), the GDI charsets and code pages of languages, and the older
// Windows ways of naming languages (the SDK's LANG_ and SUBLANG_
// constants, three-letter resource-file extensions), and the code-page
// table.
#pragma once

#include "QdScript/CodePages.h"
#include "QdScript/Nls.h"
#include "QdScript/Script.h"
#include "QdScript/Scripts.h"
