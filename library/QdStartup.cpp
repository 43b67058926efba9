#include "QdStartup.h"

#include "QdBase.h"
#include "QdClasses.h"
#include "QdCommon.h"
#include "QdHtmlHelp.h"
#include "QdLocalization.h"
#include "QdResource.h"
#include "QdLanguages.h"
#include "QdScript.h"
#include "QdString.h"
#include "QdUtils.h"
#include "QdWindows.h"
#include "QdXml.h"
#include "runtime/Core/Units.h"

namespace Qd {

namespace {

// The units in start-up order. Units not yet in the code base have no
// entry.
const Rtl::TUnit UNITS_C[] = {
    {L"QdXml", &QdXmlUnit::Initialization, &QdXmlUnit::Finalization},
    {L"QdResource", &QdResourceUnit::Initialization, &QdResourceUnit::Finalization},
    {L"QdBase", &QdBaseUnit::Initialization, &QdBaseUnit::Finalization},
    {L"QdLocalization", &QdLocalizationUnit::Initialization, &QdLocalizationUnit::Finalization},
    {L"QdWindows", &QdWindowsUnit::Initialization, &QdWindowsUnit::Finalization},
    {L"QdHtmlHelp", &QdHtmlHelpUnit::Initialization, &QdHtmlHelpUnit::Finalization},
    {L"QdUtils", &QdUtilsUnit::Initialization, &QdUtilsUnit::Finalization},
    {L"QdLanguages", &QdLanguagesUnit::Initialization, &QdLanguagesUnit::Finalization},
    {L"QdScript", &QdScriptUnit::Initialization, &QdScriptUnit::Finalization},
    {L"QdString", &QdStringUnit::Initialization, &QdStringUnit::Finalization},
    {L"QdClasses", &QdClassesUnit::Initialization, &QdClassesUnit::Finalization},
    {L"QdCommon", &QdCommonUnit::Initialization, &QdCommonUnit::Finalization},
};

}  // namespace

void StartUp() { Rtl::InitializeUnits(UNITS_C); }

void ShutDown() { Rtl::FinalizeUnits(); }

}  // namespace Qd
