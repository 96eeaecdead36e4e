// The program's only window: title, description, status line and the two buttons, laid out in twips.
#include "win32/main_window.h"

#include "encoding/wide_text.h"
#include "win32/control_ids.h"

#include <commctrl.h>
#include <shellapi.h>

#include <iterator>

namespace win32 {
namespace {

// A fixed single border with a caption and a close box: no resizing, no minimise or maximise box.
constexpr DWORD WindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD WindowExStyle = 0;
// Posted to itself when a drop is answered: its run starts then.
constexpr UINT RunDropped = WM_APP + 10;

// The client area and the controls' places in twips (1/1440 inch): 15 twips make a pixel at 96 dpi.
constexpr int ClientWidth = 6060;
constexpr int ClientHeight = 3915;

// The three Arial fonts, in quarter points so that 9.75 and 11.25 stay whole numbers.
struct FontSize {
    int quarterPoints;
    bool bold;
};
constexpr FontSize FontSizes[] = {{39, false}, {48, true}, {45, true}};
enum FontIndex { Regular975 = 0, Bold12 = 1, Bold1125 = 2 };

struct Control {
    ControlId id;
    const wchar_t* className;
    const wchar_t* text;
    DWORD style;
    RECT twips;  // left, top, width, height
    FontIndex font;
};

// Created in this order, which is also the order Tab moves in: Command1, then Command2. Labels
// carry no WS_TABSTOP and never take the focus; SS_NOPREFIX keeps a '&' in a status text as it is.
constexpr DWORD LabelStyle = WS_CHILD | WS_VISIBLE | SS_CENTER | SS_NOPREFIX;
constexpr DWORD ButtonStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
const Control Controls[] = {
    {Label1, L"STATIC", L"File Converter WIN-VELNOR", LabelStyle, {1680, 360, 2770, 250}, Regular975},
    {Label3, L"STATIC", L"straightness measuring files version <5.01 to version >5.021", LabelStyle,
     {1680, 600, 2770, 610}, Regular975},
    {Label2, L"STATIC", L"", LabelStyle, {1080, 1320, 4090, 490}, Bold12},
    {Command1, L"BUTTON", L"Start converting a file", ButtonStyle, {1080, 2040, 4090, 970}, Bold1125},
    {Command2, L"BUTTON", L"End", ButtonStyle, {4800, 3480, 1210, 370}, Regular975},
};

int pixels(int twips, UINT dpi)
{
    return MulDiv(twips, static_cast<int>(dpi), 1440);
}

HFONT arial(FontSize size, UINT dpi)
{
    // A negative height asks for the character height, which is what a point size measures.
    const int height = -MulDiv(size.quarterPoints, static_cast<int>(dpi), 72 * 4);
    return CreateFontW(height, 0, 0, 0, size.bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, L"Arial");
}

}  // namespace

bool MainWindow::registerClass(HINSTANCE instance)
{
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &MainWindow::procedure;
    windowClass.hInstance = instance;
    windowClass.hIcon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON,
                                                      GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
    windowClass.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON,
                                                        GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = WindowClassName;
    return RegisterClassExW(&windowClass) != 0;
}

bool MainWindow::create(HINSTANCE instance)
{
    // The size is set by layOut once the window knows the DPI of the monitor it is on.
    window_ = CreateWindowExW(WindowExStyle, WindowClassName, L"FileConverter", WindowStyle, CW_USEDEFAULT,
                              CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, this);
    if (window_ == nullptr)
        return false;
    createControls();
    addToolTip();
    // Files and folders dropped from a file manager come as WM_DROPFILES.
    DragAcceptFiles(window_, TRUE);
    layOut(GetDpiForWindow(window_), nullptr);
    return true;
}

void MainWindow::createControls()
{
    const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(window_, GWLP_HINSTANCE));
    for (const Control& control : Controls)
        CreateWindowExW(0, control.className, control.text, control.style, 0, 0, 0, 0, window_,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.id)), instance, nullptr);
}

void MainWindow::addToolTip()
{
    const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(window_, GWLP_HINSTANCE));
    toolTip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window_, nullptr, instance, nullptr);
    // The whole window says it, over the labels (which let the mouse through) and the buttons alike.
    static wchar_t text[] = L"Drop measurement files or folders here to convert them";
    for (HWND tool : {window_, GetDlgItem(window_, Command1), GetDlgItem(window_, Command2)}) {
        TTTOOLINFOW info{};
        info.cbSize = sizeof info;
        info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        info.hwnd = window_;
        info.uId = reinterpret_cast<UINT_PTR>(tool);
        info.lpszText = text;
        SendMessageW(toolTip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
    }
}

void MainWindow::runAlone(const std::function<void()>& run)
{
    running_ = true;
    run();
    running_ = false;
}

