// The one place that knows the files store numbers little-endian.
#pragma once

#include <cstdint>
#include <span>

namespace records {

constexpr std::int16_t loadInt16(std::span<const std::uint8_t, 2> bytes)
{
    const auto low = static_cast<std::uint16_t>(bytes[0]);
    const auto high = static_cast<std::uint16_t>(bytes[1]);
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(low | (high << 8)));
}

constexpr void storeInt16(std::int16_t value, std::span<std::uint8_t, 2> bytes)
{
    const auto bits = static_cast<std::uint16_t>(value);
    bytes[0] = static_cast<std::uint8_t>(bits & 0xFFu);
    bytes[1] = static_cast<std::uint8_t>(bits >> 8);
}

}  // namespace records
