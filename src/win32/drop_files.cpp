// Drops files and folders on the running FileConverter window, for tests that drive it: posts it the
// WM_DROPFILES a file manager sends, its DROPFILES block naming the paths given. Exits 1 without a window.
#include "engine/files/win32_paths.h"
#include "win32/control_ids.h"

#include <windows.h>

#include <shlobj.h>

#include <cstring>
#include <string>

int main(int argc, char** argv)
{
    HWND window = FindWindowW(win32::WindowClassName, L"FileConverter");
    if (window == nullptr || argc < 2)
        return 1;
    // The wide names one after the other, each closed by a NUL, the list by one more.
    std::wstring names;
    for (int index = 1; index < argc; ++index) {
        names += engine::wideText(argv[index]);
        names.push_back(L'\0');
    }
    names.push_back(L'\0');
    const std::size_t size = sizeof(DROPFILES) + names.size() * sizeof(wchar_t);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    if (block == nullptr)
        return 1;
    auto* drop = static_cast<DROPFILES*>(GlobalLock(block));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    std::memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), names.data(), names.size() * sizeof(wchar_t));
    GlobalUnlock(block);
    // The receiver frees the block with DragFinish.
    if (!PostMessageW(window, WM_DROPFILES, reinterpret_cast<WPARAM>(block), 0)) {
        GlobalFree(block);
        return 1;
    }
    return 0;
}
