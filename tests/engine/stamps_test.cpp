// What the engine sets in a record besides the conversion: the save stamp and the stored file name rule.
#include "engine/file_names.h"
#include "engine/stamps.h"

#include <gtest/gtest.h>

#include <ctime>

namespace {

// Day without leading zero, two-digit month, 24-hour time; names lose trailing blanks only.
TEST(SaveStampAndNames, FormatsAndTrims)
{
    const struct { engine::StampMoment moment; std::string stamp; } cases[] = {
        {{2027, 3, 5, 9, 5, 7}, "5.03 2027 / 09:05:07"},
        {{2026, 12, 24, 18, 30, 0}, "24.12 2026 / 18:30:00"},
    };
    for (const auto& row : cases) EXPECT_EQ(engine::formatSaveStamp(row.moment), row.stamp);
    // The stamp of a save is the local time of the moment, the month counted from 1.
    const auto localStamp = [](std::time_t moment) {
        const std::tm local = *std::localtime(&moment);
        return engine::formatSaveStamp({local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec});
    };
    const std::time_t before = std::time(nullptr);
    const std::string now = engine::SpeicherStempel();
    EXPECT_TRUE(now == localStamp(before) || now == localStamp(std::time(nullptr))) << now << ", local time " << localStamp(before);
    EXPECT_EQ(engine::withoutTrailingBlanks(std::string_view(" a b \t  ")), " a b \t");
    EXPECT_EQ(engine::withoutTrailingBlanks(std::string_view("   ")), "");
}

}  // namespace
