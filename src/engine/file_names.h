// The rule by which the program takes a file name it is given.
#pragma once

#include <string>
#include <string_view>

namespace engine {

// A name as the program takes and saves it: without the blanks at its end (spaces only; any other
// white space belongs to the name).
std::string withoutTrailingBlanks(std::string_view name);

}  // namespace engine
