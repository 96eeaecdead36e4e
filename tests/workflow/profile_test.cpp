// Profile reading as Windows reads profile files, the user's folders, and the folder the dialogs start in.
#include "workflow/profile.h"
#include "../engine/old_file_fixture.h"
#include "workflow/xdg_folders.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

namespace fs = std::filesystem;

TEST(ProfileReader, ReadsValuesAsWindowsDoes)
{
    const struct { std::string text, value; } cases[] = {
        {"[velinfo]\r\npfadmessfile=D:\\Mess\\a,b\r\n", R"(D:\Mess\a,b)"},
        {" [ VelInfo ] \n\t PfadMessFile \t=\t C:\\x y \t\n", R"(C:\x y)"},
        {"[VelInfo]\nPfadMessFile=\" C:\\x \"\n", R"( C:\x )"},
        {"[VelInfo]\nPfadMessFile=''x''\n", "'x'"},
        {"[VelInfo]\nPfadMessFile=\"x'\n", "\"x'"},
        {"[VelInfo]\nPfadMessFile=M\xE4\xDF\xA0\x80\n", "M\u00E4\u00DF\u00A0\u20AC"},
        {"[VelInfo]\nPfadMessFile==a\nPfadMessFile=2\n", "=a"},
        {"[VelInfo]\nOther=1\n[VelInfo]\nPfadMessFile=2\n", "default"},
        {"PfadMessFile=1\n[Other]\nPfadMessFile=1\n[VelInfo]\nPfadMessFile\n", "default"},
        {"[VelInfo]\nPfadMessFile=" + std::string(300, 'v'), std::string(254, 'v')},
    };
    for (const auto& row : cases)
        EXPECT_EQ(workflow::readProfileValue(row.text, "VelInfo", "PfadMessFile", "default"), row.value) << row.text;
    EXPECT_EQ(workflow::readProfileValue("", "VelInfo", "PfadMessFile", std::string(300, 'd')), std::string(254, 'd'));
    EXPECT_EQ(workflow::ProfilLesen("/nonexistent", workflow::ProfileFileName, "VelInfo", "PfadMessFile", "d"), "d");
}

const bool OnWindows = fs::path::preferred_separator == '\\';
bool isFolder(const std::string& path) { return fs::is_directory(fs::u8path(path)); }
std::string expanded(std::string text, std::string_view token, const std::string& folder)
{
    return text.starts_with(token) ? text.replace(0, token.size(), folder) : text;
}

// Folders of the test's own, UTF-8 with '/' between their parts as the workflow gives them.
const fixtures::TemporaryFolder scratch;
std::string scratchFolder(const std::string& name)
{
    const std::u8string path = (scratch.root / fs::u8path(name)).generic_u8string();
    return {path.begin(), path.end()};
}

TEST(UserFolders, FollowTheXdgRulesOnPosix)
{
    if (OnWindows) GTEST_SKIP() << "the XDG rules are POSIX's, where an absolute folder starts with '/'";
    const std::string home = scratchFolder("xdg");
    // $XDG_CONFIG_HOME and the documents folder user-dirs.dirs in it names ("-": no such file).
    const struct { std::string configHome, userDirs, configuration, documents; } rows[] = {
        {"relative/cfg", "-", "$/.config", "$/Documents"},
        {"$/cfg", "XDG_DESKTOP_DIR=\"$HOME/Desk\"\nXDG_DOCUMENTS_DIR=\"$HOME/Dok\"\n", "$/cfg", "$/Dok"},
        {"$/abs", "XDG_DOCUMENTS_DIR=\"/srv/docs\"\n", "$/abs", "/srv/docs"},
    };
    for (const auto& row : rows) {
        if (row.userDirs != "-")
            fixtures::writeFile(expanded(row.configHome, "$", home) + "/user-dirs.dirs", row.userDirs);
        const workflow::UserFolders folders = workflow::xdgUserFolders(home, expanded(row.configHome, "$", home));
        EXPECT_EQ(folders.configuration, expanded(row.configuration, "$", home)) << row.configHome;
        EXPECT_EQ(folders.documents, expanded(row.documents, "$", home)) << row.configHome;
    }
}

