// The file operations of a conversion on POSIX systems, through the system calls of a FileCalls.
#pragma once

#include "engine/files/file_calls.h"
#include "engine/files/file_system.h"

#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace engine {

// Tests hand it calls that fail the way a full disk or a broken device would.
class PosixFileSystem final : public FileSystem {
public:
    explicit PosixFileSystem(FileCalls& calls = systemFileCalls()) : calls_(calls) {}

    std::variant<FileHead, FileError> readHead(const std::string& path, std::size_t most) override;
    std::variant<std::string, FileError> readWhole(const std::string& path) override;
    FileStatus status(const std::string& path) override;
    std::variant<ResolvedTarget, FileError> resolveTarget(const std::string& path) override;
    std::optional<FileError> mayCreateIn(const std::string& folder) override;
    std::variant<std::unique_ptr<TemporaryFile>, FileError> createBeside(const ResolvedTarget& target) override;
    std::optional<FileError> makeFolder(const std::string& folder) override;
    std::optional<FileError> flushFolder(const std::string& folder) override;
    void flushDevicesOf(std::span<TemporaryFile* const> files) override;
    void removeLeftovers(const std::string& folder) override;
    std::optional<FileError> listFolder(const std::string& folder,
                                        const std::function<void(const FolderEntry&)>& each) override;
    std::string absolutePath(const std::string& path) override;
    std::string nameKey(const std::string& absolutePath) override;
    std::size_t filesHeldAtOnce() override;

    // How a file system is asked to put a file at a name without replacing another, from the best;
    // learnt per device as file systems refuse, so that a FAT stick is not asked again for every file.
    enum class NoReplace { Rename, Link, ExclusiveCreate };
    NoReplace noReplaceOn(dev_t device);
    void refusedOn(dev_t device, NoReplace next);

private:
    FileCalls& calls_;
    std::mutex learnt_;
    std::vector<std::pair<dev_t, NoReplace>> noReplace_;
    std::once_flag currentFolderAsked_;
    std::string currentFolder_;  // asked once, from whichever thread asks first: the program never changes it
};

}  // namespace engine
