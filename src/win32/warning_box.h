// Tells the user why a file could not be loaded or saved: a beep and a modal warning box.
#pragma once

#include "workflow/conversion_run.h"

#include <windows.h>

#include <string>

namespace win32 {

// A warning box with OK alone, modal to owner; title and prompt in UTF-8. Its exclamation icon plays
// the system's exclamation sound, which is the warning's one beep.
void showWarning(HWND owner, const std::string& title, const std::string& prompt);

// The workflow's warning box, modal to the window.
class Win32WarningBox final : public workflow::WarningBox {
public:
    explicit Win32WarningBox(HWND owner) : owner_(owner) {}
    void warn(const workflow::WarningText& text) override { showWarning(owner_, text.title, text.prompt); }

private:
    HWND owner_;
};

}  // namespace win32
