// The names Windows cannot give a file.
#include "engine/files/windows_names.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace engine {
namespace {

bool sameLetters(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::ranges::equal(a, b, [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
           });
}

bool isDeviceName(std::string_view name)
{
    // "NUL.G" names the device too, and so does "NUL .G": the part before the first dot, blanks dropped.
    std::string_view stem = name.substr(0, name.find('.'));
    stem = stem.substr(0, stem.find_last_not_of(' ') + 1);
    constexpr std::array<std::string_view, 4> Devices{"CON", "PRN", "AUX", "NUL"};
    if (std::ranges::any_of(Devices, [&](std::string_view device) { return sameLetters(stem, device); })) return true;
    // COM0 to COM9 and LPT0 to LPT9; also the superscript digits ¹ ² ³ Windows takes for them.
    for (const std::string_view port : {"COM", "LPT"}) {
        if (stem.size() < 4 || !sameLetters(stem.substr(0, 3), port)) continue;
        const std::string_view number = stem.substr(3);
        if (number.size() == 1 && number[0] >= '0' && number[0] <= '9') return true;
        if (number == "\u00b9" || number == "\u00b2" || number == "\u00b3") return true;
    }
    return false;
}

}  // namespace

bool windowsCannotHold(std::string_view name)
{
    if (name.empty() || name == "." || name == "..") return true;
    if (name.back() == '.' || name.back() == ' ') return true;
    constexpr std::string_view Forbidden = "<>:\"/\\|?*";
    for (const char character : name)
        if (static_cast<unsigned char>(character) < 0x20 || Forbidden.find(character) != std::string_view::npos)
            return true;
    return isDeviceName(name);
}

}  // namespace engine
