// How --show and --verify write a field's value, a file's layout and the reading errors.
#include "cli/field_values.h"

#include "engine/record_file.h"
#include "records/byte_order.h"
#include "records/new_record.h"
#include "records/old_record.h"
#include "support/engine/windows1252.h"


namespace cli {
namespace {

// Bytes the code page leaves undefined decode to nothing printable; they are escaped like controls.
bool needsEscape(std::uint8_t byte)
{
    return byte < 0x20 || byte == 0x7F || byte == 0x81 || byte == 0x8D || byte == 0x8F || byte == 0x90 || byte == 0x9D;
}

QString decoded(std::span<const std::uint8_t> bytes)
{
    return QString::fromStdString(
        support::fromWindows1252(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size())));
}

}  // namespace

QString hex(std::span<const std::uint8_t> bytes)
{
    QString text;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i > 0 && i % 8 == 0) text += u' ';
        text += QStringLiteral("%1").arg(bytes[i], 2, 16, QChar(u'0'));
    }
    return text;
}

QString quoted(std::span<const std::uint8_t> bytes)
{
    QString text = QStringLiteral("\"");
    for (const std::uint8_t byte : bytes) {
        if (byte == '"' || byte == '\\') text += QStringLiteral("\\") + QChar(byte);
        else if (needsEscape(byte)) text += QStringLiteral("\\x%1").arg(byte, 2, 16, QChar(u'0'));
        else text += decoded(std::span(&byte, 1));
    }
    return text + u'"';
}

QString valueText(records::LeafKind kind, std::span<const std::uint8_t> bytes)
{
    switch (kind) {
    case records::LeafKind::Integer: return QString::number(records::loadInt16(bytes.first<2>()));
    case records::LeafKind::Text: return quoted(bytes);
    case records::LeafKind::Opaque: break;
    }
    return hex(bytes);
}

QJsonValue valueJson(records::LeafKind kind, std::span<const std::uint8_t> bytes)
{
    switch (kind) {
    case records::LeafKind::Integer: return records::loadInt16(bytes.first<2>());
    case records::LeafKind::Text: return decoded(bytes);
    case records::LeafKind::Opaque: break;
    }
    return hex(bytes).remove(u' ');
}

QString kindName(records::LeafKind kind)
{
    switch (kind) {
    case records::LeafKind::Integer: return QStringLiteral("integer");
    case records::LeafKind::Text: return QStringLiteral("text");
    case records::LeafKind::Opaque: break;
    }
    return QStringLiteral("opaque");
}

QString layoutName(audit::Layout layout)
{
    switch (layout) {
    case audit::Layout::Old: return QStringLiteral("old");
    case audit::Layout::New: return QStringLiteral("new");
    case audit::Layout::Neither: break;
    }
    return QStringLiteral("neither");
}

QString layoutReason(audit::Identification identification, long long length)
{
    const QString bytes = QStringLiteral("%1 bytes").arg(length);
    constexpr auto oldLength = records::OldRecordLength, newLength = records::NewRecordLength;
    constexpr char marks[] = "format mark 2 and line settings where an old record holds port values";
    switch (identification.reason) {
    case audit::Reason::OldLength:
        if (length == static_cast<long long>(oldLength)) return bytes;
        return bytes + QStringLiteral(", the first %1 of them the record").arg(oldLength);
    case audit::Reason::ConvertedRecord: return bytes + QStringLiteral(", ") + marks;
    case audit::Reason::TooShort:
        return bytes + QStringLiteral(", shorter than an old record of %1 bytes").arg(oldLength);
    case audit::Reason::TooLong:
        return bytes + QStringLiteral(", longer than the %1 bytes an old file can have").arg(engine::LargestOldFile);
    case audit::Reason::ConvertedElsewise: break;
    }
    return bytes + QStringLiteral(" with the %1, but a converted file has %2 bytes").arg(marks).arg(newLength);
}

}  // namespace cli
