# Read by CPack for each generator it runs (CPACK_PROJECT_CONFIG_FILE in packaging/windows.cmake).

# Signed only when a certificate is given (scripts/build-windows checks it and says so); read when
# cpack runs, so that one build folder packs signed and unsigned alike.
if(NOT "$ENV{FILECONVERTER_SIGN_PFX}" STREQUAL "")
  set(CPACK_FILECONVERTER_SIGN "${CPACK_FILECONVERTER_SIGN_SCRIPT}")
else()
  set(CPACK_FILECONVERTER_SIGN "")
endif()

if(CPACK_GENERATOR STREQUAL "NSIS64")
  # The installer is named for the user who downloads it; its files go straight into the install folder.
  set(CPACK_PACKAGE_FILE_NAME "FileConverter-${CPACK_PACKAGE_VERSION}-setup")
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
elseif(CPACK_GENERATOR STREQUAL "External")
  # The MSI, named as the setup program is.
  set(CPACK_PACKAGE_FILE_NAME "FileConverter-${CPACK_PACKAGE_VERSION}-x64")
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
endif()
