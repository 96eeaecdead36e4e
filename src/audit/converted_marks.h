// What converting sets in a record, stated by the verifier itself so that a slip in the converter shows.
#pragma once

#include "records/new_record.h"
#include "records/old_record.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace audit {

using records::NewInfoBlock;
using records::NewMeasurementRecord;

// The serial line settings of every converted record: "19200,N,8,1" and a blank, filling its field.
inline constexpr std::string_view ConvertedLineSettings = "19200,N,8,1 ";
inline constexpr std::size_t LineSettingsAt =
    records::wireOffset<&NewMeasurementRecord::Info, &NewInfoBlock::PortSettings, &records::NewPortSettings::LineSettings>();
static_assert(LineSettingsAt == 1912 && ConvertedLineSettings.size() == records::wireSize<records::Text<12>>);

// Bytes 8 to 15 of AuxA in both series blocks belong to the newer releases: a converted file holds zeros.
inline constexpr std::size_t ClearedAuxAFrom = 8, ClearedAuxAUpTo = 16;

// The format mark of a converted record, a 16-bit little-endian number.
inline constexpr std::int16_t ConvertedFormatMark = 2;
inline constexpr std::size_t FormatMarkAt =
    records::wireOffset<&NewMeasurementRecord::Info, &NewInfoBlock::SaveStamp, &records::SaveStampGroup::FormatMark>();

// The form of the save stamp, a real moment, padded with blanks to the width of its field.
inline constexpr std::string_view SaveStampForm = "d.mm yyyy / hh:mm:ss";
bool isSaveStamp(std::span<const std::uint8_t> stored);

// Whether the record at the start of a file was converted already: the converted format mark, and
// where an old record holds its port values, a line settings text of any speed, parity and bits.
bool looksConverted(std::span<const std::uint8_t, records::OldRecordLength> record);

// The FileName field as converting fills it for a target named path (the system's bytes): its
// absolute path as the system makes it (on POSIX the current folder joined with path less its
// trailing blanks), in Windows-1252, cut at the field's 75 characters and padded with blanks.
std::string storedName(const std::string& path);

// A text field without the blanks that pad it.
std::string_view withoutPadding(std::string_view text);

}  // namespace audit
