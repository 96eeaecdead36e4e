# The header-only libraries from Debian's packages, as targets: cxxopts::cxxopts, nlohmann_json::nlohmann_json.
if(CMAKE_CROSSCOMPILING)
  # The packages are installed for this machine; the cross compiler must not see the rest of
  # /usr/include, whose C library headers would stand in for its own. Their headers alone are copied.
  set(header_only ${CMAKE_BINARY_DIR}/header-only)
  file(COPY /usr/include/cxxopts.hpp /usr/include/nlohmann DESTINATION ${header_only})
  foreach(library cxxopts::cxxopts nlohmann_json::nlohmann_json)
    add_library(${library} INTERFACE IMPORTED)
    set_target_properties(${library} PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${header_only})
  endforeach()
else()
  find_package(cxxopts 3 REQUIRED)
  find_package(nlohmann_json 3 REQUIRED)
endif()
