// gconvert --verify: whether converted files are what converting their old files gives.
#pragma once

#include <string>

namespace cli {

// Both report every finding on standard output as "PATH: text" and return the exit status: 0 when
// faithful, 1 otherwise.
int verifyPair(const std::string& oldPath, const std::string& newPath, bool json);

// The old files found as `gconvert -r -o newFolder oldFolder` finds them, each against its place
// under newFolder; also names the measurement files under newFolder that no old file accounts for.
int verifyTree(const std::string& oldFolder, const std::string& newFolder, bool json);

}  // namespace cli
