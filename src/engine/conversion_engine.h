// The program-wide measurement records and the routines that load, convert and save them.
#pragma once

#include "engine/files/file_errors.h"
#include "engine/replacement_batch.h"
#include "records/new_record.h"
#include "records/old_record.h"

#include <functional>
#include <optional>
#include <string>

namespace engine {

// Holds the four records for the life of the program. Each routine is one step of a conversion over
// the conversion rule; ConversionPipeline runs them in their order. Nothing here shows anything.
class ConversionEngine {
public:
    using StampSource = std::function<std::string()>;

    // files: the file layer (tests make it fail); saveStamp: the clock the save stamp is taken from.
    explicit ConversionEngine(FileSystem& files = systemFileSystem(), StampSource saveStamp = {});

    // Paths are the system's bytes, so that any file a folder holds can be named.

    // Reads the record of the old file at path into OldFileImage. Refuses files longer than an old
    // file can be, shorter than one record, and files that already have the new layout.
    std::optional<FileError> g_DateiLaden(const std::string& path);

    // Takes OldFileImage into OldWorkingRecord, clears bytes 8 to 15 of both AuxA groups and marks
    // the record as loaded from an old file.
    void DatenUebernehmen();

    // Fills NewWorkingRecord from OldWorkingRecord and gives it the serial line settings.
    void DatenKonvertieren();

    // Stores the chosen path in NewWorkingRecord; unless the record is marked not to be saved
    // (false), marks it format 2 and stamps it.
    bool prepareForSaving(const std::string& chosenPath);

    // Stages NewWorkingRecord into NewFileImage and hands it to batch as the file fileName, whose
    // trailing blanks are removed (the caller sees the trimmed name).
    std::optional<FileError> g_DateiSpeichern(std::string& fileName, ReplacementBatch& batch);

    // After a failed save: the placeholder stamp goes back into NewWorkingRecord.
    void putBackPlaceholderStamp();

    FileSystem& files() const { return files_; }

    records::OldMeasurementRecord OldFileImage{};
    records::OldWorkingForm OldWorkingRecord{};
    records::NewWorkingForm NewWorkingRecord{};
    records::NewMeasurementRecord NewFileImage{};

private:
    FileSystem& files_;
    StampSource saveStamp_;
};

}  // namespace engine
