// Windows error codes as the numbered file errors every message reports.
#pragma once

#include "engine/files/file_errors.h"

namespace engine {

// A code of GetLastError as the file error it stands for: the same numbers and descriptions as on
// any other system. A file another program holds open (a sharing violation) is refused access.
FileError fileErrorFromWindows(unsigned long code);

// The file error GetLastError stands for now.
FileError lastWindowsFileError();

// Whether code says that another program holds the file for the moment: a sharing violation, or access
// denied, which is also Windows' answer while a file it was asked to delete is still held open. Such
// a file is worth another try after a pause.
bool heldByAnotherProgram(unsigned long code);

}  // namespace engine
