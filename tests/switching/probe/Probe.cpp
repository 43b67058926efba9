// Unpacks the resource modules embedded in it, as a program does, and
// writes what happened to the file named on the command line (UTF-8):
//   switching_probe <report> extract [check-date] [remove] [load-de]
//     "<count> <LoadedResourceLocale>"; with load-de the German module
//     beside the probe is loaded first, so that unpacking replaces it
//   switching_probe <report> check
//     the message of CheckThatDllsExist, or "ok"
//   switching_probe <report> available <executable>
//     the codes of the resource modules found for the executable, and
//     whether the process is elevated: "elevated=<0|1> <code>..."
#include <cstdio>
#include <string>

#include "QdBase.h"
#include "QdStartup.h"
#include "QdWindows.h"
#include "runtime/System/Elevation.h"
#include "runtime/Core/Exceptions.h"
#include "tests/support/ProbeReport.h"

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) return 2;
  const std::wstring command = argv[2];
  std::wstring text;
  Qd::StartUp();
  try {
    if (command == L"extract") {
      Qd::TExtractOptions options;
      bool loadGerman = false;
      for (int i = 3; i < argc; ++i) {
        const std::wstring option = argv[i];
        if (option == L"check-date") options.Include(Qd::eoCheckDate);
        if (option == L"remove") options.Include(Qd::eoRemoveFiles);
        if (option == L"load-de") loadGerman = true;
      }
      if (loadGerman) Qd::TQdBase::LoadNew(L"de", L"");
      const int count = Qd::TQdBase::ExtractFiles(options, L"");
      text = std::to_wstring(count) + L" " + Qd::LoadedResourceLocale();
    } else if (command == L"available" && argc > 3) {
      Qd::TQdLanguages languages;
      Qd::TQdWindows::GetAvailable(languages, argv[3], false, false, L"");
      text = Rtl::IsElevated() ? L"elevated=1" : L"elevated=0";
      for (int i = 0; i < languages.GetCount(); ++i) text += L" " + languages.GetItems(i)->GetCode();
    } else if (command == L"check") {
      Qd::TQdBase::CheckThatDllsExist();
      text = L"ok";
    }
  } catch (const Rtl::Exception& e) {
    text = e.Message();
  }
  Qd::ShutDown();
  return TestSupport::WriteProbeReport(argv[1], text);
}
