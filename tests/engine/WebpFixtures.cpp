// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/engine/WebpFixtures.h"

#include "tests/common/TestSupport.h"

#include <QHash>
#include <QTemporaryDir>

#include <functional>
#include <webp/decode.h>
#include <webp/demux.h>
#include <webp/encode.h>
#include <webp/mux.h>

namespace {

quint32 le32(const QByteArray& data, qsizetype at)
{
    return quint32(uchar(data[at])) | quint32(uchar(data[at + 1])) << 8 | quint32(uchar(data[at + 2])) << 16
        | quint32(uchar(data[at + 3])) << 24;
}

QByteArray le(quint32 value, int bytes)
{
    QByteArray out;
    for (int i = 0; i < bytes; ++i)
        out.append(char((value >> (8 * i)) & 0xFF));
    return out;
}

/// Walks the chunks in data[begin, end); false when one runs past \a end.
bool walkChunks(const QByteArray& data, qsizetype begin, qsizetype end, QList<WebpChunk>& chunks,
    bool& paddingZero, int depth)
{
    qsizetype at = begin;
    while (at < end) {
        if (end - at < 8)
            return false;
        const qsizetype size = qsizetype(le32(data, at + 4));
        if (at + 8 + size + (size & 1) > end)
            return false;
        WebpChunk chunk;
        chunk.id = data.mid(at, 4);
        chunk.payload = data.mid(at + 8, size);
        if ((size & 1) && data[at + 8 + size] != 0)
            paddingZero = false;
        if (chunk.id == "ANMF" && depth == 0) {
            if (size < 16)
                return false;
            chunk.frameHeader = chunk.payload.left(16);
            if (!walkChunks(data, at + 24, at + 8 + size, chunk.inner, paddingZero, 1))
                return false;
        }
        chunks.append(chunk);
        at += 8 + size + (size & 1);
    }
    return true;
}

QByteArray fromWebPData(WebPData& data)
{
    QByteArray bytes(reinterpret_cast<const char*>(data.bytes), qsizetype(data.size));
    WebPDataClear(&data);
    return bytes;
}

} // namespace

WebpWalk walkWebpFile(const QByteArray& file)
{
    WebpWalk walk;
    if (file.size() < 12 || !file.startsWith("RIFF") || file.mid(8, 4) != "WEBP") {
        walk.error = QStringLiteral("not a RIFF WebP file");
        return walk;
    }
    walk.riffSize = le32(file, 4);
    if (walk.riffSize + 8 > quint64(file.size())) {
        walk.error = QStringLiteral("RIFF size past the end");
        return walk;
    }
    walk.trailing = file.size() - qsizetype(walk.riffSize) - 8;
    if (!walkChunks(file, 12, qsizetype(walk.riffSize) + 8, walk.chunks, walk.paddingZero, 0))
        walk.error = QStringLiteral("a chunk runs past its container");
    return walk;
}

QStringList webpChunkList(const QByteArray& file)
{
    const WebpWalk walk = walkWebpFile(file);
    QStringList list;
    for (const WebpChunk& chunk : walk.chunks) {
        QString id = QString::fromLatin1(chunk.id);
        if (chunk.id == "ANMF") {
            QStringList inner;
            for (const WebpChunk& sub : chunk.inner)
                inner << QString::fromLatin1(sub.id);
            id += u'[' + inner.join(u' ') + u']';
        }
        list << id;
    }
    if (!walk.error.isEmpty())
        list << QStringLiteral("error: ") + walk.error;
    return list;
}

QList<QByteArray> webpPictureBytes(const QByteArray& file)
{
    QList<QByteArray> pieces;
    const std::function<void(const QList<WebpChunk>&)> collect = [&](const QList<WebpChunk>& chunks) {
        for (const WebpChunk& chunk : chunks) {
            if (chunk.id == "ALPH" || chunk.id == "VP8 " || chunk.id == "VP8L")
                pieces << chunk.id + chunk.payload;
            if (chunk.id == "ANMF") {
                pieces << chunk.id + chunk.frameHeader;
                collect(chunk.inner);
            }
        }
    };
    collect(walkWebpFile(file).chunks);
    return pieces;
}

QByteArray webpChunk(const QByteArray& id, const QByteArray& payload)
{
    QByteArray out = id + le(quint32(payload.size()), 4) + payload;
    if (payload.size() & 1)
        out.append('\0');
    return out;
}

