#include "QdStartup.h"

#include "QdClasses.h"
#include "QdCommon.h"
#include "runtime/Core/Units.h"

namespace Qd {

namespace {

// The units in start-up order. Units without start-up code of their own
// (QdHtmlHelp, QdUtils) and units not yet in the code base have no entry.
const Rtl::TUnit UNITS_C[] = {
    // QdXml, QdResource, QdBase, QdLocalization, QdWindows, QdHtmlHelp,
    // QdUtils, QdLanguages, QdScript, QdString
    {L"QdClasses", &QdClassesUnit::Initialization, &QdClassesUnit::Finalization},
    {L"QdCommon", &QdCommonUnit::Initialization, &QdCommonUnit::Finalization},
};

}  // namespace

void StartUp() { Rtl::InitializeUnits(UNITS_C); }

void ShutDown() { Rtl::FinalizeUnits(); }

}  // namespace Qd
