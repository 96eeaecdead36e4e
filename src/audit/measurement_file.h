// What a measurement file holds: its layout, told by its length and its first record, and its fields.
#pragma once

#include "engine/files/file_errors.h"
#include "records/leaves.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace audit {

// The start of a file, at most one new record, and the file's length.
struct FileImage {
    std::vector<std::uint8_t> head;
    long long length = 0;
};

// Reads the start of the regular file at path (the system's bytes); a folder or a pipe is refused.
std::optional<engine::FileError> readImage(const std::string& path, FileImage& image);

enum class Layout { Old, New, Neither };

enum class Reason {
    OldLength,          // one old record, or an old record followed by bytes nobody reads
    ConvertedRecord,    // a new record as converting writes it
    TooShort,           // shorter than one old record
    TooLong,            // longer than an old file can be
    ConvertedElsewise,  // marked converted, but not one new record long
};

struct Identification {
    Layout layout = Layout::Neither;
    Reason reason = Reason::TooShort;
};

// Tells the layouts apart as loading does: an old file is one old record followed by anything up to
// the largest old file, unless its record looks converted; a converted file is exactly one new record.
Identification identify(const FileImage& image);

// The fields of a layout in file order; none for Neither.
const std::vector<records::Leaf>& leavesOf(Layout layout);

// The bytes of one field in the image of a file of its layout.
std::span<const std::uint8_t> bytesOf(const FileImage& image, const records::Leaf& leaf);

}  // namespace audit
