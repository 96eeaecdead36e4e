// The dialogs and boxes of a run over many files, as Windows shows them: a folder dialog, task dialogs and a progress window.
#include "win32/win32_batch_prompts.h"

#include "encoding/wide_text.h"
#include "win32/dialog_places.h"

#include <commctrl.h>
#include <shobjidl.h>

#include <cstring>
#include <string>

namespace win32 {
namespace {

constexpr wchar_t ProgressClass[] = L"FileConverterProgress";
enum ProgressControl : int { ProgressCount = 201, ProgressFile = 202, ProgressBar = 203 };
constexpr int ReplaceButton = 301;
constexpr int SkipButton = 302;
constexpr int CopyButton = 303;

int scaled(int pixels96, UINT dpi) { return MulDiv(pixels96, static_cast<int>(dpi), 96); }

UINT dpiOf(HWND window) { return window != nullptr ? GetDpiForWindow(window) : 96; }

// A window that is gone owns nothing: the box is shown by itself.
HWND ownerOrNone(HWND owner) { return IsWindow(owner) ? owner : nullptr; }

// Releases a COM interface at the end of its scope.
template <class Interface> struct Held {
    Interface* pointer = nullptr;
    ~Held() { if (pointer != nullptr) pointer->Release(); }
};

// data is the whole list the copy button copies. The copy leaves the box open (S_FALSE), so that the
// user still reads it and closes it with OK.
HRESULT CALLBACK summaryCallback(HWND dialog, UINT notification, WPARAM wParam, LPARAM, LONG_PTR data)
{
    if (notification == TDN_BUTTON_CLICKED && wParam == CopyButton) {
        copyToClipboard(dialog, *reinterpret_cast<const std::string*>(data));
        return S_FALSE;
    }
    return S_OK;
}

}  // namespace

bool copyToClipboard(HWND owner, const std::string& text)
{
    std::wstring wide;
    for (const wchar_t character : encoding::wideText(text)) {
        if (character == L'\n') wide += L'\r';
        wide += character;
    }
    if (!OpenClipboard(owner)) return false;
    EmptyClipboard();
    // The clipboard owns the memory once it takes it.
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (wide.size() + 1) * sizeof(wchar_t));
    bool copied = false;
    if (memory != nullptr) {
        if (void* bytes = GlobalLock(memory)) {
            std::memcpy(bytes, wide.c_str(), (wide.size() + 1) * sizeof(wchar_t));
            GlobalUnlock(memory);
            copied = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
        }
        if (!copied) GlobalFree(memory);
    }
    CloseClipboard();
    return copied;
}

Win32BatchPrompts::~Win32BatchPrompts() { progressEnded(); }

std::string Win32BatchPrompts::targetFolder(const std::string& startFolder)
{
    // The dialog is a COM object of the shell's, in the apartment wWinMain set up for the program.
    const KeptWorkingFolder kept;
    std::string chosen;
    Held<IShellItem> start;
    if (!startFolder.empty())
        SHCreateItemFromParsingName(windowsForm(startFolder).c_str(), nullptr, IID_IShellItem,
                                    reinterpret_cast<void**>(&start.pointer));
    Held<IFileOpenDialog> dialog;
    if (SUCCEEDED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER, IID_IFileOpenDialog,
                                   reinterpret_cast<void**>(&dialog.pointer)))) {
        // It has a button that makes a new folder of its own.
        FILEOPENDIALOGOPTIONS options = 0;
        dialog.pointer->GetOptions(&options);
        dialog.pointer->SetOptions(options | FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM | FOS_PATHMUSTEXIST | FOS_NOCHANGEDIR);
        dialog.pointer->SetTitle(L"Save Files To");
        if (start.pointer != nullptr) dialog.pointer->SetFolder(start.pointer);
        Held<IShellItem> result;
        PWSTR path = nullptr;
        if (SUCCEEDED(dialog.pointer->Show(ownerOrNone(owner_))) && SUCCEEDED(dialog.pointer->GetResult(&result.pointer))
            && SUCCEEDED(result.pointer->GetDisplayName(SIGDN_FILESYSPATH, &path))) {
            chosen = encoding::utf8Text(path);
            CoTaskMemFree(path);
        }
    }
    // The workflow takes folders without a closing separator, a drive's root aside.
    while (chosen.size() > 3 && (chosen.back() == '\\' || chosen.back() == '/')) chosen.pop_back();
    return chosen;
}

workflow::BatchPrompts::Existing Win32BatchPrompts::existingTargets(const workflow::ExistingTargetsQuestion& question)
{
    const std::wstring title = encoding::wideText(question.title), instruction = encoding::wideText(question.instruction),
                       content = encoding::wideText(question.content), replace = encoding::wideText(question.replace),
                       skip = encoding::wideText(question.skip);
    const TASKDIALOG_BUTTON buttons[] = {{ReplaceButton, replace.c_str()}, {SkipButton, skip.c_str()}};
    TASKDIALOGCONFIG config{};
    config.cbSize = sizeof config;
    config.hwndParent = ownerOrNone(owner_);
    config.dwFlags = TDF_USE_HICON_MAIN | TDF_POSITION_RELATIVE_TO_WINDOW;
    config.dwCommonButtons = TDCBF_CANCEL_BUTTON;
    config.pszWindowTitle = title.c_str();
    config.hMainIcon = LoadIconW(nullptr, MAKEINTRESOURCEW(32514));  // IDI_QUESTION
    config.pszMainInstruction = instruction.c_str();
    config.pszContent = content.c_str();
    config.cButtons = 2;
    config.pButtons = buttons;
    // Replacing cannot be undone: Enter skips the existing targets, Escape cancels the run; both keep
    // every file as it is.
    config.nDefaultButton = SkipButton;
    int answer = IDCANCEL;
    if (FAILED(TaskDialogIndirect(&config, &answer, nullptr, nullptr))) return Existing::Cancel;
    return answer == ReplaceButton ? Existing::Replace : answer == SkipButton ? Existing::Skip : Existing::Cancel;
}

