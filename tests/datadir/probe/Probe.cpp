// Starts and shuts down the library units as a program does, and writes what
// the data-directory discovery decided to the file named on the command line,
// in UTF-8, one value a line: the application directory, the data directory,
// the project directory, then "cleared" when shutdown emptied all three.
#include <cstdio>
#include <string>

#include "QdCommon.h"
#include "QdStartup.h"
#include "runtime/Text/Utf8.h"

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  Qd::StartUp();
  std::wstring text = Qd::GetApplicationDir() + L"\n" + Qd::GetDataDir() + L"\n" + Qd::GetProjectDir() + L"\n";
  Qd::ShutDown();
  const bool cleared = Qd::GetApplicationDir().empty() && Qd::GetDataDir().empty() && Qd::GetProjectDir().empty();
  text += cleared ? L"cleared\n" : L"kept\n";
  std::FILE* file = _wfopen(argv[1], L"wb");
  if (file == nullptr) return 3;
  const std::string bytes = Rtl::Utf8Encode(text);
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && written ? 0 : 4;
}
