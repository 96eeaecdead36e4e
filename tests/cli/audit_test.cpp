// gconvert --show and --verify on files built field by field from the tests' own table of fields.
#include "gconvert_run.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtEndian>

#include <string>
#include <vector>

namespace {

using fixtures::fieldRows;
using fixtures::OddText;
using fixtures::patternedFile;
using Row = fixtures::FieldRow;

// The odd text as JSON decodes it.
const QString OddTextDecoded = QString::fromUtf8("Grüße \"A\"\t\\ €") + QString(62, u' ');

using AuditTest = GconvertTest;
const QByteArray converted = patternedFile(true);

TEST_F(AuditTest, ShowTellsTheLayoutByLengthAndMarks)
{
    QByteArray unmarked = converted;
    unmarked[1898] = 1;  // a new length alone makes no converted file: old files may run on
    const struct { const char* name; QByteArray bytes; const char* header; } cases[] = {
        {"long.G", old + QByteArray(32767 - 3231, 'x'), "old layout: 32767 bytes"}, {"unmarked.G", unmarked, "old layout: 3243 bytes"},
        {"cut.G", converted.left(3235), "neither layout: 3235 bytes"}, {"grown.G", converted + 'x', "neither layout: 3244 bytes"},
        {"short.G", old.left(3230), "neither layout: 3230 bytes"}, {"empty.G", QByteArray(), "neither layout: 0 bytes"},
        {"huge.G", old + QByteArray(32768 - 3231, '\0'), "neither layout: 32768 bytes"},
    };
    for (const auto& c : cases) {
        put(c.name, c.bytes);
        const Finished run = gconvert({"--show", c.name});
        EXPECT_EQ(run.exitCode, 0) << c.name;
        EXPECT_TRUE(run.out.startsWith(QStringLiteral("%1: %2").arg(c.name, c.header))) << run.out.left(200).toStdString();
        EXPECT_EQ(run.out.count(u'\n') > 2, !QByteArray(c.header).startsWith("neither")) << c.name;  // fields or none
    }
    EXPECT_EQ(gconvert({"--show", "missing.G"}).exitCode, 1);
}

// The text is compared with a reviewed copy of what it must be; the JSON document field by field with
// the tests' table of fields.
TEST_F(AuditTest, ShowListsEveryFieldAtItsOffsetAsTextAndJson)
{
    put("old.G", old);
    put("new.G", converted);
    for (const QString name : {"old.G", "new.G"}) {
        QFile shown(QStringLiteral(SHOWN_FOLDER "/%1.txt").arg(name));
        ASSERT_TRUE(shown.open(QIODevice::ReadOnly));
        EXPECT_EQ(gconvert({"--show", name}).out.toStdString(), shown.readAll().toStdString());
    }
    const QJsonArray files = QJsonDocument::fromJson(gconvert({"--show", "--json", "old.G", "new.G"}).out.toUtf8())
                                 .object()[QStringLiteral("files")].toArray();
    ASSERT_EQ(files.size(), 2);
    for (const bool newLayout : {false, true}) {
        const QJsonObject shown = files[newLayout ? 1 : 0].toObject();
        EXPECT_EQ(shown[QStringLiteral("layout")].toString(), newLayout ? "new" : "old");
        const QJsonArray fields = shown[QStringLiteral("fields")].toArray();
        const std::vector<Row> rows = fieldRows(newLayout);
        ASSERT_EQ(fields.size(), static_cast<qsizetype>(rows.size()));
        for (std::size_t f = 0; f < rows.size(); ++f) {
            const Row& row = rows[f];
            const int at = newLayout ? row.newOffset : row.oldOffset;
            const QByteArray bytes = (newLayout ? converted : old).mid(at, row.width);
            const QString hex = QString::fromLatin1(bytes.toHex());
            const QJsonValue value = row.kind == 'i' ? QJsonValue(qFromLittleEndian<qint16>(bytes.constData()))
                                     : row.kind == 'o' ? QJsonValue(hex)
                                     : QJsonValue(bytes == OddText ? OddTextDecoded : QString::fromLatin1(bytes));
            EXPECT_EQ(fields[static_cast<qsizetype>(f)].toObject(),
                      (QJsonObject{{"name", QString::fromStdString(row.name)}, {"offset", at}, {"width", row.width}, {"hex", hex},
                                   {"kind", row.kind == 'i' ? "integer" : row.kind == 't' ? "text" : "opaque"}, {"value", value}}))
                << row.name;
        }
    }
}

class VerifyTest : public AuditTest {
protected:
    VerifyTest()
    {
        put("old.G", old);
        QDir(dir.path()).mkpath("d");
        gconvert({"old.G", "d/new.G"});
        made = read("d/new.G");
    }
    QByteArray damaged(int at, const QByteArray& bytes) const { return QByteArray(made).replace(at, bytes.size(), bytes); }

