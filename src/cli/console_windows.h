// How gconvert answers the Windows console's events, apart from the handler Windows calls, so that a
// test can play Windows' part for the events no test can cause (a console closed, a logoff, a shutdown).
#pragma once

#include <windows.h>

#include <functional>

namespace cli {

// Asks the run to stop between two files and claims the event. After a closed console, a logoff or
// a shutdown Windows ends the process as soon as the answer is given, so that the answer first waits
// (waitForTheEnd) until the run has put its files in place and ended the program, or until Windows
// ends it when the time it gives is up (5 seconds for a closed console).
BOOL answerConsoleEvent(DWORD event, const std::function<void()>& waitForTheEnd);

}  // namespace cli
