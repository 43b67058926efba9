#include "QdClasses/Unit.h"

#include "QdClasses/Lists.h"
#include "runtime/ClassRegistry.h"

namespace Qd::QdClassesUnit {

void Initialization() { Rtl::RegisterClasses({&TQdObject::ClassInfo, &TQdObjects::ClassInfo}); }

void Finalization() { Rtl::UnRegisterClasses({&TQdObject::ClassInfo, &TQdObjects::ClassInfo}); }

}  // namespace Qd::QdClassesUnit
