// gconvert --show and --verify, run as a process on files built here field by field from the tests' own table.
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

// The fields of both layouts in file order; old offset -1 for the one only the new layout has. Kinds:
// 'i' a 16-bit number, 't' a text, 'o' bytes. The series rows hold for both series, the second 922
// bytes on; the Values row stands for 102 values of 8 bytes.
struct Row { std::string name; int oldAt, newAt, width; char kind; };
const Row SeriesRows[] = {
    {"Values", 0, 0, 816, 'o'}, {"AuxA", 816, 816, 22, 'o'}, {"AuxB.Head", 838, 838, 16, 'o'}, {"AuxB.Rec1", 854, 854, 16, 'o'},
    {"AuxB.Rec2.Word", 870, 870, 2, 'o'}, {"AuxB.Rec2.Sub1.Head", 872, 872, 8, 'o'}, {"AuxB.Rec2.Sub1.Rec", 880, 880, 16, 'o'},
    {"AuxB.Rec2.Sub2.Head", 896, 896, 8, 'o'}, {"AuxB.Rec2.Sub2.Rec", 904, 904, 18, 'o'}};
const Row InfoRows[] = {
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

// Every field with its full name, each value of a series a field of its own.
std::vector<Row> fieldRows(bool newLayout)
{
    std::vector<Row> rows;
    for (const int series : {0, 1})
        for (const Row& row : SeriesRows) {
            const bool values = row.name == "Values";
            const std::string name = "Series" + std::to_string(series + 1) + '.' + row.name;
            for (int i = 0; i < (values ? 102 : 1); ++i)
                rows.push_back({values ? name + '[' + std::to_string(i) + ']' : name, 922 * series + row.oldAt + 8 * i,
                                922 * series + row.newAt + 8 * i, values ? 8 : row.width, 'o'});
        }
    for (const Row& row : InfoRows)
        if (newLayout || row.oldAt >= 0) rows.push_back({"Info." + row.name, row.oldAt, row.newAt, row.width, row.kind});
    return rows;
}

// A text with what a shown value escapes or decodes: a tab, quotes, a backslash and code-page letters.
const QByteArray OddText = QByteArray("Gr\xfc\xdf" "e \"A\"\t\\ \x80").leftJustified(75);
const QString OddTextShown = QString::fromUtf8(R"("Grüße \"A\"\x09\\ €)") + QString(62, u' ') + u'"';
const QString OddTextDecoded = QString::fromUtf8("Grüße \"A\"\t\\ €") + QString(62, u' ');

// A file of one layout whose fields each hold a pattern of their own; SaveInhibit 0 and, in the new
// layout, the marks of a converted file.
QByteArray patternedFile(bool newLayout)
{
    static const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QByteArray bytes(newLayout ? 3243 : 3231, '\0');
    const std::vector<Row> rows = fieldRows(newLayout);
    for (int f = 0; f < static_cast<int>(rows.size()); ++f) {
        const Row& row = rows[f];
        const int at = newLayout ? row.newAt : row.oldAt;
        const int number = row.name.ends_with("SaveInhibit") ? 0 : !row.name.ends_with("FormatMark") ? f * 131 - 30000 : newLayout ? 2 : 7;
        for (int i = 0; i < row.width; ++i)
            bytes[at + i] = static_cast<char>(row.kind == 'i' ? number >> (8 * i) : row.kind == 't' ? letters[(7 * f + i) % 62] : f * 29 + i * 7);
    }
    if (newLayout) bytes.replace(1912, 12, "19200,N,8,1 ");
    return bytes.replace(newLayout ? 1934 : 1922, 75, OddText);
}

// Hex with a blank after every 8 bytes.
QString spacedHex(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes.toHex()).replace(QRegularExpression(QStringLiteral("(.{16})(?!$)")), QStringLiteral("\\1 "));
}

struct Finished { int exitCode; QString out, err; };

class InspectTest : public ::testing::Test {
protected:
    InspectTest() { QDir(dir.path()).mkpath(QStringLiteral("d")); }

