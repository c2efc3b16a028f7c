// SPDX-License-Identifier: GPL-3.0-or-later
// The lossless JPEG writer's writer: the output's header segments, the output around the source's own
// scan, and the output from coefficient planes through libjpeg's coefficient writer, which reads the
// planes through our memory manager's block-array access and codes them with tables made for them.
#include "engine/core/ConversionReasons.h"
#include "engine/formats/jpeg/lossless/JpegLosslessPrivate.h"

#include <algorithm>
#include <cstdlib>

using namespace JpegLosslessPrivate;
using namespace JpegPrivate;

namespace {

void appendBigEndian16(QByteArray& bytes, int value)
{
    bytes.append(char((value >> 8) & 0xFF));
    bytes.append(char(value & 0xFF));
}

void appendSegment(QByteArray& out, int marker, const QByteArray& payload)
{
    out.append(char(0xFF));
    out.append(char(marker));
    appendBigEndian16(out, int(payload.size()) + 2);
    out.append(payload);
}

/// The planes as libjpeg's writer sees them: it asks the memory manager for block rows of the arrays it
/// was given, and ours answers for the planes, whose pointers stand in for the arrays.
JBLOCKARRAY accessPlane(
    j_common_ptr cinfo, jvirt_barray_ptr array, JDIMENSION firstRow, JDIMENSION rowCount, boolean)
{
    auto* plane = reinterpret_cast<CoefficientPlanes::Plane*>(array);
    if (size_t(firstRow) + rowCount > plane->rows.size())
        ERREXIT(cinfo, JERR_BAD_VIRTUAL_ACCESS);
    return plane->rows.data() + firstRow;
}

/// Fills \a table with the optimal Huffman code of at most 16 bits for \a counts (JPEG's Annex K.2 and
/// K.3, as libjpeg makes it), reserving the all-ones code. Only the symbols counted get a code, so the
/// table holds nothing the scan does not use; the counts must therefore be exactly those the encoder
/// meets.
void fillOptimalTable(const std::array<std::uint64_t, 256>& counts, JHUFF_TBL& table)
{
    std::array<std::uint64_t, 257> frequency {};
    std::copy(counts.begin(), counts.end(), frequency.begin());
    frequency[256] = 1; // the reserved code point
    std::array<int, 257> codeSize {};
    std::array<int, 257> others {};
    others.fill(-1);
    for (;;) {
        // The two least frequent; on a tie the larger symbol, so that the reserved one ends longest.
        int c1 = -1;
        int c2 = -1;
        for (int i = 0; i <= 256; ++i) {
            if (frequency[size_t(i)] != 0 && (c1 < 0 || frequency[size_t(i)] <= frequency[size_t(c1)]))
                c1 = i;
        }
        for (int i = 0; i <= 256; ++i) {
            if (frequency[size_t(i)] != 0 && i != c1
                && (c2 < 0 || frequency[size_t(i)] <= frequency[size_t(c2)]))
                c2 = i;
        }
        if (c2 < 0)
            break;
        frequency[size_t(c1)] += frequency[size_t(c2)];
        frequency[size_t(c2)] = 0;
        ++codeSize[size_t(c1)];
        while (others[size_t(c1)] >= 0) {
            c1 = others[size_t(c1)];
            ++codeSize[size_t(c1)];
        }
        others[size_t(c1)] = c2;
        ++codeSize[size_t(c2)];
        while (others[size_t(c2)] >= 0) {
            c2 = others[size_t(c2)];
            ++codeSize[size_t(c2)];
        }
    }
    constexpr int kMaxLength = 257; // a code can be no longer than there are symbols
    std::array<int, kMaxLength + 1> bits {};
    for (int i = 0; i <= 256; ++i) {
        if (codeSize[size_t(i)] > 0)
            ++bits[size_t(codeSize[size_t(i)])];
    }
    // Shorten codes above 16 bits: two leaves of the longest level move up, a shorter leaf goes down.
    for (int i = kMaxLength; i > 16; --i) {
        while (bits[size_t(i)] > 0) {
            int j = i - 2;
            while (bits[size_t(j)] == 0)
                --j;
            bits[size_t(i)] -= 2;
            ++bits[size_t(i - 1)];
            bits[size_t(j + 1)] += 2;
            --bits[size_t(j)];
        }
    }
    int longest = 16;
    while (bits[size_t(longest)] == 0)
        --longest;
    --bits[size_t(longest)]; // drop the reserved code
    table.bits[0] = 0;
    for (int i = 1; i <= 16; ++i)
        table.bits[i] = UINT8(bits[size_t(i)]);
    int p = 0;
    for (int length = 1; length <= kMaxLength; ++length) {
        for (int symbol = 0; symbol < 256; ++symbol) {
            if (codeSize[size_t(symbol)] == length)
                table.huffval[p++] = UINT8(symbol);
        }
    }
    table.sent_table = FALSE;
}

/// Puts Huffman tables made for \a counts in the slots the compressor assigned to its components.
void installOptimalTables(jpeg_compress_struct& cinfo, const std::vector<SymbolCounts>& counts)
{
    std::array<std::array<std::uint64_t, 256>, NUM_HUFF_TBLS> dc {};
    std::array<std::array<std::uint64_t, 256>, NUM_HUFF_TBLS> ac {};
    std::array<bool, NUM_HUFF_TBLS> dcUsed {};
    std::array<bool, NUM_HUFF_TBLS> acUsed {};
    for (int c = 0; c < cinfo.num_components; ++c) {
        const auto d = size_t(cinfo.comp_info[c].dc_tbl_no);
        const auto a = size_t(cinfo.comp_info[c].ac_tbl_no);
        dcUsed[d] = acUsed[a] = true;
        for (size_t i = 0; i < counts[size_t(c)].dc.size(); ++i)
            dc[d][i] += counts[size_t(c)].dc[i];
        for (size_t i = 0; i < 256; ++i)
            ac[a][i] += counts[size_t(c)].ac[i];
    }
    const auto common = reinterpret_cast<j_common_ptr>(&cinfo);
    for (size_t t = 0; t < size_t(NUM_HUFF_TBLS); ++t) {
        if (dcUsed[t]) {
            if (!cinfo.dc_huff_tbl_ptrs[t])
                cinfo.dc_huff_tbl_ptrs[t] = jpeg_alloc_huff_table(common);
            fillOptimalTable(dc[t], *cinfo.dc_huff_tbl_ptrs[t]);
        }
        if (acUsed[t]) {
            if (!cinfo.ac_huff_tbl_ptrs[t])
                cinfo.ac_huff_tbl_ptrs[t] = jpeg_alloc_huff_table(common);
            fillOptimalTable(ac[t], *cinfo.ac_huff_tbl_ptrs[t]);
        }
    }
}

/// Writes the planes with libjpeg. With \a counts, one pass with Huffman tables made from them; without,
/// libjpeg counts the symbols itself in a first pass.
bool writeCoefficients(Compressor& c, DescriptorDestination& dest, const SourceFrame& frame,
    const JpegBlockTurn& turn, const std::vector<Segment>& segments, CoefficientPlanes& planes,
    jvirt_barray_ptr* arrays, const std::vector<SymbolCounts>* counts)
{
    jpeg_compress_struct& cinfo = c.cinfo;
    if (setjmp(c.errors.jump))
        return false;

    jpeg_create_compress(&cinfo);
    cinfo.mem->access_virt_barray = accessPlane;
    cinfo.dest = &dest.pub;

    const int componentCount = int(frame.components.size());
    cinfo.image_width = JDIMENSION(planes.width);
    cinfo.image_height = JDIMENSION(planes.height);
    cinfo.input_components = componentCount;
    cinfo.in_color_space = frame.colorSpace;
    jpeg_set_defaults(&cinfo);
    jpeg_set_colorspace(&cinfo, frame.colorSpace);
    if (cinfo.num_components != componentCount)
        return false;
    cinfo.write_JFIF_header = FALSE;
    cinfo.write_Adobe_marker = FALSE;
    if (counts)
        installOptimalTables(cinfo, *counts);
    cinfo.optimize_coding = counts ? FALSE : TRUE;
    for (int i = 0; i < componentCount; ++i) {
        const FrameComponent& in = frame.components[size_t(i)];
        jpeg_component_info& out = cinfo.comp_info[i];
        out.component_id = in.id;
        out.h_samp_factor = planes.planes[size_t(i)].hSampling;
        out.v_samp_factor = planes.planes[size_t(i)].vSampling;
        out.quant_tbl_no = in.quantTable;
        JQUANT_TBL*& table = cinfo.quant_tbl_ptrs[in.quantTable];
        if (!table)
            table = jpeg_alloc_quant_table(reinterpret_cast<j_common_ptr>(&cinfo));
        // Each quantiser stays with its coefficient: a transposed block needs the table transposed.
        const std::array<quint16, 64>& values = *frame.quantTables[size_t(in.quantTable)];
        for (size_t k = 0; k < 64; ++k)
            table->quantval[turn.position[k]] = values[k];
        table->sent_table = FALSE;
    }

    jpeg_write_coefficients(&cinfo, arrays); // writes SOI
    for (const Segment& segment : segments) {
        jpeg_write_marker(&cinfo, segment.marker,
            reinterpret_cast<const JOCTET*>(segment.payload.constData()),
            static_cast<unsigned int>(segment.payload.size()));
    }
    jpeg_finish_compress(&cinfo); // the tables, the frame, the scan, EOI
    return true;
}

} // namespace

