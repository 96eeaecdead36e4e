# Packs the Windows build three times from one install tree: the portable ZIP
# fileconverter-VERSION-windows-x64.zip, the installer FileConverter-VERSION-setup.exe (CPack's
# NSIS64 generator with our template, packaging/nsis/NSIS.template.in) and the Windows Installer
# package FileConverter-VERSION-x64.msi (CPack's External generator running packaging/msi/make-msi.cmake).
# A program comes along by its own install_program() once its folder is among FILECONVERTER_WINDOWS_FOLDERS.
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION .)

set(CPACK_GENERATOR ZIP NSIS64 External)
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
# The MSI: Windows Installer knows every version of FileConverter by this code, and the setup
# program looks for an MSI install by it. Never change it: a package with another code would install
# beside the released ones instead of upgrading them.
set(CPACK_FILECONVERTER_UPGRADE_CODE B1572CC1-22EF-4A48-829C-8C8151E211A1)
set(CPACK_FILECONVERTER_ICON ${PROJECT_SOURCE_DIR}/src/win32/fileconverter.ico)
set(CPACK_FILECONVERTER_MSI_DIR ${CMAKE_CURRENT_LIST_DIR}/msi)
set(CPACK_EXTERNAL_ENABLE_STAGING ON)
set(CPACK_EXTERNAL_PACKAGE_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/msi/make-msi.cmake)

# Authenticode signatures, when scripts/build-windows is given a certificate: the programs are signed
# in each package's install tree before it is packed, the packages as they are made.
set(CPACK_FILECONVERTER_SIGN_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/windows-sign.sh)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/windows-sign-programs.cmake)

# What differs between the packages, set when CPack runs each generator.
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/windows-generators.cmake)
include(CPack)
