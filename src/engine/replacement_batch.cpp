// Replaces target files as a whole or not at all, many at a time with few flushes.
#include "engine/replacement_batch.h"

#include <algorithm>
#include <atomic>
#include <thread>
#include <utility>

namespace engine {
namespace {

// More waiting files than this save no further flushes worth having and only hold open files.
constexpr std::size_t LargestBatch = 4096;
// Flushes sent to a device at the same time, which it merges.
constexpr unsigned FlushThreads = 64;

ReplacementBatch::Outcome failedWith(FileError error) { return {ReplacementBatch::Outcome::Failed, error}; }

}  // namespace

ReplacementBatch::ReplacementBatch(FileSystem& files) : ReplacementBatch(files, Options{}) {}

ReplacementBatch::ReplacementBatch(FileSystem& files, Options options) : files_(files), options_(options)
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
        if (!error) results_.emplace_back();
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
    results_.emplace_back();
    waiting_.push_back({std::move(file), target.path, results_.size() - 1, std::nullopt,
                        PlacedFiles::contentKey(bytes), bytes.size()});
    return std::nullopt;
}

std::vector<ReplacementBatch::Outcome> ReplacementBatch::commit()
{
    putWaitingInPlace();
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
    const auto flushEach = [this](std::atomic<std::size_t>& next) {
        for (std::size_t i; (i = next++) < waiting_.size();) waiting_[i].flushed = waiting_[i].file->flush();
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
    std::vector<std::size_t> placed;
    for (std::size_t i = 0; i < waiting_.size(); ++i) {
        Waiting& waiting = waiting_[i];
        const Outcome outcome = waiting.flushed ? failedWith(*waiting.flushed) : putInPlace(waiting);
        results_[waiting.result] = outcome;
        if (outcome.kind != Outcome::Saved) {
            waiting.file.reset();  // removes the temporary
            continue;
        }
        placed_.add(waiting.file->identity(), waiting.contentKey, waiting.size);
        waiting.file.reset();
        folders.push_back(splitPath(waiting.targetPath).folder);
        placed.push_back(i);
    }
    // A file counts as saved once its new name is on the disk too: one flush per folder.
    std::ranges::sort(folders);
    folders.erase(std::unique(folders.begin(), folders.end()), folders.end());
    std::vector<std::optional<FileError>> folderResults;
    for (const std::string& folder : folders) folderResults.push_back(files_.flushFolder(folder));
    const auto resultFor = [&](const std::string& folder) {
        return folderResults[static_cast<std::size_t>(std::ranges::lower_bound(folders, folder) - folders.begin())];
    };
    for (std::size_t i : placed) {
        std::string folder = splitPath(waiting_[i].targetPath).folder;
        std::optional<FileError> result = resultFor(folder);
        // A folder made for the file must have its own name on the disk as well.
        for (std::string above = splitPath(folder).folder; !result && above != folder;
             folder = above, above = splitPath(folder).folder)
            if (std::ranges::binary_search(folders, above)) result = resultFor(above);
        if (result) results_[waiting_[i].result] = failedWith(*result);
    }
    waiting_.clear();
}

ReplacementBatch::Outcome ReplacementBatch::putInPlace(Waiting& waiting)
{
    // The name is nearly always free, and then the first commit, which refuses to replace, is all it takes.
    std::optional<FileError> error;
    TemporaryFile::Commit commit = waiting.file->commit(TemporaryFile::Replacing::Refused, error);
    if (commit == TemporaryFile::Commit::NameTaken) {
        if (placedBefore(waiting.targetPath)) return {Outcome::TargetPlacedBefore, std::nullopt};
        if (!options_.replaceExisting) return {Outcome::TargetExists, std::nullopt};
        commit = waiting.file->commit(TemporaryFile::Replacing::Allowed, error);
    }
    if (commit == TemporaryFile::Commit::Failed) return failedWith(error.value_or(FileError{FileErrorNumber::PathFileAccessError}));
    return {};
}

}  // namespace engine
