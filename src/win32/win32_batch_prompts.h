// The dialogs and boxes of a run over many files, as Windows shows them: a folder dialog, task dialogs and a progress window.
#pragma once

#include "win32/ole_apartment.h"
#include "workflow/batch_run.h"

#include <windows.h>

namespace win32 {

// Its folder dialog and task dialogs host the shell's code, which needs the program's apartment on
// the thread that shows them: they are only made with one.
class Win32BatchPrompts final : public workflow::BatchPrompts {
public:
    Win32BatchPrompts(HWND owner, const OleApartment& /*program's*/) : owner_(owner) {}
    ~Win32BatchPrompts() override;
    Win32BatchPrompts(const Win32BatchPrompts&) = delete;
    Win32BatchPrompts& operator=(const Win32BatchPrompts&) = delete;

    std::string targetFolder(const std::string& startFolder) override;
    Existing existingTargets(const workflow::ExistingTargetsQuestion& question) override;
    void progressStarted(std::size_t total, std::function<void()> cancel) override;
    void progress(const workflow::ProgressText& text) override;
    void progressEnded() override;
    void summary(const workflow::SummaryText& text) override;

private:
    static LRESULT CALLBACK progressProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND owner_;
    HWND progress_ = nullptr;
    HFONT font_ = nullptr;
    std::function<void()> cancel_;
};

// Puts text on the clipboard as Unicode text, its lines ended by CR LF as Windows' programs expect.
bool copyToClipboard(HWND owner, const std::string& text);

}  // namespace win32
