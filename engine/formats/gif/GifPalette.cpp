// SPDX-License-Identifier: GPL-3.0-or-later
// The GIF writer's palette builder: the exact colours of an image that has few enough, else colours
// chosen and dithered by libimagequant.
#include "engine/formats/gif/GifPalette.h"

#include <algorithm>
#include <libimagequant.h>
#include <memory>

namespace {

constexpr int kMaxColours = IndexedImage::kMaxColours;
constexpr int kOpaqueAlpha = 128; ///< alpha at or above this is drawn opaque, below it transparent
constexpr int kQuantiserSpeed = 4;

/// A colour as the key of the exact palette: 0x00RRGGBB from a straight RGBA8888 pixel.
inline quint32 colourKey(const uchar* rgba)
{
    return quint32(rgba[0]) << 16 | quint32(rgba[1]) << 8 | quint32(rgba[2]);
}

/// Colours seen so far, with their palette index: an open-addressing table far larger than the
/// 256 entries it may hold, so that probes stay short.
class ColourTable
{
public:
    /// The index of \a key, adding it when there is room (and setting \a added); -1 when the palette
    /// is full.
    int indexOf(quint32 key, bool& added)
    {
        added = false;
        quint32 slot = (key * 2654435761u) >> (32 - kBits);
        while (m_keys[slot] != kEmpty) {
            if (m_keys[slot] == key)
                return m_values[slot];
            slot = (slot + 1) & (kSlots - 1);
        }
        if (m_count == kMaxColours)
            return -1;
        m_keys[slot] = key;
        m_values[slot] = m_count;
        added = true;
        return m_count++;
    }
    [[nodiscard]] int count() const { return m_count; }

private:
    static constexpr int kBits = 11;
    static constexpr quint32 kSlots = 1u << kBits;
    static constexpr quint32 kEmpty = 0xFFFFFFFFu;
    std::array<quint32, kSlots> m_keys = filled();
    std::array<int, kSlots> m_values {};
    int m_count = 0;

