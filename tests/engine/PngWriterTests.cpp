// SPDX-License-Identifier: GPL-3.0-or-later
// The PNG writer judged from outside: ImageMagick decodes its files to raw samples, and a walk of the
// chunks (CRCs checked) says what else they hold.
#include "engine/formats/png/PngWriter.h"
#include "tests/common/TestSupport.h"
#include "tests/engine/EngineTestSupport.h"

#include <QRandomGenerator>
#include <QTemporaryDir>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

// Rows that favour each filter: flat, left-to-right ramps, copies of the row above, smooth gradients and
// noise, so that every filter is chosen somewhere.
QImage pattern(QImage::Format format, int width, int height)
{
    QImage image(width, height, format);
    QRandomGenerator random(7);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            int r = 0, g = 0, b = 0, a = 255;
            switch (y % 5) {
            case 0:
                r = g = b = 90;
                break;
            case 1:
                r = x % 256;
                g = (2 * x) % 256;
                b = 255 - x % 256;
                break;
            case 2:
                r = (x * 7) % 256;
                g = (x * 3) % 256;
                b = (x * 5) % 256;
                break;
            case 3:
                r = (x + y) % 256;
                g = (x * y) % 256;
                b = y % 256;
                break;
            case 4:
                r = random.bounded(256);
                g = random.bounded(256);
                b = random.bounded(256);
                break;
            }
            if (image.hasAlphaChannel())
                a = (x * 13 + y) % 256;
            if (format == QImage::Format_Grayscale8)
                image.scanLine(y)[x] = uchar(r);
            else
                image.setPixel(x, y, qPremultiply(qRgba(r, g, b, a)));
        }
    }
    return image;
}

// The samples ImageMagick decodes from a file, in the given raw layout ("gray", "rgb", "rgba").
QByteArray samplesByMagick(const QString& path, const QString& layout)
{
    const QString raw = path + QStringLiteral(".raw");
    const ProcessResult result = runProcess(QStringLiteral("convert"),
        { path, QStringLiteral("-depth"), QStringLiteral("8"), layout + u':' + raw });
    return result.exitCode == 0 ? fileBytes(raw) : QByteArray();
}

// The samples we meant to write, from Qt's own conversions.
QByteArray expectedSamples(const QImage& image, const QString& layout)
{
    QByteArray out;
    if (layout == QLatin1String("gray")) {
        for (int y = 0; y < image.height(); ++y)
            out.append(reinterpret_cast<const char*>(image.constScanLine(y)), image.width());
        return out;
    }
    const QImage rgba = image.convertToFormat(
        layout == QLatin1String("rgba") ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
    const int rowBytes = rgba.width() * (layout == QLatin1String("rgba") ? 4 : 3);
    for (int y = 0; y < rgba.height(); ++y)
        out.append(reinterpret_cast<const char*>(rgba.constScanLine(y)), rowBytes);
    return out;
}

} // namespace

TEST(PngWriter, EveryColourModelDecodesToItsSamplesAndHoldsOnlyWhatWasAsked)
{
    struct Case
    {
        const char* name;
        QImage::Format format;
        const char* layout;
        int colourType;
    };
    const Case cases[] = {
        { "grey", QImage::Format_Grayscale8, "gray", 0 },
        { "rgb", QImage::Format_RGB32, "rgb", 2 },
        { "alpha", QImage::Format_ARGB32_Premultiplied, "rgba", 6 },
    };
    const QByteArray rgbProfile = fileBytes(QStringLiteral("/usr/share/color/icc/sRGB.icc"));
    QTemporaryDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QImage image = pattern(c.format, 333, 101);
        for (const bool stated : { false, true }) {
            SCOPED_TRACE(stated ? "resolution and profile" : "nothing but pixels");
            PngWriteOptions options;
            if (stated) {
                options.iccProfile = rgbProfile;
                options.dpiX = 300;
            }
            const QString path = dir.filePath(QStringLiteral("%1-%2.png").arg(c.name).arg(stated));
            ASSERT_TRUE(writeThroughDescriptor(path, [&](int fd) { return writePng(image, options, fd); }));

            const QByteArray decoded = samplesByMagick(path, c.layout);
            ASSERT_FALSE(decoded.isEmpty());
            EXPECT_TRUE(decoded == expectedSamples(image, c.layout)) << "decoded samples differ";
            const QList<PngChunk> found = pngChunks(fileBytes(path));
            ASSERT_GE(found.size(), 3);
            QByteArrayList types;
            for (const PngChunk& chunk : found) {
                if (types.isEmpty() || types.last() != chunk.type)
                    types.append(chunk.type);
            }
            QByteArrayList expected { "IHDR" };
            // An RGB profile belongs on colour images only.
            if (stated && c.colourType != 0 && !rgbProfile.isEmpty())
                expected.append("iCCP");
            if (stated)
                expected.append("pHYs");
            expected << "IDAT"
                     << "IEND";
            EXPECT_EQ(types, expected);
            EXPECT_EQ(int(uchar(found[0].data[9])), c.colourType);
            for (const PngChunk& chunk : found) {
                if (chunk.type == "pHYs") { // 300 dpi across, the unstated axis at 96 dpi, in metres
                    EXPECT_EQ(chunk.data.toHex(), QByteArray("00002e2300000ec401"));
                }
            }
        }
    }
    EXPECT_FALSE(rgbProfile.isEmpty()) << "no sRGB profile to test iCCP with";
}

TEST(PngWriter, FullDiskFailsWithTheSystemsReason)
{
    const int fd = ::open("/dev/full", O_WRONLY);
    ASSERT_GE(fd, 0);
    EXPECT_FALSE(writePng(pattern(QImage::Format_RGB32, 64, 64), {}, fd));
    EXPECT_EQ(errno, ENOSPC);
    ::close(fd);
}
