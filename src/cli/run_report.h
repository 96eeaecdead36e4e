// The command's report of a run: a line on standard error per file not converted, progress on a
// terminal, a line on standard output per converted file when asked, and one summary.
#pragma once

#include "batch/batch_conversion.h"

#include <QString>
#include <QTextStream>

namespace cli {

class RunReport : public batch::BatchListener {
public:
    struct Settings {
        bool progress = false;  // a running count, worth it only where a person watches a terminal
        bool summary = false;   // the totals line at the end
        bool listConverted = false;
        bool dryRun = false;
    };
    explicit RunReport(Settings settings);

    void passedOver(const std::string& path);
    void problem(const QString& subject, const QString& text);

    void starting(std::size_t index, std::size_t count, const batch::Job& job) override;
    void finished(const batch::Job& job, const batch::FileOutcome& outcome) override;
    void interrupted(std::size_t notBegun, std::size_t count) override;
    void summarise(const batch::RunTotals& totals);

private:
    void clearProgress();

    QTextStream out_;
    QTextStream err_;
    Settings settings_;
    bool progressShown_ = false;
};

}  // namespace cli
