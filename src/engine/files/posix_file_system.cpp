// The file operations of a conversion on POSIX systems, through the system calls of a FileCalls.
#include "engine/files/posix_file_system.h"

#include "engine/files/posix_errors.h"
#include "engine/files/posix_temporary_file.h"
#include "engine/files/temporary_names.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>

namespace engine {
namespace {

// Descriptors left for everything else a run opens: the source being read, folders, the libraries'.
constexpr std::size_t DescriptorsForTheRest = 32;

FileStatus statusOf(const struct stat& status)
{
    const FileStatus::Kind kind = S_ISREG(status.st_mode)   ? FileStatus::File
                                  : S_ISDIR(status.st_mode) ? FileStatus::Folder
                                                            : FileStatus::Other;
    return {kind, {static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino)},
            static_cast<long long>(status.st_size)};
}

bool isFolder(FileCalls& calls, const std::string& path)
{
    struct stat status {};
    return calls.stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

// A missing file in an existing folder is "file not found"; a missing folder is "path not found".
FileError missingFileError(FileCalls& calls, const std::string& path)
{
    return isFolder(calls, splitPath(path).folder) ? FileError{FileErrorNumber::FileNotFound}
                                                   : FileError{FileErrorNumber::PathNotFound};
}

// A link in a shared sticky folder such as /tmp that belongs neither to the folder's owner nor to
// the user may have been put there to redirect the save onto another file; the system refuses to
// follow such links when it opens a file, and so does the save.
bool plantedByAnother(FileCalls& calls, const std::string& linkPath, const struct stat& link)
{
    struct stat folder {};
    if (calls.stat(splitPath(linkPath).folder.c_str(), &folder) != 0) return false;
    const bool shared = (folder.st_mode & S_ISVTX) != 0 && (folder.st_mode & S_IWOTH) != 0;
    return shared && link.st_uid != folder.st_uid && link.st_uid != ::geteuid();
}

}  // namespace

SplitPath splitPath(const std::string& path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return {".", path};
    return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

bool isPathSeparator(char c) { return c == '/'; }

char pathSeparator() { return '/'; }

std::variant<FileHead, FileError> PosixFileSystem::readHead(const std::string& path, std::size_t most)
{
    if (unusableName(path)) return FileError{FileErrorNumber::PathFileAccessError};
    // Non-blocking, so that naming a pipe cannot hang the program before it is refused below.
    const int fd = calls_.open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0);
    if (fd < 0) return errno == ENOENT ? missingFileError(calls_, path) : lastFileError();
    OpenFile file(calls_, fd);
    struct stat status {};
    if (calls_.fstat(fd, &status) != 0) return lastFileError();
    if (!S_ISREG(status.st_mode)) return FileError{FileErrorNumber::PathFileAccessError};
    FileHead head;
    head.length = status.st_size;
    head.bytes.resize(std::min<std::size_t>(most, static_cast<std::size_t>(status.st_size)));
    for (std::size_t got = 0; got < head.bytes.size();) {
        const ssize_t read = calls_.read(fd, head.bytes.data() + got, head.bytes.size() - got);
        if (read < 0 && errno == EINTR) continue;
        if (read < 0) return lastFileError();
        if (read == 0) {  // shrank while being read: it is as long as what could be read
            head.bytes.resize(got);
            head.length = static_cast<long long>(got);
        }
        got += static_cast<std::size_t>(read);
    }
    return head;
}

std::variant<std::string, FileError> PosixFileSystem::readWhole(const std::string& path)
{
    if (unusableName(path)) return FileError{FileErrorNumber::PathFileAccessError};
    // Blocking: a pipe is read as its writer writes, to the end.
    const int fd = calls_.open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY, 0);
    if (fd < 0) return errno == ENOENT ? missingFileError(calls_, path) : lastFileError();
    OpenFile file(calls_, fd);
    struct stat status {};
    if (calls_.fstat(fd, &status) != 0) return lastFileError();
    if (S_ISDIR(status.st_mode)) return FileError{FileErrorNumber::PathFileAccessError};
    std::string bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t read = calls_.read(fd, buffer, sizeof buffer);
        if (read < 0 && errno == EINTR) continue;
        if (read < 0) return lastFileError();
        if (read == 0) return bytes;
        bytes.append(buffer, static_cast<std::size_t>(read));
    }
}

