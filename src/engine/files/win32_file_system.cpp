// The file operations of a conversion on Windows, through the wide API and long paths throughout.
#include "engine/files/file_system.h"

#include "engine/files/temporary_names.h"
#include "engine/files/win32_errors.h"
#include "engine/files/win32_paths.h"
#include "encoding/wide_text.h"
#include "engine/files/windows_names.h"

#include <windows.h>

#include <algorithm>
#include <utility>

namespace engine {
namespace {

constexpr DWORD NoAccess = 0;
constexpr DWORD ShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Closes a handle on every way out of a scope.
class Handle {
public:
    explicit Handle(HANDLE handle = INVALID_HANDLE_VALUE) : handle_(handle) {}
    Handle(Handle&& other) noexcept : handle_(std::exchange(other.handle_, INVALID_HANDLE_VALUE)) {}
    Handle& operator=(Handle&& other) noexcept
    {
        std::swap(handle_, other.handle_);
        return *this;
    }
    ~Handle() { close(); }
    void close()
    {
        if (valid()) CloseHandle(std::exchange(handle_, INVALID_HANDLE_VALUE));
    }
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle_; }

private:
    HANDLE handle_;
};

Handle openExisting(const std::string& path, DWORD access, DWORD share, DWORD flags = FILE_ATTRIBUTE_NORMAL)
{
    return Handle(CreateFileW(extendedPath(path).c_str(), access, share, nullptr, OPEN_EXISTING, flags, nullptr));
}

// More temporary files held open at once save no flushes worth having.
constexpr std::size_t HandlesHeldAtOnce = 4096;

FileIdentity identityOf(const BY_HANDLE_FILE_INFORMATION& information)
{
    return {information.dwVolumeSerialNumber,
            (std::uint64_t{information.nFileIndexHigh} << 32) | information.nFileIndexLow};
}

FileStatus statusOf(HANDLE handle)
{
    BY_HANDLE_FILE_INFORMATION information{};
    if (!GetFileInformationByHandle(handle, &information)) return {FileStatus::Other, {}, 0};
    const bool folder = (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    return {folder ? FileStatus::Folder : FileStatus::File, identityOf(information),
            static_cast<long long>((std::uint64_t{information.nFileSizeHigh} << 32) | information.nFileSizeLow)};
}

bool isFolder(const std::string& path)
{
    const DWORD attributes = GetFileAttributesW(extendedPath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Deletes the file a handle holds, by the handle: whatever name it has by now, no other file is hit.
bool deleteThrough(HANDLE handle)
{
    FILE_DISPOSITION_INFO disposition{TRUE};
    return SetFileInformationByHandle(handle, FileDispositionInfo, &disposition, sizeof disposition) != 0;
}

// Reads a file or a pipe to its end; a folder is refused as readHead refuses it.
std::variant<std::string, FileError> readWholeFile(const std::string& path)
{
    if (unusableName(path)) return FileError{FileErrorNumber::PathFileAccessError};
    const Handle file = openExisting(path, GENERIC_READ, ShareAll);
    if (!file.valid()) {
        const DWORD code = GetLastError();
        return code == ERROR_ACCESS_DENIED && isFolder(path) ? FileError{FileErrorNumber::PathFileAccessError}
                                                             : fileErrorFromWindows(code);
    }
    std::string bytes;
    char buffer[65536];
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr)) {
            // A pipe ends so once its writer has closed it.
            if (GetLastError() == ERROR_BROKEN_PIPE) return bytes;
            return lastWindowsFileError();
        }
        if (read == 0) return bytes;
        bytes.append(buffer, read);
    }
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

class Win32TemporaryFile final : public TemporaryFile {
public:
    Win32TemporaryFile(Handle handle, std::string path, std::string target, FileIdentity identity)
        : handle_(std::move(handle)), path_(std::move(path)), target_(std::move(target)), identity_(identity)
    {
    }

    ~Win32TemporaryFile() override
    {
        // By the handle while it is held; by name after a commit that found the name taken.
        if (handle_.valid()) deleteThrough(handle_.get());
        else if (!path_.empty()) DeleteFileW(extendedPath(path_).c_str());
    }

    std::optional<FileError> write(std::span<const std::uint8_t> bytes) override
    {
        while (!bytes.empty()) {
            DWORD written = 0;
            const auto size = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
            if (!WriteFile(handle_.get(), bytes.data(), size, &written, nullptr)) return lastWindowsFileError();
            // A write that takes nothing means the device has no room left.
            if (written == 0) return FileError{FileErrorNumber::DiskFull};
            bytes = bytes.subspan(written);
        }
        return std::nullopt;
    }

    std::optional<FileError> flush() override
    {
        // Hidden while it is written; the move keeps attributes, and the converted file must show.
        FILE_BASIC_INFO basic{};
        basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
        if (!SetFileInformationByHandle(handle_.get(), FileBasicInfo, &basic, sizeof basic))
            return lastWindowsFileError();
        if (!FlushFileBuffers(handle_.get())) return lastWindowsFileError();
        return std::nullopt;
    }

    Commit commit(Replacing replacing, std::optional<FileError>& error) override
    {
        // Held open without sharing its deletion, no other run took the file for a leftover; the
        // move needs it closed. Should another run remove it in that instant, the move fails and the
        // file is reported not converted: nothing at the target changes.
        handle_.close();
        const DWORD flags = MOVEFILE_WRITE_THROUGH | (replacing == Replacing::Allowed ? MOVEFILE_REPLACE_EXISTING : 0);
        // Write-through: the move returns once the new name is on the disk, which NTFS journals.
        if (MoveFileExW(extendedPath(path_).c_str(), extendedPath(target_).c_str(), flags)) {
            path_.clear();
            return Commit::Done;
        }
        const DWORD code = GetLastError();
        if (code == ERROR_ALREADY_EXISTS || code == ERROR_FILE_EXISTS) return Commit::NameTaken;
        error = fileErrorFromWindows(code);
        DeleteFileW(extendedPath(std::exchange(path_, {})).c_str());
        return Commit::Failed;
    }

    FileIdentity identity() const override { return identity_; }

private:
    Handle handle_;
    std::string path_;  // empty once in place
    std::string target_;
    FileIdentity identity_;
};

class Win32FileSystem final : public FileSystem {
public:
    std::variant<FileHead, FileError> readHead(const std::string& path, std::size_t most) override
    {
        if (unusableName(path)) return FileError{FileErrorNumber::PathFileAccessError};
        const Handle file = openExisting(path, GENERIC_READ, ShareAll);
        if (!file.valid()) {
            const DWORD code = GetLastError();
            // Opening a folder as a file is refused as access denied: a folder is no measurement file.
            return code == ERROR_ACCESS_DENIED && isFolder(path) ? FileError{FileErrorNumber::PathFileAccessError}
                                                                 : fileErrorFromWindows(code);
        }
        if (GetFileType(file.get()) != FILE_TYPE_DISK) return FileError{FileErrorNumber::PathFileAccessError};
        LARGE_INTEGER size{};
        if (!GetFileSizeEx(file.get(), &size)) return lastWindowsFileError();
        FileHead head;
        head.length = size.QuadPart;
        head.bytes.resize(std::min<std::size_t>(most, static_cast<std::size_t>(size.QuadPart)));
        std::size_t got = 0;
        while (got < head.bytes.size()) {
            DWORD read = 0;
            if (!ReadFile(file.get(), head.bytes.data() + got, static_cast<DWORD>(head.bytes.size() - got), &read,
                          nullptr))
                return lastWindowsFileError();
            if (read == 0) {  // shrank while being read: it is as long as what could be read
                head.bytes.resize(got);
                head.length = static_cast<long long>(got);
            }
            got += read;
        }
        return head;
    }

    std::variant<std::string, FileError> readWhole(const std::string& path) override { return readWholeFile(path); }

    FileStatus status(const std::string& path) override
    {
        if (unusableName(path)) return {};
        // Backup semantics open folders too; no access asked, so that a file held by another program
        // is still seen.
        const Handle handle = openExisting(path, NoAccess, ShareAll, FILE_FLAG_BACKUP_SEMANTICS);
        if (handle.valid()) return statusOf(handle.get());
        // Refused access, something stands there; any other failure (no such file or folder, a name
        // Windows cannot hold) leaves nothing at the path.
        const DWORD code = GetLastError();
        if (code == ERROR_ACCESS_DENIED || code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION)
            return {FileStatus::Other, {}, 0};
        return {};
    }

    std::variant<ResolvedTarget, FileError> resolveTarget(const std::string& path) override
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
            const DWORD attributes = GetFileAttributesW(extendedPath(path).c_str());
            if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0)
                return FileError{FileErrorNumber::PermissionDenied};
        }
        return target;
    }

    std::optional<FileError> mayCreateIn(const std::string& folder) override
    {
        if (!isFolder(folder)) return FileError{FileErrorNumber::PathNotFound};
        // Windows answers for the right to write only when asked by doing: a hidden file made and
        // gone with its handle, under a temporary's name so that not even a crash leaves a stranger.
        const Handle probe(CreateFileW(extendedPath(temporaryPathFor(folder + '\\', "write-probe")).c_str(), GENERIC_WRITE,
                                       0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE,
                                       nullptr));
        if (!probe.valid() && GetLastError() != ERROR_FILE_EXISTS) return lastWindowsFileError();
        return std::nullopt;
    }

    std::variant<std::unique_ptr<TemporaryFile>, FileError> createBeside(const ResolvedTarget& target) override
    {
        const auto [folder, name] = splitPath(target.path);
        constexpr int NameAttempts = 100;
        for (int attempt = 0; attempt < NameAttempts; ++attempt) {
            std::string path = temporaryPathFor(folder + '\\', name);
            // Not shared for deletion while it is written, so that no other run removes it as a leftover.
            Handle handle(CreateFileW(extendedPath(path).c_str(), GENERIC_WRITE | DELETE, FILE_SHARE_READ, nullptr,
                                      CREATE_NEW, FILE_ATTRIBUTE_HIDDEN, nullptr));
            if (!handle.valid()) {
                const DWORD code = GetLastError();
                if (code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS) continue;
                return fileErrorFromWindows(code);
            }
            const FileIdentity identity = statusOf(handle.get()).identity;
            return std::make_unique<Win32TemporaryFile>(std::move(handle), std::move(path), target.path, identity);
        }
        return FileError{FileErrorNumber::PathFileAccessError};
    }

    std::optional<FileError> makeFolder(const std::string& folder) override
    {
        if (windowsCannotHold(splitPath(folder).name)) return FileError{FileErrorNumber::BadFileName};
        if (CreateDirectoryW(extendedPath(folder).c_str(), nullptr)) return std::nullopt;
        const DWORD code = GetLastError();
        if (code == ERROR_ALREADY_EXISTS)
            return isFolder(folder) ? std::nullopt : std::optional(FileError{FileErrorNumber::PathFileAccessError});
        return fileErrorFromWindows(code);
    }

    // NTFS journals names, and a move written through is on the disk when it returns.
    std::optional<FileError> flushFolder(const std::string&) override { return std::nullopt; }

    void flushDevicesOf(std::span<TemporaryFile* const>) override {}

    void removeLeftovers(const std::string& folder) override
    {
        listFolder(folder, [&](const FolderEntry& entry) {
            if (entry.kind != FolderEntry::File || !isTemporaryName(entry.name)) return;
            // Opened without sharing: a file a running save holds open is refused, and kept.
            const Handle leftover = openExisting(folder + '\\' + entry.name, DELETE, 0, FILE_FLAG_OPEN_REPARSE_POINT);
            if (leftover.valid()) deleteThrough(leftover.get());
        });
    }

    std::optional<FileError> listFolder(const std::string& folder,
                                        const std::function<void(const FolderEntry&)>& each) override
    {
        // Through the long form: a folder path of more than 260 characters is listed, never another.
        std::wstring pattern = extendedPath(folder);
        if (!pattern.ends_with(L'\\')) pattern += L'\\';
        pattern += L'*';
        WIN32_FIND_DATAW found{};
        const HANDLE search =
            FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0);
        if (search == INVALID_HANDLE_VALUE) {
            const DWORD code = GetLastError();
            return code == ERROR_FILE_NOT_FOUND ? std::nullopt : std::optional(fileErrorFromWindows(code));
        }
        do {
            const std::wstring_view name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            const bool folderEntry = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            const bool link = (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
            each({encoding::utf8Text(name), folderEntry ? (link ? FolderEntry::FolderLink : FolderEntry::Folder)
                                              : FolderEntry::File});
        } while (FindNextFileW(search, &found));
        FindClose(search);
        return std::nullopt;
    }

    std::size_t filesHeldAtOnce() override { return HandlesHeldAtOnce; }

    // The absolute path holds no "." or ".." any more: GetFullPathNameW resolved them.
    std::string nameKey(const std::string& absolutePath) override { return caseBlindKey(absolutePath); }

    std::string absolutePath(const std::string& path) override
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
};

}  // namespace

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
