// UTF-16 text as Windows' wide calls take it, and back to the UTF-8 every other layer holds.
#pragma once

#include <string>
#include <string_view>

namespace encoding {

std::wstring wideText(std::string_view utf8);
std::string utf8Text(std::wstring_view wide);

}  // namespace encoding
