// The conversion of a measurement record on records alone: no file, no clock, nothing shown.
#include "engine/conversion_rule.h"

#include "records/carry_over.h"

#include <algorithm>

namespace engine {
namespace {

using records::NewInfoBlock;
using records::NewMeasurementRecord;
using records::NewPortSettings;
using records::OldPortSettings;

// Serial line settings as converted records carry them: baud digits, parity letter, data bits and
// stop bits separated by commas, padded with blanks ("19200,N,8,1 ").
bool isLineSettingsText(std::span<const std::uint8_t> text)
{
    // Plain ASCII classes: the locale must not decide what a file is.
    const auto isDigit = [](std::uint8_t b) { return b >= '0' && b <= '9'; };
    const auto isLetter = [](std::uint8_t b) { return (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z'); };
    std::size_t at = 0;
    const auto digits = [&] {
        const std::size_t start = at;
        while (at < text.size() && isDigit(text[at])) ++at;
        return at > start;
    };
    const auto accept = [&](char expected) {
        if (at >= text.size() || text[at] != static_cast<std::uint8_t>(expected)) return false;
        ++at;
        return true;
    };
    const auto letter = [&] {
        if (at >= text.size() || !isLetter(text[at])) return false;
        ++at;
        return true;
    };
    if (!(digits() && accept(',') && letter() && accept(',') && digits() && accept(',') && digits())) return false;
    if (accept('.') && !digits()) return false;  // stop bits such as 1.5
    return std::all_of(text.begin() + static_cast<std::ptrdiff_t>(at), text.end(),
                       [](std::uint8_t b) { return b == ' '; });
}

}  // namespace

void takeOver(const records::OldMeasurementRecord& file, records::OldWorkingForm& working)
{
    for (auto [from, to] : {std::pair{&file.Series1, &working.Series1}, std::pair{&file.Series2, &working.Series2}}) {
        to->Block = *from;
        std::fill(to->Block.AuxA.bytes.begin() + ReleasedAuxAFrom, to->Block.AuxA.bytes.begin() + ReleasedAuxAUpTo,
                  std::uint8_t{0});
    }
    working.Info = file.Info;
    working.Info.SaveStamp.FormatMark = 1;
}

void convert(const records::OldWorkingForm& from, records::NewWorkingForm& to)
{
    to.Series1 = from.Series1;
    to.Series2 = from.Series2;
    // The port settings are the one group whose layout changes: they gain the line settings.
    records::carryOver(from.Info, to.Info, [](const OldPortSettings& old, NewPortSettings& converted) {
        static_assert(records::fieldCount<NewPortSettings> == records::fieldCount<OldPortSettings> + 1,
                      "the new port settings are the old ones and the line settings");
        converted.PortValue1 = old.PortValue1;
        converted.LineSettings.assign(ConvertedLineSettings);
        converted.Tail = old.Tail;
    });
}

bool prepareForSaving(records::NewWorkingForm& record, std::string_view targetName, std::string_view stamp)
{
    auto& saveStamp = record.Info.SaveStamp;
    record.Info.FileInfo.FileName.assign(targetName);
    if (saveStamp.SaveInhibit != 0) return false;
    saveStamp.FormatMark = 2;
    saveStamp.StampText.assign(stamp);
    return true;
}

records::NewMeasurementRecord fileForm(const records::NewWorkingForm& record)
{
    return {record.Series1.Block, record.Series2.Block, record.Info};
}

bool looksConverted(std::span<const std::uint8_t, records::OldRecordLength> bytes)
{
    constexpr auto formatMarkAt = records::wireOffset<&NewMeasurementRecord::Info, &NewInfoBlock::SaveStamp,
                                                      &records::SaveStampGroup::FormatMark>();
    constexpr auto lineSettingsAt =
        records::wireOffset<&NewMeasurementRecord::Info, &NewInfoBlock::PortSettings, &NewPortSettings::LineSettings>();
    constexpr auto lineSettingsWidth = records::wireSize<records::Text<12>>;
    static_assert(lineSettingsAt + lineSettingsWidth <= records::OldRecordLength);

    return records::loadInt16(bytes.subspan<formatMarkAt, 2>()) == 2
           && isLineSettingsText(bytes.subspan<lineSettingsAt, lineSettingsWidth>());
}

}  // namespace engine
