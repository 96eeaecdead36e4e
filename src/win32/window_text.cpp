// Prints the text of one control of the running FileConverter window, for tests that drive it: the
// status line by default, "command1" for that button's enabled state. Exits 1 without a window.
#include "encoding/wide_text.h"
#include "win32/control_ids.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

int main(int argc, char** argv)
{
    HWND window = FindWindowW(win32::WindowClassName, L"FileConverter");
    if (window == nullptr)
        return 1;
    if (argc > 1 && std::strcmp(argv[1], "command1") == 0) {
        std::puts(IsWindowEnabled(GetDlgItem(window, win32::Command1)) ? "enabled" : "disabled");
        return 0;
    }
    // WM_GETTEXT through SendMessage: the text as the window holds it, not a cached caption.
    wchar_t text[512] = {};
    SendMessageW(GetDlgItem(window, win32::Label2), WM_GETTEXT, std::size(text), reinterpret_cast<LPARAM>(text));
    std::puts(encoding::utf8Text(text).c_str());
    return 0;
}
