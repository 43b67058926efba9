#include "QdClasses/Unit.h"

#include <memory>

#include "QdClasses/DateTime.h"
#include "QdClasses/EncodingTables.h"
#include "QdClasses/FileFlusher.h"
#include "QdClasses/Lists.h"
#include "runtime/Core/ClassRegistry.h"
#include "runtime/Core/Units.h"
#include "runtime/IO/Files.h"

namespace Qd {

namespace {

// The unit variables, made by the start-up.
struct TQdClassesState {
  std::wstring ApplicationRootDir;
  Rtl::TDateTime BaseDateTime = 0;
  // Its thread is made by the first large file written and ends here.
  TFileFlusher Flusher;
};

constinit Rtl::TUnitState<TQdClassesState> State{L"QdClasses"};

}  // namespace

const std::wstring& ApplicationRootDir() { return State.Get().ApplicationRootDir; }

Rtl::TDateTime BaseDateTime() { return State.Get().BaseDateTime; }

void SetBaseDateTime(Rtl::TDateTime value) { State.Get().BaseDateTime = value; }

TFileFlusher* FileFlusher() { return State.Started() ? &State.Get().Flusher : nullptr; }

}  // namespace Qd

namespace Qd::QdClassesUnit {

void Initialization() {
  auto state = std::make_unique<TQdClassesState>();
  state->ApplicationRootDir = Rtl::ExcludeTrailingPathDelimiter(Rtl::ExtractFilePath(Rtl::GetModuleFileName()));
  BuildDecodeTables();
  Rtl::RegisterClasses({&TQdObject::ClassInfo, &TQdObjects::ClassInfo});
  State.Start(std::move(state));
}

void Finalization() {
  State.Stop();
  Rtl::UnRegisterClasses({&TQdObject::ClassInfo, &TQdObjects::ClassInfo});
}

}  // namespace Qd::QdClassesUnit
