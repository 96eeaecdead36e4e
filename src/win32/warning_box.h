// Tells the user why a file could not be loaded or saved: a beep and a modal warning box.
#pragma once

#include <windows.h>

#include <string>

namespace win32 {

// The exclamation beep, then a warning box with OK alone, modal to owner; title and prompt in UTF-8.
void showWarning(HWND owner, const std::string& title, const std::string& prompt);

}  // namespace win32
