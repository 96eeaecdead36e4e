// Reading the record at the start of an old file: every call goes through FileCalls, every file is closed.
#include "engine/record_file.h"

#include "engine/file_paths.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>

namespace engine {

std::optional<FileError> readOldRecordBytes(FileCalls& calls, const std::string& path,
                                            std::span<std::uint8_t, records::OldRecordLength> bytes)
{
    if (unusableName(path)) return FileError{FileErrorNumber::PathFileAccessError};
    // Non-blocking, so that naming a pipe cannot hang the program before it is refused below.
    const int fd = calls.open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0);
    if (fd < 0) return errno == ENOENT ? missingFileError(calls, path) : lastFileError();
    OpenFile file(calls, fd);

    struct stat status {};
    if (calls.fstat(fd, &status) != 0) return lastFileError();
    if (!S_ISREG(status.st_mode)) return FileError{FileErrorNumber::PathFileAccessError};
    if (status.st_size > LargestOldFile) return FileError{FileErrorNumber::Overflow};

    std::span<std::uint8_t> rest = bytes;
    while (!rest.empty()) {
        const ssize_t got = calls.read(fd, rest.data(), rest.size());
        if (got < 0) {
            if (errno == EINTR) continue;
            return lastFileError();
        }
        if (got == 0) return FileError{FileErrorNumber::InputPastEndOfFile};
        rest = rest.subspan(static_cast<std::size_t>(got));
    }
    return std::nullopt;
}

}  // namespace engine
