// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/engine/TiffPageFixtures.h"

#include <QFile>
#include <QtEndian>

#include <tiffio.h>
#include <vector>

QImage tiffFixturePixels(const TiffPageLayout& layout, int index)
{
    if (layout.pattern >= 0)
        index = layout.pattern;
    QImage image(layout.width, layout.height, QImage::Format_ARGB32);
    for (int y = 0; y < layout.height; ++y) {
        for (int x = 0; x < layout.width; ++x) {
            const int r = (x * 37 + index * 61) % 256;
            const int g = (y * 53 + index * 17) % 256;
            const int b = (x * y * 7 + 40 * index) % 256;
            switch (layout.kind) {
            case TiffPageLayout::Kind::Rgb:
                image.setPixel(x, y, qRgb(r, g, b));
                break;
            case TiffPageLayout::Kind::Gray:
                image.setPixel(x, y, qRgb(r, r, r));
                break;
            case TiffPageLayout::Kind::Rgba:
                // Opaque, half and fully transparent pixels side by side.
                image.setPixel(x, y, qRgba(r, g, b, (x + y) % 3 == 0 ? 255 : (x + y) % 3 == 1 ? 128 : 0));
                break;
            }
        }
    }
    return image;
}

namespace {

bool writeMarkers(TIFF* tiff, const TiffPageLayout& layout)
{
    const QByteArray text = layout.marker.toUtf8();
    // The GPS directory is written ahead of its image directory, which then points to it.
    if (TIFFCreateGPSDirectory(tiff) != 0 || !TIFFSetField(tiff, GPSTAG_MAPDATUM, text.constData()))
        return false;
    uint64_t gps = 0;
    if (!TIFFWriteCustomDirectory(tiff, &gps) || TIFFCreateDirectory(tiff) != 0)
        return false;
    const QByteArray xmp = "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF "
                           "xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'><rdf:Description "
                           "xmlns:dc='http://purl.org/dc/elements/1.1/'><dc:creator>"
        + text + "</dc:creator></rdf:Description></rdf:RDF></x:xmpmeta>";
    return TIFFSetField(tiff, TIFFTAG_GPSIFD, gps)
        && TIFFSetField(tiff, TIFFTAG_IMAGEDESCRIPTION, text.constData())
        && TIFFSetField(tiff, TIFFTAG_ARTIST, text.constData())
        && TIFFSetField(tiff, TIFFTAG_SOFTWARE, text.constData())
        && TIFFSetField(tiff, TIFFTAG_DATETIME, kTiffMarkerDate)
        && TIFFSetField(tiff, TIFFTAG_XMLPACKET, uint32_t(xmp.size()), xmp.constData());
}

bool writeDirectory(TIFF* tiff, const TiffPageLayout& layout, int index)
{
    if (!layout.marker.isEmpty() && !writeMarkers(tiff, layout))
        return false;
    const int samples = layout.kind == TiffPageLayout::Kind::Gray ? 1
        : layout.kind == TiffPageLayout::Kind::Rgb                ? 3
                                                                  : 4;
    bool ok = TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, uint32_t(layout.width))
        && TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, uint32_t(layout.height))
        && TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8)
        && TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, samples)
        && TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC,
            layout.kind == TiffPageLayout::Kind::Gray ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_RGB)
        && TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG)
        && TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_NONE)
        && TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, uint32_t(layout.height))
        && TIFFSetField(tiff, TIFFTAG_ORIENTATION, uint16_t(layout.orientation));
    if (ok && layout.kind == TiffPageLayout::Kind::Rgba) {
        const uint16_t extra = EXTRASAMPLE_UNASSALPHA;
        ok = TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, &extra);
    }
    if (ok && layout.reduced)
        ok = TIFFSetField(tiff, TIFFTAG_SUBFILETYPE, FILETYPE_REDUCEDIMAGE);
    if (ok && layout.unit != 0) {
        ok = TIFFSetField(tiff, TIFFTAG_RESOLUTIONUNIT, layout.unit)
            && TIFFSetField(tiff, TIFFTAG_XRESOLUTION, double(layout.xResolution))
            && TIFFSetField(tiff, TIFFTAG_YRESOLUTION, double(layout.yResolution));
    }
    if (!ok)
        return false;
    const QImage pixels = tiffFixturePixels(layout, index);
    std::vector<uchar> row(size_t(layout.width) * size_t(samples));
    for (int y = 0; y < layout.height; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(pixels.constScanLine(y));
        for (int x = 0; x < layout.width; ++x) {
            const QRgb p = line[x];
            const int channels[4] = { qRed(p), qGreen(p), qBlue(p), qAlpha(p) };
            for (int c = 0; c < samples; ++c)
                row[size_t(x * samples + c)] = uchar(channels[c]);
        }
        if (TIFFWriteScanline(tiff, row.data(), uint32_t(y), 0) != 1)
            return false;
    }
    return TIFFWriteDirectory(tiff) != 0;
}

} // namespace

bool writeTiffFixture(const QString& path, const QList<TiffPageLayout>& layouts)
{
    TIFF* tiff = TIFFOpen(QFile::encodeName(path).constData(), "wl");
    if (!tiff)
        return false;
    bool ok = true;
    for (int i = 0; ok && i < layouts.size(); ++i)
        ok = writeDirectory(tiff, layouts[i], i);
    TIFFClose(tiff);
    return ok;
}

bool patchTiffEntry(QByteArray& data, int directory, quint16 tag, quint32 value)
{
    const auto* bytes = reinterpret_cast<const uchar*>(data.constData());
    const auto fits = [&data](qint64 at, qint64 length) { return at >= 0 && at + length <= data.size(); };
    if (!fits(0, 8) || !data.startsWith("II"))
        return false;
    qint64 offset = qFromLittleEndian<quint32>(bytes + 4);
    for (int i = 0; i < directory && fits(offset, 2); ++i) {
        const qint64 entries = qFromLittleEndian<quint16>(bytes + offset);
        if (!fits(offset + 2 + 12 * entries, 4))
            return false;
        offset = qFromLittleEndian<quint32>(bytes + offset + 2 + 12 * entries);
    }
    if (offset == 0 || !fits(offset, 2))
        return false;
    const qint64 entries = qFromLittleEndian<quint16>(bytes + offset);
    for (qint64 i = 0; i < entries && fits(offset + 2 + 12 * i, 12); ++i) {
        const qint64 at = offset + 2 + 12 * i;
        if (qFromLittleEndian<quint16>(bytes + at) != tag || qFromLittleEndian<quint32>(bytes + at + 4) != 1)
            continue;
        const bool isShort = qFromLittleEndian<quint16>(bytes + at + 2) == 3;
        auto* target = reinterpret_cast<uchar*>(data.data()) + at + 8;
        if (isShort)
            qToLittleEndian<quint16>(quint16(value), target);
        else
            qToLittleEndian<quint32>(value, target);
        return true;
    }
    return false;
}
