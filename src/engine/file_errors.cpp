// Descriptions of the numbered file errors and the mapping of system error codes onto them.
#include "engine/file_errors.h"

#include <cerrno>

namespace engine {

QString FileError::description() const
{
    switch (number) {
    case FileErrorNumber::Overflow: return QStringLiteral("Overflow");
    case FileErrorNumber::BadFileName: return QStringLiteral("Bad file name or number");
    case FileErrorNumber::FileNotFound: return QStringLiteral("File not found");
    case FileErrorNumber::DeviceIoError: return QStringLiteral("Device I/O error");
    case FileErrorNumber::DiskFull: return QStringLiteral("Disk full");
    case FileErrorNumber::InputPastEndOfFile: return QStringLiteral("Input past end of file");
    case FileErrorNumber::TooManyFiles: return QStringLiteral("Too many files");
    case FileErrorNumber::PermissionDenied: return QStringLiteral("Permission denied");
    case FileErrorNumber::PathFileAccessError: return QStringLiteral("Path/File access error");
    case FileErrorNumber::PathNotFound: return QStringLiteral("Path not found");
    case FileErrorNumber::InvalidFileFormat: return QStringLiteral("Invalid file format");
    }
    return QStringLiteral("Path/File access error");
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
