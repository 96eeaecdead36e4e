// The words both front ends use for a file that was not converted, so that they read alike.
#include "batch/problem_text.h"

#include "encoding/windows1252.h"

#include <cstdio>

namespace batch {

std::string shownPath(const std::string& path)
{
    constexpr char32_t Replacement = 0xFFFD;
    std::string shown;
    shown.reserve(path.size());
    for (encoding::Utf8Reader reader(path); !reader.atEnd();) {
        const char32_t character = reader.next();
        if (character == U'\n') {
            shown += "\\n";
        } else if (character < 0x20 || (character >= 0x7F && character < 0xA0)) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", static_cast<unsigned>(character));
            shown += escaped;
        } else {
            encoding::appendUtf8(shown, character == encoding::Utf8Reader::Invalid ? Replacement : character);
        }
    }
    return shown;
}

std::string errorText(engine::FileError error)
{
    return std::string(error.description()) + " (error " + std::to_string(error.code()) + ")";
}

std::string problemText(const Job& job, const FileOutcome& outcome)
{
    const std::string target = shownPath(job.target);
    switch (outcome.reason) {
    case FileOutcome::Done: break;
    case FileOutcome::TargetExists: return "skipped: " + target + " exists (--force replaces it)";
    case FileOutcome::TargetOfEarlierFile: return "not converted: " + target + " is the target of an earlier file";
    case FileOutcome::TargetIsSource: return "not converted: the target " + target + " is the source file itself";
    case FileOutcome::MarkedNotToSave: return "not converted: the record is marked not to be saved";
    case FileOutcome::FileFailure:
        if (outcome.failure->operation == engine::Operation::Loading)
            return "not converted: " + errorText(outcome.failure->error);
        return "not converted: cannot write " + target + ": " + errorText(outcome.failure->error);
    }
    return {};
}

}  // namespace batch
