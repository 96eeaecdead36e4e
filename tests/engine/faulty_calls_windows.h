// The real Windows calls, safe from several threads, except that planted faults answer as a full disk,
// a broken device, a held file, a dropped share or an offline cloud file would, in Windows error codes;
// and folder entries marked as the reparse points wine cannot make.
#pragma once

#include "engine/files/win32_calls.h"
#include "engine/files/win32_file_system.h"
#include "encoding/wide_text.h"
#include "file_faults.h"

#include <map>
#include <set>
#include <string>

class FaultyCalls : public engine::Win32Calls, public faults::Plan {
public:
    using FileSystem = engine::Win32FileSystem;

    void markEntry(const std::string& name, faults::ReparseKind kind) { marks_[encoding::wideText(name)] = kind; }
    static bool hidden(const std::string& path)
    {
        const DWORD attributes = GetFileAttributesW(encoding::wideText(path).c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_HIDDEN) != 0;
    }

    HANDLE createFile(const wchar_t* path, DWORD access, DWORD share, DWORD disposition, DWORD flags) override
    {
        given(encoding::utf8Text(path));
        const bool creating = disposition == CREATE_NEW, reading = disposition == OPEN_EXISTING && (access & GENERIC_READ) != 0;
        if ((creating && fails(faults::Create)) || (reading && fails(faults::Open))) return INVALID_HANDLE_VALUE;
        return counted(Win32Calls::createFile(path, access, share, disposition, flags));
    }
    BOOL closeHandle(HANDLE handle) override
    {
        closed();
        const std::lock_guard lock(renamedLock_);
        renamed_.erase(handle);
        return Win32Calls::closeHandle(handle);
    }
    BOOL readFile(HANDLE file, void* buffer, DWORD size, DWORD* read) override
    {
        const auto answer = fault(faults::Read);
        if (!answer) return Win32Calls::readFile(file, buffer, size, read);
        if (*answer != faults::Nothing) return fail(*answer);
        *read = 0;
        return TRUE;
    }
    BOOL writeFile(HANDLE file, const void* buffer, DWORD size, DWORD* written) override
    {
        const auto answer = fault(faults::Write);
        if (answer && *answer == faults::Nothing) {
            *written = 0;
            return TRUE;
        }
        if (answer && *answer != faults::Short) return fail(*answer);
        return Win32Calls::writeFile(file, buffer, answer ? 7 : std::min<DWORD>(size, 1024), written);
    }
    // A renamed file's flush puts its name on the disk.
    BOOL flushFileBuffers(HANDLE file) override
    {
        bool renamed;
        {
            const std::lock_guard lock(renamedLock_);
            renamed = renamed_.contains(file);
        }
        return fails(renamed ? faults::NameFlush : faults::Flush) ? FALSE : Win32Calls::flushFileBuffers(file);
    }
    BOOL getFileSizeEx(HANDLE file, LARGE_INTEGER* size) override
    {
        return fails(faults::Fstat) ? FALSE : Win32Calls::getFileSizeEx(file, size);
    }
    // A rename with POSIX semantics answers Invalid as a system without them does; a plain rename then
    // goes on to do its work.
    BOOL setFileInformationByHandle(HANDLE file, FILE_INFO_BY_HANDLE_CLASS kind, void* information, DWORD size) override
    {
        constexpr auto PlainRename = FileRenameInfo, PosixRename = static_cast<FILE_INFO_BY_HANDLE_CLASS>(22);
        if (kind != PlainRename && kind != PosixRename) return Win32Calls::setFileInformationByHandle(file, kind, information, size);
        const auto* rename = static_cast<const FILE_RENAME_INFO*>(information);
        const bool replacing = kind == PlainRename ? rename->ReplaceIfExists != 0 : (rename->Flags & FILE_RENAME_FLAG_REPLACE_IF_EXISTS) != 0;
        const auto answer = fault(replacing ? faults::Rename : faults::NoReplaceRename);
        if (answer && (*answer != faults::Invalid || kind == PosixRename)) return fail(*answer);
        if (!Win32Calls::setFileInformationByHandle(file, kind, information, size)) return FALSE;
        const std::lock_guard lock(renamedLock_);
        renamed_.insert(file);
        return TRUE;
    }
    HANDLE findFirstFile(const wchar_t* pattern, WIN32_FIND_DATAW* found) override
    {
        const auto answer = fault(faults::List);
        const HANDLE search = counted(Win32Calls::findFirstFile(pattern, found));
        if (search != INVALID_HANDLE_VALUE) {
            const std::lock_guard lock(renamedLock_);
            if (answer) failing_[search] = *answer;
            mark(*found);
        }
        return search;
    }
    // A failing listing ends with its answer after its first entry but "." and "..".
    BOOL findNextFile(HANDLE search, WIN32_FIND_DATAW* found) override
    {
        {
            const std::lock_guard lock(renamedLock_);
            const auto failing = failing_.find(search);
            const std::wstring_view last = found->cFileName;
            if (failing != failing_.end() && last != L"." && last != L"..") return fail(failing->second);
        }
        if (!Win32Calls::findNextFile(search, found)) return FALSE;
        mark(*found);
        return TRUE;
    }
    BOOL findClose(HANDLE search) override
    {
        closed();
        const std::lock_guard lock(renamedLock_);
        failing_.erase(search);
        return Win32Calls::findClose(search);
    }

private:
    static DWORD codeFor(faults::Answer answer)
    {
        using enum faults::Answer;
        switch (answer) {
        case Denied: return ERROR_ACCESS_DENIED;                  case HeldByAnother: return ERROR_SHARING_VIOLATION;
        case ReadOnlyMedium: return ERROR_WRITE_PROTECT;          case NameExists: return ERROR_FILE_EXISTS;
        case TooManyOpen: return ERROR_TOO_MANY_OPEN_FILES;       case NameTooLong: return ERROR_FILENAME_EXCED_RANGE;
        case NotSupported: return ERROR_NOT_SUPPORTED;            case DiskFull: return ERROR_DISK_FULL;
        case QuotaFull: return 1295;  /* ERROR_DISK_QUOTA_EXCEEDED */ case Invalid: return ERROR_INVALID_PARAMETER;
        case ConnectionLost: return ERROR_NETNAME_DELETED;        case CloudOffline: return 388;  // ERROR_CLOUD_FILE_NETWORK_UNAVAILABLE
        default: return ERROR_IO_DEVICE;
        }
    }
    static BOOL fail(faults::Answer answer) { SetLastError(codeFor(answer)); return FALSE; }
    void setError(faults::Answer answer) const override { SetLastError(codeFor(answer)); }
    HANDLE counted(HANDLE handle)
    {
        if (handle != INVALID_HANDLE_VALUE) opened();
        return handle;
    }
    // An entry marked as a reparse point is listed as one, with its kind's tag.
    void mark(WIN32_FIND_DATAW& found) const
    {
        static const DWORD tags[] = {0x9000601A /* IO_REPARSE_TAG_CLOUD_6 */, IO_REPARSE_TAG_MOUNT_POINT, IO_REPARSE_TAG_SYMLINK, IO_REPARSE_TAG_DEDUP};
        const auto marked = marks_.find(found.cFileName);
        if (marked == marks_.end()) return;
        found.dwFileAttributes |= FILE_ATTRIBUTE_REPARSE_POINT;
        found.dwReserved0 = tags[marked->second];
    }

    std::map<std::wstring, faults::ReparseKind> marks_;
    std::mutex renamedLock_;  // guards what follows
    std::set<HANDLE> renamed_;                       // files renamed through their handle
    std::map<HANDLE, faults::Answer> failing_;       // listings that fail after their first entry
};
