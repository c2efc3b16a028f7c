// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>

/// A QImage of \a width x \a height in \a format whose pixel memory (when it is large) comes from a
/// small per-thread pool. A worker that converts one photo after another then writes into pages it has
/// touched before instead of asking the kernel for fresh ones, which for a 24-megapixel frame costs tens
/// of milliseconds of page faults. Contents are uninitialised. Null when the memory cannot be had.
/// Any thread; the image may be released on another thread than the one that made it.
[[nodiscard]] QImage pooledImage(int width, int height, QImage::Format format);

/// Frees the block this thread keeps for its next frame, for a thread that will not convert for a while.
void releasePooledPixels();
