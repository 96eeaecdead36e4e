// gconvert --show and --verify on files built field by field from the tests' own table of fields.
#include "gconvert_run.h"

#include "audit/converted_marks.h"
#include "engine/conversion_rule.h"
#include "support/engine/stamps.h"

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

// The verifier states what converting sets on its own; this is the one place that holds it to the engine.
TEST(AuditMarks, AreWhatTheEngineSets)
{
    records::Text<12> lineSettings;
    lineSettings.assign(engine::ConvertedLineSettings);
    EXPECT_EQ(lineSettings.view(), audit::ConvertedLineSettings);
    EXPECT_EQ(std::pair(audit::ClearedAuxAFrom, audit::ClearedAuxAUpTo), std::pair(engine::ReleasedAuxAFrom, engine::ReleasedAuxAUpTo));
    records::NewWorkingForm saved{};
    engine::prepareForSaving(saved, "", "");
    EXPECT_EQ(saved.Info.SaveStamp.FormatMark, audit::ConvertedFormatMark);
    for (const support::StampMoment moment : {support::StampMoment{2026, 12, 24, 18, 30, 0}, {999, 2, 28, 0, 0, 59}}) {
        records::Text<40> stamp;
        stamp.assign(support::formatSaveStamp(moment));
        EXPECT_TRUE(audit::isSaveStamp(fixtures::bytesOf(QByteArray(stamp.bytes.data(), 40)))) << stamp.view();
    }
    for (const char* text : {"19200,N,8,1 ", "9600,e,7,1.5", "19200,N,8,  ", "19200,N,8,1x", "1200,NN,8,1 ", "19200,N,8,1."})
        for (const std::int16_t mark : {1, 2}) {
            std::array<std::uint8_t, records::OldRecordLength> record{};
            std::copy_n(text, 12, record.begin() + 1912);
            record[1898] = static_cast<std::uint8_t>(mark);
            EXPECT_EQ(audit::looksConverted(record), engine::looksConverted(record)) << text << ", mark " << mark;
        }
}

// What converting old.G as target stores, by the fixtures' oracle and never by gconvert: the stored
// name is the target's absolute path from the folder gconvert runs in.
class VerifyTest : public AuditTest {
protected:
    QByteArray oracle(const QString& target) const
    {
        return fixtures::expectedNewFile(old, fixtures::Stamp, (QFileInfo(dir.path()).canonicalFilePath() + '/' + target).toStdString());
    }
    QByteArray made = oracle("new/a/b.G");
    QByteArray damaged(int at, const QByteArray& bytes) const { return QByteArray(made).replace(at, bytes.size(), bytes); }
    // Every line of the run begins as one of lines, in order.
    static void expectLines(const Finished& run, const QStringList& lines, const char* label)
    {
        const QStringList got = run.out.split(u'\n', Qt::SkipEmptyParts);
        EXPECT_TRUE(got.size() == lines.size() && std::ranges::equal(got, lines, [](const QString& line, const QString& start) { return line.startsWith(start); }) && run.err.isEmpty())
            << label << ":\n" << run.out.toStdString() << run.err.toStdString();
    }
};

