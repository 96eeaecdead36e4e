// The program-wide measurement records and the routines that load, convert and save them.
#pragma once

#include "engine/file_calls.h"
#include "engine/record_file.h"
#include "engine/warning.h"
#include "records/new_record.h"
#include "records/old_record.h"

#include <QString>
#include <functional>

namespace engine {

// What became of the request to stamp and save the converted record.
enum class SaveStatus {
    Saved,
    Inhibited,  // the record is marked not to be saved; nothing was written
    Failed,     // the warning tells why
};

struct [[nodiscard]] SaveOutcome {
    SaveStatus status;
    std::optional<Warning> warning;
};

// Holds the four records for the life of the program; one conversion runs through them in turn:
// g_DateiLaden, DatenUebernehmen, DatenKonvertieren, then stampAndSave (or g_DateiSpeichern).
// Nothing here shows anything: failures come back as the warning the caller shows.
class ConversionEngine {
public:
    using StampSource = std::function<QString()>;

    ConversionEngine();
    // For tests: a file layer that can fail on purpose and a fixed clock.
    ConversionEngine(FileCalls& calls, StampSource saveStamp);

    // Reads the record of the old file at path into OldFileImage. Refuses files longer than an old
    // file can be, shorter than one record, and files that already have the new layout.
    FileResult g_DateiLaden(const QString& path);

    // Takes OldFileImage into OldWorkingRecord, clears bytes 8 to 15 of both AuxA groups and marks
    // the record as loaded from an old file.
    void DatenUebernehmen();

    // Fills NewWorkingRecord from OldWorkingRecord and gives it the serial line settings.
    void DatenKonvertieren();

    // Stores the chosen target path in the record and, unless the record is marked not to be
    // saved, marks and stamps it and saves it; a failed save puts the placeholder stamp back.
    SaveOutcome stampAndSave(const QString& chosenPath);

    // Writes NewWorkingRecord as the file fileName, whose trailing blanks are removed (the caller
    // sees the trimmed name). The file is replaced as a whole or not at all.
    FileResult g_DateiSpeichern(QString& fileName);

    // The save in its parts, for callers that save many files and flush them together:
    // markForSaving does what stampAndSave does before writing and is false for a record marked not
    // to be saved; beginSave is g_DateiSpeichern up to the point where the record waits in a
    // temporary file beside fileName, and completing the pending replacement puts it in place.
    bool markForSaving(const QString& chosenPath);
    std::optional<FileError> beginSave(QString& fileName, std::optional<PendingReplacement>& pending);

    records::OldMeasurementRecord OldFileImage{};
    records::OldWorkingForm OldWorkingRecord{};
    records::NewWorkingForm NewWorkingRecord{};
    records::NewMeasurementRecord NewFileImage{};

private:
    FileCalls& calls_;
    StampSource saveStamp_;
};

// The serial line settings every converted record carries.
inline constexpr char ConvertedLineSettings[] = "19200,N,8,1";

}  // namespace engine
