#include "QdClasses/Unit.h"

#include "QdClasses/DateTime.h"
#include "QdClasses/EncodingTables.h"
#include "QdClasses/Lists.h"
#include "runtime/Core/ClassRegistry.h"
#include "runtime/IO/Files.h"

namespace Qd {

std::wstring ApplicationRootDir;

}  // namespace Qd

namespace Qd::QdClassesUnit {

void Initialization() {
  ApplicationRootDir = Rtl::ExcludeTrailingPathDelimiter(Rtl::ExtractFilePath(Rtl::GetModuleFileName()));
  BaseDateTime = 0;
  BuildDecodeTables();
  Rtl::RegisterClasses({&TQdObject::ClassInfo, &TQdObjects::ClassInfo});
}

void Finalization() {
  Rtl::UnRegisterClasses({&TQdObject::ClassInfo, &TQdObjects::ClassInfo});
  ApplicationRootDir.clear();
}

}  // namespace Qd::QdClassesUnit
