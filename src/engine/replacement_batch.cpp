// Replaces target files as a whole or not at all, many at a time with few flushes.
#include "engine/replacement_batch.h"

#include <algorithm>
#include <atomic>
#include <functional>
#include <thread>
#include <utility>

namespace engine {
namespace {

// More waiting files than this save no further flushes worth having and only hold open files.
constexpr std::size_t LargestBatch = 4096;
// Flushes sent to a device at the same time, which it merges.
constexpr unsigned FlushThreads = 64;

ReplacementBatch::Outcome failedWith(FileError error) { return {ReplacementBatch::Outcome::Failed, error}; }

// Calls each with every index below count, from up to threads threads at once: a device merges flushes
// that arrive together.
void inParallel(std::size_t count, unsigned threads, const std::function<void(std::size_t)>& each)
{
    std::atomic<std::size_t> next = 0;
    const auto work = [&] {
        for (std::size_t i; (i = next++) < count;) each(i);
    };
    const std::size_t helpers = count == 0 ? 0 : std::min<std::size_t>(threads, count) - 1;
    std::vector<std::jthread> running;
    for (std::size_t i = 0; i < helpers; ++i) running.emplace_back(work);
    work();
}

}  // namespace

ReplacementBatch::ReplacementBatch(FileSystem& files) : ReplacementBatch(files, Options{}) {}

ReplacementBatch::ReplacementBatch(FileSystem& files, Options options)
    : files_(files), options_(options), clock_(options.clock ? *options.clock : systemRetryClock())
{
    options_.capacity = std::max<std::size_t>(options_.capacity, 1);
    options_.flushThreads = std::max(options_.flushThreads, 1u);
}

// The waiting files' temporaries remove themselves.
ReplacementBatch::~ReplacementBatch() = default;

ReplacementBatch::Options ReplacementBatch::forManyFiles(FileSystem& files)
{
    Options options;
    options.capacity = std::clamp<std::size_t>(files.filesHeldAtOnce(), 1, LargestBatch);
    options.flushThreads = FlushThreads;
    return options;
}

std::optional<FileError> ReplacementBatch::add(const std::string& path, std::span<const std::uint8_t> bytes)
{
    if (options_.checkOnly) {
        std::optional<FileError> error = check(path);
        if (!error) results_.push_back({Outcome::Saved, std::nullopt, added_++});
        return error;
    }
    if (waiting_.size() >= options_.capacity) putWaitingInPlace();
    auto resolved = files_.resolveTarget(path);
    if (const FileError* error = std::get_if<FileError>(&resolved)) return *error;
    const ResolvedTarget& target = std::get<ResolvedTarget>(resolved);
    const std::string folder = splitPath(target.path).folder;
    if (options_.makeFolders && target.existing.kind == FileStatus::Missing)
        if (auto error = makeFolder(folder)) return error;
    if (sweptFolders_.insert(folder).second) files_.removeLeftovers(folder);
    std::optional<FileError> error = write(target, bytes);
    // Every waiting file holds an open file: under a low limit on open files, put them in place and
    // try again rather than fail a file that can be saved.
    if (error && error->number == FileErrorNumber::TooManyFiles && !waiting_.empty()) {
        putWaitingInPlace();
        error = write(target, bytes);
    }
    return error;
}

std::optional<FileError> ReplacementBatch::check(const std::string& path)
{
    auto resolved = files_.resolveTarget(path);
    if (const FileError* error = std::get_if<FileError>(&resolved)) return *error;
    const ResolvedTarget& target = std::get<ResolvedTarget>(resolved);
    std::string folder = splitPath(target.path).folder;
    // A folder still to be made is made in the nearest one that exists.
    while (options_.makeFolders && target.existing.kind == FileStatus::Missing
           && files_.status(folder).kind == FileStatus::Missing && splitPath(folder).folder != folder)
        folder = splitPath(folder).folder;
    return files_.mayCreateIn(folder);
}

std::optional<FileError> ReplacementBatch::makeFolder(const std::string& folder)
{
    // Files of a tree come folder by folder: the last folder seen is nearly always the one asked for.
    const std::string above = splitPath(folder).folder;
    if (folder == knownFolder_ || above == folder || files_.status(folder).kind == FileStatus::Folder) {
        knownFolder_ = folder;
        return std::nullopt;
    }
    if (auto error = makeFolder(above)) return error;
    if (auto error = files_.makeFolder(folder)) return error;
    // Its name in the folder above must reach the disk as well as the files put into it.
    madeFolders_.push_back(above);
    knownFolder_ = folder;
    return std::nullopt;
}

std::optional<FileError> ReplacementBatch::write(const ResolvedTarget& target, std::span<const std::uint8_t> bytes)
{
    auto created = files_.createBeside(target);
    if (const FileError* error = std::get_if<FileError>(&created)) return *error;
    std::unique_ptr<TemporaryFile> file = std::move(std::get<std::unique_ptr<TemporaryFile>>(created));
    if (auto error = file->write(bytes)) return error;
    waiting_.push_back({std::move(file), target.path, added_++, std::nullopt, PlacedFiles::contentKey(bytes),
                        bytes.size(), std::nullopt});
    return std::nullopt;
}

std::vector<ReplacementBatch::Outcome> ReplacementBatch::commit()
{
    putWaitingInPlace();
    // The held files are tried together, so that a tree whose every target is held waits about the
    // grace once, not once per file.
    while (!held_.empty()) {
        clock_.sleepUntil(std::ranges::min_element(held_, {}, [](const Waiting& held) { return held.held->next(); })->held->next());
        putWaitingInPlace();
    }
    return takeResults();
}

std::vector<ReplacementBatch::Outcome> ReplacementBatch::commitReady()
{
    putWaitingInPlace();
    return takeResults();
}

std::vector<ReplacementBatch::Outcome> ReplacementBatch::takeResults()
{
    std::ranges::sort(results_, {}, &Outcome::file);
    return std::exchange(results_, {});
}

void ReplacementBatch::flushFiles()
{
    if (waiting_.empty()) return;
    // A device flush writes everything at once, so that the files' own flushes below find little left
    // to do; it proves nothing by itself (some file systems report success without writing), so its
    // result is not looked at. Alone, a file needs only its own flush.
    if (waiting_.size() > 1) {
        std::vector<TemporaryFile*> files;
        for (const Waiting& waiting : waiting_) files.push_back(waiting.file.get());
        files_.flushDevicesOf(files);
    }
    inParallel(waiting_.size(), options_.flushThreads, [this](std::size_t i) { waiting_[i].flushed = waiting_[i].file->flush(); });
}

void ReplacementBatch::putWaitingInPlace()
{
    flushFiles();
    std::vector<Waiting> trying;
    trying.swap(waiting_);
    const RetryClock::Time now = clock_.now();
    // Held files whose next try is due go along.
    for (auto it = held_.begin(); it != held_.end();) {
        if (!it->held->due(now)) { ++it; continue; }
        trying.push_back(std::move(*it));
        it = held_.erase(it);
    }
    place(trying, now);
    // The next files wait in the room these took.
    trying.clear();
    waiting_.swap(trying);
}

void ReplacementBatch::place(std::vector<Waiting>& files, RetryClock::Time now)
{
    std::vector<std::string> folders = std::exchange(madeFolders_, {});
    std::vector<std::pair<Waiting*, std::size_t>> placed;  // with the index of their outcome
    for (Waiting& waiting : files) {
        std::optional<FileError> held;
        std::optional<Outcome> outcome = waiting.flushed ? failedWith(*waiting.flushed) : putInPlace(waiting, held);
        if (!outcome) {
            if (!waiting.held) waiting.held.emplace(now);
            else if (waiting.held->over(now)) outcome = failedWith({held->number});  // no longer worth a try
            else waiting.held->tried(now);
            if (!outcome) {
                held_.push_back(std::move(waiting));
                continue;
            }
        }
        outcome->file = waiting.number;
        results_.push_back(*outcome);
        if (outcome->kind != Outcome::Saved) {
            waiting.file.reset();  // removes the temporary
            continue;
        }
        placed_.add(waiting.file->identity(), waiting.contentKey, waiting.size);
        folders.push_back(splitPath(waiting.targetPath).folder);
        placed.emplace_back(&waiting, results_.size() - 1);
    }
    // A file counts as saved once its new name is on the disk too: through the file where the system
    // does it so, and one flush per folder.
    std::vector<std::optional<FileError>> names(placed.size());
    inParallel(placed.size(), options_.flushThreads, [&](std::size_t i) { names[i] = placed[i].first->file->flushName(); });
    std::ranges::sort(folders);
    folders.erase(std::unique(folders.begin(), folders.end()), folders.end());
    std::vector<std::optional<FileError>> folderResults;
    for (const std::string& folder : folders) folderResults.push_back(files_.flushFolder(folder));
    const auto resultFor = [&](const std::string& folder) {
        return folderResults[static_cast<std::size_t>(std::ranges::lower_bound(folders, folder) - folders.begin())];
    };
    for (std::size_t i = 0; i < placed.size(); ++i) {
        std::string folder = splitPath(placed[i].first->targetPath).folder;
        std::optional<FileError> result = names[i] ? names[i] : resultFor(folder);
        // A folder made for the file must have its own name on the disk as well.
        for (std::string above = splitPath(folder).folder; !result && above != folder;
             folder = above, above = splitPath(folder).folder)
            if (std::ranges::binary_search(folders, above)) result = resultFor(above);
        if (result) {
            Outcome& outcome = results_[placed[i].second];
            outcome = {Outcome::Failed, *result, outcome.file};
        }
    }
}

std::optional<ReplacementBatch::Outcome> ReplacementBatch::putInPlace(Waiting& waiting, std::optional<FileError>& held)
{
    // The name is nearly always free, and then the first commit, which refuses to replace, is all it takes.
    std::optional<FileError> error;
    TemporaryFile::Commit commit = waiting.file->commit(TemporaryFile::Replacing::Refused, error);
    if (commit == TemporaryFile::Commit::NameTaken) {
        if (placedBefore(waiting.targetPath)) return Outcome{Outcome::TargetPlacedBefore, std::nullopt};
        if (!options_.replaceExisting) return Outcome{Outcome::TargetExists, std::nullopt};
        commit = waiting.file->commit(TemporaryFile::Replacing::Allowed, error);
    }
    if (commit == TemporaryFile::Commit::Held) {
        held = error.value_or(FileError{FileErrorNumber::PermissionDenied});
        return std::nullopt;
    }
    if (commit == TemporaryFile::Commit::Failed) return failedWith(error.value_or(FileError{FileErrorNumber::PathFileAccessError}));
    return Outcome{};
}

}  // namespace engine
