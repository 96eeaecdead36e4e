// A failure the engine reports to whoever called it; the caller decides how to show it.
#pragma once

#include "engine/file_errors.h"

#include <QString>
#include <optional>

namespace engine {

// The line break the warning prompts use: carriage return, line feed.
inline const QString NeueZeile = QStringLiteral("\r\n");

struct Warning {
    FileError error;
    QString title;
    QString prompt;
};

// The outcome of a routine that reads or writes a file: success, or the warning to show.
struct [[nodiscard]] FileResult {
    std::optional<Warning> warning;

    explicit operator bool() const { return !warning.has_value(); }
};

}  // namespace engine
