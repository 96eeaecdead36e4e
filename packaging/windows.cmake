# Packs the Windows build twice from one install tree: the portable ZIP
# fileconverter-VERSION-windows-x64.zip and the installer FileConverter-VERSION-setup.exe (CPack's
# NSIS64 generator with our template, packaging/nsis/NSIS.template.in).
# A program comes along by its own install_program() once its folder is among FILECONVERTER_WINDOWS_FOLDERS.
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION .)

set(CPACK_GENERATOR ZIP NSIS64)
set(CPACK_PACKAGE_NAME fileconverter)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "FileConverter maintainers")
set(CPACK_PACKAGE_FILE_NAME fileconverter-${PROJECT_VERSION}-windows-x64)
# The one folder unpacking gives, named as the ZIP is, so that two versions unpack side by side.
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_STRIP_FILES ON)

# The installer: C:\Program Files\FileConverter, one entry in Apps and Features for every version.
set(CPACK_MODULE_PATH ${CMAKE_CURRENT_LIST_DIR}/nsis)
set(CPACK_NSIS_PACKAGE_NAME FileConverter)
set(CPACK_PACKAGE_INSTALL_DIRECTORY FileConverter)
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY FileConverter)
# The window gets its Start-menu entry once it is built for Windows; until then the menu holds the README.
if(TARGET FileConverter)
  set(CPACK_FILECONVERTER_WINDOW ON)
else()
  set(CPACK_FILECONVERTER_WINDOW OFF)
endif()
# What differs between the two packages, set when CPack runs each generator.
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/windows-generators.cmake)
include(CPack)
