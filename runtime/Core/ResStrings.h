// Resource strings: the translatable texts of the runtime, the library and
// the program. Each is a record of its number in the string table of the
// image that declares it and its English text; loading it looks for a
// translation (see LoadResString) and falls back quietly to the English.
//
// One list per unit is the only source of numbers and texts, read both by
// the C++ code and by the resource script that puts the string table into
// every executable (library/QdStrings.rc):
//
//   // library/QdClasses/Strings.h: the list as a #define (the resource
//   // compiler reads nothing else from a .h file), texts narrow UTF-8
//   #define QD_CLASSES_STRINGS(S)  (a backslash ends each line)
//     S(SInvalidResolution, 60600, "Invalid resolution value (%d) provided.")
//     ...
//   // then, for C++ only (#ifndef RC_INVOKED), the records
//   namespace Qd { QD_CLASSES_STRINGS(RTL_DECLARE_RESSTRING) }
//
//   // library/QdStrings.rc (#pragma code_page(65001))
//   STRINGTABLE BEGIN QD_CLASSES_STRINGS(RTL_RC_STRING) END
//
// Code raises Format(LoadResString(SInvalidResolution), {...}).
//
// Numbers: 1-32767 are kept for language names keyed by locale id; the
// fixed numbers 65040-65043 and 65067-65071 stay as they are; the rest are
// given from 60000 up, in a range per unit (HACKING.md lists them).
//
// Traps of the resource compiler: it reads only #define lines from an
// included file whose name ends in .h (so this header and the lists are
// safe to include from a .rc); it decodes narrow strings by the script's
// #pragma code_page(65001) but copies wide ones byte by byte (so the texts
// are narrow UTF-8, widened by LoadResString); and a double quote inside a
// text is written \042, which C++ and the resource compiler read alike.
// Windows stores string tables in blocks of 16 numbers: two .rc files
// linked into one image must not define numbers of the same block.
#pragma once

// The C++ part; the resource compiler needs only RTL_RC_STRING.
#ifndef RC_INVOKED

#include <cstdint>
#include <string>

#include "runtime/Core/Types.h"

// The image this code is linked into: the executable for code of a static
// library, a DLL for the DLL's own code.
extern "C" char __ImageBase;

namespace Rtl {

inline HINST ThisImage() { return reinterpret_cast<HINST>(&__ImageBase); }

struct TResStringRec {
  HINST (*Module)();        // the image whose string table holds it
  std::uint16_t Identifier;  // its number there
  const char* Text;          // the English text, UTF-8
};

// The text of a resource string: from the cache, else the string table of
// the module's current resource handle (a resource module installed for
// it), else of the module itself, else the record's English text.
std::wstring LoadResString(const TResStringRec& rec);

// Forgets every cached text (after a resource module was installed or
// removed).
void ClearResStringCache();

}  // namespace Rtl

#define RTL_DECLARE_RESSTRING(name, number, text) \
  inline constexpr ::Rtl::TResStringRec name{&::Rtl::ThisImage, number, text};
#endif
#define RTL_RC_STRING(name, number, text) number, text
