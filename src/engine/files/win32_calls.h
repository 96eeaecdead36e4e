// The Windows API calls behind every file the engine reads or writes on Windows; tests replace single
// calls to answer as a full disk, a held file, a share that drops or a cloud folder would.
#pragma once

#include <windows.h>

namespace engine {

// Windows semantics: a failing call returns FALSE (INVALID_HANDLE_VALUE, INVALID_FILE_ATTRIBUTES) and
// leaves its reason for GetLastError. Paths are in the \\?\ form. Calls may come from several threads
// at once.
class Win32Calls {
public:
    virtual ~Win32Calls() = default;
    virtual HANDLE createFile(const wchar_t* path, DWORD access, DWORD share, DWORD disposition, DWORD flags);
    virtual BOOL closeHandle(HANDLE handle);
    virtual BOOL readFile(HANDLE file, void* buffer, DWORD size, DWORD* read);
    virtual BOOL writeFile(HANDLE file, const void* buffer, DWORD size, DWORD* written);
    virtual BOOL flushFileBuffers(HANDLE file);
    virtual DWORD getFileType(HANDLE file);
    virtual BOOL getFileSizeEx(HANDLE file, LARGE_INTEGER* size);
    virtual BOOL getFileInformationByHandle(HANDLE file, BY_HANDLE_FILE_INFORMATION* information);
    virtual BOOL setFileInformationByHandle(HANDLE file, FILE_INFO_BY_HANDLE_CLASS kind, void* information, DWORD size);
    virtual DWORD getFileAttributes(const wchar_t* path);
    virtual BOOL createDirectory(const wchar_t* path);
    // FindFirstFileExW with FindExInfoBasic; the end of a listing is FALSE with ERROR_NO_MORE_FILES.
    virtual HANDLE findFirstFile(const wchar_t* pattern, WIN32_FIND_DATAW* found);
    virtual BOOL findNextFile(HANDLE search, WIN32_FIND_DATAW* found);
    virtual BOOL findClose(HANDLE search);
};

// The calls of the running system, shared by everyone who needs no fault of their own.
Win32Calls& systemWin32Calls();

}  // namespace engine
