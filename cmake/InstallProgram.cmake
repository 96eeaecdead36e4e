# Installs a program into bin/. A stripped install (cmake --install --strip, and the Debian package)
# also drops the .comment section, where each object file leaves the version of the compiler that
# built it: strip keeps that section, and a shipped program has no use for it.
function(install_program target)
  install(TARGETS ${target} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(CODE "
    if(CMAKE_INSTALL_DO_STRIP)
      execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment
                              \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/$<TARGET_FILE_NAME:${target}>\"
                      COMMAND_ERROR_IS_FATAL ANY)
    endif()")
endfunction()
