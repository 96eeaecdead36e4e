// Windows error codes as the numbered file errors every message reports.
#include "engine/files/win32_errors.h"

#include <windows.h>

namespace engine {
namespace {

// Codes these headers do not name: a quota used up, and a cloud file whose content cannot be fetched
// (offline, its sync client stopped).
constexpr DWORD DiskQuotaExceeded = 1295;
constexpr DWORD CloudProviderNotRunning = 362, CloudNetworkUnavailable = 388, CloudUnsuccessful = 389,
                CloudRequestAborted = 393, CloudAccessDenied = 395, CloudRequestCanceled = 398,
                CloudProviderTerminated = 404;

}  // namespace

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
    case ERROR_WRITE_PROTECT:
    case CloudAccessDenied: return {FileErrorNumber::PermissionDenied};
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
    case DiskQuotaExceeded: return {FileErrorNumber::DiskFull};
    case ERROR_TOO_MANY_OPEN_FILES: return {FileErrorNumber::TooManyFiles};
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_INVALID_NAME: return {FileErrorNumber::BadFileName};
    case ERROR_CRC:
    case ERROR_IO_DEVICE:
    case ERROR_NOT_READY:
    case ERROR_SECTOR_NOT_FOUND:
    case ERROR_GEN_FAILURE:
    // The device is a share whose connection dropped, or the cloud a file's content lives in.
    case ERROR_NETNAME_DELETED:
    case ERROR_UNEXP_NET_ERR:
    case ERROR_FILE_OFFLINE:
    case CloudProviderNotRunning:
    case CloudNetworkUnavailable:
    case CloudUnsuccessful:
    case CloudRequestAborted:
    case CloudRequestCanceled:
    case CloudProviderTerminated: return {FileErrorNumber::DeviceIoError};
    default: return {FileErrorNumber::PathFileAccessError};
    }
}

FileError lastWindowsFileError() { return fileErrorFromWindows(GetLastError()); }

bool heldByAnotherProgram(unsigned long code) { return code == ERROR_SHARING_VIOLATION || code == ERROR_ACCESS_DENIED; }

}  // namespace engine
