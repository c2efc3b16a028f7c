// SPDX-License-Identifier: GPL-3.0-or-later
// The JPEG reader's turning kernel: decoded rows copied straight to their places in the upright picture,
// so that turning costs no second full-size image.
#include "engine/core/Simd.h"
#include "engine/formats/jpeg/JpegPrivate.h"

#include <algorithm>
#include <cstring>

namespace {

/// Upright rows being written at once when stored rows become upright columns.
constexpr int kBand = 32;

#if MORVANE_SSE2
/// Four stored columns of the strip's \a count rows (a multiple of four), from \a in on, turned in
/// registers four rows at a time and stored as runs of four pixels in the four upright rows \a out
/// (forward from \a out, or backward when \a step is negative). Each upright row is filled front to
/// back (or back to front), so with \a streams the stores bypass the caches: the frame is far larger
/// than they are, and it is not read again until all of it is written.
template<bool streams>
void placeFourColumns(const quint32* in, qsizetype rowPixels, int count, int step, quint32* const* out)
{
    for (int i = 0; i < count; i += 4) {
        const quint32* row = in + i * rowPixels;
        const __m128i r0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row));
        const __m128i r1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + rowPixels));
        const __m128i r2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + 2 * rowPixels));
        const __m128i r3 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + 3 * rowPixels));
        const __m128i t0 = _mm_unpacklo_epi32(r0, r1), t1 = _mm_unpacklo_epi32(r2, r3);
        const __m128i t2 = _mm_unpackhi_epi32(r0, r1), t3 = _mm_unpackhi_epi32(r2, r3);
        __m128i columnsOf[4] = { _mm_unpacklo_epi64(t0, t1), _mm_unpackhi_epi64(t0, t1),
            _mm_unpacklo_epi64(t2, t3), _mm_unpackhi_epi64(t2, t3) };
        for (int k = 0; k < 4; ++k) {
            __m128i* to = reinterpret_cast<__m128i*>(out[k] + i);
            if (step < 0) {
                to = reinterpret_cast<__m128i*>(out[k] - i - 3);
                columnsOf[k] = _mm_shuffle_epi32(columnsOf[k], _MM_SHUFFLE(0, 1, 2, 3));
            }
            if constexpr (streams)
                _mm_stream_si128(to, columnsOf[k]);
            else
                _mm_storeu_si128(to, columnsOf[k]);
        }
    }
}
#endif

template<typename Pixel>
void placeRows(const uchar* strip, qsizetype stripStride, int count, int firstRow, int width, int height,
    OrientationSteps steps, uchar* base, qsizetype stride)
{
    if (!steps.transposes) {
        // Rows stay rows, possibly mirrored or moved.
        for (int i = 0; i < count; ++i) {
            int ux = 0, uy = 0;
            uprightPosition(steps, width, height, 0, firstRow + i, ux, uy);
            const auto* in = reinterpret_cast<const Pixel*>(strip + i * stripStride);
            auto* out = reinterpret_cast<Pixel*>(base + uy * stride);
            if (!steps.mirrorsAcross)
                std::memcpy(out, in, size_t(width) * sizeof(Pixel));
            else
                std::reverse_copy(in, in + width, out);
        }
        return;
    }
    // Rows become columns: each stored column of the strip is a run in one upright row. Going through
    // the strip in narrow bands keeps the few upright rows being written, and their pages, at hand.
    const int step = steps.mirrorsAcross ? -1 : 1;
    Pixel* out[kBand];
    for (int band = 0; band < width; band += kBand) {
        const int columns = std::min(kBand, width - band);
        for (int c = 0; c < columns; ++c) {
            int ux0 = 0, uy = 0;
            uprightPosition(steps, width, height, band + c, firstRow, ux0, uy);
            out[c] = reinterpret_cast<Pixel*>(base + uy * stride) + ux0;
        }
        int i = 0;
#if MORVANE_SSE2
        if constexpr (sizeof(Pixel) == 4) {
            const int wholeRows = count & ~3;
            const int wholeColumns = columns & ~3;
            // Streaming stores need every run of four pixels on a 16-byte boundary.
            const quint32* first = step > 0 ? out[0] : out[0] - 3;
            const bool streams = reinterpret_cast<quintptr>(first) % 16 == 0 && stride % 16 == 0;
            for (int c = 0; c < wholeColumns; c += 4) {
                const auto* in = reinterpret_cast<const quint32*>(strip) + band + c;
                if (streams)
                    placeFourColumns<true>(in, stripStride / 4, wholeRows, step, out + c);
                else
                    placeFourColumns<false>(in, stripStride / 4, wholeRows, step, out + c);
            }
            for (int c = wholeColumns; c < columns; ++c) {
                for (int k = 0; k < wholeRows; ++k)
                    out[c][step * k] = reinterpret_cast<const Pixel*>(strip + k * stripStride)[band + c];
            }
            i = wholeRows;
        }
#endif
        for (; i < count; ++i) {
            const Pixel* in = reinterpret_cast<const Pixel*>(strip + i * stripStride) + band;
            for (int c = 0; c < columns; ++c)
                out[c][step * i] = in[c];
        }
    }
#if MORVANE_SSE2
    _mm_sfence(); // the streamed stores are in memory before the frame is read
#endif
}

} // namespace

namespace JpegPrivate {

void placeUprightRows(const uchar* strip, qsizetype stripStride, int count, int firstRow, int width,
    int height, int bytesPerPixel, Orientation orientation, uchar* base, qsizetype stride)
{
    const OrientationSteps steps = stepsOf(orientation);
    if (bytesPerPixel == 4)
        placeRows<quint32>(strip, stripStride, count, firstRow, width, height, steps, base, stride);
    else
        placeRows<uchar>(strip, stripStride, count, firstRow, width, height, steps, base, stride);
}

} // namespace JpegPrivate
