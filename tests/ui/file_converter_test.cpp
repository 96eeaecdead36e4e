// The window offscreen: its shape, a click on Command1, and drops: the run each starts, the files it
// writes, its summary and its cancel.
#include "ui/file_converter.h"
#include "../engine/old_file_fixture.h"
#include "modal_script.h"

#include <QLabel>
#include <QMimeData>
#include <QTest>
#include <semaphore>

namespace {

using Existing = workflow::BatchPrompts::Existing;

// Answers a batch's dialogs (files go where the folder dialog starts), notes what they asked, lets a test act at a file.
struct Prompts : workflow::BatchPrompts {
    Existing answer = Existing::Cancel;
    bool cancelFolder = false;
    std::function<void(const QString& file)> atFile;
    std::function<void()> cancel;
    QStringList asked, summed;  // summed: "converted skipped not-converted not-begun", then the summary's detail lines

    std::string targetFolder(const std::string& start) override { asked << "folder " + QDir(QString::fromStdString(start)).dirName(); return cancelFolder ? "" : start; }
    Existing existingTargets(std::size_t n, std::size_t of) override { asked << QString("existing %1 of %2").arg(n).arg(of); return answer; }
    void progressStarted(std::size_t, std::function<void()> stop) override { cancel = std::move(stop); }
    void progress(std::size_t, std::size_t, const std::string& file) override { if (atFile) atFile(QString::fromStdString(file)); }
    void progressEnded() override {}
    void summary(const workflow::BatchSummary& s) override
    {
        summed = QStringList{QString("%1 %2 %3 %4").arg(s.converted).arg(s.skipped).arg(s.notConverted).arg(s.notBegun)};
        for (const std::string& problem : s.problems) summed << QString::fromStdString(problem);
    }
};

class FileConverterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        uitest::ensureApplication();
        QDir(dir.path()).mkpath("in/sub/none");
        for (const char* name : {"c.G", "in/a.G", "in/sub/b.G", "in/z.G"}) fixtures::writeFile(path(name), old);
        for (const char* name : {"notes.txt", "in/short.G", "in/sub/none/readme.txt"}) fixtures::writeFile(path(name), "text");
        // The batch's saves may be held at one of them, so that a cancel lands in the middle of a run.
        window = std::make_unique<ui::FileConverter>(pipeline, dir.path(), prompts, [this] {
            return std::make_unique<engine::ConversionPipeline>(engine::systemFileSystem(), [this] {
                if (++saves == heldSave) (void)release.try_acquire_for(std::chrono::seconds(10));
                return std::string(fixtures::Stamp);
            });
        });
    }

    QString path(const QString& name) const { return dir.filePath(name); }
    // names and urls as a file manager sends them (else a text), Shift held to propose a move: converting only copies.
    template <class Event> bool accepted(const QStringList& names, QList<QUrl> urls = {}) const
    {
        QMimeData data;
        for (const QString& name : names) urls << QUrl::fromLocalFile(path(name));
        urls.isEmpty() ? data.setText(path("c.G")) : data.setUrls(urls);
        Event event(QPoint(200, 100), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::ShiftModifier);
        QApplication::sendEvent(window.get(), &event);
        return event.isAccepted() && event.dropAction() == Qt::CopyAction;
    }
    // Drags names in and over the window, drops them and waits for the run the drop starts to end.
    void drop(const QStringList& names)
    {
        ASSERT_TRUE(accepted<QDragEnterEvent>(names) && accepted<QDragMoveEvent>(names) && accepted<QDropEvent>(names));
        EXPECT_TRUE(QTest::qWaitFor([this] { return window->Command1->isEnabled(); }));
    }
    // Every file in VelFiles, hidden ones too; one that is not exactly what converting the old file there gives is "kept".
    QStringList written() const
    {
        QStringList files;
        for (const auto& [name, bytes] : fixtures::filesBelow(path("VelFiles")))
            files << name + (bytes == fixtures::expectedNewFile(old, fixtures::Stamp, path("VelFiles/" + name).toStdString()) ? "" : " kept");
        return files;
    }

    const QByteArray old = fixtures::patternedOldFile();
    QTemporaryDir dir;
    Prompts prompts;
    std::atomic<int> saves = 0, heldSave = 0;
    std::binary_semaphore release{0};
    engine::ConversionPipeline pipeline{engine::systemFileSystem(), [] { return std::string(fixtures::Stamp); }};
    std::unique_ptr<ui::FileConverter> window;
};

