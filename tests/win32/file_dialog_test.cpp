// Windows' dialogs as the window uses them: the filter and the flags they are given, the folder they
// start in and the working folder they leave, the warning box's one beep; Windows' part is planted.
#include "../platform/planted_import.h"
#include "win32/ole_apartment.h"
#include "win32/warning_box.h"
#include "win32/win32_batch_prompts.h"
#include "win32/win32_file_dialog.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using namespace std::string_literals;

TEST(Win32FileDialog, FilterPartsEndInNulsAndTheListInTwo)
{
    EXPECT_EQ(win32::doubleNulFilter("Geradheit(*.G)|*.G"), L"Geradheit(*.G)\0*.G\0\0"s);
    // A record saved under no name gives an empty pattern, which still needs its NUL.
    EXPECT_EQ(win32::doubleNulFilter("Straightness (*.G)|"), L"Straightness (*.G)\0\0\0"s);
    // UTF-8 in, UTF-16 out: one unit for ü, two for a character beyond the first plane.
    EXPECT_EQ(win32::doubleNulFilter("Prüfung \xF0\x9F\x93\x8F|*.G"), L"Pr\u00FCfung \xD83D\xDCCF\0*.G\0\0"s);
}

TEST(Win32FileDialog, OpenAndSaveFlagsAreTheDialogsOwn)
{
    constexpr DWORD always = OFN_EXPLORER | OFN_NOCHANGEDIR;
    EXPECT_EQ(win32::openFileNameFlags(6148), always | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST);
    EXPECT_EQ(win32::openFileNameFlags(6150),
              always | OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST);
    // A bit the routine does not know (here OFN_ALLOWMULTISELECT) never reaches the dialog.
    EXPECT_EQ(win32::openFileNameFlags(0x0200), always);
}

// What the planted dialogs were asked for, and the folder Windows' open dialog moves the working folder to.
std::wstring askedFolder;
const std::wstring elsewhere = std::filesystem::temp_directory_path().wstring();

BOOL WINAPI chooseAsWindowsDoes(OPENFILENAMEW* dialog)
{
    askedFolder = dialog->lpstrInitialDir != nullptr ? dialog->lpstrInitialDir : L"";
    SetCurrentDirectoryW(elsewhere.c_str());
    wcscpy(dialog->lpstrFile, L"C:\\Data\\M\u00C4SS01.G");
    return TRUE;
}

HRESULT WINAPI noStartItem(PCWSTR path, IBindCtx*, REFIID, void** item)
{
    askedFolder = path;
    SetCurrentDirectoryW(elsewhere.c_str());
    *item = nullptr;
    return E_FAIL;
}

HRESULT WINAPI noFolderDialog(REFCLSID, LPUNKNOWN, DWORD, REFIID, void** dialog)
{
    *dialog = nullptr;
    return E_FAIL;
}

// The workflow's folders come with '/' (the default VelFiles beside the program); each dialog is given
// Windows' own form, and the program's working folder is as it was afterwards, so that the folder a
// file came from is not held (a USB stick could not be ejected).
TEST(Win32Dialogs, StartInWindowsFormAndLeaveTheWorkingFolderAsItWas)
{
    const PlantedImport open(__imp_GetOpenFileNameW, chooseAsWindowsDoes), save(__imp_GetSaveFileNameW, chooseAsWindowsDoes);
    const PlantedImport item(__imp_SHCreateItemFromParsingName, noStartItem);
    const PlantedImport folderDialog(__imp_CoCreateInstance, noFolderDialog);
    const std::filesystem::path working = std::filesystem::current_path();
    const win32::OleApartment apartment;
    win32::Win32FileDialog files(nullptr, apartment);
    win32::Win32BatchPrompts prompts(nullptr, apartment);
    const struct { const char* dialog; std::string folder; std::wstring asked; } rows[] = {
        {"open", "C:/Users/me/Documents/VelFiles/", L"C:\\Users\\me\\Documents\\VelFiles\\"},
        {"save", "//server/share/Mess daten/", L"\\\\server\\share\\Mess daten\\"},
        {"open", "D:\\Mess\u00E4\\", L"D:\\Mess\u00E4\\"},
        {"folder", "C:/Users/me/Documents/VelFiles/", L"C:\\Users\\me\\Documents\\VelFiles\\"},
    };
    for (const auto& row : rows) {
        askedFolder.clear();
        files.setInitialDirectory(row.folder);
        const std::string dialog = row.dialog;
        if (dialog == "folder") {
            EXPECT_EQ(prompts.targetFolder(row.folder), "");
        } else {
            EXPECT_TRUE(dialog == "open" ? files.showOpen() : files.showSave());
            EXPECT_EQ(files.fileName(), "C:\\Data\\M\u00C4SS01.G");
        }
        EXPECT_EQ(askedFolder, row.asked) << row.folder;
        EXPECT_EQ(std::filesystem::current_path(), working) << row.dialog;
    }
}

int sounds = 0;
BOOL WINAPI beep(UINT) { return ++sounds, TRUE; }
// A message box sounds as it opens when it shows one of the system's icons.
int WINAPI answerBox(HWND, LPCWSTR text, LPCWSTR title, UINT type)
{
    if ((type & MB_ICONMASK) != 0 && (type & MB_ICONMASK) != MB_USERICON) ++sounds;
    EXPECT_EQ(std::wstring(title) + L" | " + text, L"Error:  (g_DateiLaden):  53 | ...at loading\r\nFile not found");
    EXPECT_EQ(type, static_cast<UINT>(MB_ICONEXCLAMATION | MB_OK));
    return IDOK;
}

TEST(Win32WarningBox, AWarningBeepsOnce)
{
    const PlantedImport planted(__imp_MessageBeep, beep);
    const PlantedImport box(__imp_MessageBoxW, answerBox);
    win32::Win32WarningBox(nullptr).warn({"Error:  (g_DateiLaden):  53", "...at loading\r\nFile not found"});
    EXPECT_EQ(sounds, 1);
}

// Task dialogs and the shell's dialogs expect the window's thread in a single-threaded apartment.
TEST(OleApartment, PutsTheThreadInASingleThreadedApartment)
{
    const win32::OleApartment apartment;
    APTTYPE type{};
    APTTYPEQUALIFIER qualifier{};
    ASSERT_TRUE(apartment.ready());
    ASSERT_EQ(CoGetApartmentType(&type, &qualifier), S_OK);
    EXPECT_TRUE(type == APTTYPE_MAINSTA || type == APTTYPE_STA) << type;
}

}  // namespace
