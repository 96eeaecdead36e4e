// How --show and --verify write a field's value, a file's layout and the reading errors.
#pragma once

#include "audit/measurement_file.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <span>
#include <string>

namespace cli {

// Lower-case hex, a blank after every 8 bytes so that 8-byte values stand apart; unbroken for JSON.
std::string hex(std::span<const std::uint8_t> bytes, bool grouped = true);

// A text field decoded from its code page, in double quotes so that trailing blanks show; control
// bytes, quotes and backslashes escaped.
std::string quoted(std::span<const std::uint8_t> bytes);

// The value as a person reads it: a number, a quoted text or hex.
std::string valueText(records::LeafKind kind, std::span<const std::uint8_t> bytes);

// The value for a JSON report: a number, the decoded text or unbroken hex.
nlohmann::json valueJson(records::LeafKind kind, std::span<const std::uint8_t> bytes);

std::string kindName(records::LeafKind kind);

std::string layoutName(audit::Layout layout);

// Why the file has its layout: "3231 bytes", "0 bytes, shorter than an old record of 3231 bytes".
std::string layoutReason(audit::Identification identification, long long length);

// A JSON document as the reports print it: indented by four, ending in a line break.
std::string jsonText(const nlohmann::json& document);

}  // namespace cli
