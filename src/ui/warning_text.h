// The words of the warning box that tells the user why a file could not be loaded or saved.
#pragma once

#include "engine/failure.h"

#include <QString>

namespace ui {

// The line break the warning prompts use: carriage return, line feed.
inline const QString NeueZeile = QStringLiteral("\r\n");

struct WarningText {
    QString title;   // "Error:  (g_DateiLaden):  53"
    QString prompt;  // "...at loading", NeueZeile, "File not found"
};

WarningText warningText(const engine::Failure& failure);

}  // namespace ui
