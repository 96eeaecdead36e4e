// Runs the conversion of one file after another and tells what became of each.
#include "cli/conversion_job.h"

#include "support/path_split.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

#include <filesystem>
#include <map>
#include <vector>

namespace cli {
namespace {

namespace fs = std::filesystem;

fs::path nativePath(const QString& path) { return fs::path(QFile::encodeName(path).toStdString()); }

// A dangling link counts too: something stands at that name that the user may want to keep.
bool somethingExistsAt(const QString& path)
{
    std::error_code error;
    const auto status = fs::symlink_status(nativePath(path), error);
    return !error && status.type() != fs::file_type::not_found;
}

bool sameFile(const QString& a, const QString& b)
{
    std::error_code error;
    return fs::equivalent(nativePath(a), nativePath(b), error) && !error;
}

// The save drops trailing blanks from a target name, so every check must look at that name too.
QString savedName(const QString& target) { return support::withoutTrailingBlanks(target).toString(); }

QString errorText(engine::FileError error)
{
    return QStringLiteral("%1 (error %2)").arg(error.description()).arg(error.code());
}

struct Conversion {
    JobResult result;
    QString problem;  // why the file was not converted
    bool outOfFiles = false;  // failed for want of a file descriptor
};

// Saved files wait in their temporary files until this many are written, then reach the disk
// with one flush; a few dozen open files stay far below any descriptor limit.
constexpr std::size_t FilesFlushedTogether = 64;

// Converted files whose replacements wait to be flushed, with the jobs they belong to.
struct WaitingFiles {
    std::vector<engine::PendingReplacement> replacements;
    std::vector<qsizetype> jobIndices;
};

Conversion cannotWrite(const Job& job, engine::FileError error)
{
    return {JobResult::Failed, QStringLiteral("not converted: cannot write %1: %2").arg(job.target, errorText(error)),
            error.number == engine::FileErrorNumber::TooManyFiles};
}

// Loads, converts and stamps the file and leaves it waiting beside its target.
Conversion convertOne(engine::ConversionEngine& engine, const Job& job, const QString& absoluteTarget,
                      qsizetype jobIndex, WaitingFiles& waiting)
{
    if (auto loaded = engine.g_DateiLaden(job.source); !loaded)
        return {JobResult::Failed, QStringLiteral("not converted: ") + errorText(loaded.warning->error),
                loaded.warning->error.number == engine::FileErrorNumber::TooManyFiles};
    engine.DatenUebernehmen();
    engine.DatenKonvertieren();

    QString target = absoluteTarget;
    if (!engine.markForSaving(target))
        return {JobResult::Failed, QStringLiteral("not converted: the record is marked not to be saved")};
    std::optional<engine::PendingReplacement> pending;
    if (auto error = engine.beginSave(target, pending)) return cannotWrite(job, *error);
    waiting.replacements.push_back(std::move(*pending));
    waiting.jobIndices.push_back(jobIndex);
    return {JobResult::Converted, {}};
}

}  // namespace

RunTotals runJobs(engine::ConversionEngine& engine, const QList<Job>& jobs, bool force, RunReport& report,
                  const std::function<bool()>& stopRequested)
{
    RunTotals totals;
    const auto count = [&](const Conversion& outcome, const Job& job) {
        switch (outcome.result) {
        case JobResult::Converted: ++totals.converted; break;
        case JobResult::Failed: ++totals.failed; break;
        case JobResult::Skipped: ++totals.skipped; break;
        }
        if (!outcome.problem.isEmpty()) report.problem(job.source + QStringLiteral(": ") + outcome.problem);
    };

    WaitingFiles waiting;
    const auto completeWaiting = [&] {
        engine::flushTogether(waiting.replacements);
        std::vector<std::optional<engine::FileError>> errors;
        for (engine::PendingReplacement& replacement : waiting.replacements) errors.push_back(replacement.complete());
        // A file counts as converted once its new name is on the disk too: one flush per folder.
        std::map<std::string, std::optional<engine::FileError>> folders;
        for (std::size_t i = 0; i < waiting.replacements.size(); ++i) {
            if (errors[i]) continue;
            const std::string& target = waiting.replacements[i].targetPath();
            const std::string folder = target.substr(0, target.rfind('/') + 1);
            if (!folders.contains(folder)) folders[folder] = engine::flushFolderOf(engine::systemFileCalls(), target);
            errors[i] = folders[folder];
        }
        for (std::size_t i = 0; i < waiting.replacements.size(); ++i) {
            const Job& job = jobs[waiting.jobIndices[i]];
            if (errors[i]) count(cannotWrite(job, *errors[i]), job);
            else count({JobResult::Converted, {}}, job);
        }
        waiting = {};
    };

    QSet<QString> claimedTargets;
    for (qsizetype index = 0; index < jobs.size(); ++index) {
        if (stopRequested && stopRequested()) {
            report.problem(QStringLiteral("interrupted: %1 of %2 files not begun").arg(jobs.size() - index).arg(jobs.size()));
            break;
        }
        const Job& job = jobs[index];
        report.starting(static_cast<int>(index), static_cast<int>(jobs.size()), job);
        const QString target = savedName(job.target);
        const QString absoluteTarget = QFileInfo(job.target).absoluteFilePath();
        const QString targetKey = QDir::cleanPath(savedName(absoluteTarget));
        // Nothing at the target: it cannot be the source, and nothing there is to keep.
        const bool targetExists = somethingExistsAt(target);

        Conversion outcome;
        if (claimedTargets.contains(targetKey)) {
            outcome = {JobResult::Failed,
                       QStringLiteral("not converted: %1 is the target of an earlier file").arg(job.target)};
        } else if (targetExists && sameFile(job.source, target)) {
            outcome = {JobResult::Failed,
                       QStringLiteral("not converted: the target %1 is the source file itself").arg(job.target)};
        } else if (!force && targetExists) {
            outcome = {JobResult::Skipped, QStringLiteral("skipped: %1 exists (--force replaces it)").arg(job.target)};
        } else {
            outcome = convertOne(engine, job, absoluteTarget, index, waiting);
            // Each waiting file holds a descriptor: under a low limit on open files, put them in place
            // and try again rather than fail a file that can be converted.
            if (outcome.outOfFiles && !waiting.replacements.empty()) {
                completeWaiting();
                outcome = convertOne(engine, job, absoluteTarget, index, waiting);
            }
        }

        // A converted file is counted once it is in place.
        if (outcome.result == JobResult::Converted) claimedTargets.insert(targetKey);
        else count(outcome, job);
        if (waiting.replacements.size() == FilesFlushedTogether) completeWaiting();
    }
    completeWaiting();
    report.finished(totals);
    return totals;
}

QList<Job> jobsIntoFolder(const QStringList& sources, const QString& folder)
{
    QList<Job> jobs;
    const QDir into(folder);
    // "data/" names the folder data: its target is data in the output folder, not the folder itself.
    for (const QString& source : sources)
        jobs.append({source, into.filePath(QFileInfo(QDir::cleanPath(source)).fileName())});
    return jobs;
}

}  // namespace cli
