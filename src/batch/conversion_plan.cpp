// Which old files a run converts, and into which targets: named files, folder trees and lists.
#include "batch/conversion_plan.h"

#include <algorithm>
#include <optional>

namespace batch {
namespace {

constexpr std::string_view MeasurementExtension = ".G";

std::string withoutTrailingSeparators(std::string path)
{
    while (path.size() > 1 && engine::isPathSeparator(path.back())) path.pop_back();
    return path;
}

// "data/" names the folder data: its target is data in the destination, not the folder itself.
std::string lastPart(const std::string& path) { return engine::splitPath(withoutTrailingSeparators(path)).name; }

bool stopping(const PlanNotes& notes) { return notes.stopRequested && notes.stopRequested(); }

void add(std::vector<Job>& jobs, Job job, const PlanNotes& notes)
{
    jobs.push_back(std::move(job));
    if (notes.found) notes.found(jobs.size());
}

// Walks a folder in name order, depth first, so that a run and its rerun go the same way. The output
// folder is left out where it lies inside the tree: a rerun would otherwise take the files it wrote
// for old ones. Paths are joined with the system's separator, as the user reads them.
void walk(engine::FileSystem& files, const std::string& folder, const std::string& into, std::vector<Job>& jobs,
          const PlanNotes& notes, const std::optional<engine::FileIdentity>& output)
{
    std::vector<engine::FolderEntry> entries;
    if (const auto error = files.listFolder(folder, [&](const engine::FolderEntry& entry) { entries.push_back(entry); })) {
        notes.folderUnreadable(folder, *error);
        return;
    }
    std::ranges::sort(entries, {}, &engine::FolderEntry::name);
    for (const engine::FolderEntry& entry : entries) {
        if (stopping(notes)) return;
        const std::string path = engine::joinPath(folder, entry.name);
        if (entry.kind == engine::FolderEntry::Folder) {
            if (!output || files.status(path).identity != *output)
                walk(files, path, engine::joinPath(into, entry.name), jobs, notes, output);
        } else if (entry.kind == engine::FolderEntry::File && isMeasurementFileName(entry.name)) {
            add(jobs, {path, engine::joinPath(into, entry.name)}, notes);
        } else {
            notes.passedOver(path);
        }
    }
}

}  // namespace

bool isMeasurementFileName(const std::string& name)
{
    return name.size() > MeasurementExtension.size() && name.ends_with(MeasurementExtension);
}

std::vector<Job> planInto(engine::FileSystem& files, const std::vector<std::string>& sources,
                          const std::string& destination, bool recursive, const PlanNotes& notes)
{
    const std::string into = withoutTrailingSeparators(destination);
    // Not there yet, it is made by the run: then no folder inside a source can be it.
    std::optional<engine::FileIdentity> output;
    if (const engine::FileStatus status = files.status(destination); status.kind == engine::FileStatus::Folder)
        output = status.identity;
    std::vector<Job> jobs;
    for (const std::string& source : sources) {
        if (stopping(notes)) break;
        // A folder named here is followed even through a link: the user named it.
        if (files.status(source).kind != engine::FileStatus::Folder) {
            add(jobs, {source, engine::joinPath(into, lastPart(source))}, notes);
        } else if (!recursive) {
            notes.folderNotAsked(source);
        } else {
            walk(files, withoutTrailingSeparators(source), into, jobs, notes, output);
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
