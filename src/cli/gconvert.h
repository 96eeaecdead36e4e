// gconvert's work once the system has handed over its arguments, whatever the system.
#pragma once

namespace cli {

// Runs the command the arguments (UTF-8, or the system's bytes where names are bytes) ask for and
// returns the exit status.
int gconvert(int argc, const char* const argv[]);

}  // namespace cli
