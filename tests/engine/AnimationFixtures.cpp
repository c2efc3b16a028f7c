// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/engine/AnimationFixtures.h"

#include <QtEndian>

#include <zlib.h>

namespace {

void put16(QByteArray& out, int value)
{
    out.append(char(value & 0xFF)).append(char((value >> 8) & 0xFF));
}

void put32(QByteArray& out, quint32 value)
{
    char bytes[4];
    qToBigEndian(value, bytes);
    out.append(bytes, 4);
}

QByteArray subBlocks(const QByteArray& payload)
{
    QByteArray out;
    for (qsizetype at = 0; at < payload.size(); at += 255) {
        const QByteArray piece = payload.mid(at, 255);
        out.append(char(piece.size())).append(piece);
    }
    return out.append('\0');
}

int tableBits(qsizetype entries)
{
    int bits = 0;
    while ((2 << bits) < entries)
        ++bits;
    return bits;
}

QByteArray pattern(int width, int height, int seed, int colours)
{
    QByteArray indices;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            indices.append(char((x / 3 + y + seed) % colours));
    return indices;
}

} // namespace

QByteArray literalGifData(const QByteArray& indices, int minimumCodeSize, const QByteArray& after)
{
    const int clear = 1 << minimumCodeSize;
    const int width = minimumCodeSize + 1;
    QByteArray codes;
    quint32 accumulator = 0;
    int bits = 0;
    const auto put = [&](int code) {
        accumulator |= quint32(code) << bits;
        bits += width;
        while (bits >= 8) {
            codes.append(char(accumulator & 0xFF));
            accumulator >>= 8;
            bits -= 8;
        }
    };
    int sinceClear = 0;
    put(clear);
    for (const char index : indices) {
        // After k literals the decoder's next code is clear + 1 + k: clear again before it widens.
        if (sinceClear == clear - 2) {
            put(clear);
            sinceClear = 0;
        }
        put(uchar(index));
        ++sinceClear;
    }
    put(clear + 1);
    if (bits > 0)
        codes.append(char(accumulator & 0xFF));
    return QByteArray(1, char(minimumCodeSize)) + subBlocks(codes + after);
}

QByteArray gifFile(int width, int height, const QByteArray& globalTable, const QList<GifFrameSpec>& frames,
    int loops, const QByteArray& extras)
{
    QByteArray gif("GIF89a");
    put16(gif, width);
    put16(gif, height);
    gif.append(char(0x80 | 0x70 | tableBits(globalTable.size() / 3))).append('\0').append('\0');
    gif.append(globalTable);
    if (loops >= 0) {
        gif.append("\x21\xFF\x0BNETSCAPE2.0\x03\x01", 16);
        put16(gif, loops);
        gif.append('\0');
    }
    gif.append(extras);
    for (const GifFrameSpec& frame : frames) {
        gif.append("\x21\xF9\x04", 3);
        gif.append(char(frame.disposal << 2 | (frame.transparent >= 0 ? 1 : 0)));
        put16(gif, frame.delay);
        gif.append(char(frame.transparent >= 0 ? frame.transparent : 0)).append('\0');
        gif.append(',');
        put16(gif, frame.left);
        put16(gif, frame.top);
        put16(gif, frame.width);
        put16(gif, frame.height);
        const QByteArray& table = frame.localTable.isEmpty() ? globalTable : frame.localTable;
        if (frame.localTable.isEmpty()) {
            gif.append('\0');
        } else {
            gif.append(char(0x80 | tableBits(table.size() / 3)));
            gif.append(table);
        }
        gif.append(
            literalGifData(frame.indices, std::max(2, tableBits(table.size() / 3) + 1), frame.afterEndCode));
    }
    return gif.append(';');
}

QList<GifFrameSpec> plantedGifFrames()
{
    GifFrameSpec first { 0, 0, 12, 8, 10, 1, -1, {}, pattern(12, 8, 0, 4), "LZWSECRET" };
    GifFrameSpec second { 3, 2, 6, 4, 25, 2, 1, QByteArray("\xFA\xFA\x00LOCSECRET", 12), pattern(6, 4, 1, 2),
        {} };
    GifFrameSpec third { 0, 0, 12, 8, 40, 3, 3, {}, pattern(12, 8, 2, 4), {} };
    return { first, second, third };
}

QByteArray plantedGif()
{
    const QByteArray global
        = QByteArray("\xFF\x00\x00\x00\xC8\x00\x00\x00\xFF\x0A\x14\x1E", 12) + QByteArray("GPALSECRET!!");
    QByteArray extras;
    extras.append("\x21\xFE").append(subBlocks("GIFCOMMENTSECRET"));
    // XMP as its writers store it: the packet raw, then the "magic trailer" that walks any reader of
    // sub-blocks onto the terminator.
    extras.append("\x21\xFF\x0BXMP DataXMP");
    extras.append("<?xpacket begin='' id='W5M0MpCehiHzreSzNTczkc9d'?><x:xmpmeta xmlns:x='adobe:ns:meta/'>"
                  "<rdf:RDF xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'><rdf:Description "
                  "xmlns:dc='http://purl.org/dc/elements/1.1/' dc:creator='XMPSECRET'/></rdf:RDF>"
                  "</x:xmpmeta><?xpacket end='w'?>");
    extras.append('\x01');
    for (int i = 255; i >= 0; --i)
        extras.append(char(i));
    extras.append('\0');
    extras.append("\x21\x01").append(subBlocks(QByteArray(12, '\x01') + "PLAINTEXTSECRET"));
    QByteArray gif = gifFile(12, 8, global, plantedGifFrames(), 3, extras);
    // A comment between the first and the second frame.
    const qsizetype second = gif.indexOf("\x21\xF9\x04\x09", 0);
    gif.insert(second, QByteArray("\x21\xFE") + subBlocks("BETWEENFRAMESSECRET"));
    return gif + "TRAILINGSECRET";
}

