# Packs the Windows build as a ZIP of a portable folder: fileconverter-VERSION-windows-x64.zip.
# A program comes along by its own install_program() once its folder is among FILECONVERTER_WINDOWS_FOLDERS.
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME fileconverter)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME fileconverter-${PROJECT_VERSION}-windows-x64)
# The one folder unpacking gives, named as the ZIP is, so that two versions unpack side by side.
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
