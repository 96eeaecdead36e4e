// gconvert --show: which layout each file has and every field it holds, as text or as one JSON document.
#pragma once

#include <string>
#include <vector>

namespace cli {

// Returns the exit status: 0 when every file could be read, 1 otherwise.
int showFiles(const std::vector<std::string>& paths, bool json);

}  // namespace cli
