// The files a run has put in place, known by identity and by content, so that it never replaces one.
#pragma once

#include "engine/files/file_system.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace engine {

// A file system may give one file several names (a case-blind one, a linked folder) and even tell a
// different identity per name (FUSE's FAT): then only the bytes tell, and every file a run writes
// names its own target inside. 8 bytes a key, two keys a file, however many files a run puts in
// place; a false match only keeps a file from being replaced.
class PlacedFiles {
public:
    // A file of size bytes whose content gives contentKey.
    void add(FileIdentity identity, std::uint64_t contentKey, std::size_t size);

    // Whether the file at path is one that was added, told by its identity or its bytes.
    bool holds(FileSystem& files, const std::string& path) const;

    static std::uint64_t contentKey(std::span<const std::uint8_t> bytes);

private:
    void insert(std::uint64_t key);
    bool contains(std::uint64_t key) const;

    std::vector<std::uint64_t> sorted_, latest_;  // the latest few are merged in once worth it
    std::size_t largest_ = 0;
};

}  // namespace engine
