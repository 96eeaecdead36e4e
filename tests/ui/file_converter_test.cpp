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
        window = std::make_unique<ui::FileConverter>(engine, dir.path());
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }

    QTemporaryDir dir;
    engine::ConversionEngine engine;
    std::unique_ptr<ui::FileConverter> window;
};

TEST_F(FileConverterTest, ControlsStandWhereTheLayoutPutsThemAndTheirTextsFit)
{
    const struct { QWidget* control; QString text; QRect geometry; qreal points; bool bold; } rows[] = {
        {window->Label1, "File Converter WIN-VELNOR", {112, 24, 185, 17}, 9.75, false},
        {window->Label3, "straightness measuring files version <5.01 to version >5.021", {112, 40, 185, 41}, 9.75, false},
        {window->Label2, "File succesfully converted!", {72, 88, 273, 33}, 12, true},
        {window->Command1, "Start converting a file", {72, 136, 273, 65}, 11.25, true},
        {window->Command2, "End", {320, 232, 81, 25}, 9.75, false},
    };
    window->Label2->setText(rows[2].text);  // the longest status text
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text.toStdString());
        const QString text = row.control->property("text").toString();
        EXPECT_EQ(text, row.text);
        EXPECT_EQ(row.control->geometry(), row.geometry);
        EXPECT_EQ(row.control->font().family(), "Arial");
        EXPECT_EQ(row.control->font().pointSizeF(), row.points);
        EXPECT_EQ(row.control->font().bold(), row.bold);
        // Labels wrap within their width and must not lose lines below; button texts keep clear of the frame.
        auto* label = qobject_cast<QLabel*>(row.control);
        const QRect needed = row.control->fontMetrics().boundingRect(
            QRect(QPoint(), row.control->size()), Qt::AlignHCenter | Qt::TextWordWrap, text);
        const int margin = label ? 0 : 4;
        EXPECT_TRUE(row.control->rect().adjusted(margin, 0, -margin, 0).contains(needed)) << needed.width() << "x" << needed.height();
        if (label) {
            EXPECT_EQ(label->alignment(), Qt::AlignHCenter | Qt::AlignTop);
        }
    }
    EXPECT_EQ(window->windowTitle(), "FileConverter");
    EXPECT_EQ(window->minimumSize(), QSize(404, 261));
    EXPECT_EQ(window->maximumSize(), QSize(404, 261));
    EXPECT_FALSE(window->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    EXPECT_EQ(window->windowIcon().availableSizes(), QList<QSize>({{16, 16}, {32, 32}}));

    // Only the buttons take the focus, Command1 first.
    EXPECT_EQ(window->focusWidget(), window->Command1);
    EXPECT_EQ(window->Command1->nextInFocusChain(), window->Command2);
    EXPECT_EQ(window->Label1->focusPolicy(), Qt::NoFocus);
}

TEST_F(FileConverterTest, Command1ConvertsOrWarnsAndCommand2ClosesTheWindow)
{
    fixtures::writeFile(dir.filePath("old.G"), fixtures::patternedOldFile());
    const auto whileRunning = [this](QFileDialog* dialog) {
        EXPECT_EQ(dialog->directory().path(), dir.filePath("VelFiles"));
        EXPECT_EQ(window->Label2->text(), "Start converting");
        EXPECT_FALSE(window->Command1->isEnabled());
    };
    {
        // Scoped: a script still watching would also answer the dialogs of the next run.
        ModalScript script({choose(dir.filePath("old.G"), whileRunning), choose(dir.filePath("new"), whileRunning)});
        QTest::mouseClick(window->Command1, Qt::LeftButton);

        EXPECT_EQ(script.taken, 2u);
        EXPECT_EQ(window->Label2->text(), "File succesfully converted!");
        EXPECT_TRUE(window->Command1->isEnabled());
        EXPECT_EQ(window->focusWidget(), window->Command1);
        const QByteArray written = fixtures::readFile(dir.filePath("new.G"));
        EXPECT_EQ(written.size(), 3243);
        EXPECT_EQ(written.mid(1912, 12), "19200,N,8,1 ");
    }

    // A target in a missing folder: the warning box, then the failure in the status line.
    const auto warningBox = [](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->icon(), QMessageBox::Warning);
        EXPECT_EQ(box->windowTitle(), "Error: (g_DateiSpeichern):  76");
        EXPECT_EQ(box->buttons().size(), 1);
        answer(QMessageBox::Ok)(modal);
    };
    ModalScript failing({choose(dir.filePath("old.G")), choose(dir.filePath("none/new.G")), warningBox});
    QTest::mouseClick(window->Command1, Qt::LeftButton);
    EXPECT_EQ(failing.taken, 3u);
    EXPECT_EQ(window->Label2->text(), "ERROR: File NOT converted!");

    QTest::mouseClick(window->Command2, Qt::LeftButton);
    EXPECT_FALSE(window->isVisible());
}

}  // namespace
