// Literal byte fixtures of old measurement files and the new files they convert to, shared by the tests.
#pragma once

#include "../records/field_table.h"

#include <QByteArray>
#include <QDirIterator>
#include <QFile>
#include <QString>
#include <gtest/gtest.h>

#include <map>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Failures show texts as texts, not as lists of 16-bit units.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace fixtures {

// The stamp the tests' clock gives the engine.
inline constexpr char Stamp[] = "24.12 2026 / 18:30:00";

// A text of the files' code page with what a shown value must escape or decode: letters beyond
// ASCII, quotes, a tab and a backslash.
inline const QByteArray OddText = QByteArray("Gr\xfc\xdf" "e \"A\"\t\\ \x80").leftJustified(75);

// A file of one layout whose fields each hold a pattern of their own: numbers, letters, bytes of any
// value; SaveInhibit 0, FileText1 the odd text and, in the new layout, the marks of a converted file.
inline QByteArray patternedFile(bool newLayout)
{
    static const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QByteArray bytes(newLayout ? 3243 : 3231, '\0');
    const std::vector<FieldRow> rows = fieldRows(newLayout);
    for (int f = 0; f < static_cast<int>(rows.size()); ++f) {
        const FieldRow& row = rows[f];
        const int number = row.name.ends_with("SaveInhibit") ? 0 : !row.name.ends_with("FormatMark") ? f * 131 - 30000 : newLayout ? 2 : 7;
        for (int i = 0; i < row.width; ++i)
            bytes[(newLayout ? row.newOffset : row.oldOffset) + i] = static_cast<char>(
                row.kind == 'i' ? number >> (8 * i) : row.kind == 't' ? letters[(7 * f + i) % 62] : f * 29 + i * 7);
    }
    if (newLayout) bytes.replace(1912, 12, "19200,N,8,1 ");
    return bytes.replace(newLayout ? 1934 : 1922, 75, OddText);
}
inline QByteArray patternedOldFile() { return patternedFile(false); }

// What the conversion of oldFile saved with stamp as fileName must hold, put together field by field
// from the table: the line settings inserted at 1912, bytes 8-15 of both AuxA cleared, the stamp,
// FormatMark 2 and the name (cut at 75) set.
inline QByteArray expectedNewFile(const QByteArray& oldFile, std::string_view stamp, std::string_view fileName)
{
    const auto blankPadded = [](std::string_view text, int width) {
        return QByteArray(text.data(), static_cast<qsizetype>(text.size())).leftJustified(width, ' ', true);
    };
    QByteArray expected(3243, '\0');
    for (const FieldRow& row : fieldRows(true))
        expected.replace(row.newOffset, row.width, row.oldOffset < 0 ? "19200,N,8,1 " : oldFile.mid(row.oldOffset, row.width));
    for (int at : {824, 1746}) expected.replace(at, 8, QByteArray(8, '\0'));
    expected.replace(1856, 40, blankPadded(stamp, 40));
    expected.replace(1898, 2, QByteArray("\x02\x00", 2));
    return expected.replace(2029, 75, blankPadded(fileName, 75));
}

// A whole-file comparison that names the fields in which a new file differs.
inline ::testing::AssertionResult sameNewFile(const QByteArray& written, const QByteArray& expected)
{
    if (written == expected) return ::testing::AssertionSuccess();
    std::string fields = "size " + std::to_string(written.size()) + ", differs in:";
    for (const FieldRow& row : fieldRows(true))
        if (written.mid(row.newOffset, row.width) != expected.mid(row.newOffset, row.width)) fields += " " + row.name;
    return ::testing::AssertionFailure() << fields;
}

// Fails the running test when the fixture cannot be written, so no test runs on a missing input.
inline void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush())
        ADD_FAILURE() << "cannot write fixture " << path.toStdString();
}

inline std::span<const std::uint8_t> bytesOf(const QByteArray& bytes)
{
    return {reinterpret_cast<const std::uint8_t*>(bytes.constData()), static_cast<std::size_t>(bytes.size())};
}

inline QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Every file below folder by its relative name, with its content; hidden ones (temporaries) too.
inline std::map<QString, QByteArray> filesBelow(const QString& folder)
{
    std::map<QString, QByteArray> files;
    for (QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories); it.hasNext();) {
        const QString file = it.next();
        files[QDir(folder).relativeFilePath(file)] = readFile(file);
    }
    return files;
}

}  // namespace fixtures
