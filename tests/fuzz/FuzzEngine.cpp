// SPDX-License-Identifier: GPL-3.0-or-later
// A libFuzzer target over the engine's whole path, as a batch run takes it: the bytes become a file named
// like an image, which is decoded as stored and turned upright, then saved in every output type, in the
// normal mode and in the keep-all mode. Besides the sanitizers' findings it checks the engine's promises
// about saving: a save that reports failure leaves nothing behind, one that reports success leaves a file
// the engine can read again at the size it asked for.
#include "engine/core/LibraryMessages.h"
#include "engine/inspect/MetadataInspector.h"
#include "engine/metadata/ColorProfile.h"
#include "engine/pipeline/ImageInfo.h"
#include "engine/pipeline/ImageSaving.h"
#include "engine/pipeline/ImageSource.h"
#include "tests/fuzz/FuzzSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageReader>
#include <QTemporaryDir>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sanitizer/common_interface_defs.h>

namespace {

/// Inputs whose header claims more pixels than this are not given to the engine. The engine's own bound
/// (kMaxDecodedPixels) admits frames that take many seconds to decode with the sanitizers; a file that
/// claims a big frame and holds little data for it would otherwise stop every run as a timeout.
constexpr qint64 kMaxFuzzPixels = qint64(1) << 24;
/// Decoded images above this are not saved (decoding still happens).
constexpr qint64 kMaxSavedPixels = 4'000'000;
/// Larger images are saved scaled down to fit a square of this side, as a batch that resizes saves them:
/// quantising a full-size GIF would take most of an iteration's time.
constexpr int kMaxSavedSide = 256;
/// The fuzz run's allocation bound for Qt's readers, in MiB: far below the program's, so that a header
/// claiming a big frame is refused without spending the run's time and memory on it.
constexpr int kFuzzAllocationLimitMiB = 64;

struct OutputType
{
    ImageFormat format;
    const char* extension;
};
constexpr std::array<OutputType, 5> kOutputTypes { {
    { kUTTypeJPEG, "jpg" },
    { kUTTypePNG, "png" },
    { kUTTypeGIF, "gif" },
    { kUTTypeBMP, "bmp" },
    { kUTTypeTIFF, "tif" },
} };

/// Where the input and the outputs of one iteration go; made once, removed at exit.
QTemporaryDir* workDir = nullptr;

void dropMessage(QtMsgType, const QMessageLogContext&, const QString&) { }

/// Reports a broken promise where the sanitizers report (libFuzzer may have closed stderr) and stops.
[[noreturn]] void fail(const char* what, const QString& path)
{
    const QByteArray text
        = QStringLiteral("morvane_fuzz_engine: %1: %2").arg(QLatin1String(what), path).toLocal8Bit();
    __sanitizer_report_error_summary(text.constData());
    std::abort();
}

/// What a file saved in the normal mode may not carry, whatever the source: JPEG segments and PNG chunks
/// other than the image's own, and in GIF the signatures of XMP blocks. BMP and TIFF are not
/// looked at: their pixels are stored as they are, so any bytes of the source's pixels may show up there.
/// Null when clean.
const char* personalMetadataIn(const QByteArray& file)
{
    const auto* bytes = reinterpret_cast<const uchar*>(file.constData());
    const qsizetype size = file.size();
    if (size > 4 && bytes[0] == 0xFF && bytes[1] == 0xD8) {
        qsizetype pos = 2;
        QList<QByteArrayView> iccChunks;
        while (pos + 4 <= size && bytes[pos] == 0xFF && bytes[pos + 1] != 0xDA) {
            const uchar marker = bytes[pos + 1];
            const qsizetype length = bytes[pos + 2] << 8 | bytes[pos + 3];
            if (marker == 0xFE)
                return "a JPEG comment";
            // Only the orientation may be stated in EXIF: a payload of a few dozen bytes. XMP would be a
            // long APP1 as well.
            if (marker == 0xE1 && length > 64)
                return "a JPEG APP1 segment with more than the orientation";
            if (marker >= 0xE3 && marker <= 0xEF)
                return "a JPEG application segment";
            if (marker == 0xE2 && length >= 2)
                iccChunks.append(QByteArrayView(file).sliced(pos + 4, std::min(length - 2, size - pos - 4)));
            pos += 2 + length;
        }
        // A profile is written only as the cleaner left it.
        if (!iccChunks.isEmpty()) {
            const QByteArray profile = joinJpegIccChunks(iccChunks);
            if (profile.isEmpty() || cleanColorProfile(profile) != profile)
                return "a JPEG profile that is not a clean profile";
        }
    } else if (size > 8 && file.startsWith("\x89PNG")) {
        static const QList<QByteArray> allowed = { "IHDR", "PLTE", "IDAT", "IEND", "tRNS", "pHYs", "iCCP",
            "sRGB", "gAMA", "cHRM", "sBIT", "bKGD" };
        for (qsizetype pos = 8; pos + 8 <= size;) {
            const quint32 length = quint32(bytes[pos]) << 24 | quint32(bytes[pos + 1]) << 16
                | quint32(bytes[pos + 2]) << 8 | bytes[pos + 3];
            if (!allowed.contains(file.mid(pos + 4, 4)))
                return "a PNG chunk other than the image's own";
            pos += 12 + qsizetype(length);
        }
    } else if (file.startsWith("GIF8")) {
        for (const char* signature : { "XMP DataXMP", "http://ns.adobe.com/xap/1.0/" }) {
            if (file.contains(signature))
                return signature;
        }
    }
    return nullptr;
}

/// Saves \a info to \a path and holds the engine to its promise: false leaves no file, true leaves a
/// file that decodes again at \a width x \a height and, in the normal mode, carries no personal metadata.
void saveAndCheck(
    const ImageInfo* info, const QString& path, int width, int height, ImageFormat type, bool withExif)
{
    const bool saved = IISaveImage(info, path, std::size_t(width), std::size_t(height), type, withExif, 0.8f);
    if (!saved) {
        if (QFileInfo::exists(path))
            fail("a failed save left a file behind", path);
        return;
    }
    if (!withExif) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            fail("cannot read an output", path);
        const QByteArray bytes = file.readAll();
        if (const char* found = personalMetadataIn(bytes))
            fail(found, path);
        // HEIF and WebP containers are walked by the inspector, which the check of every copy trusts too.
        if ((type == kUTTypeHEIC || type == kUTTypeAVIF || type == kUTTypeWebP)
            && !inspectImageData(bytes).nothingPersonal())
            fail("a HEIF or WebP copy in which the inspector finds personal data", path);
    }
    {
        const ImageInfoPtr again(IICreateImage(path, false));
        if (!again)
            fail("a saved file does not decode", path);
        if (again->image.width() != width || again->image.height() != height)
            fail("a saved file has another size than asked for", path);
    }
    if (!QFile::remove(path))
        fail("cannot remove an output", path);
}

