// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/formats/tiff/TiffPages.h"

#include "engine/core/ConversionReasons.h"
#include "engine/core/DescriptorIo.h"

#include <QColorSpace>
#include <QCoreApplication>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <sys/stat.h>
#include <tiffio.h>
#include <vector>

namespace {

const char* const kNotEncoded = QT_TRANSLATE_NOOP("ConversionReasons", "the image could not be encoded");

// libtiff reaches the descriptor through these: positioned reads and writes at a position of our own,
// so that the descriptor's own is never relied on, and the first failed write kept with its error number
// (libtiff goes on after some failed writes, and a cut-short file could otherwise pass for a whole one).
struct Channel
{
    int fd = -1;
    toff_t position = 0;
    int error = 0;
};

tmsize_t readChannel(thandle_t handle, void* data, tmsize_t size)
{
    auto* channel = static_cast<Channel*>(handle);
    if (size < 0)
        return -1;
    const DescriptorTransfer read = readFully(channel->fd, data, size_t(size), off_t(channel->position));
    if (read.bytes == 0 && read.error != 0)
        return -1;
    channel->position += read.bytes;
    return tmsize_t(read.bytes);
}

tmsize_t writeChannel(thandle_t handle, void* data, tmsize_t size)
{
    auto* channel = static_cast<Channel*>(handle);
    if (size < 0)
        return -1;
    const DescriptorTransfer written = writeFully(channel->fd, data, size_t(size), off_t(channel->position));
    channel->position += written.bytes;
    if (written.error != 0) {
        if (channel->error == 0)
            channel->error = written.error;
        return -1;
    }
    return size;
}

toff_t channelSize(thandle_t handle)
{
    struct stat info = {};
    return ::fstat(static_cast<Channel*>(handle)->fd, &info) == 0 ? toff_t(info.st_size) : 0;
}

toff_t seekChannel(thandle_t handle, toff_t offset, int whence)
{
    auto* channel = static_cast<Channel*>(handle);
    switch (whence) {
    case SEEK_SET:
        channel->position = offset;
        break;
    case SEEK_CUR:
        channel->position += offset;
        break;
    case SEEK_END:
        channel->position = channelSize(handle) + offset;
        break;
    default:
        return toff_t(-1);
    }
    return channel->position;
}

int closeChannel(thandle_t)
{
    return 0; // the descriptor belongs to the caller
}

int mapChannel(thandle_t, void**, toff_t*)
{
    return 0;
}

void unmapChannel(thandle_t, void*, toff_t) { }

enum class Layout { Gray, Rgb, PremultipliedRgba };

// Strips of about 4 MiB, as Qt's TIFF writer cuts them.
uint32_t rowsPerStrip(TIFF* tiff)
{
    const qint64 scanline = std::max<qint64>(1, qint64(TIFFScanlineSize(tiff)));
    const qint64 rows = std::clamp<qint64>((qint64(4) << 20) / scanline, 1, qint64(UINT32_MAX));
    return TIFFDefaultStripSize(tiff, uint32_t(rows));
}

// One row of \a image (in one of the three formats below) as the page's samples.
void fillRow(const QImage& image, int y, Layout layout, std::vector<uchar>& row)
{
    const int width = image.width();
    switch (layout) {
    case Layout::Gray:
        std::copy_n(image.constScanLine(y), width, row.data());
        break;
    case Layout::Rgb: {
        const auto* pixels = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < width; ++x) {
            row[3 * size_t(x)] = uchar(qRed(pixels[x]));
            row[3 * size_t(x) + 1] = uchar(qGreen(pixels[x]));
            row[3 * size_t(x) + 2] = uchar(qBlue(pixels[x]));
        }
        break;
    }
    case Layout::PremultipliedRgba: {
        const auto* pixels = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < width; ++x) {
            row[4 * size_t(x)] = uchar(qRed(pixels[x]));
            row[4 * size_t(x) + 1] = uchar(qGreen(pixels[x]));
            row[4 * size_t(x) + 2] = uchar(qBlue(pixels[x]));
            row[4 * size_t(x) + 3] = uchar(qAlpha(pixels[x]));
        }
        break;
    }
    }
}

} // namespace

struct TiffPageWriter::State
{
    Channel channel;
    TIFF* tiff = nullptr;
    bool failed = false;

