// The program-wide measurement records and the routines that load, convert and save them.
#include "engine/conversion_engine.h"

#include "engine/conversion_rule.h"
#include "engine/record_file.h"
#include "records/wire.h"
#include "engine/file_names.h"
#include "engine/stamps.h"
#include "encoding/windows1252.h"

#include <array>

namespace engine {
ConversionEngine::ConversionEngine(FileSystem& files, StampSource saveStamp)
    : files_(files), saveStamp_(saveStamp ? std::move(saveStamp) : StampSource(engine::SpeicherStempel))
{
}

std::optional<FileError> ConversionEngine::g_DateiLaden(const std::string& path)
{
    std::array<std::uint8_t, records::OldRecordLength> bytes{};
    if (auto error = readOldRecordBytes(files_, path, bytes)) return error;
    if (looksConverted(bytes)) return FileError{FileErrorNumber::InvalidFileFormat};
    OldFileImage = records::decode<records::OldMeasurementRecord>(bytes);
    return std::nullopt;
}

void ConversionEngine::DatenUebernehmen() { takeOver(OldFileImage, OldWorkingRecord); }

void ConversionEngine::DatenKonvertieren() { convert(OldWorkingRecord, NewWorkingRecord); }

bool ConversionEngine::prepareForSaving(const std::string& chosenPath)
{
    // Paths are UTF-8 on every system the program runs on; the record holds them in its code page.
    return engine::prepareForSaving(NewWorkingRecord, encoding::toWindows1252(chosenPath),
                                    encoding::toWindows1252(saveStamp_()));
}

std::optional<FileError> ConversionEngine::g_DateiSpeichern(std::string& fileName, ReplacementBatch& batch)
{
    fileName = engine::withoutTrailingBlanks(std::string_view(fileName));
    NewFileImage = fileForm(NewWorkingRecord);
    return batch.add(fileName, records::encode(NewFileImage));
}

void ConversionEngine::putBackPlaceholderStamp()
{
    NewWorkingRecord.Info.SaveStamp.StampText.assign(engine::LeerStempel());
}

}  // namespace engine