/// The encoders of today's phone formats are slow next to the others: HEIC and AVIF are written for
/// small images only, and once per input, so that the fuzzer's time goes to the readers.
constexpr qint64 kMaxHeifSavedPixels = 64 * 64;
constexpr std::array<OutputType, 3> kPhoneOutputTypes { {
    { kUTTypeWebP, "webp" },
    { kUTTypeHEIC, "heic" },
    { kUTTypeAVIF, "avif" },
} };

void saveEveryType(const ImageInfo* info, const QString& baseName, int width, int height, bool withExif)
{
    for (const OutputType& output : kOutputTypes)
        saveAndCheck(info, workDir->filePath(baseName + QLatin1Char('.') + QLatin1String(output.extension)),
            width, height, output.format, withExif);
    for (const OutputType& output : kPhoneOutputTypes) {
        // HEIC and AVIF once per input (the upright save), for small images only.
        if (output.format != kUTTypeWebP
            && (qint64(width) * height > kMaxHeifSavedPixels || baseName != QLatin1String("upright")))
            continue;
        saveAndCheck(info, workDir->filePath(baseName + QLatin1Char('.') + QLatin1String(output.extension)),
            width, height, output.format, withExif);
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(dropMessage);
    // The program always runs the engine under a GUI application: so does the fuzz target. Qt gets an
    // argument list of its own, since it would take its options out of libFuzzer's.
    static int qtArgc = 1;
    static char qtName[] = "morvane_fuzz_engine";
    static char* qtArgv[] = { qtName, nullptr };
    static QGuiApplication* application = new QGuiApplication(qtArgc, qtArgv);
    (void)application;

    initializeImageEngine();
    QImageReader::setAllocationLimit(kFuzzAllocationLimitMiB);

    workDir = new QTemporaryDir(QDir::tempPath() + QStringLiteral("/morvane-fuzz-XXXXXX"));
    if (!workDir->isValid()) {
        std::fprintf(stderr, "morvane_fuzz_engine: cannot make a temporary folder\n");
        std::exit(2);
    }
    std::atexit([] {
        delete workDir;
        workDir = nullptr;
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    // The name does not decide the format (the engine reads the content), but a real batch has every
    // kind of name for every kind of content.
    const QString input
        = workDir->filePath(QStringLiteral("input.") + QLatin1String(kOutputTypes[data[0] % 5].extension));
    {
        QFile file(input);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)
            || file.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size))
            fail("cannot write the input", input);
    }

    // The header is read behind the engine's own checks: a plain reader could be led where those keep
    // the libraries from going (a PNG chunk claiming far more than the file holds).
    const std::optional<QSize> claimed = claimedFrameSize(fuzzInput(data, size));
    if (claimed && qint64(claimed->width()) * claimed->height() > kMaxFuzzPixels) {
        QFile::remove(input);
        return 0;
    }

    for (const bool fixOrientation : { false, true }) {
        const ImageInfoPtr info(IICreateImage(input, fixOrientation));
        (void)takeLibraryMessages();
        if (!info)
            continue;
        const int width = info->image.width();
        const int height = info->image.height();
        if (width <= 0 || height <= 0)
            fail("a decoded image has no pixels", input);
        if (qint64(width) * height > kMaxSavedPixels)
            continue;

        // The sizes and scales a batch that resizes by a percentage would use.
        const auto scaleTo = [&](double scale) {
            const int w = std::max(1, int(width * scale));
            const int h = std::max(1, int(height * scale));
            info->scaleX = double(w) / width;
            info->scaleY = double(h) / height;
            return std::pair { w, h };
        };
        const double fit = std::min(1.0, double(kMaxSavedSide) / std::max(width, height));
        const auto [savedWidth, savedHeight] = scaleTo(fit);
        saveEveryType(info.get(), fixOrientation ? QStringLiteral("upright") : QStringLiteral("normal"),
            savedWidth, savedHeight, false);
        if (fixOrientation) {
            const auto [halfWidth, halfHeight] = scaleTo(fit / 2);
            saveEveryType(info.get(), QStringLiteral("keepall"), halfWidth, halfHeight, true);
        }
        (void)takeLibraryMessages();
    }
    // A record made for saving holds a JPEG that needs no turn undecoded: its save decodes it band by
    // band while writing, and must keep the same promises when the data breaks off on the way.
    if (const ImageInfoPtr bands(IICreateImageForSaving(input, true)); bands) {
        const QSize stored = IIGetImageSize(bands.get());
        if (stored.width() <= 0 || stored.height() <= 0)
            fail("a record made for saving has no size", input);
        if (qint64(stored.width()) * stored.height() <= kMaxSavedPixels)
            saveAndCheck(bands.get(), workDir->filePath(QStringLiteral("bands.jpg")), stored.width(),
                stored.height(), kUTTypeJPEG, false);
        (void)takeLibraryMessages();
    }
    if (!QFile::remove(input))
        fail("cannot remove the input", input);
    // Neither an output nor a save's temporary file may outlive the iteration.
    const QStringList left
        = QDir(workDir->path()).entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    if (!left.isEmpty())
        fail("a file remained after the saves", left.join(QLatin1Char(' ')));
    return 0;
}
