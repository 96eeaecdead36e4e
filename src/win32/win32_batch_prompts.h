// The dialogs and boxes of a run over many files, as Windows shows them: a folder dialog, task dialogs and a progress window.
#pragma once

#include "workflow/batch_run.h"

#include <windows.h>

namespace win32 {

class Win32BatchPrompts final : public workflow::BatchPrompts {
public:
    explicit Win32BatchPrompts(HWND owner) : owner_(owner) {}
    ~Win32BatchPrompts() override;
    Win32BatchPrompts(const Win32BatchPrompts&) = delete;
    Win32BatchPrompts& operator=(const Win32BatchPrompts&) = delete;

    std::string targetFolder(const std::string& startFolder) override;
    Existing existingTargets(std::size_t existing, std::size_t count) override;
    void progressStarted(std::size_t count, std::function<void()> cancel) override;
    void progress(std::size_t index, std::size_t count, const std::string& file) override;
    void progressEnded() override;
    void summary(const workflow::BatchSummary& summary) override;

private:
    static LRESULT CALLBACK progressProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void cancelPressed();

    HWND owner_;
    HWND progress_ = nullptr;
    HFONT font_ = nullptr;
    std::function<void()> cancel_;
    bool stopping_ = false;
};

}  // namespace win32
