// The window's class name and its controls' ids, shared by the window and the helper that reads it in tests.
#pragma once

namespace win32 {

inline constexpr wchar_t WindowClassName[] = L"FileConverterWindow";

enum ControlId : int {
    Label1 = 101,
    Label3 = 102,
    Label2 = 103,  // the status line
    Command1 = 111,
    Command2 = 112,
};

}  // namespace win32