TEST_F(VerifyTest, NamesEachFaultByFieldAndOffset)
{
    for (const char* name : {"old/a/b.G", "old/b.G"}) put(name, old);
    const QString cut = "new/" + QString(70, u'x') + "/b.G", at = "new/a/b.G: ";  // a path the record stores cut
    const struct { const char* label; QString oldName, newName; QByteArray bytes; int exitCode; QStringList lines; } cases[] = {
        {"faithful", "old/a/b.G", "new/a/b.G", made, 0, {at + "faithful"}},
        {"cut path", "old/a/b.G", cut, oracle(cut), 0, {cut + ": faithful"}},
        {"moved archive", "old/b.G", "new/a/b.G", damaged(2029, QByteArray("C:\\LAB\\a\\b.G").leftJustified(75)), 0, {at + "faithful"}},
        {"source path", "old/a/b.G", "new/a/b.G", damaged(2029, oracle("old/a/b.G").mid(2029, 75)), 1, {at + "Info.FileInfo.FileName at 2029: "}},
        {"one byte longer", "old/a/b.G", "new/a/b.G", made + 'x', 1, {at + "not a new file: neither layout: 3244 bytes"}},
        {"line settings", "old/a/b.G", "new/a/b.G", damaged(1912, "19200,N,8,2 "), 1,
         {at + "Info.PortSettings.LineSettings at 1912: expected \"19200,N,8,1 \", found \"19200,N,8,2 \""}},
        {"format mark", "old/a/b.G", "new/a/b.G", damaged(1898, QByteArray("\x01\x00", 2)), 1, {at + "Info.SaveStamp.FormatMark at 1898: expected 2, found 1"}},
        {"carried byte", "old/a/b.G", "new/a/b.G", damaged(139, "Z"), 1, {at + "Series1.Values[17] at 136: "}},
        {"AuxA kept", "old/a/b.G", "new/a/b.G", damaged(824, old.mid(824, 8)).replace(1746, 8, old.mid(1746, 8)), 1,
         {at + "Series1.AuxA at 816, from byte 8: expected 0000000000000000", at + "Series2.AuxA at 1738, from byte 8: expected 0000000000000000"}},
        {"AuxD body", "old/a/b.G", "new/a/b.G", damaged(2493, "Z"), 1, {at + "Info.AuxD.Body at 2393 (2381 in the old file), from byte 100: "}},
        {"shifted field", "old/a/b.G", "new/a/b.G", damaged(1924, "#"), 1, {at + "Info.PortSettings.PortChar1 at 1924 (1912 in the old file): "}},
        {"stamp form", "old/a/b.G", "new/a/b.G", damaged(1856, "05.03 2027 / 09:05:07"), 1, {at + "Info.SaveStamp.StampText at 1856: "}},
    };
    for (const auto& c : cases) {
        put(c.newName, c.bytes);
        const Finished run = gconvert({"--verify", c.oldName, c.newName});
        EXPECT_EQ(run.exitCode, c.exitCode) << c.label;
        expectLines(run, c.lines, c.label);
    }
}

TEST_F(VerifyTest, CountsEachFileOfATreeOnceInItsPlace)
{
    const auto summary = [](int files, int faithful, int notNew, int extra, int unreadable) {
        return QStringLiteral("%1 old files: %2 faithful, 0 differing, 0 missing, 0 not an old file, %3 not a new file; %4 extra, %5 unreadable")
            .arg(files).arg(faithful).arg(notNew).arg(extra).arg(unreadable);
    };
    // Each case adds one file or link to old/a.G and old/sub/b.G and their conversions under its new folder.
    const struct { const char* label; QString newFolder, added; QByteArray bytes; const char* linkTo; QStringList lines; } cases[] = {
        {"faithful", "conv", {}, {}, nullptr, {summary(2, 2, 0, 0, 0)}},
        {"output folder inside the archive", "old/conv", {}, {}, nullptr, {summary(2, 2, 0, 0, 0)}},
        {"an extra file", "conv", "conv/sub/x.G", made, nullptr, {"conv/sub/x.G: extra: no old file converts to it", summary(2, 2, 0, 1, 0)}},
        {"one byte longer", "conv", "conv/sub/b.G", oracle("conv/sub/b.G") + 'x', nullptr,
         {"conv/sub/b.G: not a new file: neither layout: 3244 bytes", summary(2, 1, 1, 0, 0)}},
        {"lower-case .g", "conv", "old/x.g", old, nullptr, {summary(2, 2, 0, 0, 0)}},
        {"nothing before .G", "conv", "old/.G", old, nullptr, {summary(2, 2, 0, 0, 0)}},
        {"link to a folder", "conv", "old/link", {}, "sub", {summary(2, 2, 0, 0, 0)}},
        {"link to no file", "conv", "old/c.G", {}, "none.G", {"old/c.G: cannot read: File not found (error 53)", summary(3, 2, 0, 0, 1)}},
    };
    for (const auto& c : cases) {
        QDir(path("old")).removeRecursively();
        QDir(path("conv")).removeRecursively();
        for (const QString name : {"a.G", "sub/b.G"}) {
            put("old/" + name, old);
            put(c.newFolder + '/' + name, oracle(c.newFolder + '/' + name));
        }
        if (c.linkTo) QFile::link(c.linkTo, path(c.added));
        else if (!c.added.isEmpty()) put(c.added, c.bytes);
        const Finished run = gconvert({"--verify", "-r", "old", c.newFolder});
        EXPECT_EQ(run.exitCode, c.lines.size() > 1 ? 1 : 0) << c.label;
        expectLines(run, c.lines, c.label);
    }
    const QJsonObject report = QJsonDocument::fromJson(gconvert({"--verify", "-r", "--json", "old", "conv"}).out.toUtf8()).object();
    EXPECT_EQ(report["unreadable"].toArray(), (QJsonArray{QJsonObject{{"path", "old/c.G"}, {"error", "File not found (error 53)"}}}));
}

}  // namespace
