// The program's only window: title, description, status line and the two buttons, laid out in twips.
#pragma once

#include "workflow/conversion_run.h"

#include <windows.h>

#include <functional>
#include <string>

namespace win32 {

// It is the run's view: the status line Label2 and Command1.
class MainWindow final : public workflow::RunView {
public:
    // Registers the window class; once per program.
    static bool registerClass(HINSTANCE instance);

    // Makes the window and its controls at the DPI of the monitor it opens on; not shown yet.
    bool create(HINSTANCE instance);
    HWND handle() const { return window_; }

    // What a click on Command1 does; it runs on the window's thread.
    void onCommand1(std::function<void()> run) { command1_ = std::move(run); }

    // The status line and Command1, as a run changes them.
    void showStatus(const std::string& text) override;
    void setCommand1Enabled(bool enabled) override;

    // Command1 holds the focus when the window opens.
    void show(int showCommand);

private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    void createControls();
    // Places the window's client area, the controls and their fonts for dpi dots per inch;
    // position is the window's top left, or null to keep it.
    void layOut(UINT dpi, const POINT* position);
    void clickFocusedButton();

    HWND window_ = nullptr;
    HWND focusBeforeDeactivation_ = nullptr;
    HFONT fonts_[3] = {};
    std::function<void()> command1_;
};

}  // namespace win32
