// The system's files, except that putting a chosen target in place fails as a device would: a fault
// the same on every system, for the layers above the file layer.
#pragma once

#include "engine/files/file_system.h"

#include <memory>
#include <set>
#include <string>
#include <utility>

class FailingCommits : public engine::FileSystem {
public:
    engine::FileError failure{engine::FileErrorNumber::DeviceIoError};
    // Commits of temporaries beside the file at target, however it is spelled, fail with failure.
    void failAt(const std::string& target) { failingTargets_.insert(keyOf(target)); }

    std::variant<engine::FileHead, engine::FileError> readHead(const std::string& path, std::size_t most) override { return real_.readHead(path, most); }
    std::variant<std::string, engine::FileError> readWhole(const std::string& path) override { return real_.readWhole(path); }
    engine::FileStatus status(const std::string& path) override { return real_.status(path); }
    std::variant<engine::ResolvedTarget, engine::FileError> resolveTarget(const std::string& path) override { return real_.resolveTarget(path); }
    std::optional<engine::FileError> mayCreateIn(const std::string& folder) override { return real_.mayCreateIn(folder); }
    std::variant<std::unique_ptr<engine::TemporaryFile>, engine::FileError> createBeside(const engine::ResolvedTarget& target) override
    {
        auto created = real_.createBeside(target);
        auto* file = std::get_if<std::unique_ptr<engine::TemporaryFile>>(&created);
        if (file && failingTargets_.contains(keyOf(target.path))) return std::make_unique<Failing>(std::move(*file), failure);
        return created;
    }
    std::optional<engine::FileError> makeFolder(const std::string& folder) override { return real_.makeFolder(folder); }
    std::optional<engine::FileError> flushFolder(const std::string& folder) override { return real_.flushFolder(folder); }
    void flushDevicesOf(std::span<engine::TemporaryFile* const> files) override { real_.flushDevicesOf(files); }
    void removeLeftovers(const std::string& folder) override { real_.removeLeftovers(folder); }
    std::optional<engine::FileError> listFolder(const std::string& folder, const std::function<void(const engine::FolderEntry&)>& each) override
    {
        return real_.listFolder(folder, each);
    }
    std::string absolutePath(const std::string& path) override { return real_.absolutePath(path); }
    std::string nameKey(const std::string& absolutePath) override { return real_.nameKey(absolutePath); }
    std::size_t filesHeldAtOnce() override { return real_.filesHeldAtOnce(); }

private:
    // Written and flushed for real; its commit fails and, as a failed commit does, removes it.
    class Failing : public engine::TemporaryFile {
    public:
        Failing(std::unique_ptr<engine::TemporaryFile> real, engine::FileError failure) : real_(std::move(real)), failure_(failure) {}
        std::optional<engine::FileError> write(std::span<const std::uint8_t> bytes) override { return real_->write(bytes); }
        std::optional<engine::FileError> flush() override { return real_->flush(); }
        Commit commit(Replacing, std::optional<engine::FileError>& error) override
        {
            real_.reset();
            error = failure_;
            return Commit::Failed;
        }
        engine::FileIdentity identity() const override { return identity_; }

    private:
        std::unique_ptr<engine::TemporaryFile> real_;
        engine::FileError failure_;
        engine::FileIdentity identity_ = real_->identity();
    };

    std::string keyOf(const std::string& path) { return real_.nameKey(real_.absolutePath(path)); }

    engine::FileSystem& real_ = engine::systemFileSystem();
    std::set<std::string> failingTargets_;
};