TEST_F(FileConverterTest, EachDropConvertsItsFilesIntoTheChosenFolderAndSumsThemUp)
{
    const QString bad = "in/short.G: not converted: Input past end of file (error 62)";
    const QString notes = "notes.txt: not converted: not a measurement file";
    const QStringList existing = {"folder VelFiles", "existing 1 of 4"};
    const struct {
        QStringList dropped;
        std::vector<uitest::ModalScript::Step> dialogs;  // the single run's own
        std::optional<Existing> answer;                  // VelFiles/a.G is there already, and the answer to the question
        QStringList asked, written, summed;
        bool succeeded, cancelFolder = false;
    } rows[] = {
        {{"c.G"}, {uitest::choose(path("VelFiles/one"))}, {}, {}, {"one.G"}, {}, true},
        {{"c.G", "in/a.G"}, {}, {}, {"folder VelFiles"}, {"a.G", "c.G"}, {"2 0 0 0"}, true},
        {{"in"}, {}, {}, {"folder VelFiles"}, {"a.G", "sub/b.G", "z.G"}, {"3 0 1 0", bad}, false},
        {{"in/missing.G", "notes.txt", "c.G"}, {}, {}, {"folder VelFiles"}, {"c.G"},
         {"1 0 2 0", notes, "in/missing.G: not converted: File not found (error 53)"}, false},
        {{"notes.txt"}, {}, {}, {}, {}, {"0 0 1 0", notes}, false},
        {{"in/sub/none"}, {}, {}, {"folder VelFiles"}, {}, {"0 0 0 0"}, false},
        {{"in"}, {}, {}, {"folder VelFiles"}, {}, {}, false, true},
        {{"in"}, {}, Existing::Replace, existing, {"a.G", "sub/b.G", "z.G"}, {"3 0 1 0", bad}, false},
        {{"in"}, {}, Existing::Skip, existing, {"a.G kept", "sub/b.G", "z.G"}, {"2 1 1 0", bad}, false},
        {{"c.G", "in/a.G"}, {}, Existing::Skip, {"folder VelFiles", "existing 1 of 2"}, {"a.G kept", "c.G"}, {"1 1 0 0"}, false},
        {{"in"}, {}, Existing::Cancel, existing, {"a.G kept"}, {}, false},
    };
    for (const auto& row : rows) {
        QDir(path("VelFiles")).removeRecursively();
        QDir(dir.path()).mkdir("VelFiles");
        if (row.answer) fixtures::writeFile(path("VelFiles/a.G"), "keep");
        prompts.answer = row.answer.value_or(Existing::Cancel);
        prompts.cancelFolder = row.cancelFolder;
        prompts.asked = prompts.summed = {};
        uitest::ModalScript script(row.dialogs);
        drop(row.dropped);
        EXPECT_EQ(prompts.asked, row.asked);
        EXPECT_EQ(written(), row.written);
        EXPECT_EQ(prompts.summed, row.summed);
        EXPECT_EQ(window->Label2->text(), row.succeeded ? "File succesfully converted!" : "ERROR: File NOT converted!");
    }
}

// The window's own Qt dialogs through a drop: the folder dialog, the replace question, whose Enter skips
// since replacing cannot be undone, and the summary box with its details.
TEST_F(FileConverterTest, ADropRunAsksThroughQtsOwnDialogs)
{
    window = std::make_unique<ui::FileConverter>(pipeline, dir.path());
    QDir(dir.path()).mkdir("VelFiles");
    fixtures::writeFile(path("VelFiles/a.G"), "keep");
    QString summary;
    uitest::ModalScript script({uitest::choose(path("VelFiles")), [](QWidget* box) { QTest::keyClick(box, Qt::Key_Return); },
                                uitest::answer(QMessageBox::Ok, [&](QMessageBox* box) { summary = box->text() + '\n' + box->detailedText(); })});
    drop({"in"});
    EXPECT_EQ(script.taken, 3u);
    EXPECT_EQ(summary, "Converted: 2\nSkipped, the target exists already: 1\nNot converted: 1\n"
                       "in/short.G: not converted: Input past end of file (error 62)");
    EXPECT_EQ(fixtures::readFile(path("VelFiles/a.G")), "keep");
}

