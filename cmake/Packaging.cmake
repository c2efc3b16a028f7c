# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian package: `cpack -G DEB` in a build folder configured with CMAKE_INSTALL_PREFIX=/usr packs
# what the install rules put on the system (scripts/package does both). The libraries the package
# depends on are read from the binaries by dpkg-shlibdeps.
include(GNUInstallDirs)

set(MORVANE_PACKAGE_MAINTAINER "The Morvane developers <morvane@noreply.codeberg.org>"
    CACHE STRING "Maintainer of the Debian package (name <address>)")
set(MORVANE_HOMEPAGE "https://codeberg.org/morvane/morvane")

# The documentation folder Debian looks in: the licence in Debian's machine-readable form and the
# package's changelog (one entry per version; the date is that of SOURCE_DATE_EPOCH when set, so that
# the package is reproducible).
set(MORVANE_PACKAGE_DOCDIR "${CMAKE_INSTALL_DATAROOTDIR}/doc/morvane")
string(TIMESTAMP MORVANE_PACKAGE_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
configure_file("${PROJECT_SOURCE_DIR}/resources/package/changelog.in" "${PROJECT_BINARY_DIR}/package/changelog"
               @ONLY)
add_custom_command(
  OUTPUT "${PROJECT_BINARY_DIR}/package/changelog.gz"
  COMMAND gzip -9n -c "${PROJECT_BINARY_DIR}/package/changelog" > "${PROJECT_BINARY_DIR}/package/changelog.gz"
  DEPENDS "${PROJECT_BINARY_DIR}/package/changelog"
  VERBATIM)
add_custom_target(morvane_package_docs ALL DEPENDS "${PROJECT_BINARY_DIR}/package/changelog.gz")
install(FILES "${PROJECT_SOURCE_DIR}/resources/package/copyright" "${PROJECT_BINARY_DIR}/package/changelog.gz"
        DESTINATION "${MORVANE_PACKAGE_DOCDIR}")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME morvane)
set(CPACK_PACKAGE_VENDOR "The Morvane developers")
set(CPACK_PACKAGE_CONTACT "${MORVANE_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "remove metadata from photographs in batches")
# Debian shows the description as it is: lines of at most 80 characters, a blank line between
# paragraphs.
set(CPACK_PACKAGE_DESCRIPTION "Morvane saves clean copies of photographs without their metadata: EXIF, GPS,
IPTC and XMP blocks, comments, maker data and the texts of colour profiles.
Gather JPEG, PNG, GIF, BMP, TIFF, HEIC/HEIF, AVIF and WebP files into a list,
choose an output folder and start the run; every image is decoded, optionally
turned upright by its orientation tag, and encoded again. Sources are never changed and no existing
file is ever replaced.

The package holds the window (morvane) and the command line (morvane-cli),
which runs the same job without a display, on every core.")
set(CPACK_PACKAGING_INSTALL_PREFIX "${CMAKE_INSTALL_PREFIX}")
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${MORVANE_HOMEPAGE}")
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt loads its TIFF reader and writer as a plugin at run time, where dpkg-shlibdeps cannot see it.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-image-formats-plugins")
# The window's own translations are compiled in; Qt's words in its standard dialogs and buttons come from
# the system's qtbase_<language>.qm, without which those stay English.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")

include(CPack)
