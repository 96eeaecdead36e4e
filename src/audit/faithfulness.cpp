// Whether a new file is what converting an old one gives, field by field, and the same over trees.
#include "audit/faithfulness.h"

#include "audit/converted_marks.h"
#include "audit/tree_walk.h"
#include "encoding/windows1252.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <map>
#include <set>

namespace audit {
namespace {

using records::NewMeasurementRecord;

constexpr std::size_t StampTextAt =
    records::wireOffset<&NewMeasurementRecord::Info, &NewInfoBlock::SaveStamp, &records::SaveStampGroup::StampText>();
constexpr std::size_t FileNameAt =
    records::wireOffset<&NewMeasurementRecord::Info, &NewInfoBlock::FileInfo, &records::FileInfoGroup::FileName>();
constexpr std::array AuxAAt{records::wireOffset<&NewMeasurementRecord::Series1, &records::SeriesBlock::AuxA>(),
                            records::wireOffset<&NewMeasurementRecord::Series2, &records::SeriesBlock::AuxA>()};
constexpr std::size_t OldSaveInhibitAt =
    records::wireOffset<&records::OldMeasurementRecord::Info, &records::OldInfoBlock::SaveStamp,
                        &records::SaveStampGroup::SaveInhibit>();

std::vector<std::uint8_t> bytes(std::span<const std::uint8_t> span) { return {span.begin(), span.end()}; }

std::vector<std::uint8_t> bytes(std::string_view text) { return {text.begin(), text.end()}; }

// The last name in a folder's absolute path: "conv" for "conv/", for "." the current folder's name.
std::string folderName(const std::string& folder)
{
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(folder, error).lexically_normal();
    if (!absolute.has_filename()) absolute = absolute.parent_path();
    return absolute.filename().string();
}

std::string tail(const std::string& path)
{
    const std::filesystem::path file(path);
    const std::string folder = file.parent_path().string();
    return folderName(folder.empty() ? "." : folder) + '/' + file.filename().string();
}

}  // namespace

PairPaths pairPaths(const std::string& oldPath, const std::string& newPath)
{
    return {oldPath, newPath, tail(oldPath), tail(newPath)};
}

bool namesFile(std::span<const std::uint8_t> stored, const PairPaths& paths)
{
    const std::string field(stored.begin(), stored.end());
    if (field == storedName(paths.newPath)) return true;
    // Old and new files of the same tail: only the whole path can tell the target from the source.
    if (paths.newTail == paths.oldTail) return false;
    std::string text(withoutPadding(field));
    std::ranges::replace(text, '\\', '/');
    return text.ends_with('/' + encoding::toWindows1252(paths.newTail));
}

std::vector<Difference> compareRecords(std::span<const std::uint8_t, records::OldRecordLength> old,
                                       std::span<const std::uint8_t, records::NewRecordLength> converted,
                                       const PairPaths& paths)
{
    std::map<std::string_view, const records::Leaf*> oldLeaves;
    for (const records::Leaf& leaf : leavesOf(Layout::Old)) oldLeaves.emplace(leaf.name, &leaf);

    std::vector<Difference> differences;
    for (const records::Leaf& leaf : leavesOf(Layout::New)) {
        Difference difference{leaf, std::nullopt, Rule::Carried, {}, bytes(converted.subspan(leaf.offset, leaf.width))};
        if (leaf.offset == LineSettingsAt) {
            difference.rule = Rule::LineSettings;
            difference.expected = bytes(ConvertedLineSettings);
        } else if (leaf.offset == FormatMarkAt) {
            difference.rule = Rule::FormatMark;
            difference.expected = bytes(records::encode(ConvertedFormatMark));
        } else if (leaf.offset == StampTextAt) {
            difference.rule = Rule::SaveStamp;
        } else if (leaf.offset == FileNameAt) {
            difference.rule = Rule::FileName;
            difference.expected = bytes(storedName(paths.newPath));
        } else if (const auto match = oldLeaves.find(leaf.name); match != oldLeaves.end()) {
            difference.oldOffset = match->second->offset;
            difference.expected = bytes(old.subspan(match->second->offset, match->second->width));
            if (std::ranges::find(AuxAAt, leaf.offset) != AuxAAt.end())
                std::fill(difference.expected.begin() + ClearedAuxAFrom, difference.expected.begin() + ClearedAuxAUpTo,
                          std::uint8_t{0});
        }
        // A field the old layout lacks and converting does not set is a difference with nothing expected.
        const bool differs = difference.rule == Rule::SaveStamp  ? !isSaveStamp(difference.found)
                             : difference.rule == Rule::FileName ? !namesFile(difference.found, paths)
                                                                 : difference.expected != difference.found;
        if (differs) differences.push_back(std::move(difference));
    }
    return differences;
}

PairCheck checkPair(const PairPaths& paths)
{
    PairCheck check;
    FileImage old, converted;
    if ((check.error = readImage(paths.oldPath, old))) {
        check.outcome = PairCheck::OldUnreadable;
        return check;
    }
    if (const Identification layout = identify(old); layout.layout != Layout::Old) {
        check.outcome = PairCheck::NotOld;
        check.refusedAs = layout;
        check.refusedLength = old.length;
        return check;
    }
    if ((check.error = readImage(paths.newPath, converted))) {
        const bool missing = check.error->number == engine::FileErrorNumber::FileNotFound
                             || check.error->number == engine::FileErrorNumber::PathNotFound;
        check.outcome = missing ? PairCheck::NewMissing : PairCheck::NewUnreadable;
        check.markedNotToSave = records::loadInt16(std::span(old.head).subspan<OldSaveInhibitAt, 2>()) != 0;
        return check;
    }
    if (converted.length != static_cast<long long>(records::NewRecordLength)) {
        check.outcome = PairCheck::NotNew;
        check.refusedAs = identify(converted);
        check.refusedLength = converted.length;
        return check;
    }
    check.differences = compareRecords(std::span(old.head).first<records::OldRecordLength>(),
                                       std::span(converted.head).first<records::NewRecordLength>(), paths);
    check.outcome = check.differences.empty() ? PairCheck::Faithful : PairCheck::Differing;
    return check;
}

TreeCheck checkTree(const std::string& oldFolder, const std::string& newFolder)
{
    TreeCheck tree;
    // Either tree may hold the other, as a run with its output folder inside the archive leaves them.
    TreeFiles old = measurementFiles(oldFolder, folderId(newFolder));
    TreeFiles converted = measurementFiles(newFolder, folderId(oldFolder));
    const std::string oldName = folderName(oldFolder), newName = folderName(newFolder);
    for (const std::string& file : old.files) {
        PairPaths paths{below(oldFolder, file), below(newFolder, file), oldName + '/' + file, newName + '/' + file};
        PairCheck check = checkPair(paths);
        tree.pairs.emplace_back(std::move(paths), std::move(check));
    }
    const std::set<std::string> targets(old.files.begin(), old.files.end());
    for (const std::string& file : converted.files)
        if (!targets.contains(file)) tree.extra.push_back(below(newFolder, file));
    tree.unreadableFolders = std::move(old.unreadableFolders);
    tree.unreadableFolders.insert(tree.unreadableFolders.end(), converted.unreadableFolders.begin(),
                                  converted.unreadableFolders.end());
    return tree;
}

}  // namespace audit
