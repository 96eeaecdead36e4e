// Reading the record at the start of an old file.
#pragma once

#include "engine/files/file_system.h"
#include "engine/files/file_errors.h"
#include "records/old_record.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace engine {

// Old files are measured with a 16-bit length: anything longer is an overflow, not a record.
inline constexpr long long LargestOldFile = 32767;

// Fills bytes with the first record of the file at path. Refuses folders and other non-files,
// files longer than LargestOldFile (overflow) and files shorter than one record.
std::optional<FileError> readOldRecordBytes(FileSystem& files, const std::string& path,
                                            std::span<std::uint8_t, records::OldRecordLength> bytes);

}  // namespace engine
