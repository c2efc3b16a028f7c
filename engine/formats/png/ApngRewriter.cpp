// SPDX-License-Identifier: GPL-3.0-or-later
// The rewrite of an animated PNG: a walk of its chunks into frames, and each frame's image data inflated,
// unfiltered, filtered and deflated again.
#include "engine/formats/png/ApngRewriter.h"

#include "engine/core/ConversionReasons.h"
#include "engine/formats/png/PngPrivate.h"
#include "engine/structure/PngChunks.h"

#include <QList>
#include <QtEndian>

#include <algorithm>
#include <array>
#include <cstring>
#include <new>
#include <zlib.h>

namespace {

constexpr int kMaxFrames = 100000;
constexpr int kCompressionLevel = 6;
constexpr qsizetype kDataChunk = 1 << 20;
constexpr qsizetype kFrameControlSize = 26;
constexpr std::uint8_t kPalette = 3;

quint32 be32(const char* at)
{
    return qFromBigEndian<quint32>(at);
}

/// The image header's facts that the frames' rows depend on.
struct Header
{
    quint32 width = 0;
    quint32 height = 0;
    int depth = 0;
    std::uint8_t colourType = 0;
    bool interlaced = false;
    int channels = 0;
};

std::optional<Header> readHeader(QByteArrayView data)
{
    if (data.size() != 13)
        return std::nullopt;
    Header header;
    header.width = be32(data.data());
    header.height = be32(data.data() + 4);
    header.depth = std::uint8_t(data[8]);
    header.colourType = std::uint8_t(data[9]);
    const int interlace = std::uint8_t(data[12]);
    if (header.width == 0 || header.height == 0 || header.width > 0x7FFFFFFFu || header.height > 0x7FFFFFFFu
        || data[10] != 0 || data[11] != 0 || interlace > 1)
        return std::nullopt;
    header.interlaced = interlace == 1;
    const int d = header.depth;
    switch (header.colourType) {
    case 0:
        header.channels = 1;
        if (d != 1 && d != 2 && d != 4 && d != 8 && d != 16)
            return std::nullopt;
        break;
    case 3:
        header.channels = 1;
        if (d != 1 && d != 2 && d != 4 && d != 8)
            return std::nullopt;
        break;
    case 2:
    case 4:
    case 6:
        header.channels = header.colourType == 2 ? 3 : header.colourType == 4 ? 2 : 4;
        if (d != 8 && d != 16)
            return std::nullopt;
        break;
    default:
        return std::nullopt;
    }
    return header;
}

/// One frame, or the image that IDAT holds when it is not a frame: its control chunk and its data.
struct Section
{
    bool isIdat = false;
    QByteArrayView control; ///< the fcTL body; empty for an IDAT image that is not a frame
    QList<QByteArrayView> data; ///< the zlib stream in pieces (fdAT bodies without their numbers)
    quint32 width = 0;
    quint32 height = 0;
};

struct Pass
{
    quint64 width = 0;
    quint64 height = 0;
};

/// The interlacing passes of a frame, or the one pass of an image that is not interlaced.
QList<Pass> passesOf(quint32 width, quint32 height, bool interlaced)
{
    if (!interlaced)
        return { { width, height } };
    static constexpr std::array<std::array<int, 4>, 7> kAdam7 { { { 0, 0, 8, 8 }, { 4, 0, 8, 8 },
        { 0, 4, 4, 8 }, { 2, 0, 4, 4 }, { 0, 2, 2, 4 }, { 1, 0, 2, 2 }, { 0, 1, 1, 2 } } };
    QList<Pass> passes;
    for (const auto& [x0, y0, dx, dy] : kAdam7) {
        const quint64 w = width > quint32(x0) ? (width - quint32(x0) + quint32(dx) - 1) / quint32(dx) : 0;
        const quint64 h = height > quint32(y0) ? (height - quint32(y0) + quint32(dy) - 1) / quint32(dy) : 0;
        if (w > 0 && h > 0)
            passes.append({ w, h });
    }
    return passes;
}

quint64 rowBytes(const Header& header, quint64 width)
{
    return (width * quint64(header.channels) * quint64(header.depth) + 7) / 8;
}

/// Inflates the pieces of one zlib stream into exactly \a size bytes. Null when the stream is damaged or
/// ends early or late; bytes after its end are not looked at (readers ignore them, and the copy is
/// compressed afresh).
std::optional<std::vector<unsigned char>> inflateExactly(const QList<QByteArrayView>& pieces, quint64 size)
{
    std::vector<unsigned char> out(size_t(size) + 1);
    z_stream stream {};
    if (inflateInit(&stream) != Z_OK)
        return std::nullopt;
    stream.next_out = out.data();
    stream.avail_out = uInt(out.size());
    bool ended = false;
    bool damaged = false;
    for (const QByteArrayView piece : pieces) {
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(piece.data()));
        stream.avail_in = uInt(piece.size());
        while (stream.avail_in > 0 && !ended && !damaged) {
            const int status = inflate(&stream, Z_NO_FLUSH);
            if (status == Z_STREAM_END)
                ended = true;
            else if (status != Z_OK || stream.avail_out == 0)
                damaged = true;
        }
        if (ended || damaged)
            break;
    }
    const bool exact = ended && !damaged && stream.total_out == size;
    inflateEnd(&stream);
    if (!exact)
        return std::nullopt;
    out.resize(size_t(size));
    return out;
}

