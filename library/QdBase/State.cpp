// The globals of QdBase and the unit's start-up and shutdown.
#include <memory>

#include "QdBase.h"
#include "runtime/Core/Units.h"
#include "runtime/Text/StringList.h"

namespace Qd {

namespace {

// The unit variables, made by the start-up.
struct TQdBaseState {
  std::wstring ResourceDllDir;
  std::wstring LoadedResourceLocale;
  std::wstring PreviouslyLoadedResourceLocale;
  TQdDayOfWeek FirstDayOfWeek = wdMonday;
  TQdFirstWeekOfYear FirstWeekOfYear = fwFirstPart;
  TQdLayout UiLayout = laLeftToRight;
  std::wstring OriginalLanguage = L"en";
  std::wstring DefaultLocale = L"en";
  std::wstring SystemLanguage;
  Rtl::TStringList ExtractedResourceFiles;
};

constinit Rtl::TUnitState<TQdBaseState> State{L"QdBase"};

}  // namespace

const std::wstring& ResourceDllDir() { return State.Get().ResourceDllDir; }
void SetResourceDllDir(std::wstring value) { State.Get().ResourceDllDir = std::move(value); }
const std::wstring& LoadedResourceLocale() { return State.Get().LoadedResourceLocale; }
void SetLoadedResourceLocale(std::wstring value) { State.Get().LoadedResourceLocale = std::move(value); }
const std::wstring& PreviouslyLoadedResourceLocale() { return State.Get().PreviouslyLoadedResourceLocale; }
void SetPreviouslyLoadedResourceLocale(std::wstring value) {
  State.Get().PreviouslyLoadedResourceLocale = std::move(value);
}
TQdDayOfWeek FirstDayOfWeek() { return State.Get().FirstDayOfWeek; }
void SetFirstDayOfWeek(TQdDayOfWeek value) { State.Get().FirstDayOfWeek = value; }
TQdFirstWeekOfYear FirstWeekOfYear() { return State.Get().FirstWeekOfYear; }
void SetFirstWeekOfYear(TQdFirstWeekOfYear value) { State.Get().FirstWeekOfYear = value; }
TQdLayout UiLayout() { return State.Get().UiLayout; }
void SetUiLayout(TQdLayout value) { State.Get().UiLayout = value; }
const std::wstring& OriginalLanguage() { return State.Get().OriginalLanguage; }
void SetOriginalLanguage(std::wstring value) { State.Get().OriginalLanguage = std::move(value); }
const std::wstring& DefaultLocale() { return State.Get().DefaultLocale; }
void SetDefaultLocale(std::wstring value) { State.Get().DefaultLocale = std::move(value); }
const std::wstring& SystemLanguage() { return State.Get().SystemLanguage; }
void SetSystemLanguage(std::wstring value) { State.Get().SystemLanguage = std::move(value); }
Rtl::TStringList& ExtractedResourceFiles() { return State.Get().ExtractedResourceFiles; }

}  // namespace Qd

namespace Qd::QdBaseUnit {

void Initialization() { State.Start(std::make_unique<TQdBaseState>()); }

// The unpacked resource modules go first: every module gets its own
// resources back, and the files are deleted.
void Finalization() {
  if (State.Started()) TQdBase::DeleteExtractedFiles();
  State.Stop();
}

}  // namespace Qd::QdBaseUnit
