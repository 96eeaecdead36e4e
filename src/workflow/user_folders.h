// The folders the system keeps for the user who runs the program, and the program's own folder: one
// implementation for each system, chosen by the build.
#pragma once

#include <string>

namespace workflow {

// UTF-8 paths with '/' between their parts; empty when the system names none.
struct UserFolders {
    std::string configuration;  // where programs keep the user's settings
    std::string documents;      // the user's documents
};

// POSIX: $XDG_CONFIG_HOME or ~/.config; XDG_DOCUMENTS_DIR of user-dirs.dirs in it, else ~/Documents.
// Windows: the roaming application data and the documents folder the shell names.
UserFolders userFolders();

// The folder of the running program file.
std::string programFileFolder();

}  // namespace workflow