/// Undoes the filter of one row in place, against the previous row (unfiltered), or zeros above the
/// first row of a pass.
bool unfilterRow(unsigned char* row, const unsigned char* previous, size_t length, size_t bpp, int filter)
{
    for (size_t i = 0; i < length; ++i) {
        const int a = i >= bpp ? row[i - bpp] : 0;
        const int b = previous ? previous[i] : 0;
        const int c = previous && i >= bpp ? previous[i - bpp] : 0;
        int predictor = 0;
        switch (filter) {
        case 0:
            return true;
        case 1:
            predictor = a;
            break;
        case 2:
            predictor = b;
            break;
        case 3:
            predictor = (a + b) >> 1;
            break;
        case 4: {
            const int p = a + b - c;
            const int pa = std::abs(p - a);
            const int pb = std::abs(p - b);
            const int pc = std::abs(p - c);
            predictor = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
            break;
        }
        default:
            return false;
        }
        row[i] = static_cast<unsigned char>(row[i] + predictor);
    }
    return filter >= 0 && filter <= 4;
}

struct FrameWork
{
    const Header& header;
    int paletteSize = 0;
    std::array<bool, 256>& used;
    libdeflate_compressor* compressor;
};

/// The frame's data inflated, checked and compressed again; empty with \a why on failure.
QByteArray recode(const Section& section, FrameWork& work, QString& why)
{
    const Header& header = work.header;
    const QList<Pass> passes = passesOf(section.width, section.height, header.interlaced);
    quint64 size = 0;
    for (const Pass& pass : passes)
        size += pass.height * (1 + rowBytes(header, pass.width));
    std::optional<std::vector<unsigned char>> rows = inflateExactly(section.data, size);
    if (!rows) {
        why = ConversionReasons::tr("its image data does not inflate to its rows");
        return {};
    }
    std::vector<unsigned char> filtered(rows->size());
    const size_t bpp = std::max<size_t>(1, size_t(header.channels * header.depth / 8));
    const bool unfilteredOut = header.colourType == kPalette || header.depth < 8;
    const int bitsPerPixel = header.channels * header.depth;
    size_t at = 0;
    for (const Pass& pass : passes) {
        const size_t length = size_t(rowBytes(header, pass.width));
        std::array<std::vector<unsigned char>, 5> scratch;
        if (!unfilteredOut) {
            for (auto& s : scratch)
                s.resize(length);
        }
        const std::vector<unsigned char> zeros(length, 0);
        const unsigned char* previous = nullptr;
        const int spareBits = int((pass.width * quint64(bitsPerPixel)) % 8);
        for (quint64 y = 0; y < pass.height; ++y, at += 1 + length) {
            unsigned char* row = rows->data() + at + 1;
            if (!unfilterRow(row, previous, length, bpp, (*rows)[at])) {
                why = ConversionReasons::tr("a row has an unknown filter");
                return {};
            }
            if (spareBits != 0)
                row[length - 1] &= static_cast<unsigned char>(0xFF << (8 - spareBits));
            if (header.colourType == kPalette) {
                for (quint64 x = 0; x < pass.width; ++x) {
                    const quint64 bit = x * quint64(header.depth);
                    const int index
                        = (row[bit / 8] >> (8 - header.depth - int(bit % 8))) & ((1 << header.depth) - 1);
                    if (index >= work.paletteSize) {
                        why = ConversionReasons::tr("a pixel's colour lies outside the palette");
                        return {};
                    }
                    work.used[size_t(index)] = true;
                }
            }
            unsigned char* out = filtered.data() + at;
            if (unfilteredOut) {
                out[0] = 0;
                std::memcpy(out + 1, row, length);
            } else {
                filterRow(row, previous ? previous : zeros.data(), length, bpp, scratch, out);
            }
            previous = row;
        }
    }
    std::vector<unsigned char>().swap(*rows);
    QByteArray compressed = zlibCompress(work.compressor, filtered.data(), filtered.size());
    if (compressed.isEmpty())
        why = ConversionReasons::tr("its image data could not be compressed");
    return compressed;
}

