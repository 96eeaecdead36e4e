// The real system calls, safe from several threads, except that chosen calls fail as a full disk would.
#pragma once

#include "engine/files/file_calls.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <functional>
#include <utility>
#include <vector>

class FaultyCalls : public engine::FileCalls {
public:
    enum Call { Lstat, Access, Create, Fstat, Read, Write, Fsync, FolderFsync, Syncfs, Flock, Rename, NoReplaceRename, Link, CallKinds };
    // Instead of an errno value, a read or write may take nothing; a write may take only a few bytes.
    static constexpr int Nothing = -1, Short = -2;
    static constexpr int WriteSteps = 4;  // writes take at most 1024 bytes: a record takes this many
    static constexpr int Every = -1;
    struct Fault { Call call; int at; int error; };  // at: the how-manieth call of its kind, from 0, or Every

    // Runs once, at the first call that may put a file at a name: a file appearing there just then.
    std::function<void()> beforePlacing;

    void arm(std::vector<Fault> faults) { faults_ = std::move(faults); for (std::atomic<int>& count : counts_) count = 0; }
    bool allClosed() const { return openFiles_ == 0; }  // every descriptor handed out is closed, and only once

    int lstat(const char* path, struct stat* status) override { return fails(Lstat) ? -1 : FileCalls::lstat(path, status); }
    int access(const char* path, int mode) override { return fails(Access) ? -1 : FileCalls::access(path, mode); }
    int open(const char* path, int flags, mode_t mode) override
    {
        const int fd = (flags & O_CREAT) != 0 && fails(Create) ? -1 : FileCalls::open(path, flags, mode);
        if (fd >= 0) ++openFiles_;
        return fd;
    }
    int fstat(int fd, struct stat* status) override { return fails(Fstat) ? -1 : FileCalls::fstat(fd, status); }
    ssize_t read(int fd, void* buffer, std::size_t size) override
    {
        const int error = fault(Read);
        return error == 0 ? FileCalls::read(fd, buffer, size) : error == Nothing ? 0 : -1;
    }
    ssize_t write(int fd, const void* buffer, std::size_t size) override
    {
        const int error = fault(Write);
        if (error > 0 || error == Nothing) return error > 0 ? -1 : 0;
        return FileCalls::write(fd, buffer, error == Short ? 7 : std::min<std::size_t>(size, 1024));
    }
    // A folder's flush is told apart from a file's.
    int fsync(int fd) override
    {
        struct stat status {};
        const bool folder = FileCalls::fstat(fd, &status) == 0 && S_ISDIR(status.st_mode);
        return fails(folder ? FolderFsync : Fsync) ? -1 : FileCalls::fsync(fd);
    }
    int syncfs(int fd) override { return fails(Syncfs) ? -1 : FileCalls::syncfs(fd); }
    int flock(int fd, int operation) override { return fails(Flock) ? -1 : FileCalls::flock(fd, operation); }
    int rename(const char* from, const char* to) override { return fails(Rename) ? -1 : FileCalls::rename(from, to); }
    int renameNoReplace(const char* from, const char* to) override
    {
        return fails(NoReplaceRename) ? -1 : FileCalls::renameNoReplace(from, to);
    }
    int link(const char* existing, const char* name) override { return fails(Link) ? -1 : FileCalls::link(existing, name); }
    int close(int fd) override { --openFiles_; return FileCalls::close(fd); }

private:
    int fault(Call call)
    {
        if (call >= Rename && beforePlacing) std::exchange(beforePlacing, {})();  // Rename, NoReplaceRename, Link
        const int index = counts_[call]++;
        for (const Fault& f : faults_)
            if (f.call == call && (f.at == index || f.at == Every)) {
                if (f.error > 0) errno = f.error;
                return f.error;
            }
        return 0;
    }
    bool fails(Call call) { return fault(call) != 0; }

    std::vector<Fault> faults_;
    std::array<std::atomic<int>, CallKinds> counts_{};
    std::atomic<int> openFiles_ = 0;
};