TEST_F(FileConverterTest, CancelStopsAfterTheFileAtHandAndLeavesTheRestUnwritten)
{
    heldSave = 2;  // that of sub/b.G, after a.G's; short.G fails before its save
    prompts.atFile = [this](const QString& file) {
        if (file != "in/sub/b.G") return;
        EXPECT_EQ(window->Label2->text(), "Start converting");
        EXPECT_FALSE(accepted<QDragEnterEvent>({"c.G"})) << "a drop while a run goes on";
        prompts.cancel();
        release.release();
    };
    drop({"in"});
    EXPECT_EQ(written(), QStringList({"a.G", "sub/b.G"}));  // nothing temporary either
    EXPECT_EQ(prompts.summed, QStringList({"2 0 1 1", "in/short.G: not converted: Input past end of file (error 62)"}));
    EXPECT_EQ(window->Label2->text(), "ERROR: File NOT converted!");
}

TEST_F(FileConverterTest, OnlyLocalFilesAreTaken)
{
    const QList<QUrl> web = {QUrl("http://example.org/c.G")};
    for (const auto& [names, urls] : std::vector<std::pair<QStringList, QList<QUrl>>>{{{}, web}, {{"c.G"}, web}, {{}, {}}})
        EXPECT_FALSE(accepted<QDragEnterEvent>(names, urls) || accepted<QDropEvent>(names, urls));
    QTest::qWait(20);
    EXPECT_TRUE(prompts.asked.isEmpty() && window->Command1->isEnabled() && window->Label2->text().isEmpty());
}

// Every text fits its control, the longest status text included; the focus goes from Command1 to Command2.
TEST_F(FileConverterTest, TextsFitAndTheFocusGoesFromCommand1ToCommand2)
{
    window->show();
    window->Label2->setText("File succesfully converted!");
    for (QWidget* control : std::initializer_list<QWidget*>{window->Label1, window->Label3, window->Label2,
                                                         window->Command1, window->Command2}) {
        // Labels wrap within their width and must not lose lines below; button texts keep clear of the frame.
        const bool label = qobject_cast<QLabel*>(control) != nullptr;
        const QString text = control->property("text").toString();
        const QRect needed = control->fontMetrics().boundingRect(QRect(QPoint(), control->size()),
                                                                 Qt::AlignHCenter | Qt::TextWordWrap, text);
        EXPECT_TRUE(control->rect().adjusted(label ? 0 : 4, 0, label ? 0 : -4, 0).contains(needed)) << text.toStdString();
    }
    EXPECT_EQ(window->Command1->nextInFocusChain(), window->Command2) << "the keyboard focus goes from Command1 to Command2";
}

// Command1 runs the conversion with the real dialogs and boxes: a target in a missing folder ends in
// the warning box and the failure in the status line; Command2 closes the window.
TEST_F(FileConverterTest, Command1ConvertsOrWarnsAndCommand2ClosesTheWindow)
{
    window->show();
    const auto warning = [](QMessageBox* box) {
        EXPECT_EQ(box->icon(), QMessageBox::Warning);
        EXPECT_EQ(box->windowTitle(), "Error: (g_DateiSpeichern):  76");
        EXPECT_EQ(box->buttons().size(), 1);
    };
    uitest::ModalScript failing(
        {uitest::choose(path("c.G"), [this](QFileDialog* dialog) { EXPECT_EQ(dialog->directory().path(), path("VelFiles")); }),
         uitest::choose(path("none/new.G")), uitest::answer(QMessageBox::Ok, warning)});
    QTest::mouseClick(window->Command1, Qt::LeftButton);
    EXPECT_EQ(failing.taken, 3u);
    EXPECT_EQ(window->Label2->text(), "ERROR: File NOT converted!");
    EXPECT_EQ(window->focusWidget(), window->Command1) << "Command1 enabled again, and the focus back on it";
    QTest::mouseClick(window->Command2, Qt::LeftButton);
    EXPECT_FALSE(window->isVisible());
}

}  // namespace
