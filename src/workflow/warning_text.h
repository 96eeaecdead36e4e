// The words of the warning box that tells the user why a file could not be loaded or saved.
#pragma once

#include "engine/failure.h"

#include <string>

namespace workflow {

// The line break the warning prompts use: carriage return, line feed.
inline constexpr char NeueZeile[] = "\r\n";

// UTF-8.
struct WarningText {
    std::string title;   // "Error:  (g_DateiLaden):  53"
    std::string prompt;  // "...at loading", NeueZeile, "File not found"
};

WarningText warningText(const engine::Failure& failure);

}  // namespace workflow
