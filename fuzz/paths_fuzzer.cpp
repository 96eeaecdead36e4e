// Fuzz target: path splitting, the filter and extension tests and the whole dialog routine on
// arbitrary paths, filters and chosen names, with lengths reaching past the 16-bit positions.
#include "fuzz_check.h"
#include "workflow/file_dialog.h"
#include "workflow/path_split.h"
#include "workflow/text_positions.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace {

using fuzz::require;

// Answers each showing with the next scripted name, and cancels once the script is used up.
class ScriptedDialog : public workflow::FileDialogControl {
public:
    explicit ScriptedDialog(std::vector<std::string> script) : script_(std::move(script)) {}
    int shown = 0;

    void setDialogTitle(const std::string&) override {}
    void setFileName(const std::string& name) override { fileName_ = name; }
    std::string fileName() const override { return fileName_; }
    void setInitialDirectory(const std::string&) override {}
    void setDefaultExtension(const std::string&) override {}
    void setFilter(const std::string&) override {}
    void setFlags(std::uint32_t) override {}
    bool showOpen() override { return show(); }
    bool showSave() override { return show(); }

private:
    bool show()
    {
        require(shown <= static_cast<int>(script_.size()), "the routine stops after a cancel");
        if (shown == static_cast<int>(script_.size())) {
            ++shown;
            return false;
        }
        fileName_ = script_[static_cast<std::size_t>(shown++)];
        return true;
    }
    std::vector<std::string> script_;
    std::string fileName_;
};

bool isSeparator(char c) { return c == '/' || c == '\\'; }

// The position (1-based, 0 when absent) of the byte at offset, counted as the program counts.
std::size_t positionOf(const std::string& text, std::size_t offset)
{
    return offset == std::string::npos ? 0 : workflow::unitCount(std::string_view(text).substr(0, offset)) + 1;
}

void checkSplit(const std::string& path)
{
    const std::optional<workflow::PathParts> split = workflow::PfadZerlegen(path);
    const std::size_t colon = path.find(':');
    const std::size_t separator = path.find_last_of("/\\");
    require(split.has_value() == (positionOf(path, colon) < 32767 && positionOf(path, separator) < 32767),
            "only a ':' or separator at position 32767 or beyond overflows");
    if (!split) return;
    require(split->drive == (colon == std::string::npos ? split->drive : path.substr(0, colon + 1)),
            "the drive ends at the first ':'");
    require(workflow::unitCount(split->fileName) <= 128 && split->fileName.find_first_of("/\\") == std::string::npos,
            "a file name is short and holds no separator");
    // Drive, directory and name are pieces of the path in order; only one separator between folder and name drops out.
    const std::string head = colon == std::string::npos ? split->directory : split->drive + split->directory;
    require(path.starts_with(head), "drive and directory start the path");
    std::string_view rest = std::string_view(path).substr(head.size());
    if (!rest.starts_with(split->fileName) && !rest.empty() && isSeparator(rest.front())) rest.remove_prefix(1);
    require(rest.starts_with(split->fileName), "the file name follows the directory");
}

void checkDialog(const std::string& startPath, const std::string& filter, const std::vector<std::string>& choices)
{
    const std::optional<std::string> extension = workflow::FilterExtension(filter.empty() ? "*.*" : filter);
    ScriptedDialog dialog(choices);
    const std::string chosen = workflow::DateiDialog(dialog, startPath, filter, "T", 1);
    require(chosen.empty() || (dialog.shown >= 1 && chosen == choices[static_cast<std::size_t>(dialog.shown - 1)]),
            "the routine returns the last name chosen, or nothing");
    if (chosen.empty() || !extension) return;
    const auto trimmed = [](std::string_view text) {
        while (text.ends_with(' ')) text.remove_suffix(1);
        return text;
    };
    const std::string wanted(*extension == "?" ? workflow::lastCharacter(trimmed(chosen)) : trimmed(*extension));
    // In the name part, without its trailing blanks, the first "." + extension leaves one position after the ".".
    const std::size_t separator = chosen.find_last_of("/\\");
    const std::string_view name = trimmed(std::string_view(chosen).substr(separator == std::string::npos ? 0 : separator + 1));
    const std::size_t found = workflow::findWhole(name, "." + std::string(trimmed(wanted)));
    require(found != std::string::npos && workflow::unitCount(name.substr(found + 1)) == 1,
            "an accepted name carries the extension");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    // Taken from the end of the input, so that the texts at its start stay readable in the corpus.
    const auto layout = input.ConsumeIntegral<std::uint8_t>();
    const auto padding = input.ConsumeIntegralInRange<int>(0, 33000);
    // Raw bytes: UTF-8 with characters beyond the Basic Multilingual Plane, or bytes that are no UTF-8.
    std::string startPath = input.ConsumeRandomLengthString();
    std::string filter = input.ConsumeRandomLengthString();
    std::vector<std::string> choices;
    while (choices.size() < 6 && input.remaining_bytes() > 0) choices.push_back(input.ConsumeRandomLengthString());

    // A run of 'x' (or of characters counting two positions) before or after one of the texts carries
    // its characters to the 16-bit limits.
    std::string pad(static_cast<std::size_t>(padding), 'x');
    if ((layout & 1) != 0) {
        pad.clear();
        for (int pair = 0; pair < padding / 2; ++pair) pad += "\U0001F600";
    }
    const std::size_t padded = (layout >> 2) % (2 + choices.size());
    std::string& stretched = padded == 0 ? startPath : padded == 1 ? filter : choices[padded - 2];
    stretched = (layout & 2) != 0 ? pad + stretched : stretched + pad;

    checkSplit(startPath);
    for (const std::string& choice : choices) checkSplit(choice);
    checkDialog(startPath, filter, choices);
    return 0;
}
