// gconvert --show: which layout each file has and every field it holds, as text or as one JSON document.
#include "cli/show_command.h"

#include "batch/problem_text.h"
#include "cli/field_values.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

namespace cli {
namespace {

constexpr std::size_t ValuesPerLine = 4;
constexpr std::size_t HexBytesPerLine = 32;

struct Row {
    std::size_t offset;
    std::size_t width;
    QString name;
    QString value;
};

// Whether other is the next element of the array of opaque values whose name begins with base.
bool sameArray(const records::Leaf& other, const std::string& base)
{
    return other.kind == records::LeafKind::Opaque && other.name.size() > base.size() + 1
           && other.name.starts_with(base + '[') && other.name.back() == ']';
}

// One line per field; the elements of an array of opaque values several to a line, long byte groups
// over several lines.
std::vector<Row> rowsOf(const audit::FileImage& image, audit::Layout layout)
{
    std::vector<Row> rows;
    const std::vector<records::Leaf>& leaves = leavesOf(layout);
    for (std::size_t i = 0; i < leaves.size();) {
        const records::Leaf& leaf = leaves[i];
        const std::size_t bracket = leaf.name.rfind('[');
        std::size_t count = 1;
        QString name = QString::fromStdString(leaf.name);
        if (bracket != std::string::npos && sameArray(leaf, leaf.name.substr(0, bracket))) {
            while (count < ValuesPerLine && i + count < leaves.size()
                   && sameArray(leaves[i + count], leaf.name.substr(0, bracket)))
                ++count;
            const std::string& last = leaves[i + count - 1].name;
            if (count > 1) {
                name.chop(1);  // "Series1.Values[0..3]"
                name += QStringLiteral("..") + QString::fromStdString(last.substr(bracket + 1));
            }
        }
        const std::size_t width = leaves[i + count - 1].offset + leaves[i + count - 1].width - leaf.offset;
        const auto bytes = std::span(image.head).subspan(leaf.offset, width);
        if (leaf.kind == records::LeafKind::Opaque && count == 1 && width > HexBytesPerLine) {
            for (std::size_t at = 0; at < width; at += HexBytesPerLine) {
                const std::size_t part = std::min(HexBytesPerLine, width - at);
                rows.push_back({leaf.offset + at, part, at == 0 ? name : QString(), hex(bytes.subspan(at, part))});
            }
        } else {
            rows.push_back({leaf.offset, width, name, valueText(leaf.kind, bytes)});
        }
        i += count;
    }
    return rows;
}

QJsonArray fieldsJson(const audit::FileImage& image, audit::Layout layout)
{
    QJsonArray fields;
    for (const records::Leaf& leaf : leavesOf(layout)) {
        const auto bytes = audit::bytesOf(image, leaf);
        fields.append(QJsonObject{{QStringLiteral("name"), QString::fromStdString(leaf.name)},
                                  {QStringLiteral("offset"), static_cast<qint64>(leaf.offset)},
                                  {QStringLiteral("width"), static_cast<qint64>(leaf.width)},
                                  {QStringLiteral("kind"), kindName(leaf.kind)},
                                  {QStringLiteral("hex"), hex(bytes).remove(u' ')},
                                  {QStringLiteral("value"), valueJson(leaf.kind, bytes)}});
    }
    return fields;
}

}  // namespace

int showFiles(const std::vector<std::string>& paths, bool json)
{
    QTextStream out(stdout), err(stderr);
    QJsonArray files;
    bool allRead = true;
    for (const std::string& path : paths) {
        audit::FileImage image;
        if (const std::optional<engine::FileError> error = audit::readImage(path, image)) {
            allRead = false;
            err << "gconvert: " << QString::fromStdString(batch::shownPath(path)) << ": cannot read: " << QString::fromStdString(batch::errorText(*error)) << '\n';
            err.flush();
            if (json)
                files.append(QJsonObject{{QStringLiteral("file"), QString::fromStdString(batch::shownPath(path))},
                                         {QStringLiteral("error"), QString::fromStdString(batch::errorText(*error))}});
            continue;
        }
        const audit::Identification layout = audit::identify(image);
        if (json) {
            files.append(QJsonObject{{QStringLiteral("file"), QString::fromStdString(batch::shownPath(path))},
                                     {QStringLiteral("layout"), layoutName(layout.layout)},
                                     {QStringLiteral("length"), image.length},
                                     {QStringLiteral("reason"), layoutReason(layout, image.length)},
                                     {QStringLiteral("fields"), fieldsJson(image, layout.layout)}});
            continue;
        }
        if (&path != &paths.front()) out << '\n';
        out << QString::fromStdString(batch::shownPath(path)) << ": " << layoutName(layout.layout) << " layout: " << layoutReason(layout, image.length)
            << '\n';
        if (layout.layout != audit::Layout::Neither)
            out << QStringLiteral("  %1 %2  %3 %4\n").arg(u"offset").arg(u"width", 5).arg(u"field", -32).arg(u"value");
        for (const Row& row : rowsOf(image, layout.layout))
            out << QStringLiteral("  %1 %2  %3 %4\n")
                       .arg(row.offset, 6)
                       .arg(row.width, 5)
                       .arg(row.name, -32)
                       .arg(row.value);
        out.flush();
    }
    if (json) out << QJsonDocument(QJsonObject{{QStringLiteral("files"), files}}).toJson();
    return allRead ? 0 : 1;
}

}  // namespace cli
