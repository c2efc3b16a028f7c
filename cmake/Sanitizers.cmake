# SPDX-License-Identifier: GPL-3.0-or-later
# Sanitizers as an interface target that every project target links, as it links morvane_warnings:
# -DMORVANE_SANITIZE=address,undefined instruments the code built here, not the system's libraries.
# With MORVANE_BUILD_FUZZ it also carries libFuzzer's coverage instrumentation for every target the fuzz
# targets link.
set(MORVANE_SANITIZE "" CACHE STRING "Comma-separated sanitizers (address,undefined,...)")

add_library(morvane_sanitizers INTERFACE)
add_library(Morvane::sanitizers ALIAS morvane_sanitizers)
if(MORVANE_SANITIZE)
  target_compile_options(morvane_sanitizers INTERFACE
    -fsanitize=${MORVANE_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  target_link_options(morvane_sanitizers INTERFACE -fsanitize=${MORVANE_SANITIZE})
endif()
if(MORVANE_BUILD_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "MORVANE_BUILD_FUZZ needs clang: configure with -DCMAKE_CXX_COMPILER=clang++")
  endif()
  target_compile_options(morvane_sanitizers INTERFACE -fsanitize=fuzzer-no-link)
endif()
