// gconvert --show: which layout each file has and every field it holds, as text or as one JSON document.
#include "cli/show_command.h"

#include "batch/problem_text.h"
#include "cli/field_values.h"

#include <iostream>
#include <utility>

namespace cli {
namespace {

constexpr std::size_t ValuesPerLine = 4;
constexpr std::size_t HexBytesPerLine = 32;

struct Row {
    std::size_t offset;
    std::size_t width;
    std::string name;
    std::string value;
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
        std::string name = leaf.name;
        if (bracket != std::string::npos && sameArray(leaf, leaf.name.substr(0, bracket))) {
            while (count < ValuesPerLine && i + count < leaves.size()
                   && sameArray(leaves[i + count], leaf.name.substr(0, bracket)))
                ++count;
            const std::string& last = leaves[i + count - 1].name;
            if (count > 1) {
                name.pop_back();  // "Series1.Values[0..3]"
                name += ".." + last.substr(bracket + 1);
            }
        }
        const std::size_t width = leaves[i + count - 1].offset + leaves[i + count - 1].width - leaf.offset;
        const auto bytes = std::span(image.head).subspan(leaf.offset, width);
        if (leaf.kind == records::LeafKind::Opaque && count == 1 && width > HexBytesPerLine) {
            for (std::size_t at = 0; at < width; at += HexBytesPerLine) {
                const std::size_t part = std::min(HexBytesPerLine, width - at);
                rows.push_back({leaf.offset + at, part, at == 0 ? name : std::string(), hex(bytes.subspan(at, part))});
            }
        } else {
            rows.push_back({leaf.offset, width, name, valueText(leaf.kind, bytes)});
        }
        i += count;
    }
    return rows;
}

nlohmann::json fieldsJson(const audit::FileImage& image, audit::Layout layout)
{
    nlohmann::json fields = nlohmann::json::array();
    for (const records::Leaf& leaf : leavesOf(layout)) {
        const auto bytes = audit::bytesOf(image, leaf);
        fields.push_back({{"name", leaf.name},
                          {"offset", leaf.offset},
                          {"width", leaf.width},
                          {"kind", kindName(leaf.kind)},
                          {"hex", hex(bytes, false)},
                          {"value", valueJson(leaf.kind, bytes)}});
    }
    return fields;
}

// text right-aligned in width columns, or left-aligned for a negative width; never cut.
std::string padded(const std::string& text, int width)
{
    const std::size_t columns = static_cast<std::size_t>(width < 0 ? -width : width);
    if (text.size() >= columns) return text;
    const std::string blanks(columns - text.size(), ' ');
    return width < 0 ? text + blanks : blanks + text;
}

std::string line(const std::string& offset, const std::string& width, const std::string& name, const std::string& value)
{
    return "  " + padded(offset, 6) + ' ' + padded(width, 5) + "  " + padded(name, -32) + ' ' + value + '\n';
}

}  // namespace

int showFiles(const std::vector<std::string>& paths, bool json)
{
    nlohmann::json files = nlohmann::json::array();
    bool allRead = true, shownBefore = false;
    for (const std::string& path : paths) {
        audit::FileImage image;
        if (const std::optional<engine::FileError> error = audit::readImage(path, image)) {
            allRead = false;
            std::cout.flush();
            std::cerr << "gconvert: " << batch::shownPath(path) << ": cannot read: " << batch::errorText(*error) << '\n';
            if (json) files.push_back({{"file", batch::shownPath(path)}, {"error", batch::errorText(*error)}});
            continue;
        }
        const audit::Identification layout = audit::identify(image);
        if (json) {
            files.push_back({{"file", batch::shownPath(path)},
                             {"layout", layoutName(layout.layout)},
                             {"length", image.length},
                             {"reason", layoutReason(layout, image.length)},
                             {"fields", fieldsJson(image, layout.layout)}});
            continue;
        }
        // A blank line between two files shown, none before the first, whichever files could not be read.
        std::string text = std::exchange(shownBefore, true) ? "\n" : "";
        text += batch::shownPath(path) + ": " + layoutName(layout.layout) + " layout: " + layoutReason(layout, image.length) + '\n';
        if (layout.layout != audit::Layout::Neither) text += line("offset", "width", "field", "value");
        for (const Row& row : rowsOf(image, layout.layout))
            text += line(std::to_string(row.offset), std::to_string(row.width), row.name, row.value);
        std::cout << text << std::flush;
    }
    if (json) std::cout << jsonText({{"files", files}});
    return allRead ? 0 : 1;
}

}  // namespace cli
