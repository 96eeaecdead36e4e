// Field kinds of the measurement records: carried byte groups and fixed-width texts.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace records {

// A group the program never interprets; it is moved byte for byte.
template <std::size_t N>
struct Opaque {
    std::array<std::uint8_t, N> bytes{};
    friend bool operator==(const Opaque&, const Opaque&) = default;
};

// Exactly N single-byte characters, no terminator. Read texts keep whatever bytes they hold.
template <std::size_t N>
struct Text {
    std::array<char, N> bytes{};

    // Left-justified, padded with blanks, cut after N characters.
    void assign(std::string_view text)
    {
        const auto kept = std::min(text.size(), N);
        std::copy_n(text.begin(), kept, bytes.begin());
        std::fill(bytes.begin() + static_cast<std::ptrdiff_t>(kept), bytes.end(), ' ');
    }

    std::string_view view() const { return {bytes.data(), N}; }

    friend bool operator==(const Text&, const Text&) = default;
};

}  // namespace records
