// The dialog routine over Qt's real file dialog, driven offscreen: presets, listing, flags, cancel.
#include "ui/qt_file_dialog.h"
#include "modal_script.h"

#include <QComboBox>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

namespace {

using namespace uitest;

class QtFileDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ensureApplication();
        QDir(dir.path()).mkdir("Data.Gx");
        for (const char* name : {"probe.G", "probe.g", "MESS 01.G", "MESS_01.G", "MESS01.G", "notes.txt", "Data.Gx/b.G"})
            QFile(path(name)).open(QIODevice::WriteOnly);
    }
    QString path(const QString& name) const { return dir.filePath(name); }

    QString runDialog(const QString& start, const QString& filter, std::int16_t openFlag, std::vector<ModalScript::Step> steps)
    {
        ModalScript script(steps);
        const QString chosen = QString::fromStdString(
            workflow::DateiDialog(adapter, start.toStdString(), filter.toStdString(), "Title", openFlag));
        EXPECT_EQ(script.taken, steps.size());
        EXPECT_EQ(script.unscripted, 0);
        return chosen;
    }

    QTemporaryDir dir;
    ui::QtFileDialog adapter{nullptr};
};

// The dialog lists exactly these names once it has read its folder (which it does in the background).
void expectListed(QFileDialog* dialog, const QStringList& expected)
{
    auto* view = dialog->findChild<QListView*>("listView");
    const auto listed = [view] {
        QStringList names;
        for (int row = 0; row < view->model()->rowCount(view->rootIndex()); ++row)
            names.append(view->model()->index(row, 0, view->rootIndex()).data().toString());
        names.sort();
        return names;
    };
    if (!QTest::qWaitFor([&] { return listed() == expected; }, 3000)) { EXPECT_EQ(listed().join(", "), expected.join(", ")); }
}

TEST_F(QtFileDialogTest, OpenDialogListsThePatternAndInsistsOnAnExistingFileWithTheExtension)
{
    const auto presets = [this](QFileDialog* dialog) {
        EXPECT_EQ(dialog->windowTitle(), "Title");
        EXPECT_EQ(dialog->directory().path(), dir.path());
        EXPECT_EQ(dialog->findChild<QComboBox*>("fileTypeCombo")->currentText(), "Geradheit(*.G)");
        // Qt matches names regardless of case, as the Windows dialog did; the loop decides on case.
        expectListed(dialog, {"Data.Gx", "MESS 01.G", "MESS01.G", "MESS_01.G", "probe.G", "probe.g"});
    };
    EXPECT_EQ(runDialog(dir.path() + "/", "Geradheit(*.G)|*.G", 1,
                        {choose(path("missing.G"), presets), answer(QMessageBox::Ok), choose(path("probe.g")),
                         choose(path("Data.Gx/b.G"))}),
              path("Data.Gx/b.G"));
}

// The save dialog asks before replacing and adds the extension; a folder named without its closing '/'
// opens its parent with its name preset, and a cancel at any showing gives nothing.
TEST_F(QtFileDialogTest, SaveDialogAsksBeforeReplacingAddsTheExtensionAndCancels)
{
    const auto presets = [this](QFileDialog* dialog) {
        EXPECT_EQ(dialog->findChild<QComboBox*>("fileTypeCombo")->currentText(), "Straightness (*.G)");
        // A blank cannot stand in a Qt pattern; its stand-in matches one lookalike more.
        expectListed(dialog, {"Data.Gx", "MESS 01.G", "MESS_01.G"});
    };
    const auto startedAtData = [this](QFileDialog* dialog) {
        EXPECT_EQ(dialog->directory().path(), dir.path());
        EXPECT_EQ(dialog->findChild<QLineEdit*>("fileNameEdit")->text(), "Data.Gx");
    };
    const QString filter = "Straightness (*.G)|MESS 01.G";
    EXPECT_EQ(runDialog(dir.path() + "/", filter, 0,
                        {choose(path("MESS 01.G"), presets), answer(QMessageBox::No), choose(path("fresh"))}),
              path("fresh.G"));
    EXPECT_EQ(runDialog(dir.path() + "/", filter, 0, {choose(path("probe.G")), answer(QMessageBox::Yes)}), path("probe.G"));
    EXPECT_EQ(runDialog(path("Data.Gx"), filter, 0, {choose(path("other.g"), startedAtData), choose(std::nullopt)}), "");
}

}  // namespace
