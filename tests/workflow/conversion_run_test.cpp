// The conversion run on real files and the real engine, with a scripted dialog and a recording window.
#include "workflow/conversion_run.h"
#include "../engine/old_file_fixture.h"
#include "scripted_dialog.h"
#include "workflow/profile.h"

#include <gtest/gtest.h>

namespace {

using scripted::Choice;

// Notes the window's side of the run, the dialogs as shown and the warnings, all in one sequence.
class Recorder : public scripted::ScriptedDialog, public workflow::RunView, public workflow::WarningBox {
public:
    void showStatus(const std::string& text) override { log.push_back("status " + text); }
    void setCommand1Enabled(bool enabled) override { log.push_back(enabled ? "enabled" : "disabled"); }
    void warn(const workflow::WarningText& text) override { log.push_back("warning " + text.title + " | " + text.prompt); }
};

class ConversionRunTest : public ::testing::Test {
protected:
    std::string path(const std::string& name) const { return dir.path(name); }

    fixtures::TemporaryFolder dir;
    Recorder recorder;
    int beeps = 0;
    engine::ConversionPipeline pipeline{engine::systemFileSystem(), [] { return std::string(fixtures::Stamp); }};
    workflow::ConversionRun run{pipeline, recorder, recorder, [this] { ++beeps; }, workflow::profileMeasurementFolder(dir.path())};
};

// Runs one after another, each starting afresh with its dialogs in the folder the profile names.
TEST_F(ConversionRunTest, EveryRunEndsWithItsOutcomeAndCommand1EnabledAgain)
{
    fixtures::writeFile(path(workflow::ProfileFileName), "[VelInfo]\r\nPfadMessFile=" + path("data/") + "\r\n");
    // The old file stored a Windows path whose name part holds a Windows-1252 letter.
    std::string old = fixtures::patternedFile(false);
    old.replace(2017, 75, fixtures::padded("C:\\DATA\\M\xC4SS01.G", 75));
    std::string inhibited = old;
    inhibited[1896] = 1;

    const std::string folder = " | " + path("data") + " |  | G | ";
    const std::string open = "open | Open File" + folder + "Geradheit(*.G)|*.G | 1804";
    const std::string save = "save | Save File" + folder + "Straightness (*.G)|M\u00C4SS01.G | 806";
    const std::string failed = "status ERROR: File NOT converted!";
    const struct { const char* name; std::string content; std::vector<Choice> script; std::vector<std::string> dialogsAndWarnings;
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
        std::filesystem::remove(dir.root / "new.G");
        fixtures::writeFile(path("old.G"), row.content);
        recorder.log.clear();
        recorder.script = row.script;

        run.convertOneFile(recorder);

        std::vector<std::string> expected{"status Start converting", "disabled"};
        expected.insert(expected.end(), row.dialogsAndWarnings.begin(), row.dialogsAndWarnings.end());
        expected.insert(expected.end(), {row.status, "enabled"});
        EXPECT_EQ(recorder.log, expected);
        EXPECT_EQ(fixtures::readFile(path("new.G")),
                  row.status != failed ? fixtures::expectedNewFile(old, fixtures::Stamp, path("new.G")) : "");
    }
    EXPECT_EQ(beeps, 6);  // one as each open dialog comes up
}

}  // namespace
