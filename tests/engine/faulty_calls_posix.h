// The real system calls, safe from several threads, except that planted faults answer as a full disk,
// a broken device or a refused rename would, in errno values.
#pragma once

#include "engine/files/file_calls.h"
#include "engine/files/posix_file_system.h"
#include "file_faults.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <string>

class FaultyCalls : public engine::FileCalls, public faults::Plan {
public:
    using FileSystem = engine::PosixFileSystem;

    void markEntry(const std::string&, faults::ReparseKind) {}  // no reparse points here
    static bool hidden(const std::string& path) { return path.substr(path.find_last_of('/') + 1).starts_with('.'); }

    int lstat(const char* path, struct stat* status) override
    {
        given(path);
        return fails(faults::Status) ? -1 : FileCalls::lstat(path, status);
    }
    int access(const char* path, int mode) override { return fails(faults::MayWrite) ? -1 : FileCalls::access(path, mode); }
    int open(const char* path, int flags, mode_t mode) override
    {
        const bool failing = (flags & O_CREAT) != 0 ? fails(faults::Create) : (flags & O_DIRECTORY) == 0 && fails(faults::Open);
        const int fd = failing ? -1 : FileCalls::open(path, flags, mode);
        if (fd >= 0) opened();
        return fd;
    }
    int fstat(int fd, struct stat* status) override { return fails(faults::Fstat) ? -1 : FileCalls::fstat(fd, status); }
    ssize_t read(int fd, void* buffer, std::size_t size) override
    {
        const auto answer = fault(faults::Read);
        if (!answer) return FileCalls::read(fd, buffer, size);
        return *answer == faults::Nothing ? 0 : fail(*answer);
    }
    ssize_t write(int fd, const void* buffer, std::size_t size) override
    {
        const auto answer = fault(faults::Write);
        if (answer && *answer != faults::Short) return *answer == faults::Nothing ? 0 : fail(*answer);
        return FileCalls::write(fd, buffer, answer ? 7 : std::min<std::size_t>(size, 1024));
    }
    // A folder's flush is told apart from a file's: it puts names on the disk.
    int fsync(int fd) override
    {
        struct stat status {};
        const bool folder = FileCalls::fstat(fd, &status) == 0 && S_ISDIR(status.st_mode);
        return fails(folder ? faults::NameFlush : faults::Flush) ? -1 : FileCalls::fsync(fd);
    }
    int syncfs(int fd) override { return fails(faults::DeviceFlush) ? -1 : FileCalls::syncfs(fd); }
    int flock(int fd, int operation) override
    {
        if (fails(faults::Lock)) return -1;
        const int locked = FileCalls::flock(fd, operation);
        if (locked == 0) runOnce(afterLock);
        return locked;
    }
    int rename(const char* from, const char* to) override { return fails(faults::Rename) ? -1 : FileCalls::rename(from, to); }
    int renameNoReplace(const char* from, const char* to) override
    {
        return fails(faults::NoReplaceRename) ? -1 : FileCalls::renameNoReplace(from, to);
    }
    int link(const char* existing, const char* name) override { return fails(faults::Link) ? -1 : FileCalls::link(existing, name); }
    int close(int fd) override
    {
        closed();
        return FileCalls::close(fd);
    }
    // A failing listing gives its first entry, then fails.
    int listFolder(const char* path, const std::function<void(const char* name, unsigned char type)>& each) override
    {
        const auto answer = fault(faults::List);
        if (!answer) return FileCalls::listFolder(path, each);
        bool given = false;
        const int listed = FileCalls::listFolder(path, [&](const char* name, unsigned char type) { if (!std::exchange(given, true)) each(name, type); });
        return listed != 0 ? listed : fail(*answer);
    }

private:
    static int errnoFor(faults::Answer answer)
    {
        using enum faults::Answer;
        switch (answer) {
        case Denied: return EACCES;             case ReadOnlyMedium: return EROFS;     case NameExists: return EEXIST;
        case TooManyOpen: return EMFILE;         case NameTooLong: return ENAMETOOLONG; case NotSupported: return EOPNOTSUPP;
        case NotPermitted: return EPERM;         case WouldBlock: return EWOULDBLOCK;   case Interrupted: return EINTR;
        case DiskFull: return ENOSPC;            case QuotaFull: return EDQUOT;         case IsFolder: return EISDIR;
        case Invalid: return EINVAL;             default: return EIO;  // a failed device, a dropped share
        }
    }
    static int fail(faults::Answer answer) { errno = errnoFor(answer); return -1; }
    void setError(faults::Answer answer) const override { errno = errnoFor(answer); }
};
