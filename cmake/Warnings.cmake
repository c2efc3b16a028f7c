# SPDX-License-Identifier: GPL-3.0-or-later
# Compiler warnings as an interface target that every project target links.
option(MORVANE_WARNINGS_AS_ERRORS "Treat compiler warnings as errors" OFF)

add_library(morvane_warnings INTERFACE)
add_library(Morvane::warnings ALIAS morvane_warnings)
target_compile_options(morvane_warnings INTERFACE -Wall -Wextra -Wpedantic -Wshadow=local -Wnon-virtual-dtor
                                                  -Woverloaded-virtual)
if(MORVANE_WARNINGS_AS_ERRORS)
  target_compile_options(morvane_warnings INTERFACE -Werror)
endif()
