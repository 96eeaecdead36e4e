// Which old files a run converts, and into which targets: named files, folder trees and lists.
#pragma once

#include "engine/files/file_errors.h"
#include "engine/files/file_system.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace batch {

// Paths are the system's bytes, so that any name a folder holds can be converted.
struct Job {
    std::string source;
    std::string target;
};

// What planning met besides jobs.
struct PlanNotes {
    std::function<void(const std::string& path)> passedOver;        // in a tree, but no measurement file
    std::function<void(const std::string& folder)> folderNotAsked;  // a folder named without recursive
    std::function<void(const std::string& folder, engine::FileError error)> folderUnreadable;
    // Optional: told the number of jobs so far as each one is found, and asked before each entry whether
    // to stop, so that a long walk (a network share) shows that it lives and can be given up.
    std::function<void(std::size_t jobs)> found;
    std::function<bool()> stopRequested;
};

// Every measurement file ends in ".G", as the open dialog insists.
bool isMeasurementFileName(const std::string& name);

// The jobs that convert sources into the folder destination. A file goes under its own name; with
// recursive, a folder's measurement files go to the same places relative to it beneath destination
// (old/a/b.G into destination/a/b.G), links to files are followed, links to folders are not, and
// other files are passed over. A folder without recursive is refused. Where destination exists, a
// walk leaves it out of the trees it lies in. Once notes.stopRequested says so, the jobs found so far
// are returned.
std::vector<Job> planInto(engine::FileSystem& files, const std::vector<std::string>& sources,
                          const std::string& destination, bool recursive, const PlanNotes& notes);

// The names of a NUL-separated list, as `find -print0` writes it, empty ones included: a NUL ends each
// name, so a list that ends in one has no empty last name.
std::vector<std::string> splitNulSeparated(const std::string& list);

}  // namespace batch
