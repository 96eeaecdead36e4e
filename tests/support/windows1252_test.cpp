// Code-page conversion: one byte per character, '?' for what Windows-1252 lacks.
#include "support/engine/windows1252.h"

#include <gtest/gtest.h>
#include <numeric>

namespace {

using namespace Qt::StringLiterals;

TEST(Windows1252, EncodesOneBytePerCharacter)
{
    const struct { QString text; QByteArray bytes; } cases[] = {
        {u"Grüße € Ÿ"_s, "Gr\xFC\xDF" "e \x80 \x9F"},
        {u"日 Ā Ａ a😀b"_s, "? ? ? a?b"},          // no lookalikes; a surrogate pair is one character
        {QString(QChar(0xD800)) + QChar(0x1A), "?\x1A"},  // a lone surrogate; SUB itself is mappable
    };
    for (const auto& row : cases)
        EXPECT_EQ(support::toWindows1252(row.text), row.bytes) << row.text.toStdString();

    QByteArray allBytes(256, '\0');
    std::iota(allBytes.begin(), allBytes.end(), char(0));
    const QString decoded = support::fromWindows1252(allBytes);
    EXPECT_EQ(decoded.size(), 256);
    EXPECT_EQ(decoded.at(0x80), QChar(0x20AC));
    EXPECT_EQ(support::toWindows1252(decoded), allBytes);
}

}  // namespace
