// Literal byte fixtures of old measurement files and the new files they convert to, shared by the tests.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <gtest/gtest.h>

#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Failures show texts as texts, not as lists of 16-bit units.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace fixtures {

// Every leaf field of the old record, with its offset in an old and in a new file.
struct FieldRow { const char* name; int oldOffset, newOffset, width; };
inline const std::vector<FieldRow> FieldRows = {
    {"Series1.Values", 0, 0, 816},           {"Series1.AuxA", 816, 816, 22},
    {"Series1.AuxB.Head", 838, 838, 16},     {"Series1.AuxB.Rec1", 854, 854, 16},
    {"Series1.AuxB.Rec2.Word", 870, 870, 2}, {"Series1.AuxB.Rec2.Sub1.Head", 872, 872, 8},
    {"Series1.AuxB.Rec2.Sub1.Rec", 880, 880, 16}, {"Series1.AuxB.Rec2.Sub2.Head", 896, 896, 8},
    {"Series1.AuxB.Rec2.Sub2.Rec", 904, 904, 18}, {"Series2.Values", 922, 922, 816},
    {"Series2.AuxA", 1738, 1738, 22},        {"Series2.AuxB.Head", 1760, 1760, 16},
    {"Series2.AuxB.Rec1", 1776, 1776, 16},   {"Series2.AuxB.Rec2.Word", 1792, 1792, 2},
    {"Series2.AuxB.Rec2.Sub1.Head", 1794, 1794, 8}, {"Series2.AuxB.Rec2.Sub1.Rec", 1802, 1802, 16},
    {"Series2.AuxB.Rec2.Sub2.Head", 1818, 1818, 8}, {"Series2.AuxB.Rec2.Sub2.Rec", 1826, 1826, 18},
    {"InfoHead.HeadWord", 1844, 1844, 2},    {"InfoHead.HeadRec", 1846, 1846, 10},
    {"SaveStamp.StampText", 1856, 1856, 40}, {"SaveStamp.SaveInhibit", 1896, 1896, 2},
    {"SaveStamp.FormatMark", 1898, 1898, 2}, {"SaveStamp.StampAux", 1900, 1900, 2},
    {"Pair.First", 1902, 1902, 4},           {"Pair.Second", 1906, 1906, 4},
    {"PortSettings.PortValue1", 1910, 1910, 2}, {"PortSettings.PortChar1", 1912, 1924, 1},
    {"PortSettings.PortValue2", 1913, 1925, 2}, {"PortSettings.PortChar2", 1915, 1927, 1},
    {"PortSettings.PortValue3", 1916, 1928, 2}, {"PortSettings.PortValue4", 1918, 1930, 2},
    {"PortSettings.PortChar3", 1920, 1932, 1}, {"PortSettings.PortChar4", 1921, 1933, 1},
    {"FileInfo.FileText1", 1922, 1934, 75},  {"FileInfo.FileText2", 1997, 2009, 20},
    {"FileInfo.FileName", 2017, 2029, 75},   {"FileInfo.FileWord", 2092, 2104, 2},
    {"TextBlock.Text1", 2094, 2106, 75},     {"TextBlock.Text2", 2169, 2181, 75},
    {"TextBlock.Text3", 2244, 2256, 75},     {"TextBlock.Text4", 2319, 2331, 40},
    {"Word1", 2359, 2371, 2},                {"Word2", 2361, 2373, 2},
    {"Quad", 2363, 2375, 4},                 {"Word3", 2367, 2379, 2},
    {"AuxD.Word", 2369, 2381, 2},            {"AuxD.Mid", 2371, 2383, 10},
    {"AuxD.Body", 2381, 2393, 824},          {"AuxE", 3205, 3217, 26},
};

// The stamp the tests' clock gives the engine.
inline constexpr char Stamp[] = "24.12 2026 / 18:30:00";

// An old file whose fields each hold their own pattern, different along each field, with
// SaveInhibit 0 and FormatMark 0x0107.
inline QByteArray patternedOldFile()
{
    QByteArray bytes(3231, '\0');
    for (std::size_t f = 0; f < FieldRows.size(); ++f)
        for (int i = 0; i < FieldRows[f].width; ++i)
            bytes[FieldRows[f].oldOffset + i] = static_cast<char>(0x80 + f * 7 + i * 13);
    return bytes.replace(1896, 4, QByteArray("\0\0\x07\x01", 4));
}

// What the conversion of oldFile saved with stamp as fileName must hold, put together field by field
// from the table: the line settings inserted at 1912, bytes 8-15 of both AuxA cleared, the stamp,
// FormatMark 2 and the name (cut at 75) set.
inline QByteArray expectedNewFile(const QByteArray& oldFile, std::string_view stamp, std::string_view fileName)
{
    const auto blankPadded = [](std::string_view text, int width) {
        return QByteArray(text.data(), static_cast<qsizetype>(text.size())).leftJustified(width, ' ', true);
    };
    QByteArray expected(3243, '\0');
    for (const FieldRow& row : FieldRows) expected.replace(row.newOffset, row.width, oldFile.mid(row.oldOffset, row.width));
    expected.replace(1912, 12, "19200,N,8,1 ");
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
    for (const FieldRow& row : FieldRows)
        if (written.mid(row.newOffset, row.width) != expected.mid(row.newOffset, row.width)) fields += " " + std::string(row.name);
    if (written.mid(1912, 12) != expected.mid(1912, 12)) fields += " LineSettings";
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

}  // namespace fixtures
