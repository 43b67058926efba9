#include "QdClasses/Unit.h"

#include "QdClasses/EncodingTables.h"
#include "runtime/Files.h"

namespace Qd {

std::wstring ApplicationRootDir;

}  // namespace Qd

namespace Qd::QdClassesUnit {

void Initialization() {
  ApplicationRootDir = Rtl::ExcludeTrailingPathDelimiter(Rtl::ExtractFilePath(Rtl::GetModuleFileName()));
  BuildDecodeTables();
}

void Finalization() { ApplicationRootDir.clear(); }

}  // namespace Qd::QdClassesUnit
