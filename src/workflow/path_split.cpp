// Splits a path into drive, directory and file-name part by the program's own rules.
#include "workflow/path_split.h"

#include "engine/files/file_system.h"
#include "workflow/text_positions.h"

#include <algorithm>
#include <cctype>

namespace workflow {
namespace {

constexpr std::size_t MaxFileNameLength = 128;

bool isSeparator(char character)
{
    return character == '\\' || character == '/';
}

// The drive of the current folder ("C:" on Windows). A system without drives has absolute paths
// that begin with '/', so that a ':' in a folder name there is not taken for one; nor is a share's name.
std::string currentDrive()
{
    const std::string current = engine::systemFileSystem().absolutePath(".");
    if (current.size() < 2 || !std::isalpha(static_cast<unsigned char>(current[0])) || current[1] != ':') return {};
    return current.substr(0, 2);
}

// The 1-based position of the character at byteOffset, 0 for npos.
std::size_t positionAt(std::string_view path, std::size_t byteOffset)
{
    return byteOffset == std::string_view::npos ? 0 : unitCount(path.substr(0, byteOffset)) + 1;
}

}  // namespace

std::optional<PathParts> PfadZerlegen(std::string_view path)
{
    // ':' and the separators are single bytes, never part of a longer character.
    const std::size_t colonByte = path.find(':');
    const std::size_t separatorByte = path.find_last_of("\\/");
    if (positionAt(path, colonByte) >= LastPosition || positionAt(path, separatorByte) >= LastPosition)
        return std::nullopt;

    // Byte offsets just past the ':' and the last separator, 0 when absent.
    const std::size_t afterColon = colonByte == std::string_view::npos ? 0 : colonByte + 1;
    const std::size_t afterSeparator = separatorByte == std::string_view::npos ? 0 : separatorByte + 1;
    PathParts parts;
    parts.drive = afterColon > 0 ? std::string(path.substr(0, afterColon)) : currentDrive();
    const std::size_t nameStart = std::max(afterColon, afterSeparator);
    parts.fileName = firstUnits(path.substr(nameStart), MaxFileNameLength);
    if (nameStart > 0) {
        parts.directory = path.substr(afterColon, nameStart - afterColon);
        // A lone separator is the root and stays.
        if (parts.directory.size() > 1 && isSeparator(parts.directory.back()))
            parts.directory.pop_back();
    }
    return parts;
}

}  // namespace workflow
