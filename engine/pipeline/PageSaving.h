// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <optional>

class WorkFile;

/// What became of a TIFF of several pages written page by page.
enum class PageSavingResult {
    Written, ///< every page is in the file
    FirstPageOnly, ///< the pages cannot all be written (the reason says why); the file may hold part of one
    Failed, ///< writing failed; the file may hold part of an output
};

/// The most pages a file may have for every page to be written; one with more keeps its first page.
inline constexpr int kMaxWrittenPages = 10000;

/// Writes every page of the TIFF at \a sourcePath into \a file as a TIFF of as many pages, each decoded,
/// turned upright by its own orientation tag when \a fixOrientation is set, and drawn as a load and save
/// of a single-page TIFF would (IICreateImage, IIDrawImageForSaving), with the resolution the page
/// states (unit "none" and 1:1 for one that states none), orientation 1 and its cleaned colour profile:
/// nothing else of the source (TiffPageWriter). Reduced-resolution images and masks are not pages and
/// are left out.
///
/// Null, with nothing written, when the file cannot be read, is not a TIFF by its content or has one page:
/// the usual path applies. FirstPageOnly, with the reason in \a reason, when a page cannot be decoded or
/// drawn, or the pages together exceed the engine's pixel bound (kMaxDecodedPixels) or kMaxWrittenPages:
/// no page is ever written from undefined pixels, and the caller drops \a file and writes the first page
/// the usual way into a fresh work file, with the reason as a note. Failed, with the reason, when the file
/// could not be written; the caller drops it. Thread-safe; one file per call.
[[nodiscard]] std::optional<PageSavingResult> saveTiffPages(
    const QString& sourcePath, bool fixOrientation, WorkFile& file, QString* reason = nullptr);
