// How --show and --verify write a field's value, a file's layout and the reading errors.
#pragma once

#include "audit/measurement_file.h"

#include <QJsonValue>
#include <QString>

#include <cstdint>
#include <span>
#include <string>

namespace cli {

// Lower-case hex, a blank after every 8 bytes so that 8-byte values stand apart.
QString hex(std::span<const std::uint8_t> bytes);

// A text field decoded from its code page, in double quotes so that trailing blanks show; control
// bytes, quotes and backslashes escaped.
QString quoted(std::span<const std::uint8_t> bytes);

// The value as a person reads it: a number, a quoted text or hex.
QString valueText(records::LeafKind kind, std::span<const std::uint8_t> bytes);

// The value for a JSON report: a number, the decoded text or unbroken hex.
QJsonValue valueJson(records::LeafKind kind, std::span<const std::uint8_t> bytes);

QString kindName(records::LeafKind kind);

QString layoutName(audit::Layout layout);

// Why the file has its layout: "3231 bytes", "0 bytes, shorter than an old record of 3231 bytes".
QString layoutReason(audit::Identification identification, long long length);


}  // namespace cli
