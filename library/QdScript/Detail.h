// Shared internals of the QdScript sources (not part of the unit's public
// face).
#pragma once

#include <cstdint>
#include <vector>

namespace Qd::ScriptDetail {

// The numbers of the code pages installed in the system, in the system's
// order.
std::vector<std::int32_t> InstalledCodePages();

}  // namespace Qd::ScriptDetail
