# Builds every target with the hardening Debian builds its own packages with: buffer checks in the C
# library, stack guards, and relocations resolved at start and then made read-only.

# Without a build type the compiler does not optimise, and the C library's buffer checks need it:
# a plain configure gets the build a package ships.
if(NOT CMAKE_BUILD_TYPE AND NOT CMAKE_CONFIGURATION_TYPES)
  set(CMAKE_BUILD_TYPE RelWithDebInfo CACHE STRING "Build type (Debug, Release, RelWithDebInfo, MinSizeRel)" FORCE)
endif()

add_compile_options(-fstack-protector-strong)
# ELF's read-only relocations. Windows programs have none such, and their linker marks them for
# address randomisation and non-executable data by default; there the stack guards and the buffer
# checks live in libssp, which the compiler links only when told at link time.
if(WIN32)
  add_link_options(-fstack-protector-strong)
else()
  add_link_options(LINKER:-z,relro LINKER:-z,now)
endif()
# The sanitizers replace the C library's string and memory functions with their own checked ones,
# which the fortified variants would bypass; an unoptimised debug build cannot fortify at all.
if(NOT FILECONVERTER_SANITIZE AND NOT FILECONVERTER_FUZZ)
  add_compile_definitions($<$<NOT:$<CONFIG:Debug>>:_FORTIFY_SOURCE=2>)
endif()
