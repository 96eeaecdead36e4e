// The words of the warning box that tells the user why a file could not be loaded or saved.
#include "ui/warning_text.h"

namespace ui {
namespace {

// A number the way the warning titles show it: a leading blank where a minus sign would stand.
QString signedNumber(int number)
{
    return number < 0 ? QString::number(number) : QStringLiteral(" ") + QString::number(number);
}

}  // namespace

WarningText warningText(const engine::Failure& failure)
{
    const QString number = signedNumber(failure.error.code());
    const QString description = QString::fromUtf8(failure.error.description());
    if (failure.operation == engine::Operation::Loading)
        return {QStringLiteral("Error: ") + QStringLiteral(" (g_DateiLaden): ") + number,
                QStringLiteral("...at loading") + NeueZeile + description};
    return {QStringLiteral("Error:") + QStringLiteral(" (g_DateiSpeichern): ") + number,
            QStringLiteral("...at saving ") + NeueZeile + description};
}

}  // namespace ui
