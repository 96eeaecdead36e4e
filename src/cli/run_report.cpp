// The command's report of a run: problem lines, progress, converted files and the summary.
#include "cli/run_report.h"

#include "batch/problem_text.h"


#include <cstdio>

namespace cli {
namespace {

}  // namespace

RunReport::RunReport(Settings settings) : out_(stdout), err_(stderr), settings_(settings) {}

void RunReport::passedOver(const std::string& path)
{
    if (!settings_.listConverted) return;
    clearProgress();
    out_ << "passed over: " << QString::fromStdString(batch::shownPath(path)) << '\n';
    out_.flush();
}

void RunReport::problem(const QString& subject, const QString& text)
{
    clearProgress();
    err_ << "gconvert: " << subject << ": " << text << '\n';
    err_.flush();
}

void RunReport::starting(std::size_t index, std::size_t count, const batch::Job& job)
{
    if (!settings_.progress) return;
    err_ << "\r\x1b[K[" << index + 1 << '/' << count << "] " << QString::fromStdString(batch::shownPath(job.source));
    err_.flush();
    progressShown_ = true;
}

void RunReport::finished(const batch::Job& job, const batch::FileOutcome& outcome)
{
    if (outcome.result != batch::FileOutcome::Converted) {
        problem(QString::fromStdString(batch::shownPath(job.source)), QString::fromStdString(batch::problemText(job, outcome)));
    } else if (settings_.listConverted || settings_.dryRun) {
        clearProgress();
        out_ << (settings_.dryRun ? "would convert: " : "converted: ") << QString::fromStdString(batch::shownPath(job.source)) << " -> "
             << QString::fromStdString(batch::shownPath(job.target)) << '\n';
        out_.flush();
    }
}

void RunReport::interrupted(std::size_t notBegun, std::size_t count)
{
    clearProgress();
    err_ << "gconvert: interrupted: " << notBegun << " of " << count << " files not begun\n";
    err_.flush();
}

void RunReport::summarise(const batch::RunTotals& totals)
{
    clearProgress();
    if (settings_.summary)
        err_ << "gconvert: " << (settings_.dryRun ? "dry run: " : "") << totals.converted << " converted, "
             << totals.failed << " failed, " << totals.skipped << " skipped (target exists)\n";
    err_.flush();
}

void RunReport::clearProgress()
{
    if (!progressShown_) return;
    err_ << "\r\x1b[K";
    err_.flush();
    progressShown_ = false;
}

}  // namespace cli
