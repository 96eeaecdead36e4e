// The tests' own table of both record layouts' fields, free of Qt so that every platform's tests share it.
#pragma once

#include <string>
#include <vector>

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

}  // namespace fixtures
