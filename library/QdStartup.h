// Start-up and shutdown of all library units, in the fixed order:
// QdXml, QdResource, QdBase, QdLocalization, QdWindows, QdHtmlHelp, QdUtils,
// QdLanguages, QdScript, QdString, QdClasses, QdCommon; shutdown in reverse.
// The program and every test executable call StartUp once before any other
// library code and ShutDown at the end (or hold a TUnitsScope).
#pragma once

namespace Qd {

void StartUp();
void ShutDown();

class TUnitsScope {
public:
  TUnitsScope() { StartUp(); }
  ~TUnitsScope() { ShutDown(); }
  TUnitsScope(const TUnitsScope&) = delete;
  TUnitsScope& operator=(const TUnitsScope&) = delete;
};

}  // namespace Qd
