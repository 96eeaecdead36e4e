// Small path rules the engine's file access shares: splitting, names it refuses, error mapping.
#pragma once

#include "engine/file_calls.h"
#include "engine/file_errors.h"

#include <string>

namespace engine {

struct SplitPath {
    std::string folder;
    std::string name;
};

// The folder and the last part of a path; "." for a bare name.
SplitPath splitPath(const std::string& path);

// The system sees a name only up to its first NUL: such a name would open or replace another file.
bool unusableName(const std::string& path);

bool isFolder(FileCalls& calls, const std::string& path);

// A missing file in an existing folder is "file not found"; a missing folder is "path not found".
FileError missingFileError(FileCalls& calls, const std::string& path);

// The file error errno stands for now.
FileError lastFileError();

// Closes a descriptor on every way out of a scope.
class OpenFile {
public:
    OpenFile(FileCalls& calls, int fd) : calls_(calls), fd_(fd) {}
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;
    ~OpenFile()
    {
        if (fd_ >= 0) calls_.close(fd_);
    }

private:
    FileCalls& calls_;
    int fd_;
};

}  // namespace engine