    static constexpr std::array<quint32, kSlots> filled()
    {
        std::array<quint32, kSlots> keys {};
        keys.fill(kEmpty);
        return keys;
    }
};

/// Maps \a rgba to an exact palette when its opaque pixels have few enough colours. False when they
/// have more than fit beside a transparent index (if one is needed).
bool indexExactly(const QImage& rgba, IndexedImage& out)
{
    const int width = rgba.width();
    const int height = rgba.height();
    ColourTable table;
    bool hasTransparent = false;
    out.indices.resize(size_t(width) * size_t(height));
    std::uint8_t* index = out.indices.data();
    for (int y = 0; y < height; ++y) {
        const uchar* pixel = rgba.constScanLine(y);
        for (int x = 0; x < width; ++x, pixel += 4, ++index) {
            if (pixel[3] < kOpaqueAlpha) {
                hasTransparent = true;
                continue; // filled in below, once the transparent index is known
            }
            const quint32 key = colourKey(pixel);
            bool added = false;
            const int i = table.indexOf(key, added);
            if (i < 0)
                return false;
            if (added)
                out.colours[size_t(i)]
                    = GifColour { std::uint8_t(key >> 16), std::uint8_t(key >> 8), std::uint8_t(key) };
            *index = std::uint8_t(i);
        }
    }
    const int opaqueCount = table.count();
    if (hasTransparent && opaqueCount == kMaxColours)
        return false;

    out.colourCount = opaqueCount;
    if (hasTransparent) {
        for (int y = 0; y < height; ++y) {
            const uchar* pixel = rgba.constScanLine(y);
            std::uint8_t* rowIndex = out.indices.data() + size_t(y) * size_t(width);
            for (int x = 0; x < width; ++x, pixel += 4) {
                if (pixel[3] < kOpaqueAlpha)
                    rowIndex[x] = std::uint8_t(opaqueCount);
            }
        }
        out.transparentIndex = opaqueCount;
        out.colours[size_t(opaqueCount)] = GifColour { 0, 0, 0 };
        out.colourCount = opaqueCount + 1;
    }
    return true;
}

struct LiqAttrDeleter
{
    void operator()(liq_attr* attr) const { liq_attr_destroy(attr); }
};
struct LiqImageDeleter
{
    void operator()(liq_image* image) const { liq_image_destroy(image); }
};
struct LiqResultDeleter
{
    void operator()(liq_result* result) const { liq_result_destroy(result); }
};

/// Quantises \a rgba (straight RGBA8888, changed in place) with libimagequant, dithered. Transparent
/// pixels get their own index and take no part in choosing the colours.
bool indexByQuantising(QImage& rgba, IndexedImage& out)
{
    const int width = rgba.width();
    const int height = rgba.height();
    std::vector<void*> rows(static_cast<size_t>(height));
    std::vector<unsigned char> importance;
    bool hasTransparent = false;
    for (int y = 0; y < height; ++y) {
        uchar* row = rgba.scanLine(y);
        rows[size_t(y)] = row;
        // Transparent pixels take the colour of their left neighbour so that they disturb neither the
        // histogram nor the dithering of the opaque ones.
        std::array<uchar, 3> fill { 0, 0, 0 };
        for (int x = 0; x < width; ++x) {
            uchar* pixel = row + 4 * x;
            if (pixel[3] >= kOpaqueAlpha) {
                pixel[3] = 255;
                std::copy(pixel, pixel + 3, fill.begin());
                continue;
            }
            if (!hasTransparent) {
                hasTransparent = true;
                importance.assign(size_t(width) * size_t(height), 255);
            }
            importance[size_t(y) * size_t(width) + size_t(x)] = 0;
            std::copy(fill.begin(), fill.end(), pixel);
            pixel[3] = 255;
        }
    }

    const std::unique_ptr<liq_attr, LiqAttrDeleter> attr(liq_attr_create());
    if (!attr)
        return false;
    if (liq_set_max_colors(attr.get(), hasTransparent ? kMaxColours - 1 : kMaxColours) != LIQ_OK
        || liq_set_speed(attr.get(), kQuantiserSpeed) != LIQ_OK)
        return false;
    const std::unique_ptr<liq_image, LiqImageDeleter> image(
        liq_image_create_rgba_rows(attr.get(), rows.data(), width, height, 0));
    if (!image)
        return false;
    if (hasTransparent
        && liq_image_set_importance_map(image.get(), importance.data(), importance.size(), LIQ_COPY_PIXELS)
            != LIQ_OK)
        return false;
    liq_result* rawResult = nullptr;
    if (liq_image_quantize(image.get(), attr.get(), &rawResult) != LIQ_OK || !rawResult)
        return false;
    const std::unique_ptr<liq_result, LiqResultDeleter> result(rawResult);
    if (liq_set_dithering_level(result.get(), 1.0f) != LIQ_OK)
        return false;

    out.indices.resize(size_t(width) * size_t(height));
    if (liq_write_remapped_image(result.get(), image.get(), out.indices.data(), out.indices.size()) != LIQ_OK)
        return false;
    const liq_palette* palette = liq_get_palette(result.get());
    if (!palette || palette->count == 0
        || palette->count > unsigned(hasTransparent ? kMaxColours - 1 : kMaxColours))
        return false;
    for (unsigned i = 0; i < palette->count; ++i)
        out.colours[i] = GifColour { palette->entries[i].r, palette->entries[i].g, palette->entries[i].b };
    out.colourCount = int(palette->count);
    if (hasTransparent) {
        out.transparentIndex = out.colourCount;
        out.colours[size_t(out.colourCount)] = GifColour { 0, 0, 0 };
        ++out.colourCount;
        for (size_t i = 0; i < importance.size(); ++i) {
            if (importance[i] == 0)
                out.indices[i] = std::uint8_t(out.transparentIndex);
        }
    }
    return true;
}

} // namespace

std::optional<IndexedImage> indexedForGif(const QImage& image)
{
    // Straight (not premultiplied) colour in R, G, B, A byte order on every platform.
    QImage rgba = image.convertToFormat(QImage::Format_RGBA8888);
    if (rgba.isNull())
        return std::nullopt;
    IndexedImage indexed;
    if (indexExactly(rgba, indexed))
        return indexed;
    indexed = IndexedImage {};
    if (indexByQuantising(rgba, indexed))
        return indexed;
    return std::nullopt;
}
