// What stands at a target before a run writes it: the one rule for the run and for the question put before it.
#pragma once

#include <sys/stat.h>

#include <optional>
#include <string>

namespace batch {

// What is at path, a link followed where it leads somewhere; a dangling link counts as itself, being
// something the user may want to keep. Nothing there at all: nullopt.
std::optional<struct stat> standingAt(const std::string& path);

}  // namespace batch
