// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/JpegLossless.h"

#include "engine/JpegScan.h"
#include "engine/PixelPool.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <jconfig.h> // before jerror.h, whose arithmetic-coding messages depend on it
#include <jerror.h>
#include <jpeglib.h>
#include <limits>
#include <memory>
#include <optional>
#include <unistd.h>
#include <vector>

// libjpeg reports errors by calling error_exit, which must not return. Every function below that calls
// libjpeg therefore comes in two halves: an outer one that owns all C++ objects and an inner one that
// sets the jump target, holds nothing with a destructor, and is left by longjmp on any error.
//
// The paths through this file:
// - an upright baseline source whose scan measures clean: its tables and scan bytes are written again
//   behind new header segments, with no coefficient decoded or encoded;
// - a turned baseline source: its scan is decoded straight into the turned places of one block buffer,
//   which libjpeg's coefficient writer then encodes (it reads the buffer through our memory manager's
//   block-array access, so no second copy is made);
// - anything else (progressive, arithmetic, several scans, a scan that does not measure clean): libjpeg
//   reads the coefficients, which are turned into the same block buffer and written the same way.

static_assert(sizeof(JCOEF) == sizeof(std::int16_t));

namespace {

struct ErrorManager
{
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX] = {};
};

[[noreturn]] void exitOnError(j_common_ptr cinfo)
{
    auto* errors = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, errors->message);
    std::longjmp(errors->jump, 1);
}

/// Whether a libjpeg warning means that pixels are missing or made up: the entropy-coded data ended
/// early, held an invalid code, or was cut by a marker. Those sources are refused. The remaining
/// warnings (bytes skipped between segments or before a marker, unknown header versions) leave every
/// coefficient as the source has it.
bool warningLosesData(int code)
{
    switch (code) {
    case JWRN_JPEG_EOF:
    case JWRN_HIT_MARKER:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_ARITH_BAD_CODE:
    case JWRN_MUST_RESYNC:
    case JWRN_BOGUS_PROGRESSION:
    case JWRN_NOT_SEQUENTIAL:
        return true;
    default:
        return false;
    }
}

void emitMessage(j_common_ptr cinfo, int level)
{
    if (level >= 0)
        return; // trace messages
    if (warningLosesData(cinfo->err->msg_code))
        exitOnError(cinfo);
    ++cinfo->err->num_warnings;
}

void outputMessage(j_common_ptr) { }

/// A libjpeg object destroyed whatever way its work ended; zeroed before its error manager is installed
/// so that destroying one whose creation failed is harmless.
template<typename Struct, void (*destroy)(Struct*)> struct JpegObject
{
    Struct cinfo {};
    ErrorManager errors;

    JpegObject()
    {
        jpeg_std_error(&errors.pub);
        errors.pub.error_exit = exitOnError;
        errors.pub.emit_message = emitMessage;
        errors.pub.output_message = outputMessage;
        cinfo.err = &errors.pub;
    }
    ~JpegObject() { destroy(&cinfo); }
    JpegObject(const JpegObject&) = delete;
    JpegObject& operator=(const JpegObject&) = delete;
};

using Decompressor = JpegObject<jpeg_decompress_struct, jpeg_destroy_decompress>;
using Compressor = JpegObject<jpeg_compress_struct, jpeg_destroy_compress>;

QString libraryMessage(const ErrorManager& errors)
{
    return QString::fromLatin1(errors.message);
}

// ---------------------------------------------------------------------------------------------------------
// The source's frame

struct FrameComponent
{
    int id = 0;
    int hSampling = 1;
    int vSampling = 1;
    int quantTable = 0;
    int widthInBlocks = 0;
    int heightInBlocks = 0;
};

/// What the source's headers say, as libjpeg read them up to its first scan.
struct SourceFrame
{
    int width = 0;
    int height = 0;
    J_COLOR_SPACE colorSpace = JCS_UNKNOWN;
    bool sawAdobeMarker = false;
    int maxHSampling = 1;
    int maxVSampling = 1;
    std::vector<FrameComponent> components;
    std::array<std::optional<std::array<quint16, 64>>, NUM_QUANT_TBLS> quantTables; ///< natural order
    /// Whether the first scan can be measured and decoded by our own walker: sequential Huffman, 8-bit,
    /// every component in the one scan, with every table it uses defined.
    bool walkable = false;
    int restartInterval = 0;
    struct ScanComponent
    {
        int frameIndex = 0;
        int dcTable = 0;
        int acTable = 0;
    };
    std::vector<ScanComponent> scan;
    std::array<std::optional<JpegHuffmanTable>, NUM_HUFF_TBLS> dcTables;
    std::array<std::optional<JpegHuffmanTable>, NUM_HUFF_TBLS> acTables;
    qsizetype scanOffset = 0; ///< where the first scan's entropy-coded data starts
};

