// What stands at a target before a run writes it: the one rule for the run and for the question put before it.
#include "batch/existing_target.h"

namespace batch {

std::optional<struct stat> standingAt(const std::string& path)
{
    struct stat atPath {};
    if (::lstat(path.c_str(), &atPath) != 0) return std::nullopt;
    if (struct stat linked {}; S_ISLNK(atPath.st_mode) && ::stat(path.c_str(), &linked) == 0) return linked;
    return atPath;
}

}  // namespace batch
