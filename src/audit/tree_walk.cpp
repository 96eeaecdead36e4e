// The measurement files of a folder tree, found by the verifier's own walk rather than the converter's.
#include "audit/tree_walk.h"

#include <algorithm>

namespace audit {
namespace {

// "old/" names the folder old, and its files are old/a.G, as converting names them.
std::string withoutTrailingSeparators(std::string path)
{
    while (path.size() > 1 && engine::isPathSeparator(path.back())) path.pop_back();
    return path;
}

void walk(engine::FileSystem& files, const std::string& root, const std::string& relative,
          const std::optional<engine::FileIdentity>& leftOut, TreeFiles& found)
{
    const std::string folder = relative.empty() ? root : below(root, relative);
    std::vector<engine::FolderEntry> entries;
    if (const auto error = files.listFolder(folder, [&](const engine::FolderEntry& entry) { entries.push_back(entry); })) {
        found.unreadableFolders.emplace_back(folder, *error);
        return;
    }
    std::ranges::sort(entries, {}, &engine::FolderEntry::name);
    for (const engine::FolderEntry& entry : entries) {
        const std::string inTree = engine::joinPath(relative, entry.name);
        if (entry.kind == engine::FolderEntry::Folder) {
            if (!leftOut || folderId(below(folder, entry.name), files) != leftOut) walk(files, root, inTree, leftOut, found);
        } else if (entry.kind != engine::FolderEntry::FolderLink && isMeasurementFileName(entry.name)) {
            // A file, a link to one, or anything else converting refuses by name; a link to a folder is
            // not followed, so that no tree is walked twice.
            found.files.push_back(inTree);
        }
    }
}

}  // namespace

std::optional<engine::FileIdentity> folderId(const std::string& path, engine::FileSystem& files)
{
    const engine::FileStatus status = files.status(path);
    if (status.kind != engine::FileStatus::Folder) return std::nullopt;
    return status.identity;
}

bool isMeasurementFileName(const std::string& name) { return name.size() > 2 && name.ends_with(".G"); }

TreeFiles measurementFiles(const std::string& folder, std::optional<engine::FileIdentity> leftOut, engine::FileSystem& files)
{
    TreeFiles found;
    walk(files, withoutTrailingSeparators(folder), {}, leftOut, found);
    return found;
}

std::string below(const std::string& folder, const std::string& relative)
{
    return engine::joinPath(withoutTrailingSeparators(folder), relative);
}

}  // namespace audit
