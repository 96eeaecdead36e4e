// The numbered file errors every message of the tool reports, and how system errors map onto them.
#pragma once

#include <string_view>

namespace engine {

// The classic numbering of file errors, so that messages read alike whatever went wrong.
enum class FileErrorNumber : int {
    Overflow = 6,
    BadFileName = 52,
    FileNotFound = 53,
    DeviceIoError = 57,
    DiskFull = 61,
    InputPastEndOfFile = 62,
    TooManyFiles = 67,
    PermissionDenied = 70,
    PathFileAccessError = 75,
    PathNotFound = 76,
    InvalidFileFormat = 321,
};

struct FileError {
    FileErrorNumber number;
    // Another program holds the file for the moment (a sharing violation on Windows): worth another
    // try after a pause. Only the file layer sets it, where the system has such an answer.
    bool held = false;

    int code() const { return static_cast<int>(number); }
    std::string_view description() const;

    friend bool operator==(const FileError&, const FileError&) = default;
};

}  // namespace engine
