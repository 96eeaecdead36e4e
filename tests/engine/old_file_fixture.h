// Literal byte fixtures of old measurement files, shared by the engine and command tests.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <gtest/gtest.h>

#include <cstdint>
#include <string_view>
#include <vector>

namespace fixtures {

// Every leaf field of the old record, with its offset in an old and in a new file.
struct FieldRow {
    const char* name;
    int oldOffset;
    int newOffset;
    int width;
};

inline const std::vector<FieldRow>& fieldRows()
{
    static const std::vector<FieldRow> rows = {
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
    return rows;
}

// The byte at position i of field number f: different in every field and along each field.
inline std::uint8_t patternByte(std::size_t field, std::size_t i)
{
    return static_cast<std::uint8_t>(0x80 + field * 7 + i * 13);
}

// An old file whose fields each hold their own pattern, SaveInhibit 0 and FormatMark 0x0107.
inline QByteArray patternedOldFile()
{
    QByteArray bytes(3231, '\0');
    const auto& rows = fieldRows();
    for (std::size_t f = 0; f < rows.size(); ++f)
        for (int i = 0; i < rows[f].width; ++i) bytes[rows[f].oldOffset + i] = static_cast<char>(patternByte(f, i));
    bytes[1896] = 0;
    bytes[1897] = 0;
    bytes[1898] = 0x07;
    bytes[1899] = 0x01;
    return bytes;
}

// What a converted file of patternedOldFile() must hold, with the stamp and name the save set.
inline QByteArray expectedNewFile(const QByteArray& oldFile, std::string_view stamp, std::string_view fileName)
{
    QByteArray expected = oldFile.left(1912) + QByteArray("19200,N,8,1 ") + oldFile.mid(1912);
    for (int at : {824, 1746}) expected.replace(at, 8, QByteArray(8, '\0'));
    expected.replace(1856, 40, QByteArray(stamp.data(), static_cast<int>(stamp.size())).leftJustified(40, ' '));
    expected[1898] = 2;
    expected[1899] = 0;
    expected.replace(2029, 75, QByteArray(fileName.data(), static_cast<int>(fileName.size())).leftJustified(75, ' ', true));
    return expected;
}

// Fails the running test when the fixture cannot be written, so no test runs on a missing input.
inline void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush())
        ADD_FAILURE() << "cannot write fixture " << path.toStdString();
}

inline QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace fixtures
