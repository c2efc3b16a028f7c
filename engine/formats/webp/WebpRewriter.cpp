// SPDX-License-Identifier: GPL-3.0-or-later
// The WebP chunk rewriter: one walk that checks the whole structure and plans the copy, then the copy
// written from the plan, with the pictures' bytes taken straight from the source.
#include "engine/formats/webp/WebpRewriter.h"

#include "engine/core/ConversionReasons.h"
#include "engine/core/DescriptorIo.h"
#include "engine/metadata/ColorProfile.h"

#include <QByteArray>
#include <QSize>

#include <optional>
#include <vector>

namespace {

constexpr qsizetype kChunkHeaderSize = 8;
constexpr qsizetype kVp8xPayloadSize = 10;
constexpr qsizetype kAnimPayloadSize = 6;
constexpr qsizetype kFrameHeaderSize = 16;
/// The largest RIFF size a chunk's 32-bit field can state with room for its padding.
constexpr quint64 kMaxRiffSize = 0xFFFFFFFEu;
/// libwebp refuses a canvas or frame of this many pixels or more.
constexpr quint64 kMaxArea = quint64(1) << 32;
/// More frames than a file of a gigabyte could sensibly hold; it bounds the plan kept in memory.
constexpr std::size_t kMaxFrames = std::size_t(1) << 18;
/// Small pieces (chunk headers, frame headers, padding) are gathered before they reach the sink.
constexpr qsizetype kGatherSize = 64 * 1024;

constexpr quint8 kIccFlag = 0x20;
constexpr quint8 kAlphaFlag = 0x10;
constexpr quint8 kAnimationFlag = 0x02;
/// Of a frame's flags byte only blending (bit 1) and disposal (bit 0) mean anything.
constexpr quint8 kFrameFlagsKept = 0x03;

const uchar* bytesOf(QByteArrayView data)
{
    return reinterpret_cast<const uchar*>(data.data());
}

quint32 readLE24(const uchar* p)
{
    return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16;
}

quint32 readLE32(const uchar* p)
{
    return readLE24(p) | quint32(p[3]) << 24;
}

void putLE(QByteArray& out, quint64 value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.append(char((value >> (8 * i)) & 0xFF));
}

quint64 padded(qsizetype size)
{
    return quint64(size) + quint64(size & 1);
}

struct Chunk
{
    QByteArrayView fourcc;
    QByteArrayView payload;
};

/// The chunks of a RIFF area one at a time. A chunk whose payload, or whose padding byte, would lie past
/// the area stops the walk with an error: nothing inside such a structure is trusted.
class ChunkWalk
{
public:
    ChunkWalk(QByteArrayView area, const char* where)
        : m_area(area)
        , m_where(where)
    { }

    /// The next chunk; false at the end of the area, or with error() set.
    bool next(Chunk& chunk)
    {
        if (m_pos == m_area.size())
            return false;
        if (m_area.size() - m_pos < kChunkHeaderSize) {
            m_error = QStringLiteral("%1 ends inside a chunk header").arg(QLatin1String(m_where));
            return false;
        }
        const quint32 size = readLE32(bytesOf(m_area) + m_pos + 4);
        const qsizetype room = m_area.size() - m_pos - kChunkHeaderSize;
        if (padded(qsizetype(size)) > quint64(room)) {
            m_error = ConversionReasons::tr("a chunk runs past the end of %1").arg(QLatin1String(m_where));
            return false;
        }
        chunk.fourcc = m_area.sliced(m_pos, 4);
        chunk.payload = m_area.sliced(m_pos + kChunkHeaderSize, qsizetype(size));
        m_pos += kChunkHeaderSize + qsizetype(padded(qsizetype(size)));
        return true;
    }

