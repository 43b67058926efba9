// The resource strings of QdLanguages, numbers 61600-61899: the language
// names (61600 up, in the order of the name table), the country names
// (61730 up), the qualifiers of language names (61860 up) and the unit's
// messages (61890 up); the form of the list: runtime/Core/Strings.h.
#pragma once

#define QD_LANGUAGES_STRINGS(S) \
  S(SLanguage_af, 61600, "Afrikaans") \
  S(SLanguage_sq, 61601, "Albanian") \
  S(SLanguage_gsw, 61602, "Alsatian") \
  S(SLanguage_am, 61603, "Amharic") \
  S(SLanguage_ar, 61604, "Arabic") \
  S(SLanguage_hy, 61605, "Armenian") \
  S(SLanguage_as, 61606, "Assamese") \
  S(SLanguage_az, 61607, "Azerbaijani") \
  S(SLanguage_ba, 61608, "Bashkir") \
  S(SLanguage_eu, 61609, "Basque") \
  S(SLanguage_be, 61610, "Belarusian") \
  S(SLanguage_bn, 61611, "Bengali") \
  S(SLanguage_bs, 61612, "Bosnian") \
  S(SLanguage_br, 61613, "Breton") \
  S(SLanguage_bg, 61614, "Bulgarian") \
  S(SLanguage_ca, 61615, "Catalan") \
  S(SLanguage_zh, 61616, "Chinese") \
  S(SLanguage_co, 61617, "Corsican") \
  S(SLanguage_hr, 61618, "Croatian") \
  S(SLanguage_cs, 61619, "Czech") \
  S(SLanguage_da, 61620, "Danish") \
  S(SLanguage_prs, 61621, "Dari") \
  S(SLanguage_dv, 61622, "Divehi") \
  S(SLanguage_nl, 61623, "Dutch") \
  S(SLanguage_en, 61624, "English") \
  S(SLanguage_et, 61625, "Estonian") \
  S(SLanguage_eo, 61626, "Esperanto") \
  S(SLanguage_fo, 61627, "Faeroese") \
  S(SLanguage_fi, 61628, "Finnish") \
  S(SLanguage_fr, 61629, "French") \
  S(SLanguage_gl, 61630, "Galician") \
  S(SLanguage_ka, 61631, "Georgian") \
  S(SLanguage_de, 61632, "German") \
  S(SLanguage_el, 61633, "Greek") \
  S(SLanguage_kl, 61634, "Greenlandic") \
  S(SLanguage_gu, 61635, "Gujarati") \
  S(SLanguage_ha, 61636, "Hausa") \
  S(SLanguage_he, 61637, "Hebrew") \
  S(SLanguage_hi, 61638, "Hindi") \
  S(SLanguage_hu, 61639, "Hungarian") \
  S(SLanguage_is, 61640, "Icelandic") \
  S(SLanguage_ig, 61641, "Igbo") \
  S(SLanguage_id, 61642, "Indonesian") \
  S(SLanguage_iu, 61643, "Inuktitut") \
  S(SLanguage_ga, 61644, "Irish") \
  S(SLanguage_it, 61645, "Italian") \
  S(SLanguage_ja, 61646, "Japanese") \
  S(SLanguage_jv, 61647, "Javanese") \
  S(SLanguage_kn, 61648, "Kannada") \
  S(SLanguage_kk, 61649, "Kazakh") \
  S(SLanguage_km, 61650, "Khmer") \
  S(SLanguage_qut, 61651, "K'iche'") \
  S(SLanguage_rw, 61652, "Kinyarwanda") \
  S(SLanguage_kok, 61653, "Konkani") \
  S(SLanguage_ko, 61654, "Korean") \
  S(SLanguage_ky, 61655, "Kyrgyz") \
  S(SLanguage_lo, 61656, "Lao") \
  S(SLanguage_lv, 61657, "Latvian") \
  S(SLanguage_lt, 61658, "Lithuanian") \
  S(SLanguage_dsb, 61659, "Lower Sorbian") \
  S(SLanguage_lb, 61660, "Luxembourgish") \
  S(SLanguage_mk, 61661, "Macedonian") \
  S(SLanguage_ms, 61662, "Malay") \
  S(SLanguage_ml, 61663, "Malayalam") \
  S(SLanguage_mt, 61664, "Maltese") \
  S(SLanguage_arn, 61665, "Mapudungun") \
  S(SLanguage_mr, 61666, "Marathi") \
  S(SLanguage_mi, 61667, "Maori") \
  S(SLanguage_mn, 61668, "Mongolian") \
  S(SLanguage_moh, 61669, "Mohawk") \
  S(SLanguage_ne, 61670, "Nepali") \
  S(SLanguage_no, 61671, "Norwegian") \
  S(SLanguage_nb, 61672, "Norwegian") \
  S(SLanguage_nn, 61673, "Norwegian") \
  S(SLanguage_oc, 61674, "Occitan") \
  S(SLanguage_or, 61675, "Oriya") \
  S(SLanguage_ps, 61676, "Pashto") \
  S(SLanguage_fa, 61677, "Persian") \
  S(SLanguage_pl, 61678, "Polish") \
  S(SLanguage_pt, 61679, "Portuguese") \
  S(SLanguage_pa, 61680, "Punjabi") \
  S(SLanguage_qu, 61681, "Quechua") \
  S(SLanguage_rm, 61682, "Romansh") \
  S(SLanguage_ro, 61683, "Romanian") \
  S(SLanguage_ru, 61684, "Russian") \
  S(SLanguage_se, 61685, "Sami") \
  S(SLanguage_sma, 61686, "Sami") \
  S(SLanguage_smn, 61687, "Sami") \
  S(SLanguage_sms, 61688, "Sami") \
  S(SLanguage_smj, 61689, "Sami") \
  S(SLanguage_sa, 61690, "Sanskrit") \
  S(SLanguage_sat, 61691, "Santali") \
  S(SLanguage_gd, 61692, "Scots Gaelic") \
  S(SLanguage_sr, 61693, "Serbian") \
  S(SLanguage_si, 61694, "Sinhala") \
  S(SLanguage_sk, 61695, "Slovak") \
  S(SLanguage_sl, 61696, "Slovene") \
  S(SLanguage_es, 61697, "Spanish") \
  S(SLanguage_tn, 61698, "Setswana") \
  S(SLanguage_nso, 61699, "Sesotho") \
  S(SLanguage_sw, 61700, "Swahili") \
  S(SLanguage_sv, 61701, "Swedish") \
  S(SLanguage_syr, 61702, "Syriac") \
  S(SLanguage_tg, 61703, "Tajik") \
  S(SLanguage_tzm, 61704, "Tamazight") \
  S(SLanguage_ta, 61705, "Tamil") \
  S(SLanguage_tt, 61706, "Tatar") \
  S(SLanguage_te, 61707, "Telugu") \
  S(SLanguage_bo, 61708, "Tibetan") \
  S(SLanguage_ti, 61709, "Tigrinya") \
  S(SLanguage_th, 61710, "Thai") \
  S(SLanguage_ts, 61711, "Tsonga") \
  S(SLanguage_tr, 61712, "Turkish") \
  S(SLanguage_tk, 61713, "Turkmen") \
  S(SLanguage_ug, 61714, "Uighur") \
  S(SLanguage_uk, 61715, "Ukrainian") \
  S(SLanguage_hsb, 61716, "Upper Sorbian") \
  S(SLanguage_ur, 61717, "Urdu") \
  S(SLanguage_uz, 61718, "Uzbek") \
  S(SLanguage_vai, 61719, "Vai") \
  S(SLanguage_vi, 61720, "Vietnamese") \
  S(SLanguage_cy, 61721, "Welsh") \
  S(SLanguage_wo, 61722, "Wolof") \
  S(SLanguage_xh, 61723, "Xhosa") \
  S(SLanguage_sah, 61724, "Yakut") \
  S(SLanguage_ii, 61725, "Yi") \
  S(SLanguage_yo, 61726, "Yoruba") \
  S(SLanguage_zu, 61727, "Zulu") \
  S(SCountry_419, 61730, "Latin America") \
  S(SCountry_AF, 61731, "Afghanistan") \
  S(SCountry_AX, 61732, "Åland Islands") \
  S(SCountry_AL, 61733, "Albania") \
  S(SCountry_DZ, 61734, "Algeria") \
  S(SCountry_AR, 61735, "Argentina") \
  S(SCountry_AM, 61736, "Armenia") \
  S(SCountry_AU, 61737, "Australia") \
  S(SCountry_AZ, 61738, "Azerbaijan") \
  S(SCountry_BD, 61739, "Bangladesh") \
  S(SCountry_BH, 61740, "Bahrain") \
  S(SCountry_BY, 61741, "Belarus") \
  S(SCountry_BE, 61742, "Belgium") \
  S(SCountry_BZ, 61743, "Belize") \
  S(SCountry_BO, 61744, "Bolivia") \
  S(SCountry_BA, 61745, "Bosnia and Herzegovina") \
  S(SCountry_BR, 61746, "Brazil") \
  S(SCountry_BN, 61747, "Brunei Darussalam") \
  S(SCountry_BG, 61748, "Bulgaria") \
  S(SCountry_KH, 61749, "Cambodia") \
  S(SCountry_CA, 61750, "Canada") \
  S(SCountry_CL, 61751, "Chile") \
  S(SCountry_CO, 61752, "Colombia") \
  S(SCountry_CR, 61753, "Costa Rica") \
  S(SCountry_HR, 61754, "Croatia") \
  S(SCountry_CY, 61755, "Cyprus") \
  S(SCountry_CZ, 61756, "Czech Republic") \
  S(SCountry_DK, 61757, "Denmark") \
  S(SCountry_DO, 61758, "Dominican Republic") \
  S(SCountry_EC, 61759, "Ecuador") \
  S(SCountry_EG, 61760, "Egypt") \
  S(SCountry_SV, 61761, "El Salvador") \
  S(SCountry_EE, 61762, "Estonia") \
  S(SCountry_ET, 61763, "Ethiopia") \
  S(SCountry_FO, 61764, "Faeroe Islands") \
  S(SCountry_FI, 61765, "Finland") \
  S(SCountry_FR, 61766, "France") \
  S(SCountry_GE, 61767, "Georgia") \
  S(SCountry_DE, 61768, "Germany") \
  S(SCountry_GR, 61769, "Greece") \
  S(SCountry_GL, 61770, "Greenland") \
  S(SCountry_GT, 61771, "Guatemala") \
  S(SCountry_HN, 61772, "Honduras") \
  S(SCountry_HU, 61773, "Hungary") \
  S(SCountry_IS, 61774, "Iceland") \
  S(SCountry_IN, 61775, "India") \
  S(SCountry_ID, 61776, "Indonesia") \
  S(SCountry_IR, 61777, "Iran") \
  S(SCountry_IQ, 61778, "Iraq") \
  S(SCountry_IE, 61779, "Ireland") \
  S(SCountry_IL, 61780, "Israel") \
  S(SCountry_IT, 61781, "Italy") \
  S(SCountry_JM, 61782, "Jamaica") \
  S(SCountry_JP, 61783, "Japan") \
  S(SCountry_JO, 61784, "Jordan") \
  S(SCountry_KZ, 61785, "Kazakhstan") \
  S(SCountry_KE, 61786, "Kenya") \
  S(SCountry_KR, 61787, "Korea") \
  S(SCountry_XK, 61788, "Kosovo") \
  S(SCountry_KW, 61789, "Kuwait") \
  S(SCountry_KG, 61790, "Kyrgyzstan") \
  S(SCountry_LV, 61791, "Latvia") \
  S(SCountry_LB, 61792, "Lebanon") \
  S(SCountry_LY, 61793, "Libya") \
  S(SCountry_LI, 61794, "Liechtenstein") \
  S(SCountry_LT, 61795, "Lithuania") \
  S(SCountry_LU, 61796, "Luxembourg") \
  S(SCountry_MK, 61797, "Former Yugoslav Republic of Macedonia") \
  S(SCountry_MY, 61798, "Malaysia") \
  S(SCountry_MV, 61799, "Maldives") \
  S(SCountry_MT, 61800, "Malta") \
  S(SCountry_MX, 61801, "Mexico") \
  S(SCountry_MC, 61802, "Principality of Monaco") \
  S(SCountry_MN, 61803, "Mongolia") \
  S(SCountry_ME, 61804, "Montenegro") \
  S(SCountry_MA, 61805, "Morocco") \
  S(SCountry_NL, 61806, "Netherlands") \
  S(SCountry_NP, 61807, "Nepal") \
  S(SCountry_NZ, 61808, "New Zealand") \
  S(SCountry_NI, 61809, "Nicaragua") \
  S(SCountry_NG, 61810, "Nigeria") \
  S(SCountry_NO, 61811, "Norway") \
  S(SCountry_OM, 61812, "Oman") \
  S(SCountry_PK, 61813, "Islamic Republic of Pakistan") \
  S(SCountry_PA, 61814, "Panama") \
  S(SCountry_PY, 61815, "Paraguay") \
  S(SCountry_PE, 61816, "Peru") \
  S(SCountry_PH, 61817, "Republic of the Philippines") \
  S(SCountry_PL, 61818, "Poland") \
  S(SCountry_PT, 61819, "Portugal") \
  S(SCountry_CN, 61820, "People's Republic of China") \
  S(SCountry_PR, 61821, "Puerto Rico") \
  S(SCountry_QA, 61822, "Qatar") \
  S(SCountry_RO, 61823, "Romania") \
  S(SCountry_RU, 61824, "Russia") \
  S(SCountry_RW, 61825, "Rwanda") \
  S(SCountry_SA, 61826, "Saudi Arabia") \
  S(SCountry_SN, 61827, "Senegal") \
  S(SCountry_RS, 61828, "Serbia") \
  S(SCountry_SG, 61829, "Singapore") \
  S(SCountry_SK, 61830, "Slovakia") \
  S(SCountry_SI, 61831, "Slovenia") \
  S(SCountry_ZA, 61832, "South Africa") \
  S(SCountry_ES, 61833, "Spain") \
  S(SCountry_LK, 61834, "Sri Lanka") \
  S(SCountry_SE, 61835, "Sweden") \
  S(SCountry_CH, 61836, "Switzerland") \
  S(SCountry_SY, 61837, "Syria") \
  S(SCountry_TW, 61838, "Taiwan") \
  S(SCountry_TJ, 61839, "Tajikistan") \
  S(SCountry_TH, 61840, "Thailand") \
  S(SCountry_TT, 61841, "Trinidad and Tobago") \
  S(SCountry_TN, 61842, "Tunisia") \
  S(SCountry_TR, 61843, "Turkey") \
  S(SCountry_TM, 61844, "Turkmenistan") \
  S(SCountry_AE, 61845, "U.A.E.") \
  S(SCountry_UA, 61846, "Ukraine") \
  S(SCountry_GB, 61847, "United Kingdom") \
  S(SCountry_US, 61848, "United States") \
  S(SCountry_UY, 61849, "Uruguay") \
  S(SCountry_UZ, 61850, "Uzbekistan") \
  S(SCountry_VE, 61851, "Venezuela") \
  S(SCountry_VN, 61852, "Viet Nam") \
  S(SCountry_YE, 61853, "Yemen") \
  S(SCountry_ZW, 61854, "Zimbabwe") \
  S(SQualifierLatin, 61860, "Latin") \
  S(SQualifierCyrillic, 61861, "Cyrillic") \
  S(SQualifierTraditional, 61862, "Traditional") \
  S(SQualifierSimplified, 61863, "Simplified") \
  S(SQualifierArabic, 61864, "Arabic") \
  S(SQualifierSyllabics, 61865, "Syllabics") \
  S(SQualifierBokmal, 61866, "Bokmål") \
  S(SQualifierNynorsk, 61867, "Nynorsk") \
  S(SQualifierNorthern, 61868, "Northern") \
  S(SQualifierSouthern, 61869, "Southern") \
  S(SQualifierInari, 61870, "Inari") \
  S(SQualifierSkolt, 61871, "Skolt") \
  S(SQualifierLule, 61872, "Lule") \
  S(SUnknownLanguage, 61890, "Unknown language %s") \
  S(SNoLanguageList, 61891, "\042%s\042 file does not contain a language list.")

#ifndef RC_INVOKED
#include "runtime/Core/ResStrings.h"
namespace Qd {
QD_LANGUAGES_STRINGS(RTL_DECLARE_RESSTRING)
}  // namespace Qd
#endif
