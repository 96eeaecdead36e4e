// The user's folders as the Windows shell names them, and the program's own folder.
#include "workflow/user_folders.h"

#include "engine/files/file_system.h"
#include "encoding/wide_text.h"

#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>

#include <algorithm>

namespace workflow {
namespace {

// '/' between the parts, as in every path the window's rules and its dialogs join and compare.
std::string withSlashes(std::wstring_view wide)
{
    std::string path = encoding::utf8Text(wide);
    std::ranges::replace(path, '\\', '/');
    return path;
}

std::string knownFolder(REFKNOWNFOLDERID id)
{
    PWSTR wide = nullptr;
    // Not verified: a folder missing on this account is named all the same, and made when needed.
    const HRESULT result = SHGetKnownFolderPath(id, KF_FLAG_DONT_VERIFY, nullptr, &wide);
    const std::string path = SUCCEEDED(result) ? withSlashes(wide) : std::string();
    CoTaskMemFree(wide);
    return path;
}

}  // namespace

UserFolders userFolders()
{
    return {knownFolder(FOLDERID_RoamingAppData), knownFolder(FOLDERID_Documents)};
}

std::string programFileFolder()
{
    // The buffer grows until the path fits: a program may lie deeper than MAX_PATH.
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) {
            path.resize(length);
            return engine::splitPath(withSlashes(path)).folder;
        }
        path.resize(path.size() * 2);
    }
}

}  // namespace workflow
