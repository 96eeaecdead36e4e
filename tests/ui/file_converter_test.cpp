// The window offscreen: its shape, a click on Command1, and what a drop shows through Qt's own
// dialogs; the run over dropped files itself is the workflow's, tested there.
#include "ui/file_converter.h"
#include "../engine/old_file_fixture.h"
#include "modal_script.h"

#include <QClipboard>
#include <QLabel>
#include <QMimeData>
#include <QTest>

namespace {

class FileConverterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        uitest::ensureApplication();
        for (const char* name : {"c.G", "in/a.G", "in/sub/b.G"}) fixtures::writeFile(path(name), old);
        fixtures::writeFile(path("in/short.G"), "text");
        window = std::make_unique<ui::FileConverter>(pipeline, dir.path());
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

    const QByteArray old = fixtures::patternedOldFile();
    QTemporaryDir dir;
    engine::ConversionPipeline pipeline{engine::systemFileSystem(), [] { return std::string(fixtures::Stamp); }};
    std::unique_ptr<ui::FileConverter> window;
};

// A drop runs through Qt's own dialogs: the folder dialog (no other drop is taken meanwhile), the
// replace question, whose Enter skips since replacing cannot be undone, and the summary box with its
// details and a button that copies the whole list and leaves the box open.
TEST_F(FileConverterTest, ADropRunAsksThroughQtsOwnDialogs)
{
    QDir(dir.path()).mkdir("VelFiles");
    fixtures::writeFile(path("VelFiles/a.G"), "keep");
    QApplication::clipboard()->clear();
    const QString problem = "in/short.G: not converted: Input past end of file (error 62)";
    QString question, summary;
    uitest::ModalScript script(
        {uitest::choose(path("VelFiles"), [this](QFileDialog*) { EXPECT_FALSE(accepted<QDragEnterEvent>({"c.G"})) << "a drop during a run"; }),
         [&](QWidget* box) {
             question = qobject_cast<QMessageBox*>(box)->text() + '\n' + qobject_cast<QMessageBox*>(box)->informativeText();
             QTest::keyClick(box, Qt::Key_Return);
         },
         [&](QWidget* modal) {
             auto* box = qobject_cast<QMessageBox*>(modal);
             ASSERT_NE(box, nullptr);
             EXPECT_EQ(box->icon(), QMessageBox::Warning);
             summary = box->text() + '\n' + box->detailedText();
             for (QAbstractButton* button : box->buttons())
                 if (button->text() == "Copy list") button->click();
             EXPECT_TRUE(box->isVisible()) << "the copy leaves the box open";
             box->button(QMessageBox::Ok)->click();
         }});
    ASSERT_TRUE(accepted<QDragEnterEvent>({"in"}) && accepted<QDropEvent>({"in"}));
    EXPECT_TRUE(QTest::qWaitFor([this] { return window->Command1->isEnabled(); }));
    EXPECT_EQ(script.taken, 3u);
    EXPECT_EQ(question, "1 of the 3 converted files exist already in this folder.\nReplace them, skip them, or cancel the whole run?");
    EXPECT_EQ(summary, "Converted: 1\nSkipped, the target exists already: 1\nNot converted: 1\n" + problem);
    EXPECT_EQ(QApplication::clipboard()->text(), problem);
    EXPECT_EQ(fixtures::readFile(path("VelFiles/a.G")), "keep");
    EXPECT_EQ(window->Label2->text(), "ERROR: File NOT converted!");
    EXPECT_TRUE(accepted<QDragEnterEvent>({"c.G"})) << "after the run the window takes drops again";
}

TEST_F(FileConverterTest, OnlyLocalFilesAreTaken)
{
    const QList<QUrl> web = {QUrl("http://example.org/c.G")};
    uitest::ModalScript none({});
    for (const auto& [names, urls] : std::vector<std::pair<QStringList, QList<QUrl>>>{{{}, web}, {{"c.G"}, web}, {{}, {}}})
        EXPECT_FALSE(accepted<QDragEnterEvent>(names, urls) || accepted<QDropEvent>(names, urls));
    QTest::qWait(20);
    EXPECT_TRUE(none.unscripted == 0 && window->Command1->isEnabled() && window->Label2->text().isEmpty());
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
