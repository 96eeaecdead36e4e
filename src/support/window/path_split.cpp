// Splits a path into drive, directory and file-name part by the program's own rules.
#include "support/window/path_split.h"

#include <QDir>
#include <algorithm>
#include <cstdint>
#include <limits>

namespace support {
namespace {

// Positions are 1-based 16-bit numbers; a ':' or separator here leaves no room for the next position.
constexpr qsizetype LastPosition = std::numeric_limits<std::int16_t>::max();
constexpr qsizetype MaxFileNameLength = 128;

bool isSeparator(QChar character)
{
    return character == u'\\' || character == u'/';
}

QString currentDrive()
{
#ifdef Q_OS_WIN
    const QString current = QDir::currentPath();
    return current.left(current.indexOf(u':') + 1);
#else
    // Folders here have no drive; a ':' in a folder name must not be taken for one.
    return {};
#endif
}

}  // namespace

std::optional<PathParts> PfadZerlegen(const QString& path)
{
    // 1-based positions, 0 when absent, so that the arithmetic below reads as the rules count.
    const qsizetype colon = path.indexOf(u':') + 1;
    const qsizetype lastSeparator = std::max(path.lastIndexOf(u'\\'), path.lastIndexOf(u'/')) + 1;
    if (colon >= LastPosition || lastSeparator >= LastPosition)
        return std::nullopt;

    PathParts parts;
    parts.drive = colon > 0 ? path.left(colon) : currentDrive();
    const qsizetype nameStart = std::max(colon, lastSeparator);
    parts.fileName = path.mid(nameStart, MaxFileNameLength);
    if (nameStart > 0) {
        parts.directory = path.mid(colon, nameStart - colon);
        // A lone separator is the root and stays.
        if (parts.directory.size() > 1 && isSeparator(parts.directory.back()))
            parts.directory.chop(1);
    }
    return parts;
}

}  // namespace support
