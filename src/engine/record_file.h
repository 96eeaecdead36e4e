// Reading the record at the start of an old file, and replacing a target file as one step.
#pragma once

#include "engine/file_calls.h"
#include "engine/file_errors.h"
#include "records/old_record.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace engine {

// Old files are measured with a 16-bit length: anything longer is an overflow, not a record.
inline constexpr long long LargestOldFile = 32767;

// Fills bytes with the first record of the file at path. Refuses folders and other non-files,
// files longer than LargestOldFile (overflow) and files shorter than one record.
std::optional<FileError> readOldRecordBytes(FileCalls& calls, const std::string& path,
                                            std::span<std::uint8_t, records::OldRecordLength> bytes);

// A target whose new content sits in a temporary file beside it, not yet in place. Dropped
// unfinished, it removes the temporary file, so an abandoned save leaves nothing behind.
class PendingReplacement {
public:
    PendingReplacement(FileCalls& calls, int fd, std::string temporaryPath, std::string targetPath);
    PendingReplacement(PendingReplacement&& other) noexcept;
    PendingReplacement& operator=(PendingReplacement&&) = delete;
    ~PendingReplacement();

    // Brings the bytes to disk, closes the file and renames it over the target; on failure the
    // temporary file is removed and the target stays as it was. The new name reaches the disk with
    // flushFolderOf(targetPath()).
    std::optional<FileError> complete();

    // The file replaced, links at the end of the given path followed.
    const std::string& targetPath() const;

private:
    friend void flushTogether(std::span<PendingReplacement> pending);
    void abandon();

    FileCalls* calls_;
    int fd_;
    std::string temporaryPath_;
    std::string targetPath_;
};

// Checks the target and writes bytes to a new temporary file in its folder. A symbolic link is
// followed so that the file it names is replaced, not the link; an existing target lends the
// replacement its permissions and is refused when it is a folder or not writable.
std::optional<FileError> beginReplacement(FileCalls& calls, const std::string& path, std::span<const std::uint8_t> bytes,
                                          std::optional<PendingReplacement>& pending);

// Writes back what the pending replacements hold with one flush per file system, so that the flush
// each file still gets of its own when it is completed costs next to nothing.
void flushTogether(std::span<PendingReplacement> pending);

// Flushes the folder that holds path, so that a name just made or renamed there survives a power cut.
std::optional<FileError> flushFolderOf(FileCalls& calls, const std::string& path);

}  // namespace engine
