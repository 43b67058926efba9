// The decode tables of the binary-to-text encodings, built once by the start-up
// of unit QdClasses (internal to the unit; callers use QdClasses.h).
#pragma once

namespace Qd::QdClassesUnit {

// Fills base64Codes and base32Codes: 256 entries each, indexed by character
// code, 0 except for the characters of the alphabet (for Base32 its letters
// in both cases).
void BuildDecodeTables();

}  // namespace Qd::QdClassesUnit
