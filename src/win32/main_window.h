// The program's only window: title, description, status line and the two buttons, laid out in twips.
#pragma once

#include "workflow/conversion_run.h"

#include <windows.h>

#include <shellapi.h>

#include <functional>
#include <string>
#include <vector>

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
    // What a drop of files and folders does, given their UTF-8 paths without a closing separator;
    // it runs on the window's thread once the drop is answered. Drops are refused while a run goes on.
    void onDrop(std::function<void(const std::vector<std::string>&)> run) { drop_ = std::move(run); }

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
    void addToolTip();
    void dropped(HDROP drop);
    // Runs the one run a click or a drop starts, the window taking no drop until it is over.
    void runAlone(const std::function<void()>& run);

    HWND window_ = nullptr;
    HWND focusBeforeDeactivation_ = nullptr;
    HFONT fonts_[3] = {};
    HWND toolTip_ = nullptr;
    std::function<void()> command1_;
    std::function<void(const std::vector<std::string>&)> drop_;
    std::vector<std::string> dropped_;  // waiting for its run
    bool running_ = false;              // from a click or drop to the end of the run it starts
};

}  // namespace win32