QByteArray manyFrameGif(int count)
{
    QList<GifFrameSpec> frames;
    for (int i = 0; i < count; ++i)
        frames.append({ 0, 0, 12, 8, 5, 1, -1, {}, pattern(12, 8, i, 4), {} });
    const QByteArray global("\xFF\x00\x00\x00\xC8\x00\x00\x00\xFF\x0A\x14\x1E", 12);
    return gifFile(12, 8, global, frames, 0);
}

QByteArray pngChunk(const char* type, const QByteArray& body)
{
    QByteArray out;
    put32(out, quint32(body.size()));
    const QByteArray typed = QByteArray(type, 4) + body;
    out.append(typed);
    put32(out, quint32(crc32(0, reinterpret_cast<const Bytef*>(typed.constData()), uInt(typed.size()))));
    return out;
}

QList<ApngFrameSpec> plantedApngFrames()
{
    return { { 0, 0, 12, 8, 10, 100, 0, 0, pattern(12, 8, 0, 3) },
        { 3, 2, 6, 4, 20, 100, 1, 1, pattern(6, 4, 1, 3) },
        { 0, 0, 12, 8, 30, 100, 0, 0, pattern(12, 8, 2, 3) } };
}

QByteArray plantedApngPalette()
{
    return QByteArray("\xFF\x00\x00\x00\xFF\x00\x00\x00\xFF", 9);
}

namespace {

/// The frame's rows, filtered by row number: None, Sub, Up in turn.
QByteArray filteredRows(const ApngFrameSpec& frame)
{
    QByteArray out;
    for (int y = 0; y < frame.height; ++y) {
        const int filter = y % 3;
        out.append(char(filter));
        for (int x = 0; x < frame.width; ++x) {
            const int value = uchar(frame.indices[y * frame.width + x]);
            const int left = x > 0 ? uchar(frame.indices[y * frame.width + x - 1]) : 0;
            const int up = y > 0 ? uchar(frame.indices[(y - 1) * frame.width + x]) : 0;
            out.append(char(filter == 1 ? value - left : filter == 2 ? value - up : value));
        }
    }
    return out;
}

QByteArray deflated(const QByteArray& raw)
{
    uLongf size = compressBound(uLong(raw.size()));
    QByteArray out(qsizetype(size), '\0');
    compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(raw.constData()),
        uLong(raw.size()), 9);
    out.resize(qsizetype(size));
    return out;
}

QByteArray frameControl(quint32 sequence, const ApngFrameSpec& frame)
{
    QByteArray body;
    put32(body, sequence);
    put32(body, quint32(frame.width));
    put32(body, quint32(frame.height));
    put32(body, quint32(frame.left));
    put32(body, quint32(frame.top));
    body.append(char(frame.delayNumerator >> 8)).append(char(frame.delayNumerator));
    body.append(char(frame.delayDenominator >> 8)).append(char(frame.delayDenominator));
    body.append(char(frame.dispose)).append(char(frame.blend));
    return pngChunk("fcTL", body);
}

QByteArray frameData(quint32 sequence, const QByteArray& data)
{
    QByteArray body;
    put32(body, sequence);
    return pngChunk("fdAT", body + data);
}

} // namespace

QByteArray plantedApng()
{
    const QList<ApngFrameSpec> frames = plantedApngFrames();
    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    QByteArray header;
    put32(header, 12);
    put32(header, 8);
    header.append("\x08\x03\x00\x00\x00", 5);
    png.append(pngChunk("IHDR", header));
    png.append(pngChunk("tEXt", QByteArrayLiteral("Comment\0TEXTSECRETBEFORE")));
    png.append(pngChunk("PLTE", plantedApngPalette() + "PLTSECRET"));
    png.append(pngChunk("tRNS", QByteArray("\xFF\x80\xFF\x07\x07\x07", 6)));
    QByteArray control;
    put32(control, 3);
    put32(control, 2);
    png.append(pngChunk("acTL", control));
    png.append(pngChunk("eXIf", QByteArray("MM\0*\0\0\0\x08\0\0\0\0\0\0EXIFSECRET", 24)));
    png.append(frameControl(0, frames[0]));
    const QByteArray first = deflated(filteredRows(frames[0]));
    png.append(pngChunk("IDAT", first.left(first.size() / 2)));
    png.append(pngChunk("IDAT", first.mid(first.size() / 2)));
    png.append(pngChunk("iTXt", QByteArrayLiteral("Description\0\0\0\0\0ITXTSECRETBETWEEN")));
    png.append(frameControl(1, frames[1]));
    const QByteArray second = deflated(filteredRows(frames[1])) + "ZLIBSECRET";
    png.append(frameData(2, second.left(5)));
    png.append(frameData(3, second.mid(5)));
    png.append(pngChunk("tEXt", QByteArrayLiteral("Author\0TEXTSECRETBETWEEN")));
    png.append(frameControl(4, frames[2]));
    png.append(frameData(5, deflated(filteredRows(frames[2]))));
    png.append(pngChunk("IEND", {}));
    return png + "TRAILINGSECRET";
}
