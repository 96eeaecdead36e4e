// The record layout of the older releases: what an old ".G" file holds.
#pragma once

#include "record_groups.h"

namespace records {

struct OldPortSettings {
    using Self = OldPortSettings;
    std::int16_t PortValue1;
    PortTail Tail;
    static constexpr auto fields() { return std::tuple{RECORD_FIELD(PortValue1), RECORD_INLINED_GROUP(Tail)}; }
    friend bool operator==(const Self&, const Self&) = default;
};

using OldInfoBlock = InfoBlock<OldPortSettings>;
using OldMeasurementRecord = MeasurementRecord<OldInfoBlock>;
using OldWorkingForm = WorkingRecord<OldInfoBlock>;

inline constexpr std::size_t OldRecordLength = 3231;

static_assert(wireSize<OldInfoBlock> == 1387);
static_assert(wireSize<OldMeasurementRecord> == OldRecordLength);
static_assert(wireOffset<&OldMeasurementRecord::Series2>() == 922);
static_assert(wireOffset<&OldMeasurementRecord::Info>() == 1844);
static_assert(wireOffset<&OldMeasurementRecord::Info, &OldInfoBlock::SaveStamp, &SaveStampGroup::FormatMark>() == 1898);
static_assert(wireOffset<&OldMeasurementRecord::Info, &OldInfoBlock::PortSettings, &OldPortSettings::Tail,
                         &PortTail::PortChar1>() == 1912);
static_assert(wireOffset<&OldMeasurementRecord::Info, &OldInfoBlock::PortSettings, &OldPortSettings::Tail,
                         &PortTail::PortValue2>() == 1913);
static_assert(wireOffset<&OldMeasurementRecord::Info, &OldInfoBlock::FileInfo>() == 1922);
static_assert(wireOffset<&OldMeasurementRecord::Info, &OldInfoBlock::FileInfo, &FileInfoGroup::FileName>() == 2017);
static_assert(wireOffset<&OldMeasurementRecord::Info, &OldInfoBlock::TextBlock, &TextBlockGroup::Text4>() == 2319);
static_assert(wireOffset<&OldMeasurementRecord::Info, &OldInfoBlock::Word3>() == 2367);
static_assert(wireOffset<&OldMeasurementRecord::Info, &OldInfoBlock::AuxD, &AuxDGroup::Mid>() == 2371);
static_assert(wireOffset<&OldMeasurementRecord::Info, &OldInfoBlock::AuxE>() == 3205);

}  // namespace records