    ~State()
    {
        if (tiff)
            TIFFClose(tiff);
    }

    bool fail(QString* reason)
    {
        failed = true;
        if (reason)
            *reason = channel.error != 0 ? systemErrorText(channel.error)
                                         : QCoreApplication::translate("ConversionReasons", kNotEncoded);
        return false;
    }
};

TiffPageWriter::TiffPageWriter(std::unique_ptr<State> state)
    : m_state(std::move(state))
{ }

TiffPageWriter::~TiffPageWriter() = default;

std::unique_ptr<TiffPageWriter> TiffPageWriter::open(int fd, QString* reason)
{
    auto state = std::make_unique<State>();
    state->channel.fd = fd;
    state->tiff = TIFFClientOpen("pages", "w", &state->channel, readChannel, writeChannel, seekChannel,
        closeChannel, channelSize, mapChannel, unmapChannel);
    if (!state->tiff) {
        state->fail(reason);
        return nullptr;
    }
    return std::unique_ptr<TiffPageWriter>(new TiffPageWriter(std::move(state)));
}

bool TiffPageWriter::addPage(
    const QImage& pixels, const QByteArray& iccProfile, const TiffResolution& resolution, QString* reason)
{
    State& s = *m_state;
    if (s.failed || !s.tiff || pixels.isNull())
        return s.fail(reason);
    QImage image = pixels;
    Layout layout = Layout::Rgb;
    if (image.format() == QImage::Format_Grayscale8) {
        layout = Layout::Gray;
    } else if (image.hasAlphaChannel()) {
        layout = Layout::PremultipliedRgba;
        if (image.format() != QImage::Format_ARGB32_Premultiplied)
            image.convertTo(QImage::Format_ARGB32_Premultiplied);
    } else if (image.format() != QImage::Format_RGB32) {
        image.convertTo(QImage::Format_RGB32);
    }
    if (image.isNull())
        return s.fail(reason);

    TIFF* const tiff = s.tiff;
    const uint16_t samples = layout == Layout::Gray ? 1 : layout == Layout::Rgb ? 3 : 4;
    bool ok = TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, uint32_t(image.width()))
        && TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, uint32_t(image.height()))
        && TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG)
        && TIFFSetField(tiff, TIFFTAG_RESOLUTIONUNIT, resolution.unit)
        && TIFFSetField(tiff, TIFFTAG_XRESOLUTION, resolution.x)
        && TIFFSetField(tiff, TIFFTAG_YRESOLUTION, resolution.y)
        && TIFFSetField(tiff, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT)
        && TIFFSetField(
            tiff, TIFFTAG_PHOTOMETRIC, layout == Layout::Gray ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_RGB)
        && TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_NONE)
        && TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
    if (ok && layout == Layout::Gray)
        ok = TIFFSetField(tiff, TIFFTAG_SAMPLEFORMAT, SAMPLEFORMAT_UINT);
    else if (ok)
        ok = TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, samples);
    if (ok && layout == Layout::PremultipliedRgba) {
        const uint16_t extra = EXTRASAMPLE_ASSOCALPHA;
        ok = TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, &extra);
    }
    // Qt's writer writes the profile of a colour space it can make, and only then.
    if (ok && !iccProfile.isEmpty() && QColorSpace::fromIccProfile(iccProfile).isValid())
        ok = TIFFSetField(tiff, TIFFTAG_ICCPROFILE, uint32_t(iccProfile.size()), iccProfile.constData());
    if (ok)
        ok = TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, rowsPerStrip(tiff));
    if (!ok)
        return s.fail(reason);

    std::vector<uchar> row(size_t(image.width()) * samples);
    for (int y = 0; y < image.height(); ++y) {
        fillRow(image, y, layout, row);
        if (TIFFWriteScanline(tiff, row.data(), uint32_t(y), 0) != 1 || s.channel.error != 0)
            return s.fail(reason);
    }
    if (!TIFFWriteDirectory(tiff) || s.channel.error != 0)
        return s.fail(reason);
    return true;
}

bool TiffPageWriter::finish(QString* reason)
{
    State& s = *m_state;
    if (s.failed || !s.tiff)
        return s.fail(reason);
    TIFFClose(s.tiff);
    s.tiff = nullptr;
    if (s.channel.error != 0)
        return s.fail(reason);
    return true;
}
