// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/engine/EngineTestSupport.h"

#include "tests/common/TestSupport.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTransform>
#include <QtEndian>

#include <cmath>
#include <fcntl.h>
#include <unistd.h>
#include <zlib.h>

QString dirtyFile(const QString& relative)
{
    return dirtyCorpusDir() + u'/' + relative;
}

QJsonObject exiftoolTags(const QString& path)
{
    return exiftoolTagsUnder(path).value(QFileInfo(path).fileName());
}

QHash<QString, QJsonObject> exiftoolTagsUnder(const QString& dir)
{
    const ProcessResult result
        = runProcess(QStringLiteral("exiftool"), { "-j", "-n", "-G1", "-a", "-r", dir });
    QHash<QString, QJsonObject> tags;
    for (const QJsonValue& file : QJsonDocument::fromJson(result.standardOutput.toUtf8()).array()) {
        const QJsonObject object = file.toObject();
        tags.insert(QFileInfo(object.value("SourceFile").toString()).fileName(), object);
    }
    return tags;
}

int frameCount(const QString& path)
{
    return frameCounts({ path }).value(path, -1);
}

QImage quadrants(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    const QRgb colours[4] = { qRgb(200, 0, 0), qRgb(0, 200, 0), qRgb(0, 0, 200), qRgb(220, 200, 0) };
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, colours[(y >= height / 2) * 2 + (x >= width / 2)]);
    return image;
}

QImage turnedUpright(const QImage& image, int orientation)
{
    // 5 to 8 are the transposed picture, mirrored as 1 to 4 mirror the stored one.
    const int mirror = (orientation - 1) % 4; // 0 none, 1 across, 2 both, 3 upside down
    return (orientation >= 5 ? image.transformed(QTransform(0, 1, 1, 0, 0, 0)) : image)
        .mirrored(mirror == 1 || mirror == 2, mirror == 2 || mirror == 3);
}

bool writeThroughDescriptor(const QString& path, const std::function<bool(int fd)>& write)
{
    const int fd
        = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const bool ok = fd >= 0 && write(fd);
    return fd >= 0 && ::close(fd) == 0 && ok;
}

Difference compareImages(const QImage& expectedImage, const QImage& actualImage, bool withAlpha,
    const std::function<bool(int, int, QRgb)>& counts)
{
    if (expectedImage.size() != actualImage.size())
        return { 256, 0 };
    const QImage expected = expectedImage.convertToFormat(QImage::Format_ARGB32);
    const QImage actual = actualImage.convertToFormat(QImage::Format_ARGB32);
    Difference d;
    double squares = 0;
    qint64 samples = 0;
    for (int y = 0; y < expected.height(); ++y) {
        const auto* e = reinterpret_cast<const QRgb*>(expected.constScanLine(y));
        const auto* a = reinterpret_cast<const QRgb*>(actual.constScanLine(y));
        for (int x = 0; x < expected.width(); ++x) {
            if (counts && !counts(x, y, e[x]))
                continue;
            for (const int diff : { qRed(e[x]) - qRed(a[x]), qGreen(e[x]) - qGreen(a[x]),
                     qBlue(e[x]) - qBlue(a[x]), withAlpha ? qAlpha(e[x]) - qAlpha(a[x]) : 0 }) {
                d.maximum = std::max(d.maximum, std::abs(diff));
                squares += double(diff) * diff;
            }
            samples += withAlpha ? 4 : 3;
        }
    }
    d.psnr = squares == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 * double(samples) / squares);
    return d;
}

std::vector<JpegSegment> jpegSegments(const QByteArray& file)
{
    const auto byte = [&](qsizetype i) { return i < file.size() ? int(uchar(file[i])) : -1; };
    if (byte(0) != 0xFF || byte(1) != 0xD8)
        return {};
    std::vector<JpegSegment> segments { { 0xD8, {}, {} } };
    qsizetype pos = 2;
    while (pos < file.size()) {
        if (byte(pos) != 0xFF)
            return {};
        const int marker = byte(pos + 1);
        if (marker == 0xD9) {
            segments.push_back({ marker, {}, {} });
            return pos + 2 == file.size() ? segments : std::vector<JpegSegment> {};
        }
        const int length = byte(pos + 2) << 8 | byte(pos + 3);
        if (length < 2 || pos + 2 + length > file.size())
            return {};
        segments.push_back({ marker, file.mid(pos + 4, length - 2), {} });
        pos += 2 + length;
        if (marker == 0xDA) { // entropy-coded data: stuffed zeros and restart markers belong to it
            const qsizetype start = pos;
            while (pos + 1 < file.size()
                && (byte(pos) != 0xFF || byte(pos + 1) == 0
                    || (byte(pos + 1) >= 0xD0 && byte(pos + 1) <= 0xD7)))
                ++pos;
            segments.back().scan = file.mid(start, pos - start);
        }
    }
    return {};
}

QByteArray jpegIccProfile(const std::vector<JpegSegment>& segments)
{
    QByteArray profile;
    int expected = 1;
    for (const JpegSegment& s : segments) {
        if (s.marker != 0xE2 || !s.payload.startsWith(QByteArray("ICC_PROFILE\0", 12)))
            continue;
        if (uchar(s.payload[12]) != expected++)
            return "chunks out of order";
        profile += s.payload.mid(14);
    }
    return profile;
}

QList<PngChunk> pngChunks(const QByteArray& file)
{
    if (!file.startsWith("\x89PNG\r\n\x1a\n"))
        return {};
    QList<PngChunk> chunks;
    for (qsizetype at = 8; at + 12 <= file.size();) {
        const quint32 length = qFromBigEndian<quint32>(file.constData() + at);
        if (at + 12 + qsizetype(length) > file.size())
            return {};
        const QByteArray typed = file.mid(at + 4, 4 + qsizetype(length));
        if (qFromBigEndian<quint32>(file.constData() + at + 8 + length)
            != quint32(crc32(0, reinterpret_cast<const Bytef*>(typed.constData()), uInt(typed.size()))))
            return {};
        chunks.append({ typed.left(4), typed.mid(4) });
        at += 12 + qsizetype(length);
        if (chunks.last().type == "IEND")
            return at == file.size() ? chunks : QList<PngChunk> {};
    }
    return {};
}

QList<QByteArray> pngChunkTypes(const QByteArray& file)
{
    QList<QByteArray> types;
    for (const PngChunk& chunk : pngChunks(file))
        types.append(chunk.type);
    return types;
}