void startReading(jpeg_decompress_struct& cinfo, const QByteArray& data)
{
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(data.constData()),
        static_cast<unsigned long>(data.size()));
}

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

/// Whether a JPEG's data can hold a frame of \a pixels: a decoder that runs out of data pads the rest
/// without complaint, so a few kilobytes could claim hundreds of megapixels. Even a flat frame needs
/// well over one byte per thousand pixels; small frames always pass.
bool plausibleDataSize(qint64 pixels, qint64 bytes)
{
    constexpr qint64 kAlwaysRead = qint64(16) << 20;
    return pixels <= kAlwaysRead || bytes >= pixels / 1024;
}

/// Whether \a orientation can be applied to the frame without trimming: every edge that the turn moves
/// to the left or the top must end on a whole MCU (one block for a single component).
bool turnsWithoutTrimming(const SourceFrame& frame, int orientation)
{
    const bool single = frame.components.size() == 1;
    const int mcuWidth = 8 * (single ? 1 : frame.maxHSampling);
    const int mcuHeight = 8 * (single ? 1 : frame.maxVSampling);
    const bool rightEdgeMoves = orientation == 2 || orientation == 3 || orientation == 7 || orientation == 8;
    const bool bottomEdgeMoves = orientation == 3 || orientation == 4 || orientation == 6 || orientation == 7;
    return (!rightEdgeMoves || frame.width % mcuWidth == 0)
        && (!bottomEdgeMoves || frame.height % mcuHeight == 0);
}

// ---------------------------------------------------------------------------------------------------------
// Header segments of the output

struct Segment
{
    int marker = 0;
    QByteArray payload;
};

constexpr qsizetype kMaxIccDataPerMarker = 65519; // 65533 minus "ICC_PROFILE\0", sequence and count
constexpr qsizetype kMaxIccSize = 255 * kMaxIccDataPerMarker;

std::optional<quint16> jfifDensity(const std::optional<double>& dpi)
{
    if (!dpi || !std::isfinite(*dpi) || *dpi <= 0)
        return std::nullopt;
    return quint16(std::lround(std::clamp(*dpi, 1.0, 65535.0)));
}

void appendBigEndian16(QByteArray& bytes, int value)
{
    bytes.append(char((value >> 8) & 0xFF));
    bytes.append(char(value & 0xFF));
}

/// The application segments of the output: JFIF with the density, Adobe where the colour transform
/// needs it, the profile. Decoders take a three-component frame with a JFIF segment for YCbCr, so an
/// RGB frame gets no JFIF (and no density); a four-component frame's meaning rests on the Adobe
/// segment alone, which is written exactly when the source had one.
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

// ---------------------------------------------------------------------------------------------------------
// Writing

bool writeAll(int fd, const char* data, size_t length, int& error)
{
    while (length > 0) {
        const ssize_t written = ::write(fd, data, length);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            error = errno;
            return false;
        }
        if (written == 0) {
            error = EIO;
            return false;
        }
        data += written;
        length -= size_t(written);
    }
    return true;
}

QString writeFailure(int error)
{
    return QStringLiteral("cannot write the output: %1").arg(QString::fromLocal8Bit(std::strerror(error)));
}

void appendSegment(QByteArray& out, int marker, const QByteArray& payload)
{
    out.append(char(0xFF));
    out.append(char(marker));
    appendBigEndian16(out, int(payload.size()) + 2);
    out.append(payload);
}

/// Writes the upright source again around its own scan bytes: new header segments, the tables and
/// frame it was coded with, the scan as it is, EOI.
bool writeWithScanCopied(const SourceFrame& frame, const std::vector<Segment>& segments, const char* scanData,
    size_t scanLength, int fd, int& error)
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

    return writeAll(fd, head.constData(), size_t(head.size()), error)
        && writeAll(fd, scanData, scanLength, error) && writeAll(fd, "\xFF\xD9", 2, error);
}

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

