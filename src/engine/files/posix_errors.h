// System error numbers as the numbered file errors, and the small helpers every POSIX file call shares.
#pragma once

#include "engine/files/file_errors.h"
#include "engine/files/file_calls.h"

#include <string>

namespace engine {

// An errno value as the file error it stands for. ENOENT says "path not found"; a reader tells a
// missing file from a missing folder itself.
FileError fileErrorFromErrno(int errnoValue);

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
