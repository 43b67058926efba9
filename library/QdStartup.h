// Start-up and shutdown of all library units, in the fixed order:
// QdXml, QdResource, QdBase, QdLocalization, QdWindows, QdHtmlHelp, QdUtils,
// QdLanguages, QdScript, QdString, QdClasses, QdCommon; shutdown in reverse.
// The program and every test executable call StartUp once before any other
// library code and ShutDown at the end (or hold a TUnitsScope).
//
// A unit whose start-up raises stops it: the units started before it are
// shut down and the exception passes on. Shutdown runs every started unit's
// shutdown, also after one raised, then passes the first exception on. After
// a shutdown the units can be started again, with fresh state.
#pragma once

#include <exception>

namespace Qd {

void StartUp();
void ShutDown();

// Holds the units started for its lifetime. A shutdown error passes on from
// the destructor, unless the scope is being left by an exception already:
// then that exception is the one that counts.
class TUnitsScope {
public:
  TUnitsScope() : FUncaught(std::uncaught_exceptions()) { StartUp(); }
  ~TUnitsScope() noexcept(false) {
    if (std::uncaught_exceptions() == FUncaught) {
      ShutDown();
      return;
    }
    try {
      ShutDown();
    } catch (...) {
    }
  }
  TUnitsScope(const TUnitsScope&) = delete;
  TUnitsScope& operator=(const TUnitsScope&) = delete;

private:
  int FUncaught;
};

}  // namespace Qd
