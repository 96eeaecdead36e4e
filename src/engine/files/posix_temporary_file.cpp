// A new file on POSIX systems: written beside its target under a lock, put in place by a rename.
#include "engine/files/posix_temporary_file.h"

#include "engine/files/posix_errors.h"

#include <fcntl.h>
#include <sys/file.h>

#include <cerrno>
#include <utility>

namespace engine {

PosixTemporaryFile::~PosixTemporaryFile()
{
    if (fd_ >= 0) calls_.close(fd_);
    if (!path_.empty()) calls_.unlink(path_.c_str());
}

std::optional<FileError> PosixTemporaryFile::write(std::span<const std::uint8_t> bytes)
{
    while (!bytes.empty()) {
        const ssize_t written = calls_.write(fd_, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return lastFileError();
        }
        // A write that takes nothing means the device has no room left.
        if (written == 0) return FileError{FileErrorNumber::DiskFull};
        bytes = bytes.subspan(static_cast<std::size_t>(written));
    }
    return std::nullopt;
}

std::optional<FileError> PosixTemporaryFile::flush()
{
    if (calls_.fsync(fd_) != 0) return lastFileError();
    return std::nullopt;
}

TemporaryFile::Commit PosixTemporaryFile::commit(Replacing replacing, std::optional<FileError>& error)
{
    // Put in place while still open and locked, so that no other run takes it for a leftover.
    const Commit commit = replacing == Replacing::Allowed
                              ? (calls_.rename(path_.c_str(), target_.c_str()) == 0 ? Commit::Done : Commit::Failed)
                              : placeWithoutReplacing();
    if (commit == Commit::NameTaken) return commit;
    if (commit == Commit::Failed) {
        error = lastFileError();
        calls_.close(std::exchange(fd_, -1));
        calls_.unlink(std::exchange(path_, {}).c_str());
        return commit;
    }
    path_.clear();
    // The data is on the disk already; a failing close cannot take it back.
    calls_.close(std::exchange(fd_, -1));
    return commit;
}

// Leaves errno telling why when it fails.
TemporaryFile::Commit PosixTemporaryFile::placeWithoutReplacing()
{
    const char *from = path_.c_str(), *to = target_.c_str();
    using NoReplace = PosixFileSystem::NoReplace;
    NoReplace method = files_.noReplaceOn(device_);
    if (method == NoReplace::Rename) {
        if (calls_.renameNoReplace(from, to) == 0) return Commit::Done;
        if (errno == EEXIST) return Commit::NameTaken;
        if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) return Commit::Failed;
        files_.refusedOn(device_, method = NoReplace::Link);
    }
    if (method == NoReplace::Link) {
        if (calls_.link(from, to) == 0) {
            // Should the temporary name stay, it is a leftover the next run removes; the file is in place.
            calls_.unlink(from);
            return Commit::Done;
        }
        if (errno == EEXIST) return Commit::NameTaken;
        if (errno != EPERM && errno != EOPNOTSUPP && errno != ENOSYS) return Commit::Failed;
        files_.refusedOn(device_, NoReplace::ExclusiveCreate);
    }
    // A file system with neither (FAT) still creates a name only when it is free: the empty file made
    // so claims the name, and the rename then replaces only it. A crash between the two leaves that
    // empty file at the target, which the next run takes for an existing target, and the temporary,
    // which it removes.
    const int claimed = calls_.open(to, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
    if (claimed < 0) return errno == EEXIST ? Commit::NameTaken : Commit::Failed;
    calls_.close(claimed);
    if (calls_.rename(from, to) == 0) return Commit::Done;
    const int savedErrno = errno;
    calls_.unlink(to);
    errno = savedErrno;
    return Commit::Failed;
}

}  // namespace engine
