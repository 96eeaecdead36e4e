// Runs the conversion of one file after another and tells what became of each.
#include "cli/conversion_job.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

#include <filesystem>

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
QString savedName(QString target)
{
    while (target.endsWith(QLatin1Char(' '))) target.chop(1);
    return target;
}

QString errorText(const engine::Warning& warning)
{
    return QStringLiteral("%1 (error %2)").arg(warning.error.description()).arg(warning.error.code());
}

struct Conversion {
    JobResult result;
    QString problem;  // why the file was not converted
};

Conversion convertOne(engine::ConversionEngine& engine, const Job& job)
{
    if (auto loaded = engine.g_DateiLaden(job.source); !loaded)
        return {JobResult::Failed, QStringLiteral("not converted: ") + errorText(*loaded.warning)};
    engine.DatenUebernehmen();
    engine.DatenKonvertieren();

    const QString absoluteTarget = QFileInfo(job.target).absoluteFilePath();
    const engine::SaveOutcome saved = engine.stampAndSave(absoluteTarget);
    switch (saved.status) {
    case engine::SaveStatus::Saved: return {JobResult::Converted, {}};
    case engine::SaveStatus::Inhibited:
        return {JobResult::Failed, QStringLiteral("not converted: the record is marked not to be saved")};
    case engine::SaveStatus::Failed: break;
    }
    return {JobResult::Failed,
            QStringLiteral("not converted: cannot write %1: %2").arg(job.target, errorText(*saved.warning))};
}

}  // namespace

RunTotals runJobs(engine::ConversionEngine& engine, const QList<Job>& jobs, bool force, RunReport& report)
{
    RunTotals totals;
    QSet<QString> writtenTargets;
    for (int index = 0; index < jobs.size(); ++index) {
        const Job& job = jobs[index];
        report.starting(index, static_cast<int>(jobs.size()), job);
        const QString target = savedName(job.target);
        const QString targetKey = QDir::cleanPath(QFileInfo(target).absoluteFilePath());

        Conversion outcome;
        if (writtenTargets.contains(targetKey)) {
            outcome = {JobResult::Failed,
                       QStringLiteral("not converted: %1 was already written in this run").arg(job.target)};
        } else if (sameFile(job.source, target)) {
            outcome = {JobResult::Failed,
                       QStringLiteral("not converted: the target %1 is the source file itself").arg(job.target)};
        } else if (!force && somethingExistsAt(target)) {
            outcome = {JobResult::Skipped,
                       QStringLiteral("skipped: %1 exists (--force replaces it)").arg(job.target)};
        } else {
            outcome = convertOne(engine, job);
        }

        switch (outcome.result) {
        case JobResult::Converted:
            ++totals.converted;
            writtenTargets.insert(targetKey);
            break;
        case JobResult::Failed: ++totals.failed; break;
        case JobResult::Skipped: ++totals.skipped; break;
        }
        if (!outcome.problem.isEmpty()) report.problem(job.source + QStringLiteral(": ") + outcome.problem);
    }
    report.finished(totals);
    return totals;
}

QList<Job> jobsIntoFolder(const QStringList& sources, const QString& folder)
{
    QList<Job> jobs;
    const QDir into(folder);
    for (const QString& source : sources) jobs.append({source, into.filePath(QFileInfo(source).fileName())});
    return jobs;
}

}  // namespace cli
