// The terminal and the interrupts of POSIX systems.
#include "cli/console.h"

#include <signal.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <initializer_list>

namespace cli {
namespace {

volatile std::sig_atomic_t stopSignal = 0;

void stopBetweenFiles(int signal) { stopSignal = signal; }

}  // namespace

bool errorsGoToATerminal() { return ::isatty(STDERR_FILENO) != 0; }

void showOutputAsUtf8() {}

void catchInterrupts()
{
    struct sigaction action {};
    action.sa_handler = stopBetweenFiles;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
}

bool interrupted() { return stopSignal != 0; }

void endByInterrupt()
{
    // By the signal itself, so that the shell sees how the program ended.
    std::signal(stopSignal, SIG_DFL);
    std::raise(stopSignal);
    std::abort();
}

}  // namespace cli
