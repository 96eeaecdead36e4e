// Loading, converting and saving through the engine, checked on the bytes of real files.
#include "engine/conversion_engine.h"
#include "old_file_fixture.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using engine::ConversionEngine;
using engine::FileErrorNumber;
using fixtures::readFile;
using fixtures::writeFile;

constexpr char Stamp[] = "24.12 2026 / 18:30:00";

class EngineTest : public ::testing::Test {
protected:
    QString path(const QString& name) const { return dir.filePath(name); }

    engine::FileResult convert(const QString& source)
    {
        auto loaded = engine.g_DateiLaden(source);
        if (!loaded) return loaded;
        engine.DatenUebernehmen();
        engine.DatenKonvertieren();
        return {};
    }

    QTemporaryDir dir;
    ConversionEngine engine{engine::systemFileCalls(), [] { return QString::fromLatin1(Stamp); }};
};

TEST_F(EngineTest, EveryFieldLandsAtItsOffsetInTheNewFile)
{
    const QByteArray old = fixtures::patternedOldFile();
    writeFile(path("old.G"), old);
    ASSERT_TRUE(convert(path("old.G")));
    const QString target = path("new.G");
    ASSERT_EQ(engine.stampAndSave(target).status, engine::SaveStatus::Saved);

    const QByteArray written = readFile(target);
    ASSERT_EQ(written.size(), 3243);
    EXPECT_EQ(written.mid(1912, 12), QByteArray("19200,N,8,1 "));
    const auto& rows = fixtures::fieldRows();
    for (std::size_t f = 0; f < rows.size(); ++f) {
        const auto& row = rows[f];
        QByteArray expected = old.mid(row.oldOffset, row.width);
        const QString name = QString::fromLatin1(row.name);
        if (name.endsWith(QLatin1String("AuxA"))) expected.replace(8, 8, QByteArray(8, '\0'));
        if (name.endsWith(QLatin1String("StampText"))) expected = QByteArray(Stamp).leftJustified(40, ' ');
        if (name.endsWith(QLatin1String("FormatMark"))) expected = QByteArray("\x02\x00", 2);
        if (name.endsWith(QLatin1String("FileName"))) expected = target.toLatin1().leftJustified(75, ' ', true);
        EXPECT_EQ(written.mid(row.newOffset, row.width).toHex(), expected.toHex()) << row.name;
    }
    EXPECT_EQ(written, fixtures::expectedNewFile(old, Stamp, target.toStdString()));
}

TEST_F(EngineTest, LoadingTakesTheRecordAndMarksItAsOld)
{
    QByteArray old = fixtures::patternedOldFile();
    writeFile(path("old.G"), old + QByteArray(32767 - 3231, 'x'));
    engine.OldWorkingRecord.Series1.LeadValue.bytes.fill(0x5A);
    ASSERT_TRUE(convert(path("old.G")));

    EXPECT_EQ(engine.OldFileImage.Info.SaveStamp.FormatMark, 0x0107);
    EXPECT_EQ(engine.OldFileImage.Series1.AuxA.bytes[8], static_cast<std::uint8_t>(old[824]));
    EXPECT_EQ(engine.OldWorkingRecord.Info.SaveStamp.FormatMark, 1);
    EXPECT_EQ(engine.OldWorkingRecord.Series2.AuxA.bytes[15], 0);
    EXPECT_EQ(engine.OldWorkingRecord.Series1.LeadValue.bytes[0], 0x5A);
    EXPECT_EQ(engine.NewWorkingRecord.Info.SaveStamp.FormatMark, 1);
}

