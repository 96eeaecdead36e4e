// The conversion of a measurement record on records alone: no file, no clock, nothing shown.
#pragma once

#include "records/new_record.h"
#include "records/old_record.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace engine {

// The serial line settings every converted record carries.
inline constexpr char ConvertedLineSettings[] = "19200,N,8,1";

// The bytes of AuxA that the newer releases hold for themselves: loading clears them.
inline constexpr std::size_t ReleasedAuxAFrom = 8, ReleasedAuxAUpTo = 16;

// The loaded file record in its working form: bytes 8 to 15 of both AuxA cleared, format 1 (taken
// from an old file). The LeadValues, which no file holds, are left as they are.
void takeOver(const records::OldMeasurementRecord& file, records::OldWorkingForm& working);

// Every field of the old working record into the new one, and the serial line settings.
void convert(const records::OldWorkingForm& from, records::NewWorkingForm& to);

// Stores the target's name (code-page bytes) and, unless the record is marked not to be saved
// (false), marks it format 2 and gives it the save stamp.
bool prepareForSaving(records::NewWorkingForm& record, std::string_view targetName, std::string_view stamp);

// What a file holds of the working record: everything but the LeadValues.
records::NewMeasurementRecord fileForm(const records::NewWorkingForm& record);

// Whether the record at the start of a file was converted before: format 2, and a line settings text
// where an old record holds its port values. Converting it again would lose its last bytes.
bool looksConverted(std::span<const std::uint8_t, records::OldRecordLength> bytes);

}  // namespace engine
