// The hidden names new files are written under beside their targets, and how leftovers are told.
#pragma once

#include <string>
#include <string_view>

namespace engine {

// ".<target name>.part-XXXXXX" in the target's folder; the target's name is cut so that a long one
// still leaves room, never inside a UTF-8 sequence. folder ends in the system's separator.
std::string temporaryPathFor(std::string_view folder, std::string_view targetName);

// Whether name has that form: only such files are ever removed as what a killed run left.
bool isTemporaryName(std::string_view name);

}  // namespace engine
