// The words of a run over dropped files, the same in every window: the question about existing targets,
// the progress lines and the summary, with the rule that tells a run that converted every file.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace workflow {

// What a run over many files came to.
struct BatchSummary {
    std::size_t converted = 0;
    std::size_t skipped = 0;  // the target exists and was kept
    std::size_t notConverted = 0;
    std::size_t notBegun = 0;           // left over when the run was cancelled
    std::vector<std::string> problems;  // a line per file not converted: "in/big.G: not converted: Overflow (error 6)"
};

// Whether the run converted every file it was given, and at least one: the status line and the
// summary's icon both go by it.
bool everyFileConverted(const BatchSummary& summary);

// The one question of a run whose targets are there already. UTF-8, as every text here.
struct ExistingTargetsQuestion {
    std::string title;        // "Save Files To"
    std::string instruction;  // "3 of the 12 converted files exist already in this folder."
    std::string content;      // "Replace them, skip them, or cancel the whole run?"
    std::string replace, skip;  // the two buttons beside Cancel
};
ExistingTargetsQuestion existingTargetsQuestion(std::size_t existing, std::size_t count);

inline constexpr char ProgressTitle[] = "Converting";
// The progress window's text once its Cancel is pressed, until the run has stopped.
inline constexpr char StoppingText[] = "Stopping after the file at hand";

// The progress window's two lines: the count, and the file at hand (its path, which the window may
// shorten in the middle), or the search's count and no file.
struct ProgressText {
    std::string count;  // "3 of 300", or "Looking for measurement files... 12 found"
    std::string file;
    std::size_t done = 0;   // files begun before this one, for the bar
    std::size_t total = 0;  // 0 while the search goes on
};
ProgressText convertingText(std::size_t index, std::size_t count, const std::string& file);
ProgressText searchingText(std::size_t found);

// No more names than fit a screen go into the summary itself; the whole list is there to copy.
inline constexpr std::size_t ShownProblems = 20;

struct SummaryText {
    std::string title;      // "FileConverter"
    std::string counts;     // "Converted: 2\nSkipped, the target exists already: 1\nNot converted: 1"
    std::string details;    // at most ShownProblems lines, then "and K more"; "" without problems
    std::string wholeList;  // every problem, a line each, for the copy button
    std::string copyButton;  // "Copy list", shown with problems only
    bool everyFileConverted = false;  // the information icon, otherwise the warning icon
};
SummaryText summaryText(const BatchSummary& summary);

}  // namespace workflow