    [[nodiscard]] const QString& error() const { return m_error; }

private:
    QByteArrayView m_area;
    const char* m_where;
    qsizetype m_pos = 0;
    QString m_error;
};

/// What a bitstream's header states.
struct BitstreamHeader
{
    QSize size;
    bool alpha = false;
};

/// A lossy key frame's header: its frame tag, start code and the 14-bit sides (libwebp's own checks).
std::optional<BitstreamHeader> readVp8Header(QByteArrayView payload)
{
    if (payload.size() < 10)
        return std::nullopt;
    const uchar* b = bytesOf(payload);
    const quint32 tag = readLE24(b);
    const bool keyFrame = (tag & 1) == 0;
    const bool shown = ((tag >> 4) & 1) != 0;
    if (!keyFrame || ((tag >> 1) & 7) > 3 || !shown || qsizetype(tag >> 5) >= payload.size())
        return std::nullopt;
    if (b[3] != 0x9D || b[4] != 0x01 || b[5] != 0x2A)
        return std::nullopt;
    const int width = int((b[6] | b[7] << 8) & 0x3FFF);
    const int height = int((b[8] | b[9] << 8) & 0x3FFF);
    if (width == 0 || height == 0)
        return std::nullopt;
    return BitstreamHeader { QSize(width, height), false };
}

/// A lossless image's header: signature, sides less one, alpha hint and a version that must be 0.
std::optional<BitstreamHeader> readVp8lHeader(QByteArrayView payload)
{
    if (payload.size() < 5 || uchar(payload[0]) != 0x2F)
        return std::nullopt;
    const quint32 bits = readLE32(bytesOf(payload) + 1);
    if ((bits >> 29) != 0)
        return std::nullopt;
    return BitstreamHeader { QSize(int(bits & 0x3FFF) + 1, int((bits >> 14) & 0x3FFF) + 1),
        ((bits >> 28) & 1) != 0 };
}

/// The chunks of one picture (a still image or one frame) that the copy keeps.
struct Picture
{
    QByteArrayView alphaData; ///< the 'ALPH' payload; meaningful only with hasAlphaChunk
    bool hasAlphaChunk = false;
    const char* imageFourcc = nullptr; ///< "VP8 " or "VP8L"; null until the image is found
    QByteArrayView imageData;
    BitstreamHeader header;

    [[nodiscard]] bool transparent() const { return hasAlphaChunk || header.alpha; }
    [[nodiscard]] quint64 chunksSize() const
    {
        return (hasAlphaChunk ? kChunkHeaderSize + padded(alphaData.size()) : 0) + kChunkHeaderSize
            + padded(imageData.size());
    }
};

/// Offers \a chunk to \a picture: its alpha or image chunk is kept, any other is left for the caller to
/// drop. False with \a error when the chunk cannot belong to one well-formed picture.
bool takePictureChunk(Picture& picture, const Chunk& chunk, QString& error)
{
    const bool lossy = chunk.fourcc == "VP8 ";
    if (chunk.fourcc == "ALPH") {
        if (picture.imageFourcc || picture.hasAlphaChunk) {
            error = ConversionReasons::tr("an alpha chunk out of place");
            return false;
        }
        picture.alphaData = chunk.payload;
        picture.hasAlphaChunk = true;
    } else if (lossy || chunk.fourcc == "VP8L") {
        if (picture.imageFourcc) {
            error = ConversionReasons::tr("more than one image in a picture");
            return false;
        }
        if (!lossy && picture.hasAlphaChunk) {
            error = ConversionReasons::tr("an alpha chunk beside a lossless image");
            return false;
        }
        const std::optional<BitstreamHeader> header
            = lossy ? readVp8Header(chunk.payload) : readVp8lHeader(chunk.payload);
        if (!header) {
            error = ConversionReasons::tr("an image header that cannot be read");
            return false;
        }
        picture.imageFourcc = lossy ? "VP8 " : "VP8L";
        picture.imageData = chunk.payload;
        picture.header = *header;
    }
    return true;
}

struct Frame
{
    QByteArray header; ///< the 16 bytes of the frame's header, reserved bits cleared
    Picture picture;

