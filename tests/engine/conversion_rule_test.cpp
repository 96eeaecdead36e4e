// The conversion rule in memory: a record marked not to be saved, and what marks a record as converted
// before. Every field's new place is checked on real files, in the pipeline's tests.
#include "engine/conversion_rule.h"
#include "old_file_fixture.h"

namespace {

std::span<const std::uint8_t, records::OldRecordLength> oldRecord(const QByteArray& file)
{
    return fixtures::bytesOf(file).first<records::OldRecordLength>();
}

TEST(ConversionRule, ARecordMarkedNotToBeSavedKeepsItsFormatAndStamp)
{
    records::NewWorkingForm inhibited{};
    inhibited.Info.SaveStamp.SaveInhibit = 1;
    inhibited.Info.SaveStamp.FormatMark = 1;
    EXPECT_FALSE(engine::prepareForSaving(inhibited, "/t/new.G", fixtures::Stamp));
    EXPECT_EQ(inhibited.Info.SaveStamp.FormatMark, 1);
    EXPECT_EQ(inhibited.Info.SaveStamp.StampText.view(), std::string(40, '\0'));
    EXPECT_TRUE(inhibited.Info.FileInfo.FileName.view().starts_with("/t/new.G "));
}

// A record converted before holds format 2 and a line settings text where old records keep port values.
TEST(ConversionRule, TellsRecordsConvertedBefore)
{
    const QByteArray old = fixtures::patternedOldFile();
    const struct { const char* settings; bool converted; } rows[] = {
        {"19200,N,8,1 ", true}, {"9600,E,7,1.5", true}, {"115200,N,8,1", true},
        {"19200,N,8,1.", false}, {"19200,N,8,1\0", false}, {"19200,,8,1  ", false}, {"19200,N,8,  ", false},
    };
    for (const auto& row : rows) {
        const QByteArray file = fixtures::expectedNewFile(old, "", "x").replace(1912, 12, QByteArray(row.settings, 12));
        EXPECT_EQ(engine::looksConverted(oldRecord(file)), row.converted) << row.settings;
        EXPECT_FALSE(engine::looksConverted(oldRecord(QByteArray(file).replace(1898, 1, "\x01")))) << row.settings;
    }
}

}  // namespace
