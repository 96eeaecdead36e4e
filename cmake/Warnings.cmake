# One place for the warning flags every target of the project is built with.
add_library(project_warnings INTERFACE)
# C++ alone: the Windows resource compiler takes none of them.
target_compile_options(project_warnings INTERFACE "$<$<COMPILE_LANGUAGE:CXX>:-Wall;-Wextra;-Wpedantic>"
  "$<$<AND:$<COMPILE_LANGUAGE:CXX>,$<BOOL:${FILECONVERTER_WERROR}>>:-Werror>")
