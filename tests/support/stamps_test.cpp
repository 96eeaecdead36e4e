// Save stamps: day without leading zero, two-digit month, 24-hour time.
#include "support/engine/stamps.h"

#include <gtest/gtest.h>

namespace {

TEST(SaveStamp, FormatsDayMonthYearAndTime)
{
    const struct { QDate date; QTime time; QString stamp; } cases[] = {
        {{2027, 3, 5}, {9, 5, 7}, "5.03 2027 / 09:05:07"},
        {{2026, 12, 24}, {18, 30, 0}, "24.12 2026 / 18:30:00"},
        {{2000, 1, 1}, {0, 0, 0}, "1.01 2000 / 00:00:00"},
    };
    for (const auto& row : cases)
        EXPECT_EQ(support::formatSaveStamp(row.date, row.time).toStdString(), row.stamp.toStdString());
}

}  // namespace
