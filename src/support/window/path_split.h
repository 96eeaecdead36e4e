// Splits a path into drive, directory and file-name part by the program's own rules.
#pragma once

#include <QString>
#include <optional>

namespace support {

struct PathParts {
    QString drive;      // up to and including the first ':', else the drive of the current directory
    QString directory;  // between drive and last separator; empty when the path has neither ':' nor separator
    QString fileName;   // after the last separator (or the drive), at most 128 characters
};

// Both '\' (paths stored in old records) and '/' (paths from this system) separate folders.
// Positions are 16-bit in the program's rules: a ':' or separator at or beyond position 32767
// cannot be expressed and yields nullopt.
std::optional<PathParts> PfadZerlegen(const QString& path);

}  // namespace support
