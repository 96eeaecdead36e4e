// The command's plan: which sources are converted into which targets, and how each ended.
#pragma once

#include "engine/conversion_engine.h"

#include <QString>
#include <QStringList>
#include <functional>

namespace cli {

struct Job {
    QString source;
    QString target;
};

enum class JobResult { Converted, Failed, Skipped };

struct RunTotals {
    int converted = 0;
    int failed = 0;
    int skipped = 0;
};

// Reports one line per file that was not converted, and progress where someone watches.
class RunReport {
public:
    virtual ~RunReport() = default;
    virtual void starting(int index, int count, const Job& job) = 0;
    virtual void problem(const QString& line) = 0;
    virtual void finished(const RunTotals& totals) = 0;
};

// Converts every job in turn with the one engine, going on past failures. An existing target is
// left alone unless force is set; no target is written twice in one run, and a source is never
// replaced by its own conversion. Once stopRequested says so, no further file is begun and the
// files converted so far are put in place.
RunTotals runJobs(engine::ConversionEngine& engine, const QList<Job>& jobs, bool force, RunReport& report,
                  const std::function<bool()>& stopRequested = {});

// Where each source of a batch goes: the folder, under the source's own name.
QList<Job> jobsIntoFolder(const QStringList& sources, const QString& folder);

}  // namespace cli