QByteArray webpRiff(const QByteArray& body)
{
    return "RIFF" + le(quint32(body.size() + 4), 4) + "WEBP" + body;
}

QImage webpTestPicture(int width, int height, bool alpha, int seed)
{
    QImage image(width, height, alpha ? QImage::Format_RGBA8888 : QImage::Format_RGBX8888);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.setPixel(x, y,
                qRgba((40 + 3 * x + 17 * seed) & 255, (30 + 5 * y + 29 * seed) & 255,
                    ((x / 6 + y / 6 + seed) % 2) ? 210 : 50,
                    alpha ? 40 + (200 * x) / std::max(1, width - 1) : 255));
        }
    }
    return image;
}

QByteArray encodeWebpStill(const QImage& image, bool lossless)
{
    const QImage rgba = image.convertToFormat(QImage::Format_RGBA8888);
    const bool alpha = image.hasAlphaChannel();
    uint8_t* output = nullptr;
    size_t size = 0;
    if (lossless) {
        size = WebPEncodeLosslessRGBA(
            rgba.constBits(), rgba.width(), rgba.height(), int(rgba.bytesPerLine()), &output);
    } else if (alpha) {
        size = WebPEncodeRGBA(
            rgba.constBits(), rgba.width(), rgba.height(), int(rgba.bytesPerLine()), 80, &output);
    } else {
        const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
        size
            = WebPEncodeRGB(rgb.constBits(), rgb.width(), rgb.height(), int(rgb.bytesPerLine()), 80, &output);
    }
    QByteArray bytes(reinterpret_cast<const char*>(output), qsizetype(size));
    WebPFree(output);
    return bytes;
}

QByteArray encodeWebpAnimation()
{
    struct FramePlan
    {
        QByteArray bitstream;
        int x, y, duration;
        WebPMuxAnimDispose dispose;
        WebPMuxAnimBlend blend;
    };
    const FramePlan layouts[] = {
        { encodeWebpStill(webpTestPicture(96, 64, false, 1), false), 0, 0, 100, WEBP_MUX_DISPOSE_NONE,
            WEBP_MUX_NO_BLEND },
        { encodeWebpStill(webpTestPicture(40, 30, true, 2), true), 10, 8, 250, WEBP_MUX_DISPOSE_BACKGROUND,
            WEBP_MUX_BLEND },
        { encodeWebpStill(webpTestPicture(50, 40, true, 3), false), 40, 20, 40, WEBP_MUX_DISPOSE_NONE,
            WEBP_MUX_NO_BLEND },
    };
    WebPMux* mux = WebPMuxNew();
    const WebPMuxAnimParams params { 0xFF336699u, 3 };
    bool ok = mux && WebPMuxSetCanvasSize(mux, 96, 64) == WEBP_MUX_OK
        && WebPMuxSetAnimationParams(mux, &params) == WEBP_MUX_OK;
    for (const FramePlan& layout : layouts) {
        WebPMuxFrameInfo frame {};
        frame.bitstream = { reinterpret_cast<const uint8_t*>(layout.bitstream.constData()),
            size_t(layout.bitstream.size()) };
        frame.x_offset = layout.x;
        frame.y_offset = layout.y;
        frame.duration = layout.duration;
        frame.id = WEBP_CHUNK_ANMF;
        frame.dispose_method = layout.dispose;
        frame.blend_method = layout.blend;
        ok = ok && WebPMuxPushFrame(mux, &frame, 1) == WEBP_MUX_OK;
    }
    WebPData assembled { nullptr, 0 };
    ok = ok && WebPMuxAssemble(mux, &assembled) == WEBP_MUX_OK;
    WebPMuxDelete(mux);
    const QByteArray file = fromWebPData(assembled);
    return ok ? file : QByteArray();
}

QByteArray exifWithGps(int orientation)
{
    static QHash<int, QByteArray> made;
    if (made.contains(orientation))
        return made.value(orientation);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("block.exif"));
    const ProcessResult run = runProcess(QStringLiteral("exiftool"),
        { "-q", "-n", "-o", path, QStringLiteral("-Orientation=%1").arg(orientation),
            "-GPSLatitude=48.858370", "-GPSLatitudeRef=N", "-GPSLongitude=2.294481", "-GPSLongitudeRef=E",
            "-Artist=" + QString::fromLatin1(kExifMarker) });
    const QByteArray block = run.exitCode == 0 ? fileBytes(path) : QByteArray();
    if (!block.isEmpty())
        made.insert(orientation, block);
    return block;
}

