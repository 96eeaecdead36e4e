// The system calls behind every file the engine reads or writes; tests replace single calls to
// make them fail the way a full disk, a broken device or a vanishing folder would.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <functional>

namespace engine {

// POSIX semantics: a failing call returns -1 and leaves its reason in errno. Calls may come from
// several threads at once.
class FileCalls {
public:
    virtual ~FileCalls() = default;
    virtual int open(const char* path, int flags, mode_t mode);
    virtual int close(int fd);
    virtual int fstat(int fd, struct stat* status);
    virtual int lstat(const char* path, struct stat* status);
    virtual int stat(const char* path, struct stat* status);
    virtual int access(const char* path, int mode);
    virtual ssize_t readlink(const char* path, char* buffer, std::size_t size);
    virtual ssize_t read(int fd, void* buffer, std::size_t size);
    virtual ssize_t write(int fd, const void* buffer, std::size_t size);
    virtual int fsync(int fd);
    virtual int syncfs(int fd);
    virtual int fchmod(int fd, mode_t mode);
    virtual int flock(int fd, int operation);
    virtual int rename(const char* from, const char* to);
    // Renames only while no file has the name to: otherwise fails with EEXIST, atomically. A file
    // system that cannot promise that fails with EINVAL (or ENOSYS, EOPNOTSUPP) and renames nothing.
    virtual int renameNoReplace(const char* from, const char* to);
    virtual int link(const char* existing, const char* name);
    virtual int mkdir(const char* path, mode_t mode);
    virtual int unlink(const char* path);
    // Calls each with every name in a folder but "." and "..", one at a time, so that a huge folder
    // costs no memory, and the entry's kind where the file system tells it (DT_DIR, DT_LNK, ...;
    // DT_UNKNOWN where it does not).
    virtual int listFolder(const char* path, const std::function<void(const char* name, unsigned char type)>& each);
};

// The calls of the running system, shared by everyone who needs no fault of their own.
FileCalls& systemFileCalls();

}  // namespace engine
