// Which old files a run converts, and into which targets: named files, folder trees and lists.
#include "batch/conversion_plan.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <optional>

namespace batch {
namespace {

constexpr std::string_view MeasurementExtension = ".G";

std::string withoutTrailingSlashes(std::string path)
{
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

// "data/" names the folder data: its target is data in the destination, not the folder itself.
std::string lastPart(const std::string& path)
{
    const std::string cleaned = withoutTrailingSlashes(path);
    return cleaned.substr(cleaned.rfind('/') + 1);
}

struct Entry {
    std::string name;
    enum Kind { File, Folder, FolderLink } kind;
};

Entry::Kind kindOf(const std::string& path, unsigned char type)
{
    struct stat status {};
    // Some file systems do not tell the kind of an entry while listing a folder.
    if (type == DT_UNKNOWN && ::lstat(path.c_str(), &status) == 0)
        type = S_ISDIR(status.st_mode) ? DT_DIR : S_ISLNK(status.st_mode) ? DT_LNK : DT_REG;
    if (type == DT_DIR) return Entry::Folder;
    // A link to a file converts the file it names; a link to a folder is not followed.
    if (type == DT_LNK && ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode)) return Entry::FolderLink;
    return Entry::File;
}

// A folder as the system knows it, however a path spells it or a link leads to it.
struct FolderId {
    dev_t device;
    ino_t inode;
};

bool isTheFolder(const std::string& path, const std::optional<FolderId>& folder)
{
    struct stat status {};
    return folder && ::lstat(path.c_str(), &status) == 0 && status.st_dev == folder->device
           && status.st_ino == folder->inode;
}

// Walks a folder in name order, depth first, so that a run and its rerun go the same way. The output
// folder is left out where it lies inside the tree: a rerun would otherwise take the files it wrote
// for old ones.
void walk(const std::string& folder, const std::string& into, std::vector<Job>& jobs, const PlanNotes& notes,
          const std::optional<FolderId>& output)
{
    DIR* listing = ::opendir(folder.c_str());
    if (listing == nullptr) {
        notes.folderUnreadable(folder, engine::fileErrorFromErrno(errno));
        return;
    }
    std::vector<Entry> entries;
    while (const dirent* entry = ::readdir(listing)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") entries.push_back({name, kindOf(folder + '/' + name, entry->d_type)});
    }
    ::closedir(listing);
    std::ranges::sort(entries, {}, &Entry::name);
    for (const Entry& entry : entries) {
        const std::string path = folder + '/' + entry.name;
        if (entry.kind == Entry::Folder) {
            if (!isTheFolder(path, output)) walk(path, into + entry.name + '/', jobs, notes, output);
        }
        else if (entry.kind == Entry::File && isMeasurementFileName(entry.name))
            jobs.push_back({path, into + entry.name});
        else notes.passedOver(path);
    }
}

}  // namespace

bool isMeasurementFileName(const std::string& name)
{
    return name.size() > MeasurementExtension.size() && name.ends_with(MeasurementExtension);
}

std::vector<Job> planInto(const std::vector<std::string>& sources, const std::string& destination, bool recursive,
                          const PlanNotes& notes)
{
    const std::string into = withoutTrailingSlashes(destination) + (destination == "/" ? "" : "/");
    // Not there yet, it is made by the run: then no folder inside a source can be it.
    std::optional<FolderId> output;
    if (struct stat status {}; ::stat(destination.c_str(), &status) == 0) output = FolderId{status.st_dev, status.st_ino};
    std::vector<Job> jobs;
    for (const std::string& source : sources) {
        struct stat status {};
        // A folder named here is followed even through a link: the user named it.
        if (::stat(source.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) {
            jobs.push_back({source, into + lastPart(source)});
        } else if (!recursive) {
            notes.folderNotAsked(source);
        } else {
            walk(withoutTrailingSlashes(source), into, jobs, notes, output);
        }
    }
    return jobs;
}

std::vector<std::string> splitNulSeparated(const std::string& list)
{
    std::vector<std::string> names;
    // Each name ends in a NUL, the last one may go without; two in a row hold an empty name, which the
    // run refuses by its place in the list.
    for (std::size_t start = 0; start < list.size();) {
        const std::size_t end = std::min(list.find('\0', start), list.size());
        names.push_back(list.substr(start, end - start));
        start = end + 1;
    }
    return names;
}

}  // namespace batch
