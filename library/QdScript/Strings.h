// The resource strings of QdScript: the names of the scripts of the script
// table (numbers 61000-61099), and the display names of the code pages, of
// the encoding categories and of the Unicode encodings (61300-61499); the
// form of the list: runtime/Core/Strings.h.
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
  S(SScriptVai, 61038, "Vai") \
  S(SCodePage1252, 61300, "Windows Western Europe") \
  S(SCodePage1250, 61301, "Windows Eastern Europe") \
  S(SCodePage1251, 61302, "Windows Cyrillic") \
  S(SCodePage1253, 61303, "Windows Greek") \
  S(SCodePage1254, 61304, "Windows Turkish") \
  S(SCodePage1255, 61305, "Windows Hebrew") \
  S(SCodePage1256, 61306, "Windows Arabic") \
  S(SCodePage1257, 61307, "Windows Baltic") \
  S(SCodePage1258, 61308, "Windows Vietnam") \
  S(SCodePage874, 61309, "Windows Thai") \
  S(SCodePage932, 61310, "Windows Japanese, Shift-JIS") \
  S(SCodePage936, 61311, "Windows Simplified Chinese, GB2312") \
  S(SCodePage949, 61312, "Windows Korean, KSC5601") \
  S(SCodePage950, 61313, "Windows Traditional Chinese, Big5") \
  S(SCodePage28591, 61314, "ISO 8859-1 Latin 1") \
  S(SCodePage28592, 61315, "ISO 8859-2 Central Europe") \
  S(SCodePage28593, 61316, "ISO 8859-3 Latin 3") \
  S(SCodePage28594, 61317, "ISO 8859-4 Baltic") \
  S(SCodePage28595, 61318, "ISO 8859-5 Cyrillic") \
  S(SCodePage28596, 61319, "ISO 8859-6 Arabic") \
  S(SCodePage28597, 61320, "ISO 8859-7 Greek") \
  S(SCodePage28598, 61321, "ISO 8859-8 Hebrew Visual Ordering") \
  S(SCodePage28599, 61322, "ISO 8859-9 Turkish") \
  S(SCodePage28603, 61323, "ISO 8859-13 Estonian") \
  S(SCodePage28605, 61324, "ISO 8859-15 European") \
  S(SCodePage38598, 61325, "ISO 8859-8 Hebrew Logical Ordering") \
  S(SCodePage50220, 61326, "ISO 2022 Japanese with no half-width Katakana") \
  S(SCodePage50221, 61327, "ISO 2022 Japanese with half-width Katakana") \
  S(SCodePage50222, 61328, "ISO 2022 Japanese JIS X 0201-1989") \
  S(SCodePage50225, 61329, "ISO 2022 Korean") \
  S(SCodePage50227, 61330, "ISO 2022 Simplified Chinese") \
  S(SCodePage50229, 61331, "ISO 2022 Traditional Chinese") \
  S(SCodePage20269, 61332, "ISO 6937 Non-Spacing Accent") \
  S(SCodePage10000, 61333, "Mac Roman") \
  S(SCodePage10001, 61334, "Mac Japanese") \
  S(SCodePage10002, 61335, "Mac Traditional Chinese") \
  S(SCodePage10003, 61336, "Mac Korean") \
  S(SCodePage10004, 61337, "Mac Arabic") \
  S(SCodePage10005, 61338, "Mac Hebrew") \
  S(SCodePage10006, 61339, "Mac Greek") \
  S(SCodePage10007, 61340, "Mac Cyrillic") \
  S(SCodePage10008, 61341, "Mac Simplified Chinese") \
  S(SCodePage10010, 61342, "Mac Romania") \
  S(SCodePage10017, 61343, "Mac Ukraine") \
  S(SCodePage10021, 61344, "Mac Thai") \
  S(SCodePage10029, 61345, "Mac Latin") \
  S(SCodePage10079, 61346, "Mac Icelandic") \
  S(SCodePage10081, 61347, "Mac Turkish") \
  S(SCodePage10082, 61348, "Mac Croatian") \
  S(SCodePage437, 61349, "OEM United States") \
  S(SCodePage708, 61350, "Arabic ASMO") \
  S(SCodePage720, 61351, "Arabic Transparent ASMO") \
  S(SCodePage737, 61352, "OEM Greek") \
  S(SCodePage775, 61353, "OEM Baltic") \
  S(SCodePage850, 61354, "OEM Latin 1") \
  S(SCodePage852, 61355, "OEM Latin 2") \
  S(SCodePage855, 61356, "OEM Cyrillic") \
  S(SCodePage857, 61357, "OEM Turkish") \
  S(SCodePage858, 61358, "OEM Latin 1 + Euro") \
  S(SCodePage860, 61359, "OEM Portuguese") \
  S(SCodePage861, 61360, "OEM Icelandic") \
  S(SCodePage862, 61361, "OEM Hebrew") \
  S(SCodePage863, 61362, "OEM Canadian French") \
  S(SCodePage864, 61363, "OEM Arabic") \
  S(SCodePage865, 61364, "OEM Nordic") \
  S(SCodePage866, 61365, "OEM Russian") \
  S(SCodePage869, 61366, "OEM Greek") \
  S(SCodePage37, 61367, "EBCDIC US/Canada") \
  S(SCodePage500, 61368, "EBCDIC West European") \
  S(SCodePage870, 61369, "EBCDIC Latin 2") \
  S(SCodePage875, 61370, "EBCDIC Greek") \
  S(SCodePage1026, 61371, "EBCDIC Turkish Latin 5") \
  S(SCodePage1047, 61372, "EBCDIC Latin 1") \
  S(SCodePage1140, 61373, "EBCDIC US/Canada + Euro") \
  S(SCodePage1141, 61374, "EBCDIC Germany + Euro") \
  S(SCodePage1142, 61375, "EBCDIC Denmark/Norway + Euro") \
  S(SCodePage1143, 61376, "EBCDIC Finland/Sweden + Euro") \
  S(SCodePage1144, 61377, "EBCDIC Italy + Euro") \
  S(SCodePage1145, 61378, "EBCDIC Latin America/Spain + Euro") \
  S(SCodePage1146, 61379, "EBCDIC United Kingdom + Euro") \
  S(SCodePage1147, 61380, "EBCDIC France + Euro") \
  S(SCodePage1148, 61381, "EBCDIC International + Euro") \
  S(SCodePage1149, 61382, "EBCDIC Icelandic + Euro") \
  S(SCodePage20273, 61383, "EBCDIC Germany") \
  S(SCodePage20277, 61384, "EBCDIC Denmark/Norway") \
  S(SCodePage20278, 61385, "EBCDIC Finland/Sweden") \
  S(SCodePage20280, 61386, "EBCDIC Italy") \
  S(SCodePage20284, 61387, "EBCDIC Latin America/Spain") \
  S(SCodePage20285, 61388, "EBCDIC United Kingdom") \
  S(SCodePage20290, 61389, "EBCDIC Japanese Katakana Extended") \
  S(SCodePage20297, 61390, "EBCDIC France") \
  S(SCodePage20420, 61391, "EBCDIC Arabic") \
  S(SCodePage20423, 61392, "EBCDIC Greek") \
  S(SCodePage20424, 61393, "EBCDIC Hebrew") \
  S(SCodePage20833, 61394, "EBCDIC Korean Extended") \
  S(SCodePage20838, 61395, "EBCDIC Thai") \
  S(SCodePage20871, 61396, "EBCDIC Icelandic") \
  S(SCodePage20880, 61397, "EBCDIC Cyrillic Russian") \
  S(SCodePage20905, 61398, "EBCDIC Turkish") \
  S(SCodePage20924, 61399, "EBCDIC Latin 1 + Euro") \
  S(SCodePage21025, 61400, "EBCDIC Cyrillic Serbian, Bulgarian") \
  S(SCodePage50930, 61401, "EBCDIC Japanese Katakana Extended and Japanese") \
  S(SCodePage50931, 61402, "EBCDIC US/Canada and Japanese") \
  S(SCodePage50933, 61403, "EBCDIC Korean Extended and Korean") \
  S(SCodePage50935, 61404, "EBCDIC Simplified Chinese") \
  S(SCodePage50937, 61405, "EBCDIC Traditional Chinese") \
  S(SCodePage50939, 61406, "EBCDIC Japanese Latin Extended and Japanese") \
  S(SCodePage57002, 61407, "ISCII Devanagari") \
  S(SCodePage57003, 61408, "ISCII Bengali") \
  S(SCodePage57004, 61409, "ISCII Tamil") \
  S(SCodePage57005, 61410, "ISCII Telugu") \
  S(SCodePage57006, 61411, "ISCII Assamese") \
  S(SCodePage57007, 61412, "ISCII Oriya") \
  S(SCodePage57008, 61413, "ISCII Kannada") \
  S(SCodePage57009, 61414, "ISCII Malayalam") \
  S(SCodePage57010, 61415, "ISCII Gujarati") \
  S(SCodePage57011, 61416, "ISCII Punjabi") \
  S(SCodePage1361, 61417, "Korean Johab") \
  S(SCodePage20000, 61418, "CNS Taiwan") \
  S(SCodePage20001, 61419, "TCA Taiwan") \
  S(SCodePage20002, 61420, "Elten Taiwan") \
  S(SCodePage20003, 61421, "IBM5550 Taiwan") \
  S(SCodePage20004, 61422, "TeleText Taiwan") \
  S(SCodePage20005, 61423, "Wang Taiwan") \
  S(SCodePage20105, 61424, "IA5 International") \
  S(SCodePage20106, 61425, "IA5 German") \
  S(SCodePage20107, 61426, "IA5 Swedish") \
  S(SCodePage20108, 61427, "IA5 Norwegian") \
  S(SCodePage20127, 61428, "US ASCII") \
  S(SCodePage20261, 61429, "T.61") \
  S(SCodePage20866, 61430, "Russian KOI8") \
  S(SCodePage20932, 61431, "JIS X 0208-1990 & 0212-1990") \
  S(SCodePage20936, 61432, "Simplified Chinese GB2312") \
  S(SCodePage20949, 61433, "Korean Wansung") \
  S(SCodePage21027, 61434, "Ext Alpha Lowercase") \
  S(SCodePage21866, 61435, "Ukrainian KOI8-U") \
  S(SCodePage50932, 61436, "Japanese auto-detect") \
  S(SCodePage50949, 61437, "Korean auto-detect") \
  S(SCodePage51932, 61438, "EUC Japanese") \
  S(SCodePage51936, 61439, "EUC Simplified Chinese") \
  S(SCodePage51949, 61440, "EUC Korean") \
  S(SCodePage51950, 61441, "EUC Traditional Chinese") \
  S(SCodePage52936, 61442, "HZ-GB2312 Simplified Chinese") \
  S(SCodePage1200, 61443, "UTF-16 little endian") \
  S(SCodePage1201, 61444, "UTF-16 big endian") \
  S(SCodePage65000, 61445, "UTF-7") \
  S(SCodePage65001, 61446, "UTF-8") \
  S(SCodePage54936, 61447, "GB18030") \
  S(SCategoryUtf8, 61448, "UTF-8") \
  S(SCategoryUtf16Le, 61449, "UTF-16, little-endian") \
  S(SCategoryUtf16Be, 61450, "UTF-16, big-endian") \
  S(SCategoryUtf32Le, 61451, "UTF-32, little-endian") \
  S(SCategoryUtf32Be, 61452, "UTF-32, big-endian") \
  S(SCategoryGb18030, 61453, "GB18030") \
  S(SCategoryAnsi, 61454, "Windows code page") \
  S(SCategoryIso, 61455, "ISO code page") \
  S(SCategoryMac, 61456, "Mac code page") \
  S(SCategoryDos, 61457, "DOS code page") \
  S(SCategoryEbcdic, 61458, "EBCDIC code page") \
  S(SCategoryOther, 61459, "Other code page") \
  S(SEncodingWithBom, 61460, "%s, with BOM") \
  S(SEncodingWithoutBom, 61461, "%s, without BOM") \
  S(SUnicodeUtf8, 61462, "UTF-8") \
  S(SUnicodeUtf16Le, 61463, "UTF-16, little-endian") \
  S(SUnicodeUtf16Be, 61464, "UTF-16, big-endian") \
  S(SUnicodeUtf32Le, 61465, "UTF-32, little-endian") \
  S(SUnicodeUtf32Be, 61466, "UTF-32, big-endian") \
  S(SUnicodeGb18030, 61467, "GB18030")

#ifndef RC_INVOKED
#include "runtime/Core/ResStrings.h"
namespace Qd {
QD_SCRIPT_STRINGS(RTL_DECLARE_RESSTRING)
}  // namespace Qd
#endif
