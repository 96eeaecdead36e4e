// Paths as the wide Windows API takes them.
#include "engine/files/win32_paths.h"

#include <windows.h>

#include <algorithm>

namespace engine {

std::wstring wideText(std::string_view utf8)
{
    if (utf8.empty()) return {};
    const int size = static_cast<int>(utf8.size());
    std::wstring wide(static_cast<std::size_t>(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0)), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), static_cast<int>(wide.size()));
    return wide;
}

std::string utf8Text(std::wstring_view wide)
{
    if (wide.empty()) return {};
    const int size = static_cast<int>(wide.size());
    std::string utf8(
        static_cast<std::size_t>(WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr)), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, utf8.data(), static_cast<int>(utf8.size()), nullptr, nullptr);
    return utf8;
}

std::wstring extendedPath(std::string_view utf8Path)
{
    std::wstring path = wideText(utf8Path);
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
