// How a language code is written: the form of its separators, the case of
// its parts and when its script is written, with the sets of each that a
// scan of codes finds (TLanguageId::Detect). Kept apart from the rest of
// QdLanguages, which uses QdXml, so that the XML document class can keep
// these sets for the codes of its "xml:lang" attributes; this header
// includes nothing of either unit.
#pragma once

#include <cstdint>

#include "runtime/Core/Set.h"
#include "runtime/Core/TypeInfo.h"

namespace Qd {

// The form of a code: standard ('-'), legacy ('-') or legacy with '_'.
enum TLanguageIdKind : std::uint8_t { liStandard, liLegacy, liUnderline };
RTL_ENUM_INFO(TLanguageIdKind, L"liStandard", L"liLegacy", L"liUnderline")
// The case of the parts written: as stored, all lower, all upper (ASCII).
// QdBase's TQdLanguageNameCase names members lcUpper and lcLower too, so
// these are qualified by the unit: QdLanguages::lcLower.
namespace QdLanguages {
enum TLanguageIdCase : std::uint8_t { lcStandard, lcLower, lcUpper };
RTL_ENUM_INFO(TLanguageIdCase, L"lcStandard", L"lcLower", L"lcUpper")
}  // namespace QdLanguages
using QdLanguages::TLanguageIdCase;
// When the script is written: when it differs from the language's default
// script, for languages written in several scripts, always.
enum TLanguageIdScript : std::uint8_t { lsStandard, lsMulti, lsAlways };
RTL_ENUM_INFO(TLanguageIdScript, L"lsStandard", L"lsMulti", L"lsAlways")

using TLanguageIdKinds = Rtl::TSet<TLanguageIdKind, liUnderline>;
RTL_SET_INFO(TLanguageIdKinds)
namespace QdLanguages {
using TLanguageIdCases = Rtl::TSet<TLanguageIdCase, lcUpper>;
RTL_SET_INFO(TLanguageIdCases)
}  // namespace QdLanguages
using QdLanguages::TLanguageIdCases;
using TLanguageIdScripts = Rtl::TSet<TLanguageIdScript, lsAlways>;
RTL_SET_INFO(TLanguageIdScripts)

}  // namespace Qd