TEST_F(EngineTest, LoadFailuresNameTheirError)
{
    QByteArray converted = fixtures::patternedOldFile();
    converted.insert(1912, "19200,N,8,1 ");
    converted[1898] = 2;
    converted[1899] = 0;
    QByteArray markedButOld = fixtures::patternedOldFile();
    markedButOld[1898] = 2;
    markedButOld[1899] = 0;

    // A converted file with other line settings at 1912: a true settings text marks it converted.
    const auto convertedWith = [&](const char (&settings)[13]) { return QByteArray(converted).replace(1912, 12, QByteArray(settings, 12)); };

    struct Row {
        const char* name;
        QByteArray content;  // written to "f.G" unless null
        QString opened;
        std::optional<FileErrorNumber> expected;
    };
    const Row rows[] = {
        {"exactly one record", QByteArray(3231, '\0'), "f.G", std::nullopt},
        {"longest readable", QByteArray(32767, '\x11'), "f.G", std::nullopt},
        {"marked 2 without settings text", markedButOld, "f.G", std::nullopt},
        {"one byte too long", QByteArray(32768, '\0'), "f.G", FileErrorNumber::Overflow},
        {"empty", QByteArray(""), "f.G", FileErrorNumber::InputPastEndOfFile},
        {"one byte short", QByteArray(3230, '\0'), "f.G", FileErrorNumber::InputPastEndOfFile},
        {"already converted", converted, "f.G", FileErrorNumber::InvalidFileFormat},
        {"converted, other settings", convertedWith("9600,E,7,1.5"), "f.G", FileErrorNumber::InvalidFileFormat},
        {"converted, no blank left", convertedWith("115200,N,8,1"), "f.G", FileErrorNumber::InvalidFileFormat},
        {"settings cut after a dot", convertedWith("19200,N,8,1."), "f.G", std::nullopt},
        {"settings padded with NUL", convertedWith("19200,N,8,1\0"), "f.G", std::nullopt},
        {"settings without parity", convertedWith("19200,,8,1  "), "f.G", std::nullopt},
        {"missing file", QByteArray(), "none.G", FileErrorNumber::FileNotFound},
        {"missing folder", QByteArray(), "none/f.G", FileErrorNumber::PathNotFound},
        {"file used as folder", QByteArray(3231, '\0'), "f.G/f.G", FileErrorNumber::PathNotFound},
        {"a folder", QByteArray(), ".", FileErrorNumber::PathFileAccessError},
        {"empty name", QByteArray(), "", FileErrorNumber::PathFileAccessError},
        {"name going on past a NUL", QByteArray(3231, '\0'), QStringLiteral("f.G") + QChar(0) + "x", FileErrorNumber::PathFileAccessError},
    };
    for (const Row& row : rows) {
        QFile::remove(path("f.G"));
        if (!row.content.isNull()) writeFile(path("f.G"), row.content);
        const QString opened = row.opened.isEmpty() ? QString() : path(row.opened);
        const auto result = engine.g_DateiLaden(opened);
        ASSERT_EQ(result.warning.has_value(), row.expected.has_value()) << row.name;
        if (row.expected) {
            EXPECT_EQ(result.warning->error.number, *row.expected) << row.name;
        }
    }
    EXPECT_FALSE(QFileInfo::exists(path("none.G"))) << "loading must never create a file";
}

TEST_F(EngineTest, WarningsCarryTheExactTitleAndPrompt)
{
    writeFile(path("big.G"), QByteArray(32768, '\0'));
    const auto load = engine.g_DateiLaden(path("big.G"));
    ASSERT_FALSE(load);
    EXPECT_EQ(load.warning->title, QStringLiteral("Error:  (g_DateiLaden):  6"));
    EXPECT_EQ(load.warning->prompt, QStringLiteral("...at loading\r\nOverflow"));

    QString name = path("none/new.G");
    const auto save = engine.g_DateiSpeichern(name);
    ASSERT_FALSE(save);
    EXPECT_EQ(save.warning->title, QStringLiteral("Error: (g_DateiSpeichern):  76"));
    EXPECT_EQ(save.warning->prompt, QStringLiteral("...at saving \r\nPath not found"));
}

TEST_F(EngineTest, SaveNamesAreTrimmedCutAndFollowed)
{
    writeFile(path("old.G"), fixtures::patternedOldFile());
    ASSERT_TRUE(convert(path("old.G")));

    QString blanks = path("blank.G  ");
    ASSERT_TRUE(engine.g_DateiSpeichern(blanks));
    EXPECT_EQ(blanks, path("blank.G"));
    EXPECT_TRUE(QFileInfo::exists(path("blank.G")));

    const QString longName = path(QString(90, QLatin1Char('n')) + QStringLiteral(".G"));
    ASSERT_EQ(engine.stampAndSave(longName).status, engine::SaveStatus::Saved);
    EXPECT_EQ(readFile(longName).mid(2029, 75), longName.left(75).toLatin1());

    // A link stays a link; the file it names is what gets replaced.
    writeFile(path("real.G"), "short");
    ASSERT_TRUE(QFile::link(path("real.G"), path("link.G")));
    ASSERT_EQ(engine.stampAndSave(path("link.G")).status, engine::SaveStatus::Saved);
    EXPECT_TRUE(QFileInfo(path("link.G")).isSymLink());
    EXPECT_EQ(readFile(path("real.G")).size(), 3243);

    QString onlyBlanks = QStringLiteral("   ");
    EXPECT_FALSE(engine.g_DateiSpeichern(onlyBlanks));
}

TEST_F(EngineTest, ARecordMarkedNotToBeSavedIsNotWritten)
{
    QByteArray old = fixtures::patternedOldFile();
    old[1896] = 1;
    writeFile(path("old.G"), old);
    ASSERT_TRUE(convert(path("old.G")));
    const auto stampBefore = engine.NewWorkingRecord.Info.SaveStamp.StampText;

    EXPECT_EQ(engine.stampAndSave(path("new.G")).status, engine::SaveStatus::Inhibited);
    EXPECT_FALSE(QFileInfo::exists(path("new.G")));
    EXPECT_EQ(engine.NewWorkingRecord.Info.SaveStamp.StampText, stampBefore);
    EXPECT_EQ(engine.NewWorkingRecord.Info.SaveStamp.FormatMark, 1);
    EXPECT_TRUE(engine.NewWorkingRecord.Info.FileInfo.FileName.view().starts_with(path("new.G").toStdString()));
}

}  // namespace
