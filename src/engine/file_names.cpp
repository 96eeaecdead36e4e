// The rule by which the program takes a file name it is given.
#include "engine/file_names.h"

namespace engine {

std::string withoutTrailingBlanks(std::string_view name)
{
    return std::string(name.substr(0, name.find_last_not_of(' ') + 1));
}

}  // namespace engine