void Win32BatchPrompts::progressStarted(std::size_t total, std::function<void()> cancel)
{
    progressEnded();
    cancel_ = std::move(cancel);
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &Win32BatchPrompts::progressProcedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = ProgressClass;
    RegisterClassExW(&windowClass);  // already there from an earlier run

    // Modeless and owned by the window, which keeps repainting and whose End stops the run; the
    // workflow keeps Command1 disabled.
    const HWND owner = ownerOrNone(owner_);
    const UINT dpi = dpiOf(owner);
    constexpr DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
    RECT frame{0, 0, scaled(360, dpi), scaled(120, dpi)};
    AdjustWindowRectExForDpi(&frame, style, FALSE, WS_EX_DLGMODALFRAME, dpi);
    RECT ownerFrame{};
    GetWindowRect(owner, &ownerFrame);
    const int width = frame.right - frame.left, height = frame.bottom - frame.top;
    progress_ = CreateWindowExW(WS_EX_DLGMODALFRAME, ProgressClass, encoding::wideText(workflow::ProgressTitle).c_str(),
                                style, (ownerFrame.left + ownerFrame.right - width) / 2,
                                (ownerFrame.top + ownerFrame.bottom - height) / 2, width, height, owner, nullptr,
                                instance, nullptr);
    if (progress_ == nullptr) return;
    SetWindowLongPtrW(progress_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));

    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi))
        font_ = CreateFontIndirectW(&metrics.lfMessageFont);
    const auto child = [&](const wchar_t* className, const wchar_t* text, DWORD childStyle, RECT place, int id) {
        return CreateWindowExW(0, className, text, WS_CHILD | WS_VISIBLE | childStyle, scaled(place.left, dpi),
                               scaled(place.top, dpi), scaled(place.right, dpi), scaled(place.bottom, dpi), progress_,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    };
    // Two lines as Explorer's copy dialog has them: the count, and the file with the middle of its
    // path left out where it is too long.
    const HWND count = child(L"STATIC", L"", SS_LEFT | SS_NOPREFIX, {12, 8, 336, 18}, ProgressCount);
    const HWND file = child(L"STATIC", L"", SS_LEFT | SS_NOPREFIX | SS_PATHELLIPSIS, {12, 28, 336, 18}, ProgressFile);
    // While the search goes on nobody knows how much is left: the bar moves to and fro.
    const HWND bar = child(PROGRESS_CLASSW, L"", total == 0 ? PBS_MARQUEE : 0, {12, 52, 336, 16}, ProgressBar);
    if (total == 0) SendMessageW(bar, PBM_SETMARQUEE, TRUE, 0);
    else SendMessageW(bar, PBM_SETRANGE32, 0, static_cast<LPARAM>(total));
    const HWND button = child(L"BUTTON", L"Cancel", WS_TABSTOP | BS_DEFPUSHBUTTON, {273, 82, 75, 25}, IDCANCEL);
    for (HWND control : {count, file, button}) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    ShowWindow(progress_, SW_SHOW);
    SetFocus(button);
}

void Win32BatchPrompts::progress(const workflow::ProgressText& text)
{
    if (progress_ == nullptr) return;
    SetDlgItemTextW(progress_, ProgressCount, encoding::wideText(text.count).c_str());
    SetDlgItemTextW(progress_, ProgressFile, encoding::wideText(text.file).c_str());
    if (text.total > 0) SendDlgItemMessageW(progress_, ProgressBar, PBM_SETPOS, static_cast<WPARAM>(text.done), 0);
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

LRESULT CALLBACK Win32BatchPrompts::progressProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<Win32BatchPrompts*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    // Its Cancel, Escape and the close box all cancel the run; the window stays up until it has stopped.
    if (self != nullptr && ((message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) || message == WM_CLOSE)) {
        if (self->cancel_) self->cancel_();
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void Win32BatchPrompts::summary(const workflow::SummaryText& text)
{
    const std::wstring title = encoding::wideText(text.title), counts = encoding::wideText(text.counts),
                       details = encoding::wideText(text.details), copy = encoding::wideText(text.copyButton);
    const TASKDIALOG_BUTTON buttons[] = {{CopyButton, copy.c_str()}};
    TASKDIALOGCONFIG config{};
    config.cbSize = sizeof config;
    config.hwndParent = ownerOrNone(owner_);
    // Plain text throughout: no hyperlinks, so a '<' in a file name stays as it is.
    config.dwFlags = TDF_POSITION_RELATIVE_TO_WINDOW | TDF_ALLOW_DIALOG_CANCELLATION;
    config.dwCommonButtons = TDCBF_OK_BUTTON;
    config.nDefaultButton = IDOK;
    config.pszWindowTitle = title.c_str();
    config.pszMainIcon = text.everyFileConverted ? TD_INFORMATION_ICON : TD_WARNING_ICON;
    config.pszContent = counts.c_str();
    if (!details.empty()) config.pszExpandedInformation = details.c_str();
    if (!copy.empty()) {
        config.cButtons = 1;
        config.pButtons = buttons;
    }
    config.pfCallback = summaryCallback;
    config.lpCallbackData = reinterpret_cast<LONG_PTR>(&text.wholeList);
    TaskDialogIndirect(&config, nullptr, nullptr, nullptr);
}

}  // namespace win32
