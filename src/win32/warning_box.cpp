// Tells the user why a file could not be loaded or saved: a beep and a modal warning box.
#include "win32/warning_box.h"

#include "encoding/wide_text.h"

namespace win32 {

void showWarning(HWND owner, const std::string& title, const std::string& prompt)
{
    // No MessageBeep of its own: the box sounds as it opens, and a second sound would make it two.
    MessageBoxW(owner, encoding::wideText(prompt).c_str(), encoding::wideText(title).c_str(), MB_ICONEXCLAMATION | MB_OK);
}

}  // namespace win32
