// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/formats/jpeg/JpegFrame.h"

#include <algorithm>
#include <cstdint>

namespace JpegPrivate {

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

} // namespace JpegPrivate
