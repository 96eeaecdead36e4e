// Replaces target files as a whole or not at all, many at a time with few flushes.
#include "engine/replacement_batch.h"

#include "engine/file_paths.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <filesystem>
#include <random>
#include <string_view>
#include <thread>
#include <utility>

namespace engine {
namespace {

// More waiting files than this save no further flushes worth having and only hold descriptors.
constexpr std::size_t LargestBatch = 4096;
// Flushes sent to a device at the same time, which it merges.
constexpr unsigned FlushThreads = 64;
// Descriptors left for everything else a run opens: the source being read, folders, the libraries'.
constexpr std::size_t DescriptorsForTheRest = 32;

// Temporary files are named ".<target name>.part-XXXXXX"; only names of this form are ever removed.
constexpr std::string_view TemporaryMark = ".part-";
constexpr std::size_t RandomCharacters = 6;
constexpr char Alphabet[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";

bool isTemporaryName(std::string_view name)
{
    constexpr std::size_t tail = TemporaryMark.size() + RandomCharacters;
    if (name.size() < 2 + tail || name.front() != '.') return false;
    const std::string_view random = name.substr(name.size() - RandomCharacters);
    return name.substr(name.size() - tail, TemporaryMark.size()) == TemporaryMark
           && random.find_first_not_of(Alphabet) == std::string_view::npos;
}

// A hidden name beside the target; the target's name is cut so that a long one still leaves room.
std::string temporaryName(const SplitPath& target)
{
    constexpr std::size_t KeptNameBytes = 100;
    std::size_t kept = std::min(target.name.size(), KeptNameBytes);
    // Never cut a UTF-8 sequence in half.
    while (kept > 0 && kept < target.name.size() && (static_cast<unsigned char>(target.name[kept]) & 0xC0) == 0x80)
        --kept;
    thread_local std::mt19937 random{std::random_device{}()};
    std::uniform_int_distribution<std::size_t> pick(0, sizeof Alphabet - 2);
    std::string name = target.folder + "/." + target.name.substr(0, kept) + std::string(TemporaryMark);
    for (std::size_t i = 0; i < RandomCharacters; ++i) name += Alphabet[pick(random)];
    return name;
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

struct ResolvedTarget {
    std::string path;
    std::optional<struct stat> existing;
};

// Follows symbolic links at the end of the path, as opening the file for writing would, and checks
// that what stands there may be replaced.
std::optional<FileError> resolveTarget(FileCalls& calls, std::string path, ResolvedTarget& target)
{
    if (unusableName(path)) return FileError{FileErrorNumber::PathFileAccessError};
    constexpr int MaxLinkHops = 40;
    for (int hop = 0;; ++hop) {
        struct stat status {};
        if (calls.lstat(path.c_str(), &status) != 0) {
            if (errno != ENOENT) return lastFileError();
            target = {path, std::nullopt};
            break;
        }
        if (!S_ISLNK(status.st_mode)) {
            target = {path, status};
            break;
        }
        if (hop == MaxLinkHops) return FileError{FileErrorNumber::PathFileAccessError};
        if (plantedByAnother(calls, path, status)) return FileError{FileErrorNumber::PermissionDenied};
        char link[PATH_MAX];
        const ssize_t length = calls.readlink(path.c_str(), link, sizeof link);
        if (length < 0) return lastFileError();
        if (static_cast<std::size_t>(length) == sizeof link) return FileError{FileErrorNumber::BadFileName};
        std::string linked(link, static_cast<std::size_t>(length));
        path = linked.starts_with('/') ? linked : splitPath(path).folder + '/' + linked;
    }
    if (splitPath(target.path).name.empty()) return FileError{FileErrorNumber::PathFileAccessError};
    if (target.existing) {
        if (!S_ISREG(target.existing->st_mode)) return FileError{FileErrorNumber::PathFileAccessError};
        // A file the user made read-only is not replaced behind their back.
        if (calls.access(target.path.c_str(), W_OK) != 0) return lastFileError();
    }
    return std::nullopt;
}

std::optional<FileError> writeAll(FileCalls& calls, int fd, std::span<const std::uint8_t> bytes)
{
    while (!bytes.empty()) {
        const ssize_t written = calls.write(fd, bytes.data(), bytes.size());
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

std::uint64_t identityKey(dev_t device, ino_t inode)
{
    return static_cast<std::uint64_t>(inode) * 0x9E3779B97F4A7C15u ^ static_cast<std::uint64_t>(device);
}

std::uint64_t contentHash(std::span<const std::uint8_t> bytes)
{
    return std::hash<std::string_view>{}(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

ReplacementBatch::Outcome failedWith(FileError error) { return {ReplacementBatch::Outcome::Failed, error}; }

std::optional<FileError> flushFolder(FileCalls& calls, const std::string& folder)
{
    const int fd = calls.open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
    if (fd < 0) return lastFileError();
    OpenFile file(calls, fd);
    // A file system that cannot flush a folder (EINVAL) keeps its names without being asked.
    if (calls.fsync(fd) != 0 && errno != EINVAL) return lastFileError();
    return std::nullopt;
}

}  // namespace

ReplacementBatch::ReplacementBatch(FileCalls& calls) : ReplacementBatch(calls, Options{}) {}

ReplacementBatch::ReplacementBatch(FileCalls& calls, Options options)
    : calls_(calls), options_(options)
{
    options_.capacity = std::max<std::size_t>(options_.capacity, 1);
    options_.flushThreads = std::max(options_.flushThreads, 1u);
}

ReplacementBatch::~ReplacementBatch()
{
    for (Waiting& waiting : waiting_) abandon(waiting);
}

ReplacementBatch::Options ReplacementBatch::forManyFiles()
{
    Options options;
    options.capacity = LargestBatch;
    options.flushThreads = FlushThreads;
    struct rlimit limit {};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) return options;
    // The more files may wait, the fewer the flushes: as many as the system lets this process open.
    if (limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        if (::setrlimit(RLIMIT_NOFILE, &limit) != 0) ::getrlimit(RLIMIT_NOFILE, &limit);
    }
    if (limit.rlim_cur == RLIM_INFINITY) return options;
    std::size_t open = 0;
    std::error_code error;
    for (auto it = std::filesystem::directory_iterator("/proc/self/fd", error); !error && it != decltype(it)();
         it.increment(error))
        ++open;
    const std::size_t usable = static_cast<std::size_t>(limit.rlim_cur), taken = open + DescriptorsForTheRest;
    options.capacity = std::clamp<std::size_t>(usable > taken ? usable - taken : 1, 1, LargestBatch);
    return options;
}

std::optional<FileError> ReplacementBatch::add(const std::string& path, std::span<const std::uint8_t> bytes)
{
    if (options_.checkOnly) {
        std::optional<FileError> error = check(path);
        if (!error) results_.emplace_back();
        return error;
    }
    if (waiting_.size() >= options_.capacity) putWaitingInPlace();
    ResolvedTarget target;
    if (auto error = resolveTarget(calls_, path, target)) return error;
    if (options_.makeFolders && !target.existing)
        if (auto error = makeFolder(splitPath(target.path).folder)) return error;
    // The replacement keeps the permissions users gave the file it replaces.
    const std::optional<mode_t> mode =
        target.existing ? std::optional<mode_t>(target.existing->st_mode & 07777) : std::nullopt;
    std::optional<FileError> error = write(target.path, mode, bytes);
    // Every waiting file holds a descriptor: under a low limit on open files, put them in place and
    // try again rather than fail a file that can be saved.
    if (error && error->number == FileErrorNumber::TooManyFiles && !waiting_.empty()) {
        putWaitingInPlace();
        error = write(target.path, mode, bytes);
    }
    return error;
}

std::optional<FileError> ReplacementBatch::check(const std::string& path)
{
    ResolvedTarget target;
    if (auto error = resolveTarget(calls_, path, target)) return error;
    std::string folder = splitPath(target.path).folder;
    // A folder still to be made is made in the nearest one that exists.
    while (options_.makeFolders && !target.existing && folder != "/" && folder != "."
           && calls_.access(folder.c_str(), F_OK) != 0 && errno == ENOENT)
        folder = splitPath(folder).folder;
    if (!isFolder(calls_, folder)) return FileError{FileErrorNumber::PathNotFound};
    if (calls_.access(folder.c_str(), W_OK | X_OK) != 0) return lastFileError();
    return std::nullopt;
}

std::optional<FileError> ReplacementBatch::makeFolder(const std::string& folder)
{
    // Files of a tree come folder by folder: the last folder seen is nearly always the one asked for.
    if (folder == knownFolder_ || folder == "/" || folder == "." || isFolder(calls_, folder)) {
        knownFolder_ = folder;
        return std::nullopt;
    }
    if (auto error = makeFolder(splitPath(folder).folder)) return error;
    if (calls_.mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST) return lastFileError();
    // Its name in the folder above must reach the disk as well as the files put into it.
    madeFolders_.push_back(splitPath(folder).folder);
    knownFolder_ = folder;
    return std::nullopt;
}

std::optional<FileError> ReplacementBatch::write(const std::string& targetPath, std::optional<mode_t> mode,
                                                 std::span<const std::uint8_t> bytes)
{
    const SplitPath where = splitPath(targetPath);
    if (sweptFolders_.insert(where.folder).second) removeLeftovers(where.folder);

    constexpr int NameAttempts = 100;
    for (int attempt = 0; attempt < NameAttempts; ++attempt) {
        Waiting file{-1, 0, temporaryName(where), targetPath, results_.size(), std::nullopt, 0, bytes.size(), 0};
        file.fd = calls_.open(file.temporaryPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
        if (file.fd < 0) {
            if (errno == EEXIST) continue;
            return lastFileError();
        }
        // The lock tells other runs that the file is alive. Where the file system has no locks the
        // file goes on without one, and no run ever removes it as a leftover.
        if (calls_.flock(file.fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
            abandon(file);  // another run is removing it as a leftover
            continue;
        }
        struct stat status {};
        if (calls_.fstat(file.fd, &status) != 0) {
            const FileError error = lastFileError();
            abandon(file);
            return error;
        }
        // Removed as a leftover between its making and its lock.
        if (status.st_nlink == 0) {
            calls_.close(file.fd);
            continue;
        }
        file.device = status.st_dev;
        file.inode = status.st_ino;
        file.contentHash = contentHash(bytes);
        // Where the file system cannot set the permissions the file still holds the right data, so
        // that is no reason to fail.
        if (mode) calls_.fchmod(file.fd, *mode);
        if (auto error = writeAll(calls_, file.fd, bytes)) {
            abandon(file);
            return error;
        }
        results_.emplace_back();
        waiting_.push_back(std::move(file));
        return std::nullopt;
    }
    return FileError{FileErrorNumber::PathFileAccessError};
}

std::vector<ReplacementBatch::Outcome> ReplacementBatch::commit()
{
    putWaitingInPlace();
    return std::exchange(results_, {});
}

void ReplacementBatch::flushFiles()
{
    if (waiting_.empty()) return;
    // A file system flush writes everything at once, so that the files' own flushes below find little
    // left to do; it proves nothing by itself (some file systems report success without writing), so
    // its result is not looked at. Alone, a file needs only its own flush.
    if (waiting_.size() > 1) {
        std::vector<dev_t> flushed;
        for (const Waiting& file : waiting_) {
            if (std::ranges::find(flushed, file.device) != flushed.end()) continue;
            flushed.push_back(file.device);
            calls_.syncfs(file.fd);
        }
    }
    const auto flushEach = [this](std::atomic<std::size_t>& next) {
        for (std::size_t i; (i = next++) < waiting_.size();)
            if (calls_.fsync(waiting_[i].fd) != 0) waiting_[i].flushed = lastFileError();
    };
    std::atomic<std::size_t> next = 0;
    const std::size_t helpers = std::min<std::size_t>(options_.flushThreads, waiting_.size()) - 1;
    std::vector<std::jthread> threads;
    for (std::size_t i = 0; i < helpers; ++i) threads.emplace_back([&] { flushEach(next); });
    flushEach(next);
}

void ReplacementBatch::putWaitingInPlace()
{
    flushFiles();
    std::vector<std::string> folders = std::exchange(madeFolders_, {});
    std::vector<std::size_t> renamed;
    for (std::size_t i = 0; i < waiting_.size(); ++i) {
        Waiting& file = waiting_[i];
        // Put in place while still open and locked, so that no other run takes it for a leftover.
        const Outcome outcome = file.flushed ? failedWith(*file.flushed) : putInPlace(file);
        if (outcome.kind != Outcome::Saved) {
            results_[file.result] = outcome;
            abandon(file);
            continue;
        }
        file.temporaryPath.clear();
        placed_.insert(identityKey(file.device, file.inode));
        placed_.insert(file.contentHash);
        largestPlaced_ = std::max(largestPlaced_, file.size);
        // The data is on the disk already; a failing close cannot take it back.
        calls_.close(std::exchange(file.fd, -1));
        folders.push_back(splitPath(file.targetPath).folder);
        renamed.push_back(i);
    }
    // A file counts as saved once its new name is on the disk too: one flush per folder.
    std::ranges::sort(folders);
    folders.erase(std::unique(folders.begin(), folders.end()), folders.end());
    std::vector<std::optional<FileError>> folderResults;
    for (const std::string& folder : folders) folderResults.push_back(flushFolder(calls_, folder));
    const auto resultFor = [&](const std::string& folder) {
        return folderResults[static_cast<std::size_t>(std::ranges::lower_bound(folders, folder) - folders.begin())];
    };
    for (std::size_t i : renamed) {
        const std::string folder = splitPath(waiting_[i].targetPath).folder;
        std::optional<FileError> result = resultFor(folder);
        // A folder made for the file must have its own name on the disk as well.
        for (std::string above = folder; !result && above != "/" && above != ".";) {
            above = splitPath(above).folder;
            if (std::ranges::binary_search(folders, above)) result = resultFor(above);
        }
        results_[waiting_[i].result] = result ? failedWith(*result) : Outcome{};
    }
    waiting_.clear();
}

ReplacementBatch::Outcome ReplacementBatch::putInPlace(Waiting& file)
{
    // The name is nearly always free, and then the first call of the no-replace rename is all it takes.
    const Placing placing = placeWithoutReplacing(file);
    if (placing == Placing::Done) return {};
    if (placing == Placing::Failed) return failedWith(lastFileError());
    if (placedBefore(file.targetPath)) return {Outcome::TargetPlacedBefore, std::nullopt};
    if (!options_.replaceExisting) return {Outcome::TargetExists, std::nullopt};
    if (calls_.rename(file.temporaryPath.c_str(), file.targetPath.c_str()) != 0) return failedWith(lastFileError());
    return {};
}

// Leaves errno telling why when it fails.
ReplacementBatch::Placing ReplacementBatch::placeWithoutReplacing(Waiting& file)
{
    const char *from = file.temporaryPath.c_str(), *to = file.targetPath.c_str();
    NoReplace& method = noReplaceOn(file.device);
    if (method == NoReplace::Rename) {
        if (calls_.renameNoReplace(from, to) == 0) return Placing::Done;
        if (errno == EEXIST) return Placing::NameTaken;
        if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) return Placing::Failed;
        method = NoReplace::Link;
    }
    if (method == NoReplace::Link) {
        if (calls_.link(from, to) == 0) {
            // Should the temporary name stay, it is a leftover the next run removes; the file is in place.
            calls_.unlink(from);
            return Placing::Done;
        }
        if (errno == EEXIST) return Placing::NameTaken;
        if (errno != EPERM && errno != EOPNOTSUPP && errno != ENOSYS) return Placing::Failed;
        method = NoReplace::ExclusiveCreate;
    }
    // A file system with neither (FAT) still creates a name only when it is free: the empty file made
    // so claims the name, and the rename then replaces only it. A crash between the two leaves that
    // empty file at the target, which the next run takes for an existing target, and the temporary,
    // which it removes.
    const int claimed = calls_.open(to, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
    if (claimed < 0) return errno == EEXIST ? Placing::NameTaken : Placing::Failed;
    calls_.close(claimed);
    if (calls_.rename(from, to) == 0) return Placing::Done;
    const int savedErrno = errno;
    calls_.unlink(to);
    errno = savedErrno;
    return Placing::Failed;
}

void ReplacementBatch::KeySet::insert(std::uint64_t key)
{
    constexpr std::size_t MergedAt = 1024;  // a look-up scans at most this many keys one by one
    latest_.push_back(key);
    if (latest_.size() < MergedAt) return;
    std::ranges::sort(latest_);
    const auto middle = sorted_.insert(sorted_.end(), latest_.begin(), latest_.end());
    std::inplace_merge(sorted_.begin(), middle, sorted_.end());
    latest_.clear();
}

bool ReplacementBatch::KeySet::contains(std::uint64_t key) const
{
    return std::ranges::binary_search(sorted_, key) || std::ranges::find(latest_, key) != latest_.end();
}

ReplacementBatch::NoReplace& ReplacementBatch::noReplaceOn(dev_t device)
{
    for (auto& [known, method] : noReplace_)
        if (known == device) return method;
    return noReplace_.emplace_back(device, NoReplace::Rename).second;
}

bool ReplacementBatch::placedBefore(const std::string& path)
{
    if (placed_.empty()) return false;
    struct stat status {};
    if (calls_.stat(path.c_str(), &status) != 0) return false;
    if (placed_.contains(identityKey(status.st_dev, status.st_ino))) return true;
    // FUSE's FAT gives each name of a file an inode of its own: then only the bytes tell, and every
    // file this batch writes names its own target inside.
    if (!S_ISREG(status.st_mode) || static_cast<std::size_t>(status.st_size) > largestPlaced_) return false;
    const int fd = calls_.open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0);
    if (fd < 0) return false;
    OpenFile file(calls_, fd);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(status.st_size));
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t got = calls_.read(fd, bytes.data() + done, bytes.size() - done);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        done += static_cast<std::size_t>(got);
    }
    return placed_.contains(contentHash(bytes));
}

void ReplacementBatch::abandon(Waiting& file)
{
    // Keeps the caller's errno: it is the reason the save failed.
    const int savedErrno = errno;
    if (file.fd >= 0) calls_.close(std::exchange(file.fd, -1));
    if (!file.temporaryPath.empty()) calls_.unlink(std::exchange(file.temporaryPath, {}).c_str());
    errno = savedErrno;
}

void ReplacementBatch::removeLeftovers(const std::string& folder)
{
    calls_.listFolder(folder.c_str(), [&](const char* name) {
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

}  // namespace engine