void MainWindow::dropped(HDROP drop)
{
    std::vector<std::string> paths;
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT index = 0; index < count; ++index) {
        std::wstring path(DragQueryFileW(drop, index, nullptr, 0) + 1, L'\0');
        path.resize(DragQueryFileW(drop, index, path.data(), static_cast<UINT>(path.size())));
        // The workflow takes paths without a closing separator, a drive's root aside.
        while (path.size() > 3 && (path.back() == L'\\' || path.back() == L'/')) path.pop_back();
        if (!path.empty()) paths.push_back(encoding::utf8Text(path));
    }
    DragFinish(drop);
    if (running_ || !drop_ || paths.empty()) return;
    // The run starts once the drop is answered, and no other drop or click may come in between.
    running_ = true;
    setCommand1Enabled(false);
    dropped_ = std::move(paths);
    PostMessageW(window_, RunDropped, 0, 0);
}

void MainWindow::layOut(UINT dpi, const POINT* position)
{
    RECT frame{0, 0, pixels(ClientWidth, dpi), pixels(ClientHeight, dpi)};
    AdjustWindowRectExForDpi(&frame, WindowStyle, FALSE, WindowExStyle, dpi);
    const UINT keepPlace = position == nullptr ? SWP_NOMOVE : 0;
    SetWindowPos(window_, nullptr, position ? position->x : 0, position ? position->y : 0, frame.right - frame.left,
                 frame.bottom - frame.top, SWP_NOZORDER | SWP_NOACTIVATE | keepPlace);

    // New fonts for the new size; the old ones go once no control uses them any more.
    HFONT previous[std::size(FontSizes)];
    for (std::size_t index = 0; index < std::size(FontSizes); ++index) {
        previous[index] = fonts_[index];
        fonts_[index] = arial(FontSizes[index], dpi);
    }
    for (const Control& control : Controls) {
        HWND child = GetDlgItem(window_, control.id);
        SetWindowPos(child, nullptr, pixels(control.twips.left, dpi), pixels(control.twips.top, dpi),
                     pixels(control.twips.right, dpi), pixels(control.twips.bottom, dpi), SWP_NOZORDER | SWP_NOACTIVATE);
        SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(fonts_[control.font]), TRUE);
    }
    for (HFONT font : previous)
        if (font != nullptr)
            DeleteObject(font);
}

void MainWindow::show(int showCommand)
{
    ShowWindow(window_, showCommand);
    UpdateWindow(window_);
    SetFocus(GetDlgItem(window_, Command1));
}

void MainWindow::showStatus(const std::string& text)
{
    SetWindowTextW(GetDlgItem(window_, Label2), encoding::wideText(text).c_str());
}

void MainWindow::setCommand1Enabled(bool enabled)
{
    HWND command1 = GetDlgItem(window_, Command1);
    EnableWindow(command1, enabled ? TRUE : FALSE);
    // A disabled button drops the focus; it gets it back when the run ends, so that the keyboard
    // reaches the window again.
    if (enabled && GetActiveWindow() == window_) {
        HWND focus = GetFocus();
        if (focus == nullptr || focus == window_)
            SetFocus(command1);
    }
}

void MainWindow::clickFocusedButton()
{
    HWND focus = GetFocus();
    if (focus != nullptr && GetParent(focus) == window_) {
        const int id = GetDlgCtrlID(focus);
        if (id == Command1 || id == Command2)
            SendMessageW(focus, BM_CLICK, 0, 0);
    }
}

LRESULT CALLBACK MainWindow::procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* self = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    return self != nullptr ? self->handle(message, wParam, lParam) : DefWindowProcW(window, message, wParam, lParam);
}

LRESULT MainWindow::handle(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case Command1:
            if (HIWORD(wParam) == BN_CLICKED && command1_ && !running_)
                runAlone(command1_);
            return 0;
        case Command2:
            if (HIWORD(wParam) == BN_CLICKED)
                DestroyWindow(window_);
            return 0;
        case IDOK:
            // Enter, from the dialog manager: the window has no default button, so Enter presses
            // the button that holds the focus, as Space does.
            clickFocusedButton();
            return 0;
        default:
            return 0;
        }
    case WM_ACTIVATE:
        // The focus leaves with the window and comes back to the control that held it.
        if (LOWORD(wParam) == WA_INACTIVE) {
            focusBeforeDeactivation_ = GetFocus();
        } else {
            HWND back = focusBeforeDeactivation_;
            if (back == nullptr || GetParent(back) != window_)
                back = GetDlgItem(window_, Command1);
            if (IsWindowEnabled(back))
                SetFocus(back);
        }
        return 0;
    case WM_DROPFILES:
        dropped(reinterpret_cast<HDROP>(wParam));
        return 0;
    case RunDropped: {
        const std::vector<std::string> paths = std::move(dropped_);
        dropped_.clear();
        runAlone([this, &paths] { drop_(paths); });
        return 0;
    }
    case WM_DPICHANGED: {
        const auto* suggested = reinterpret_cast<const RECT*>(lParam);
        const POINT topLeft{suggested->left, suggested->top};
        layOut(HIWORD(wParam), &topLeft);
        return 0;
    }
    case WM_DESTROY:
        for (HFONT& font : fonts_) {
            if (font != nullptr)
                DeleteObject(font);
            font = nullptr;
        }
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window_, message, wParam, lParam);
    }
}

}  // namespace win32
