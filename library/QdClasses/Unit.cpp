#include "QdClasses/Unit.h"

#include "QdClasses/DateTime.h"

namespace Qd::QdClassesUnit {

void Initialization() { BaseDateTime = 0; }

void Finalization() {}

}  // namespace Qd::QdClassesUnit