FileStatus PosixFileSystem::status(const std::string& path)
{
    struct stat atPath {};
    if (unusableName(path) || calls_.lstat(path.c_str(), &atPath) != 0) return {};
    if (!S_ISLNK(atPath.st_mode)) return statusOf(atPath);
    struct stat linked {};
    // A link that leads nowhere is still something the user put there.
    if (calls_.stat(path.c_str(), &linked) != 0) return {FileStatus::Other, {}, 0};
    return statusOf(linked);
}

// Follows symbolic links at the end of the path, as opening the file for writing would.
std::variant<ResolvedTarget, FileError> PosixFileSystem::resolveTarget(const std::string& original)
{
    if (unusableName(original)) return FileError{FileErrorNumber::PathFileAccessError};
    std::string path = original;
    constexpr int MaxLinkHops = 40;
    struct stat status {};
    for (int hop = 0;; ++hop) {
        if (calls_.lstat(path.c_str(), &status) != 0) {
            if (errno != ENOENT) return lastFileError();
            if (splitPath(path).name.empty()) return FileError{FileErrorNumber::PathFileAccessError};
            return ResolvedTarget{path, {}, 0};
        }
        if (!S_ISLNK(status.st_mode)) break;
        if (hop == MaxLinkHops) return FileError{FileErrorNumber::PathFileAccessError};
        if (plantedByAnother(calls_, path, status)) return FileError{FileErrorNumber::PermissionDenied};
        char link[PATH_MAX];
        const ssize_t length = calls_.readlink(path.c_str(), link, sizeof link);
        if (length < 0) return lastFileError();
        if (static_cast<std::size_t>(length) == sizeof link) return FileError{FileErrorNumber::BadFileName};
        std::string linked(link, static_cast<std::size_t>(length));
        path = linked.starts_with('/') ? linked : splitPath(path).folder + '/' + linked;
    }
    if (splitPath(path).name.empty() || !S_ISREG(status.st_mode)) return FileError{FileErrorNumber::PathFileAccessError};
    // A file the user made read-only is not replaced behind their back.
    if (calls_.access(path.c_str(), W_OK) != 0) return lastFileError();
    // The replacement keeps the permissions users gave the file it replaces.
    return ResolvedTarget{path, statusOf(status), static_cast<std::uint32_t>(status.st_mode & 07777)};
}

std::optional<FileError> PosixFileSystem::mayCreateIn(const std::string& folder)
{
    if (!isFolder(calls_, folder)) return FileError{FileErrorNumber::PathNotFound};
    if (calls_.access(folder.c_str(), W_OK | X_OK) != 0) return lastFileError();
    return std::nullopt;
}

std::variant<std::unique_ptr<TemporaryFile>, FileError> PosixFileSystem::createBeside(const ResolvedTarget& target)
{
    const SplitPath where = splitPath(target.path);
    constexpr int NameAttempts = 100;
    for (int attempt = 0; attempt < NameAttempts; ++attempt) {
        std::string path = temporaryPathFor(where.folder + '/', where.name);
        const int fd = calls_.open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return lastFileError();
        }
        const auto drop = [&](bool unlink) {
            const int savedErrno = errno;
            calls_.close(fd);
            if (unlink) calls_.unlink(path.c_str());
            errno = savedErrno;
        };
        // The lock tells other runs that the file is alive. Where the file system has no locks the
        // file goes on without one, and no run ever removes it as a leftover.
        if (calls_.flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
            drop(true);  // another run is removing it as a leftover
            continue;
        }
        struct stat status {};
        if (calls_.fstat(fd, &status) != 0) {
            drop(true);
            return lastFileError();
        }
        // Removed as a leftover between its making and its lock: the name is no longer this file's.
        if (status.st_nlink == 0) {
            drop(false);
            continue;
        }
        // Where the file system cannot set the permissions the file still holds the right data, so
        // that is no reason to fail.
        if (target.existing.kind == FileStatus::File) calls_.fchmod(fd, static_cast<mode_t>(target.permissions));
        return std::make_unique<PosixTemporaryFile>(*this, calls_, fd, status, std::move(path), target.path);
    }
    return FileError{FileErrorNumber::PathFileAccessError};
}

std::optional<FileError> PosixFileSystem::makeFolder(const std::string& folder)
{
    if (calls_.mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST) return lastFileError();
    return std::nullopt;
}

std::optional<FileError> PosixFileSystem::flushFolder(const std::string& folder)
{
    const int fd = calls_.open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
    if (fd < 0) return lastFileError();
    OpenFile file(calls_, fd);
    // A file system that cannot flush a folder (EINVAL) keeps its names without being asked.
    if (calls_.fsync(fd) != 0 && errno != EINVAL) return lastFileError();
    return std::nullopt;
}

