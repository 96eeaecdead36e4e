// Splits a path into drive, directory and file-name part by the program's own rules.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace workflow {

// Pieces of the path, UTF-8 as it is.
struct PathParts {
    std::string drive;      // up to and including the first ':', else the drive of the current directory
    std::string directory;  // between drive and last separator; empty when the path has neither ':' nor separator
    std::string fileName;   // after the last separator (or the drive), at most 128 characters
};

// Both '\' (paths stored in old records) and '/' (paths from this system) separate folders.
// Positions are 16-bit in the program's rules (counted as text_positions.h tells): a ':' or
// separator at or beyond position 32767 cannot be expressed and yields nullopt.
std::optional<PathParts> PfadZerlegen(std::string_view path);

}  // namespace workflow
