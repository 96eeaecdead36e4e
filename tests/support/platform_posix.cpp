// The POSIX side of platform.h: fork and exec with pipes, signals and named pipes.
#include "platform.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

namespace platform {

const bool OnWindows = false;

Finished run(const std::vector<std::string>& command, const std::string& folder, const std::string& input,
             const std::function<void(long id)>& whileRunning)
{
    // A program that stops reading its input must end this write, not the tests.
    ::signal(SIGPIPE, SIG_IGN);
    int in[2], out[2], err[2];
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) return {};
    std::vector<char*> argv;
    for (const std::string& argument : command) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {  // calls safe in a child of a program with threads alone, until exec
        ::signal(SIGPIPE, SIG_DFL);
        if (::dup2(in[0], 0) == 0 && ::dup2(out[1], 1) == 1 && ::dup2(err[1], 2) == 2 && ::chdir(folder.c_str()) == 0)
            ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    for (const int childs : {in[0], out[1], err[1]}) ::close(childs);
    Finished finished;
    std::thread watcher([&] { if (pid > 0 && whileRunning) whileRunning(pid); });
    // Input and output go at once, so that neither side waits on a full pipe; poll passes over a shut one.
    const auto shut = [](pollfd& pipe) { ::close(pipe.fd); pipe.fd = -1; };
    pollfd pipes[] = {{in[1], POLLOUT, 0}, {out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    std::string* into[] = {nullptr, &finished.out, &finished.err};
    ::fcntl(in[1], F_SETFL, O_NONBLOCK);
    std::size_t fed = 0;
    if (input.empty()) shut(pipes[0]);
    while (pipes[0].fd >= 0 || pipes[1].fd >= 0 || pipes[2].fd >= 0) {
        if (::poll(pipes, 3, -1) <= 0) continue;
        if (pipes[0].revents != 0) {
            const ssize_t n = ::write(pipes[0].fd, input.data() + fed, input.size() - fed);
            if (n > 0) fed += static_cast<std::size_t>(n);
            if ((n < 0 && errno != EAGAIN) || fed == input.size()) shut(pipes[0]);
        }
        for (const int i : {1, 2}) {
            char buffer[65536];
            const ssize_t got = pipes[i].revents != 0 ? ::read(pipes[i].fd, buffer, sizeof buffer) : -2;
            if (got > 0) into[i]->append(buffer, static_cast<std::size_t>(got));
            else if (got == 0 || (got == -1 && errno != EINTR)) shut(pipes[i]);
        }
    }
    watcher.join();
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid) return finished;
    finished.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    finished.signalled = WIFSIGNALED(status);
    return finished;
}

bool stop(long id, bool interrupt) { return ::kill(static_cast<pid_t>(id), interrupt ? SIGTERM : SIGKILL) == 0; }

bool makePipe(const std::string& path) { return ::mkfifo(path.c_str(), 0600) == 0; }

}  // namespace platform
