// Windows' file dialogs as the dialog routine's control: the filter and the flags they are given.
#include "win32/win32_file_dialog.h"

#include <commdlg.h>
#include <gtest/gtest.h>

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

}  // namespace
