// What the engine sets in a record besides the conversion: the save stamp and the stored file name rule.
#include "engine/file_names.h"
#include "engine/stamps.h"

#include <gtest/gtest.h>

namespace {

// Day without leading zero, two-digit month, 24-hour time; names lose trailing blanks only.
TEST(SaveStampAndNames, FormatsAndTrims)
{
    const struct { engine::StampMoment moment; std::string stamp; } cases[] = {
        {{2027, 3, 5, 9, 5, 7}, "5.03 2027 / 09:05:07"},
        {{2026, 12, 24, 18, 30, 0}, "24.12 2026 / 18:30:00"},
    };
    for (const auto& row : cases) EXPECT_EQ(engine::formatSaveStamp(row.moment), row.stamp);
    EXPECT_EQ(engine::withoutTrailingBlanks(std::string_view(" a b \t  ")), " a b \t");
    EXPECT_EQ(engine::withoutTrailingBlanks(std::string_view("   ")), "");
}

}  // namespace
