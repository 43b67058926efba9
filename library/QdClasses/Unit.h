// Unit-level state of QdClasses and its start-up and shutdown.
#pragma once

#include <string>

namespace Qd {

// The directory of the running executable: its full path without the file
// name and without a trailing backslash. Set by the unit's start-up; raises
// Rtl::Exception "QdClasses is not started" before it and after shutdown.
const std::wstring& ApplicationRootDir();

}  // namespace Qd

namespace Qd::QdClassesUnit {

// Sets ApplicationRootDir, BaseDateTime (to 0), builds the decode tables of
// the encodings and registers the unit's classes; shutdown undoes it.
void Initialization();
void Finalization();

}  // namespace Qd::QdClassesUnit
