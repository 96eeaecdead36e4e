// Converts between UTF-8 text and Windows-1252, the code page of the measurement files.
#include "encoding/windows1252.h"

#include <algorithm>
#include <array>
#include <iterator>

namespace encoding {
namespace {

constexpr char Unmappable = '?';

// Bytes 0x80 to 0x9F; the rest of the code page is Latin-1. The five bytes the code page leaves free
// keep the control characters of the same number.
constexpr std::array<char16_t, 32> HighControls{
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char32_t codePointOf(unsigned char byte) { return byte >= 0x80 && byte < 0xA0 ? HighControls[byte - 0x80] : byte; }

char byteFor(char32_t codePoint)
{
    if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint < 0x100)) return static_cast<char>(codePoint);
    const auto found = std::ranges::find(HighControls, codePoint);
    return found == HighControls.end() ? Unmappable : static_cast<char>(0x80 + (found - HighControls.begin()));
}

}  // namespace

char32_t Utf8Reader::next()
{
    const auto lead = static_cast<unsigned char>(text_.front());
    const std::size_t length = lead < 0x80 ? 1 : lead >= 0xC2 && lead < 0xE0 ? 2 : lead >= 0xE0 && lead < 0xF0 ? 3
                               : lead >= 0xF0 && lead < 0xF5                 ? 4
                                                                             : 0;
    char32_t codePoint = length == 1 ? lead : length == 2 ? lead & 0x1F : length == 3 ? lead & 0x0F : lead & 0x07;
    std::size_t taken = 1;
    for (; taken < length && taken < text_.size(); ++taken) {
        const auto byte = static_cast<unsigned char>(text_[taken]);
        if ((byte & 0xC0) != 0x80) break;
        codePoint = (codePoint << 6) | (byte & 0x3F);
    }
    // Overlong forms, surrogates and sequences cut short are no text: the lead byte alone is dropped.
    constexpr std::array<char32_t, 5> Smallest{0, 0, 0x80, 0x800, 0x10000};
    if (length == 0 || taken != length || codePoint < Smallest[length] || codePoint > 0x10FFFF
        || (codePoint >= 0xD800 && codePoint < 0xE000)) {
        text_.remove_prefix(1);
        return Invalid;
    }
    text_.remove_prefix(length);
    return codePoint;
}

void appendUtf8(std::string& text, char32_t codePoint)
{
    const auto add = [&](char32_t bits) { text += static_cast<char>(bits); };
    if (codePoint < 0x80) {
        add(codePoint);
    } else if (codePoint < 0x800) {
        add(0xC0 | (codePoint >> 6));
        add(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        add(0xE0 | (codePoint >> 12));
        add(0x80 | ((codePoint >> 6) & 0x3F));
        add(0x80 | (codePoint & 0x3F));
    } else {
        add(0xF0 | (codePoint >> 18));
        add(0x80 | ((codePoint >> 12) & 0x3F));
        add(0x80 | ((codePoint >> 6) & 0x3F));
        add(0x80 | (codePoint & 0x3F));
    }
}

std::string toWindows1252(std::string_view utf8)
{
    std::string bytes;
    bytes.reserve(utf8.size());
    for (Utf8Reader reader(utf8); !reader.atEnd();) bytes += byteFor(reader.next());
    return bytes;
}

std::string fromWindows1252(std::string_view bytes)
{
    std::string text;
    text.reserve(bytes.size());
    for (const char byte : bytes) appendUtf8(text, codePointOf(static_cast<unsigned char>(byte)));
    return text;
}

}  // namespace encoding
