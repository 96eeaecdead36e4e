// Descriptions of the numbered file errors and the mapping of system error codes onto them.
#include "engine/file_errors.h"

#include <cerrno>

namespace engine {

std::string_view FileError::description() const
{
    switch (number) {
    case FileErrorNumber::Overflow: return "Overflow";
    case FileErrorNumber::BadFileName: return "Bad file name or number";
    case FileErrorNumber::FileNotFound: return "File not found";
    case FileErrorNumber::DeviceIoError: return "Device I/O error";
    case FileErrorNumber::DiskFull: return "Disk full";
    case FileErrorNumber::InputPastEndOfFile: return "Input past end of file";
    case FileErrorNumber::TooManyFiles: return "Too many files";
    case FileErrorNumber::PermissionDenied: return "Permission denied";
    case FileErrorNumber::PathFileAccessError: return "Path/File access error";
    case FileErrorNumber::PathNotFound: return "Path not found";
    case FileErrorNumber::InvalidFileFormat: return "Invalid file format";
    }
    return "Path/File access error";
}

FileError fileErrorFromErrno(int errnoValue)
{
    switch (errnoValue) {
    case ENOENT:
    case ENOTDIR: return {FileErrorNumber::PathNotFound};
    case EACCES:
    case EPERM:
    case EROFS: return {FileErrorNumber::PermissionDenied};
    case ENOSPC:
    case EDQUOT: return {FileErrorNumber::DiskFull};
    case EIO: return {FileErrorNumber::DeviceIoError};
    case EMFILE:
    case ENFILE: return {FileErrorNumber::TooManyFiles};
    case ENAMETOOLONG: return {FileErrorNumber::BadFileName};
    default: return {FileErrorNumber::PathFileAccessError};
    }
}

}  // namespace engine
