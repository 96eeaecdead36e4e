# Instruments every target for the sanitizer build and the fuzzing build; the normal build is untouched.
option(FILECONVERTER_SANITIZE "Build everything with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(FILECONVERTER_FUZZ "Build the libFuzzer targets of fuzz/ (needs clang; implies the sanitizers)" OFF)

if(FILECONVERTER_FUZZ AND NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  message(FATAL_ERROR "FILECONVERTER_FUZZ needs clang (libFuzzer): configure with -DCMAKE_CXX_COMPILER=clang++")
endif()

if(FILECONVERTER_SANITIZE OR FILECONVERTER_FUZZ)
  # Undefined behaviour stops the program, so a test or fuzz run cannot pass over it with a printed line.
  # Frame pointers give readable stacks in the reports at little cost.
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
  # GCC's instrumented code fools its own flow analysis into false alarms of maybe-uninitialized
  # values in the standard library (<regex>, <functional>); the normal build keeps the warning.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    add_compile_options(-Wno-maybe-uninitialized)
  endif()
  # CTest reads this file before it starts the tests, which inherit its environment: so every run
  # of the suite, by hand or by script, knows the leaks of others that the suppressions name.
  file(WRITE "${CMAKE_BINARY_DIR}/sanitizer_environment.cmake"
       "set(ENV{LSAN_OPTIONS} \"suppressions=${CMAKE_CURRENT_LIST_DIR}/lsan.supp\")\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${CMAKE_BINARY_DIR}/sanitizer_environment.cmake")
endif()

if(FILECONVERTER_FUZZ)
  # Coverage feedback from the libraries too, not only from the fuzz targets' own code.
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()
