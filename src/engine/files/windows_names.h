// The names Windows cannot give a file, told apart before anything is written under them.
#pragma once

#include <string_view>

namespace engine {

// Whether Windows refuses name (one part of a path, UTF-8) or takes it for something else: the
// characters < > : " / \ | ? * and control characters, a trailing dot or blank (which Windows drops,
// so that another file would be written), and the device names CON, PRN, AUX, NUL, COM0 to COM9 and
// LPT0 to LPT9, with or without an extension, in any case.
bool windowsCannotHold(std::string_view name);

}  // namespace engine
