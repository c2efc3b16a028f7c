// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the source files of the lossless JPEG writer share: JpegLossless.cpp chooses the path, the reader
// (JpegLosslessReader.cpp) takes the source's headers and coefficients, the writer
// (JpegLosslessWriter.cpp) writes the output around the source's own scan or from coefficient planes.
// Their libjpeg error manager and destination are those of JpegPrivate.h, the source's frame that of
// JpegFrame.h. Private to the lossless writer.

#include "engine/formats/jpeg/JpegFrame.h"
#include "engine/formats/jpeg/JpegPrivate.h"
#include "engine/formats/jpeg/JpegScan.h"
#include "engine/formats/jpeg/lossless/JpegLossless.h"

#include <QByteArray>
#include <QImage>
#include <QString>

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace JpegLosslessPrivate {

using JpegPrivate::Compressor;
using JpegPrivate::Decompressor;
using JpegPrivate::FrameComponent;
using JpegPrivate::readFrame;
using JpegPrivate::scanOf;
using JpegPrivate::SourceFrame;

/// The quantisers that multiply a coefficient other than zero in some block: by quantisation table, bit i
/// for natural (row-major) index i of the source's blocks.
using QuantiserUse = std::array<std::uint64_t, NUM_QUANT_TBLS>;

/// The value written for a quantiser whose coefficient is zero in every block of every component that
/// uses its table. Any value there decodes to the same pixels; a fixed one tells nothing of the source.
inline constexpr quint16 kIdleQuantiser = 1;

/// Sets each quantiser of \a frame's tables that \a use does not mark to kIdleQuantiser.
void idleUnusedQuantisers(SourceFrame& frame, const QuantiserUse& use);

/// Whether \a table is, byte for byte, one of the standard Huffman tables of JPEG's Annex K (libjpeg's
/// defaults): for \a dc the DC luminance or chrominance table, else the AC one.
[[nodiscard]] bool isStandardHuffmanTable(const JpegHuffmanTable& table, bool dc);

/// Whether \a table lists no symbol twice and no more than 256 symbols: then which of its codes a scan
/// uses follows from the symbols it decodes.
[[nodiscard]] bool listsEachSymbolOnce(const JpegHuffmanTable& table);

/// An application segment of the output: its marker and payload.
struct Segment
{
    int marker = 0;
    QByteArray payload;
};

/// The output's coefficients: one plane of blocks per component, in the turned frame's layout, all in
/// one block of memory from the frame pool.
struct CoefficientPlanes
{
    struct Plane
    {
        JCOEF* blocks = nullptr;
        int width = 0; ///< in blocks, turned
        int height = 0;
        int hSampling = 1; ///< turned
        int vSampling = 1;
        std::vector<JBLOCKROW> rows; ///< what libjpeg's writer reads, one pointer per block row
        /// Where block (x, y) of the source component lands: origin + (x * stepX + y * stepY) * 64.
        JCOEF* origin = nullptr;
        std::ptrdiff_t stepX = 0;
        std::ptrdiff_t stepY = 0;
    };

    QImage memory;
    std::vector<Plane> planes;
    int width = 0; ///< of the turned frame, in pixels
    int height = 0;
};

/// How often each symbol occurs in one component's coded blocks: what an encoder needs for Huffman
/// tables made for the image.
struct SymbolCounts
{
    std::array<std::uint64_t, 17> dc {}; ///< by the size of the DC difference
    std::array<std::uint32_t, 256> ac {};
};

// The reader

/// Lays out the planes of the frame turned for EXIF \a orientation in memory from the frame pool, with
/// where each source block lands. False when the memory cannot be had.
[[nodiscard]] bool allocatePlanes(const SourceFrame& frame, Orientation orientation, CoefficientPlanes& out);

enum class ReadOutcome { Read, Unrefined, TablesDiffer, Failed };
/// Reads the source's coefficients with libjpeg and turns them into \a planes, marking in \a use the
/// quantisers that multiply a coefficient other than zero. A source of several scans may define a
/// quantisation table only before the scan of the components that use it, or define a slot anew between
/// scans: libjpeg decodes each component with the table its slot held at the component's first scan,
/// and those tables replace \a frame's. Unrefined for a progressive source whose scans leave
/// coefficients unsent or unrefined: decoders estimate those from the neighbouring blocks (libjpeg's
/// block smoothing), so its pixels are not its coefficients alone. TablesDiffer when components that
/// share a slot were decoded with different tables, which one slot of the output cannot state.
[[nodiscard]] ReadOutcome readCoefficients(Decompressor& d, const QByteArray& data, SourceFrame& frame,
    const JpegBlockTurn& turn, CoefficientPlanes& planes, QuantiserUse& use);

// The writer

/// The application segments of the output: JFIF with the density, Adobe where the colour transform
/// needs it, the profile. Decoders take a three-component frame with a JFIF segment for YCbCr, so an
/// RGB frame gets no JFIF (and no density); a four-component frame's meaning rests on the Adobe
/// segment alone, which is written exactly when the source had one.
[[nodiscard]] std::vector<Segment> headerSegments(
    const LosslessJpegOptions& options, const SourceFrame& frame);
/// Writes the upright source again around its own scan bytes: new header segments, the tables and
/// frame it was coded with, the scan as it is, EOI. The system's error number when a write fails, else 0.
[[nodiscard]] int writeWithScanCopied(const SourceFrame& frame, const std::vector<Segment>& segments,
    const char* scanData, size_t scanLength, int fd);
/// The DC symbols of the turned planes in the order an encoder codes them (one interleaved scan, or the
/// blocks row by row for a single component), with the padding blocks it adds at the right and bottom
/// edges of an interleaved scan (no DC difference, an empty AC part).
void countDcSymbols(const CoefficientPlanes& planes, std::vector<SymbolCounts>& counts);
/// Whether every counted symbol fits an 8-bit JPEG: DC differences of at most 11 bits, AC values of at
/// most 10. libjpeg's decoder accepts larger ones, but its encoder would code them with no code at all.
[[nodiscard]] bool countsFitEightBits(const std::vector<SymbolCounts>& counts);
/// Writes the planes with libjpeg's coefficient writer: one baseline scan, Huffman tables made from
/// \a counts when given (else counted by libjpeg in a pass of its own), which code exactly the symbols
/// counted, no restart markers. The blocks of an interleaved scan's edge MCUs beyond the planes are
/// written as libjpeg pads: the DC of the block before them and no AC coefficient.
[[nodiscard]] LosslessJpegResult writePlanes(const SourceFrame& frame, const JpegBlockTurn& turn,
    const std::vector<Segment>& segments, CoefficientPlanes& planes, const std::vector<SymbolCounts>* counts,
    int fd, QString* reason);
/// "cannot write the output" with the system's words for \a error.
[[nodiscard]] QString outputWriteFailure(int error);

} // namespace JpegLosslessPrivate
