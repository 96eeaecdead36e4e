// Whether a new file is what converting an old one gives, field by field, and the same over trees.
#include "audit/faithfulness.h"

#include "engine/conversion_rule.h"
#include "support/engine/file_names.h"
#include "support/engine/stamps.h"
#include "support/engine/windows1252.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QTime>

#include <algorithm>
#include <array>
#include <map>
#include <set>

namespace audit {
namespace {

using records::NewInfoBlock;
using records::NewMeasurementRecord;
using records::SaveStampGroup;

constexpr std::size_t LineSettingsAt = records::wireOffset<&NewMeasurementRecord::Info, &NewInfoBlock::PortSettings,
                                                           &records::NewPortSettings::LineSettings>();
constexpr std::size_t FormatMarkAt =
    records::wireOffset<&NewMeasurementRecord::Info, &NewInfoBlock::SaveStamp, &SaveStampGroup::FormatMark>();
constexpr std::size_t StampTextAt =
    records::wireOffset<&NewMeasurementRecord::Info, &NewInfoBlock::SaveStamp, &SaveStampGroup::StampText>();
constexpr std::size_t FileNameAt =
    records::wireOffset<&NewMeasurementRecord::Info, &NewInfoBlock::FileInfo, &records::FileInfoGroup::FileName>();
constexpr std::array AuxAAt{records::wireOffset<&NewMeasurementRecord::Series1, &records::SeriesBlock::AuxA>(),
                            records::wireOffset<&NewMeasurementRecord::Series2, &records::SeriesBlock::AuxA>()};
constexpr std::size_t OldSaveInhibitAt =
    records::wireOffset<&records::OldMeasurementRecord::Info, &records::OldInfoBlock::SaveStamp,
                        &SaveStampGroup::SaveInhibit>();

std::string codePage(const QString& text) { return support::toWindows1252(text.toStdString()); }

std::string trimmedText(std::span<const std::uint8_t> stored)
{
    return support::withoutTrailingBlanks(
        std::string_view(reinterpret_cast<const char*>(stored.data()), stored.size()));
}

std::vector<std::uint8_t> bytes(std::span<const std::uint8_t> span) { return {span.begin(), span.end()}; }

std::vector<std::uint8_t> bytes(std::string_view text) { return {text.begin(), text.end()}; }

}  // namespace

bool namesFile(std::span<const std::uint8_t> stored, const std::string& newPath)
{
    const std::string text = trimmedText(stored);
    const QString path = QFile::decodeName(newPath.c_str());
    const std::string name = codePage(path.section(u'/', -1));
    if (text == name || text.ends_with('/' + name) || text.ends_with('\\' + name)) return true;
    // A path that fills the field may have been cut: it must begin a path to the file, the one named
    // here or the absolute one as seen from any folder on the way.
    if (text.size() < stored.size()) return false;
    if (codePage(path).starts_with(text)) return true;
    const std::string absolute = codePage(QFileInfo(path).absoluteFilePath());
    for (std::size_t from = 0; from < absolute.size(); from = absolute.find('/', from) + 1) {
        if (std::string_view(absolute).substr(from).starts_with(text)) return true;
        if (absolute.find('/', from) == std::string::npos) break;
    }
    return false;
}

bool isSaveStamp(std::span<const std::uint8_t> stored)
{
    const QString text = QString::fromLatin1(trimmedText(stored));
    const QStringList parts = text.split(QStringLiteral(" / "));
    if (parts.size() != 2) return false;
    const QDate date = QDate::fromString(parts[0], u"d.MM yyyy");
    const QTime time = QTime::fromString(parts[1], u"HH:mm:ss");
    // Read back through the one routine that writes stamps, so that only its exact form passes.
    return date.isValid() && time.isValid() && QString::fromStdString(support::formatSaveStamp({date.year(), date.month(), date.day(), time.hour(), time.minute(), time.second()})) == text;
}

std::vector<Difference> compareRecords(std::span<const std::uint8_t, records::OldRecordLength> old,
                                       std::span<const std::uint8_t, records::NewRecordLength> converted,
                                       const std::string& newPath)
{
    std::map<std::string_view, const records::Leaf*> oldLeaves;
    for (const records::Leaf& leaf : leavesOf(Layout::Old)) oldLeaves.emplace(leaf.name, &leaf);

    std::vector<Difference> differences;
    for (const records::Leaf& leaf : leavesOf(Layout::New)) {
        Difference difference{leaf, std::nullopt, Rule::Carried, {}, bytes(converted.subspan(leaf.offset, leaf.width))};
        if (leaf.offset == LineSettingsAt) {
            difference.rule = Rule::LineSettings;
            difference.expected.assign(leaf.width, ' ');
            std::ranges::copy(std::string_view(engine::ConvertedLineSettings), difference.expected.begin());
        } else if (leaf.offset == FormatMarkAt) {
            difference.rule = Rule::FormatMark;
            difference.expected = bytes(records::encode(std::int16_t{2}));
        } else if (leaf.offset == StampTextAt) {
            difference.rule = Rule::SaveStamp;
        } else if (leaf.offset == FileNameAt) {
            difference.rule = Rule::FileName;
            difference.expected = bytes(codePage(QFile::decodeName(newPath.c_str()).section(u'/', -1)));
        } else if (const auto match = oldLeaves.find(leaf.name); match != oldLeaves.end()) {
            difference.oldOffset = match->second->offset;
            difference.expected = bytes(old.subspan(match->second->offset, match->second->width));
            if (std::ranges::find(AuxAAt, leaf.offset) != AuxAAt.end())
                std::fill(difference.expected.begin() + engine::ReleasedAuxAFrom,
                          difference.expected.begin() + engine::ReleasedAuxAUpTo, std::uint8_t{0});
        }
        // A field the old layout lacks and converting does not set is a difference with nothing expected.
        const bool differs = difference.rule == Rule::SaveStamp  ? !isSaveStamp(difference.found)
                             : difference.rule == Rule::FileName ? !namesFile(difference.found, newPath)
                                                                 : difference.expected != difference.found;
        if (differs) differences.push_back(std::move(difference));
    }
    return differences;
}

PairCheck checkPair(const std::string& oldPath, const std::string& newPath)
{
    PairCheck check;
    FileImage old, converted;
    if ((check.error = readImage(oldPath, old))) {
        check.outcome = PairCheck::OldUnreadable;
        return check;
    }
    if (const Identification layout = identify(old); layout.layout != Layout::Old) {
        check.outcome = PairCheck::NotOld;
        check.refusedAs = layout;
        check.refusedLength = old.length;
        return check;
    }
    if ((check.error = readImage(newPath, converted))) {
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
                                       std::span(converted.head).first<records::NewRecordLength>(), newPath);
    check.outcome = check.differences.empty() ? PairCheck::Faithful : PairCheck::Differing;
    return check;
}

TreeCheck checkTree(const std::string& oldFolder, const std::string& newFolder)
{
    TreeCheck tree;
    const batch::PlanNotes notes{
        .passedOver = [](const std::string&) {},
        .folderNotAsked = [](const std::string&) {},
        .folderUnreadable = [&](const std::string& folder, engine::FileError error) {
            tree.unreadableFolders.emplace_back(folder, error);
        },
    };
    std::set<std::string> targets;
    for (batch::Job& job : batch::planInto({oldFolder}, newFolder, true, notes)) {
        targets.insert(job.target);
        PairCheck check = checkPair(job.source, job.target);
        tree.pairs.emplace_back(std::move(job), std::move(check));
    }
    // The new tree planned into itself names its files the way the old tree's targets are named.
    for (const batch::Job& found : batch::planInto({newFolder}, newFolder, true, notes))
        if (!targets.contains(found.target)) tree.extra.push_back(found.source);
    return tree;
}

}  // namespace audit