namespace JpegLosslessPrivate {

void idleUnusedQuantisers(SourceFrame& frame, const QuantiserUse& use)
{
    for (size_t t = 0; t < frame.quantTables.size(); ++t) {
        if (!frame.quantTables[t])
            continue;
        for (size_t i = 0; i < DCTSIZE2; ++i) {
            if (!(use[t] >> i & 1))
                (*frame.quantTables[t])[i] = kIdleQuantiser;
        }
    }
}

bool isStandardHuffmanTable(const JpegHuffmanTable& table, bool dc)
{
    // JPEG's Annex K.3, as libjpeg's jpeg_set_defaults installs it.
    static constexpr std::uint8_t kDcLuminanceCounts[17]
        = { 0, 0, 1, 5, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0 };
    static constexpr std::uint8_t kDcChrominanceCounts[17]
        = { 0, 0, 3, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0 };
    static constexpr std::uint8_t kDcSymbols[12] = { 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11 };
    static constexpr std::uint8_t kAcLuminanceCounts[17]
        = { 0, 0, 2, 1, 3, 3, 2, 4, 3, 5, 5, 4, 4, 0, 0, 1, 0x7D };
    static constexpr std::uint8_t kAcLuminanceSymbols[162] = { 0x01, 0x02, 0x03, 0x00, 0x04, 0x11, 0x05, 0x12,
        0x21, 0x31, 0x41, 0x06, 0x13, 0x51, 0x61, 0x07, 0x22, 0x71, 0x14, 0x32, 0x81, 0x91, 0xA1, 0x08, 0x23,
        0x42, 0xB1, 0xC1, 0x15, 0x52, 0xD1, 0xF0, 0x24, 0x33, 0x62, 0x72, 0x82, 0x09, 0x0A, 0x16, 0x17, 0x18,
        0x19, 0x1A, 0x25, 0x26, 0x27, 0x28, 0x29, 0x2A, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39, 0x3A, 0x43, 0x44,
        0x45, 0x46, 0x47, 0x48, 0x49, 0x4A, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59, 0x5A, 0x63, 0x64, 0x65,
        0x66, 0x67, 0x68, 0x69, 0x6A, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7A, 0x83, 0x84, 0x85, 0x86,
        0x87, 0x88, 0x89, 0x8A, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97, 0x98, 0x99, 0x9A, 0xA2, 0xA3, 0xA4, 0xA5,
        0xA6, 0xA7, 0xA8, 0xA9, 0xAA, 0xB2, 0xB3, 0xB4, 0xB5, 0xB6, 0xB7, 0xB8, 0xB9, 0xBA, 0xC2, 0xC3, 0xC4,
        0xC5, 0xC6, 0xC7, 0xC8, 0xC9, 0xCA, 0xD2, 0xD3, 0xD4, 0xD5, 0xD6, 0xD7, 0xD8, 0xD9, 0xDA, 0xE1, 0xE2,
        0xE3, 0xE4, 0xE5, 0xE6, 0xE7, 0xE8, 0xE9, 0xEA, 0xF1, 0xF2, 0xF3, 0xF4, 0xF5, 0xF6, 0xF7, 0xF8, 0xF9,
        0xFA };
    static constexpr std::uint8_t kAcChrominanceCounts[17]
        = { 0, 0, 2, 1, 2, 4, 4, 3, 4, 7, 5, 4, 4, 0, 1, 2, 0x77 };
    static constexpr std::uint8_t kAcChrominanceSymbols[162] = { 0x00, 0x01, 0x02, 0x03, 0x11, 0x04, 0x05,
        0x21, 0x31, 0x06, 0x12, 0x41, 0x51, 0x07, 0x61, 0x71, 0x13, 0x22, 0x32, 0x81, 0x08, 0x14, 0x42, 0x91,
        0xA1, 0xB1, 0xC1, 0x09, 0x23, 0x33, 0x52, 0xF0, 0x15, 0x62, 0x72, 0xD1, 0x0A, 0x16, 0x24, 0x34, 0xE1,
        0x25, 0xF1, 0x17, 0x18, 0x19, 0x1A, 0x26, 0x27, 0x28, 0x29, 0x2A, 0x35, 0x36, 0x37, 0x38, 0x39, 0x3A,
        0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49, 0x4A, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59, 0x5A, 0x63,
        0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x6A, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7A, 0x82, 0x83,
        0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8A, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97, 0x98, 0x99, 0x9A, 0xA2,
        0xA3, 0xA4, 0xA5, 0xA6, 0xA7, 0xA8, 0xA9, 0xAA, 0xB2, 0xB3, 0xB4, 0xB5, 0xB6, 0xB7, 0xB8, 0xB9, 0xBA,
        0xC2, 0xC3, 0xC4, 0xC5, 0xC6, 0xC7, 0xC8, 0xC9, 0xCA, 0xD2, 0xD3, 0xD4, 0xD5, 0xD6, 0xD7, 0xD8, 0xD9,
        0xDA, 0xE2, 0xE3, 0xE4, 0xE5, 0xE6, 0xE7, 0xE8, 0xE9, 0xEA, 0xF2, 0xF3, 0xF4, 0xF5, 0xF6, 0xF7, 0xF8,
        0xF9, 0xFA };
    const auto equals = [&table](const std::uint8_t(&counts)[17], const std::uint8_t* symbols, size_t count) {
        return std::equal(table.counts.begin() + 1, table.counts.end(), counts + 1)
            && std::equal(symbols, symbols + count, table.symbols.begin());
    };
    if (dc)
        return equals(kDcLuminanceCounts, kDcSymbols, 12) || equals(kDcChrominanceCounts, kDcSymbols, 12);
    return equals(kAcLuminanceCounts, kAcLuminanceSymbols, 162)
        || equals(kAcChrominanceCounts, kAcChrominanceSymbols, 162);
}

bool listsEachSymbolOnce(const JpegHuffmanTable& table)
{
    size_t count = 0;
    for (size_t length = 1; length <= 16; ++length)
        count += table.counts[length];
    if (count > table.symbols.size())
        return false;
    std::array<bool, 256> seen {};
    for (size_t i = 0; i < count; ++i) {
        if (seen[table.symbols[i]])
            return false;
        seen[table.symbols[i]] = true;
    }
    return true;
}

QString outputWriteFailure(int error)
{
    return ConversionReasons::tr("cannot write the output: %1").arg(systemErrorText(error));
}

std::vector<Segment> headerSegments(const LosslessJpegOptions& options, const SourceFrame& frame)
{
    std::vector<Segment> segments;
    const J_COLOR_SPACE space = frame.colorSpace;
    if (space == JCS_GRAYSCALE || space == JCS_YCbCr || space == JCS_CMYK || space == JCS_YCCK) {
        int unit = 0;
        int x = 1;
        int y = 1;
        const std::optional<quint16> dpiX = jfifDensity(options.dpiX);
        const std::optional<quint16> dpiY = jfifDensity(options.dpiY);
        if (dpiX || dpiY) {
            unit = 1;
            x = dpiX.value_or(dpiY.value_or(1));
            y = dpiY.value_or(quint16(x));
        }
        QByteArray jfif("JFIF\0\x01\x01", 7);
        jfif.append(char(unit));
        appendBigEndian16(jfif, x);
        appendBigEndian16(jfif, y);
        jfif.append("\0\0", 2); // no thumbnail
        segments.push_back({ JPEG_APP0, jfif });
    }
    const bool adobe = space == JCS_RGB || space == JCS_YCCK || (space == JCS_CMYK && frame.sawAdobeMarker);
    if (adobe) {
        QByteArray payload("Adobe\0\x64\0\0\0\0", 11); // version 100, no flags
        payload.append(char(space == JCS_YCCK ? 2 : 0));
        segments.push_back({ JPEG_APP0 + 14, payload });
    }
    const qsizetype profileSize = options.iccProfile.size();
    const qsizetype chunks = (profileSize + kMaxIccDataPerMarker - 1) / kMaxIccDataPerMarker;
    for (qsizetype i = 0; i < chunks; ++i) {
        QByteArray payload("ICC_PROFILE\0", 12);
        payload.append(char(i + 1));
        payload.append(char(chunks));
        payload.append(options.iccProfile.mid(i * kMaxIccDataPerMarker, kMaxIccDataPerMarker));
        segments.push_back({ JPEG_APP0 + 2, payload });
    }
    return segments;
}

int writeWithScanCopied(const SourceFrame& frame, const std::vector<Segment>& segments, const char* scanData,
    size_t scanLength, int fd)
{
    QByteArray head("\xFF\xD8", 2);
    for (const Segment& segment : segments)
        appendSegment(head, segment.marker, segment.payload);

    bool baseline = true;
    std::array<bool, NUM_QUANT_TBLS> quantWritten {};
    for (const FrameComponent& component : frame.components) {
        const auto t = size_t(component.quantTable);
        if (quantWritten[t])
            continue;
        quantWritten[t] = true;
        const std::array<quint16, 64>& values = *frame.quantTables[t];
        const bool wide = std::any_of(values.begin(), values.end(), [](quint16 v) { return v > 255; });
        baseline = baseline && !wide;
        QByteArray dqt;
        dqt.append(char((wide ? 0x10 : 0x00) | int(t)));
        for (int k = 0; k < DCTSIZE2; ++k) {
            const quint16 value = values[size_t(kJpegNaturalOrder[size_t(k)])];
            if (wide)
                appendBigEndian16(dqt, value);
            else
                dqt.append(char(value));
        }
        appendSegment(head, 0xDB, dqt);
    }

    QByteArray dht;
    std::array<bool, 2 * NUM_HUFF_TBLS> huffmanWritten {};
    const auto addTable = [&](int tableClass, int number, const JpegHuffmanTable& table) {
        bool& written = huffmanWritten[size_t(tableClass * NUM_HUFF_TBLS + number)];
        if (written)
            return;
        written = true;
        baseline = baseline && number <= 1;
        dht.append(char(tableClass << 4 | number));
        int symbols = 0;
        for (int length = 1; length <= 16; ++length) {
            dht.append(char(table.counts[size_t(length)]));
            symbols += table.counts[size_t(length)];
        }
        dht.append(reinterpret_cast<const char*>(table.symbols.data()), symbols);
    };
    QByteArray sos;
    sos.append(char(frame.scan.size()));
    for (const SourceFrame::ScanComponent& component : frame.scan) {
        addTable(0, component.dcTable, *frame.dcTables[size_t(component.dcTable)]);
        addTable(1, component.acTable, *frame.acTables[size_t(component.acTable)]);
        sos.append(char(frame.components[size_t(component.frameIndex)].id));
        sos.append(char(component.dcTable << 4 | component.acTable));
    }
    sos.append("\x00\x3F\x00", 3); // Ss = 0, Se = 63, Ah = Al = 0

    QByteArray sof;
    sof.append(char(8));
    appendBigEndian16(sof, frame.height);
    appendBigEndian16(sof, frame.width);
    sof.append(char(frame.components.size()));
    for (const FrameComponent& component : frame.components) {
        sof.append(char(component.id));
        sof.append(char(component.hSampling << 4 | component.vSampling));
        sof.append(char(component.quantTable));
    }
    appendSegment(head, baseline ? 0xC0 : 0xC1, sof);
    appendSegment(head, 0xC4, dht);
    if (frame.restartInterval > 0) {
        QByteArray dri;
        appendBigEndian16(dri, frame.restartInterval);
        appendSegment(head, 0xDD, dri);
    }
    appendSegment(head, 0xDA, sos);

    for (const auto& [data, length] : { std::pair { head.constData(), size_t(head.size()) },
             std::pair { scanData, scanLength }, std::pair { "\xFF\xD9", size_t(2) } }) {
        if (const int error = writeFully(fd, data, length).error)
            return error;
    }
    return 0;
}

void countDcSymbols(const CoefficientPlanes& planes, std::vector<SymbolCounts>& counts)
{
    const auto sizeOf = [](int difference) {
        return difference == 0 ? 0 : 32 - __builtin_clz(unsigned(std::abs(difference)));
    };
    if (planes.planes.size() == 1) {
        const CoefficientPlanes::Plane& plane = planes.planes.front();
        int last = 0;
        const qint64 blocks = qint64(plane.width) * plane.height;
        for (qint64 i = 0; i < blocks; ++i) {
            const int dc = plane.blocks[i * DCTSIZE2];
            ++counts.front().dc[size_t(sizeOf(dc - last))];
            last = dc;
        }
        return;
    }
    int maxH = 1;
    int maxV = 1;
    for (const CoefficientPlanes::Plane& plane : planes.planes) {
        maxH = std::max(maxH, plane.hSampling);
        maxV = std::max(maxV, plane.vSampling);
    }
    const int mcusAcross = (planes.width + 8 * maxH - 1) / (8 * maxH);
    const int mcusDown = (planes.height + 8 * maxV - 1) / (8 * maxV);
    std::array<int, MAX_COMPONENTS> last {};
    for (int mcuY = 0; mcuY < mcusDown; ++mcuY) {
        for (int mcuX = 0; mcuX < mcusAcross; ++mcuX) {
            for (size_t c = 0; c < planes.planes.size(); ++c) {
                const CoefficientPlanes::Plane& plane = planes.planes[c];
                SymbolCounts& count = counts[c];
                for (int y = mcuY * plane.vSampling; y < (mcuY + 1) * plane.vSampling; ++y) {
                    for (int x = mcuX * plane.hSampling; x < (mcuX + 1) * plane.hSampling; ++x) {
                        if (x >= plane.width || y >= plane.height) {
                            ++count.dc[0];
                            ++count.ac[0];
                            continue;
                        }
                        const int dc = plane.blocks[(qint64(y) * plane.width + x) * DCTSIZE2];
                        ++count.dc[size_t(sizeOf(dc - last[c]))];
                        last[c] = dc;
                    }
                }
            }
        }
    }
}

bool countsFitEightBits(const std::vector<SymbolCounts>& counts)
{
    for (const SymbolCounts& count : counts) {
        for (size_t size = 12; size < count.dc.size(); ++size) {
            if (count.dc[size] != 0)
                return false;
        }
        for (size_t symbol = 0; symbol < 256; ++symbol) {
            if ((symbol & 15) > 10 && count.ac[symbol] != 0)
                return false;
        }
    }
    return true;
}

LosslessJpegResult writePlanes(const SourceFrame& frame, const JpegBlockTurn& turn,
    const std::vector<Segment>& segments, CoefficientPlanes& planes, const std::vector<SymbolCounts>* counts,
    int fd, QString* reason)
{
    std::vector<jvirt_barray_ptr> arrays;
    for (CoefficientPlanes::Plane& plane : planes.planes)
        arrays.push_back(reinterpret_cast<jvirt_barray_ptr>(&plane));
    DescriptorDestination dest(fd);
    Compressor c(FatalWarnings::LostData);
    if (writeCoefficients(c, dest, frame, turn, segments, planes, arrays.data(), counts))
        return LosslessJpegResult::Written;
    if (reason) {
        *reason = dest.error != 0
            ? outputWriteFailure(dest.error)
            : ConversionReasons::tr("cannot write the coefficients: %1").arg(libraryMessage(c.errors));
    }
    return LosslessJpegResult::Failed;
}

} // namespace JpegLosslessPrivate
