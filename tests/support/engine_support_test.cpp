// What the engine needs around a record: the files' code page, save stamps and the file name rule.
#include "support/engine/file_names.h"
#include "support/engine/stamps.h"
#include "support/engine/windows1252.h"

#include <gtest/gtest.h>
#include <numeric>

namespace {

using namespace Qt::StringLiterals;

// One byte per character, '?' for what Windows-1252 lacks; every byte decodes and encodes back.
TEST(Windows1252, EncodesOneBytePerCharacter)
{
    const struct { QString text; QByteArray bytes; } cases[] = {
        {u"Grüße € Ÿ"_s, "Gr\xFC\xDF" "e \x80 \x9F"},
        {u"日 Ā Ａ a😀b"_s, "? ? ? a?b"},          // no lookalikes; a surrogate pair is one character
        {QString(QChar(0xD800)) + QChar(0x1A), "?\x1A"},  // a lone surrogate; SUB itself is mappable
    };
    for (const auto& row : cases) EXPECT_EQ(support::toWindows1252(row.text), row.bytes) << row.text.toStdString();
    QByteArray allBytes(256, '\0');
    std::iota(allBytes.begin(), allBytes.end(), char(0));
    const QString decoded = support::fromWindows1252(allBytes);
    EXPECT_EQ(decoded.size(), 256);
    EXPECT_EQ(decoded.at(0x80), QChar(0x20AC));
    EXPECT_EQ(support::toWindows1252(decoded), allBytes);
}

// Day without leading zero, two-digit month, 24-hour time; names lose trailing blanks only.
TEST(SaveStampAndNames, FormatsAndTrims)
{
    const struct { QDate date; QTime time; QString stamp; } cases[] = {
        {{2027, 3, 5}, {9, 5, 7}, "5.03 2027 / 09:05:07"},
        {{2026, 12, 24}, {18, 30, 0}, "24.12 2026 / 18:30:00"},
    };
    for (const auto& row : cases) EXPECT_EQ(support::formatSaveStamp(row.date, row.time), row.stamp);
    EXPECT_EQ(support::withoutTrailingBlanks(std::string_view(" a b \t  ")), " a b \t");
    EXPECT_EQ(support::withoutTrailingBlanks(std::string_view("   ")), "");
}

}  // namespace