/// The upright place of (x, y) in a width x height grid turned for EXIF \a orientation.
void uprightPlace(int orientation, qint64 width, qint64 height, qint64 x, qint64 y, qint64& ux, qint64& uy)
{
    switch (orientation) {
    case 2:
        ux = width - 1 - x;
        uy = y;
        break;
    case 3:
        ux = width - 1 - x;
        uy = height - 1 - y;
        break;
    case 4:
        ux = x;
        uy = height - 1 - y;
        break;
    case 5:
        ux = y;
        uy = x;
        break;
    case 6:
        ux = height - 1 - y;
        uy = x;
        break;
    case 7:
        ux = height - 1 - y;
        uy = width - 1 - x;
        break;
    case 8:
        ux = y;
        uy = width - 1 - x;
        break;
    default:
        ux = x;
        uy = y;
        break;
    }
}

bool allocatePlanes(const SourceFrame& frame, int orientation, CoefficientPlanes& out)
{
    const bool swaps = orientation >= 5;
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
        uprightPlace(orientation, sourceWidth, sourceHeight, 0, 0, x0, y0);
        uprightPlace(orientation, sourceWidth, sourceHeight, 1, 0, x1, y1);
        uprightPlace(orientation, sourceWidth, sourceHeight, 0, 1, x2, y2);
        const qint64 start = y0 * plane.width + x0;
        plane.origin = plane.blocks + start * DCTSIZE2;
        plane.stepX = std::ptrdiff_t(y1 * plane.width + x1 - start);
        plane.stepY = std::ptrdiff_t(y2 * plane.width + x2 - start);
    }
    return true;
}

/// Reads the source's coefficients with libjpeg and turns them into \a planes.
enum class ReadOutcome { Read, Unrefined, Failed };

/// Reads the source's coefficients with libjpeg and turns them into \a planes. Unrefined for a
/// progressive source whose scans leave coefficients unsent or unrefined: decoders estimate those from
/// the neighbouring blocks (libjpeg's block smoothing), so its pixels are not its coefficients alone.
ReadOutcome readCoefficients(Decompressor& d, const QByteArray& data, const SourceFrame& frame,
    const JpegBlockTurn& turn, CoefficientPlanes& planes)
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
    for (int c = 0; c < cinfo.num_components; ++c) {
        const CoefficientPlanes::Plane& plane = planes.planes[size_t(c)];
        const FrameComponent& component = frame.components[size_t(c)];
        if (int(cinfo.comp_info[c].width_in_blocks) != component.widthInBlocks
            || int(cinfo.comp_info[c].height_in_blocks) != component.heightInBlocks)
            return ReadOutcome::Failed;
        for (int y = 0; y < component.heightInBlocks; ++y) {
            const JBLOCKROW row = (*cinfo.mem->access_virt_barray)(
                reinterpret_cast<j_common_ptr>(&cinfo), arrays[c], JDIMENSION(y), 1, FALSE)[0];
            for (int x = 0; x < component.widthInBlocks; ++x) {
                const JCOEF* in = row[x];
                JCOEF* out = plane.origin + (x * plane.stepX + y * plane.stepY) * DCTSIZE2;
                for (int i = 0; i < DCTSIZE2; ++i)
                    out[turn.position[size_t(i)]]
                        = JCOEF((in[i] ^ turn.negate[size_t(i)]) - turn.negate[size_t(i)]);
            }
        }
    }
    return ReadOutcome::Read;
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

constexpr size_t kWriteBufferSize = 64 * 1024;

struct FdDestination
{
    jpeg_destination_mgr pub;
    int fd = -1;
    int error = 0;
    JOCTET* buffer = nullptr;
};

void initDestination(j_compress_ptr cinfo)
{
    auto* dest = reinterpret_cast<FdDestination*>(cinfo->dest);
    dest->pub.next_output_byte = dest->buffer;
    dest->pub.free_in_buffer = kWriteBufferSize;
}

boolean emptyOutputBuffer(j_compress_ptr cinfo)
{
    auto* dest = reinterpret_cast<FdDestination*>(cinfo->dest);
    // libjpeg ignores free_in_buffer here: the whole buffer is due.
    if (!writeAll(dest->fd, reinterpret_cast<const char*>(dest->buffer), kWriteBufferSize, dest->error))
        ERREXIT(cinfo, JERR_FILE_WRITE);
    dest->pub.next_output_byte = dest->buffer;
    dest->pub.free_in_buffer = kWriteBufferSize;
    return TRUE;
}

