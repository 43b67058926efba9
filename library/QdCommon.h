// Unit QdCommon: where the maker's data lives for the running executable.
#pragma once

#include <string>

namespace Qd {

// Decides the application and data directories: the executable's own
// directory on a removable drive; else the "DataDir" of the first product
// under HKEY_LOCAL_MACHINE\Software\Korvanta whose "InstallDir" is the
// executable's directory; else "Korvanta" under the user's documents folder
// when it holds the marker file "Korvanta.qdo", or under the public
// documents folder. Run once by the unit's start-up.
void InitializeDataDir();

// The unit's results: the executable's directory without a trailing
// backslash (QdClasses' ApplicationRootDir), the data directory, and the
// project directory (reserved; never set). Before start-up and after
// shutdown they raise Rtl::Exception "QdCommon is not started".
const std::wstring& GetApplicationDir();
const std::wstring& GetDataDir();
const std::wstring& GetProjectDir();

}  // namespace Qd

namespace Qd::QdCommonUnit {

void Initialization();
void Finalization();

}  // namespace Qd::QdCommonUnit
