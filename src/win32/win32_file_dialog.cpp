// The file dialog routine's control over Windows' own open and save dialogs.
#include "win32/win32_file_dialog.h"

#include "encoding/wide_text.h"
#include "win32/dialog_places.h"

#include <commdlg.h>

#include <algorithm>
#include <vector>

namespace win32 {
namespace {

// Room for a chosen name as long as the wide file API takes.
constexpr std::size_t NameCapacity = 32768;

}  // namespace

DWORD openFileNameFlags(std::uint32_t flags)
{
    DWORD mapped = OFN_EXPLORER | OFN_NOCHANGEDIR;  // the save dialog keeps the working folder as it was
    if (flags & workflow::dialog_flags::OverwritePrompt) mapped |= OFN_OVERWRITEPROMPT;
    if (flags & workflow::dialog_flags::HideReadOnly) mapped |= OFN_HIDEREADONLY;
    if (flags & workflow::dialog_flags::PathMustExist) mapped |= OFN_PATHMUSTEXIST;
    if (flags & workflow::dialog_flags::FileMustExist) mapped |= OFN_FILEMUSTEXIST;
    return mapped;
}

std::wstring doubleNulFilter(const std::string& filter)
{
    std::wstring converted = encoding::wideText(filter);
    for (wchar_t& character : converted)
        if (character == L'|')
            character = L'\0';
    // A lone description still needs its (empty) pattern before the closing pair of NULs.
    converted.push_back(L'\0');
    converted.push_back(L'\0');
    return converted;
}

bool Win32FileDialog::show(bool open)
{
    const std::wstring title = encoding::wideText(title_);
    const std::wstring directory = windowsForm(initialDirectory_);
    const std::wstring extension = encoding::wideText(defaultExtension_);
    const std::wstring filter = doubleNulFilter(filter_);
    std::vector<wchar_t> name(NameCapacity, L'\0');
    const std::wstring preset = encoding::wideText(fileName_);
    preset.copy(name.data(), std::min(preset.size(), NameCapacity - 1));

    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner_;
    dialog.lpstrFilter = filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = name.data();
    dialog.nMaxFile = static_cast<DWORD>(name.size());
    dialog.lpstrInitialDir = directory.empty() ? nullptr : directory.c_str();
    dialog.lpstrTitle = title.c_str();
    dialog.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();
    dialog.Flags = openFileNameFlags(flags_);
    const KeptWorkingFolder kept;
    if (!(open ? GetOpenFileNameW(&dialog) : GetSaveFileNameW(&dialog)))
        return false;
    fileName_ = encoding::utf8Text(name.data());
    return true;
}

}  // namespace win32
