// One conversion in the order every front end runs it: load, take over and convert the old file,
// then, once the front end has named the target, prepare the record and save it.
#pragma once

#include "engine/conversion_engine.h"
#include "engine/failure.h"
#include "engine/held_files.h"
#include "engine/replacement_batch.h"

#include <optional>
#include <string>

namespace engine {

struct [[nodiscard]] ConversionResult {
    enum Status {
        Converted,  // saved, or waiting in the batch it was given to
        Inhibited,  // the record is marked not to be saved; nothing was written
        Failed,     // failure says which operation and why
    } status;
    std::optional<Failure> failure;
};

// Paths are the system's bytes, UTF-8 where the system names files in UTF-16.
class ConversionPipeline {
public:
    // clock: what the waits for files held by another program go by.
    explicit ConversionPipeline(FileSystem& files = systemFileSystem(), ConversionEngine::StampSource saveStamp = {},
                                RetryClock& clock = systemRetryClock());

    // g_DateiLaden, then DatenUebernehmen and DatenKonvertieren: the converted record waits to be saved.
    // A source another program holds is tried again with growing pauses for HeldFileGrace.
    std::optional<Failure> load(const std::string& source);

    // The record as the last load converted it, for a front end that names the target from it.
    const records::NewWorkingForm& converted() const { return engine_.NewWorkingRecord; }

    // Stores target in the record and, unless the record is marked not to be saved, marks, stamps
    // and saves it, in place when this returns; a target another program holds is waited for as a
    // source is. A failed save puts the placeholder stamp back.
    ConversionResult save(const std::string& target);

    // The same, but the file joins batch: it is in place once the batch's commit() says so.
    ConversionResult save(const std::string& target, ReplacementBatch& batch);

    // load, then save into batch: for a front end that knows both names before it starts. A source
    // held by another program is not waited for: the failure says so (FileError::held), and the front
    // end tries it again later, so that other files go on meanwhile.
    ConversionResult convert(const std::string& source, const std::string& target, ReplacementBatch& batch);

    // The files this pipeline reads and writes through, and the clock its waits go by.
    FileSystem& files() const { return engine_.files(); }
    RetryClock& clock() const { return clock_; }

private:
    std::optional<Failure> loadOnce(const std::string& source);

    ConversionEngine engine_;
    RetryClock& clock_;
};

}  // namespace engine
