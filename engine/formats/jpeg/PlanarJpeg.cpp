// SPDX-License-Identifier: GPL-3.0-or-later
// JPEG from YCbCr 4:2:0 planes: libjpeg-turbo's raw-data input, which takes the samples as the DCT wants
// them, so that a decoder's planes reach the file without a colour conversion or a downsampling.
#include "engine/formats/jpeg/PlanarJpeg.h"

#include "engine/core/ConversionReasons.h"
#include "engine/formats/jpeg/JpegPrivate.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <jerror.h>
#include <jpeglib.h>
#include <memory>
#include <unistd.h>
#include <vector>

// libjpeg reports errors by calling error_exit, which must not return: the function that calls libjpeg
// holds nothing with a destructor and is left by longjmp; its caller owns every buffer.

namespace {

constexpr int kGroupRows = 16; // luma rows of one MCU row at 4:2:0

struct ErrorManager
{
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

[[noreturn]] void exitOnError(j_common_ptr cinfo)
{
    std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}

void ignoreMessage(j_common_ptr, int) { }
void ignoreOutput(j_common_ptr) { }

/// One plane on its way to libjpeg: the rows of an MCU row, each padded to whole blocks by repeating
/// its last sample, rows below the image repeating the last row, video-range samples stretched.
struct PlaneFeed
{
    const uchar* samples = nullptr;
    qsizetype stride = 0;
    int width = 0;
    int height = 0;
    int paddedWidth = 0; ///< whole 8-sample blocks
    const std::array<uchar, 256>* stretch = nullptr; ///< null: samples used as they are
    std::vector<uchar> scratch;
    std::vector<JSAMPROW> rows;

    void setUp(const uchar* data, qsizetype lineBytes, int w, int h, int groupRows,
        const std::array<uchar, 256>* table)
    {
        samples = data;
        stride = lineBytes;
        width = w;
        height = h;
        paddedWidth = (w + 7) / 8 * 8;
        stretch = table;
        rows.resize(size_t(groupRows));
        if (needsCopy())
            scratch.resize(size_t(paddedWidth) * size_t(groupRows));
    }

    [[nodiscard]] bool needsCopy() const { return stretch || paddedWidth != width; }

    /// Points rows[] at the \a groupRows rows starting at \a first.
    JSAMPARRAY group(int first)
    {
        for (size_t i = 0; i < rows.size(); ++i) {
            const int y = std::min(first + int(i), height - 1);
            const uchar* source = samples + qsizetype(y) * stride;
            if (!needsCopy()) {
                rows[i] = const_cast<JSAMPROW>(source);
                continue;
            }
            uchar* row = scratch.data() + i * size_t(paddedWidth);
            if (first + int(i) >= height && i > 0) {
                // Below the image: the last row again, already prepared.
                rows[i] = rows[i - 1];
                continue;
            }
            if (stretch) {
                for (int x = 0; x < width; ++x)
                    row[x] = (*stretch)[source[x]];
            } else {
                std::memcpy(row, source, size_t(width));
            }
            std::memset(row + width, row[width - 1], size_t(paddedWidth - width));
            rows[i] = row;
        }
        return rows.data();
    }
};

struct Job
{
    const YCbCr420Planes* planes = nullptr;
    PlaneFeed* feeds = nullptr; // Y, Cb, Cr
    JpegPrivate::EncodeSettings settings;
};

bool compress(jpeg_compress_struct& cinfo, ErrorManager& errors, JpegPrivate::DescriptorDestination& dest,
    const Job& job)
{
    if (setjmp(errors.jump))
        return false;
    JpegPrivate::setUpWriting(
        cinfo, &dest.pub, job.settings, job.planes->width, job.planes->height, JCS_YCbCr, 3);
    // The planes go in as they are: YCbCr 4:2:0, raw.
    jpeg_set_colorspace(&cinfo, JCS_YCbCr);
    cinfo.comp_info[0].h_samp_factor = 2;
    cinfo.comp_info[0].v_samp_factor = 2;
    for (int c = 1; c < 3; ++c) {
        cinfo.comp_info[c].h_samp_factor = 1;
        cinfo.comp_info[c].v_samp_factor = 1;
    }
    cinfo.raw_data_in = TRUE;
    JpegPrivate::beginWriting(cinfo, job.settings);
    while (cinfo.next_scanline < cinfo.image_height) {
        const int first = int(cinfo.next_scanline);
        JSAMPARRAY groups[3]
            = { job.feeds[0].group(first), job.feeds[1].group(first / 2), job.feeds[2].group(first / 2) };
        if (jpeg_write_raw_data(&cinfo, groups, kGroupRows) == 0)
            return false;
    }
    jpeg_finish_compress(&cinfo);
    return true;
}

std::array<uchar, 256> stretchTable(bool chroma)
{
    std::array<uchar, 256> table {};
    for (int v = 0; v < 256; ++v) {
        const double full = chroma ? (v - 128) * 255.0 / 224.0 + 128.0 : (v - 16) * 255.0 / 219.0;
        table[size_t(v)] = uchar(std::clamp<long>(std::lround(full), 0, 255));
    }
    return table;
}

} // namespace

bool encodeJpegFromPlanes(
    const YCbCr420Planes& planes, const JpegEncodeOptions& options, int fd, QString* reason)
{
    const auto refuse = [reason](const QString& why) {
        if (reason)
            *reason = why;
        return false;
    };
    if (fd < 0 || planes.width <= 0 || planes.height <= 0 || !planes.y || !planes.cb || !planes.cr)
        return refuse(ConversionReasons::tr("no image to write"));
    if (const QString refusal = JpegPrivate::encodeRefusal(options, planes.width, planes.height);
        !refusal.isEmpty())
        return refuse(refusal);

    static const std::array<uchar, 256> lumaStretch = stretchTable(false);
    static const std::array<uchar, 256> chromaStretch = stretchTable(true);
    const int chromaWidth = (planes.width + 1) / 2, chromaHeight = (planes.height + 1) / 2;
    PlaneFeed feeds[3];
    feeds[0].setUp(planes.y, planes.yStride, planes.width, planes.height, kGroupRows,
        planes.limitedRange ? &lumaStretch : nullptr);
    feeds[1].setUp(planes.cb, planes.cbStride, chromaWidth, chromaHeight, kGroupRows / 2,
        planes.limitedRange ? &chromaStretch : nullptr);
    feeds[2].setUp(planes.cr, planes.crStride, chromaWidth, chromaHeight, kGroupRows / 2,
        planes.limitedRange ? &chromaStretch : nullptr);

    Job job;
    job.planes = &planes;
    job.feeds = feeds;
    job.settings = JpegPrivate::encodeSettingsOf(options);

    JpegPrivate::DescriptorDestination dest(fd);
    jpeg_compress_struct cinfo {};
    ErrorManager errors {};
    jpeg_std_error(&errors.pub);
    errors.pub.error_exit = exitOnError;
    errors.pub.emit_message = ignoreMessage;
    errors.pub.output_message = ignoreOutput;
    cinfo.err = &errors.pub;
    const bool written = compress(cinfo, errors, dest, job);
    if (!written && reason) {
        if (dest.error != 0) {
            *reason = systemErrorText(dest.error);
        } else {
            char message[JMSG_LENGTH_MAX] = {};
            (*errors.pub.format_message)(reinterpret_cast<j_common_ptr>(&cinfo), message);
            *reason = QString::fromLatin1(message);
        }
    }
    jpeg_destroy_compress(&cinfo);
    return written;
}
