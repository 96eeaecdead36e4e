# Toolchain for the Windows build: Debian's mingw-w64 cross compilers, programs run here under wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(mingw x86_64-w64-mingw32)
# The -posix compilers: the -win32 ones lack std::thread and std::mutex.
set(CMAKE_C_COMPILER ${mingw}-gcc-posix)
set(CMAKE_CXX_COMPILER ${mingw}-g++-posix)
set(CMAKE_RC_COMPILER ${mingw}-windres)
set(CMAKE_STRIP ${mingw}-strip)

# Libraries and headers of the target only; programs (cmake's helpers, wine) from this machine.
set(CMAKE_FIND_ROOT_PATH /usr/${mingw})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The C++ runtime and winpthread linked in: a program then needs only what every Windows has
# (KERNEL32, msvcrt), and runs from a bare folder or a ZIP as it does under wine.
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)

# CTest and test discovery run the programs through wine, in a prefix of this build folder's own, so
# that two build folders never share (or stop) each other's wineserver.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run ${CMAKE_BINARY_DIR}/wine-prefix)
