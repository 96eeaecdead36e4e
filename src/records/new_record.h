// The record layout of the newer releases: what a converted ".G" file holds.
#pragma once

#include "record_groups.h"

namespace records {

// The new port settings carry the serial line settings right after the first value.
struct NewPortSettings {
    using Self = NewPortSettings;
    std::int16_t PortValue1;
    Text<12> LineSettings;
    PortTail Tail;
    static constexpr auto fields()
    {
        return std::tuple{RECORD_FIELD(PortValue1), RECORD_FIELD(LineSettings), RECORD_INLINED_GROUP(Tail)};
    }
    friend bool operator==(const Self&, const Self&) = default;
};

using NewInfoBlock = InfoBlock<NewPortSettings>;
using NewMeasurementRecord = MeasurementRecord<NewInfoBlock>;
using NewWorkingForm = WorkingRecord<NewInfoBlock>;

inline constexpr std::size_t NewRecordLength = 3243;

static_assert(wireSize<NewInfoBlock> == 1399);
static_assert(wireSize<NewMeasurementRecord> == NewRecordLength);
static_assert(wireOffset<&NewMeasurementRecord::Info, &NewInfoBlock::SaveStamp, &SaveStampGroup::SaveInhibit>()
              == 1896);
static_assert(wireOffset<&NewMeasurementRecord::Info, &NewInfoBlock::PortSettings, &NewPortSettings::LineSettings>()
              == 1912);
static_assert(wireOffset<&NewMeasurementRecord::Info, &NewInfoBlock::PortSettings, &NewPortSettings::Tail,
                         &PortTail::PortChar1>() == 1924);
static_assert(wireOffset<&NewMeasurementRecord::Info, &NewInfoBlock::PortSettings, &NewPortSettings::Tail,
                         &PortTail::PortValue2>() == 1925);
static_assert(wireOffset<&NewMeasurementRecord::Info, &NewInfoBlock::FileInfo, &FileInfoGroup::FileName>() == 2029);
static_assert(wireOffset<&NewMeasurementRecord::Info, &NewInfoBlock::Word1>() == 2371);
static_assert(wireOffset<&NewMeasurementRecord::Info, &NewInfoBlock::Word3>() == 2379);
static_assert(wireOffset<&NewMeasurementRecord::Info, &NewInfoBlock::AuxD, &AuxDGroup::Body>() == 2393);
static_assert(wireOffset<&NewMeasurementRecord::Info, &NewInfoBlock::AuxE>() == 3217);

}  // namespace records
