// The dialog routine driven by a scripted dialog (presets, the extension rule, cancel and failures) and
// the path splitting it presets its dialogs with: Windows paths from old records, Linux paths from dialogs.
#include "scripted_dialog.h"
#include "workflow/path_split.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using scripted::Choice;
const Choice Cancel;
const std::string G = "Geradheit (*.G)|*.G";
const std::string x32767(32767, 'x');
// Without a ':' a path's drive is the current folder's: none on POSIX, "C:" or the like on Windows.
const std::string drive =
    std::filesystem::path::preferred_separator == '\\' ? std::filesystem::current_path().string().substr(0, 2) : "";
const std::string v = drive + "/v";

TEST(DateiDialog, ShowsPresetDialogsUntilAcceptedOrCancelled)
{
    const struct {
        std::string startPath, filter, title;
        std::int16_t openFlag;
        std::vector<Choice> script;
        std::string presets;  // of every showing: kind | title | directory | name | extension | filter | flags
        std::string result;
    } cases[] = {
        {"/opt/VelFiles/", G, "Open File", 1, {"/d/probe.G"},
         "open | Open File | " + drive + "/opt/VelFiles |  | G | " + G + " | 1804", "/d/probe.G"},
        {R"(C:\Prog\VelFiles\)", G, "Save File", 0, {R"(C:\Data\probe.G)"},
         R"(save | Save File | C:\Prog\VelFiles |  | G | )" + G + " | 806", R"(C:\Data\probe.G)"},
        {"/d/run", G, "T", 1, {"/d/run/a.G  "}, "open | T | " + drive + "/d | run | G | " + G + " | 1804", "/d/run/a.G  "},
        {"/v/", G, "T", 1, {"/d/probe.g", "/d/probe.GX", "/d/probe", "/d/p", "/d/a.G.G", "/d/Data.Gx/b.G"},
         "open | T | " + v + " |  | G | " + G + " | 1804", "/d/Data.Gx/b.G"},
        {"/v/", G, "T", 0, {"/d/probe.g", Cancel}, "save | T | " + v + " |  | G | " + G + " | 806", ""},
        {"/v/", "", "", 1, {"/d/a.G", Cancel}, "open | Dateiauswahl | " + v + " |  | * | *.* | 1804", ""},
        {"/v/", "All|*", "T", 1, {"/d/a.b.b", "/d/probe", "/d/probe.x"}, "open | T | " + v + " |  | ? | All|* | 1804", "/d/probe.x"},
        {"/v/", "Any.", "T", 1, {"/d/ab.cd", "/d/a.b"}, "open | T | " + v + " |  |  | Any. | 1804", "/d/a.b"},
        // Positions beyond 16 bits: the dialog still shows, but nothing is returned.
        {x32767 + "/", G, "T", 1, {"/d/probe.G"}, "open | T |  |  | G | " + G + " | 1804", ""},
        {"/v/", x32767, "T", 1, {"/d/probe.G"}, "open | T | " + v + " |  |  | " + x32767 + " | 1804", ""},
        {"/v/", G, "T", 1, {"/d/.G" + x32767 + "x"}, "open | T | " + v + " |  | G | " + G + " | 1804", ""},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.presets.substr(0, 80));
        scripted::ScriptedDialog dialog;
        dialog.script = row.script;
        EXPECT_EQ(workflow::DateiDialog(dialog, row.startPath, row.filter, row.title, row.openFlag), row.result);
        // Every showing is preset afresh, so a refused choice is not carried over.
        EXPECT_EQ(dialog.log, std::vector<std::string>(row.script.size(), row.presets));
    }
}

TEST(PfadZerlegen, SplitsIntoDriveDirectoryAndName)
{
    const std::string upTo32766(32765, 'x');  // a character appended here stands at position 32766
    std::string pairs;  // characters beyond the Basic Multilingual Plane count two positions each
    for (int pair = 0; pair < 16383; ++pair) pairs += "\U0001F600";
    const struct { std::string path, parts; } cases[] = {
        {R"(C:\probe.G)", R"(C: | \ | probe.G)"},
        {R"(C:\Prog\VelFiles\)", R"(C: | \Prog\VelFiles | )"},
        {"C:probe.G", "C: |  | probe.G"},
        {"probe.G", " |  | probe.G"},
        {R"(\Data\probe.G)", R"( | \Data | probe.G)"},
        {R"(\Data\a:b)", R"(\Data\a: |  | b)"},
        {"/probe.G", " | / | probe.G"},
        {R"(C:/Data/Run\probe.G)", "C: | /Data/Run | probe.G"},
        {"/d/" + std::string(200, 'n'), " | /d | " + std::string(128, 'n')},
        {"/d/a" + pairs.substr(0, 256), " | /d | a" + pairs.substr(0, 252)},  // a pair is not cut in two
        {upTo32766 + "/", " | " + upTo32766 + " | "},
        {upTo32766 + ":", upTo32766 + ": |  | "},
        {upTo32766 + "x/", "overflow"},
        {upTo32766 + "x:", "overflow"},
        {pairs + "/", "overflow"},
        {upTo32766 + "x" + std::string(5000, 'x'), " |  | " + std::string(128, 'x')},  // no position to count
    };
    for (const auto& row : cases) {
        const std::optional<workflow::PathParts> parts = workflow::PfadZerlegen(row.path);
        EXPECT_EQ(parts ? parts->drive + " | " + parts->directory + " | " + parts->fileName : "overflow",
                  row.parts.starts_with(" |") ? drive + row.parts : row.parts);
    }
}

}  // namespace
