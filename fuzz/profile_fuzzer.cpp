// Fuzz target: the profile reader on arbitrary text, asked for arbitrary section and key names, and a
// value written under such names read back.
#include "fuzz_check.h"
#include "workflow/profile.h"
#include "workflow/text_positions.h"
#include "encoding/windows1252.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// Text the reader takes as it stands: one line, no blanks at its ends, every character in the code page.
bool plain(const std::string& text)
{
    return text.find_first_of("\r\n") == std::string::npos && (text.empty() || (!isBlank(text.front()) && !isBlank(text.back())))
           && encoding::fromWindows1252(encoding::toWindows1252(text)) == text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    // Names, default and value as the window holds them (UTF-8, or bytes that are none); the profile
    // as the bytes on disk.
    const std::string section = input.ConsumeRandomLengthString(40);
    const std::string key = input.ConsumeRandomLengthString(40);
    const std::string fallback = input.ConsumeRandomLengthString(400);
    const std::string written = input.ConsumeRandomLengthString(400);
    const std::string text = input.ConsumeRemainingBytesAsString();

    const std::string value = workflow::readProfileValue(text, section, key, fallback);
    fuzz::require(workflow::unitCount(value) <= 254, "a value fits the 255-character reading buffer");
    // A value is always a piece of one line of the profile, or the default.
    const bool fromProfile = encoding::fromWindows1252(text).find(value) != std::string::npos && value.find('\n') == std::string::npos;
    fuzz::require(value == workflow::firstUnits(fallback, 254) || fromProfile,
                  "a value is one line's piece of the profile or the default");

    // Written as the first section of a profile, a plain value comes back whatever follows it.
    const bool quoted = written.size() >= 2 && written.front() == written.back()
                        && (written.front() == '"' || written.front() == '\'');
    if (!section.empty() && section.find(']') == std::string::npos && plain(section) && !key.empty()
        && key.find('=') == std::string::npos && !key.starts_with('[') && plain(key) && plain(written) && !quoted) {
        const std::string profile = encoding::toWindows1252("[" + section + "]\r\n" + key + "=" + written + "\r\n") + text;
        fuzz::require(workflow::readProfileValue(profile, section, key, fallback) == workflow::firstUnits(written, 254),
                      "a value written under a section and key is read back");
    }
    return 0;
}
