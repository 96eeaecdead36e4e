// The dialogs and boxes of a run over many files, as Windows shows them: a folder dialog, task dialogs and a progress window.
#include "win32/win32_batch_prompts.h"

#include "encoding/wide_text.h"

#include <commctrl.h>
#include <shobjidl.h>

#include <string>

namespace win32 {
namespace {

constexpr wchar_t ProgressClass[] = L"FileConverterProgress";
constexpr int ProgressLabel = 201;
constexpr int ProgressBar = 202;
constexpr int ReplaceButton = 301;
constexpr int SkipButton = 302;

int scaled(int pixels96, UINT dpi) { return MulDiv(pixels96, static_cast<int>(dpi), 96); }

UINT dpiOf(HWND window) { return window != nullptr ? GetDpiForWindow(window) : 96; }

// A window that is gone owns nothing: the box is shown by itself.
HWND ownerOrNone(HWND owner) { return IsWindow(owner) ? owner : nullptr; }

// Releases a COM interface at the end of its scope.
template <class Interface> struct Held {
    Interface* pointer = nullptr;
    ~Held() { if (pointer != nullptr) pointer->Release(); }
};

}  // namespace

Win32BatchPrompts::~Win32BatchPrompts() { progressEnded(); }

std::string Win32BatchPrompts::targetFolder(const std::string& startFolder)
{
    // The dialog is a COM object of the shell's: the thread joins an apartment for the time it is shown.
    const HRESULT initialised = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    std::string chosen;
    {
        Held<IFileOpenDialog> dialog;
        if (SUCCEEDED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER, IID_IFileOpenDialog,
                                       reinterpret_cast<void**>(&dialog.pointer)))) {
            // It has a button that makes a new folder of its own.
            FILEOPENDIALOGOPTIONS options = 0;
            dialog.pointer->GetOptions(&options);
            dialog.pointer->SetOptions(options | FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM | FOS_PATHMUSTEXIST
                                       | FOS_NOCHANGEDIR);
            dialog.pointer->SetTitle(L"Save Files To");
            Held<IShellItem> start;
            if (!startFolder.empty()
                && SUCCEEDED(SHCreateItemFromParsingName(encoding::wideText(startFolder).c_str(), nullptr, IID_IShellItem,
                                                         reinterpret_cast<void**>(&start.pointer))))
                dialog.pointer->SetFolder(start.pointer);
            Held<IShellItem> result;
            PWSTR path = nullptr;
            if (SUCCEEDED(dialog.pointer->Show(ownerOrNone(owner_))) && SUCCEEDED(dialog.pointer->GetResult(&result.pointer))
                && SUCCEEDED(result.pointer->GetDisplayName(SIGDN_FILESYSPATH, &path))) {
                chosen = encoding::utf8Text(path);
                CoTaskMemFree(path);
            }
        }
    }
    if (SUCCEEDED(initialised)) CoUninitialize();
    // The workflow takes folders without a closing separator, a drive's root aside.
    while (chosen.size() > 3 && (chosen.back() == '\\' || chosen.back() == '/')) chosen.pop_back();
    return chosen;
}

workflow::BatchPrompts::Existing Win32BatchPrompts::existingTargets(std::size_t existing, std::size_t count)
{
    const std::wstring question = encoding::wideText(std::to_string(existing) + " of the " + std::to_string(count)
                                                   + " converted files exist already in this folder.");
    const TASKDIALOG_BUTTON buttons[] = {{ReplaceButton, L"Replace"}, {SkipButton, L"Skip"}};
    TASKDIALOGCONFIG config{};
    config.cbSize = sizeof config;
    config.hwndParent = ownerOrNone(owner_);
    config.dwFlags = TDF_USE_HICON_MAIN | TDF_POSITION_RELATIVE_TO_WINDOW;
    config.dwCommonButtons = TDCBF_CANCEL_BUTTON;
    config.pszWindowTitle = L"Save Files To";
    config.hMainIcon = LoadIconW(nullptr, MAKEINTRESOURCEW(32514));  // IDI_QUESTION
    config.pszMainInstruction = question.c_str();
    config.pszContent = L"Replace them, skip them, or cancel the whole run?";
    config.cButtons = 2;
    config.pButtons = buttons;
    // Replacing cannot be undone: Enter skips the existing targets, Escape cancels the run; both keep
    // every file as it is.
    config.nDefaultButton = SkipButton;
    int answer = IDCANCEL;
    if (FAILED(TaskDialogIndirect(&config, &answer, nullptr, nullptr))) return Existing::Cancel;
    return answer == ReplaceButton ? Existing::Replace : answer == SkipButton ? Existing::Skip : Existing::Cancel;
}

