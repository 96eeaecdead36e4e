// The user's folders as the XDG rules name them from the environment, and the program's own folder.
#include "workflow/user_folders.h"

#include "engine/files/file_system.h"
#include "workflow/xdg_folders.h"

#include <unistd.h>

#include <cstdlib>

namespace workflow {
namespace {

std::string environment(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

}  // namespace

UserFolders userFolders()
{
    return xdgUserFolders(environment("HOME"), environment("XDG_CONFIG_HOME"));
}

std::string programFileFolder()
{
    // The file the kernel started, links resolved, wherever it was called from.
    std::string path(4096, '\0');
    const ssize_t length = readlink("/proc/self/exe", path.data(), path.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= path.size()) return {};
    path.resize(static_cast<std::size_t>(length));
    return engine::splitPath(path).folder;
}

}  // namespace workflow
