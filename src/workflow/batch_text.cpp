// The words of a run over dropped files, the same in every window.
#include "workflow/batch_text.h"

namespace workflow {
namespace {

std::string lines(std::vector<std::string>::const_iterator begin, std::vector<std::string>::const_iterator end)
{
    std::string text;
    for (auto line = begin; line != end; ++line) text += (text.empty() ? "" : "\n") + *line;
    return text;
}

}  // namespace

bool everyFileConverted(const BatchSummary& summary)
{
    // A folder without a measurement file converted nothing, which the user must not take for success.
    return summary.converted > 0 && summary.skipped + summary.notConverted + summary.notBegun == 0;
}

ExistingTargetsQuestion existingTargetsQuestion(std::size_t existing, std::size_t count)
{
    return {"Save Files To",
            std::to_string(existing) + " of the " + std::to_string(count) + " converted files exist already in this folder.",
            "Replace them, skip them, or cancel the whole run?", "Replace", "Skip"};
}

ProgressText convertingText(std::size_t index, std::size_t count, const std::string& file)
{
    return {std::to_string(index + 1) + " of " + std::to_string(count), file, index, count};
}

ProgressText searchingText(std::size_t found)
{
    return {"Looking for measurement files... " + std::to_string(found) + " found", "", 0, 0};
}

SummaryText summaryText(const BatchSummary& summary)
{
    std::string counts = "Converted: " + std::to_string(summary.converted) + "\nSkipped, the target exists already: "
                         + std::to_string(summary.skipped) + "\nNot converted: " + std::to_string(summary.notConverted);
    if (summary.notBegun > 0) counts += "\nNot begun, the run was cancelled: " + std::to_string(summary.notBegun);
    const std::vector<std::string>& problems = summary.problems;
    const bool cut = problems.size() > ShownProblems;
    std::string details = lines(problems.begin(), cut ? problems.begin() + ShownProblems : problems.end());
    if (cut) details += "\nand " + std::to_string(problems.size() - ShownProblems) + " more";
    return {"FileConverter", counts, details, lines(problems.begin(), problems.end()), problems.empty() ? "" : "Copy list",
            everyFileConverted(summary)};
}

}  // namespace workflow
