// The file operations a conversion needs, one implementation for each system the program runs on.
#pragma once

#include "engine/files/file_errors.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace engine {

// The folder and the last part of a path, as the system separates them ('/', and '\' on Windows too);
// "." for a bare name. The folder keeps nothing of the separator, but for a root.
struct SplitPath {
    std::string folder;
    std::string name;
};
SplitPath splitPath(const std::string& path);

// Whether c separates the parts of a path on this system.
bool isPathSeparator(char c);

// The separator the system itself writes between the parts of a path ('\' on Windows), so that a
// path the program joins reads as the system's own paths do.
char pathSeparator();

// folder/name with the system's separator; none is added after a folder that ends in one (a root).
inline std::string joinPath(std::string folder, std::string_view name)
{
    if (folder.empty()) return std::string(name);
    if (!isPathSeparator(folder.back())) folder += pathSeparator();
    return folder.append(name);
}

// The system sees a name only up to its first NUL: such a name would open or replace another file.
inline bool unusableName(std::string_view path) { return path.empty() || path.find('\0') != std::string_view::npos; }

// Which file a name gives, as the system tells files apart: device and inode, or volume serial
// number and file index. Two names give one file when their identities are equal.
struct FileIdentity {
    std::uint64_t volume = 0;
    std::uint64_t file = 0;
    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

// What stands at a path. Other: a device, a pipe, or a link that leads nowhere, which is something
// the user may want to keep all the same.
struct FileStatus {
    enum Kind { Missing, File, Folder, Other } kind = Missing;
    FileIdentity identity;
    long long size = 0;
};

// The start of a regular file and its length.
struct FileHead {
    std::vector<std::uint8_t> bytes;
    long long length = 0;
};

// A target as a save will write it, once links at its end are followed.
struct ResolvedTarget {
    std::string path;
    FileStatus existing;          // kind Missing when nothing stands there yet
    std::uint32_t permissions = 0;  // of the file replaced, which the replacement keeps where the system has them
};

// A new file written under a hidden temporary name beside its target until it is put there. Dropped
// without commit(), it is removed and the target is as it was.
class TemporaryFile {
public:
    enum class Replacing { Allowed, Refused };
    enum class Commit { Done, NameTaken, Held, Failed };

    virtual ~TemporaryFile() = default;
    virtual std::optional<FileError> write(std::span<const std::uint8_t> bytes) = 0;
    // To the device, so that the content survives a power cut. Several files may flush at once, each
    // from its own thread.
    virtual std::optional<FileError> flush() = 0;
    // Puts the file at its target. Refused: a name taken by then keeps its file, and the answer is
    // NameTaken; the temporary stays for another commit or the drop. Held: another program holds the
    // target or the temporary for the moment, nothing changed and the temporary stays; error says what
    // the system answered. error tells why a commit Failed; a file that Failed is gone.
    virtual Commit commit(Replacing replacing, std::optional<FileError>& error) = 0;
    // After a commit that put it in place: puts its new name on the disk where the system does that
    // through the file itself (Windows). Where the folder's flush does it (FileSystem::flushFolder),
    // nothing. Several files may flush at once, each from its own thread.
    virtual std::optional<FileError> flushName() { return std::nullopt; }
    virtual FileIdentity identity() const = 0;
};

// One entry of a folder, as a walk of a tree needs it.
struct FolderEntry {
    std::string name;
    enum Kind { File, Folder, FolderLink, Other } kind;  // a link to a file counts as the file
};

class FileSystem {
public:
    virtual ~FileSystem() = default;

    // Reads at most `most` bytes from the start of the regular file at path. A folder, a device or a
    // pipe is refused without waiting on it; a missing file is FileNotFound in an existing folder,
    // PathNotFound otherwise.
    virtual std::variant<FileHead, FileError> readHead(const std::string& path, std::size_t most) = 0;

    // Everything the file at path holds, read to its end: a pipe too, since a list of names may come
    // through one (`--files0-from <(find ...)`). A folder is refused.
    virtual std::variant<std::string, FileError> readWhole(const std::string& path) = 0;

    // What stands at path, links followed.
    virtual FileStatus status(const std::string& path) = 0;

    // Follows links at the end of path as a save would and checks that what stands there may be
    // replaced: a folder, a read-only file and a name the system cannot hold are refused.
    virtual std::variant<ResolvedTarget, FileError> resolveTarget(const std::string& path) = 0;

    // Whether a file may be made in folder (which exists).
    virtual std::optional<FileError> mayCreateIn(const std::string& folder) = 0;

    // A temporary file beside target.path, holding the permissions of the file it will replace.
    virtual std::variant<std::unique_ptr<TemporaryFile>, FileError> createBeside(const ResolvedTarget& target) = 0;

    // Makes one folder whose parent exists; one that exists already is no error.
    virtual std::optional<FileError> makeFolder(const std::string& folder) = 0;

    // Puts the names a folder received on the disk, where the system needs asking.
    virtual std::optional<FileError> flushFolder(const std::string& folder) = 0;

    // Asks the device of each file to write everything it holds, so that the files' own flushes find
    // little left to do. Proves nothing by itself; where the system has no such flush, nothing.
    virtual void flushDevicesOf(std::span<TemporaryFile* const> files) = 0;

    // Removes the temporary files that killed runs left in folder, never one a running save holds.
    virtual void removeLeftovers(const std::string& folder) = 0;

    // Calls each with every entry of folder but "." and "..", in no particular order.
    virtual std::optional<FileError> listFolder(const std::string& folder,
                                                const std::function<void(const FolderEntry&)>& each) = 0;

    // The full path of a target as the system's own save dialog gives it, stored in the record.
    virtual std::string absolutePath(const std::string& path) = 0;

    // What the system compares when it looks a name up, for an absolute path as absolutePath gives it:
    // two paths with equal keys name one file wherever they lead. "." and ".." are resolved; Windows
    // is blind to case, as NTFS is. Not for showing: a key may read otherwise than the path.
    virtual std::string nameKey(const std::string& absolutePath) = 0;

    // How many temporary files a batch may hold open at once, the limit raised as far as the system allows.
    virtual std::size_t filesHeldAtOnce() = 0;
};

// The files of the running system, shared by everyone who needs no faults of their own.
FileSystem& systemFileSystem();

}  // namespace engine
