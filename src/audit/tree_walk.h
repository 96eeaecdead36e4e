// The measurement files of a folder tree, found by the verifier's own walk rather than the converter's.
#pragma once

#include "engine/files/file_errors.h"
#include "engine/files/file_system.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace audit {

// A folder as the file system knows it, whatever path leads there; none for what is no folder.
std::optional<engine::FileIdentity> folderId(const std::string& path, engine::FileSystem& files = engine::systemFileSystem());

struct TreeFiles {
    std::vector<std::string> files;  // below the folder, "a/b.G" (the system's separator), in the order converting takes them
    std::vector<std::pair<std::string, engine::FileError>> unreadableFolders;  // as paths from the folder
};

// A measurement file's name ends in ".G", upper case, after at least one character.
bool isMeasurementFileName(const std::string& name);

// Walks folder as `gconvert -r` does: depth first, each folder's entries in name order, links to files
// followed, links to folders not; leaves out a folder below it that is leftOut. A folder whose listing
// fails, at its start or midway, is unreadable, and none of its files is taken.
TreeFiles measurementFiles(const std::string& folder, std::optional<engine::FileIdentity> leftOut,
                           engine::FileSystem& files = engine::systemFileSystem());

// folder/relative with the system's separator, for a folder named with or without trailing
// separators ("/" included).
std::string below(const std::string& folder, const std::string& relative);

}  // namespace audit
