// The dialog routine driven by a scripted dialog (presets, the extension rule, cancel and failures) and
// the path splitting it presets its dialogs with: Windows paths from old records, Linux paths from dialogs.
#include "scripted_dialog.h"
#include "support/window/path_split.h"

#include <gtest/gtest.h>

namespace {

using scripted::Choice;
const Choice Cancel;
const QString G = "Geradheit (*.G)|*.G";

TEST(DateiDialog, ShowsPresetDialogsUntilAcceptedOrCancelled)
{
    const struct {
        QString startPath, filter, title;
        std::int16_t openFlag;
        std::vector<Choice> script;
        QString presets;  // of every showing: kind | title | directory | name | extension | filter | flags
        QString result;
    } cases[] = {
        {"/opt/VelFiles/", G, "Open File", 1, {"/d/probe.G"},
         "open | Open File | /opt/VelFiles |  | G | " + G + " | 1804", "/d/probe.G"},
        {R"(C:\Prog\VelFiles\)", G, "Save File", 0, {R"(C:\Data\probe.G)"},
         R"(save | Save File | C:\Prog\VelFiles |  | G | )" + G + " | 806", R"(C:\Data\probe.G)"},
        {"/d/run", G, "T", 1, {"/d/run/a.G  "}, "open | T | /d | run | G | " + G + " | 1804", "/d/run/a.G  "},
        {"/v/", G, "T", 1, {"/d/probe.g", "/d/probe.GX", "/d/probe", "/d/p", "/d/a.G.G", "/d/Data.Gx/b.G"},
         "open | T | /v |  | G | " + G + " | 1804", "/d/Data.Gx/b.G"},
        {"/v/", G, "T", 1, {Cancel}, "open | T | /v |  | G | " + G + " | 1804", ""},
        {"/v/", G, "T", 0, {"/d/probe.g", Cancel}, "save | T | /v |  | G | " + G + " | 806", ""},
        {"/v/", "", "", 1, {"/d/a.G", Cancel}, "open | Dateiauswahl | /v |  | * | *.* | 1804", ""},
        {"/v/", "All|*", "T", 1, {"/d/a.b.b", "/d/probe", "/d/probe.x"},
         "open | T | /v |  | ? | All|* | 1804", "/d/probe.x"},
        {"/v/", "Any.", "T", 1, {"/d/ab.cd", "/d/a.b"}, "open | T | /v |  |  | Any. | 1804", "/d/a.b"},
        // Positions beyond 16 bits: the dialog still shows, but nothing is returned.
        {QString(32767, u'x') + "/", G, "T", 1, {"/d/probe.G"}, "open | T |  |  | G | " + G + " | 1804", ""},
        {"/v/", QString(32767, u'x'), "T", 1, {"/d/probe.G"},
         "open | T | /v |  |  | " + QString(32767, u'x') + " | 1804", ""},
        {"/v/", G, "T", 1, {"/d/.G" + QString(32768, u'x')}, "open | T | /v |  | G | " + G + " | 1804", ""},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.presets.left(80).toStdString());
        scripted::ScriptedDialog dialog;
        dialog.script = row.script;
        const QString result = support::DateiDialog(dialog, row.startPath, row.filter, row.title, row.openFlag);
        EXPECT_EQ(result.toStdString(), row.result.toStdString());
        // Every showing is preset afresh, so a refused choice is not carried over.
        const QStringList everyShowing(qsizetype(row.script.size()), row.presets);
        EXPECT_EQ(dialog.log.join('\n').toStdString(), everyShowing.join('\n').toStdString());
    }
}

QString describe(const std::optional<support::PathParts>& parts)
{
    return parts ? parts->drive + " | " + parts->directory + " | " + parts->fileName : "overflow";
}

// Without a ':' the drive comes from the current directory, which has none here.
TEST(PfadZerlegen, SplitsIntoDriveDirectoryAndName)
{
    const QString upTo32766(32765, u'x');  // a character appended here stands at position 32766
    const struct { QString path; QString parts; } cases[] = {
        {R"(C:\probe.G)", R"(C: | \ | probe.G)"},
        {R"(C:\Prog\VelFiles\)", R"(C: | \Prog\VelFiles | )"},
        {"C:probe.G", "C: |  | probe.G"},
        {"probe.G", " |  | probe.G"},
        {R"(\Data\probe.G)", R"( | \Data | probe.G)"},
        {R"(\Data\a:b)", R"(\Data\a: |  | b)"},
        {"/home/u/VelFiles/", " | /home/u/VelFiles | "},
        {"/probe.G", " | / | probe.G"},
        {R"(C:/Data/Run\probe.G)", "C: | /Data/Run | probe.G"},
        {"/d/" + QString(200, u'n'), " | /d | " + QString(128, u'n')},
        {upTo32766 + "/", " | " + upTo32766 + " | "},
        {upTo32766 + ":", upTo32766 + ": |  | "},
        {upTo32766 + "x/", "overflow"},
        {upTo32766 + "x:", "overflow"},
        {upTo32766 + "x" + QString(5000, u'x'), " |  | " + QString(128, u'x')},  // no position to count
    };
    for (const auto& row : cases)
        EXPECT_EQ(describe(support::PfadZerlegen(row.path)).toStdString(), row.parts.toStdString());
}

}  // namespace
