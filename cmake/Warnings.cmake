# One place for the warning flags every target of the project is built with.
add_library(project_warnings INTERFACE)
target_compile_options(project_warnings INTERFACE -Wall -Wextra -Wpedantic
  $<$<BOOL:${FILECONVERTER_WERROR}>:-Werror>)
