// Character positions in UTF-8 text, counted as the window's rules count them: 1-based, in 16 bits.
#include "workflow/text_positions.h"

#include "encoding/windows1252.h"

namespace workflow {

TextCharacter firstCharacter(std::string_view text)
{
    if (text.empty()) return {};
    const char32_t codePoint = encoding::Utf8Reader(text).next();
    // The reader drops a byte that starts no sequence alone; a valid sequence is as long as its value needs.
    if (codePoint == encoding::Utf8Reader::Invalid) return {1, 1};
    const std::size_t bytes = codePoint < 0x80 ? 1 : codePoint < 0x800 ? 2 : codePoint < 0x10000 ? 3 : 4;
    return {bytes, codePoint < 0x10000 ? 1u : 2u};
}

std::size_t unitCount(std::string_view text)
{
    std::size_t units = 0;
    for (TextCharacter character; !text.empty(); text.remove_prefix(character.bytes)) {
        character = firstCharacter(text);
        units += character.units;
    }
    return units;
}

std::string_view firstUnits(std::string_view text, std::size_t units)
{
    std::size_t bytes = 0;
    for (TextCharacter character; bytes < text.size(); bytes += character.bytes) {
        character = firstCharacter(text.substr(bytes));
        if (character.units > units) break;
        units -= character.units;
    }
    return text.substr(0, bytes);
}

std::string_view lastCharacter(std::string_view text)
{
    std::size_t last = 0;
    for (std::size_t at = 0; at < text.size(); at += firstCharacter(text.substr(at)).bytes)
        last = at;
    return text.substr(last);
}

std::size_t findWhole(std::string_view text, std::string_view wanted)
{
    // Character by character, so that a match starts and ends where characters do: a stray lead byte
    // wanted does not match the start of a valid sequence, as their characters differ.
    for (std::size_t at = 0;; at += firstCharacter(text.substr(at)).bytes) {
        if (text.substr(at).starts_with(wanted)) {
            std::size_t end = at;
            while (end < at + wanted.size()) end += firstCharacter(text.substr(end)).bytes;
            if (end == at + wanted.size()) return at;
        }
        if (at == text.size()) return std::string_view::npos;
    }
}

}  // namespace workflow
