# SPDX-License-Identifier: GPL-3.0-or-later
# Whether the test suite is built. The programs themselves need none of this.
#   MORVANE_BUILD_TESTS=AUTO  (default) when GoogleTest and every program the tests run are found
#   MORVANE_BUILD_TESTS=ON    always; a missing piece stops the configuration (scripts/test asks for this)
#   MORVANE_BUILD_TESTS=OFF   never
# scripts/bootstrap installs all of it. Sets MORVANE_TESTS to whether the tests are built.
set(MORVANE_BUILD_TESTS AUTO CACHE STRING "Build the test suite: AUTO (when its tools are found), ON or OFF")
set_property(CACHE MORVANE_BUILD_TESTS PROPERTY STRINGS AUTO ON OFF)
set(MORVANE_CORPUS_DIR "${CMAKE_BINARY_DIR}/corpus" CACHE PATH "Where the generated test corpus goes")
# Optional: where the shared corpus tools lie. When its corpus/check_clean.sh exists, the tests run it
# over their outputs as a second opinion beside the project's own checker; nothing needs it.
set(MORVANE_SHARED_DIR "${PROJECT_SOURCE_DIR}/../shared" CACHE PATH
  "Optional folder whose corpus/check_clean.sh gives the tests a second opinion")

set(MORVANE_TESTS OFF)
string(TOUPPER "${MORVANE_BUILD_TESTS}" _morvane_tests_wanted)
if(NOT _morvane_tests_wanted STREQUAL "AUTO" AND NOT MORVANE_BUILD_TESTS)
  return()
endif()

set(_morvane_missing "")
find_package(GTest QUIET)
if(NOT GTest_FOUND)
  list(APPEND _morvane_missing "GoogleTest (libgtest-dev)")
endif()
find_package(Qt6 QUIET COMPONENTS Test)
if(NOT Qt6Test_FOUND)
  list(APPEND _morvane_missing "Qt Test (qt6-base-dev)")
endif()
pkg_check_modules(XCB QUIET IMPORTED_TARGET xcb)
if(NOT XCB_FOUND)
  list(APPEND _morvane_missing "libxcb (libxcb1-dev)")
endif()
# program=Debian package. The tests start them by name, so they are looked for on the PATH only.
foreach(_pair IN ITEMS exiftool=libimage-exiftool-perl perl=perl exiv2=exiv2 convert=imagemagick
                       identify=imagemagick tiffset=libtiff-tools Xvfb=xvfb xdotool=xdotool time=time)
  string(REPLACE "=" ";" _pair "${_pair}")
  list(GET _pair 0 _program)
  list(GET _pair 1 _package)
  find_program(MORVANE_TOOL_${_program} ${_program} NO_CMAKE_SYSTEM_PATH NO_CMAKE_INSTALL_PREFIX)
  if(NOT MORVANE_TOOL_${_program})
    list(APPEND _morvane_missing "${_program} (${_package})")
  endif()
endforeach()
foreach(_profile IN ITEMS sRGB.icc compatibleWithAdobeRGB1998.icc ITULab.icc)
  if(NOT EXISTS "/usr/share/color/icc/${_profile}")
    list(APPEND _morvane_missing "/usr/share/color/icc/${_profile} (icc-profiles-free)")
  endif()
endforeach()

if(NOT _morvane_missing)
  set(MORVANE_TESTS ON)
else()
  list(JOIN _morvane_missing ", " _morvane_missing)
  if(_morvane_tests_wanted STREQUAL "AUTO")
    message(STATUS "Tests left out, missing: ${_morvane_missing}. "
                   "scripts/bootstrap installs them; -DMORVANE_BUILD_TESTS=ON insists on them.")
  else()
    message(FATAL_ERROR "MORVANE_BUILD_TESTS=ON, but the tests need: ${_morvane_missing}. "
                        "scripts/bootstrap installs them.")
  endif()
endif()