    [[nodiscard]] quint64 payloadSize() const { return kFrameHeaderSize + picture.chunksSize(); }
};

/// Everything the copy is written from.
struct Plan
{
    QSize canvas;
    bool animated = false;
    QByteArrayView animData; ///< the first kAnimPayloadSize bytes of 'ANIM'
    Picture still;
    std::vector<Frame> frames;
    QByteArray profile; ///< cleaned; empty when none is kept

    [[nodiscard]] bool needsVp8x() const { return animated || !profile.isEmpty() || still.hasAlphaChunk; }
    [[nodiscard]] bool transparent() const
    {
        if (!animated)
            return still.transparent();
        for (const Frame& frame : frames) {
            if (frame.picture.transparent())
                return true;
        }
        return false;
    }
};

/// Reads one 'ANMF' payload into \a frame, checked against \a canvas.
bool readFrame(QByteArrayView payload, QSize canvas, Frame& frame, QString& error)
{
    if (payload.size() < kFrameHeaderSize) {
        error = ConversionReasons::tr("a frame header cut short");
        return false;
    }
    const uchar* b = bytesOf(payload);
    const quint64 x = quint64(readLE24(b)) * 2;
    const quint64 y = quint64(readLE24(b + 3)) * 2;
    const quint64 width = quint64(readLE24(b + 6)) + 1;
    const quint64 height = quint64(readLE24(b + 9)) + 1;
    if (x + width > quint64(canvas.width()) || y + height > quint64(canvas.height())) {
        error = ConversionReasons::tr("a frame outside the canvas");
        return false;
    }
    ChunkWalk walk(payload.sliced(kFrameHeaderSize), "a frame");
    Chunk chunk;
    while (walk.next(chunk)) {
        if (!takePictureChunk(frame.picture, chunk, error))
            return false;
    }
    if (!walk.error().isEmpty()) {
        error = walk.error();
        return false;
    }
    if (!frame.picture.imageFourcc) {
        error = ConversionReasons::tr("a frame without an image");
        return false;
    }
    if (quint64(frame.picture.header.size.width()) != width
        || quint64(frame.picture.header.size.height()) != height) {
        error = ConversionReasons::tr("a frame whose image is not of its stated size");
        return false;
    }
    frame.header = QByteArray(payload.data(), kFrameHeaderSize);
    frame.header[kFrameHeaderSize - 1] = char(uchar(frame.header[kFrameHeaderSize - 1]) & kFrameFlagsKept);
    return true;
}

/// Walks the chunks of an extended file (after its 'VP8X') into \a plan.
// NOLINTNEXTLINE(readability-function-cognitive-complexity): one branch per chunk kind
bool planExtended(ChunkWalk& walk, Plan& plan, QString& error)
{
    bool haveProfile = false;
    bool haveAnim = false;
    Chunk chunk;
    while (walk.next(chunk)) {
        if (chunk.fourcc == "VP8X") {
            error = ConversionReasons::tr("a second VP8X chunk");
            return false;
        }
        if (chunk.fourcc == "ICCP") {
            // libwebp reads the first profile; later ones are dropped with the other chunks.
            if (!haveProfile)
                plan.profile = cleanColorProfile(chunk.payload.toByteArray());
            haveProfile = true;
            continue;
        }
        const bool frameChunk = chunk.fourcc == "ANIM" || chunk.fourcc == "ANMF";
        const bool imageChunk = chunk.fourcc == "ALPH" || chunk.fourcc == "VP8 " || chunk.fourcc == "VP8L";
        if (!plan.animated) {
            if (frameChunk) {
                error = ConversionReasons::tr("frames in a file not marked as an animation");
                return false;
            }
            if (!takePictureChunk(plan.still, chunk, error))
                return false;
            continue;
        }
        if (imageChunk) {
            error = ConversionReasons::tr("a still image's chunk in an animation");
            return false;
        }
        if (chunk.fourcc == "ANIM") {
            if (haveAnim || chunk.payload.size() < kAnimPayloadSize) {
                error = ConversionReasons::tr("an animation header out of place or cut short");
                return false;
            }
            haveAnim = true;
            plan.animData = chunk.payload.first(kAnimPayloadSize);
        } else if (chunk.fourcc == "ANMF") {
            if (!haveAnim) {
                error = ConversionReasons::tr("a frame before the animation header");
                return false;
            }
            if (plan.frames.size() >= kMaxFrames) {
                error = ConversionReasons::tr("more than %1 frames").arg(kMaxFrames);
                return false;
            }
            Frame frame;
            if (!readFrame(chunk.payload, plan.canvas, frame, error))
                return false;
            plan.frames.push_back(std::move(frame));
        }
    }
    if (!walk.error().isEmpty()) {
        error = walk.error();
        return false;
    }
    if (plan.animated) {
        if (plan.frames.empty()) {
            error = ConversionReasons::tr("an animation without frames");
            return false;
        }
        return true;
    }
    if (!plan.still.imageFourcc) {
        error = ConversionReasons::tr("no image");
        return false;
    }
    if (plan.still.header.size != plan.canvas) {
        error = ConversionReasons::tr("an image whose size is not the canvas");
        return false;
    }
    return true;
}

/// Checks the whole of \a data and plans its copy. False with \a error when the structure is refused.
bool planRewrite(QByteArrayView data, Plan& plan, QString& error)
{
    if (data.size() < 12 || !data.startsWith("RIFF") || data.sliced(8, 4) != "WEBP") {
        error = ConversionReasons::tr("not a WebP file");
        return false;
    }
    const quint32 riffSize = readLE32(bytesOf(data) + 4);
    if (riffSize & 1) {
        error = ConversionReasons::tr("an odd RIFF size");
        return false;
    }
    if (riffSize < 4 || quint64(riffSize) + 8 > quint64(data.size())) {
        error = ConversionReasons::tr("a RIFF size past the end of the file");
        return false;
    }
    // Whatever follows the RIFF structure is not part of the image and is left behind.
    ChunkWalk walk(data.sliced(12, qsizetype(riffSize) - 4), "the file");
    Chunk first;
    if (!walk.next(first)) {
        error = walk.error().isEmpty() ? ConversionReasons::tr("no image") : walk.error();
        return false;
    }
    if (first.fourcc == "VP8 " || first.fourcc == "VP8L") {
        // The simple format: the image alone is the picture; whatever chunks follow it are not read by
        // decoders and are dropped, though they must still fit.
        if (!takePictureChunk(plan.still, first, error))
            return false;
        plan.canvas = plan.still.header.size;
        Chunk rest;
        while (walk.next(rest)) { }
        error = walk.error();
        return error.isEmpty();
    }
    if (first.fourcc != "VP8X") {
        error = ConversionReasons::tr("no image or VP8X chunk first");
        return false;
    }
    if (first.payload.size() < kVp8xPayloadSize) {
        error = ConversionReasons::tr("a VP8X chunk cut short");
        return false;
    }
    const uchar* vp8x = bytesOf(first.payload);
    const quint64 width = quint64(readLE24(vp8x + 4)) + 1;
    const quint64 height = quint64(readLE24(vp8x + 7)) + 1;
    if (width * height >= kMaxArea) {
        error = ConversionReasons::tr("a canvas larger than the format allows");
        return false;
    }
    plan.canvas = QSize(int(width), int(height));
    plan.animated = (vp8x[0] & kAnimationFlag) != 0;
    return planExtended(walk, plan, error);
}

/// Hands small pieces to the sink in batches and large ones straight through.
class Output
{
public:
    explicit Output(const WebpSink& sink)
        : m_sink(sink)
    { }

