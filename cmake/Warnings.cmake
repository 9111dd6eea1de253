# Every target of ours gets the same strict warnings. Our presets and CI turn them into errors so
# that none accumulate; a user's plain build only shows them, since a newer or older compiler may
# warn where ours does not.
option(VX_WARNINGS_AS_ERRORS "Treat compiler warnings as errors" OFF)

add_library(vx_warnings INTERFACE)
target_compile_options(vx_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wold-style-cast -Wcast-align
  -Woverloaded-virtual -Wconversion -Wsign-conversion -Wdouble-promotion
  -Wformat=2 -Wimplicit-fallthrough)
if(VX_WARNINGS_AS_ERRORS)
  target_compile_options(vx_warnings INTERFACE -Werror)
endif()
# GCC 12 reports impossible overlaps inside std::basic_string at -O2 (a known false positive of
# its -Wrestrict); it says nothing about our code.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  target_compile_options(vx_warnings INTERFACE -Wno-restrict)
endif()
# -Wnull-dereference is left out: with optimisation GCC 12 reports it inside libstdc++ (streams,
# tuples) where no null pointer can occur, and only in the optimised builds.
