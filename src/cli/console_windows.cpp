// The terminal and the interrupts of Windows.
#include "cli/console.h"

#include <windows.h>

#include <atomic>

namespace cli {
namespace {

std::atomic<bool> stopAsked = false;

// On the thread Windows starts for the event: Ctrl-C, Ctrl-Break, the console closed.
BOOL WINAPI stopBetweenFiles(DWORD)
{
    stopAsked = true;
    return TRUE;
}

}  // namespace

bool errorsGoToATerminal()
{
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

void catchInterrupts() { SetConsoleCtrlHandler(stopBetweenFiles, TRUE); }

bool interrupted() { return stopAsked; }

// The status a program ended by Ctrl-C has on Windows.
void endByInterrupt() { ExitProcess(STATUS_CONTROL_C_EXIT); }

}  // namespace cli
