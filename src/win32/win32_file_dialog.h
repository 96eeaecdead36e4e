// The file dialog routine's control over Windows' own open and save dialogs.
#pragma once

#include "win32/ole_apartment.h"
#include "workflow/file_dialog.h"

#include <windows.h>

#include <string>

namespace win32 {

// Holds the properties the routine sets and shows GetOpenFileNameW / GetSaveFileNameW with them,
// owned by the window so that the dialogs are modal to it. Texts are UTF-8 as the routine gives them.
// The start folder goes to Windows in its own form, and the working folder is as it was afterwards.
// The dialogs host the shell's code, which needs the program's apartment: they are only made with one.
class Win32FileDialog final : public workflow::FileDialogControl {
public:
    Win32FileDialog(HWND owner, const OleApartment& /*program's*/) : owner_(owner) {}
    void setOwner(HWND owner) { owner_ = owner; }

    void setDialogTitle(const std::string& title) override { title_ = title; }
    void setFileName(const std::string& name) override { fileName_ = name; }
    std::string fileName() const override { return fileName_; }
    void setInitialDirectory(const std::string& directory) override { initialDirectory_ = directory; }
    void setDefaultExtension(const std::string& extension) override { defaultExtension_ = extension; }
    void setFilter(const std::string& filter) override { filter_ = filter; }
    void setFlags(std::uint32_t flags) override { flags_ = flags; }
    bool showOpen() override { return show(true); }
    bool showSave() override { return show(false); }

private:
    bool show(bool open);

    HWND owner_;
    std::string title_;
    std::string fileName_;
    std::string initialDirectory_;
    std::string defaultExtension_;
    std::string filter_;
    std::uint32_t flags_ = 0;
};

// The routine's flag bits as OPENFILENAMEW's, which they equal, only the ones it knows, with the
// Explorer look and the program's current folder kept as it was.
DWORD openFileNameFlags(std::uint32_t flags);

// "desc|pattern|desc|pattern" in the form OPENFILENAMEW takes: each part ended by a NUL, the
// whole by a second one.
std::wstring doubleNulFilter(const std::string& filter);

}  // namespace win32
