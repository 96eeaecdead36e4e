// Whether a new file is what converting an old one gives, field by field, and the same over trees.
#pragma once

#include "batch/conversion_plan.h"
#include "engine/file_errors.h"
#include "audit/measurement_file.h"
#include "records/new_record.h"
#include "records/old_record.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace audit {

// What converting does to a field of the new layout.
enum class Rule {
    Carried,       // the old file's bytes, but for the bytes of AuxA that loading clears
    LineSettings,  // the fixed serial line settings
    FormatMark,    // 2, the mark of a converted record
    SaveStamp,     // a save stamp "d.mm yyyy / hh:mm:ss" of any moment
    FileName,      // the path the file was saved as, which ends in its name
};

struct Difference {
    records::Leaf field;                   // as the new layout holds it
    std::optional<std::size_t> oldOffset;  // where the old layout holds it, for carried fields
    Rule rule = Rule::Carried;
    // What converting gives: the bytes, or for FileName the name the path must end in; nothing for
    // SaveStamp, where only the form is known.
    std::vector<std::uint8_t> expected;
    std::vector<std::uint8_t> found;
};

// The differences between a new record and the conversion of an old one; none when it is faithful.
// newPath (the system's bytes) names the new file: its stored path must end in that name.
std::vector<Difference> compareRecords(std::span<const std::uint8_t, records::OldRecordLength> old,
                                       std::span<const std::uint8_t, records::NewRecordLength> converted,
                                       const std::string& newPath);

// A stored FileName fits newPath when, without its trailing blanks, it is newPath's name or ends in
// '/' or '\' and that name; or, filling the whole field, it is how a path to the file begins (a
// longer path is cut there): newPath as named, or its absolute path from any folder on the way.
bool namesFile(std::span<const std::uint8_t> stored, const std::string& newPath);

// "d.mm yyyy / hh:mm:ss" of a real moment, padded with blanks.
bool isSaveStamp(std::span<const std::uint8_t> stored);

struct PairCheck {
    enum Outcome { Faithful, Differing, OldUnreadable, NotOld, NewMissing, NewUnreadable, NotNew } outcome = Faithful;
    std::optional<engine::FileError> error;  // for the unreadable and missing outcomes
    Identification refusedAs;                // for NotOld and NotNew
    long long refusedLength = 0;
    bool markedNotToSave = false;  // NewMissing: converting never writes such a record
    std::vector<Difference> differences;
};

// Reads both files and compares them. The old file must be one that converting takes; the new one
// must be one new record long: marks and line settings that are off are differences, not refusals.
PairCheck checkPair(const std::string& oldPath, const std::string& newPath);

struct TreeCheck {
    std::vector<std::pair<batch::Job, PairCheck>> pairs;  // each old file and its place in the new tree
    std::vector<std::string> extra;                       // measurement files no old file accounts for
    std::vector<std::pair<std::string, engine::FileError>> unreadableFolders;
};

// Finds the old files exactly as converting a tree does, and checks each against the file at the same
// place under newFolder; then walks newFolder alike for files converting did not write.
TreeCheck checkTree(const std::string& oldFolder, const std::string& newFolder);

}  // namespace audit
