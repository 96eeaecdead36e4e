// Warnings of the engine shown the desktop way: a beep and a modal warning box.
#include "ui/message_box_warnings.h"

#include <QApplication>
#include <QMessageBox>

namespace ui {

MessageBoxWarnings::MessageBoxWarnings(QWidget* parent) : parent_(parent) {}

void MessageBoxWarnings::warn(const workflow::WarningText& text)
{
    QApplication::beep();
    QMessageBox box(QMessageBox::Warning, QString::fromStdString(text.title), QString::fromStdString(text.prompt),
                    QMessageBox::Ok, parent_);
    // The prompt is plain text: a '<' in an error description must not turn it into markup.
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

}  // namespace ui