void PosixFileSystem::flushDevicesOf(std::span<TemporaryFile* const> files)
{
    std::vector<dev_t> flushed;
    for (TemporaryFile* file : files) {
        const auto& posix = static_cast<const PosixTemporaryFile&>(*file);  // made by createBeside
        if (std::ranges::find(flushed, posix.device()) != flushed.end()) continue;
        flushed.push_back(posix.device());
        calls_.syncfs(posix.descriptor());
    }
}

void PosixFileSystem::removeLeftovers(const std::string& folder)
{
    calls_.listFolder(folder.c_str(), [&](const char* name, unsigned char) {
        if (!isTemporaryName(name)) return;
        const std::string path = folder + '/' + name;
        const int fd = calls_.open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0);
        if (fd < 0) return;
        OpenFile file(calls_, fd);
        struct stat held {}, named {};
        // Only a file no running save holds (its lock is free) and that the name still gives: a save
        // may have put the file found here in place meanwhile, where it is a target now.
        if (calls_.flock(fd, LOCK_EX | LOCK_NB) == 0 && calls_.fstat(fd, &held) == 0 && S_ISREG(held.st_mode)
            && calls_.lstat(path.c_str(), &named) == 0 && named.st_dev == held.st_dev && named.st_ino == held.st_ino)
            calls_.unlink(path.c_str());
    });
}

std::optional<FileError> PosixFileSystem::listFolder(const std::string& folder,
                                                     const std::function<void(const FolderEntry&)>& each)
{
    const int listed = calls_.listFolder(folder.c_str(), [&](const char* name, unsigned char type) {
        const std::string path = folder + '/' + name;
        struct stat status {};
        // Some file systems do not tell the kind of an entry while listing a folder.
        if (type == DT_UNKNOWN && calls_.lstat(path.c_str(), &status) == 0)
            type = S_ISDIR(status.st_mode) ? DT_DIR : S_ISLNK(status.st_mode) ? DT_LNK : DT_REG;
        FolderEntry::Kind kind = type == DT_DIR ? FolderEntry::Folder : FolderEntry::File;
        // A link to a file counts as the file; a link to a folder is told apart, and not followed.
        if (type == DT_LNK && calls_.stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode))
            kind = FolderEntry::FolderLink;
        each({name, kind});
    });
    if (listed != 0) return lastFileError();
    return std::nullopt;
}

std::string PosixFileSystem::absolutePath(const std::string& path)
{
    if (path.starts_with('/')) return path;
    std::call_once(currentFolderAsked_, [this] {
        std::error_code error;
        currentFolder_ = std::filesystem::current_path(error).string();
    });
    if (currentFolder_.empty()) return path;
    return (std::filesystem::path(currentFolder_) / path).string();
}

// POSIX names are bytes, told apart by case: only "." and ".." make another spelling of a path.
std::string PosixFileSystem::nameKey(const std::string& absolutePath)
{
    return std::filesystem::path(absolutePath).lexically_normal().string();
}

std::size_t PosixFileSystem::filesHeldAtOnce()
{
    struct rlimit limit {};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) return 1;
    // The more files may wait, the fewer the flushes: as many as the system lets this process open.
    if (limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        if (::setrlimit(RLIMIT_NOFILE, &limit) != 0) ::getrlimit(RLIMIT_NOFILE, &limit);
    }
    if (limit.rlim_cur == RLIM_INFINITY) return SIZE_MAX;
    std::size_t open = 0;
    std::error_code error;
    for (auto it = std::filesystem::directory_iterator("/proc/self/fd", error); !error && it != decltype(it)();
         it.increment(error))
        ++open;
    const std::size_t usable = static_cast<std::size_t>(limit.rlim_cur), taken = open + DescriptorsForTheRest;
    return usable > taken ? usable - taken : 1;
}

PosixFileSystem::NoReplace PosixFileSystem::noReplaceOn(dev_t device)
{
    const std::lock_guard lock(learnt_);
    for (const auto& [known, method] : noReplace_)
        if (known == device) return method;
    return NoReplace::Rename;
}

void PosixFileSystem::refusedOn(dev_t device, NoReplace next)
{
    const std::lock_guard lock(learnt_);
    for (auto& [known, method] : noReplace_)
        if (known == device) return void(method = next);
    noReplace_.emplace_back(device, next);
}

FileSystem& systemFileSystem()
{
    static PosixFileSystem files;
    return files;
}

}  // namespace engine
