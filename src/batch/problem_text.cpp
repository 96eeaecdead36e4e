// The words both front ends use for a file that was not converted, so that they read alike.
#include "batch/problem_text.h"

#include <QFile>

namespace batch {

QString errorText(engine::FileError error)
{
    return QStringLiteral("%1 (error %2)").arg(error.description()).arg(error.code());
}

QString problemText(const Job& job, const FileOutcome& outcome)
{
    const QString target = QFile::decodeName(job.target.c_str());
    switch (outcome.reason) {
    case FileOutcome::Done: break;
    case FileOutcome::TargetExists: return QStringLiteral("skipped: %1 exists (--force replaces it)").arg(target);
    case FileOutcome::TargetOfEarlierFile:
        return QStringLiteral("not converted: %1 is the target of an earlier file").arg(target);
    case FileOutcome::TargetIsSource:
        return QStringLiteral("not converted: the target %1 is the source file itself").arg(target);
    case FileOutcome::MarkedNotToSave: return QStringLiteral("not converted: the record is marked not to be saved");
    case FileOutcome::FileFailure:
        if (outcome.failure->operation == engine::Operation::Loading)
            return QStringLiteral("not converted: ") + errorText(outcome.failure->error);
        return QStringLiteral("not converted: cannot write %1: %2").arg(target, errorText(outcome.failure->error));
    }
    return {};
}

}  // namespace batch
