// Where Windows' dialogs start and what they leave behind: paths in Windows' own form, and the
// program's working folder kept as it was.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace win32 {

// A UTF-8 path as Windows' dialogs take it: UTF-16 with backslashes. The workflow's folders use '/',
// which the shell's parser does not take everywhere.
std::wstring windowsForm(std::string_view path);

// Puts the program's working folder back when it goes. Windows' open dialog makes the folder a file
// was chosen from the working folder, OFN_NOCHANGEDIR notwithstanding; a folder in use there keeps a
// USB stick from being ejected while the window is open.
class KeptWorkingFolder {
public:
    KeptWorkingFolder();
    ~KeptWorkingFolder();
    KeptWorkingFolder(const KeptWorkingFolder&) = delete;
    KeptWorkingFolder& operator=(const KeptWorkingFolder&) = delete;

private:
    std::wstring folder_;
};

}  // namespace win32
