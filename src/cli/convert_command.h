// gconvert's conversions: one file, or many into a folder, with one line per file not converted.
#pragma once

#include "cli/command_line.h"

namespace cli {

// Converts what the request names and returns the exit status: 0 when every file was converted,
// 1 otherwise, 2 for a mistake found only now (an output folder that is not one). An interrupt ends
// the run between two files and then the program, by that signal.
int convertFiles(const Request& request);

}  // namespace cli
