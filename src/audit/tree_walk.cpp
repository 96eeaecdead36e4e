// The measurement files of a folder tree, found by the verifier's own walk rather than the converter's.
#include "audit/tree_walk.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

namespace audit {
namespace {

namespace fs = std::filesystem;

// "old/" names the folder old, and its files are old/a.G, as converting names them.
std::string withoutTrailingSlashes(std::string path)
{
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

void walk(const std::string& root, const std::string& relative, const std::optional<FolderId>& leftOut, TreeFiles& found)
{
    const std::string folder = relative.empty() ? root : below(root, relative);
    std::error_code error;
    std::vector<std::string> names;
    for (fs::directory_iterator entry(folder, error), end; !error && entry != end; entry.increment(error))
        names.push_back(entry->path().filename().string());
    if (error) {
        found.unreadableFolders.emplace_back(folder, engine::fileErrorFromErrno(error.value()));
        return;
    }
    std::ranges::sort(names);
    for (const std::string& name : names) {
        const std::string path = below(folder, name);
        const std::string inTree = relative.empty() ? name : relative + '/' + name;
        const fs::file_status status = fs::symlink_status(path, error);
        if (fs::is_directory(status)) {
            if (!leftOut || folderId(path) != leftOut) walk(root, inTree, leftOut, found);
        } else if (fs::is_symlink(status) && fs::is_directory(fs::status(path, error))) {
            continue;  // a link to a folder is not followed, so that no tree is walked twice
        } else if (isMeasurementFileName(name)) {
            found.files.push_back(inTree);  // a file, a link to one, or anything else converting refuses by name
        }
    }
}

}  // namespace

std::optional<FolderId> folderId(const std::string& path)
{
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) return std::nullopt;
    return FolderId{static_cast<unsigned long long>(status.st_dev), static_cast<unsigned long long>(status.st_ino)};
}

bool isMeasurementFileName(const std::string& name) { return name.size() > 2 && name.ends_with(".G"); }

TreeFiles measurementFiles(const std::string& folder, std::optional<FolderId> leftOut)
{
    TreeFiles found;
    walk(withoutTrailingSlashes(folder), {}, leftOut, found);
    return found;
}

std::string below(const std::string& folder, const std::string& relative)
{
    const std::string joined = withoutTrailingSlashes(folder);
    return (joined == "/" ? joined : joined + '/') + relative;
}

}  // namespace audit
