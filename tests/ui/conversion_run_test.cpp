// The conversion run on real files and the real engine, with a scripted dialog and a recording window.
#include "ui/conversion_run.h"
#include "../engine/old_file_fixture.h"
#include "../support/scripted_dialog.h"
#include "support/window/profile.h"
#include "ui/warning_text.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using scripted::Choice;

// Notes the window's side of the run, the dialogs as shown and the warnings, all in one sequence.
class Recorder : public scripted::ScriptedDialog, public ui::RunView, public ui::WarningPresenter {
public:
    void showStatus(const QString& text) override { log.push_back("status " + text.toStdString()); }
    void setCommand1Enabled(bool enabled) override { log.push_back(enabled ? "enabled" : "disabled"); }
    void present(const engine::Failure& failure) override
    {
        const ui::WarningText text = ui::warningText(failure);
        log.push_back(("warning " + text.title + " | " + text.prompt).toStdString());
    }
};

class ConversionRunTest : public ::testing::Test {
protected:
    std::string path(const QString& name) const { return dir.filePath(name).toStdString(); }

    QTemporaryDir dir;
    Recorder recorder;
    int beeps = 0;
    engine::ConversionPipeline pipeline{engine::systemFileSystem(), [] { return std::string(fixtures::Stamp); }};
    ui::ConversionRun run{pipeline, recorder, recorder, [this] { ++beeps; }, ui::profileMeasurementFolder(dir.path())};
};

// Runs one after another, each starting afresh with its dialogs in the folder the profile names.
TEST_F(ConversionRunTest, EveryRunEndsWithItsOutcomeAndCommand1EnabledAgain)
{
    fixtures::writeFile(dir.filePath(support::ProfileFileName), "[VelInfo]\r\nPfadMessFile=" + dir.filePath("data/").toUtf8() + "\r\n");
    // The old file stored a Windows path whose name part holds a Windows-1252 letter.
    QByteArray old = fixtures::patternedOldFile();
    old.replace(2017, 75, QByteArray("C:\\DATA\\M\xC4SS01.G").leftJustified(75, ' '));
    QByteArray inhibited = old;
    inhibited[1896] = 1;

    const std::string folder = " | " + path("data") + " |  | G | ";
    const std::string open = "open | Open File" + folder + "Geradheit(*.G)|*.G | 1804";
    const std::string save = "save | Save File" + folder + "Straightness (*.G)|M\u00C4SS01.G | 806";
    const std::string failed = "status ERROR: File NOT converted!";
    const struct { const char* name; QByteArray content; std::vector<Choice> script; std::vector<std::string> dialogsAndWarnings;
                   std::string status; } rows[] = {
        {"complete", old, {path("old.G"), path("new.G")}, {open, save}, "status File succesfully converted!"},
        {"cancel at open", old, {Choice()}, {open}, failed},
        {"load error", old, {path("missing.G")}, {open, "warning Error:  (g_DateiLaden):  53 | ...at loading\r\nFile not found"}, failed},
        {"cancel at save", old, {path("old.G"), Choice()}, {open, save}, failed},
        {"save inhibited", inhibited, {path("old.G"), path("new.G")}, {open, save}, failed},
        {"write error", old, {path("old.G"), path("none/new.G")},
         {open, save, "warning Error: (g_DateiSpeichern):  76 | ...at saving \r\nPath not found"}, failed},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        QFile::remove(dir.filePath("new.G"));
        fixtures::writeFile(dir.filePath("old.G"), row.content);
        recorder.log.clear();
        recorder.script = row.script;

        run.convertOneFile(recorder);

        std::vector<std::string> expected{"status Start converting", "disabled"};
        expected.insert(expected.end(), row.dialogsAndWarnings.begin(), row.dialogsAndWarnings.end());
        expected.insert(expected.end(), {row.status, "enabled"});
        EXPECT_EQ(recorder.log, expected);
        EXPECT_EQ(fixtures::readFile(dir.filePath("new.G")),
                  row.status != failed ? fixtures::expectedNewFile(old, fixtures::Stamp, path("new.G")) : "");
    }
    EXPECT_EQ(beeps, 6);  // one as each open dialog comes up
}

}  // namespace
