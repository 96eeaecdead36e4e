// Whether a new file is what converting an old one gives, field by field, and the same over trees.
#include "audit/faithfulness.h"

#include "audit/converted_marks.h"
#include "audit/tree_walk.h"
#include "encoding/windows1252.h"
#include "engine/files/file_system.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <map>
#include <optional>
#include <set>
#include <vector>

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

// The small letter of one of the code page's capitals (ASCII, À to Þ but ×, and Š, Œ, Ž, Ÿ): Windows,
// blind to case, takes both for one.
char smallLetter(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    if ((byte >= 'A' && byte <= 'Z') || (byte >= 0xC0 && byte <= 0xDE && byte != 0xD7)) return static_cast<char>(byte + 0x20);
    if (byte == 0x8A || byte == 0x8C || byte == 0x8E) return static_cast<char>(byte + 0x10);
    return byte == 0x9F ? '\xFF' : c;
}

// The parts of a path between its separators, '/' and '\' alike (a record may come from either
// system), with "." and ".." resolved; in small letters for a Windows path, which is blind to case.
std::vector<std::string> partsOf(std::string_view path, bool windows)
{
    std::vector<std::string> parts;
    for (std::size_t start = 0; start <= path.size();) {
        const std::size_t end = std::min(path.find_first_of("/\\", start), path.size());
        std::string part(path.substr(start, end - start));
        if (windows) std::ranges::transform(part, part.begin(), smallLetter);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(std::move(part));
        }
        start = end + 1;
    }
    return parts;
}

// An absolute path as a record holds it (Windows-1252), in the one form every spelling of it shares:
// its root ("c:", "//server/share", nothing for '/') and its parts below.
struct AbsolutePath {
    std::string root;
    std::vector<std::string> parts;
    bool windows = false;
    friend bool operator==(const AbsolutePath&, const AbsolutePath&) = default;
};

// A Windows path's root in small letters, as Windows compares names.
AbsolutePath windowsForm(std::string root, std::string_view below)
{
    std::ranges::transform(root, root.begin(), smallLetter);
    return AbsolutePath{std::move(root), partsOf(below, true), true};
}

// Nothing for a path that is not absolute, whichever system wrote it.
std::optional<AbsolutePath> absoluteForm(std::string_view path)
{
    const auto separator = [&](std::size_t at) { return at < path.size() && (path[at] == '/' || path[at] == '\\'); };
    if (path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' && separator(2))
        return windowsForm(std::string(path.substr(0, 2)), path.substr(3));
    if (path.starts_with("\\\\")) {
        // A share names its server and itself before its files: \\server\share\...
        const std::size_t server = path.find_first_of("/\\", 2);
        const std::size_t share = server == std::string_view::npos ? server : path.find_first_of("/\\", server + 1);
        if (server == 2 || share == std::string_view::npos || share == server + 1) return std::nullopt;
        return windowsForm("//" + std::string(path.substr(2, server - 2)) + '/' + std::string(path.substr(server + 1, share - server - 1)),
                           path.substr(share + 1));
    }
    if (path.starts_with('/')) return AbsolutePath{"", partsOf(path.substr(1), false), false};
    return std::nullopt;
}

}  // namespace

PairPaths pairPaths(const std::string& oldPath, const std::string& newPath)
{
    return {oldPath, newPath, engine::splitPath(std::string(withoutPadding(newPath))).name};
}

bool namesFile(std::span<const std::uint8_t> stored, std::span<const std::uint8_t> oldStored, const PairPaths& paths)
{
    const std::string field(stored.begin(), stored.end());
    if (field == storedName(paths.newPath)) return true;
    // Converted elsewhere and moved since: the archive keeps the file's path below its folder, however
    // the folder was called where it was converted, on whichever system.
    const std::optional<AbsolutePath> moved = absoluteForm(withoutPadding(field));
    if (!moved) return false;
    const std::vector<std::string> relative = partsOf(encoding::toWindows1252(paths.relative), moved->windows);
    if (relative.empty() || relative.size() > moved->parts.size()
        || !std::equal(relative.rbegin(), relative.rend(), moved->parts.rbegin()))
        return false;
    // A converter that stored its source's path, or carried the old record's name over, would pass
    // the rule above wherever old and new files are named alike.
    const auto names = [&](std::string_view other) { return absoluteForm(other) == moved; };
    const std::string oldAbsolute = engine::systemFileSystem().absolutePath(std::string(withoutPadding(paths.oldPath)));
    const std::string oldName(oldStored.begin(), oldStored.end());
    return !names(encoding::toWindows1252(oldAbsolute)) && !names(withoutPadding(oldName));
}

std::vector<Difference> compareRecords(std::span<const std::uint8_t, records::OldRecordLength> old,
                                       std::span<const std::uint8_t, records::NewRecordLength> converted,
                                       const PairPaths& paths)
{
    std::map<std::string_view, const records::Leaf*> oldLeaves;
    for (const records::Leaf& leaf : leavesOf(Layout::Old)) oldLeaves.emplace(leaf.name, &leaf);

    std::vector<Difference> differences;
    std::span<const std::uint8_t> oldStoredName;
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
            const records::Leaf& oldName = *oldLeaves.at(leaf.name);
            oldStoredName = old.subspan(oldName.offset, oldName.width);
        } else if (const auto match = oldLeaves.find(leaf.name); match != oldLeaves.end()) {
            difference.oldOffset = match->second->offset;
            difference.expected = bytes(old.subspan(match->second->offset, match->second->width));
            if (std::ranges::find(AuxAAt, leaf.offset) != AuxAAt.end())
                std::fill(difference.expected.begin() + ClearedAuxAFrom, difference.expected.begin() + ClearedAuxAUpTo,
                          std::uint8_t{0});
        }
        // A field the old layout lacks and converting does not set is a difference with nothing expected.
        const bool differs = difference.rule == Rule::SaveStamp  ? !isSaveStamp(difference.found)
                             : difference.rule == Rule::FileName ? !namesFile(difference.found, oldStoredName, paths)
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
    for (const std::string& file : old.files) {
        PairPaths paths{below(oldFolder, file), below(newFolder, file), file};
        PairCheck check = checkPair(paths);
        tree.pairs.emplace_back(std::move(paths), std::move(check));
    }
    // Told apart as the system looks names up: Windows opens sub\b.G for SUB\b.G, so a copy that
    // changed a name's case has no extra file, its pair having been checked above.
    engine::FileSystem& files = engine::systemFileSystem();
    const auto key = [&](const std::string& file) { return files.nameKey(files.absolutePath(below(newFolder, file))); };
    std::set<std::string> targets;
    for (const std::string& file : old.files) targets.insert(key(file));
    for (const std::string& file : converted.files)
        if (!targets.contains(key(file))) tree.extra.push_back(below(newFolder, file));
    tree.unreadableFolders = std::move(old.unreadableFolders);
    tree.unreadableFolders.insert(tree.unreadableFolders.end(), converted.unreadableFolders.begin(),
                                  converted.unreadableFolders.end());
    return tree;
}

}  // namespace audit
