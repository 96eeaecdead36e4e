// The window offscreen: its controls as laid out, and a click on Command1 that converts a real file.
#include "ui/file_converter.h"
#include "../engine/old_file_fixture.h"
#include "modal_script.h"

#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

namespace {

using namespace uitest;

class FileConverterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ensureApplication();
        window = std::make_unique<ui::FileConverter>(pipeline, dir.path());
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }

    QTemporaryDir dir;
    engine::ConversionPipeline pipeline;
    std::unique_ptr<ui::FileConverter> window;
};

// Every text fits its control, the longest status text included; the window keeps its size, its
// icon and its focus order.
TEST_F(FileConverterTest, TextsFitAndTheWindowKeepsItsShape)
{
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
    EXPECT_EQ(window->windowTitle(), "FileConverter");
    EXPECT_EQ(window->minimumSize(), window->maximumSize());
    EXPECT_FALSE(window->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    EXPECT_EQ(window->windowIcon().availableSizes(), QList<QSize>({{16, 16}, {32, 32}}));
    // Only the buttons take the focus, Command1 first.
    EXPECT_EQ(window->focusWidget(), window->Command1);
    EXPECT_EQ(window->Command1->nextInFocusChain(), window->Command2);
    EXPECT_EQ(window->Label1->focusPolicy(), Qt::NoFocus);
}

// Command1 runs the conversion with the real dialogs and boxes: a target in a missing folder ends in
// the warning box and the failure in the status line; Command2 closes the window.
TEST_F(FileConverterTest, Command1ConvertsOrWarnsAndCommand2ClosesTheWindow)
{
    fixtures::writeFile(dir.filePath("old.G"), fixtures::patternedOldFile());
    const auto whileRunning = [this](QWidget*) {
        EXPECT_EQ(window->Label2->text(), "Start converting");
        EXPECT_FALSE(window->Command1->isEnabled());
    };
    ModalScript failing({choose(dir.filePath("old.G"), [&](QFileDialog* dialog) {
                             whileRunning(dialog);
                             EXPECT_EQ(dialog->directory().path(), dir.filePath("VelFiles"));
                         }),
                         choose(dir.filePath("none/new.G")), answer(QMessageBox::Ok, [&](QMessageBox* box) {
                             whileRunning(box);
                             EXPECT_EQ(box->icon(), QMessageBox::Warning);
                             EXPECT_EQ(box->windowTitle(), "Error: (g_DateiSpeichern):  76");
                             EXPECT_EQ(box->buttons().size(), 1);
                         })});
    QTest::mouseClick(window->Command1, Qt::LeftButton);
    EXPECT_EQ(failing.taken, 3u);
    EXPECT_EQ(window->Label2->text(), "ERROR: File NOT converted!");
    EXPECT_TRUE(window->Command1->isEnabled());
    EXPECT_EQ(window->focusWidget(), window->Command1);
    QTest::mouseClick(window->Command2, Qt::LeftButton);
    EXPECT_FALSE(window->isVisible());
}

}  // namespace
