// The terminal gconvert writes to and the interrupts that stop it, as each system has them.
#pragma once

namespace cli {

// Whether standard error is a terminal a person watches, where a running count is worth showing.
bool errorsGoToATerminal();

// From now on the terminal shows the program's output as the UTF-8 it is, and gets back what it had
// when the program ends, however it ends (Windows: the console's output code page; a POSIX terminal
// takes the bytes as they come).
void showOutputAsUtf8();

// From now on an interrupt (Ctrl-C, and where the system has them SIGTERM and SIGHUP) only asks the
// run to stop between two files; interrupted() tells whether one came.
void catchInterrupts();
bool interrupted();

// Ends the program the way the interrupt would have ended it, once the run has put its files in place.
[[noreturn]] void endByInterrupt();

}  // namespace cli
