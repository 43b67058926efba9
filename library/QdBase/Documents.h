// The maker's folder in the user's documents, where translations may lie
// for a process that is not elevated (QdBase's switching, QdWindows' module
// discovery).
#pragma once

#include <string>

namespace Qd {

// The user's documents folder + "\Korvanta"; empty when the documents
// folder can't be had.
std::wstring MakerDocumentsFolder();

}  // namespace Qd
