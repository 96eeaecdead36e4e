// gconvert --verify: whether converted files are what converting their old files gives.
#include "cli/verify_command.h"

#include "batch/problem_text.h"
#include "cli/field_values.h"
#include "audit/faithfulness.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

#include <algorithm>

namespace cli {
namespace {

using audit::Difference;
using audit::PairCheck;

// Longer byte groups are shown from their first differing byte on, this many bytes of them.
constexpr std::size_t ExcerptBytes = 16;

QString ruleName(audit::Rule rule)
{
    switch (rule) {
    case audit::Rule::Carried: return QStringLiteral("carried");
    case audit::Rule::LineSettings: return QStringLiteral("line settings");
    case audit::Rule::FormatMark: return QStringLiteral("format mark");
    case audit::Rule::SaveStamp: return QStringLiteral("save stamp");
    case audit::Rule::FileName: break;
    }
    return QStringLiteral("file name");
}

QString differenceText(const Difference& difference)
{
    const records::Leaf& field = difference.field;
    QString text = QStringLiteral("%1 at %2").arg(QString::fromStdString(field.name)).arg(field.offset);
    if (difference.oldOffset && *difference.oldOffset != field.offset)
        text += QStringLiteral(" (%1 in the old file)").arg(*difference.oldOffset);
    const std::span<const std::uint8_t> expected = difference.expected, found = difference.found;
    if (difference.rule == audit::Rule::SaveStamp)
        return text + QStringLiteral(": expected a save stamp \"d.mm yyyy / hh:mm:ss\", found ") + quoted(found);
    if (difference.rule == audit::Rule::FileName)
        return text + QStringLiteral(": expected a path ending in ") + quoted(expected) + QStringLiteral(", found ")
               + quoted(found);
    if (expected.size() != found.size()) return text + QStringLiteral(": the old layout has no such field");
    if (field.kind == records::LeafKind::Opaque && field.width > ExcerptBytes) {
        const auto from = static_cast<std::size_t>(std::ranges::mismatch(expected, found).in1 - expected.begin());
        const std::size_t count = std::min(ExcerptBytes, field.width - from);
        return text + QStringLiteral(", from byte %1: expected %2, found %3")
                          .arg(from)
                          .arg(hex(expected.subspan(from, count)), hex(found.subspan(from, count)));
    }
    return text
           + QStringLiteral(": expected %1, found %2")
                 .arg(valueText(field.kind, expected), valueText(field.kind, found));
}

QJsonObject differenceJson(const Difference& difference)
{
    const records::Leaf& field = difference.field;
    const bool valued = difference.rule != audit::Rule::SaveStamp && difference.expected.size() == field.width;
    return {{QStringLiteral("field"), QString::fromStdString(field.name)},
            {QStringLiteral("offset"), static_cast<qint64>(field.offset)},
            {QStringLiteral("oldOffset"),
             difference.oldOffset ? QJsonValue(static_cast<qint64>(*difference.oldOffset)) : QJsonValue()},
            {QStringLiteral("width"), static_cast<qint64>(field.width)},
            {QStringLiteral("kind"), kindName(field.kind)},
            {QStringLiteral("rule"), ruleName(difference.rule)},
            {QStringLiteral("expected"), valued ? valueJson(field.kind, difference.expected) : QJsonValue()},
            {QStringLiteral("expectedHex"), valued ? QJsonValue(hex(difference.expected).remove(u' ')) : QJsonValue()},
            {QStringLiteral("found"), valueJson(field.kind, difference.found)},
            {QStringLiteral("foundHex"), hex(difference.found).remove(u' ')}};
}

QString outcomeName(PairCheck::Outcome outcome)
{
    switch (outcome) {
    case PairCheck::Faithful: return QStringLiteral("faithful");
    case PairCheck::Differing: return QStringLiteral("differing");
    case PairCheck::OldUnreadable: return QStringLiteral("old file unreadable");
    case PairCheck::NotOld: return QStringLiteral("not an old file");
    case PairCheck::NewMissing: return QStringLiteral("missing");
    case PairCheck::NewUnreadable: return QStringLiteral("new file unreadable");
    case PairCheck::NotNew: break;
    }
    return QStringLiteral("not a converted file");
}

// The line a pair that could not be compared gives, after "PATH: ", and the path it names.
std::pair<std::string, QString> refusal(const PairCheck& check, const std::string& oldPath, const std::string& newPath)
{
    const QString layout =
        check.outcome == PairCheck::NotOld || check.outcome == PairCheck::NotNew
            ? QStringLiteral(": %1 layout: %2")
                  .arg(layoutName(check.refusedAs.layout), layoutReason(check.refusedAs, check.refusedLength))
            : QString();
    switch (check.outcome) {
    case PairCheck::OldUnreadable: return {oldPath, QStringLiteral("cannot read: ") + QString::fromStdString(batch::errorText(*check.error))};
    case PairCheck::NotOld: return {oldPath, QStringLiteral("not an old file") + layout};
    case PairCheck::NotNew: return {newPath, QStringLiteral("not a converted file") + layout};
    case PairCheck::NewMissing:
    case PairCheck::NewUnreadable:
        return {newPath, QStringLiteral("cannot read: ") + QString::fromStdString(batch::errorText(*check.error))
                             + (check.markedNotToSave ? QStringLiteral(" (the old record is marked not to be saved)")
                                                      : QString())};
    case PairCheck::Faithful:
    case PairCheck::Differing: break;
    }
    return {};
}

QJsonObject pairJson(const PairCheck& check, const std::string& oldPath, const std::string& newPath)
{
    QJsonObject pair{{QStringLiteral("old"), QString::fromStdString(batch::shownPath(oldPath))},
                     {QStringLiteral("new"), QString::fromStdString(batch::shownPath(newPath))},
                     {QStringLiteral("outcome"), outcomeName(check.outcome)}};
    if (check.outcome != PairCheck::Faithful && check.outcome != PairCheck::Differing)
        pair.insert(QStringLiteral("reason"), refusal(check, oldPath, newPath).second);
    QJsonArray differences;
    for (const Difference& difference : check.differences) differences.append(differenceJson(difference));
    pair.insert(QStringLiteral("differences"), differences);
    return pair;
}

}  // namespace

int verifyPair(const std::string& oldPath, const std::string& newPath, bool json)
{
    const PairCheck check = audit::checkPair(oldPath, newPath);
    QTextStream out(stdout), err(stderr);
    if (json) {
        out << QJsonDocument(pairJson(check, oldPath, newPath)).toJson();
    } else if (check.outcome == PairCheck::Faithful) {
        out << "faithful\n";
    } else if (check.outcome == PairCheck::Differing) {
        for (const Difference& difference : check.differences) out << differenceText(difference) << '\n';
    } else {
        const auto [path, text] = refusal(check, oldPath, newPath);
        err << "gconvert: " << QString::fromStdString(batch::shownPath(path)) << ": " << text << '\n';
    }
    return check.outcome == PairCheck::Faithful ? 0 : 1;
}

int verifyTree(const std::string& oldFolder, const std::string& newFolder, bool json)
{
    const audit::TreeCheck tree = audit::checkTree(oldFolder, newFolder);
    QTextStream out(stdout);
    std::size_t faithful = 0, differing = 0, missing = 0, notOld = 0, unreadable = tree.unreadableFolders.size();
    QJsonArray files, extra, folders;
    for (const auto& [job, check] : tree.pairs) {
        switch (check.outcome) {
        case PairCheck::Faithful: ++faithful; break;
        case PairCheck::Differing:
        case PairCheck::NotNew: ++differing; break;
        case PairCheck::NewMissing: ++missing; break;
        case PairCheck::NotOld: ++notOld; break;
        case PairCheck::OldUnreadable:
        case PairCheck::NewUnreadable: ++unreadable; break;
        }
        if (json) {
            files.append(pairJson(check, job.source, job.target));
        } else if (check.outcome == PairCheck::Differing) {
            for (const Difference& difference : check.differences)
                out << QString::fromStdString(batch::shownPath(job.target)) << ": " << differenceText(difference) << '\n';
        } else if (check.outcome == PairCheck::NewMissing) {
            out << QString::fromStdString(batch::shownPath(job.target)) << ": missing"
                << (check.markedNotToSave ? ": the old record is marked not to be saved" : "") << '\n';
        } else if (check.outcome != PairCheck::Faithful) {
            const auto [path, text] = refusal(check, job.source, job.target);
            out << QString::fromStdString(batch::shownPath(path)) << ": " << text << '\n';
        }
    }
    for (const std::string& path : tree.extra) {
        if (json) extra.append(QString::fromStdString(batch::shownPath(path)));
        else out << QString::fromStdString(batch::shownPath(path)) << ": extra: no old file converts to it\n";
    }
    for (const auto& [folder, error] : tree.unreadableFolders) {
        if (json)
            folders.append(QJsonObject{{QStringLiteral("folder"), QString::fromStdString(batch::shownPath(folder))},
                                       {QStringLiteral("error"), QString::fromStdString(batch::errorText(error))}});
        else out << QString::fromStdString(batch::shownPath(folder)) << ": cannot read the folder: " << QString::fromStdString(batch::errorText(error)) << '\n';
    }
    const bool allFaithful = faithful == tree.pairs.size() && tree.extra.empty() && unreadable == 0;
    const auto count = [](std::size_t n) { return static_cast<qint64>(n); };
    if (json) {
        const QJsonObject summary{{QStringLiteral("oldFiles"), count(tree.pairs.size())},
                                  {QStringLiteral("faithful"), count(faithful)},
                                  {QStringLiteral("differing"), count(differing)},
                                  {QStringLiteral("missing"), count(missing)},
                                  {QStringLiteral("notOld"), count(notOld)},
                                  {QStringLiteral("extra"), count(tree.extra.size())},
                                  {QStringLiteral("unreadable"), count(unreadable)},
                                  {QStringLiteral("allFaithful"), allFaithful}};
        out << QJsonDocument(QJsonObject{{QStringLiteral("oldFolder"), QString::fromStdString(batch::shownPath(oldFolder))},
                                         {QStringLiteral("newFolder"), QString::fromStdString(batch::shownPath(newFolder))},
                                         {QStringLiteral("files"), files},
                                         {QStringLiteral("extra"), extra},
                                         {QStringLiteral("unreadableFolders"), folders},
                                         {QStringLiteral("summary"), summary}})
                   .toJson();
    } else {
        out << tree.pairs.size() << " old files: " << faithful << " faithful, " << differing << " differing, "
            << missing << " missing, " << notOld << " not an old file; " << tree.extra.size() << " extra, "
            << unreadable << " unreadable\n";
    }
    return allFaithful ? 0 : 1;
}

}  // namespace cli
