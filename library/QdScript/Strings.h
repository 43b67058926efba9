// The resource strings of QdScript: the names of the scripts of the script
// table, numbers 61000-61099; the form of the list: runtime/Core/Strings.h.
#pragma once

#define QD_SCRIPT_STRINGS(S)                          \
  S(SScriptDefault, 61000, "Default")                 \
  S(SScriptLatin, 61001, "Latin")                     \
  S(SScriptGreek, 61002, "Greek")                     \
  S(SScriptCyrillic, 61003, "Cyrillic")               \
  S(SScriptArabic, 61004, "Arabic")                   \
  S(SScriptHebrew, 61005, "Hebrew")                   \
  S(SScriptJapanese, 61006, "Japanese")               \
  S(SScriptTraditionalChinese, 61007, "Traditional Chinese") \
  S(SScriptSimplifiedChinese, 61008, "Simplified Chinese") \
  S(SScriptKorean, 61009, "Korean")                   \
  S(SScriptThai, 61010, "Thai")                       \
  S(SScriptArmenian, 61011, "Armenian")               \
  S(SScriptBengali, 61012, "Bengali")                 \
  S(SScriptBrahmi, 61013, "Brahmi")                   \
  S(SScriptDevanagari, 61014, "Devanagari")           \
  S(SScriptEthiopic, 61015, "Ethiopic")               \
  S(SScriptGeorgian, 61016, "Georgian")               \
  S(SScriptGujarati, 61017, "Gujarati")               \
  S(SScriptInuktitut, 61018, "Inuktitut")             \
  S(SScriptGurmukhi, 61019, "Gurmukhi")               \
  S(SScriptKannada, 61020, "Kannada")                 \
  S(SScriptMalayalam, 61021, "Malayalam")             \
  S(SScriptMongolian, 61022, "Mongolian")             \
  S(SScriptOriya, 61023, "Oriya")                     \
  S(SScriptSyriac, 61024, "Syriac")                   \
  S(SScriptTamil, 61025, "Tamil")                     \
  S(SScriptTelugu, 61026, "Telugu")                   \
  S(SScriptTibetan, 61027, "Tibetan")                 \
  S(SScriptThaana, 61028, "Thaana")                   \
  S(SScriptYi, 61029, "Yi")                           \
  S(SScriptKhmer, 61030, "Khmer")                     \
  S(SScriptLao, 61031, "Lao")                         \
  S(SScriptSinhala, 61032, "Sinhala")                 \
  S(SScriptCherokee, 61033, "Cherokee")               \
  S(SScriptMyanmar, 61034, "Myanmar")                 \
  S(SScriptNKo, 61035, "N'Ko")                        \
  S(SScriptTifinagh, 61036, "Tifinagh")               \
  S(SScriptJavanese, 61037, "Javanese")               \
  S(SScriptVai, 61038, "Vai")

#ifndef RC_INVOKED
#include "runtime/Core/ResStrings.h"
namespace Qd {
QD_SCRIPT_STRINGS(RTL_DECLARE_RESSTRING)
}  // namespace Qd
#endif
