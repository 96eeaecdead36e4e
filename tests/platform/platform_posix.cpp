// The POSIX side of platform.h: fork and exec, signals and named pipes.
#include "platform.h"

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

namespace platform {

const bool OnWindows = false;

Finished run(const std::vector<std::string>& command, const std::string& folder, const std::string& input,
             const std::function<void(long id)>& whileRunning)
{
    // The standard streams are unnamed files, which no side waits on as it would on a full pipe.
    std::FILE* streams[] = {std::tmpfile(), std::tmpfile(), std::tmpfile()};
    std::fwrite(input.data(), 1, input.size(), streams[0]);
    std::fflush(streams[0]);
    std::vector<char*> argv;
    for (const std::string& argument : command) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {  // calls safe in a child of a program with threads alone, until exec
        for (int fd = 0; fd < 3; ++fd) ::dup2(::fileno(streams[fd]), fd);
        if (::lseek(0, 0, SEEK_SET) == 0 && ::chdir(folder.c_str()) == 0) ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    if (pid > 0 && whileRunning) whileRunning(pid);
    Finished finished;
    int status = 0;
    if (pid > 0 && ::waitpid(pid, &status, 0) == pid) {
        finished.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        finished.signalled = WIFSIGNALED(status);
    }
    for (std::string* into : {&finished.out, &finished.err}) {
        std::FILE* stream = streams[into == &finished.out ? 1 : 2];
        std::rewind(stream);
        for (int c; (c = std::getc(stream)) != EOF;) *into += static_cast<char>(c);
    }
    for (std::FILE* stream : streams) std::fclose(stream);
    return finished;
}

bool stop(long id, bool interrupt) { return ::kill(static_cast<pid_t>(id), interrupt ? SIGTERM : SIGKILL) == 0; }

bool makePipe(const std::string& path) { return ::mkfifo(path.c_str(), 0600) == 0; }

}  // namespace platform
