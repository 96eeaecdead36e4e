# Read by CPack for each generator it runs (CPACK_PROJECT_CONFIG_FILE in packaging/windows.cmake).
if(CPACK_GENERATOR STREQUAL "NSIS64")
  # The installer is named for the user who downloads it; its files go straight into the install folder.
  set(CPACK_PACKAGE_FILE_NAME "FileConverter-${CPACK_PACKAGE_VERSION}-setup")
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
endif()
