#include "QdClasses/Unit.h"

namespace Qd::QdClassesUnit {

void Initialization() {}

void Finalization() {}

}  // namespace Qd::QdClassesUnit
