// The command's report of a run: a line on standard error per file not converted, progress on a
// terminal, a line on standard output per converted file when asked, and one summary.
#pragma once

#include "batch/batch_session.h"

#include <string>

namespace cli {

class RunReport : public batch::SessionListener {
public:
    struct Settings {
        bool progress = false;  // a running count, worth it only where a person watches a terminal
        bool summary = false;   // the totals line at the end
        bool listConverted = false;
        bool dryRun = false;
    };
    explicit RunReport(Settings settings) : settings_(settings) {}

    void passedOver(const std::string& path) override;
    void refused(const std::string& subject, const std::string& problem) override;

    void starting(std::size_t index, std::size_t count, const batch::Job& job) override;
    void finished(const batch::Job& job, const batch::FileOutcome& outcome) override;
    void interrupted(std::size_t notBegun, std::size_t count) override;
    void summarise(const batch::RunTotals& totals);

private:
    // One line on standard error: "gconvert: SUBJECT: PROBLEM".
    void problem(const std::string& subject, const std::string& problem);
    void clearProgress();

    Settings settings_;
    bool progressShown_ = false;
};

}  // namespace cli
