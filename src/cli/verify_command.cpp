// gconvert --verify: whether converted files are what converting their old files gives.
#include "cli/verify_command.h"

#include "audit/faithfulness.h"
#include "batch/problem_text.h"
#include "cli/field_values.h"

#include <algorithm>
#include <iostream>

namespace cli {
namespace {

using audit::Difference;
using audit::PairCheck;
using nlohmann::json;

// Longer byte groups are shown from their first differing byte on, this many bytes of them.
constexpr std::size_t ExcerptBytes = 16;

std::string ruleName(audit::Rule rule)
{
    switch (rule) {
    case audit::Rule::Carried: return "carried";
    case audit::Rule::LineSettings: return "line settings";
    case audit::Rule::FormatMark: return "format mark";
    case audit::Rule::SaveStamp: return "save stamp";
    case audit::Rule::FileName: break;
    }
    return "file name";
}

std::string differenceText(const Difference& difference)
{
    const records::Leaf& field = difference.field;
    std::string text = field.name + " at " + std::to_string(field.offset);
    if (difference.oldOffset && *difference.oldOffset != field.offset)
        text += " (" + std::to_string(*difference.oldOffset) + " in the old file)";
    const std::span<const std::uint8_t> expected = difference.expected, found = difference.found;
    if (difference.rule == audit::Rule::SaveStamp)
        return text + ": expected a save stamp \"d.mm yyyy / hh:mm:ss\", found " + quoted(found);
    if (expected.size() != found.size()) return text + ": the old layout has no such field";
    if (field.kind == records::LeafKind::Opaque && field.width > ExcerptBytes) {
        const auto from = static_cast<std::size_t>(std::ranges::mismatch(expected, found).in1 - expected.begin());
        const std::size_t count = std::min(ExcerptBytes, field.width - from);
        return text + ", from byte " + std::to_string(from) + ": expected " + hex(expected.subspan(from, count))
               + ", found " + hex(found.subspan(from, count));
    }
    return text + ": expected " + valueText(field.kind, expected) + ", found " + valueText(field.kind, found);
}

json differenceJson(const Difference& difference)
{
    const records::Leaf& field = difference.field;
    const bool valued = difference.rule != audit::Rule::SaveStamp && difference.expected.size() == field.width;
    return {{"field", field.name},
            {"offset", field.offset},
            {"oldOffset", difference.oldOffset ? json(*difference.oldOffset) : json()},
            {"width", field.width},
            {"kind", kindName(field.kind)},
            {"rule", ruleName(difference.rule)},
            {"expected", valued ? valueJson(field.kind, difference.expected) : json()},
            {"expectedHex", valued ? json(hex(difference.expected, false)) : json()},
            {"found", valueJson(field.kind, difference.found)},
            {"foundHex", hex(difference.found, false)}};
}

std::string outcomeName(PairCheck::Outcome outcome)
{
    switch (outcome) {
    case PairCheck::Faithful: return "faithful";
    case PairCheck::Differing: return "differing";
    case PairCheck::OldUnreadable: return "old file unreadable";
    case PairCheck::NotOld: return "not an old file";
    case PairCheck::NewMissing: return "missing";
    case PairCheck::NewUnreadable: return "new file unreadable";
    case PairCheck::NotNew: break;
    }
    return "not a new file";
}

// What a pair that could not be compared says, after "PATH: ", and the path it names.
std::pair<std::string, std::string> refusal(const PairCheck& check, const audit::PairPaths& paths)
{
    const std::string layout = ": " + layoutName(check.refusedAs.layout)
                               + " layout: " + layoutReason(check.refusedAs, check.refusedLength);
    switch (check.outcome) {
    case PairCheck::OldUnreadable: return {paths.oldPath, "cannot read: " + batch::errorText(*check.error)};
    case PairCheck::NotOld: return {paths.oldPath, outcomeName(check.outcome) + layout};
    case PairCheck::NotNew: return {paths.newPath, outcomeName(check.outcome) + layout};
    case PairCheck::NewMissing:
        return {paths.newPath, check.markedNotToSave ? "missing: the old record is marked not to be saved" : "missing"};
    case PairCheck::NewUnreadable: return {paths.newPath, "cannot read: " + batch::errorText(*check.error)};
    case PairCheck::Faithful:
    case PairCheck::Differing: break;
    }
    return {};
}

// Every finding of a pair as the report's lines: "PATH: text", whether the pair was named or found.
std::string findingLines(const PairCheck& check, const audit::PairPaths& paths)
{
    if (check.outcome != PairCheck::Faithful && check.outcome != PairCheck::Differing) {
        const auto [path, text] = refusal(check, paths);
        return batch::shownPath(path) + ": " + text + '\n';
    }
    std::string lines;
    for (const Difference& difference : check.differences)
        lines += batch::shownPath(paths.newPath) + ": " + differenceText(difference) + '\n';
    return lines;
}

json pairJson(const PairCheck& check, const audit::PairPaths& paths)
{
    json pair{{"old", batch::shownPath(paths.oldPath)},
              {"new", batch::shownPath(paths.newPath)},
              {"outcome", outcomeName(check.outcome)},
              {"differences", json::array()}};
    if (check.outcome != PairCheck::Faithful && check.outcome != PairCheck::Differing)
        pair["reason"] = refusal(check, paths).second;
    for (const Difference& difference : check.differences) pair["differences"].push_back(differenceJson(difference));
    return pair;
}

bool unreadable(const PairCheck& check)
{
    return check.outcome == PairCheck::OldUnreadable || check.outcome == PairCheck::NewUnreadable;
}

}  // namespace

int verifyPair(const std::string& oldPath, const std::string& newPath, bool asJson)
{
    const audit::PairPaths paths = audit::pairPaths(oldPath, newPath);
    const PairCheck check = audit::checkPair(paths);
    if (asJson) std::cout << jsonText(pairJson(check, paths));
    else if (check.outcome == PairCheck::Faithful) std::cout << batch::shownPath(newPath) << ": faithful\n";
    else std::cout << findingLines(check, paths);
    return check.outcome == PairCheck::Faithful ? 0 : 1;
}

int verifyTree(const std::string& oldFolder, const std::string& newFolder, bool asJson)
{
    const audit::TreeCheck tree = audit::checkTree(oldFolder, newFolder);
    std::size_t counts[PairCheck::NotNew + 1] = {};
    json files = json::array(), extra = json::array(), unreadableList = json::array();
    std::string report;
    for (const auto& [paths, check] : tree.pairs) {
        ++counts[check.outcome];
        if (unreadable(check))
            unreadableList.push_back({{"path", batch::shownPath(refusal(check, paths).first)},
                                      {"error", batch::errorText(*check.error)}});
        if (asJson) files.push_back(pairJson(check, paths));
        else report += findingLines(check, paths);
    }
    for (const std::string& path : tree.extra) {
        extra.push_back(batch::shownPath(path));
        report += batch::shownPath(path) + ": extra: no old file converts to it\n";
    }
    for (const auto& [folder, error] : tree.unreadableFolders) {
        unreadableList.push_back({{"path", batch::shownPath(folder)}, {"error", batch::errorText(error)}});
        report += batch::shownPath(folder) + ": cannot read the folder: " + batch::errorText(error) + '\n';
    }
    const std::size_t faithful = counts[PairCheck::Faithful];
    const bool allFaithful = faithful == tree.pairs.size() && tree.extra.empty() && unreadableList.empty();
    if (asJson) {
        const json summary{{"oldFiles", tree.pairs.size()},
                           {"faithful", faithful},
                           {"differing", counts[PairCheck::Differing]},
                           {"missing", counts[PairCheck::NewMissing]},
                           {"notOld", counts[PairCheck::NotOld]},
                           {"notNew", counts[PairCheck::NotNew]},
                           {"extra", tree.extra.size()},
                           {"unreadable", unreadableList.size()},
                           {"allFaithful", allFaithful}};
        std::cout << jsonText({{"oldFolder", batch::shownPath(oldFolder)},
                               {"newFolder", batch::shownPath(newFolder)},
                               {"files", files},
                               {"extra", extra},
                               {"unreadable", unreadableList},
                               {"summary", summary}});
    } else {
        std::cout << report << tree.pairs.size() << " old files: " << faithful << " faithful, "
                  << counts[PairCheck::Differing] << " differing, " << counts[PairCheck::NewMissing] << " missing, "
                  << counts[PairCheck::NotOld] << " not an old file, " << counts[PairCheck::NotNew]
                  << " not a new file; " << tree.extra.size() << " extra, " << unreadableList.size()
                  << " unreadable\n";
    }
    return allFaithful ? 0 : 1;
}

}  // namespace cli
