// SPDX-License-Identifier: GPL-3.0-or-later
// TEMPORARY stand-in until the libjpeg-turbo codec lands.
#include "engine/JpegCodec.h"

#include <QBuffer>
#include <QColorSpace>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>

std::optional<JpegHeaderInfo> readJpegHeader(const QByteArray& data)
{
    QByteArray d = data;
    QBuffer b(&d);
    b.open(QIODevice::ReadOnly);
    QImageReader r(&b, "jpeg");
    if (!r.size().isValid())
        return std::nullopt;
    return JpegHeaderInfo { r.size().width(), r.size().height(), 3 };
}

std::optional<Image> decodeJpeg(const QByteArray& data, qint64 maxPixels)
{
    QByteArray d = data;
    QBuffer b(&d);
    b.open(QIODevice::ReadOnly);
    QImageReader r(&b, "jpeg");
    if (!r.size().isValid() || qint64(r.size().width()) * r.size().height() > maxPixels)
        return std::nullopt;
    QImage img;
    if (!r.read(&img))
        return std::nullopt;
    Image out { imageWithoutText(img), {} };
    if (img.colorSpace().isValid())
        out.iccProfile = img.colorSpace().iccProfile();
    return out;
}

bool encodeJpeg(const QImage& image, const JpegEncodeOptions& options, int fd)
{
    QFile f;
    if (!f.open(fd, QIODevice::WriteOnly, QFileDevice::DontCloseHandle))
        return false;
    QImageWriter w(&f, "jpeg");
    w.setQuality(options.quality);
    QImage img = image;
    if (options.dpiX)
        img.setDotsPerMeterX(int(*options.dpiX / 0.0254 + 0.5));
    if (options.dpiY)
        img.setDotsPerMeterY(int(*options.dpiY / 0.0254 + 0.5));
    return w.write(img) && f.flush();
}
