// The dialog routine driven by a scripted dialog: presets, the extension rule, cancel and failures.
#include "scripted_dialog.h"

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

}  // namespace
