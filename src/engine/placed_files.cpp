// The files a run has put in place, known by identity and by content.
#include "engine/placed_files.h"

#include <algorithm>
#include <functional>
#include <string_view>
#include <variant>

namespace engine {
namespace {

std::uint64_t identityKey(FileIdentity identity) { return identity.file * 0x9E3779B97F4A7C15u ^ identity.volume; }

}  // namespace

std::uint64_t PlacedFiles::contentKey(std::span<const std::uint8_t> bytes)
{
    return std::hash<std::string_view>{}(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

void PlacedFiles::add(FileIdentity identity, std::uint64_t contentKey, std::size_t size)
{
    insert(identityKey(identity));
    insert(contentKey);
    largest_ = std::max(largest_, size);
}

bool PlacedFiles::holds(FileSystem& files, const std::string& path) const
{
    if (largest_ == 0) return false;
    const FileStatus status = files.status(path);
    if (status.kind != FileStatus::File) return false;
    if (contains(identityKey(status.identity))) return true;
    if (static_cast<std::size_t>(status.size) > largest_) return false;
    const auto head = files.readHead(path, largest_);
    return std::holds_alternative<FileHead>(head) && contains(contentKey(std::get<FileHead>(head).bytes));
}

void PlacedFiles::insert(std::uint64_t key)
{
    constexpr std::size_t MergedAt = 1024;  // a look-up scans at most this many keys one by one
    latest_.push_back(key);
    if (latest_.size() < MergedAt) return;
    std::ranges::sort(latest_);
    const auto middle = sorted_.insert(sorted_.end(), latest_.begin(), latest_.end());
    std::inplace_merge(sorted_.begin(), middle, sorted_.end());
    latest_.clear();
}

bool PlacedFiles::contains(std::uint64_t key) const
{
    return std::ranges::binary_search(sorted_, key) || std::ranges::find(latest_, key) != latest_.end();
}

}  // namespace engine