void termDestination(j_compress_ptr cinfo)
{
    auto* dest = reinterpret_cast<FdDestination*>(cinfo->dest);
    const size_t used = kWriteBufferSize - dest->pub.free_in_buffer;
    if (used > 0 && !writeAll(dest->fd, reinterpret_cast<const char*>(dest->buffer), used, dest->error))
        ERREXIT(cinfo, JERR_FILE_WRITE);
}

/// How often each symbol occurs in one component's coded blocks: what an encoder needs for Huffman
/// tables made for the image.
struct SymbolCounts
{
    std::array<std::uint64_t, 17> dc {}; ///< by the size of the DC difference
    std::array<std::uint32_t, 256> ac {};
};

/// The DC symbols of the turned planes in the order an encoder codes them (one interleaved scan, or the
/// blocks row by row for a single component), with the padding blocks it adds at the right and bottom
/// edges of an interleaved scan (no DC difference, an empty AC part).
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

/// Whether every counted symbol fits an 8-bit JPEG: DC differences of at most 11 bits, AC values of at
/// most 10. libjpeg's decoder accepts larger ones, but its encoder would code them with no code at all.
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

/// Fills \a table with the optimal Huffman code of at most 16 bits for \a counts (JPEG's Annex K.2 and
/// K.3, as libjpeg makes it), reserving the all-ones code. Symbols \a possible says the data can hold
/// get at least a count of one, so that the table codes every symbol an encoder may meet even if a count
/// were missed; it costs a few bits in a whole image.
void fillOptimalTable(const std::array<std::uint64_t, 256>& counts, bool dc, JHUFF_TBL& table)
{
    std::array<std::uint64_t, 257> frequency {};
    for (int symbol = 0; symbol < 256; ++symbol) {
        const int size = symbol & 15;
        const bool possible
            = dc ? symbol <= 11 : (symbol == 0x00 || symbol == 0xF0 || (size >= 1 && size <= 10));
        if (possible)
            frequency[size_t(symbol)] = std::max<std::uint64_t>(counts[size_t(symbol)], 1);
    }
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
            fillOptimalTable(dc[t], true, *cinfo.dc_huff_tbl_ptrs[t]);
        }
        if (acUsed[t]) {
            if (!cinfo.ac_huff_tbl_ptrs[t])
                cinfo.ac_huff_tbl_ptrs[t] = jpeg_alloc_huff_table(common);
            fillOptimalTable(ac[t], false, *cinfo.ac_huff_tbl_ptrs[t]);
        }
    }
}

/// Writes the planes with libjpeg. With \a counts, one pass with Huffman tables made from them; without,
/// libjpeg counts the symbols itself in a first pass.
bool writeCoefficients(Compressor& c, FdDestination& dest, const SourceFrame& frame,
    const JpegBlockTurn& turn, const std::vector<Segment>& segments, CoefficientPlanes& planes,
    jvirt_barray_ptr* arrays, const std::vector<SymbolCounts>* counts)
{
    jpeg_compress_struct& cinfo = c.cinfo;
    if (setjmp(c.errors.jump))
        return false;

    jpeg_create_compress(&cinfo);
    cinfo.mem->access_virt_barray = accessPlane;
    dest.pub.init_destination = initDestination;
    dest.pub.empty_output_buffer = emptyOutputBuffer;
    dest.pub.term_destination = termDestination;
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

LosslessJpegResult writePlanes(const SourceFrame& frame, const JpegBlockTurn& turn,
    const std::vector<Segment>& segments, CoefficientPlanes& planes, const std::vector<SymbolCounts>* counts,
    int fd, QString* reason)
{
    std::vector<jvirt_barray_ptr> arrays;
    for (CoefficientPlanes::Plane& plane : planes.planes)
        arrays.push_back(reinterpret_cast<jvirt_barray_ptr>(&plane));
    const std::unique_ptr<JOCTET[]> buffer(new JOCTET[kWriteBufferSize]);
    FdDestination dest;
    dest.fd = fd;
    dest.buffer = buffer.get();
    Compressor c;
    if (writeCoefficients(c, dest, frame, turn, segments, planes, arrays.data(), counts))
        return LosslessJpegResult::Written;
    if (reason) {
        *reason = dest.error != 0
            ? writeFailure(dest.error)
            : QStringLiteral("cannot write the coefficients: %1").arg(libraryMessage(c.errors));
    }
    return LosslessJpegResult::Failed;
}

/// The first scan of a walkable frame as our walker takes it.
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

} // namespace

