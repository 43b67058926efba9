// Starts the library units as a program does, loads the translation set
// through the process's collection and writes what it found to the file
// named first on the command line, in UTF-8, one value a line: the source
// (0-3), the source's value, the ids of the languages joined by ",", the
// current language, the search directories joined by "|", "elevated" or
// "limited". Further arguments configure the collection before it loads:
// "name=<ResourceName>", "path=<ResourcePath>". A load that raises writes
// "error: <message>" in place of the source.
// The program carries the fixture container as its "QdLangRes" resource.
#include <cstdio>
#include <string>

#include "QdResource.h"
#include "QdStartup.h"
#include "runtime/Core/Exceptions.h"
#include "runtime/System/Elevation.h"
#include "tests/support/ProbeReport.h"

namespace {

std::wstring Report(Qd::TQdDelphiResources& resources) {
  std::wstring text;
  try {
    resources.Load();
    text += std::to_wstring(resources.GetTranslationSource()) + L"\n" + resources.GetTranslationSourceValue() + L"\n";
    for (int i = 0; i < resources.GetCount(); ++i)
      text += (i > 0 ? L"," : L"") + resources.GetLanguages(i)->GetId();
    text += L"\n" + resources.GetLanguageId() + L"\n";
  } catch (const Rtl::Exception& e) {
    text += L"error: " + e.Message() + L"\n\n\n\n";
  }
  bool first = true;
  for (const std::wstring& dir : resources.GetResourceDirectories()) {
    text += (first ? L"" : L"|") + dir;
    first = false;
  }
  text += Rtl::IsElevated() ? L"\nelevated\n" : L"\nlimited\n";
  return text;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  Qd::StartUp();
  Qd::TQdDelphiResources& resources = Qd::TQdDelphiResources::GetResources();
  for (int i = 2; i < argc; ++i) {
    const std::wstring argument = argv[i];
    if (argument.starts_with(L"name=")) resources.SetResourceName(argument.substr(5));
    if (argument.starts_with(L"path=")) resources.SetResourcePath(argument.substr(5));
  }
  const std::wstring text = Report(resources);
  Qd::ShutDown();
  return TestSupport::WriteProbeReport(argv[1], text);
}
