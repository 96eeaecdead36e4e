// What converting sets in a record, stated by the verifier itself so that a slip in the converter shows.
#include "audit/converted_marks.h"

#include "encoding/windows1252.h"
#include "engine/files/file_system.h"

#include <algorithm>
#include <chrono>

namespace audit {
namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Line settings as any converted record may hold them: baud digits, a parity letter, data bits and
// stop bits (1.5 among them), separated by commas and padded with blanks.
bool isLineSettingsText(std::string_view text)
{
    std::size_t at = 0;
    const auto take = [&](auto fits) {
        const std::size_t from = at;
        while (at < text.size() && fits(text[at])) ++at;
        return at - from;
    };
    const auto one = [&](char c) { return at < text.size() && text[at] == c && ++at; };
    const auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
    const auto upToOne = [&](auto fits) { return at < text.size() && fits(text[at]) && ++at; };
    if (!(take(isDigit) && one(',') && upToOne(letter) && one(',') && take(isDigit) && one(',') && take(isDigit)))
        return false;
    if (one('.') && !take(isDigit)) return false;
    return std::all_of(text.begin() + static_cast<std::ptrdiff_t>(at), text.end(), [](char c) { return c == ' '; });
}

unsigned numberAt(std::string_view text, std::size_t at, std::size_t digits)
{
    unsigned value = 0;
    for (std::size_t i = at; i < at + digits; ++i) value = value * 10 + static_cast<unsigned>(text[i] - '0');
    return value;
}

}  // namespace

std::string_view withoutPadding(std::string_view text) { return text.substr(0, text.find_last_not_of(' ') + 1); }

bool isSaveStamp(std::span<const std::uint8_t> stored)
{
    const std::string_view text = withoutPadding({reinterpret_cast<const char*>(stored.data()), stored.size()});
    // The day has one or two digits, without a leading zero; each other number its fixed width.
    const std::size_t dayDigits = text.size() - SaveStampForm.size() + 1;
    if (dayDigits != 1 && dayDigits != 2) return false;
    const std::string form = std::string(dayDigits - 1, 'd') + std::string(SaveStampForm);
    for (std::size_t i = 0; i < form.size(); ++i)
        if (std::string_view("dmyhs").find(form[i]) != std::string_view::npos ? !isDigit(text[i]) : text[i] != form[i])
            return false;
    if (text[0] == '0') return false;
    const std::size_t month = dayDigits + 1, year = month + 3, hour = year + 7;
    const std::chrono::year_month_day date{std::chrono::year(static_cast<int>(numberAt(text, year, 4))),
                                           std::chrono::month(numberAt(text, month, 2)),
                                           std::chrono::day(numberAt(text, 0, dayDigits))};
    return date.ok() && numberAt(text, hour, 2) < 24 && numberAt(text, hour + 3, 2) < 60 && numberAt(text, hour + 6, 2) < 60;
}

bool looksConverted(std::span<const std::uint8_t, records::OldRecordLength> record)
{
    constexpr std::size_t width = ConvertedLineSettings.size();
    static_assert(LineSettingsAt + width <= records::OldRecordLength);
    return records::loadInt16(record.subspan<FormatMarkAt, 2>()) == ConvertedFormatMark
           && isLineSettingsText({reinterpret_cast<const char*>(record.data()) + LineSettingsAt, width});
}

std::string storedName(const std::string& path)
{
    constexpr std::size_t width = records::wireSize<records::Text<75>>;
    static_assert(records::wireOffset<&NewMeasurementRecord::Info, &NewInfoBlock::FileInfo, &records::FileInfoGroup::FileName>()
                  == 2029);
    // As the system makes a path absolute: the current folder joined with it on POSIX; on Windows
    // also with its separators and "." and ".." made as the save dialog gives them.
    const std::string absolute = engine::systemFileSystem().absolutePath(std::string(withoutPadding(path)));
    std::string stored = encoding::toWindows1252(absolute).substr(0, width);
    stored.resize(width, ' ');
    return stored;
}

}  // namespace audit
