// Windows error codes as the numbered file errors every message reports.
#pragma once

#include "engine/files/file_errors.h"

namespace engine {

// A code of GetLastError as the file error it stands for: the same numbers and descriptions as on
// any other system. A file another program holds open (a sharing violation) is refused access.
FileError fileErrorFromWindows(unsigned long code);

// The file error GetLastError stands for now.
FileError lastWindowsFileError();

}  // namespace engine
