// The words both front ends use for a file that was not converted, so that they read alike.
#include "batch/problem_text.h"

#include <QFile>

namespace batch {

QString shownPath(const std::string& path)
{
    QString shown;
    for (const QChar character : QFile::decodeName(path.c_str())) {
        if (character == u'\n') shown += QStringLiteral("\\n");
        else if (character.category() == QChar::Other_Control)
            shown += QStringLiteral("\\x%1").arg(character.unicode(), 2, 16, QChar(u'0'));
        else shown += character;
    }
    return shown;
}

QString errorText(engine::FileError error)
{
    return QStringLiteral("%1 (error %2)").arg(error.description()).arg(error.code());
}

QString problemText(const Job& job, const FileOutcome& outcome)
{
    const QString target = shownPath(job.target);
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
