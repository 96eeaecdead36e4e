// What a measurement file holds: its layout, told by its length and its first record, and its fields.
#include "audit/measurement_file.h"

#include "audit/converted_marks.h"
#include "engine/file_paths.h"
#include "engine/record_file.h"
#include "records/new_record.h"
#include "records/old_record.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

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
    engine::FileCalls& calls = engine::systemFileCalls();
    if (engine::unusableName(path)) return engine::FileError{engine::FileErrorNumber::PathFileAccessError};
    // Non-blocking, so that naming a pipe cannot hang the program before it is refused below.
    const int fd = calls.open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0);
    if (fd < 0) return errno == ENOENT ? engine::missingFileError(calls, path) : engine::lastFileError();
    engine::OpenFile file(calls, fd);

    struct stat status {};
    if (calls.fstat(fd, &status) != 0) return engine::lastFileError();
    if (!S_ISREG(status.st_mode)) return engine::FileError{engine::FileErrorNumber::PathFileAccessError};
    image.length = status.st_size;
    image.head.assign(std::min<std::size_t>(static_cast<std::size_t>(status.st_size), records::NewRecordLength), 0);
    std::size_t got = 0;
    while (got < image.head.size()) {
        const ssize_t read = calls.read(fd, image.head.data() + got, image.head.size() - got);
        if (read < 0 && errno == EINTR) continue;
        if (read < 0) return engine::lastFileError();
        if (read == 0) {  // shrank while being read: it is as long as what could be read
            image.head.resize(got);
            image.length = static_cast<long long>(got);
        }
        got += static_cast<std::size_t>(read);
    }
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