bool crcMatches(const PngChunk& chunk)
{
    const char* start = chunk.type.data();
    const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(start), uInt(chunk.data.size() + 4));
    return be32(chunk.data.data() + chunk.data.size()) == quint32(crc);
}

ApngRewrite refused(const QString& why, int frames = 0)
{
    return ApngRewrite { ApngResult::Refused, {}, why, frames };
}

} // namespace

// NOLINTNEXTLINE(readability-function-cognitive-complexity): the chunk walk of an APNG in one pass
ApngRewrite rewriteApng(QByteArrayView png, const PngWriteOptions& options, qint64 maxPixels)
{
    try {
        if (!png.startsWith(QByteArrayView("\x89PNG\r\n\x1a\n", 8)))
            return refused(ConversionReasons::tr("no PNG signature"));
        QList<PngChunk> chunks;
        bool ended = false;
        const bool whole = walkPngChunks(png, [&](const PngChunk& chunk) {
            chunks.append(chunk);
            ended = chunk.type == QByteArrayView("IEND");
            return true;
        });
        if (!whole || !ended)
            return refused(ConversionReasons::tr("the file is cut short"));
        if (chunks.isEmpty() || chunks.first().type != QByteArrayView("IHDR") || !crcMatches(chunks.first()))
            return refused(ConversionReasons::tr("the image header is damaged"));
        const std::optional<Header> header = readHeader(chunks.first().data);
        if (!header)
            return refused(ConversionReasons::tr("the image header is damaged"));

        QByteArrayView animation;
        QByteArrayView palette;
        QByteArrayView transparency;
        QList<Section> sections;
        bool seenIdat = false;
        bool inIdat = false;
        int controls = 0;
        for (qsizetype i = 1; i < chunks.size(); ++i) {
            const PngChunk& chunk = chunks[i];
            const QByteArrayView type = chunk.type;
            const bool wasInIdat = inIdat;
            inIdat = false;
            const bool kept = type == QByteArrayView("acTL") || type == QByteArrayView("fcTL")
                || type == QByteArrayView("IDAT") || type == QByteArrayView("fdAT")
                || type == QByteArrayView("PLTE") || type == QByteArrayView("tRNS");
            if (!kept)
                continue;
            if (!crcMatches(chunk))
                return refused(ConversionReasons::tr("a chunk is damaged"), controls);
            if (type == QByteArrayView("acTL")) {
                if (!seenIdat && animation.isEmpty()) {
                    if (chunk.data.size() != 8)
                        return refused(ConversionReasons::tr("the animation control is damaged"));
                    animation = chunk.data;
                }
            } else if (type == QByteArrayView("PLTE")) {
                if (!seenIdat && palette.isEmpty())
                    palette = chunk.data;
            } else if (type == QByteArrayView("tRNS")) {
                if (!seenIdat && transparency.isEmpty())
                    transparency = chunk.data;
            } else if (type == QByteArrayView("fcTL")) {
                if (chunk.data.size() != kFrameControlSize)
                    return refused(ConversionReasons::tr("a frame control is damaged"), controls);
                if (++controls > kMaxFrames)
                    return refused(ConversionReasons::tr("more than %1 frames").arg(kMaxFrames), controls);
                Section section;
                section.control = chunk.data;
                section.width = be32(chunk.data.data() + 4);
                section.height = be32(chunk.data.data() + 8);
                sections.append(section);
            } else if (type == QByteArrayView("IDAT")) {
                if (wasInIdat) {
                    sections.last().data.append(chunk.data);
                    inIdat = true;
                    continue;
                }
                if (seenIdat)
                    return refused(ConversionReasons::tr("the image data is split"), controls);
                seenIdat = true;
                inIdat = true;
                if (sections.isEmpty()) {
                    Section image;
                    image.width = header->width;
                    image.height = header->height;
                    sections.append(image);
                } else if (sections.size() > 1 || !sections.last().data.isEmpty()) {
                    return refused(ConversionReasons::tr("the image data comes after a frame"), controls);
                }
                sections.last().isIdat = true;
                sections.last().data.append(chunk.data);
            } else { // fdAT
                if (chunk.data.size() < 4 || sections.isEmpty() || sections.last().isIdat
                    || sections.last().control.isEmpty() || !seenIdat)
                    return refused(ConversionReasons::tr("frame data out of place"), controls);
                sections.last().data.append(chunk.data.sliced(4));
            }
        }
        if (animation.isEmpty())
            return ApngRewrite { ApngResult::NotAnimated, {}, {}, 1 };
        const quint32 stated = be32(animation.data());
        if (stated < 2 && controls < 2)
            return ApngRewrite { ApngResult::NotAnimated, {}, {}, int(std::max<quint32>(stated, 1)) };
        const int frames = int(std::min<quint32>(stated, quint32(kMaxFrames) + 1));
        if (quint32(controls) != stated)
            return refused(
                ConversionReasons::tr("it holds %1 frames where it states %2").arg(controls).arg(stated),
                frames);
        if (!seenIdat)
            return refused(ConversionReasons::tr("it has no image data"), frames);

        qint64 pixels = 0;
        for (qsizetype i = 0; i < sections.size(); ++i) {
            const Section& section = sections[i];
            if (section.data.isEmpty())
                return refused(ConversionReasons::tr("a frame has no image data"), frames);
            if (!section.control.isEmpty()) {
                const char* c = section.control.data();
                const quint64 x = be32(c + 12);
                const quint64 y = be32(c + 16);
                const int dispose = std::uint8_t(c[24]);
                const int blend = std::uint8_t(c[25]);
                if (section.width == 0 || section.height == 0 || x + section.width > header->width
                    || y + section.height > header->height || dispose > 2 || blend > 1)
                    return refused(ConversionReasons::tr("a frame lies outside the image"), frames);
                if (section.isIdat
                    && (x != 0 || y != 0 || section.width != header->width
                        || section.height != header->height))
                    return refused(ConversionReasons::tr("the first frame does not fill the image"), frames);
            }
            pixels += qint64(section.width) * qint64(section.height);
            if (pixels > maxPixels)
                return refused(ConversionReasons::tr("its frames hold too many pixels"), frames);
        }

        int paletteSize = 0;
        if (header->colourType == kPalette) {
            if (palette.isEmpty() || palette.size() % 3 != 0 || palette.size() > 768)
                return refused(ConversionReasons::tr("the palette is damaged"), frames);
            paletteSize = int(palette.size() / 3);
        }
        std::array<bool, 256> used {};
        const Compressor compressor(libdeflate_alloc_compressor(kCompressionLevel));
        if (!compressor)
            return refused(ConversionReasons::tr("not enough memory"), frames);
        FrameWork work { *header, paletteSize, used, compressor.get() };
        QList<QByteArray> recoded;
        for (qsizetype i = 0; i < sections.size(); ++i) {
            QString why;
            QByteArray data = recode(sections[i], work, why);
            if (data.isEmpty())
                return refused(ConversionReasons::tr("frame %1: %2").arg(i + 1).arg(why), frames);
            recoded.append(std::move(data));
        }

        QByteArray out;
        out.append("\x89PNG\r\n\x1a\n", 8);
        appendPngChunk(out, "IHDR", chunks.first().data.data(), 13);
        const bool grey = header->colourType == 0 || header->colourType == 4;
        if (!options.iccProfile.isEmpty()) {
            const QByteArray icc = iccChunkData(compressor.get(), options.iccProfile, grey);
            if (!icc.isEmpty())
                appendPngChunk(out, "iCCP", icc.constData(), icc.size());
        }
        if (options.dpiX || options.dpiY) {
            const QByteArray phys = physChunkData(options.dpiX, options.dpiY);
            appendPngChunk(out, "pHYs", phys.constData(), phys.size());
        }
        if (header->colourType == kPalette) {
            QByteArray entries = palette.toByteArray();
            for (int i = 0; i < paletteSize; ++i) {
                if (!used[size_t(i)])
                    std::memset(entries.data() + 3 * i, 0, 3);
            }
            appendPngChunk(out, "PLTE", entries.constData(), entries.size());
        }
        // Transparency as the colour type allows it; a readers' libpng ignores any other, and so do we.
        const qsizetype transparencySize = header->colourType == 0 ? 2 : header->colourType == 2 ? 6 : -1;
        if (!transparency.isEmpty() && header->colourType == kPalette && transparency.size() <= paletteSize) {
            QByteArray alpha = transparency.toByteArray();
            for (qsizetype i = 0; i < alpha.size(); ++i) {
                if (!used[size_t(i)])
                    alpha[i] = char(0xFF);
            }
            appendPngChunk(out, "tRNS", alpha.constData(), alpha.size());
        } else if (transparency.size() == transparencySize) {
            appendPngChunk(out, "tRNS", transparency.data(), transparency.size());
        }
        appendPngChunk(out, "acTL", animation.data(), animation.size());
        quint32 sequence = 0;
        for (qsizetype i = 0; i < sections.size(); ++i) {
            const Section& section = sections[i];
            if (!section.control.isEmpty()) {
                QByteArray control = section.control.toByteArray();
                qToBigEndian(sequence++, control.data());
                appendPngChunk(out, "fcTL", control.constData(), control.size());
            }
            const QByteArray& data = recoded[i];
            for (qsizetype at = 0; at < data.size(); at += kDataChunk) {
                const qsizetype length = std::min(kDataChunk, data.size() - at);
                if (section.isIdat) {
                    appendPngChunk(out, "IDAT", data.constData() + at, length);
                } else {
                    QByteArray piece(4, '\0');
                    qToBigEndian(sequence++, piece.data());
                    piece.append(data.constData() + at, length);
                    appendPngChunk(out, "fdAT", piece.constData(), piece.size());
                }
            }
        }
        appendPngChunk(out, "IEND", nullptr, 0);
        return ApngRewrite { ApngResult::Rewritten, out, {}, frames };
    } catch (const std::bad_alloc&) {
        return refused(ConversionReasons::tr("not enough memory"));
    }
}
