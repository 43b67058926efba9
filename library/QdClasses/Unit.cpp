#include "QdClasses/Unit.h"

#include "QdClasses/EncodingTables.h"
#include "QdClasses/Lists.h"
#include "runtime/ClassRegistry.h"
#include "runtime/Files.h"

namespace Qd {

std::wstring ApplicationRootDir;

}  // namespace Qd

namespace Qd::QdClassesUnit {

void Initialization() {
  ApplicationRootDir = Rtl::ExcludeTrailingPathDelimiter(Rtl::ExtractFilePath(Rtl::GetModuleFileName()));
  BuildDecodeTables();
  Rtl::RegisterClasses({&TQdObject::ClassInfo, &TQdObjects::ClassInfo});
}

void Finalization() {
  Rtl::UnRegisterClasses({&TQdObject::ClassInfo, &TQdObjects::ClassInfo});
  ApplicationRootDir.clear();
}

}  // namespace Qd::QdClassesUnit