void Win32BatchPrompts::progressStarted(std::size_t count, std::function<void()> cancel)
{
    progressEnded();
    cancel_ = std::move(cancel);
    stopping_ = false;
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &Win32BatchPrompts::progressProcedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = ProgressClass;
    RegisterClassExW(&windowClass);  // already there from an earlier run

    // Modeless and owned by the window, which keeps repainting; the workflow keeps Command1 disabled.
    const HWND owner = ownerOrNone(owner_);
    const UINT dpi = dpiOf(owner);
    constexpr DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
    RECT frame{0, 0, scaled(360, dpi), scaled(120, dpi)};
    AdjustWindowRectExForDpi(&frame, style, FALSE, WS_EX_DLGMODALFRAME, dpi);
    RECT ownerFrame{};
    GetWindowRect(owner, &ownerFrame);
    const int width = frame.right - frame.left, height = frame.bottom - frame.top;
    progress_ = CreateWindowExW(WS_EX_DLGMODALFRAME, ProgressClass, L"Converting", style,
                                (ownerFrame.left + ownerFrame.right - width) / 2,
                                (ownerFrame.top + ownerFrame.bottom - height) / 2, width, height, owner, nullptr,
                                instance, nullptr);
    if (progress_ == nullptr) return;
    SetWindowLongPtrW(progress_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));

    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi))
        font_ = CreateFontIndirectW(&metrics.lfMessageFont);
    const HWND label = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX | SS_PATHELLIPSIS,
                                       scaled(12, dpi), scaled(10, dpi), scaled(336, dpi), scaled(36, dpi), progress_,
                                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(ProgressLabel)), instance, nullptr);
    const HWND bar = CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD | WS_VISIBLE, scaled(12, dpi), scaled(52, dpi),
                                     scaled(336, dpi), scaled(16, dpi), progress_,
                                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(ProgressBar)), instance, nullptr);
    SendMessageW(bar, PBM_SETRANGE32, 0, static_cast<LPARAM>(count));
    const HWND button = CreateWindowExW(0, L"BUTTON", L"Cancel", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON,
                                        scaled(273, dpi), scaled(82, dpi), scaled(75, dpi), scaled(25, dpi), progress_,
                                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDCANCEL)), instance, nullptr);
    for (HWND child : {label, button}) SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    ShowWindow(progress_, SW_SHOW);
    SetFocus(button);
}

void Win32BatchPrompts::progress(std::size_t index, std::size_t count, const std::string& file)
{
    if (progress_ == nullptr || stopping_) return;
    const std::string text = std::to_string(index + 1) + " of " + std::to_string(count) + "\n" + file;
    SetDlgItemTextW(progress_, ProgressLabel, encoding::wideText(text).c_str());
    SendDlgItemMessageW(progress_, ProgressBar, PBM_SETPOS, static_cast<WPARAM>(index), 0);
}

void Win32BatchPrompts::progressEnded()
{
    // The window may be gone with its owner already.
    if (progress_ != nullptr && IsWindow(progress_)) {
        SetWindowLongPtrW(progress_, GWLP_USERDATA, 0);
        DestroyWindow(progress_);
    }
    progress_ = nullptr;
    if (font_ != nullptr) DeleteObject(font_);
    font_ = nullptr;
    cancel_ = nullptr;
}

void Win32BatchPrompts::cancelPressed()
{
    if (stopping_) return;
    // The window stays up until the run has stopped after the file at hand.
    stopping_ = true;
    if (cancel_) cancel_();
    SetDlgItemTextW(progress_, ProgressLabel, L"Stopping after the file at hand");
}

LRESULT CALLBACK Win32BatchPrompts::progressProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<Win32BatchPrompts*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    // Its Cancel, Escape and the close box all cancel the run.
    if (self != nullptr && ((message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) || message == WM_CLOSE)) {
        self->cancelPressed();
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void Win32BatchPrompts::summary(const workflow::BatchSummary& summary)
{
    std::string text = "Converted: " + std::to_string(summary.converted) + "\nSkipped, the target exists already: "
                       + std::to_string(summary.skipped) + "\nNot converted: " + std::to_string(summary.notConverted);
    if (summary.notBegun > 0) text += "\nNot begun, the run was cancelled: " + std::to_string(summary.notBegun);
    std::string problems;
    for (const std::string& problem : summary.problems) problems += (problems.empty() ? "" : "\n") + problem;
    const bool allConverted = summary.skipped + summary.notConverted + summary.notBegun == 0;
    const std::wstring content = encoding::wideText(text), details = encoding::wideText(problems);

    TASKDIALOGCONFIG config{};
    config.cbSize = sizeof config;
    config.hwndParent = ownerOrNone(owner_);
    // Plain text throughout: no hyperlinks, so a '<' in a file name stays as it is.
    config.dwFlags = TDF_POSITION_RELATIVE_TO_WINDOW | TDF_ALLOW_DIALOG_CANCELLATION;
    config.dwCommonButtons = TDCBF_OK_BUTTON;
    config.pszWindowTitle = L"FileConverter";
    config.pszMainIcon = allConverted ? TD_INFORMATION_ICON : TD_WARNING_ICON;
    config.pszContent = content.c_str();
    if (!details.empty()) config.pszExpandedInformation = details.c_str();
    TaskDialogIndirect(&config, nullptr, nullptr, nullptr);
}

}  // namespace win32
