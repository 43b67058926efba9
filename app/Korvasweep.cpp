// Korvasweep, "Clean Installations": the program body. The library's units
// start first, then the application object, the main window (whose creation
// runs the first scan) and the message loop; the units shut down at the end.
#include "MainFrm.h"
#include "QdStartup.h"
#include "runtime/Toolkit/Forms.h"
#include "runtime/System/Win32.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  try {
    Qd::TUnitsScope units;
    Rtl::TApplication application;
    application.Initialize();
    application.SetMainFormOnTaskBar(true);
    application.CreateForm(Korvasweep::MainForm);
    application.Run();
  } catch (...) {
    // A failed start-up (a unit, a broken form resource): say why.
    Rtl::ShowCurrentException();
    return 1;
  }
  return 0;
}
