// A new file on POSIX systems: written beside its target under a lock, put in place by a rename.
#pragma once

#include "engine/files/posix_file_system.h"

#include <string>

namespace engine {

// Holds its descriptor and the lock on it until it is in place, so that no other run removes it as
// a leftover; dropped, it closes and removes itself.
class PosixTemporaryFile final : public TemporaryFile {
public:
    PosixTemporaryFile(PosixFileSystem& files, FileCalls& calls, int fd, struct stat status, std::string path,
                       std::string target)
        : files_(files), calls_(calls), fd_(fd), device_(status.st_dev), inode_(status.st_ino),
          path_(std::move(path)), target_(std::move(target))
    {
    }
    ~PosixTemporaryFile() override;

    std::optional<FileError> write(std::span<const std::uint8_t> bytes) override;
    std::optional<FileError> flush() override;
    Commit commit(Replacing replacing, std::optional<FileError>& error) override;
    FileIdentity identity() const override
    {
        return {static_cast<std::uint64_t>(device_), static_cast<std::uint64_t>(inode_)};
    }

    dev_t device() const { return device_; }
    int descriptor() const { return fd_; }

private:
    Commit placeWithoutReplacing();

    PosixFileSystem& files_;
    FileCalls& calls_;
    int fd_;
    dev_t device_;
    ino_t inode_;
    std::string path_;  // empty once in place
    std::string target_;
};

}  // namespace engine
