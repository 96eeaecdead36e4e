// The terminal and the interrupts of Windows.
#include "cli/console.h"
#include "cli/console_windows.h"

#include <atomic>
#include <cstdlib>

namespace cli {
namespace {

std::atomic<bool> stopAsked = false;
// The console's output code page as the program found it; 0 without a console or a change.
UINT foundOutputCodePage = 0;

void putBackOutputCodePage()
{
    if (foundOutputCodePage != 0) SetConsoleOutputCP(foundOutputCodePage);
}

// On the thread Windows starts for the event: Ctrl-C, Ctrl-Break, the console closed, logoff, shutdown.
BOOL WINAPI stopBetweenFiles(DWORD event)
{
    return answerConsoleEvent(event, [] { Sleep(INFINITE); });
}

}  // namespace

BOOL answerConsoleEvent(DWORD event, const std::function<void()>& waitForTheEnd)
{
    stopAsked = true;
    if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT) waitForTheEnd();
    return TRUE;
}

bool errorsGoToATerminal()
{
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

void showOutputAsUtf8()
{
    // The console is the user's: what it showed before, it shows again once the program has ended.
    const UINT found = GetConsoleOutputCP();
    if (found == 0 || found == CP_UTF8 || !SetConsoleOutputCP(CP_UTF8)) return;
    foundOutputCodePage = found;
    std::atexit(putBackOutputCodePage);
}

void catchInterrupts() { SetConsoleCtrlHandler(stopBetweenFiles, TRUE); }

bool interrupted() { return stopAsked; }

// The status a program ended by Ctrl-C has on Windows; ExitProcess runs no exit handler of the program's.
void endByInterrupt()
{
    putBackOutputCodePage();
    ExitProcess(STATUS_CONTROL_C_EXIT);
}

}  // namespace cli
