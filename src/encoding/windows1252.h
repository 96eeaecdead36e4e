// Conversion between UTF-8 text and the single-byte code page of the measurement files.
#pragma once

#include <string>
#include <string_view>

namespace encoding {

// One byte per character; a character the code page lacks, and a byte that is no UTF-8, becomes '?'.
std::string toWindows1252(std::string_view utf8);

// Every byte decodes: the five the code page leaves free stand for the control characters U+0081,
// U+008D, U+008F, U+0090 and U+009D, so that any record text encodes back to its own bytes.
std::string fromWindows1252(std::string_view bytes);

// The code points of UTF-8 text, one at a time; a byte that begins no valid sequence gives Invalid.
class Utf8Reader {
public:
    static constexpr char32_t Invalid = 0xFFFFFFFF;
    explicit Utf8Reader(std::string_view text) : text_(text) {}
    bool atEnd() const { return text_.empty(); }
    char32_t next();

private:
    std::string_view text_;
};

void appendUtf8(std::string& text, char32_t codePoint);

}  // namespace encoding
