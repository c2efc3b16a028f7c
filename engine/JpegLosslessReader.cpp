// SPDX-License-Identifier: GPL-3.0-or-later
// The lossless JPEG writer's reader: the source's headers, its first scan as our walker takes it, and
// its coefficients through libjpeg, turned into the output's planes.
#include "engine/JpegLosslessPrivate.h"
#include "engine/PixelPool.h"

#include <algorithm>
#include <cstdint>
#include <limits>

using namespace JpegLosslessPrivate;
using namespace JpegPrivate;

namespace JpegLosslessPrivate {

bool readFrame(Decompressor& d, const QByteArray& data, SourceFrame& frame)
{
    jpeg_decompress_struct& cinfo = d.cinfo;
    if (setjmp(d.errors.jump))
        return false;

    startReading(cinfo, data);
    if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK)
        return false;

    frame.width = int(cinfo.image_width);
    frame.height = int(cinfo.image_height);
    frame.colorSpace = cinfo.jpeg_color_space;
    frame.sawAdobeMarker = cinfo.saw_Adobe_marker;
    frame.restartInterval = int(cinfo.restart_interval);
    frame.components.resize(size_t(cinfo.num_components));
    for (int i = 0; i < cinfo.num_components; ++i) {
        frame.maxHSampling = std::max(frame.maxHSampling, cinfo.comp_info[i].h_samp_factor);
        frame.maxVSampling = std::max(frame.maxVSampling, cinfo.comp_info[i].v_samp_factor);
    }
    for (int i = 0; i < cinfo.num_components; ++i) {
        const jpeg_component_info& in = cinfo.comp_info[i];
        FrameComponent& out = frame.components[size_t(i)];
        out.id = in.component_id;
        out.hSampling = in.h_samp_factor;
        out.vSampling = in.v_samp_factor;
        out.quantTable = in.quant_tbl_no;
        // As libjpeg sizes a component: its samples rounded up to whole blocks.
        out.widthInBlocks = int(
            (qint64(frame.width) * in.h_samp_factor + 8 * frame.maxHSampling - 1) / (8 * frame.maxHSampling));
        out.heightInBlocks = int((qint64(frame.height) * in.v_samp_factor + 8 * frame.maxVSampling - 1)
            / (8 * frame.maxVSampling));
    }
    for (int t = 0; t < NUM_QUANT_TBLS; ++t) {
        if (const JQUANT_TBL* table = cinfo.quant_tbl_ptrs[t]) {
            std::array<quint16, 64> values {};
            std::copy(std::begin(table->quantval), std::end(table->quantval), values.begin());
            frame.quantTables[size_t(t)] = values;
        }
    }
    const auto copyHuffman = [](const JHUFF_TBL* table, std::optional<JpegHuffmanTable>& out) {
        if (!table)
            return;
        JpegHuffmanTable copy;
        std::copy(std::begin(table->bits), std::end(table->bits), copy.counts.begin());
        std::copy(std::begin(table->huffval), std::end(table->huffval), copy.symbols.begin());
        out = copy;
    };
    for (int t = 0; t < NUM_HUFF_TBLS; ++t) {
        copyHuffman(cinfo.dc_huff_tbl_ptrs[t], frame.dcTables[size_t(t)]);
        copyHuffman(cinfo.ac_huff_tbl_ptrs[t], frame.acTables[size_t(t)]);
    }

    frame.scan.resize(size_t(cinfo.comps_in_scan));
    bool tablesDefined = true;
    for (int i = 0; i < cinfo.comps_in_scan; ++i) {
        const jpeg_component_info* component = cinfo.cur_comp_info[i];
        SourceFrame::ScanComponent& entry = frame.scan[size_t(i)];
        entry.frameIndex = component->component_index;
        entry.dcTable = component->dc_tbl_no;
        entry.acTable = component->ac_tbl_no;
        tablesDefined = tablesDefined && entry.dcTable >= 0 && entry.dcTable < NUM_HUFF_TBLS
            && entry.acTable >= 0 && entry.acTable < NUM_HUFF_TBLS && frame.dcTables[size_t(entry.dcTable)]
            && frame.acTables[size_t(entry.acTable)];
    }
    for (const FrameComponent& component : frame.components) {
        tablesDefined = tablesDefined && component.quantTable >= 0 && component.quantTable < NUM_QUANT_TBLS
            && frame.quantTables[size_t(component.quantTable)];
    }
    frame.walkable = !cinfo.progressive_mode && !cinfo.arith_code && cinfo.data_precision == 8
        && cinfo.comps_in_scan == cinfo.num_components && cinfo.comps_in_scan <= MAX_COMPS_IN_SCAN
        && cinfo.Ss == 0 && cinfo.Se == DCTSIZE2 - 1 && cinfo.Ah == 0 && cinfo.Al == 0 && tablesDefined;
    frame.scanOffset = data.size() - qsizetype(cinfo.src->bytes_in_buffer);
    return true;
}

JpegScan scanOf(const SourceFrame& frame, const QByteArray& data)
{
    JpegScan scan;
    scan.data = reinterpret_cast<const std::uint8_t*>(data.constData()) + frame.scanOffset;
    scan.size = size_t(data.size() - frame.scanOffset);
    scan.restartInterval = frame.restartInterval;
    const bool interleaved = frame.scan.size() > 1;
    for (const SourceFrame::ScanComponent& entry : frame.scan) {
        const FrameComponent& component = frame.components[size_t(entry.frameIndex)];
        JpegScanComponent out;
        out.mcuWidth = interleaved ? component.hSampling : 1;
        out.mcuHeight = interleaved ? component.vSampling : 1;
        out.widthInBlocks = component.widthInBlocks;
        out.heightInBlocks = component.heightInBlocks;
        out.dcTable = &*frame.dcTables[size_t(entry.dcTable)];
        out.acTable = &*frame.acTables[size_t(entry.acTable)];
        scan.components.push_back(out);
    }
    if (interleaved) {
        scan.mcusAcross = int((qint64(frame.width) + 8 * frame.maxHSampling - 1) / (8 * frame.maxHSampling));
        scan.mcusDown = int((qint64(frame.height) + 8 * frame.maxVSampling - 1) / (8 * frame.maxVSampling));
    } else {
        scan.mcusAcross = scan.components.front().widthInBlocks;
        scan.mcusDown = scan.components.front().heightInBlocks;
    }
    return scan;
}

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
