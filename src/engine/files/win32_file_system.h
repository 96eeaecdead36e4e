// The file operations of a conversion on Windows, through the wide API calls of a Win32Calls.
#pragma once

#include "engine/files/file_system.h"
#include "engine/files/win32_calls.h"

#include <cstdint>
#include <mutex>
#include <vector>

namespace engine {

// Tests hand it calls that answer as a full disk, a held file or a dropped share would.
class Win32FileSystem final : public FileSystem {
public:
    explicit Win32FileSystem(Win32Calls& calls = systemWin32Calls()) : calls_(calls) {}

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

    // Renames with POSIX semantics (FileRenameInfoEx) are Windows 10's since 1607, on NTFS; a volume
    // that refuses them is learnt by its serial number, so that it is not asked again for every file.
    bool refusesPosixRenames(std::uint64_t volume);
    void refusedPosixRenamesOn(std::uint64_t volume);

    Win32Calls& calls() const { return calls_; }

private:
    bool isFolder(const std::string& path);

    Win32Calls& calls_;
    std::mutex learnt_;
    std::vector<std::uint64_t> olderRenames_;
};

}  // namespace engine
