// Starts the library units as a program does and writes what QdWindows read
// to the file named on the command line, in UTF-8, one line:
//   <major>.<minor> nt=<0|1> vista=.. 7=.. 8=.. 10=.. bound=<functions>
// where <functions> lists the Vista locale functions that were bound
// (E: EnumSystemLocalesEx, N: LocaleNameToLCID, G: GetLocaleInfoEx), "-"
// for none. With "names" after the file name it writes instead the display
// names of the Spanish traditional (040A) and international (0C0A) sorts:
//   <native>|<English>|<system> of 040A, then the same of 0C0A
#include <cstdio>
#include <string>

#include "QdStartup.h"
#include "QdWindows.h"
#include "tests/support/ProbeReport.h"

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  Qd::StartUp();
  using Qd::TQdWindows;
  std::wstring names;
  if (argc > 2 && std::wstring(argv[2]) == L"names") {
    for (const std::int32_t locale : {0x040A, 0x0C0A})
      for (const Qd::TQdLanguageName kind : {Qd::lnNative, Qd::lnEnglish, Qd::lnSystem})
        names += (names.empty() ? L"" : L"|") +
                 TQdWindows::GetDisplayName(locale == 0x040A ? L"es-ES_tradnl" : L"es-ES", locale, kind,
                                            Qd::lcDefault);
  }
  const Qd::TOsVersionInfo& v = TQdWindows::GetVersionInfo();
  std::wstring bound;
  if (TQdWindows::GetEnumSystemLocalesEx() != nullptr) bound += L'E';
  if (TQdWindows::GetLocaleNameToLCID() != nullptr) bound += L'N';
  if (TQdWindows::GetGetLocaleInfoEx() != nullptr) bound += L'G';
  if (bound.empty()) bound = L"-";
  std::wstring text = std::to_wstring(v.MajorVersion) + L"." + std::to_wstring(v.MinorVersion) +
                            L" nt=" + (TQdWindows::IsNt() ? L"1" : L"0") +
                            L" vista=" + (TQdWindows::IsVista() ? L"1" : L"0") +
                            L" 7=" + (TQdWindows::Is7() ? L"1" : L"0") + L" 8=" + (TQdWindows::Is8() ? L"1" : L"0") +
                            L" 10=" + (TQdWindows::Is10() ? L"1" : L"0") + L" bound=" + bound;
  Qd::ShutDown();
  if (!names.empty()) text = names;
  return TestSupport::WriteProbeReport(argv[1], text);
}
