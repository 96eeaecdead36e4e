// Descriptions of the numbered file errors every message reports.
#include "engine/files/file_errors.h"

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

}  // namespace engine
