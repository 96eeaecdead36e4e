// The conversion run on real files and the real engine, with scripted dialogs and a recording window.
#include "ui/conversion_run.h"
#include "../engine/old_file_fixture.h"
#include "support/profile.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using Choice = std::optional<QString>;  // nullopt: the user cancels
constexpr char Stamp[] = "24.12 2026 / 18:30:00";

// Notes the window's side of the run, the dialogs as shown (with the window's state at that
// moment) and the warnings, all in one sequence.
class Recorder : public ui::RunView, public ui::WarningPresenter, public support::FileDialogControl {
public:
    std::vector<Choice> script;
    QStringList log;

    void showStatus(const QString& text) override { status_ = text; log.append("status " + text); }
    void setCommand1Enabled(bool enabled) override { enabled_ = enabled; log.append(enabled ? "enabled" : "disabled"); }
    void present(const engine::Warning& warning) override { log.append("warning" + warning.title); }

    void setDialogTitle(const QString& title) override { title_ = title; }
    void setFileName(const QString& name) override { fileName_ = name; }
    QString fileName() const override { return fileName_; }
    void setInitialDirectory(const QString& directory) override { directory_ = directory; }
    void setDefaultExtension(const QString&) override {}
    void setFilter(const QString& filter) override { filter_ = filter; }
    void setFlags(std::uint32_t) override {}
    bool showOpen() override { return show(); }
    bool showSave() override { return show(); }

private:
    bool show()
    {
        log.append(QStringList{title_, directory_, filter_, status_, enabled_ ? "enabled" : "disabled"}.join(" | "));
        const Choice choice = script.empty() ? Choice() : script.front();
        if (!script.empty()) script.erase(script.begin());
        fileName_ = choice.value_or(fileName_);
        return choice.has_value();
    }
    QString status_, title_, fileName_, directory_, filter_;
    bool enabled_ = true;
};

class ConversionRunTest : public ::testing::Test {
protected:
    QString path(const QString& name) const { return dir.filePath(name); }

    QTemporaryDir dir;
    Recorder recorder;
    int beeps = 0;
    engine::ConversionEngine engine{engine::systemFileCalls(), [] { return QString::fromLatin1(Stamp); }};
    ui::ConversionRun run{engine, recorder, recorder, [this] { ++beeps; }, ui::profileMeasurementFolder(dir.path())};
};

TEST_F(ConversionRunTest, EndsWithTheOutcomeAndCommand1EnabledAgain)
{
    // The old file stored a Windows path whose name part holds a Windows-1252 letter.
    QByteArray old = fixtures::patternedOldFile();
    old.replace(2017, 75, QByteArray("C:\\DATA\\M\xC4SS01.G").leftJustified(75, ' '));
    QByteArray inhibited = old;
    inhibited[1896] = 1;

    const QString folder = dir.path() + "/VelFiles";
    const QString open = "Open File | " + folder + " | Geradheit(*.G)|*.G | Start converting | disabled";
    const QString save = QString("Save File | " + folder + " | Straightness (*.G)|M\u00C4SS01.G | Start converting | disabled");
    const QString failed = "status ERROR: File NOT converted!";
    const struct Row {
        const char* name;
        QByteArray content;
        std::vector<Choice> script;
        QStringList dialogsAndWarnings;
        QString status;
    } rows[] = {
        {"cancel at open", old, {Choice()}, {open}, failed},
        {"load error", old, {path("missing.G")}, {open, "warningError:  (g_DateiLaden):  53"}, failed},
        {"cancel at save", old, {path("old.G"), Choice()}, {open, save}, failed},
        {"save inhibited", inhibited, {path("old.G"), path("new.G")}, {open, save}, failed},
        {"write error", old, {path("old.G"), path("none/new.G")},
         {open, save, "warningError: (g_DateiSpeichern):  76"}, failed},
        {"complete", old, {path("old.G"), path("new.G")}, {open, save}, "status File succesfully converted!"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QFile::remove(path("new.G"));
        fixtures::writeFile(path("old.G"), row.content);
        recorder.log.clear();
        recorder.script = row.script;

        run.convertOneFile(recorder);

        const QStringList expected =
            QStringList{"status Start converting", "disabled"} + row.dialogsAndWarnings + QStringList{row.status, "enabled"};
        EXPECT_EQ(recorder.log.join('\n').toStdString(), expected.join('\n').toStdString());
        const bool written = row.status != failed;
        EXPECT_EQ(fixtures::readFile(path("new.G")),
                  written ? fixtures::expectedNewFile(old, Stamp, path("new.G").toStdString()) : QByteArray());
    }
    EXPECT_EQ(beeps, 6);  // one as each open dialog comes up
}

TEST_F(ConversionRunTest, EveryRunStartsAfreshWithTheDialogsInTheConfiguredFolder)
{
    fixtures::writeFile(path("old.G"), fixtures::patternedOldFile());
    fixtures::writeFile(path(support::ProfileFileName), "[VelInfo]\r\nPfadMessFile=" + path("data/").toUtf8() + "\r\n");
    recorder.script = {path("old.G"), path("new.G"), Choice()};
    run.convertOneFile(recorder);
    run.convertOneFile(recorder);

    const QStringList shown = recorder.log.filter(" | ");
    ASSERT_EQ(shown.size(), 3);
    for (const QString& dialog : shown)
        EXPECT_TRUE(dialog.contains(" | " + path("data") + " | ")) << dialog.toStdString();
    EXPECT_TRUE(shown[2].endsWith("| Start converting | disabled"));  // not the first run's outcome
    EXPECT_EQ(recorder.log.filter("status").join(", "),
              "status Start converting, status File succesfully converted!, "
              "status Start converting, status ERROR: File NOT converted!");
    EXPECT_FALSE(QDir(path("VelFiles")).exists());
}

}  // namespace
