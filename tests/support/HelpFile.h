// A small valid compiled help file for the help tests: version 3 of the
// container with one uncompressed content section holding the "#SYSTEM"
// stream and the pages given; the system's help viewer opens it.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace TestSupport {

// Writes the help file; the first page is its default topic. Pages are
// named without a leading "/" ("intro.htm").
void WriteHelpFile(const std::wstring& fileName, const std::vector<std::pair<std::string, std::string>>& pages);

}  // namespace TestSupport
