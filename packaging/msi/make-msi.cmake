# Run by CPack's External generator (packaging/windows.cmake) on the staged install tree: builds
# FileConverter-VERSION-x64.msi with wixl from FileConverter.wxs, adds what wixl cannot write with
# msibuild (both from msitools), and signs it when a certificate is given.
set(stage "${CPACK_TEMPORARY_DIRECTORY}")
set(work "${CPACK_TOPLEVEL_DIRECTORY}")
set(version "${CPACK_PACKAGE_VERSION}")
set(msi "${work}/${CPACK_PACKAGE_FILE_NAME}.msi")
set(upgrade_code "${CPACK_FILECONVERTER_UPGRADE_CODE}")

# Windows Installer compares the first three fields of a version, each a number, the first two below 256.
if(NOT version MATCHES "^([0-9]+)\\.([0-9]+)\\.([0-9]+)$" OR CMAKE_MATCH_1 GREATER 255 OR CMAKE_MATCH_2 GREATER 255
   OR CMAKE_MATCH_3 GREATER 65535)
  message(FATAL_ERROR "make-msi: version '${version}' is not MAJOR.MINOR.PATCH as Windows Installer takes it")
endif()
# The ProductCode follows from the version: a new one for each version, as a major upgrade needs, and
# the same one for a rebuild of a version, which Windows Installer then takes for the installed
# product instead of installing it a second time.
string(UUID product_code NAMESPACE "${upgrade_code}" NAME "FileConverter ${version}" TYPE SHA1 UPPER)

# Every file of the install tree goes into the MSI: a file FileConverter.wxs does not list stops the
# build rather than being left out.
file(READ "${CPACK_FILECONVERTER_MSI_DIR}/FileConverter.wxs" source)
string(REGEX MATCHALL "Source=\"\\$\\(var\\.SourceDir\\)/[^\"]+\"" listed "${source}")
list(TRANSFORM listed REPLACE "^Source=\"\\$\\(var\\.SourceDir\\)/(.+)\"$" "\\1")
file(GLOB_RECURSE staged RELATIVE "${stage}" "${stage}/*")
foreach(file IN LISTS staged)
  if(NOT file IN_LIST listed)
    message(FATAL_ERROR "make-msi: the install tree holds ${file}, which packaging/msi/FileConverter.wxs does not list")
  endif()
endforeach()

# wixl takes every source path relative to the .wxs file, so the .wxs and the icon are put beside
# the install tree.
file(COPY "${CPACK_FILECONVERTER_MSI_DIR}/FileConverter.wxs" "${CPACK_FILECONVERTER_ICON}" DESTINATION "${work}")
get_filename_component(icon_name "${CPACK_FILECONVERTER_ICON}" NAME)
if(NOT icon_name STREQUAL "fileconverter.ico")
  file(RENAME "${work}/${icon_name}" "${work}/fileconverter.ico")
endif()
file(RELATIVE_PATH source_dir "${work}" "${stage}")
file(REMOVE "${msi}")
# wixl goes on past an attribute or element it does not know, with a warning on standard error: any
# such output stops the build, since the package would lack what the .wxs asks for.
execute_process(COMMAND wixl --arch x64 -D "Version=${version}" -D "ProductCode=${product_code}"
                        -D "UpgradeCode=${upgrade_code}" -D "Manufacturer=${CPACK_PACKAGE_VENDOR}"
                        -D "SourceDir=${source_dir}" -o "${msi}" FileConverter.wxs
                WORKING_DIRECTORY "${work}" RESULT_VARIABLE failed OUTPUT_VARIABLE said ERROR_VARIABLE said)
if(failed OR NOT said STREQUAL "")
  message(FATAL_ERROR "make-msi: wixl failed (${failed}): ${said}")
endif()

# What wixl 0.101 cannot write, one SQL statement per msibuild call (it runs no more at a time).
function(msi_sql statement)
  execute_process(COMMAND msibuild "${msi}" -q "${statement}" RESULT_VARIABLE failed OUTPUT_VARIABLE said ERROR_VARIABLE said)
  if(failed)
    message(FATAL_ERROR "make-msi: msibuild failed on ${statement}: ${said}")
  endif()
endfunction()
# The PATH entry: '=' sets PATH on install, '-' takes the entry off again on uninstall, '*' makes it
# the system's PATH; '[~];' keeps what PATH holds and appends the folder.
msi_sql("CREATE TABLE `Environment` (`Environment` CHAR(72) NOT NULL, `Name` CHAR(255) NOT NULL LOCALIZABLE, `Value` CHAR(255) LOCALIZABLE, `Component_` CHAR(72) NOT NULL PRIMARY KEY `Environment`)")
msi_sql("INSERT INTO `Environment` (`Environment`, `Name`, `Value`, `Component_`) VALUES ('PathEntry', '=-*PATH', '[~];[INSTALLFOLDER]', 'PathEntry')")
# The PATH feature is installed with ADDTOPATH=1, and on an upgrade when the installed version had
# it and ADDTOPATH is not given (ADDTOPATH=0 then takes it off).
msi_sql("CREATE TABLE `Condition` (`Feature_` CHAR(38) NOT NULL, `Level` SHORT NOT NULL, `Condition` CHAR(255) PRIMARY KEY `Feature_`, `Level`)")
msi_sql("INSERT INTO `Condition` (`Feature_`, `Level`, `Condition`) VALUES ('PathEntry', 1, 'ADDTOPATH = \"1\" OR (NOT ADDTOPATH AND PATHCHOSEN = \"1\")')")
# An upgrade takes the feature states from ADDTOPATH and the remembered choice alone: Windows
# Installer's own migration of the old version's states would override ADDTOPATH (wine has none).
msi_sql("DELETE FROM `Upgrade` WHERE `ActionProperty` = 'WIX_UPGRADE_DETECTED'")
msi_sql("INSERT INTO `Upgrade` (`UpgradeCode`, `VersionMax`, `Attributes`, `ActionProperty`) VALUES ('{${upgrade_code}}', '${version}', 0, 'WIX_UPGRADE_DETECTED')")
# Properties the install's elevated part takes from the command line and the searches.
msi_sql("UPDATE `Property` SET `Value` = 'WIX_DOWNGRADE_DETECTED;WIX_UPGRADE_DETECTED;ADDTOPATH;PATHCHOSEN;SETUPPROGRAMINSTALL' WHERE `Property` = 'SecureCustomProperties'")

if(NOT CPACK_FILECONVERTER_SIGN STREQUAL "")
  execute_process(COMMAND "${CPACK_FILECONVERTER_SIGN}" "${msi}" COMMAND_ERROR_IS_FATAL ANY)
endif()
set(CPACK_EXTERNAL_BUILT_PACKAGES "${msi}")
