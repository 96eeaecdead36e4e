// Where Windows' dialogs start and what they leave behind.
#include "win32/dialog_places.h"

#include "encoding/wide_text.h"

#include <algorithm>

namespace win32 {

std::wstring windowsForm(std::string_view path)
{
    std::wstring wide = encoding::wideText(path);
    std::ranges::replace(wide, L'/', L'\\');
    return wide;
}

KeptWorkingFolder::KeptWorkingFolder()
{
    folder_.resize(GetCurrentDirectoryW(0, nullptr));
    folder_.resize(GetCurrentDirectoryW(static_cast<DWORD>(folder_.size()), folder_.data()));
}

KeptWorkingFolder::~KeptWorkingFolder()
{
    if (!folder_.empty()) SetCurrentDirectoryW(folder_.c_str());
}

}  // namespace win32
