// Replaces target files as a whole or not at all, many at a time with few flushes.
#pragma once

#include "engine/files/file_errors.h"
#include "engine/files/file_system.h"
#include "engine/held_files.h"
#include "engine/placed_files.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <vector>

namespace engine {

// Each added file is written to a hidden temporary file beside its target, which tells other runs it
// is alive. commit() asks each device to write what it holds, which makes the files' own flushes
// cheap, then flushes each file, puts it at its target's name and flushes each folder that received
// a name, or the renamed file where the system puts names on the disk that way: only then does a
// file count as saved, and a power cut before that leaves its target as it was. A batch dropped
// without commit() removes its temporary files and changes no target, and the first file added into
// a folder removes what a killed run left there. A batch never replaces a file it put in place itself
// (PlacedFiles). A target that another program holds for a moment (a virus scanner that opened it,
// say) is tried again with growing pauses for HeldFileGrace, while the other files go on; held
// longer, its file fails with the system's answer and its temporary is removed.
class ReplacementBatch {
public:
    struct Options {
        // How many files may wait at once, each holding an open file. A full batch commits by itself
        // and keeps the results for the next commit().
        std::size_t capacity = 1;
        // Make the folders a target path names when they are missing (trees converted into a new place).
        bool makeFolders = false;
        // Check every target as add() would, but write nothing: for a run that only tells what it would do.
        bool checkOnly = false;
        // Files flushed at the same time: a device merges flushes that arrive together, so that many
        // small files do not cost one device flush each.
        unsigned flushThreads = 1;
        // Replace a file found at a target. Without it the commit refuses by itself, so that a file
        // that appears after the check is kept as well.
        bool replaceExisting = true;
        // The clock the waits for held targets go by; none: the real one.
        RetryClock* clock = nullptr;
    };

    // What became of one file at commit().
    struct Outcome {
        enum Kind {
            Saved,
            TargetExists,        // a file stood at the target, kept since replacing was not asked for
            TargetPlacedBefore,  // the target names a file this batch put in place: it is never replaced
            Failed,              // error tells why
        } kind = Saved;
        std::optional<FileError> error;  // also set for a file in place whose name may not be on the disk
        std::size_t file = 0;            // which file: the how-manieth that add() took, from 0
    };

    // One file at a time, as a single save needs.
    explicit ReplacementBatch(FileSystem& files = systemFileSystem());
    ReplacementBatch(FileSystem& files, Options options);
    ReplacementBatch(const ReplacementBatch&) = delete;
    ReplacementBatch& operator=(const ReplacementBatch&) = delete;
    ~ReplacementBatch();

    // Checks the target and writes bytes beside it. A link is followed, so that the file it names is
    // replaced and the link stays; a folder, a file the user may not write and a link another user
    // planted in a shared folder are refused. An error means the file left nothing behind.
    std::optional<FileError> add(const std::string& path, std::span<const std::uint8_t> bytes);

    // Whether as many files wait, or have outcomes not yet told, as may: the next add() commits first.
    bool full() const { return waiting_.size() + results_.size() >= options_.capacity; }

    // Puts the waiting files in place, waiting for held targets: one outcome for each file whose
    // outcome was not told yet, in the order the files were added.
    std::vector<Outcome> commit();

    // The same, but a file whose target is held stays for a later commit without a pause, so that the
    // run goes on meanwhile: its outcome comes then.
    std::vector<Outcome> commitReady();

    // Whether the file at path is one this batch put in place, told by its identity or its bytes.
    bool placedBefore(const std::string& path) const { return placed_.holds(files_, path); }

    // Options for a run over many files: as many waiting at once as the system lets the process hold
    // open, flushed many at a time.
    static Options forManyFiles(FileSystem& files);

private:
    struct Waiting {
        std::unique_ptr<TemporaryFile> file;
        std::string targetPath;
        std::size_t number;                 // Outcome::file
        std::optional<FileError> flushed;   // what its own flush answered, once flushed
        std::uint64_t contentKey;
        std::size_t size;
        std::optional<HeldTries> held;      // since its target was first found held
    };

    std::optional<FileError> check(const std::string& targetPath);
    std::optional<FileError> makeFolder(const std::string& folder);
    std::optional<FileError> write(const ResolvedTarget& target, std::span<const std::uint8_t> bytes);
    void flushFiles();
    void putWaitingInPlace();
    void place(std::vector<Waiting>& files, RetryClock::Time now);
    std::optional<Outcome> putInPlace(Waiting& waiting, std::optional<FileError>& held);
    std::vector<Outcome> takeResults();

    FileSystem& files_;
    Options options_;
    RetryClock& clock_;
    std::vector<Waiting> waiting_;  // added and flushed at the next commit
    std::vector<Waiting> held_;     // flushed, their targets held by another program: tried again when due
    std::vector<Outcome> results_;  // decided, not yet told
    std::size_t added_ = 0;
    std::set<std::string> sweptFolders_;
    std::vector<std::string> madeFolders_;  // made since the last flush: their names need flushing too
    std::string knownFolder_;               // the folder that last proved to exist
    PlacedFiles placed_;
};

}  // namespace engine
