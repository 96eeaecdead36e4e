// System error numbers as the numbered file errors every message reports.
#include "engine/files/posix_errors.h"

#include <cerrno>

namespace engine {

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


FileError lastFileError() { return fileErrorFromErrno(errno); }

}  // namespace engine
