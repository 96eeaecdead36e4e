// The command's report on standard error: problem lines, progress on a terminal, one summary.
#pragma once

#include "cli/conversion_job.h"

#include <QTextStream>

namespace cli {

class StderrReport : public RunReport {
public:
    // progress: show a running count (only worth it when a person watches a terminal);
    // summary: end with the totals line.
    StderrReport(bool progress, bool summary);

    void starting(int index, int count, const Job& job) override;
    void problem(const QString& line) override;
    void finished(const RunTotals& totals) override;

private:
    void clearProgress();

    QTextStream err_;
    bool progress_;
    bool summary_;
    bool progressShown_ = false;
};

}  // namespace cli
