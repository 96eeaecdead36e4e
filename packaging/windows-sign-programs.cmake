# Run by CPack for each package once its install tree is staged (CPACK_PRE_BUILD_SCRIPTS): signs the
# programs in it, so that the ZIP, the setup program and the MSI each carry signed programs.
if(CPACK_FILECONVERTER_SIGN STREQUAL "")
  return()
endif()
file(GLOB_RECURSE programs "${CPACK_TEMPORARY_DIRECTORY}/*.exe")
foreach(program IN LISTS programs)
  execute_process(COMMAND "${CPACK_FILECONVERTER_SIGN}" "${program}" COMMAND_ERROR_IS_FATAL ANY)
endforeach()