LosslessJpegResult writeJpegLosslessly(
    const QByteArray& source, const LosslessJpegOptions& options, int fd, QString* reason)
{
    const auto refuse = [reason](const QString& why) {
        if (reason)
            *reason = why;
        return LosslessJpegResult::Failed;
    };
    if (fd < 0)
        return refuse(QStringLiteral("no output file"));
    if (source.isEmpty())
        return refuse(QStringLiteral("empty file"));
    if (options.iccProfile.size() > kMaxIccSize)
        return refuse(QStringLiteral("colour profile too large for a JPEG"));

    SourceFrame frame;
    {
        Decompressor d;
        if (!readFrame(d, source, frame))
            return refuse(QStringLiteral("not a readable JPEG: %1").arg(libraryMessage(d.errors)));
    }
    const qint64 pixels = qint64(frame.width) * frame.height;
    if (pixels <= 0 || pixels > options.maxPixels)
        return refuse(QStringLiteral("image too large (%1 x %2 pixels)").arg(frame.width).arg(frame.height));
    if (!plausibleDataSize(pixels, source.size()))
        return refuse(QStringLiteral("truncated JPEG: far too little data for %1 x %2 pixels")
                          .arg(frame.width)
                          .arg(frame.height));

    const int orientation = options.orientation >= 1 && options.orientation <= 8 ? options.orientation : 1;
    if (!turnsWithoutTrimming(frame, orientation)) {
        if (reason) {
            *reason = QStringLiteral("%1 x %2 pixels is not a whole number of JPEG blocks for this turn")
                          .arg(frame.width)
                          .arg(frame.height);
        }
        return LosslessJpegResult::NeedsReencode;
    }
    const std::vector<Segment> segments = headerSegments(options, frame);

    if (frame.walkable && orientation == 1) {
        const JpegScan scan = scanOf(frame, source);
        if (const std::optional<size_t> length = measureCleanJpegScan(scan)) {
            int error = 0;
            if (writeWithScanCopied(
                    frame, segments, reinterpret_cast<const char*>(scan.data), *length, fd, error))
                return LosslessJpegResult::Written;
            return refuse(writeFailure(error));
        }
    }

    const JpegBlockTurn turn = jpegBlockTurn(orientation);
    CoefficientPlanes planes;
    if (!allocatePlanes(frame, orientation, planes))
        return refuse(
            QStringLiteral("not enough memory for %1 x %2 pixels").arg(frame.width).arg(frame.height));
    if (frame.walkable && orientation != 1) {
        std::vector<SymbolCounts> counts(frame.components.size());
        JpegScan scan = scanOf(frame, source);
        for (size_t i = 0; i < scan.components.size(); ++i) {
            const auto c = size_t(frame.scan[i].frameIndex);
            const CoefficientPlanes::Plane& plane = planes.planes[c];
            scan.components[i].origin = plane.origin;
            scan.components[i].stepX = plane.stepX;
            scan.components[i].stepY = plane.stepY;
            scan.components[i].acCounts = counts[c].ac.data();
        }
        if (decodeJpegScan(scan, turn)) {
            countDcSymbols(planes, counts);
            if (!countsFitEightBits(counts))
                return refuse(QStringLiteral("DCT coefficients out of range for an 8-bit JPEG"));
            return writePlanes(frame, turn, segments, planes, &counts, fd, reason);
        }
    }
    {
        Decompressor d;
        switch (readCoefficients(d, source, frame, turn, planes)) {
        case ReadOutcome::Read:
            break;
        case ReadOutcome::Unrefined:
            if (reason)
                *reason = QStringLiteral("progressive JPEG whose scans leave coefficients unrefined");
            return LosslessJpegResult::NeedsReencode;
        case ReadOutcome::Failed:
            const QString message = libraryMessage(d.errors);
            return refuse(message.isEmpty()
                    ? QStringLiteral("truncated or corrupt JPEG data")
                    : QStringLiteral("truncated or corrupt JPEG data: %1").arg(message));
        }
    }
    return writePlanes(frame, turn, segments, planes, nullptr, fd, reason);
}
