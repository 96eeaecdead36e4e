// Drops files and folders on the running FileConverter window, for tests that drive it: posts it the
// WM_DROPFILES a file manager sends, its DROPFILES block naming the paths given. Exits 1 without a window.
#include "encoding/wide_text.h"
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
        names += encoding::wideText(argv[index]);
        names.push_back(L'\0');
    }
    names.push_back(L'\0');
    // The block as DragQueryFileW reads it: the header, then the names.
    std::string block(sizeof(DROPFILES) + names.size() * sizeof(wchar_t), '\0');
    DROPFILES header{};
    header.pFiles = sizeof(DROPFILES);
    header.fWide = TRUE;
    std::memcpy(block.data(), &header, sizeof header);
    std::memcpy(block.data() + sizeof header, names.data(), names.size() * sizeof(wchar_t));
    // A memory handle means nothing in another process, and wine carries none across with the
    // message: the block is written into the window's own process, where a fixed block's handle is
    // its address. DragFinish cannot free it there; the few bytes go with that process.
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, processId);
    if (process == nullptr)
        return 1;
    void* remote = VirtualAllocEx(process, nullptr, block.size(), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    const bool written = remote != nullptr && WriteProcessMemory(process, remote, block.data(), block.size(), nullptr);
    CloseHandle(process);
    if (!written || !PostMessageW(window, WM_DROPFILES, reinterpret_cast<WPARAM>(remote), 0))
        return 1;
    return 0;
}
