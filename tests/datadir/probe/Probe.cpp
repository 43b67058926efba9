// Starts and shuts down the library units as a program does, and writes what
// the data-directory discovery decided to the file named on the command line,
// in UTF-8, one value a line: the application directory, the data directory,
// the project directory; then "cleared" when after shutdown every one of them
// (and QdClasses' ApplicationRootDir) refuses to be read because its unit
// isn't started; then "restarted" when a second start-up gives the same
// values again.
#include <cstdio>
#include <string>

#include "QdClasses.h"
#include "QdCommon.h"
#include "QdStartup.h"
#include "runtime/Core/Exceptions.h"
#include "tests/support/ProbeReport.h"

namespace {

// Reading the value raises the unit's "<unit> is not started".
template <class F>
bool NotStarted(F&& read, const std::wstring& unit) {
  try {
    read();
  } catch (const Rtl::Exception& e) {
    return e.Message() == unit + L" is not started";
  }
  return false;
}

std::wstring Values() {
  return Qd::GetApplicationDir() + L"\n" + Qd::GetDataDir() + L"\n" + Qd::GetProjectDir() + L"\n";
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  Qd::StartUp();
  const std::wstring first = Values();
  Qd::ShutDown();
  std::wstring text = first;
  const bool cleared = NotStarted(Qd::GetApplicationDir, L"QdCommon") && NotStarted(Qd::GetDataDir, L"QdCommon") &&
                       NotStarted(Qd::GetProjectDir, L"QdCommon") &&
                       NotStarted(Qd::ApplicationRootDir, L"QdClasses");
  text += cleared ? L"cleared\n" : L"kept\n";
  Qd::StartUp();
  const bool restarted = Values() == first;
  Qd::ShutDown();
  text += restarted ? L"restarted\n" : L"differed on restart\n";
  return TestSupport::WriteProbeReport(argv[1], text);
}
