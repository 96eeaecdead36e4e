// Text assignment and the byte order of 16-bit fields.
#include "records/byte_order.h"
#include "records/field_types.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace {

TEST(FieldTypes, TextIsPaddedOrCutToItsWidth)
{
    struct Row {
        std::string assigned;
        std::string stored;
    };
    const Row rows[] = {
        {"", "     "},
        {"ab", "ab   "},
        {"abcde", "abcde"},
        {"abcdefg", "abcde"},
        {std::string("a\0b", 3), std::string("a\0b  ", 5)},
    };
    for (const Row& row : rows) {
        records::Text<5> text;
        text.bytes.fill('x');
        text.assign(row.assigned);
        EXPECT_EQ(std::string(text.view()), row.stored) << row.assigned;
    }
}

TEST(FieldTypes, SixteenBitIntegersAreLittleEndianTwosComplement)
{
    struct Row {
        std::int16_t value;
        std::array<std::uint8_t, 2> bytes;
    };
    const Row rows[] = {{0, {0x00, 0x00}}, {2, {0x02, 0x00}}, {-1, {0xFF, 0xFF}},
                        {0x1234, {0x34, 0x12}}, {-32768, {0x00, 0x80}}, {32767, {0xFF, 0x7F}}};
    for (const Row& row : rows) {
        std::array<std::uint8_t, 2> stored{};
        records::storeInt16(row.value, stored);
        EXPECT_EQ(stored, row.bytes) << row.value;
        EXPECT_EQ(records::loadInt16(row.bytes), row.value);
    }
}

}  // namespace
