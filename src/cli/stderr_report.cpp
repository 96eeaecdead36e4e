// Writes what became of a run to standard error, one line per problem.
#include "cli/stderr_report.h"

#include <cstdio>

namespace cli {

StderrReport::StderrReport(bool progress, bool summary) : err_(stderr), progress_(progress), summary_(summary) {}

void StderrReport::starting(int index, int count, const Job& job)
{
    if (!progress_) return;
    err_ << "\r\x1b[K[" << index + 1 << '/' << count << "] " << job.source;
    err_.flush();
    progressShown_ = true;
}

void StderrReport::problem(const QString& line)
{
    clearProgress();
    err_ << "gconvert: " << line << '\n';
    err_.flush();
}

void StderrReport::finished(const RunTotals& totals)
{
    clearProgress();
    if (summary_)
        err_ << "gconvert: " << totals.converted << " converted, " << totals.failed << " failed, " << totals.skipped
             << " skipped (target exists)\n";
    err_.flush();
}

void StderrReport::clearProgress()
{
    if (!progressShown_) return;
    err_ << "\r\x1b[K";
    progressShown_ = false;
}

}  // namespace cli
