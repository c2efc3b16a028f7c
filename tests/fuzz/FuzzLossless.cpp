// SPDX-License-Identifier: GPL-3.0-or-later
// A libFuzzer target over the lossless JPEG writer and the previews made by the same scan walker: each
// input is written upright and with one turn (chosen by the input's size) into a memory file, and read
// as an eighth. Besides the sanitizers' findings it checks the
// writer's promises: a refusal writes nothing; a written file holds only the segments the writer may
// write, ends at its EOI, and, whenever the engine's decoder reads the source, decodes too, at the turned
// size, and upright to exactly the source's pixels.
#include "engine/formats/jpeg/JpegCodec.h"
#include "engine/formats/jpeg/JpegPreview.h"
#include "engine/formats/jpeg/lossless/JpegLossless.h"

#include <QByteArray>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sanitizer/common_interface_defs.h>
#include <sys/mman.h>
#include <unistd.h>

namespace {

/// Frames above this are refused by the writer and not decoded here: the sanitizers make large frames
/// slow, and the bound itself is what is under test for them.
constexpr qint64 kMaxFuzzPixels = qint64(1) << 22;

int outputFd = -1;

[[noreturn]] void fail(const char* what)
{
    char text[200];
    std::snprintf(text, sizeof text, "morvane_fuzz_lossless: %s", what);
    __sanitizer_report_error_summary(text);
    std::abort();
}

QByteArray takeOutput()
{
    const off_t size = ::lseek(outputFd, 0, SEEK_END);
    QByteArray bytes(qsizetype(size), Qt::Uninitialized);
    if (size > 0 && ::pread(outputFd, bytes.data(), size_t(size), 0) != size)
        fail("cannot read the memory file");
    if (::ftruncate(outputFd, 0) != 0 || ::lseek(outputFd, 0, SEEK_SET) != 0)
        fail("cannot empty the memory file");
    return bytes;
}

/// Null when \a file is SOI, then only JFIF, ICC, Adobe, DQT, DHT, SOF0/SOF1 and DRI segments, one SOS
/// and its scan (RST markers allowed), and EOI as its last two bytes.
const char* shapeProblem(const QByteArray& file)
{
    const auto byte = [&](qsizetype i) { return uchar(file.at(i)); };
    if (!file.startsWith("\xFF\xD8"))
        return "no SOI";
    qsizetype pos = 2;
    for (;;) {
        if (pos + 4 > file.size() || byte(pos) != 0xFF)
            return "no segment where one must be";
        const uchar marker = byte(pos + 1);
        const qsizetype length = byte(pos + 2) << 8 | byte(pos + 3);
        if (length < 2 || pos + 2 + length > file.size())
            return "a segment runs past the end";
        const QByteArray payload = file.mid(pos + 4, length - 2);
        const bool allowed = (marker == 0xE0 && payload.startsWith(QByteArray("JFIF\0", 5)))
            || (marker == 0xE2 && payload.startsWith(QByteArray("ICC_PROFILE\0", 12)))
            || (marker == 0xEE && payload.startsWith("Adobe")) || marker == 0xDB || marker == 0xC4
            || marker == 0xC0 || marker == 0xC1 || marker == 0xDD || marker == 0xDA;
        if (!allowed)
            return "a segment the writer may not write";
        pos += 2 + length;
        if (marker != 0xDA)
            continue;
        while (pos + 1 < file.size()) {
            const uchar next = byte(pos + 1);
            if (byte(pos) == 0xFF && next != 0x00 && (next < 0xD0 || next > 0xD7))
                break;
            pos += byte(pos) == 0xFF ? 2 : 1;
        }
        if (pos + 2 != file.size() || byte(pos) != 0xFF || byte(pos + 1) != 0xD9)
            return "the scan is not followed by EOI at the end";
        return nullptr;
    }
}

bool samePixels(const QImage& a, const QImage& b)
{
    if (a.size() != b.size() || a.format() != b.format())
        return false;
    const auto lineBytes = size_t(a.width()) * size_t(a.depth() / 8);
    for (int y = 0; y < a.height(); ++y) {
        if (std::memcmp(a.constScanLine(y), b.constScanLine(y), lineBytes) != 0)
            return false;
    }
    return true;
}

void writeAndCheck(const QByteArray& source, int orientation)
{
    LosslessJpegOptions options;
    options.orientation = orientationFromExif(orientation);
    options.maxPixels = kMaxFuzzPixels;
    options.dpiX = 300;
    options.iccProfile = QByteArray("not a profile, written as it is");
    QString reason;
    const LosslessJpegResult result = writeJpegLosslessly(source, options, outputFd, &reason);
    const QByteArray output = takeOutput();
    if (result != LosslessJpegResult::Written) {
        // The memory file never refuses a write: every refusal comes before the first byte.
        if (!output.isEmpty())
            fail("a refusal left bytes in the output");
        if (reason.isEmpty())
            fail("a refusal without a reason");
        return;
    }
    if (const char* problem = shapeProblem(output))
        fail(problem);

    const std::optional<Image> before = decodeJpeg(source, kMaxFuzzPixels, orientationFromExif(orientation));
    if (!before)
        return;
    const std::optional<Image> after = decodeJpeg(output, kMaxFuzzPixels);
    if (!after)
        fail("the output does not decode although its source does");
    if (after->pixels.size() != before->pixels.size())
        fail("the output has another size than the source turned");
    if (orientation == 1 && !samePixels(after->pixels, before->pixels))
        fail("the upright output decodes to other pixels than its source");
}

/// An eighth from the DC coefficients is an eighth of what the decoder reads, upright, sides rounded up.
void previewAndCheck(const QByteArray& source, int orientation)
{
    const QImage eighth = decodeJpegEighth(source, orientationFromExif(orientation), kMaxFuzzPixels);
    if (eighth.isNull())
        return;
    const std::optional<Image> full = decodeJpeg(source, kMaxFuzzPixels, orientationFromExif(orientation));
    if (!full)
        return; // the eighth needs only a clean scan; the decoder may still refuse the file
    if (eighth.width() != (full->pixels.width() + 7) / 8
        || eighth.height() != (full->pixels.height() + 7) / 8)
        fail("an eighth of another size than an eighth of the picture");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    outputFd = ::memfd_create("morvane-lossless", MFD_CLOEXEC);
    if (outputFd < 0) {
        std::fprintf(stderr, "morvane_fuzz_lossless: cannot make a memory file\n");
        std::exit(2);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const QByteArray source = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    writeAndCheck(source, 1);
    writeAndCheck(source, 2 + int(size % 7));
    previewAndCheck(source, 1 + int(size % 8));
    return 0;
}