    QString path(const QString& name) const { return dir.filePath(name); }
    void write(const QString& name, const QByteArray& bytes) const
    {
        QFile file(path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    }
    QByteArray read(const QString& name) const
    {
        QFile file(path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    Finished gconvert(const QStringList& arguments) const
    {
        QProcess process;
        process.setWorkingDirectory(dir.path());
        process.start(QStringLiteral(GCONVERT_PATH), arguments);
        process.waitForFinished(60000);
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }

    QTemporaryDir dir;
    const QByteArray old = patternedFile(false), converted = patternedFile(true);
};

TEST_F(InspectTest, ShowTellsTheLayoutByLengthAndMarks)
{
    QByteArray unmarked = converted;
    unmarked[1898] = 1;  // a new length alone makes no converted file: old files may run on
    const struct { const char* name; QByteArray bytes; const char* header; } cases[] = {
        {"old.G", old, "old layout: 3231 bytes"}, {"long.G", old + QByteArray(32767 - 3231, 'x'), "old layout: 32767 bytes"},
        {"unmarked.G", unmarked, "old layout: 3243 bytes"}, {"new.G", converted, "new layout: 3243 bytes"},
        {"cut.G", converted.left(3235), "neither layout: 3235 bytes"}, {"grown.G", converted + 'x', "neither layout: 3244 bytes"},
        {"short.G", old.left(3230), "neither layout: 3230 bytes"}, {"empty.G", QByteArray(), "neither layout: 0 bytes"},
        {"huge.G", old + QByteArray(32768 - 3231, '\0'), "neither layout: 32768 bytes"},
    };
    for (const auto& c : cases) {
        write(c.name, c.bytes);
        const Finished run = gconvert({"--show", c.name});
        EXPECT_EQ(run.exitCode, 0) << c.name;
        EXPECT_TRUE(run.out.startsWith(QStringLiteral("%1: %2").arg(c.name, c.header))) << run.out.left(200).toStdString();
        EXPECT_EQ(run.out.count(u'\n') > 2, !QByteArray(c.header).startsWith("neither")) << c.name;  // fields or none
    }
    EXPECT_EQ(gconvert({"--show", "missing.G"}).exitCode, 1);
}

TEST_F(InspectTest, ShowListsEveryFieldAtItsOffsetAsTextAndJson)
{
    write("old.G", old);
    write("new.G", converted);
    const QJsonArray files = QJsonDocument::fromJson(gconvert({"--show", "--json", "old.G", "new.G"}).out.toUtf8())
                                 .object()[QStringLiteral("files")].toArray();
    ASSERT_EQ(files.size(), 2);
    for (const bool newLayout : {false, true}) {
        const QByteArray& file = newLayout ? converted : old;
        // Text lines "  offset width  name  value" by offset; values go four to a line: "Series1.Values[4..7]".
        std::map<int, std::pair<std::string, QString>> lines;
        static const QRegularExpression line(QStringLiteral(R"(^\s+(\d+)\s+\d+  (\S+)\s+(.*)$)"));
        for (const QString& text : gconvert({"--show", newLayout ? "new.G" : "old.G"}).out.split(u'\n'))
            if (const auto match = line.match(text); match.hasMatch())
                lines[match.captured(1).toInt()] = {match.captured(2).toStdString(), match.captured(3)};
        const QJsonObject shown = files[newLayout ? 1 : 0].toObject();
        EXPECT_EQ(shown[QStringLiteral("layout")].toString(), newLayout ? "new" : "old");
        const QJsonArray fields = shown[QStringLiteral("fields")].toArray();
        const std::vector<Row> rows = fieldRows(newLayout);
        ASSERT_EQ(fields.size(), static_cast<qsizetype>(rows.size()));
        for (std::size_t f = 0; f < rows.size(); ++f) {
            const Row& row = rows[f];
            SCOPED_TRACE(row.name);
            const int at = newLayout ? row.newAt : row.oldAt;
            const QByteArray bytes = file.mid(at, row.width);
            const int number = qFromLittleEndian<qint16>(bytes.constData());
            const QString text = bytes == OddText ? OddTextDecoded : QString::fromLatin1(bytes);
            const QString shownText = row.kind == 'i' ? QString::number(number) : row.kind == 'o' ? spacedHex(bytes)
                                      : bytes == OddText ? OddTextShown : u'"' + text + u'"';
            if (const auto bracket = row.name.find('['); bracket != std::string::npos) {
                const int index = std::stoi(row.name.substr(bracket + 1)), first = at - 8 * (index % 4);
                ASSERT_TRUE(lines.contains(first));
                EXPECT_TRUE(lines[first].first.starts_with(row.name.substr(0, bracket + 1) + std::to_string(index - index % 4) + ".."));
                EXPECT_EQ(lines[first].second.split(u' ').value(index % 4), shownText);
            } else {
                ASSERT_TRUE(lines.contains(at));
                EXPECT_EQ(lines[at].first, row.name);
                // Long byte groups go 32 bytes to a line.
                EXPECT_EQ(lines[at].second.toStdString(), (row.kind == 'o' ? shownText.left(67) : shownText).toStdString());
            }
            const QJsonObject field = fields[static_cast<qsizetype>(f)].toObject();
            EXPECT_EQ(field[QStringLiteral("name")].toString().toStdString(), row.name);
            EXPECT_EQ(field[QStringLiteral("offset")].toInt(), at);
            EXPECT_EQ(field[QStringLiteral("width")].toInt(), row.width);
            EXPECT_EQ(field[QStringLiteral("hex")].toString(), QString::fromLatin1(bytes.toHex()));
            const QJsonValue value = field[QStringLiteral("value")];
            EXPECT_EQ(value, row.kind == 'i' ? QJsonValue(number)
                                             : QJsonValue(row.kind == 'o' ? QString::fromLatin1(bytes.toHex()) : text));
        }
    }
}

class VerifyTest : public InspectTest {
protected:
    VerifyTest() { write("old.G", old); gconvert({"old.G", "d/new.G"}); made = read("d/new.G"); }
    QByteArray damaged(int at, const QByteArray& bytes) const { return QByteArray(made).replace(at, bytes.size(), bytes); }

    QByteArray made;  // what gconvert made of old.G as d/new.G
};

TEST_F(VerifyTest, NamesEachDamageByItsField)
{
    write("d/other.G", made);
    write("copy.G", old);
    // A path longer than the field is stored cut: the start of the path the file was saved as.
    const QString longPath = QStringLiteral("d/%1/new.G").arg(QString(80, u'x'));
    QDir(dir.path()).mkpath(longPath.chopped(6));
    write(longPath, damaged(2029, longPath.left(75).toLatin1()));
    // Each case is written as d/new.G; out: the one line of the difference, err: a refusal.
    const QStringList pair{"old.G", "d/new.G"};
    const struct { const char* label; QByteArray bytes; QStringList arguments; int exitCode; const char *out, *err; } cases[] = {
        {"faithful", made, pair, 0, "faithful", nullptr},
        {"a value", damaged(139, "Z"), pair, 1, "Series1.Values[17] at 136: ", nullptr},
        {"AuxD body", damaged(2493, "Z"), pair, 1, "Info.AuxD.Body at 2393 (2381 in the old file), from byte 100: ", nullptr},
        {"AuxA kept", damaged(828, old.mid(828, 1)), pair, 1, "Series1.AuxA at 816, from byte 12: ", nullptr},
        {"AuxA set", damaged(1753, "\x01"), pair, 1, "Series2.AuxA at 1738, ", nullptr},
        {"line settings", damaged(1912, "9600,N,8,1  "), pair, 1, "Info.PortSettings.LineSettings at 1912: ", nullptr},
        {"format mark", damaged(1898, QByteArray("\x01\x00", 2)), pair, 1, "Info.SaveStamp.FormatMark at 1898: expected 2, found 1", nullptr},
        {"no stamp", damaged(1856, "--.--- ---- / --:--:--"), pair, 1, "Info.SaveStamp.StampText at 1856: ", nullptr},
        {"stamp form", damaged(1856, "05.03 2027 / 09:05:07"), pair, 1, "Info.SaveStamp.StampText at 1856: ", nullptr},
        {"shifted field", damaged(1924, "#"), pair, 1, "Info.PortSettings.PortChar1 at 1924 (1912 in the old file): ", nullptr},
        {"windows path", damaged(2029, QByteArray("C:\\DATA\\new.G").leftJustified(75)), pair, 0, "faithful", nullptr},
        {"cut path", made, {"old.G", longPath}, 0, "faithful", nullptr},
        {"folder only", damaged(2029, QByteArray("d/").leftJustified(75)), pair, 1, "Info.FileInfo.FileName at 2029: ", nullptr},
        {"renamed", made, {"old.G", "d/other.G"}, 1, "Info.FileInfo.FileName at 2029: ", nullptr},
        {"old as new", made, {"old.G", "copy.G"}, 1, nullptr, "gconvert: copy.G: not a converted file: old layout"},
        {"swapped", made, {"d/new.G", "old.G"}, 1, nullptr, "gconvert: d/new.G: not an old file: new layout"},
        {"one file", made, {"old.G"}, 2, nullptr, "gconvert: --verify takes OLD and NEW"},
    };
    for (const auto& c : cases) {
        write("d/new.G", c.bytes);
        const Finished run = gconvert(QStringList{"--verify"} + c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.label;
        EXPECT_TRUE(c.out ? run.out.startsWith(QString::fromUtf8(c.out)) && run.out.count(u'\n') == 1
                          : run.err.startsWith(QString::fromUtf8(c.err)) && run.out.isEmpty())
            << c.label << ": " << run.out.toStdString() << run.err.toStdString();
    }
    write("d/new.G", damaged(139, "Z"));
    const QJsonObject report = QJsonDocument::fromJson(gconvert({"--verify", "--json", "old.G", "d/new.G"}).out.toUtf8()).object();
    EXPECT_EQ(report[QStringLiteral("differences")].toArray(), QJsonArray({QJsonObject{
        {"field", "Series1.Values[17]"}, {"offset", 136}, {"oldOffset", 136}, {"width", 8}, {"kind", "opaque"}, {"rule", "carried"},
        {"expected", old.mid(136, 8).toHex().data()}, {"expectedHex", old.mid(136, 8).toHex().data()},
        {"found", damaged(139, "Z").mid(136, 8).toHex().data()}, {"foundHex", damaged(139, "Z").mid(136, 8).toHex().data()}}}));
}

TEST_F(VerifyTest, ChecksATreeAsConvertingATreeFindsIt)
{
    QDir(dir.path()).mkpath(QStringLiteral("old/sub"));
    QDir(dir.path()).mkpath(QStringLiteral("conv"));
    for (const char* name : {"old/a.G", "old/sub/b.G", "old/sub/c.G"}) write(name, old);
    write("old/notes.txt", "no measurement file");
    ASSERT_EQ(gconvert({"-r", "-o", "conv", "old"}).exitCode, 0);
    const Finished faithful = gconvert({"--verify", "-r", "old", "conv"});
    EXPECT_EQ(faithful.exitCode, 0);
    EXPECT_EQ(faithful.out, "3 old files: 3 faithful, 0 differing, 0 missing, 0 not an old file; 0 extra, 0 unreadable\n");

    write("conv/sub/b.G", read("conv/sub/b.G").replace(8, 1, "Z"));
    QFile::remove(path("conv/sub/c.G"));
    write("conv/sub/extra.G", read("conv/a.G"));
    write("old/sub/d.G", made);  // converting refuses it: nothing to compare with
    const Finished run = gconvert({"--verify", "-r", "old", "conv"});
    EXPECT_EQ(run.exitCode, 1);
    const QStringList lines = run.out.split(u'\n');
    for (const char* start : {"conv/sub/b.G: Series1.Values[1] at 8: ", "conv/sub/c.G: missing", "old/sub/d.G: not an old file",
                              "conv/sub/extra.G: extra", "4 old files: 1 faithful, 1 differing, 1 missing, 1 not an old file; 1 extra"})
        EXPECT_TRUE(std::ranges::any_of(lines, [&](const QString& line) { return line.startsWith(QString::fromUtf8(start)); }))
            << start << " in\n" << run.out.toStdString();
    const QJsonObject summary = QJsonDocument::fromJson(gconvert({"--verify", "-r", "--json", "old", "conv"}).out.toUtf8())
                                    .object()[QStringLiteral("summary")].toObject();
    for (const char* count : {"faithful", "differing", "missing", "notOld", "extra"})
        EXPECT_EQ(summary[QString::fromUtf8(count)].toInt(), 1) << count;
}

}  // namespace