    bool put(QByteArrayView bytes)
    {
        if (m_pending.size() + bytes.size() <= kGatherSize) {
            m_pending.append(bytes);
            return true;
        }
        return flush() && (bytes.size() <= kGatherSize ? (m_pending.append(bytes), true) : m_sink(bytes));
    }

    bool chunk(const char* fourcc, QByteArrayView payload)
    {
        QByteArray header(fourcc, 4);
        putLE(header, quint64(payload.size()), 4);
        static const char kZero = 0;
        return put(header) && put(payload) && ((payload.size() & 1) == 0 || put(QByteArrayView(&kZero, 1)));
    }

    bool flush()
    {
        const bool ok = m_pending.isEmpty() || m_sink(m_pending);
        m_pending.clear();
        return ok;
    }

private:
    const WebpSink& m_sink;
    QByteArray m_pending;
};

bool writePicture(Output& out, const Picture& picture)
{
    return (!picture.hasAlphaChunk || out.chunk("ALPH", picture.alphaData))
        && out.chunk(picture.imageFourcc, picture.imageData);
}

bool writePlan(Output& out, const Plan& plan, QString& error)
{
    quint64 body = 4; // "WEBP"
    if (plan.needsVp8x())
        body += kChunkHeaderSize + kVp8xPayloadSize;
    if (!plan.profile.isEmpty())
        body += kChunkHeaderSize + padded(plan.profile.size());
    if (plan.animated) {
        body += kChunkHeaderSize + kAnimPayloadSize;
        for (const Frame& frame : plan.frames)
            body += kChunkHeaderSize + frame.payloadSize();
    } else {
        body += plan.still.chunksSize();
    }
    // Only the cleaned profile can make the copy larger than its source.
    if (body > kMaxRiffSize) {
        error = ConversionReasons::tr("the copy would be larger than the format allows");
        return false;
    }

    QByteArray head("RIFF");
    putLE(head, body, 4);
    head.append("WEBP");
    if (!out.put(head))
        return false;
    if (plan.needsVp8x()) {
        QByteArray vp8x;
        putLE(vp8x,
            (plan.profile.isEmpty() ? 0 : kIccFlag) | (plan.transparent() ? kAlphaFlag : 0)
                | (plan.animated ? kAnimationFlag : 0),
            4);
        putLE(vp8x, quint64(plan.canvas.width() - 1), 3);
        putLE(vp8x, quint64(plan.canvas.height() - 1), 3);
        if (!out.chunk("VP8X", vp8x))
            return false;
    }
    if (!plan.profile.isEmpty() && !out.chunk("ICCP", plan.profile))
        return false;
    if (!plan.animated)
        return writePicture(out, plan.still) && out.flush();
    if (!out.chunk("ANIM", plan.animData))
        return false;
    for (const Frame& frame : plan.frames) {
        QByteArray header("ANMF");
        putLE(header, frame.payloadSize(), 4);
        header.append(frame.header);
        if (!out.put(header) || !writePicture(out, frame.picture))
            return false;
    }
    return out.flush();
}

} // namespace

