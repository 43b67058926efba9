// Unit-level state of QdClasses and its start-up and shutdown.
#pragma once

namespace Qd::QdClassesUnit {

void Initialization();
void Finalization();

}  // namespace Qd::QdClassesUnit
