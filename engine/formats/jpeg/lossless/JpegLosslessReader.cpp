// SPDX-License-Identifier: GPL-3.0-or-later
// The lossless JPEG writer's reader: the source's coefficients through libjpeg, turned into the output's
// planes.
#include "engine/core/PixelPool.h"
#include "engine/formats/jpeg/lossless/JpegLosslessPrivate.h"

#include <algorithm>
#include <cstdint>
#include <limits>

using namespace JpegLosslessPrivate;
using namespace JpegPrivate;

namespace JpegLosslessPrivate {

bool allocatePlanes(const SourceFrame& frame, Orientation orientation, CoefficientPlanes& out)
{
    const OrientationSteps steps = stepsOf(orientation);
    const bool swaps = steps.transposes;
    const bool single = frame.components.size() == 1;
    out.width = swaps ? frame.height : frame.width;
    out.height = swaps ? frame.width : frame.height;
    qint64 totalBlocks = 0;
    for (const FrameComponent& component : frame.components)
        totalBlocks += qint64(component.widthInBlocks) * component.heightInBlocks;
    // The pool hands out images: the planes take one of 64 KiB rows (512 blocks per row).
    constexpr int kBlocksPerRow = 512;
    // One row more, to start the blocks on a cache line.
    const qint64 rows = (totalBlocks + kBlocksPerRow - 1) / kBlocksPerRow + 1;
    if (rows <= 0 || rows > std::numeric_limits<int>::max())
        return false;
    out.memory = pooledImage(kBlocksPerRow * int(sizeof(JBLOCK)), int(rows), QImage::Format_Grayscale8);
    if (out.memory.isNull())
        return false;
    const auto aligned = (reinterpret_cast<std::uintptr_t>(out.memory.bits()) + 63) & ~std::uintptr_t(63);
    auto* next = reinterpret_cast<JCOEF*>(aligned);

    out.planes.resize(frame.components.size());
    for (size_t c = 0; c < frame.components.size(); ++c) {
        const FrameComponent& component = frame.components[c];
        CoefficientPlanes::Plane& plane = out.planes[c];
        const int sourceWidth = component.widthInBlocks;
        const int sourceHeight = component.heightInBlocks;
        plane.blocks = next;
        next += qint64(sourceWidth) * sourceHeight * DCTSIZE2;
        plane.width = swaps ? sourceHeight : sourceWidth;
        plane.height = swaps ? sourceWidth : sourceHeight;
        // A single component is one block per MCU whatever its factors say.
        plane.hSampling = single ? 1 : (swaps ? component.vSampling : component.hSampling);
        plane.vSampling = single ? 1 : (swaps ? component.hSampling : component.vSampling);
        const int rowCount = (plane.height + plane.vSampling - 1) / plane.vSampling * plane.vSampling;
        plane.rows.resize(size_t(rowCount));
        for (int r = 0; r < rowCount; ++r)
            plane.rows[size_t(r)] = reinterpret_cast<JBLOCKROW>(plane.blocks)
                + qint64(std::min(r, plane.height - 1)) * plane.width;

        qint64 x0 = 0, y0 = 0, x1 = 0, y1 = 0, x2 = 0, y2 = 0;
        uprightPosition<qint64>(steps, sourceWidth, sourceHeight, 0, 0, x0, y0);
        uprightPosition<qint64>(steps, sourceWidth, sourceHeight, 1, 0, x1, y1);
        uprightPosition<qint64>(steps, sourceWidth, sourceHeight, 0, 1, x2, y2);
        const qint64 start = y0 * plane.width + x0;
        plane.origin = plane.blocks + start * DCTSIZE2;
        plane.stepX = std::ptrdiff_t(y1 * plane.width + x1 - start);
        plane.stepY = std::ptrdiff_t(y2 * plane.width + x2 - start);
    }
    return true;
}

/// Reads the source's coefficients with libjpeg and turns them into \a planes.
ReadOutcome readCoefficients(Decompressor& d, const QByteArray& data, SourceFrame& frame,
    const JpegBlockTurn& turn, CoefficientPlanes& planes, QuantiserUse& use)
{
    jpeg_decompress_struct& cinfo = d.cinfo;
    if (setjmp(d.errors.jump))
        return ReadOutcome::Failed;

    startReading(cinfo, data);
    if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK)
        return ReadOutcome::Failed;
    if (size_t(cinfo.num_components) != planes.planes.size())
        return ReadOutcome::Failed;
    jvirt_barray_ptr* arrays = jpeg_read_coefficients(&cinfo);
    if (cinfo.progressive_mode && cinfo.coef_bits) {
        for (int c = 0; c < cinfo.num_components; ++c) {
            for (int k = 0; k < DCTSIZE2; ++k) {
                if (cinfo.coef_bits[c][k] != 0)
                    return ReadOutcome::Unrefined;
            }
        }
    }
    std::array<std::optional<std::array<quint16, 64>>, NUM_QUANT_TBLS> latched;
    for (int c = 0; c < cinfo.num_components; ++c) {
        const JQUANT_TBL* table = cinfo.comp_info[c].quant_table;
        const int slot = frame.components[size_t(c)].quantTable;
        if (!table || slot < 0 || slot >= NUM_QUANT_TBLS)
            continue; // in no scan: its blocks are all zero, but its slot must still hold a table
        std::array<quint16, 64> values {};
        std::copy(std::begin(table->quantval), std::end(table->quantval), values.begin());
        if (latched[size_t(slot)] && *latched[size_t(slot)] != values)
            return ReadOutcome::TablesDiffer;
        latched[size_t(slot)] = values;
    }
    for (size_t t = 0; t < latched.size(); ++t) {
        if (latched[t])
            frame.quantTables[t] = latched[t];
    }
    for (const FrameComponent& component : frame.components) {
        if (component.quantTable < 0 || component.quantTable >= NUM_QUANT_TBLS
            || !frame.quantTables[size_t(component.quantTable)])
            return ReadOutcome::Failed;
    }
    for (int c = 0; c < cinfo.num_components; ++c) {
        const CoefficientPlanes::Plane& plane = planes.planes[size_t(c)];
        const FrameComponent& component = frame.components[size_t(c)];
        if (int(cinfo.comp_info[c].width_in_blocks) != component.widthInBlocks
            || int(cinfo.comp_info[c].height_in_blocks) != component.heightInBlocks)
            return ReadOutcome::Failed;
        std::uint64_t nonzero = 0;
        for (int y = 0; y < component.heightInBlocks; ++y) {
            const JBLOCKROW row = (*cinfo.mem->access_virt_barray)(
                reinterpret_cast<j_common_ptr>(&cinfo), arrays[c], JDIMENSION(y), 1, FALSE)[0];
            for (int x = 0; x < component.widthInBlocks; ++x) {
                const JCOEF* in = row[x];
                JCOEF* out = plane.origin + (x * plane.stepX + y * plane.stepY) * DCTSIZE2;
                for (int i = 0; i < DCTSIZE2; ++i) {
                    out[turn.position[size_t(i)]]
                        = JCOEF((in[i] ^ turn.negate[size_t(i)]) - turn.negate[size_t(i)]);
                    nonzero |= std::uint64_t(in[i] != 0) << i;
                }
            }
        }
        use[size_t(component.quantTable)] |= nonzero;
    }
    return ReadOutcome::Read;
}

} // namespace JpegLosslessPrivate
