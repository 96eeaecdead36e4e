// Replaces target files as a whole or not at all, many at a time with few flushes.
#pragma once

#include "engine/file_calls.h"
#include "engine/file_errors.h"

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace engine {

// Each added file is written to a hidden temporary file beside its target, under a lock that tells
// other runs it is alive. commit() flushes each file system once, which makes the files' own flushes
// cheap, then flushes each file, renames it to its target's name and flushes each folder that received
// a name: only then does a file count as saved, and a power cut before that leaves its target as it
// was. A batch dropped without commit() removes its temporary files and changes no target, and the
// first file added into a folder removes what a killed run left there. A batch never replaces a file
// it put in place itself: it knows them by identity and by content, since a file system may give one
// file several names (a case-blind one, a linked folder) and even tell a different inode per name.
class ReplacementBatch {
public:
    struct Options {
        // How many files may wait at once, each holding a descriptor. A full batch commits by itself
        // and keeps the results for the next commit().
        std::size_t capacity = 1;
        // Make the folders a target path names when they are missing (trees converted into a new place).
        bool makeFolders = false;
        // Check every target as add() would, but write nothing: for a run that only tells what it would do.
        bool checkOnly = false;
        // Files flushed at the same time: a device merges flushes that arrive together, so that many
        // small files do not cost one device flush each.
        unsigned flushThreads = 1;
        // Replace a file found at a target. Without it the rename that puts a file in place refuses
        // by itself, so that a file that appears after the check is kept as well.
        bool replaceExisting = true;
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
    };

    // One file at a time, as a single save needs.
    explicit ReplacementBatch(FileCalls& calls = systemFileCalls());
    ReplacementBatch(FileCalls& calls, Options options);
    ReplacementBatch(const ReplacementBatch&) = delete;
    ReplacementBatch& operator=(const ReplacementBatch&) = delete;
    ~ReplacementBatch();

    // Checks the target and writes bytes beside it. A link is followed, so that the file it names is
    // replaced and the link stays; a folder, a file the user may not write and a link another user
    // planted in a shared folder are refused. An error means the file left nothing behind.
    std::optional<FileError> add(const std::string& path, std::span<const std::uint8_t> bytes);

    // Whether as many files wait as may: the next add() commits first.
    bool full() const { return results_.size() >= options_.capacity; }

    // Puts the waiting files in place: one outcome per file added since the last commit(), in order.
    std::vector<Outcome> commit();

    // Whether the file at path is one this batch put in place, told by its identity or its bytes.
    bool placedBefore(const std::string& path);

    // Options for a run over many files: as many waiting at once as the process's limit on open
    // files leaves room for (raised as far as the system allows), flushed many at a time.
    static Options forManyFiles();

private:
    struct Waiting {
        int fd;
        dev_t device;
        std::string temporaryPath;
        std::string targetPath;
        std::size_t result;  // index into results_
        std::optional<FileError> flushed;
        ino_t inode;
        std::size_t size;
        std::uint64_t contentHash;
    };
    // How a file system is asked to put a file at a name without replacing another, from the best.
    enum class NoReplace { Rename, Link, ExclusiveCreate };
    enum class Placing { Done, NameTaken, Failed };

    // 64-bit keys in 8 bytes each, however many files a run puts in place: sorted, but for the latest
    // few, which are merged in once there are enough of them to be worth it.
    class KeySet {
    public:
        void insert(std::uint64_t key);
        bool contains(std::uint64_t key) const;
        bool empty() const { return sorted_.empty() && latest_.empty(); }

    private:
        std::vector<std::uint64_t> sorted_, latest_;
    };

    std::optional<FileError> check(const std::string& targetPath);
    std::optional<FileError> makeFolder(const std::string& folder);
    std::optional<FileError> write(const std::string& targetPath, std::optional<mode_t> mode,
                                   std::span<const std::uint8_t> bytes);
    void flushFiles();
    void putWaitingInPlace();
    Outcome putInPlace(Waiting& file);
    Placing placeWithoutReplacing(Waiting& file);
    NoReplace& noReplaceOn(dev_t device);
    void removeLeftovers(const std::string& folder);
    void abandon(Waiting& waiting);

    FileCalls& calls_;
    Options options_;
    std::vector<Waiting> waiting_;
    std::vector<Outcome> results_;
    std::set<std::string> sweptFolders_;
    std::vector<std::string> madeFolders_;  // made since the last flush: their names need flushing too
    std::string knownFolder_;               // the folder that last proved to exist
    std::vector<std::pair<dev_t, NoReplace>> noReplace_;  // learnt per file system as it refuses
    // The files put in place so far, by identity and by content: two 64-bit keys each in one set, where a
    // false match only keeps a file from being replaced.
    KeySet placed_;
    std::size_t largestPlaced_ = 0;
};

}  // namespace engine
