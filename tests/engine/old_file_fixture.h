// Literal byte fixtures of old measurement files and the new files they convert to, shared by the tests.
#pragma once

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

// Every field of both layouts in file order, with its offset in an old and in a new file (-1 for the
// line settings, which old files lack) and its kind: 'i' a 16-bit number, 't' a text, 'o' bytes. The
// series rows hold for both series, the second 922 bytes on; Values stands for 102 values of 8 bytes.
struct FieldRow { std::string name; int oldOffset, newOffset, width; char kind; };
inline const FieldRow SeriesRows[] = {
    {"Values", 0, 0, 816, 'o'}, {"AuxA", 816, 816, 22, 'o'}, {"AuxB.Head", 838, 838, 16, 'o'}, {"AuxB.Rec1", 854, 854, 16, 'o'},
    {"AuxB.Rec2.Word", 870, 870, 2, 'o'}, {"AuxB.Rec2.Sub1.Head", 872, 872, 8, 'o'}, {"AuxB.Rec2.Sub1.Rec", 880, 880, 16, 'o'},
    {"AuxB.Rec2.Sub2.Head", 896, 896, 8, 'o'}, {"AuxB.Rec2.Sub2.Rec", 904, 904, 18, 'o'}};
inline const FieldRow InfoRows[] = {
    {"InfoHead.HeadWord", 1844, 1844, 2, 'o'}, {"InfoHead.HeadRec", 1846, 1846, 10, 'o'}, {"SaveStamp.StampText", 1856, 1856, 40, 't'},
    {"SaveStamp.SaveInhibit", 1896, 1896, 2, 'i'}, {"SaveStamp.FormatMark", 1898, 1898, 2, 'i'}, {"SaveStamp.StampAux", 1900, 1900, 2, 'i'},
    {"Pair.First", 1902, 1902, 4, 'o'}, {"Pair.Second", 1906, 1906, 4, 'o'}, {"PortSettings.PortValue1", 1910, 1910, 2, 'i'},
    {"PortSettings.LineSettings", -1, 1912, 12, 't'}, {"PortSettings.PortChar1", 1912, 1924, 1, 't'},
    {"PortSettings.PortValue2", 1913, 1925, 2, 'i'}, {"PortSettings.PortChar2", 1915, 1927, 1, 't'},
    {"PortSettings.PortValue3", 1916, 1928, 2, 'i'}, {"PortSettings.PortValue4", 1918, 1930, 2, 'i'},
    {"PortSettings.PortChar3", 1920, 1932, 1, 't'}, {"PortSettings.PortChar4", 1921, 1933, 1, 't'},
    {"FileInfo.FileText1", 1922, 1934, 75, 't'}, {"FileInfo.FileText2", 1997, 2009, 20, 't'}, {"FileInfo.FileName", 2017, 2029, 75, 't'},
    {"FileInfo.FileWord", 2092, 2104, 2, 'i'}, {"TextBlock.Text1", 2094, 2106, 75, 't'}, {"TextBlock.Text2", 2169, 2181, 75, 't'},
    {"TextBlock.Text3", 2244, 2256, 75, 't'}, {"TextBlock.Text4", 2319, 2331, 40, 't'}, {"Word1", 2359, 2371, 2, 'i'},
    {"Word2", 2361, 2373, 2, 'i'}, {"Quad", 2363, 2375, 4, 'o'}, {"Word3", 2367, 2379, 2, 'i'}, {"AuxD.Word", 2369, 2381, 2, 'o'},
    {"AuxD.Mid", 2371, 2383, 10, 'o'}, {"AuxD.Body", 2381, 2393, 824, 'o'}, {"AuxE", 3205, 3217, 26, 'o'}};

// Every field of a layout with its full name, each value of a series a field of its own.
inline std::vector<FieldRow> fieldRows(bool newLayout)
{
    std::vector<FieldRow> rows;
    for (const int series : {0, 1})
        for (const FieldRow& row : SeriesRows) {
            const bool values = row.name == "Values";
            const std::string name = "Series" + std::to_string(series + 1) + '.' + row.name;
            for (int i = 0; i < (values ? 102 : 1); ++i)
                rows.push_back({values ? name + '[' + std::to_string(i) + ']' : name, 922 * series + row.oldOffset + 8 * i,
                                922 * series + row.newOffset + 8 * i, values ? 8 : row.width, 'o'});
        }
    for (const FieldRow& row : InfoRows)
        if (newLayout || row.oldOffset >= 0) rows.push_back({"Info." + row.name, row.oldOffset, row.newOffset, row.width, row.kind});
    return rows;
}

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
