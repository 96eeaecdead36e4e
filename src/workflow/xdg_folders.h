// The user's folders by the XDG base and user directory rules, built on every system so that their
// tests run everywhere.
#pragma once

#include "workflow/user_folders.h"

#include <string>

namespace workflow {

// For a user whose home is home and whose $XDG_CONFIG_HOME is configHome ("" when unset): the
// configuration folder configHome, or home/.config when it is not absolute; the documents folder
// XDG_DOCUMENTS_DIR of user-dirs.dirs in it, "$HOME" expanded, else home/Documents.
UserFolders xdgUserFolders(const std::string& home, const std::string& configHome);

}  // namespace workflow
