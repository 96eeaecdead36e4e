// The measurement files' code page, Windows-1252, to and from the UTF-8 the program holds.
#include "encoding/windows1252.h"

#include <gtest/gtest.h>
#include <numeric>

namespace {

// One byte per character, '?' for what Windows-1252 lacks; every byte decodes and encodes back.
TEST(Windows1252, EncodesOneBytePerCharacter)
{
    const struct { std::string text; std::string bytes; } cases[] = {
        {"Gr\u00fc\u00dfe \u20ac \u0178", "Gr\xFC\xDF" "e \x80 \x9F"},
        {"\u65e5 \u0100 \uff21 a\U0001F600b", "? ? ? a?b"},  // no lookalikes; a character beyond 16 bits is one
        {"\xED\xA0\x80\x1A", "???\x1A"},                     // an encoded surrogate is no text; SUB itself is mappable
        {"\xC3(\xE2\x82", "?(??"},                           // each byte that begins no character is one '?'
    };
    for (const auto& row : cases) EXPECT_EQ(encoding::toWindows1252(row.text), row.bytes) << row.text;
    std::string allBytes(256, '\0');
    std::iota(allBytes.begin(), allBytes.end(), char(0));
    const std::string decoded = encoding::fromWindows1252(allBytes);
    EXPECT_EQ(decoded.find("\u20ac"), 0x80u);  // the euro sign is the first byte past ASCII
    EXPECT_EQ(encoding::toWindows1252(decoded), allBytes);
}

}  // namespace
