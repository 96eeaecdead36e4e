// Forwards the engine's file calls to Windows.
#include "engine/files/win32_calls.h"

namespace engine {

HANDLE Win32Calls::createFile(const wchar_t* path, DWORD access, DWORD share, DWORD disposition, DWORD flags)
{
    return CreateFileW(path, access, share, nullptr, disposition, flags, nullptr);
}
BOOL Win32Calls::closeHandle(HANDLE handle) { return CloseHandle(handle); }
BOOL Win32Calls::readFile(HANDLE file, void* buffer, DWORD size, DWORD* read) { return ReadFile(file, buffer, size, read, nullptr); }
BOOL Win32Calls::writeFile(HANDLE file, const void* buffer, DWORD size, DWORD* written)
{
    return WriteFile(file, buffer, size, written, nullptr);
}
BOOL Win32Calls::flushFileBuffers(HANDLE file) { return FlushFileBuffers(file); }
DWORD Win32Calls::getFileType(HANDLE file) { return GetFileType(file); }
BOOL Win32Calls::getFileSizeEx(HANDLE file, LARGE_INTEGER* size) { return GetFileSizeEx(file, size); }
BOOL Win32Calls::getFileInformationByHandle(HANDLE file, BY_HANDLE_FILE_INFORMATION* information)
{
    return GetFileInformationByHandle(file, information);
}
BOOL Win32Calls::setFileInformationByHandle(HANDLE file, FILE_INFO_BY_HANDLE_CLASS kind, void* information, DWORD size)
{
    return SetFileInformationByHandle(file, kind, information, size);
}
DWORD Win32Calls::getFileAttributes(const wchar_t* path) { return GetFileAttributesW(path); }
BOOL Win32Calls::createDirectory(const wchar_t* path) { return CreateDirectoryW(path, nullptr); }
HANDLE Win32Calls::findFirstFile(const wchar_t* pattern, WIN32_FIND_DATAW* found)
{
    return FindFirstFileExW(pattern, FindExInfoBasic, found, FindExSearchNameMatch, nullptr, 0);
}
BOOL Win32Calls::findNextFile(HANDLE search, WIN32_FIND_DATAW* found) { return FindNextFileW(search, found); }
BOOL Win32Calls::findClose(HANDLE search) { return FindClose(search); }

Win32Calls& systemWin32Calls()
{
    static Win32Calls calls;
    return calls;
}

}  // namespace engine
