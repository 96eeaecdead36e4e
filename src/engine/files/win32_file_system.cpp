// The file operations of a conversion on Windows, through the wide API and long paths throughout.
#include "engine/files/win32_file_system.h"

#include "engine/files/temporary_names.h"
#include "engine/files/win32_errors.h"
#include "engine/files/win32_paths.h"
#include "encoding/wide_text.h"
#include "engine/files/windows_names.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <utility>
#include <vector>

namespace engine {
namespace {

constexpr DWORD NoAccess = 0;
constexpr DWORD ShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// The class of renames with flags (Windows 10 1607 on), which these headers declare only for a later
// _WIN32_WINNT than the one every other declaration needs.
constexpr auto FileRenameInfoExClass = static_cast<FILE_INFO_BY_HANDLE_CLASS>(22);

// Closes a handle on every way out of a scope.
class Handle {
public:
    Handle(Win32Calls& calls, HANDLE handle) : calls_(&calls), handle_(handle) {}
    Handle(Handle&& other) noexcept : calls_(other.calls_), handle_(std::exchange(other.handle_, INVALID_HANDLE_VALUE)) {}
    Handle& operator=(Handle&& other) noexcept
    {
        std::swap(calls_, other.calls_);
        std::swap(handle_, other.handle_);
        return *this;
    }
    ~Handle() { close(); }
    void close()
    {
        if (valid()) calls_->closeHandle(std::exchange(handle_, INVALID_HANDLE_VALUE));
    }
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle_; }

private:
    Win32Calls* calls_;
    HANDLE handle_;
};

Handle openExisting(Win32Calls& calls, const std::string& path, DWORD access, DWORD share, DWORD flags = FILE_ATTRIBUTE_NORMAL)
{
    return Handle(calls, calls.createFile(extendedPath(path).c_str(), access, share, OPEN_EXISTING, flags));
}

// More temporary files held open at once save no flushes worth having.
constexpr std::size_t HandlesHeldAtOnce = 4096;

FileIdentity identityOf(const BY_HANDLE_FILE_INFORMATION& information)
{
    return {information.dwVolumeSerialNumber,
            (std::uint64_t{information.nFileIndexHigh} << 32) | information.nFileIndexLow};
}

FileStatus statusOf(Win32Calls& calls, HANDLE handle)
{
    BY_HANDLE_FILE_INFORMATION information{};
    if (!calls.getFileInformationByHandle(handle, &information)) return {FileStatus::Other, {}, 0};
    const bool folder = (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    return {folder ? FileStatus::Folder : FileStatus::File, identityOf(information),
            static_cast<long long>((std::uint64_t{information.nFileSizeHigh} << 32) | information.nFileSizeLow)};
}

// Deletes the file a handle holds, by the handle: whatever name it has by now, no other file is hit.
bool deleteThrough(Win32Calls& calls, HANDLE handle)
{
    FILE_DISPOSITION_INFO disposition{TRUE};
    return calls.setFileInformationByHandle(handle, FileDispositionInfo, &disposition, sizeof disposition) != 0;
}

// What a folder entry is, as Windows decides it: only a name surrogate (a symbolic link, a junction, a
// mount point) leads elsewhere. A cloud file or folder that a sync client keeps on demand, a
// deduplicated file and any other reparse point are the files and folders they look like.
FolderEntry::Kind entryKind(const WIN32_FIND_DATAW& found)
{
    const bool folder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    // The tag of a reparse point is in dwReserved0 of what a listing finds.
    const bool link = (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 && IsReparseTagNameSurrogate(found.dwReserved0);
    if (!folder) return FolderEntry::File;  // a link to a file counts as the file
    return link ? FolderEntry::FolderLink : FolderEntry::Folder;
}

// NTFS looks names up blind to case, ordinally: each UTF-16 unit upper-cased by the system's table,
// as CompareStringOrdinal ignoring case compares. LCMapStringEx upper-cases by that table (its "file
// system rules") unless asked for linguistic casing; the invariant locale keeps the user's language
// out of it. One unit maps to one unit, so the key is as long as the path.
std::string caseBlindKey(const std::string& path)
{
    const std::wstring wide = encoding::wideText(path);
    std::wstring upper(wide.size(), L'\0');
    const int size = static_cast<int>(wide.size());
    if (size == 0 || LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, wide.data(), size, upper.data(), size,
                                   nullptr, nullptr, 0) != size)
        return path;
    return encoding::utf8Text(upper);
}

// GetFullPathNameW drops the dots and blanks a name ends in, as Windows does when it opens it; the
// full path keeps them, so that a target so named is refused (windowsCannotHold) rather than another
// file written under the name without them.
std::string withTrailingDotsOf(const std::string& given, std::string full)
{
    const SplitPath parts = splitPath(given);
    const std::string_view name = parts.name;
    const std::size_t kept = name.find_last_not_of(". ") + 1;  // 0 for a name of dots and blanks alone
    if (kept == name.size() || name == "." || name == ".." || !full.ends_with(name.substr(0, kept))) return full;
    return full.append(name.substr(kept));
}

// Written under a hidden name and held open, not shared for deletion, until it is in place and its
// name flushed: no other run takes it for a leftover, and no moment passes in which it is closed and
// has no name of its own.
class Win32TemporaryFile final : public TemporaryFile {
public:
    Win32TemporaryFile(Win32FileSystem& files, Handle handle, std::string target, FileIdentity identity)
        : files_(files), calls_(files.calls()), handle_(std::move(handle)), target_(std::move(target)), identity_(identity)
    {
    }

    ~Win32TemporaryFile() override
    {
        if (handle_.valid() && !placed_) deleteThrough(calls_, handle_.get());
    }

    std::optional<FileError> write(std::span<const std::uint8_t> bytes) override
    {
        while (!bytes.empty()) {
            DWORD written = 0;
            const auto size = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
            if (!calls_.writeFile(handle_.get(), bytes.data(), size, &written)) return lastWindowsFileError();
            // A write that takes nothing means the device has no room left.
            if (written == 0) return FileError{FileErrorNumber::DiskFull};
            bytes = bytes.subspan(written);
        }
        return std::nullopt;
    }

    std::optional<FileError> flush() override
    {
        // Hidden while it is written; the rename keeps attributes, and the converted file must show.
        FILE_BASIC_INFO basic{};
        basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
        if (!calls_.setFileInformationByHandle(handle_.get(), FileBasicInfo, &basic, sizeof basic))
            return lastWindowsFileError();
        if (!calls_.flushFileBuffers(handle_.get())) return lastWindowsFileError();
        return std::nullopt;
    }

    Commit commit(Replacing replacing, std::optional<FileError>& error) override
    {
        if (renameThroughHandle(replacing == Replacing::Allowed)) {
            placed_ = true;
            return Commit::Done;
        }
        const DWORD code = GetLastError();
        if (code == ERROR_ALREADY_EXISTS || code == ERROR_FILE_EXISTS) return Commit::NameTaken;
        error = fileErrorFromWindows(code);
        if (heldByAnotherProgram(code)) {
            error->held = true;
            return Commit::Held;
        }
        deleteThrough(calls_, handle_.get());
        handle_.close();
        return Commit::Failed;
    }

    std::optional<FileError> flushName() override
    {
        // FlushFileBuffers on the renamed file, still open, is the call that carries the promise: the
        // flush it asks of the file system writes the file's data and metadata from the cache and has
        // the device flush its own cache, on NTFS, ReFS, FAT and exFAT (as Microsoft documents
        // NtFlushBuffersFileEx without flags), and persists the directory structure as well (the
        // flush of Microsoft's file system algorithms, [MS-FSA] 2.1.5.7). On a share the server is
        // asked to flush the file on its own disk (SMB2 FLUSH). MOVEFILE_WRITE_THROUGH would promise
        // nothing here: it is documented for moves done by copying.
        std::optional<FileError> error;
        if (!calls_.flushFileBuffers(handle_.get())) error = lastWindowsFileError();
        handle_.close();
        return error;
    }

    FileIdentity identity() const override { return identity_; }

private:
    // Renames the file through its own handle, opened with DELETE access: with POSIX semantics where
    // the volume has them, so that a target another program holds open while sharing its deletion is
    // still replaced, otherwise as Windows has always renamed. Leaves GetLastError telling why it failed.
    bool renameThroughHandle(bool replace)
    {
        // The target's full path: a relative one would be taken from the current folder.
        const std::wstring name = extendedPath(target_);
        const std::size_t nameBytes = name.size() * sizeof(wchar_t);
        std::vector<std::byte> buffer(offsetof(FILE_RENAME_INFO, FileName) + nameBytes + sizeof(wchar_t));
        auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
        rename->RootDirectory = nullptr;
        rename->FileNameLength = static_cast<DWORD>(nameBytes);
        std::memcpy(rename->FileName, name.c_str(), nameBytes + sizeof(wchar_t));
        const auto size = static_cast<DWORD>(buffer.size());
        if (!files_.refusesPosixRenames(identity_.volume)) {
            rename->Flags = FILE_RENAME_FLAG_POSIX_SEMANTICS | (replace ? FILE_RENAME_FLAG_REPLACE_IF_EXISTS : 0);
            if (calls_.setFileInformationByHandle(handle_.get(), FileRenameInfoExClass, rename, size)) return true;
            const DWORD code = GetLastError();
            if (code != ERROR_INVALID_PARAMETER && code != ERROR_NOT_SUPPORTED && code != ERROR_INVALID_FUNCTION) return false;
            files_.refusedPosixRenamesOn(identity_.volume);
        }
        rename->Flags = 0;
        rename->ReplaceIfExists = replace;
        return calls_.setFileInformationByHandle(handle_.get(), FileRenameInfo, rename, size) != 0;
    }

    Win32FileSystem& files_;
    Win32Calls& calls_;
    Handle handle_;
    std::string target_;
    FileIdentity identity_;
    bool placed_ = false;  // at its target: the handle still open only until its name is flushed
};

}  // namespace

bool Win32FileSystem::isFolder(const std::string& path)
{
    const DWORD attributes = calls_.getFileAttributes(extendedPath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::variant<FileHead, FileError> Win32FileSystem::readHead(const std::string& path, std::size_t most)
{
    if (unusableName(path)) return FileError{FileErrorNumber::PathFileAccessError};
    const Handle file = openExisting(calls_, path, GENERIC_READ, ShareAll);
    if (!file.valid()) {
        const DWORD code = GetLastError();
        // Opening a folder as a file is refused as access denied: a folder is no measurement file.
        if (code == ERROR_ACCESS_DENIED && isFolder(path)) return FileError{FileErrorNumber::PathFileAccessError};
        FileError error = fileErrorFromWindows(code);
        error.held = heldByAnotherProgram(code);
        return error;
    }
    if (calls_.getFileType(file.get()) != FILE_TYPE_DISK) return FileError{FileErrorNumber::PathFileAccessError};
    LARGE_INTEGER size{};
    if (!calls_.getFileSizeEx(file.get(), &size)) return lastWindowsFileError();
    FileHead head;
    head.length = size.QuadPart;
    head.bytes.resize(std::min<std::size_t>(most, static_cast<std::size_t>(size.QuadPart)));
    std::size_t got = 0;
    while (got < head.bytes.size()) {
        DWORD read = 0;
        // A cloud file is fetched here: offline, this fails with the cloud's answer.
        if (!calls_.readFile(file.get(), head.bytes.data() + got, static_cast<DWORD>(head.bytes.size() - got), &read))
            return lastWindowsFileError();
        if (read == 0) {  // shrank while being read: it is as long as what could be read
            head.bytes.resize(got);
            head.length = static_cast<long long>(got);
        }
        got += read;
    }
    return head;
}

// Reads a file or a pipe to its end; a folder is refused as readHead refuses it.
std::variant<std::string, FileError> Win32FileSystem::readWhole(const std::string& path)
{
    if (unusableName(path)) return FileError{FileErrorNumber::PathFileAccessError};
    const Handle file = openExisting(calls_, path, GENERIC_READ, ShareAll);
    if (!file.valid()) {
        const DWORD code = GetLastError();
        return code == ERROR_ACCESS_DENIED && isFolder(path) ? FileError{FileErrorNumber::PathFileAccessError}
                                                             : fileErrorFromWindows(code);
    }
    std::string bytes;
    char buffer[65536];
    for (;;) {
        DWORD read = 0;
        if (!calls_.readFile(file.get(), buffer, sizeof buffer, &read)) {
            // A pipe ends so once its writer has closed it.
            if (GetLastError() == ERROR_BROKEN_PIPE) return bytes;
            return lastWindowsFileError();
        }
        if (read == 0) return bytes;
        bytes.append(buffer, read);
    }
}

FileStatus Win32FileSystem::status(const std::string& path)
{
    if (unusableName(path)) return {};
    // Backup semantics open folders too; no access asked, so that a file held by another program is
    // still seen.
    const Handle handle = openExisting(calls_, path, NoAccess, ShareAll, FILE_FLAG_BACKUP_SEMANTICS);
    if (handle.valid()) return statusOf(calls_, handle.get());
    // Refused access, something stands there; any other failure (no such file or folder, a name
    // Windows cannot hold) leaves nothing at the path.
    const DWORD code = GetLastError();
    if (code == ERROR_ACCESS_DENIED || code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION)
        return {FileStatus::Other, {}, 0};
    return {};
}

std::variant<ResolvedTarget, FileError> Win32FileSystem::resolveTarget(const std::string& path)
{
    if (unusableName(path)) return FileError{FileErrorNumber::PathFileAccessError};
    const std::string name = splitPath(path).name;
    if (name.empty()) return FileError{FileErrorNumber::PathFileAccessError};
    if (windowsCannotHold(name)) return FileError{FileErrorNumber::BadFileName};
    ResolvedTarget target{path, status(path), 0};
    if (target.existing.kind == FileStatus::Folder || target.existing.kind == FileStatus::Other)
        return FileError{FileErrorNumber::PathFileAccessError};
    if (target.existing.kind == FileStatus::File) {
        // A file the user made read-only is not replaced behind their back.
        const DWORD attributes = calls_.getFileAttributes(extendedPath(path).c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0)
            return FileError{FileErrorNumber::PermissionDenied};
    }
    return target;
}

std::optional<FileError> Win32FileSystem::mayCreateIn(const std::string& folder)
{
    if (!isFolder(folder)) return FileError{FileErrorNumber::PathNotFound};
    // Windows answers for the right to write only when asked by doing: a hidden file made and gone
    // with its handle, under a temporary's name so that not even a crash leaves a stranger.
    const Handle probe(calls_, calls_.createFile(extendedPath(temporaryPathFor(folder + '\\', "write-probe")).c_str(),
                                                 GENERIC_WRITE, 0, CREATE_NEW,
                                                 FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE));
    if (!probe.valid() && GetLastError() != ERROR_FILE_EXISTS) return lastWindowsFileError();
    return std::nullopt;
}

std::variant<std::unique_ptr<TemporaryFile>, FileError> Win32FileSystem::createBeside(const ResolvedTarget& target)
{
    const auto [folder, name] = splitPath(target.path);
    constexpr int NameAttempts = 100;
    for (int attempt = 0; attempt < NameAttempts; ++attempt) {
        // Not shared for deletion while it is written, so that no other run removes it as a leftover;
        // DELETE access, so that it is renamed and, dropped, removed through its own handle.
        Handle handle(calls_, calls_.createFile(extendedPath(temporaryPathFor(folder + '\\', name)).c_str(),
                                                GENERIC_WRITE | DELETE, FILE_SHARE_READ, CREATE_NEW, FILE_ATTRIBUTE_HIDDEN));
        if (!handle.valid()) {
            const DWORD code = GetLastError();
            if (code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS) continue;
            return fileErrorFromWindows(code);
        }
        const FileIdentity identity = statusOf(calls_, handle.get()).identity;
        return std::make_unique<Win32TemporaryFile>(*this, std::move(handle), target.path, identity);
    }
    return FileError{FileErrorNumber::PathFileAccessError};
}

std::optional<FileError> Win32FileSystem::makeFolder(const std::string& folder)
{
    if (windowsCannotHold(splitPath(folder).name)) return FileError{FileErrorNumber::BadFileName};
    if (calls_.createDirectory(extendedPath(folder).c_str())) return std::nullopt;
    const DWORD code = GetLastError();
    if (code == ERROR_ALREADY_EXISTS)
        return isFolder(folder) ? std::nullopt : std::optional(FileError{FileErrorNumber::PathFileAccessError});
    return fileErrorFromWindows(code);
}

// Each file's name is flushed through the file itself once it is in place (flushName).
std::optional<FileError> Win32FileSystem::flushFolder(const std::string&) { return std::nullopt; }

void Win32FileSystem::flushDevicesOf(std::span<TemporaryFile* const>) {}

void Win32FileSystem::removeLeftovers(const std::string& folder)
{
    listFolder(folder, [&](const FolderEntry& entry) {
        if (entry.kind != FolderEntry::File || !isTemporaryName(entry.name)) return;
        // Opened without sharing: a file a running save holds open is refused, and kept; deleted
        // through the handle, the file opened is the one removed, whatever its name is by then.
        const Handle leftover = openExisting(calls_, folder + '\\' + entry.name, DELETE, 0, FILE_FLAG_OPEN_REPARSE_POINT);
        if (leftover.valid()) deleteThrough(calls_, leftover.get());
    });
}

std::optional<FileError> Win32FileSystem::listFolder(const std::string& folder,
                                                     const std::function<void(const FolderEntry&)>& each)
{
    // Through the long form: a folder path of more than 260 characters is listed, never another.
    std::wstring pattern = extendedPath(folder);
    if (!pattern.ends_with(L'\\')) pattern += L'\\';
    pattern += L'*';
    WIN32_FIND_DATAW found{};
    const HANDLE search = calls_.findFirstFile(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        const DWORD code = GetLastError();
        return code == ERROR_FILE_NOT_FOUND ? std::nullopt : std::optional(fileErrorFromWindows(code));
    }
    DWORD ended = ERROR_NO_MORE_FILES;
    for (;;) {
        const std::wstring_view name = found.cFileName;
        if (name != L"." && name != L"..") each({encoding::utf8Text(name), entryKind(found)});
        if (!calls_.findNextFile(search, &found)) {
            ended = GetLastError();
            break;
        }
    }
    calls_.findClose(search);
    // Ended on anything but its end (a share that dropped, say), the folder was not listed whole.
    if (ended != ERROR_NO_MORE_FILES) return fileErrorFromWindows(ended);
    return std::nullopt;
}

std::size_t Win32FileSystem::filesHeldAtOnce() { return HandlesHeldAtOnce; }

std::string Win32FileSystem::absolutePath(const std::string& path)
{
    std::wstring wide = encoding::wideText(path);
    std::ranges::replace(wide, L'/', L'\\');
    std::wstring full(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetFullPathNameW(wide.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
        if (length == 0) return path;
        const bool fits = length < full.size();
        full.resize(length);
        if (fits) return withTrailingDotsOf(path, encoding::utf8Text(full));
    }
}

// The absolute path holds no "." or ".." any more: GetFullPathNameW resolved them.
std::string Win32FileSystem::nameKey(const std::string& absolutePath) { return caseBlindKey(absolutePath); }

bool Win32FileSystem::refusesPosixRenames(std::uint64_t volume)
{
    const std::lock_guard lock(learnt_);
    return std::ranges::find(olderRenames_, volume) != olderRenames_.end();
}

void Win32FileSystem::refusedPosixRenamesOn(std::uint64_t volume)
{
    const std::lock_guard lock(learnt_);
    if (std::ranges::find(olderRenames_, volume) == olderRenames_.end()) olderRenames_.push_back(volume);
}

SplitPath splitPath(const std::string& path)
{
    const std::size_t separator = path.find_last_of("/\\");
    if (separator == std::string::npos) return {".", path};
    // A root keeps its separator: "C:\\", "\\".
    const bool root = separator == 0 || (separator == 2 && path[1] == ':');
    return {path.substr(0, root ? separator + 1 : separator), path.substr(separator + 1)};
}

bool isPathSeparator(char c) { return c == '/' || c == '\\'; }

char pathSeparator() { return '\\'; }

FileSystem& systemFileSystem()
{
    static Win32FileSystem files;
    return files;
}

}  // namespace engine
