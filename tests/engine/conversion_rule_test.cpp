// The conversion rule in memory: every field of the field table carried to its new place, and what
// marks a record as converted before.
#include "engine/conversion_rule.h"
#include "old_file_fixture.h"

#include <gtest/gtest.h>

namespace {

using fixtures::expectedNewFile;

std::span<const std::uint8_t, records::OldRecordLength> oldRecord(const QByteArray& file)
{
    return fixtures::bytesOf(file).first<records::OldRecordLength>();
}

QByteArray converted(const QByteArray& oldFile, std::string_view name)
{
    const auto bytes = oldRecord(oldFile);
    records::OldWorkingForm working{};
    working.Series1.LeadValue.bytes.fill(0x5A);  // no file fills it: taking a record over leaves it alone
    records::NewWorkingForm record{};
    engine::takeOver(records::decode<records::OldMeasurementRecord>(bytes), working);
    EXPECT_EQ(working.Series1.LeadValue.bytes[0], 0x5A);
    engine::convert(working, record);
    EXPECT_TRUE(engine::prepareForSaving(record, name, fixtures::Stamp));
    const auto file = records::encode(engine::fileForm(record));
    return {reinterpret_cast<const char*>(file.data()), static_cast<qsizetype>(file.size())};
}

TEST(ConversionRule, EveryFieldLandsAtItsNewOffset)
{
    const QByteArray old = fixtures::patternedOldFile();
    EXPECT_TRUE(fixtures::sameNewFile(converted(old, "C:\\x.G"), expectedNewFile(old, fixtures::Stamp, "C:\\x.G")));
    // A name longer than FileName is cut after 75 characters.
    const std::string longName(90, 'n');
    EXPECT_TRUE(fixtures::sameNewFile(converted(old, longName), expectedNewFile(old, fixtures::Stamp, longName)));
}

TEST(ConversionRule, ARecordMarkedNotToBeSavedKeepsItsStampAndFormat)
{
    records::NewWorkingForm record{};
    record.Info.SaveStamp.SaveInhibit = 1;
    record.Info.SaveStamp.FormatMark = 1;
    EXPECT_FALSE(engine::prepareForSaving(record, "/t/new.G", fixtures::Stamp));
    EXPECT_EQ(record.Info.SaveStamp.FormatMark, 1);
    EXPECT_EQ(record.Info.SaveStamp.StampText.view(), std::string(40, '\0'));
    EXPECT_TRUE(record.Info.FileInfo.FileName.view().starts_with("/t/new.G "));
}

// A record converted before holds format 2 and a line settings text where old records keep port values.
TEST(ConversionRule, TellsRecordsConvertedBefore)
{
    const QByteArray old = fixtures::patternedOldFile();
    QByteArray markedButOld = old;
    markedButOld.replace(1898, 2, QByteArray("\x02\x00", 2));
    const struct { const char* settings; bool converted; } rows[] = {
        {"19200,N,8,1 ", true}, {"9600,E,7,1.5", true}, {"115200,N,8,1", true},
        {"19200,N,8,1.", false}, {"19200,N,8,1\0", false}, {"19200,,8,1  ", false}, {"19200,N,8,  ", false},
    };
    for (const auto& row : rows) {
        const QByteArray file = expectedNewFile(old, "", "x").replace(1912, 12, QByteArray(row.settings, 12));
        EXPECT_EQ(engine::looksConverted(oldRecord(file)), row.converted) << row.settings;
    }
    EXPECT_FALSE(engine::looksConverted(oldRecord(markedButOld)));
}

}  // namespace
