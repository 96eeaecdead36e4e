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
        // Every character of 0x80 to 0x9F, in order, the five free bytes as their control characters.
        {"\u20ac\u0081\u201a\u0192\u201e\u2026\u2020\u2021\u02c6\u2030\u0160\u2039\u0152\u008d\u017d\u008f"
         "\u0090\u2018\u2019\u201c\u201d\u2022\u2013\u2014\u02dc\u2122\u0161\u203a\u0153\u009d\u017e\u0178",
         "\x80\x81\x82\x83\x84\x85\x86\x87\x88\x89\x8A\x8B\x8C\x8D\x8E\x8F"
         "\x90\x91\x92\x93\x94\x95\x96\x97\x98\x99\x9A\x9B\x9C\x9D\x9E\x9F"},
    };
    for (const auto& row : cases) EXPECT_EQ(encoding::toWindows1252(row.text), row.bytes) << row.text;
    std::string allBytes(256, '\0');
    std::iota(allBytes.begin(), allBytes.end(), char(0));
    const std::string decoded = encoding::fromWindows1252(allBytes);
    EXPECT_EQ(decoded.find("\u20ac"), 0x80u);  // the euro sign is the first byte past ASCII
    EXPECT_EQ(encoding::toWindows1252(decoded), allBytes);
}

}  // namespace
