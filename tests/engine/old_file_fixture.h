// Literal byte fixtures of old measurement files and the new files they convert to, and the file helpers the tests share.
#pragma once

#include "../records/field_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace fixtures {

namespace fs = std::filesystem;
using namespace std::string_literals;

// The stamp the tests' clock gives the engine.
inline constexpr char Stamp[] = "24.12 2026 / 18:30:00";

// text cut or padded with blanks to width, as the records keep their texts.
inline std::string padded(std::string_view text, std::size_t width) { return std::string(text.substr(0, width)).append(width - std::min(width, text.size()), ' '); }
// At most n bytes from at on; none past the end, where a short file has none.
inline std::string mid(const std::string& bytes, std::size_t at, std::size_t n) { return at < bytes.size() ? bytes.substr(at, n) : ""; }

// A text of the files' code page with what a shown value must escape or decode: letters beyond
// ASCII, quotes, a tab and a backslash.
inline const std::string OddText = padded("Gr\xfc\xdf" "e \"A\"\t\\ \x80", 75);

// A file of one layout whose fields each hold a pattern of their own: numbers, letters, bytes of any
// value; SaveInhibit 0, FileText1 the odd text and, in the new layout, the marks of a converted file.
inline std::string patternedFile(bool newLayout)
{
    static const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::string bytes(newLayout ? 3243 : 3231, '\0');
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

// What the conversion of oldFile saved with stamp as fileName must hold, put together field by field
// from the table: the line settings inserted at 1912, bytes 8-15 of both AuxA cleared, the stamp,
// FormatMark 2 and the name (cut at 75) set.
inline std::string expectedNewFile(const std::string& oldFile, std::string_view stamp, std::string_view fileName)
{
    std::string expected(3243, '\0');
    for (const FieldRow& row : fieldRows(true))
        expected.replace(row.newOffset, row.width, row.oldOffset < 0 ? "19200,N,8,1 " : mid(oldFile, row.oldOffset, row.width));
    for (int at : {824, 1746}) expected.replace(at, 8, 8, '\0');
    expected.replace(1856, 40, padded(stamp, 40));
    expected.replace(1898, 2, "\x02\0"s);
    return expected.replace(2029, 75, padded(fileName, 75));
}

// A whole-file comparison that names the fields in which a new file differs.
inline ::testing::AssertionResult sameNewFile(const std::string& written, const std::string& expected)
{
    if (written == expected) return ::testing::AssertionSuccess();
    std::string fields = "size " + std::to_string(written.size()) + ", differs in:";
    for (const FieldRow& row : fieldRows(true))
        if (mid(written, row.newOffset, row.width) != mid(expected, row.newOffset, row.width)) fields += " " + row.name;
    return ::testing::AssertionFailure() << fields;
}

inline std::span<const std::uint8_t> bytesOf(std::string_view bytes) { return {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()}; }

// Paths are the system's bytes, UTF-8 where the system names files in UTF-16, as the engine takes them.
inline std::string pathText(const fs::path& path) { const std::u8string text = path.u8string(); return {text.begin(), text.end()}; }

// Writes bytes to path, making its folders; fails the running test when it cannot, so that no test
// runs on a missing input.
inline void writeFile(const std::string& path, const std::string& bytes)
{
    std::error_code error;
    fs::create_directories(fs::u8path(path).parent_path(), error);
    std::ofstream file(fs::u8path(path), std::ios::binary);
    if (!(file << bytes).flush()) ADD_FAILURE() << "cannot write fixture " << path;
}

inline std::string readFile(const std::string& path)
{
    std::error_code error;  // a folder reads as nothing, as a missing file does
    if (!fs::is_regular_file(fs::u8path(path), error)) return {};
    std::ifstream file(fs::u8path(path), std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

// Every entry of folder (hidden ones, folders and links too) by name, in byte order.
inline std::vector<std::string> entries(const std::string& folder)
{
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(fs::u8path(folder))) names.push_back(pathText(entry.path().filename()));
    std::ranges::sort(names);
    return names;
}

// Every file below folder by its relative name, with its content; hidden ones (temporaries) too.
inline std::map<std::string, std::string> filesBelow(const std::string& folder)
{
    std::map<std::string, std::string> files;
    std::error_code missing;  // a folder not made yet holds nothing
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(fs::u8path(folder), missing))
        if (entry.is_regular_file()) files[pathText(entry.path().lexically_relative(fs::u8path(folder)))] = readFile(pathText(entry.path()));
    return files;
}

// A folder of the test's own, removed with all it holds when the test ends: tests that run side by
// side never share a file, which Windows (and wine) would refuse to open twice.
class TemporaryFolder {
public:
    explicit TemporaryFolder(const fs::path& in = fs::temp_directory_path())
    {
        std::mt19937_64 random{std::random_device{}()};
        do root = in / ("fileconverter-test-" + std::to_string(random())); while (!fs::create_directory(root));
    }
    ~TemporaryFolder() { std::error_code error; fs::remove_all(root, error); }
    std::string path() const { return pathText(root); }
    std::string path(const std::string& name) const { return pathText(root / fs::u8path(name)); }
    fs::path root;
};

}  // namespace fixtures

// The window's tests stay on Qt: they take the fixtures in Qt's types.
#ifdef QT_CORE_LIB
#include <QByteArray>
#include <QDirIterator>
#include <QFile>
#include <QString>

// Failures show texts as texts, not as lists of 16-bit units.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace fixtures {
inline QByteArray patternedOldFile() { return QByteArray::fromStdString(patternedFile(false)); }
inline QByteArray expectedNewFile(const QByteArray& old, std::string_view stamp, std::string_view name)
{
    return QByteArray::fromStdString(expectedNewFile(old.toStdString(), stamp, name));
}
inline void writeFile(const QString& path, const QByteArray& bytes) { writeFile(QFile::encodeName(path).toStdString(), bytes.toStdString()); }
inline QByteArray readFile(const QString& path) { return QByteArray::fromStdString(readFile(QFile::encodeName(path).toStdString())); }
inline std::map<QString, QByteArray> filesBelow(const QString& folder)
{
    std::map<QString, QByteArray> files;
    for (const auto& [name, bytes] : filesBelow(QFile::encodeName(folder).toStdString())) files[QFile::decodeName(name.c_str())] = QByteArray::fromStdString(bytes);
    return files;
}
}  // namespace fixtures
#endif
