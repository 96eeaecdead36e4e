// Whether a new file is what converting an old one gives, field by field, and the same over trees.
#pragma once

#include "audit/measurement_file.h"
#include "engine/files/file_errors.h"
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
    FileName,      // the path the file was saved as
};

struct Difference {
    records::Leaf field;                   // as the new layout holds it
    std::optional<std::size_t> oldOffset;  // where the old layout holds it, for carried fields
    Rule rule = Rule::Carried;
    // What converting gives; nothing for SaveStamp, where only the form is known.
    std::vector<std::uint8_t> expected;
    std::vector<std::uint8_t> found;
};

// A pair as it was named (the system's bytes), and the new file's path below the folder of its tree
// ("2019/z.G"), for a pair named by itself the new file's own name: the end of its path that an
// archive keeps wherever it is moved.
struct PairPaths {
    std::string oldPath, newPath;
    std::string relative;
};

// A pair named by itself.
PairPaths pairPaths(const std::string& oldPath, const std::string& newPath);

// Whether a stored FileName names the new file: it is what converting stores for it as named now (see
// storedName); or, for a file converted elsewhere and moved since, it is an absolute path (a drive
// letter, a share or '/') that ends in the relative path, with either separator and, for a Windows
// path, in any case, and it is neither the old file's own path in any spelling nor the name the old
// record itself stored (oldStored): a record that names its source never passes.
bool namesFile(std::span<const std::uint8_t> stored, std::span<const std::uint8_t> oldStored, const PairPaths& paths);

// The differences between a new record and the conversion of an old one; none when it is faithful.
std::vector<Difference> compareRecords(std::span<const std::uint8_t, records::OldRecordLength> old,
                                       std::span<const std::uint8_t, records::NewRecordLength> converted,
                                       const PairPaths& paths);

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
PairCheck checkPair(const PairPaths& paths);

struct TreeCheck {
    std::vector<std::pair<PairPaths, PairCheck>> pairs;  // each old file and its place in the new tree
    std::vector<std::string> extra;                      // measurement files no old file accounts for
    std::vector<std::pair<std::string, engine::FileError>> unreadableFolders;
};

// Finds the old files as converting a tree finds them (but for newFolder, when it lies inside), and
// checks each against the file at the same place under newFolder; then walks newFolder alike (but for
// oldFolder) for files converting did not write.
TreeCheck checkTree(const std::string& oldFolder, const std::string& newFolder);

}  // namespace audit
