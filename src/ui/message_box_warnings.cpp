// Warnings of the engine shown the desktop way: a beep and a modal warning box.
#include "ui/message_box_warnings.h"

#include "ui/warning_text.h"

#include <QApplication>
#include <QMessageBox>

namespace ui {

MessageBoxWarnings::MessageBoxWarnings(QWidget* parent) : parent_(parent) {}

void MessageBoxWarnings::present(const engine::Failure& failure)
{
    const WarningText text = warningText(failure);
    QApplication::beep();
    QMessageBox box(QMessageBox::Warning, text.title, text.prompt, QMessageBox::Ok, parent_);
    // The prompt is plain text: a '<' in an error description must not turn it into markup.
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

}  // namespace ui
