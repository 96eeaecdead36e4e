// Paths as the wide Windows API takes them.
#include "engine/files/win32_paths.h"

#include "encoding/wide_text.h"

#include <windows.h>

#include <algorithm>

namespace engine {

std::wstring extendedPath(std::string_view utf8Path)
{
    std::wstring path = encoding::wideText(utf8Path);
    std::ranges::replace(path, L'/', L'\\');
    constexpr std::wstring_view Extended = L"\\\\?\\";
    if (path.starts_with(Extended)) return path;
    // The full path resolves the current folder, "." and ".." as Windows itself would.
    std::wstring full(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
        if (length == 0) return path;  // the call that uses it reports what is wrong with it
        if (length < full.size()) {
            full.resize(length);
            break;
        }
        full.resize(length);
    }
    if (full.starts_with(L"\\\\")) return std::wstring(Extended) + L"UNC\\" + full.substr(2);
    return std::wstring(Extended) + full;
}

}  // namespace engine
