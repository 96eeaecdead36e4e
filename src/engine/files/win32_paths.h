// Paths as the wide Windows API takes them: absolute, and long paths allowed.
#pragma once

#include <string>
#include <string_view>

namespace engine {

// The path in the \\?\ form that every call of the file layer passes to Windows, so that a path of
// more than 260 characters works whoever calls: made absolute from the current folder, '/' read as
// '\', a share named as \\?\UNC\server\share.
std::wstring extendedPath(std::string_view utf8Path);

}  // namespace engine
