// Prints what the running FileConverter window shows, for tests that drive it: the status line by
// default; "command1" for that button's enabled state; "texts TITLE" for the text of every control of
// each other window titled TITLE (a task dialog's, as wine builds it, or the progress window's), one
// a line, its own line breaks shown as " | "; "clipboard" for the clipboard's text. "press TITLE BUTTON" clicks the button of that text in
// such a window, where no key reaches it directly. Exits 1 without what it looks for.
#include "encoding/wide_text.h"
#include "win32/control_ids.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

// WM_GETTEXT through SendMessage: the text as the window holds it, not a cached caption.
std::string textOf(HWND window)
{
    wchar_t text[4096] = {};
    SendMessageW(window, WM_GETTEXT, std::size(text), reinterpret_cast<LPARAM>(text));
    return encoding::utf8Text(text);
}

// The windows titled title but the main one; each control of theirs is printed, or the button whose
// text is button is pressed.
struct Search {
    std::wstring title;
    HWND main;
    std::string button;
    int found = 0;
};

BOOL CALLBACK eachControl(HWND control, LPARAM data)
{
    auto& search = *reinterpret_cast<Search*>(data);
    const std::string text = textOf(control);
    if (search.button.empty() && !text.empty()) {
        std::string line;
        for (const char character : text) character == '\n' ? void(line += " | ") : character == '\r' ? void() : void(line += character);
        std::puts(line.c_str());
    }
    if (!search.button.empty() && text == search.button) {
        ++search.found;
        PostMessageW(control, BM_CLICK, 0, 0);
    }
    return TRUE;
}

BOOL CALLBACK eachWindow(HWND window, LPARAM data)
{
    auto& search = *reinterpret_cast<Search*>(data);
    wchar_t title[256] = {};
    GetWindowTextW(window, title, static_cast<int>(std::size(title)));
    if (window != search.main && IsWindowVisible(window) && search.title == title) {
        search.found += search.button.empty() ? 1 : 0;
        EnumChildWindows(window, eachControl, data);
    }
    return TRUE;
}

}  // namespace

int main(int argc, char** argv)
{
    HWND window = FindWindowW(win32::WindowClassName, L"FileConverter");
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "clipboard") {
        if (!OpenClipboard(nullptr)) return 1;
        const HANDLE data = GetClipboardData(CF_UNICODETEXT);
        const auto* text = data != nullptr ? static_cast<const wchar_t*>(GlobalLock(data)) : nullptr;
        if (text != nullptr) std::fputs(encoding::utf8Text(text).c_str(), stdout);
        if (text != nullptr) GlobalUnlock(data);
        CloseClipboard();
        return text != nullptr ? 0 : 1;
    }
    if (window == nullptr)
        return 1;
    if (mode == "command1") {
        std::puts(IsWindowEnabled(GetDlgItem(window, win32::Command1)) ? "enabled" : "disabled");
        return 0;
    }
    if ((mode == "texts" && argc > 2) || (mode == "press" && argc > 3)) {
        Search search{encoding::wideText(argv[2]), window, mode == "press" ? argv[3] : ""};
        EnumWindows(eachWindow, reinterpret_cast<LPARAM>(&search));
        return search.found > 0 ? 0 : 1;
    }
    std::puts(textOf(GetDlgItem(window, win32::Label2)).c_str());
    return 0;
}
