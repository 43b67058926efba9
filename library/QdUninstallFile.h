// Unit QdUninstallFile: the Windows uninstall list.
#pragma once

namespace Qd {

// The registry path of the Windows uninstall list below HKEY_LOCAL_MACHINE.
inline constexpr const wchar_t* APPLICATION_INSTALL_KEY_C =
    L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

}  // namespace Qd
