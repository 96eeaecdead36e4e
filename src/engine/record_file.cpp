// File access of the engine: every call goes through FileCalls and every descriptor is closed.
#include "engine/record_file.h"

#include <fcntl.h>
#include <limits.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <random>
#include <utility>
#include <vector>

namespace engine {
namespace {

// Closes a file that is only read on every way out of a routine.
class OpenFile {
public:
    OpenFile(FileCalls& calls, int fd) : calls_(calls), fd_(fd) {}
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;
    ~OpenFile()
    {
        if (fd_ >= 0) calls_.close(fd_);
    }

private:
    FileCalls& calls_;
    int fd_;
};

struct SplitPath {
    std::string folder;
    std::string name;
};

SplitPath splitPath(const std::string& path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return {".", path};
    return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

bool isFolder(FileCalls& calls, const std::string& path)
{
    struct stat status {};
    return calls.stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

FileError fromErrno() { return fileErrorFromErrno(errno); }

// The system sees a name only up to its first NUL: such a name would open or replace another file.
bool unusableName(const std::string& path) { return path.empty() || path.find('\0') != std::string::npos; }

// A missing file in an existing folder is "file not found"; a missing folder is "path not found".
FileError missingFileError(FileCalls& calls, const std::string& path)
{
    return isFolder(calls, splitPath(path).folder) ? FileError{FileErrorNumber::FileNotFound}
                                                   : FileError{FileErrorNumber::PathNotFound};
}

struct ResolvedTarget {
    std::string path;
    std::optional<struct stat> existing;
};

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

// Follows symbolic links at the end of the path, as opening the file for writing would.
std::optional<FileError> resolveTarget(FileCalls& calls, std::string path, ResolvedTarget& target)
{
    constexpr int MaxLinkHops = 40;
    for (int hop = 0;; ++hop) {
        struct stat status {};
        if (calls.lstat(path.c_str(), &status) != 0) {
            if (errno != ENOENT) return fromErrno();
            target = {path, std::nullopt};
            return std::nullopt;
        }
        if (!S_ISLNK(status.st_mode)) {
            target = {path, status};
            return std::nullopt;
        }
        if (hop == MaxLinkHops) return FileError{FileErrorNumber::PathFileAccessError};
        if (plantedByAnother(calls, path, status)) return FileError{FileErrorNumber::PermissionDenied};
        char link[PATH_MAX];
        const ssize_t length = calls.readlink(path.c_str(), link, sizeof link);
        if (length < 0) return fromErrno();
        if (static_cast<std::size_t>(length) == sizeof link) return FileError{FileErrorNumber::BadFileName};
        std::string linked(link, static_cast<std::size_t>(length));
        path = linked.starts_with('/') ? linked : splitPath(path).folder + '/' + linked;
    }
}

// A hidden name beside the target; kept short so that a long target name still leaves room.
std::string temporaryName(const SplitPath& target)
{
    constexpr std::size_t KeptNameBytes = 100;
    std::size_t kept = std::min(target.name.size(), KeptNameBytes);
    // Never cut a UTF-8 sequence in half.
    while (kept > 0 && kept < target.name.size() && (static_cast<unsigned char>(target.name[kept]) & 0xC0) == 0x80)
        --kept;
    static constexpr char Alphabet[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    thread_local std::mt19937 random{std::random_device{}()};
    std::uniform_int_distribution<std::size_t> pick(0, sizeof Alphabet - 2);
    std::string name = target.folder + "/." + target.name.substr(0, kept) + '.';
    for (int i = 0; i < 6; ++i) name += Alphabet[pick(random)];
    return name;
}

std::optional<FileError> writeAll(FileCalls& calls, int fd, std::span<const std::uint8_t> bytes)
{
    while (!bytes.empty()) {
        const ssize_t written = calls.write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return fromErrno();
        }
        // A write that takes nothing means the device has no room left.
        if (written == 0) return FileError{FileErrorNumber::DiskFull};
        bytes = bytes.subspan(static_cast<std::size_t>(written));
    }
    return std::nullopt;
}

}  // namespace

std::optional<FileError> readOldRecordBytes(FileCalls& calls, const std::string& path,
                                            std::span<std::uint8_t, records::OldRecordLength> bytes)
{
    if (unusableName(path)) return FileError{FileErrorNumber::PathFileAccessError};
    // Non-blocking, so that naming a pipe cannot hang the program before it is refused below.
    const int fd = calls.open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0);
    if (fd < 0) return errno == ENOENT ? missingFileError(calls, path) : fromErrno();
    OpenFile file(calls, fd);

    struct stat status {};
    if (calls.fstat(fd, &status) != 0) return fromErrno();
    if (!S_ISREG(status.st_mode)) return FileError{FileErrorNumber::PathFileAccessError};
    if (status.st_size > LargestOldFile) return FileError{FileErrorNumber::Overflow};

    std::span<std::uint8_t> rest = bytes;
    while (!rest.empty()) {
        const ssize_t got = calls.read(fd, rest.data(), rest.size());
        if (got < 0) {
            if (errno == EINTR) continue;
            return fromErrno();
        }
        if (got == 0) return FileError{FileErrorNumber::InputPastEndOfFile};
        rest = rest.subspan(static_cast<std::size_t>(got));
    }
    return std::nullopt;
}

std::optional<FileError> beginReplacement(FileCalls& calls, const std::string& path, std::span<const std::uint8_t> bytes,
                                          std::optional<PendingReplacement>& pending)
{
    if (unusableName(path)) return FileError{FileErrorNumber::PathFileAccessError};
    ResolvedTarget target;
    if (auto error = resolveTarget(calls, path, target)) return error;
    const SplitPath where = splitPath(target.path);
    if (where.name.empty()) return FileError{FileErrorNumber::PathFileAccessError};
    if (target.existing) {
        if (!S_ISREG(target.existing->st_mode)) return FileError{FileErrorNumber::PathFileAccessError};
        // A file the user made read-only is not replaced behind their back.
        if (calls.access(target.path.c_str(), W_OK) != 0) return fromErrno();
    }

    std::string temporaryPath;
    int fd = -1;
    constexpr int NameAttempts = 100;
    for (int attempt = 0; fd < 0 && attempt < NameAttempts; ++attempt) {
        temporaryPath = temporaryName(where);
        fd = calls.open(temporaryPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
        if (fd < 0 && errno != EEXIST) return fromErrno();
    }
    if (fd < 0) return FileError{FileErrorNumber::PathFileAccessError};

    PendingReplacement replacement(calls, fd, temporaryPath, target.path);
    // The replacement keeps the permissions users gave the file it replaces; where the file system
    // cannot set them the file still holds the right data, so that is no reason to fail.
    if (target.existing) calls.fchmod(fd, target.existing->st_mode & 07777);
    if (auto error = writeAll(calls, fd, bytes)) return error;
    pending.emplace(std::move(replacement));
    return std::nullopt;
}

PendingReplacement::PendingReplacement(FileCalls& calls, int fd, std::string temporaryPath, std::string targetPath)
    : calls_(&calls), fd_(fd), temporaryPath_(std::move(temporaryPath)), targetPath_(std::move(targetPath))
{
}

PendingReplacement::PendingReplacement(PendingReplacement&& other) noexcept
    : calls_(other.calls_), fd_(std::exchange(other.fd_, -1)), temporaryPath_(std::move(other.temporaryPath_)),
      targetPath_(std::move(other.targetPath_))
{
    other.temporaryPath_.clear();
}

PendingReplacement::~PendingReplacement() { abandon(); }

void PendingReplacement::abandon()
{
    // Keeps the caller's errno: it is the reason the save failed.
    const int savedErrno = errno;
    if (fd_ >= 0) calls_->close(std::exchange(fd_, -1));
    if (!temporaryPath_.empty()) calls_->unlink(std::exchange(temporaryPath_, {}).c_str());
    errno = savedErrno;
}

std::optional<FileError> PendingReplacement::complete()
{
    std::optional<FileError> error;
    // Always the file's own flush: a file system flush may report success without having written
    // anything (FUSE file systems do), so only this one proves the data is on the disk.
    if (calls_->fsync(fd_) != 0) {
        error = fromErrno();
    } else {
        const int closed = calls_->close(std::exchange(fd_, -1));
        // Linux releases the descriptor even when close is interrupted; the data was on disk already.
        if (closed != 0 && errno != EINTR) error = fromErrno();
        else if (calls_->rename(temporaryPath_.c_str(), targetPath_.c_str()) != 0) error = fromErrno();
        else temporaryPath_.clear();
    }
    abandon();
    return error;
}

void flushTogether(std::span<PendingReplacement> pending)
{
    // A file system flush also writes back what other programs left unwritten; only worth it when
    // it saves flushes of our own.
    if (pending.size() < 2) return;
    std::vector<dev_t> flushed;
    for (PendingReplacement& replacement : pending) {
        struct stat status {};
        if (replacement.fd_ < 0 || replacement.calls_->fstat(replacement.fd_, &status) != 0) continue;
        if (std::ranges::find(flushed, status.st_dev) != flushed.end()) continue;
        flushed.push_back(status.st_dev);
        // Only makes the files' own flushes cheap; its result proves nothing, so it is not looked at.
        replacement.calls_->syncfs(replacement.fd_);
    }
}

std::optional<FileError> flushFolderOf(FileCalls& calls, const std::string& path)
{
    const std::string folder = splitPath(path).folder;
    const int fd = calls.open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
    if (fd < 0) return fromErrno();
    OpenFile file(calls, fd);
    // A file system that cannot flush a folder (EINVAL) keeps its names without being asked.
    if (calls.fsync(fd) != 0 && errno != EINVAL) return fromErrno();
    return std::nullopt;
}

const std::string& PendingReplacement::targetPath() const { return targetPath_; }

}  // namespace engine
