// Forwards the engine's file calls to the operating system.
#include "engine/files/file_calls.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string_view>

namespace engine {

int FileCalls::open(const char* path, int flags, mode_t mode) { return ::open(path, flags, mode); }
int FileCalls::close(int fd) { return ::close(fd); }
int FileCalls::fstat(int fd, struct stat* status) { return ::fstat(fd, status); }
int FileCalls::lstat(const char* path, struct stat* status) { return ::lstat(path, status); }
int FileCalls::stat(const char* path, struct stat* status) { return ::stat(path, status); }
int FileCalls::access(const char* path, int mode) { return ::access(path, mode); }
ssize_t FileCalls::readlink(const char* path, char* buffer, std::size_t size) { return ::readlink(path, buffer, size); }
ssize_t FileCalls::read(int fd, void* buffer, std::size_t size) { return ::read(fd, buffer, size); }
ssize_t FileCalls::write(int fd, const void* buffer, std::size_t size) { return ::write(fd, buffer, size); }
int FileCalls::fsync(int fd) { return ::fsync(fd); }
int FileCalls::syncfs(int fd) { return ::syncfs(fd); }
int FileCalls::fchmod(int fd, mode_t mode) { return ::fchmod(fd, mode); }
int FileCalls::flock(int fd, int operation) { return ::flock(fd, operation); }
int FileCalls::rename(const char* from, const char* to) { return ::rename(from, to); }
int FileCalls::renameNoReplace(const char* from, const char* to)
{
    return ::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE);
}
int FileCalls::link(const char* existing, const char* name) { return ::link(existing, name); }
int FileCalls::mkdir(const char* path, mode_t mode) { return ::mkdir(path, mode); }
int FileCalls::unlink(const char* path) { return ::unlink(path); }

int FileCalls::listFolder(const char* path, const std::function<void(const char* name, unsigned char type)>& each)
{
    DIR* folder = ::opendir(path);
    if (folder == nullptr) return -1;
    for (errno = 0; const dirent* entry = ::readdir(folder); errno = 0) {
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..") each(entry->d_name, entry->d_type);
    }
    // readdir tells its end from its failure only by errno.
    const int readError = errno;
    ::closedir(folder);
    errno = readError;
    return readError == 0 ? 0 : -1;
}

FileCalls& systemFileCalls()
{
    static FileCalls calls;
    return calls;
}

}  // namespace engine
