// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

/// Once per process: Exiv2's XMP parser set up for threads and its log messages recorded as library
/// messages (see LibraryMessages.h) instead of printed. Every entry point that uses Exiv2 calls it first.
/// Idempotent and thread-safe.
void initializeMetadataLibrary();
