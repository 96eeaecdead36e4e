// The words of the warning box that tells the user why a file could not be loaded or saved.
#include "workflow/warning_text.h"

namespace workflow {
namespace {

// A number the way the warning titles show it: a leading blank where a minus sign would stand.
std::string signedNumber(int number)
{
    std::string text = std::to_string(number);
    if (number >= 0) text.insert(text.begin(), ' ');
    return text;
}

}  // namespace

WarningText warningText(const engine::Failure& failure)
{
    const std::string number = signedNumber(failure.error.code());
    const std::string description(failure.error.description());
    if (failure.operation == engine::Operation::Loading)
        return {"Error:  (g_DateiLaden): " + number, "...at loading" + std::string(NeueZeile) + description};
    return {"Error: (g_DateiSpeichern): " + number, "...at saving " + std::string(NeueZeile) + description};
}

}  // namespace workflow
