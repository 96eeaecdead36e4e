// Reading the record at the start of an old file.
#include "engine/record_file.h"

#include <algorithm>
#include <variant>

namespace engine {

std::optional<FileError> readOldRecordBytes(FileSystem& files, const std::string& path,
                                            std::span<std::uint8_t, records::OldRecordLength> bytes)
{
    auto read = files.readHead(path, bytes.size());
    if (const FileError* error = std::get_if<FileError>(&read)) return *error;
    const FileHead& head = std::get<FileHead>(read);
    if (head.length > LargestOldFile) return FileError{FileErrorNumber::Overflow};
    if (head.bytes.size() < bytes.size()) return FileError{FileErrorNumber::InputPastEndOfFile};
    std::ranges::copy(head.bytes, bytes.begin());
    return std::nullopt;
}

}  // namespace engine
