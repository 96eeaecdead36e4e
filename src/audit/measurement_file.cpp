// What a measurement file holds: its layout, told by its length and its first record, and its fields.
#include "audit/measurement_file.h"

#include "audit/converted_marks.h"
#include "engine/files/file_system.h"
#include "engine/record_file.h"
#include "records/new_record.h"
#include "records/old_record.h"

#include <algorithm>
#include <variant>

namespace audit {
namespace {

template <class Record>
std::vector<records::Leaf> listLeaves()
{
    std::vector<records::Leaf> leaves;
    records::forEachLeaf<Record>([&](records::Leaf leaf) { leaves.push_back(std::move(leaf)); });
    return leaves;
}

}  // namespace

std::optional<engine::FileError> readImage(const std::string& path, FileImage& image)
{
    auto read = engine::systemFileSystem().readHead(path, records::NewRecordLength);
    if (const engine::FileError* error = std::get_if<engine::FileError>(&read)) return *error;
    engine::FileHead& head = std::get<engine::FileHead>(read);
    image.head = std::move(head.bytes);
    image.length = head.length;
    return std::nullopt;
}

Identification identify(const FileImage& image)
{
    if (image.length < static_cast<long long>(records::OldRecordLength)) return {Layout::Neither, Reason::TooShort};
    if (image.length > engine::LargestOldFile) return {Layout::Neither, Reason::TooLong};
    const bool converted = looksConverted(std::span<const std::uint8_t>(image.head).first<records::OldRecordLength>());
    if (!converted) return {Layout::Old, Reason::OldLength};
    if (image.length == static_cast<long long>(records::NewRecordLength)) return {Layout::New, Reason::ConvertedRecord};
    return {Layout::Neither, Reason::ConvertedElsewise};
}

const std::vector<records::Leaf>& leavesOf(Layout layout)
{
    static const std::vector<records::Leaf> old = listLeaves<records::OldMeasurementRecord>();
    static const std::vector<records::Leaf> converted = listLeaves<records::NewMeasurementRecord>();
    static const std::vector<records::Leaf> none;
    return layout == Layout::Old ? old : layout == Layout::New ? converted : none;
}

std::span<const std::uint8_t> bytesOf(const FileImage& image, const records::Leaf& leaf)
{
    return std::span<const std::uint8_t>(image.head).subspan(leaf.offset, leaf.width);
}

}  // namespace audit
