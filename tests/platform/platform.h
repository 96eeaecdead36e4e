// What the tests do differently on each system: running a program, named pipes, signals.
// platform_posix.cpp and platform_windows.cpp hold the two sides.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace platform {

extern const bool OnWindows;
// The systems a test row holds on: a row that only one system can have is skipped on the other.
enum Systems { Everywhere, LinuxOnly, WindowsOnly };
inline bool runsHere(Systems systems) { return systems == Everywhere || (systems == WindowsOnly) == OnWindows; }

// exitCode -1: not started, or ended by a signal.
struct Finished { int exitCode = -1; bool signalled = false; std::string out, err; };

// Runs command (the program, found on PATH when it has no folder, then its arguments: the system's bytes,
// UTF-8 on Windows) in folder with input on its standard input, until it ends; whileRunning gets its id
// meanwhile (on Windows on a thread of its own, as the program's output is read).
Finished run(const std::vector<std::string>& command, const std::string& folder, const std::string& input = {},
             const std::function<void(long id)>& whileRunning = {});
// Ends process id at once or, interrupting, asks it to end as a shutdown does (SIGTERM); false on Windows.
bool stop(long id, bool interrupt);
// Makes a named pipe at path, as a folder can hold one on POSIX; false elsewhere.
bool makePipe(const std::string& path);

}  // namespace platform