QByteArray xmpPacket()
{
    return "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n"
           "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF "
           "xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\"><rdf:Description rdf:about=\"\" "
           "xmlns:dc=\"http://purl.org/dc/elements/1.1/\"><dc:creator><rdf:Seq><rdf:li>"
        + kXmpMarker
        + "</rdf:li></rdf:Seq></dc:creator></rdf:Description></rdf:RDF></x:xmpmeta>\n"
          "<?xpacket end=\"w\"?>";
}

QByteArray dirtyWebp(const QByteArray& clean, const Planting& planting)
{
    const WebpWalk walk = walkWebpFile(clean);
    if (!walk.error.isEmpty() || walk.chunks.isEmpty())
        return {};
    QByteArray flags(4, '\0');
    QByteArray canvas;
    QList<WebpChunk> chunks = walk.chunks;
    if (chunks.first().id == "VP8X") {
        flags = chunks.first().payload.left(4);
        canvas = chunks.first().payload.mid(4, 6);
        chunks.removeFirst();
    } else {
        int width = 0;
        int height = 0;
        if (!WebPGetInfo(
                reinterpret_cast<const uint8_t*>(clean.constData()), size_t(clean.size()), &width, &height))
            return {};
        canvas = le(quint32(width - 1), 3) + le(quint32(height - 1), 3);
        const WebpChunk& image = chunks.first();
        if (image.id == "VP8L" && image.payload.size() > 4 && (uchar(image.payload[4]) & 0x10))
            flags[0] = char(0x10);
    }
    flags[0]
        = char(uchar(flags[0]) | (planting.profile.isEmpty() ? 0 : 0x20) | (planting.topLevel ? 0x0C : 0));
    QByteArray body = webpChunk("VP8X", flags + canvas);
    if (!planting.profile.isEmpty())
        body += webpChunk("ICCP", planting.profile);
    int frame = 0;
    for (const WebpChunk& chunk : chunks) {
        if (chunk.id != "ANMF") {
            body += webpChunk(chunk.id, chunk.payload);
            continue;
        }
        QByteArray payload = chunk.frameHeader;
        for (const WebpChunk& sub : chunk.inner)
            payload += webpChunk(sub.id, sub.payload);
        if (planting.inFrames && ++frame == 2) {
            payload += webpChunk("EXIF", exifWithGps(planting.orientation));
            payload += webpChunk("ZZZZ", kFrameMarker + '!');
        }
        body += webpChunk("ANMF", payload);
    }
    if (planting.topLevel) {
        body += webpChunk("EXIF", exifWithGps(planting.orientation));
        body += webpChunk("XMP ", xmpPacket());
        body += webpChunk("ABCD", kUnknownMarker);
    }
    QByteArray file = webpRiff(body);
    if (planting.trailing)
        file += kTrailingMarker;
    return file;
}

std::optional<DecodedWebp> decodeWebpFrames(const QByteArray& file)
{
    const WebPData data { reinterpret_cast<const uint8_t*>(file.constData()), size_t(file.size()) };
    WebPAnimDecoderOptions options;
    if (!WebPAnimDecoderOptionsInit(&options))
        return std::nullopt;
    options.color_mode = MODE_RGBA;
    options.use_threads = 0;
    WebPAnimDecoder* decoder = WebPAnimDecoderNew(&data, &options);
    WebPAnimInfo info;
    if (!decoder || !WebPAnimDecoderGetInfo(decoder, &info)) {
        WebPAnimDecoderDelete(decoder);
        return std::nullopt;
    }
    DecodedWebp decoded;
    decoded.width = int(info.canvas_width);
    decoded.height = int(info.canvas_height);
    decoded.loopCount = info.loop_count;
    decoded.background = info.bgcolor;
    bool ok = true;
    while (ok && WebPAnimDecoderHasMoreFrames(decoder)) {
        uint8_t* pixels = nullptr;
        int timestamp = 0;
        ok = WebPAnimDecoderGetNext(decoder, &pixels, &timestamp) != 0;
        if (ok) {
            decoded.frames.append(QByteArray(
                reinterpret_cast<const char*>(pixels), qsizetype(decoded.width) * decoded.height * 4));
            decoded.timestamps.append(timestamp);
        }
    }
    WebPAnimDecoderDelete(decoder);
    if (!ok)
        return std::nullopt;
    return decoded;
}
