# SPDX-License-Identifier: GPL-3.0-or-later
# Compiler warnings as an interface target that every project target links, one set per compiler.
# The conversion warnings (-Wconversion, -Wsign-conversion) hold for the whole tree: a narrowing or a
# change of sign is spelled out where it is meant.
option(MORVANE_WARNINGS_AS_ERRORS "Treat compiler warnings as errors" OFF)

add_library(morvane_warnings INTERFACE)
add_library(Morvane::warnings ALIAS morvane_warnings)

set(_morvane_common_warnings -Wall -Wextra -Wpedantic -Wnon-virtual-dtor -Woverloaded-virtual -Wconversion
                             -Wsign-conversion)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  target_compile_options(morvane_warnings INTERFACE ${_morvane_common_warnings} -Wshadow=local
                                                    -Wduplicated-cond -Wlogical-op)
elseif(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  target_compile_options(morvane_warnings INTERFACE ${_morvane_common_warnings} -Wshadow-uncaptured-local
                                                    -Wimplicit-fallthrough -Wextra-semi)
else()
  message(WARNING "No warning set for the ${CMAKE_CXX_COMPILER_ID} compiler: only -Wall")
  target_compile_options(morvane_warnings INTERFACE -Wall)
endif()
if(MORVANE_WARNINGS_AS_ERRORS)
  target_compile_options(morvane_warnings INTERFACE -Werror)
endif()