    QByteArray made;  // what gconvert made of old.G as d/new.G
};

TEST_F(VerifyTest, NamesEachDamageByItsField)
{
    put("d/other.G", made);
    put("copy.G", old);
    // A path longer than the field is stored cut: the start of the path the file was saved as.
    const QString longPath = QStringLiteral("d/%1/new.G").arg(QString(80, u'x'));
    put(longPath, damaged(2029, longPath.left(75).toLatin1()));
    // Each case is written as d/new.G; out: the one line of the difference, err: a refusal.
    const QStringList pair{"old.G", "d/new.G"};
    const struct { const char* label; QByteArray bytes; QStringList arguments; int exitCode; const char *out, *err; } cases[] = {
        {"faithful", made, pair, 0, "faithful", nullptr},
        {"a value", damaged(139, "Z"), pair, 1, "Series1.Values[17] at 136: ", nullptr},
        {"AuxD body", damaged(2493, "Z"), pair, 1, "Info.AuxD.Body at 2393 (2381 in the old file), from byte 100: ", nullptr},
        {"AuxA kept", damaged(828, old.mid(828, 1)), pair, 1, "Series1.AuxA at 816, from byte 12: ", nullptr},
        {"line settings", damaged(1912, "9600,N,8,1  "), pair, 1, "Info.PortSettings.LineSettings at 1912: ", nullptr},
        {"format mark", damaged(1898, QByteArray("\x01\x00", 2)), pair, 1, "Info.SaveStamp.FormatMark at 1898: expected 2, found 1", nullptr},
        {"stamp form", damaged(1856, "05.03 2027 / 09:05:07"), pair, 1, "Info.SaveStamp.StampText at 1856: ", nullptr},
        {"shifted field", damaged(1924, "#"), pair, 1, "Info.PortSettings.PortChar1 at 1924 (1912 in the old file): ", nullptr},
        {"windows path", damaged(2029, QByteArray("C:\\DATA\\new.G").leftJustified(75)), pair, 0, "faithful", nullptr},
        {"cut path", made, {"old.G", longPath}, 0, "faithful", nullptr},
        {"renamed", made, {"old.G", "d/other.G"}, 1, "Info.FileInfo.FileName at 2029: ", nullptr},
        {"old as new", made, {"old.G", "copy.G"}, 1, nullptr, "gconvert: copy.G: not a converted file: old layout"},
        {"swapped", made, {"d/new.G", "old.G"}, 1, nullptr, "gconvert: d/new.G: not an old file: new layout"},
        {"one file", made, {"old.G"}, 2, nullptr, "gconvert: --verify takes OLD and NEW"},
    };
    for (const auto& c : cases) {
        put("d/new.G", c.bytes);
        const Finished run = gconvert(QStringList{"--verify"} + c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.label;
        EXPECT_TRUE(c.out ? run.out.startsWith(QString::fromUtf8(c.out)) && run.out.count(u'\n') == 1
                          : run.err.startsWith(QString::fromUtf8(c.err)) && run.out.isEmpty())
            << c.label << ": " << run.out.toStdString() << run.err.toStdString();
    }
}

TEST_F(VerifyTest, ChecksATreeAsConvertingATreeFindsIt)
{
    for (const char* name : {"old/a.G", "old/sub/b.G", "old/sub/c.G"}) put(name, old);
    put("old/notes.txt", "no measurement file");
    ASSERT_EQ(gconvert({"-r", "-o", "conv", "old"}).exitCode, 0);
    const Finished faithful = gconvert({"--verify", "-r", "old", "conv"});
    EXPECT_EQ(faithful.exitCode, 0);
    EXPECT_EQ(faithful.out, "3 old files: 3 faithful, 0 differing, 0 missing, 0 not an old file; 0 extra, 0 unreadable\n");

    put("conv/sub/b.G", read("conv/sub/b.G").replace(8, 1, "Z"));
    QFile::remove(path("conv/sub/c.G"));
    put("conv/sub/extra.G", read("conv/a.G"));
    put("old/sub/d.G", made);  // converting refuses it: nothing to compare with
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
