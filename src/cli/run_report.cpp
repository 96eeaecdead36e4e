// The command's report of a run: problem lines, progress, converted files and the summary.
#include "cli/run_report.h"

#include "batch/problem_text.h"

#include <iostream>

namespace cli {

using batch::shownPath;

void RunReport::passedOver(const std::string& path)
{
    if (!settings_.listConverted) return;
    clearProgress();
    std::cout << "passed over: " << shownPath(path) << '\n' << std::flush;
}

void RunReport::refused(const std::string& subject, const std::string& problem) { this->problem(subject, problem); }

void RunReport::problem(const std::string& subject, const std::string& problem)
{
    clearProgress();
    std::cerr << "gconvert: " << shownPath(subject) << ": " << problem << '\n' << std::flush;
}

void RunReport::starting(std::size_t index, std::size_t count, const batch::Job& job)
{
    if (!settings_.progress) return;
    std::cerr << "\r\x1b[K[" << index + 1 << '/' << count << "] " << shownPath(job.source) << std::flush;
    progressShown_ = true;
}

void RunReport::finished(const batch::Job& job, const batch::FileOutcome& outcome)
{
    if (outcome.result != batch::FileOutcome::Converted) {
        problem(job.source, batch::problemText(job, outcome));
    } else if (settings_.listConverted || settings_.dryRun) {
        clearProgress();
        std::cout << (settings_.dryRun ? "would convert: " : "converted: ") << shownPath(job.source) << " -> "
                  << shownPath(job.target) << '\n' << std::flush;
    }
}

void RunReport::interrupted(std::size_t notBegun, std::size_t count)
{
    clearProgress();
    std::cerr << "gconvert: interrupted: " << notBegun << " of " << count << " files not begun\n" << std::flush;
}

void RunReport::summarise(const batch::RunTotals& totals)
{
    clearProgress();
    if (settings_.summary)
        std::cerr << "gconvert: " << (settings_.dryRun ? "dry run: " : "") << totals.converted << " converted, "
                  << totals.failed << " failed, " << totals.skipped << " skipped (target exists)\n";
    std::cerr << std::flush;
}

void RunReport::clearProgress()
{
    if (!progressShown_) return;
    std::cerr << "\r\x1b[K" << std::flush;
    progressShown_ = false;
}

}  // namespace cli
