# SPDX-License-Identifier: GPL-3.0-or-later
# Third-party libraries, all from Debian's packages (scripts/bootstrap installs them).
find_package(Qt6 6.4 REQUIRED COMPONENTS Core Gui Widgets DBus LinguistTools)
find_package(PkgConfig REQUIRED)
pkg_check_modules(EXIV2 REQUIRED IMPORTED_TARGET exiv2)
pkg_check_modules(LIBJPEG REQUIRED IMPORTED_TARGET libjpeg)
pkg_check_modules(LIBTIFF REQUIRED IMPORTED_TARGET libtiff-4)
pkg_check_modules(IMAGEQUANT REQUIRED IMPORTED_TARGET imagequant)
pkg_check_modules(LCMS2 REQUIRED IMPORTED_TARGET lcms2)
pkg_check_modules(LIBDEFLATE REQUIRED IMPORTED_TARGET libdeflate)
pkg_check_modules(ICU REQUIRED IMPORTED_TARGET icu-i18n icu-uc)
# HEIC/HEIF and AVIF (libheif with its HEVC and AV1 decoders and encoders built in), WebP with its
# demuxer (the first frame of an animation) and muxer (a colour profile beside the bitstream).
pkg_check_modules(LIBHEIF REQUIRED IMPORTED_TARGET libheif)
pkg_check_modules(LIBWEBP REQUIRED IMPORTED_TARGET libwebp libwebpdemux libwebpmux)
# Confinement of the worker processes: the system-call filter.
pkg_check_modules(LIBSECCOMP REQUIRED IMPORTED_TARGET libseccomp)