WebpRewriteResult rewriteWebp(QByteArrayView data, const WebpSink& sink, QString* reason)
{
    Plan plan;
    QString error;
    if (!planRewrite(data, plan, error)) {
        if (reason)
            *reason = error;
        return WebpRewriteResult::Refused;
    }
    Output out(sink);
    if (!writePlan(out, plan, error)) {
        // A plan refused at writing is refused before its first byte.
        if (reason)
            *reason = error.isEmpty() ? ConversionReasons::tr("the copy could not be written") : error;
        return error.isEmpty() ? WebpRewriteResult::Failed : WebpRewriteResult::Refused;
    }
    return WebpRewriteResult::Written;
}

WebpRewriteResult rewriteWebp(QByteArrayView data, int fd, QString* reason)
{
    QString written;
    const WebpSink sink = [fd, &written](QByteArrayView bytes) {
        const DescriptorTransfer transfer = writeFully(fd, bytes.data(), std::size_t(bytes.size()));
        if (transfer.error != 0)
            written = systemErrorText(transfer.error);
        return transfer.error == 0;
    };
    QString why;
    const WebpRewriteResult result = rewriteWebp(data, sink, &why);
    if (reason && result != WebpRewriteResult::Written)
        *reason = result == WebpRewriteResult::Failed && !written.isEmpty() ? written : why;
    return result;
}
