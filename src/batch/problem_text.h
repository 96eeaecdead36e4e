// The words both front ends use for a file that was not converted, so that they read alike.
#pragma once

#include "batch/batch_conversion.h"

#include <QString>

#include <string>

namespace batch {

// A path as a line of text names it: decoded from the system's bytes, with control characters
// escaped ("\n", "\x1b"), so that a name holding a line break still takes one line.
QString shownPath(const std::string& path);

// The cause of a failure as every line states it: "Overflow (error 6)".
QString errorText(engine::FileError error);

// What is said of a file that was not converted, after its name: "not converted: Overflow (error 6)".
QString problemText(const Job& job, const FileOutcome& outcome);

}  // namespace batch
