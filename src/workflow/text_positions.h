// Character positions in UTF-8 text, counted as the window's rules count them: 1-based, in 16 bits.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string_view>

namespace workflow {

// Positions are 1-based 16-bit numbers, 0 standing for "not found"; a count past this overflows.
inline constexpr std::size_t LastPosition = std::numeric_limits<std::int16_t>::max();

// One character of UTF-8 text: the bytes it takes and the positions it counts. Positions count
// UTF-16 units, as the window's texts and Windows' own calls hold them, so that a name is measured
// alike wherever it comes from: a character of the Basic Multilingual Plane counts one, a character
// beyond it two (a surrogate pair there). A byte that starts no valid sequence counts one, as the one
// replacement character it decodes to.
struct TextCharacter {
    std::size_t bytes = 0;
    std::size_t units = 0;
};
TextCharacter firstCharacter(std::string_view text);

// The positions text counts.
std::size_t unitCount(std::string_view text);

// The longest start of text that counts at most `units` positions; a character is never cut, so one
// beyond the Basic Multilingual Plane that would straddle the limit is left out whole.
std::string_view firstUnits(std::string_view text, std::size_t units);

// The last character of text; empty text gives empty text.
std::string_view lastCharacter(std::string_view text);

// Where `wanted` first occurs in text as whole characters (never ending inside one), as a byte
// offset; npos when it does not.
std::size_t findWhole(std::string_view text, std::string_view wanted);

}  // namespace workflow
