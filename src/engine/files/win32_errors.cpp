// Windows error codes as the numbered file errors every message reports.
#include "engine/files/win32_errors.h"

#include <windows.h>

namespace engine {

FileError fileErrorFromWindows(unsigned long code)
{
    switch (code) {
    case ERROR_FILE_NOT_FOUND: return {FileErrorNumber::FileNotFound};
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME: return {FileErrorNumber::PathNotFound};
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT: return {FileErrorNumber::PermissionDenied};
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return {FileErrorNumber::DiskFull};
    case ERROR_TOO_MANY_OPEN_FILES: return {FileErrorNumber::TooManyFiles};
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_INVALID_NAME: return {FileErrorNumber::BadFileName};
    case ERROR_CRC:
    case ERROR_IO_DEVICE:
    case ERROR_NOT_READY:
    case ERROR_SECTOR_NOT_FOUND:
    case ERROR_GEN_FAILURE: return {FileErrorNumber::DeviceIoError};
    default: return {FileErrorNumber::PathFileAccessError};
    }
}

FileError lastWindowsFileError() { return fileErrorFromWindows(GetLastError()); }

}  // namespace engine
