// Small path rules the engine's file access shares: splitting, names it refuses, error mapping.
#include "engine/file_paths.h"

#include <sys/stat.h>

#include <cerrno>

namespace engine {

SplitPath splitPath(const std::string& path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return {".", path};
    return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

bool unusableName(const std::string& path) { return path.empty() || path.find('\0') != std::string::npos; }

bool isFolder(FileCalls& calls, const std::string& path)
{
    struct stat status {};
    return calls.stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

FileError missingFileError(FileCalls& calls, const std::string& path)
{
    return isFolder(calls, splitPath(path).folder) ? FileError{FileErrorNumber::FileNotFound}
                                                   : FileError{FileErrorNumber::PathNotFound};
}

FileError lastFileError() { return fileErrorFromErrno(errno); }

}  // namespace engine
