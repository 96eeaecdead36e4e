// The words both front ends use for a file that was not converted, so that they read alike.
#pragma once

#include "batch/batch_conversion.h"

#include <string>

namespace batch {

// A path as a line of text names it (UTF-8): control characters escaped ("\n", "\x1b") so that a name
// holding a line break still takes one line, and bytes that are no UTF-8 shown as U+FFFD.
std::string shownPath(const std::string& path);

// The cause of a failure as every line states it: "Overflow (error 6)".
std::string errorText(engine::FileError error);

// What is said of a file that was not converted, after its name: "not converted: Overflow (error 6)".
std::string problemText(const Job& job, const FileOutcome& outcome);

}  // namespace batch
