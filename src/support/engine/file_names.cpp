// The rule by which the program takes a file name it is given.
#include "support/engine/file_names.h"

namespace support {

std::string withoutTrailingBlanks(std::string_view name)
{
    return std::string(name.substr(0, name.find_last_not_of(' ') + 1));
}

}  // namespace support
