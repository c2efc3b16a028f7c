# SPDX-License-Identifier: GPL-3.0-or-later
# -DMORVANE_SANITIZE=address,undefined instruments every target of the build.
set(MORVANE_SANITIZE "" CACHE STRING "Comma-separated sanitizers (address,undefined,...)")

if(MORVANE_SANITIZE)
  add_compile_options(-fsanitize=${MORVANE_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${MORVANE_SANITIZE})
endif()
