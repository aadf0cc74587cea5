# One interface target carries the project's warning flags; every target of ours links it.
option(QUORVIX_WERROR "Treat compiler warnings as errors (CI builds with it on)" OFF)

add_library(quorvix_warnings INTERFACE)
target_compile_options(quorvix_warnings INTERFACE -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor
  -Wold-style-cast -Wcast-align -Woverloaded-virtual -Wconversion -Wsign-conversion)
if(QUORVIX_WERROR)
  target_compile_options(quorvix_warnings INTERFACE -Werror)
endif()