TEST(ProgramFolders, PortableCopyKeepsItsFolderAndAnInstalledProgramUsesTheUsers)
{
    // PfadMessFile beside the program and in the user's folder ("-": no profile there); $app and
    // $documents stand for the program's and the user's documents folder.
    const struct { const char* name; bool writable; std::string beside, inUsers; bool velFilesBeside; std::string expected; } rows[] = {
        {"portable, no profile", true, "-", "-", false, "$app/VelFiles/"},
        {"portable profile wins", true, "C:\\Beside", "C:\\User", false, R"(C:\Beside)"},
        {"portable copy without its own profile", true, "-", "C:\\User", false, R"(C:\User)"},
        {"installed, no profile", false, "-", "-", false, "$documents/VelFiles/"},
        {"installed, user's profile", false, "-", "\" /data \"", false, " /data "},
        {"installed, blank in user's profile", false, "-", "\"  \"", false, "$documents/VelFiles/"},
        {"installed, profile put beside it", false, "/srv/g", "/data/", false, "/srv/g"},
        {"read-only copy with its VelFiles", false, "-", "-", true, "$app/VelFiles/"},
    };
    for (const auto& row : rows) {
        const std::string home = scratchFolder(row.name);
        // Tests run as root, for whom every folder is writable: the answer is set here instead.
        const workflow::ProgramFolders folders{home + "/app", row.writable, home + "/config", home + "/deep/Documents"};
        fs::create_directories(fs::u8path(folders.application + (row.velFilesBeside ? "/VelFiles" : "")));
        for (const auto& [folder, value] : {std::pair{folders.application, row.beside}, {folders.userConfiguration, row.inUsers}})
            if (value != "-")
                fixtures::writeFile(folder + "/" + workflow::ProfileFileName, "[VelInfo]\r\nPfadMessFile=" + value);
        const std::string expected = expanded(expanded(row.expected, "$app", folders.application), "$documents", folders.userDocuments);
        EXPECT_EQ(workflow::measurementFolder(folders), expected) << row.name;
        // VelFiles is made where it is named and nowhere else; the documents folder only when needed.
        EXPECT_EQ(isFolder(folders.application + "/VelFiles"), expected.starts_with(folders.application)) << row.name;
        EXPECT_EQ(isFolder(folders.userDocuments), expected.starts_with(folders.userDocuments)) << row.name;
    }
    // VelFiles is made one level deep only; a folder that cannot be made is no error.
    const std::string folder = scratchFolder("one level");
    EXPECT_EQ(workflow::MessPfad(folder + "/a", ""), folder + "/a/VelFiles/");
    EXPECT_FALSE(isFolder(folder + "/a"));
    EXPECT_FALSE(workflow::programFolders(folder).applicationWritable) << "a missing folder is nobody's to write in";
    fs::create_directories(fs::u8path(folder));
    EXPECT_TRUE(workflow::programFolders(folder).applicationWritable);
    EXPECT_TRUE(workflow::programFolders(folder).userConfiguration.ends_with("/FileConverter"));
    // The system names the user's folders and the program's own (where this test program is) whole, with '/'.
    for (const std::string& named : {workflow::userFolders().configuration, workflow::userFolders().documents})
        EXPECT_TRUE(fs::u8path(named).is_absolute() && named.find('\\') == std::string::npos) << named;
    // Windows keeps the settings in the roaming application data, which follows the user to every PC
    // of a domain, not in the local one.
    if (const char* roaming = std::getenv("APPDATA"); OnWindows) {
        EXPECT_EQ(fs::u8path(workflow::userFolders().configuration), fs::u8path(roaming != nullptr ? roaming : "APPDATA unset"));
    }
    EXPECT_TRUE(fs::exists(fs::u8path(workflow::programFileFolder() + (OnWindows ? "/workflow_tests.exe" : "/workflow_tests"))));
}

}  // namespace
