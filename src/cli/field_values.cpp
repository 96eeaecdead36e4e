// How --show and --verify write a field's value, a file's layout and the reading errors.
#include "cli/field_values.h"

#include "engine/record_file.h"
#include "records/byte_order.h"
#include "records/new_record.h"
#include "records/old_record.h"
#include "encoding/windows1252.h"

#include <cstdio>

namespace cli {
namespace {

// Bytes the code page leaves undefined decode to nothing printable; they are escaped like controls.
bool needsEscape(std::uint8_t byte)
{
    return byte < 0x20 || byte == 0x7F || byte == 0x81 || byte == 0x8D || byte == 0x8F || byte == 0x90 || byte == 0x9D;
}

std::string decoded(std::span<const std::uint8_t> bytes)
{
    return encoding::fromWindows1252(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

std::string byteHex(std::uint8_t byte)
{
    char text[3];
    std::snprintf(text, sizeof text, "%02x", static_cast<unsigned>(byte));
    return text;
}

}  // namespace

std::string hex(std::span<const std::uint8_t> bytes, bool grouped)
{
    std::string text;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (grouped && i > 0 && i % 8 == 0) text += ' ';
        text += byteHex(bytes[i]);
    }
    return text;
}

std::string quoted(std::span<const std::uint8_t> bytes)
{
    std::string text = "\"";
    for (const std::uint8_t byte : bytes) {
        if (byte == '"' || byte == '\\') text += {'\\', static_cast<char>(byte)};
        else if (needsEscape(byte)) text += "\\x" + byteHex(byte);
        else text += decoded(std::span(&byte, 1));
    }
    return text + '"';
}

std::string valueText(records::LeafKind kind, std::span<const std::uint8_t> bytes)
{
    switch (kind) {
    case records::LeafKind::Integer: return std::to_string(records::loadInt16(bytes.first<2>()));
    case records::LeafKind::Text: return quoted(bytes);
    case records::LeafKind::Opaque: break;
    }
    return hex(bytes);
}

nlohmann::json valueJson(records::LeafKind kind, std::span<const std::uint8_t> bytes)
{
    switch (kind) {
    case records::LeafKind::Integer: return records::loadInt16(bytes.first<2>());
    case records::LeafKind::Text: return decoded(bytes);
    case records::LeafKind::Opaque: break;
    }
    return hex(bytes, false);
}

std::string kindName(records::LeafKind kind)
{
    switch (kind) {
    case records::LeafKind::Integer: return "integer";
    case records::LeafKind::Text: return "text";
    case records::LeafKind::Opaque: break;
    }
    return "opaque";
}

std::string layoutName(audit::Layout layout)
{
    switch (layout) {
    case audit::Layout::Old: return "old";
    case audit::Layout::New: return "new";
    case audit::Layout::Neither: break;
    }
    return "neither";
}

std::string layoutReason(audit::Identification identification, long long length)
{
    const std::string bytes = std::to_string(length) + " bytes";
    const std::string oldLength = std::to_string(records::OldRecordLength);
    constexpr char marks[] = "format mark 2 and line settings where an old record holds port values";
    switch (identification.reason) {
    case audit::Reason::OldLength:
        if (length == static_cast<long long>(records::OldRecordLength)) return bytes;
        return bytes + ", the first " + oldLength + " of them the record";
    case audit::Reason::ConvertedRecord: return bytes + ", " + marks;
    case audit::Reason::TooShort: return bytes + ", shorter than an old record of " + oldLength + " bytes";
    case audit::Reason::TooLong:
        return bytes + ", longer than the " + std::to_string(engine::LargestOldFile) + " bytes an old file can have";
    case audit::Reason::ConvertedElsewise: break;
    }
    return bytes + " with the " + marks + ", but a converted file has " + std::to_string(records::NewRecordLength)
           + " bytes";
}

std::string jsonText(const nlohmann::json& document)
{
    // Texts are decoded from the code page and paths made UTF-8 before; replace keeps any slip printable.
    return document.dump(4, ' ', false, nlohmann::json::error_handler_t::replace) + '\n';
}

}  // namespace cli
