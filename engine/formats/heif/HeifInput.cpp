// SPDX-License-Identifier: GPL-3.0-or-later
// The HEIF reader: the primary image of a HEIC or AVIF file through libheif, after the structure walk
// (HeifStructure.cpp) has found nothing that must not reach it.
#include "engine/core/ConversionReasons.h"
#include "engine/formats/heif/HeifPrivate.h"
#include "engine/structure/ExifBlock.h"

#include <algorithm>
#include <cstring>
#include <mutex>

namespace {

/// Metadata blocks above this are not read: no Exif or XMP block of a photo comes near it.
constexpr qint64 kMaxMetadataBlock = qint64(16) << 20;
/// libheif's own bound on each side; the area is bounded by the structure walk.
constexpr int kMaxSide = 1 << 16;

struct DecodingOptionsFree
{
    void operator()(heif_decoding_options* options) const { heif_decoding_options_free(options); }
};

/// Options for decoding the primary image: its transformations applied (libheif's default), deeper
/// samples brought to 8 bits.
std::unique_ptr<heif_decoding_options, DecodingOptionsFree> decodingOptions()
{
    std::unique_ptr<heif_decoding_options, DecodingOptionsFree> options(heif_decoding_options_alloc());
    if (options) {
        options->ignore_transformations = 0;
        if (options->version >= 2)
            options->convert_hdr_to_8bit = 1;
    }
    return options;
}

/// The payload of the primary image's first metadata block of \a type (and \a contentType, for 'mime').
QByteArray metadataBlock(
    const heif_image_handle* handle, const char* type, const char* contentType, qint64 maxBytes)
{
    const int count = heif_image_handle_get_number_of_metadata_blocks(handle, type);
    if (count <= 0)
        return {};
    std::vector<heif_item_id> ids(static_cast<size_t>(count));
    const int listed = heif_image_handle_get_list_of_metadata_block_IDs(handle, type, ids.data(), count);
    for (int i = 0; i < listed; ++i) {
        if (contentType) {
            const char* content = heif_image_handle_get_metadata_content_type(handle, ids[size_t(i)]);
            if (!content || std::strcmp(content, contentType) != 0)
                continue;
        }
        const size_t size = heif_image_handle_get_metadata_size(handle, ids[size_t(i)]);
        if (size == 0 || qint64(size) > maxBytes)
            continue;
        QByteArray block(qsizetype(size), Qt::Uninitialized);
        if (heif_image_handle_get_metadata(handle, ids[size_t(i)], block.data()).code == heif_error_Ok)
            return block;
    }
    return {};
}

bool isTiffHeader(QByteArrayView data)
{
    return data.startsWith(QByteArrayView("II*\0", 4)) || data.startsWith(QByteArrayView("MM\0*", 4));
}

/// The TIFF structure of a HEIF Exif block: a 4-byte big-endian offset to the TIFF header, counted from
/// the end of those 4 bytes, then the data (usually "Exif\0\0" and the header). Writers that put the
/// header elsewhere than the offset says are common enough that the two usual places are tried too.
QByteArray tiffOfExifBlock(const QByteArray& block)
{
    if (block.size() >= 8) {
        const quint32 offset = quint32(uchar(block[0])) << 24 | quint32(uchar(block[1])) << 16
            | quint32(uchar(block[2])) << 8 | quint32(uchar(block[3]));
        if (offset <= quint32(block.size() - 8) && isTiffHeader(QByteArrayView(block).sliced(4 + offset)))
            return block.sliced(4 + offset);
        if (block.sliced(4).startsWith(QByteArrayView("Exif\0\0", 6)) && block.size() >= 18
            && isTiffHeader(QByteArrayView(block).sliced(10)))
            return block.sliced(10);
    }
    return isTiffHeader(block) ? block : QByteArray();
}

/// \a xmp with every tiff:Orientation value, as attribute or element, made 1.
QByteArray xmpUpright(QByteArray xmp)
{
    static const QByteArray kName = QByteArrayLiteral("tiff:Orientation");
    for (qsizetype at = xmp.indexOf(kName); at >= 0; at = xmp.indexOf(kName, at + 1)) {
        qsizetype pos = at + kName.size();
        while (
            pos < xmp.size() && (xmp[pos] == ' ' || xmp[pos] == '\t' || xmp[pos] == '\n' || xmp[pos] == '\r'))
            ++pos;
        if (pos < xmp.size() && xmp[pos] == '=') {
            ++pos;
            while (pos < xmp.size() && (xmp[pos] == ' ' || xmp[pos] == '\t' || xmp[pos] == '\n'))
                ++pos;
            if (pos >= xmp.size() || (xmp[pos] != '"' && xmp[pos] != '\''))
                continue;
            ++pos;
        } else if (pos < xmp.size() && xmp[pos] == '>') {
            ++pos;
        } else {
            continue;
        }
        qsizetype end = pos;
        while (end < xmp.size() && xmp[end] >= '0' && xmp[end] <= '9')
            ++end;
        if (end > pos)
            xmp.replace(pos, end - pos, "1");
    }
    return xmp;
}

/// The colour description libheif gave with \a status, which is freed here in any case: libheif hands
/// out the description also when it reports a code point it does not know (and then it is not used).
std::optional<HeifColourDescription> colourOf(heif_error status, heif_color_profile_nclx* nclx)
{
    if (!nclx || status.code != heif_error_Ok) {
        heif_nclx_color_profile_free(nclx);
        return std::nullopt;
    }
    HeifColourDescription colour;
    colour.primaries = int(nclx->color_primaries);
    colour.transfer = int(nclx->transfer_characteristics);
    colour.matrix = int(nclx->matrix_coefficients);
    colour.fullRange = nclx->full_range_flag != 0;
    heif_nclx_color_profile_free(nclx);
    return colour;
}

/// Whether YCbCr samples coded with \a matrix are JPEG's (BT.601). libheif takes an unspecified matrix
/// as BT.601 too.
bool isJpegMatrix(int matrix)
{
    return matrix == 2 || matrix == 5 || matrix == 6;
}

} // namespace

QString heifErrorText(const heif_error& error, const char* fallback)
{
    if (error.message && *error.message)
        return QStringLiteral("libheif: %1").arg(QString::fromUtf8(error.message));
    return QString::fromUtf8(fallback);
}

void initializeHeifLibrary()
{
    static std::once_flag once;
    std::call_once(once, [] { (void)heif_init(nullptr); });
}

struct HeifInput::Private
{
    QByteArray data;
    HeifContextPtr context;
    HeifHandlePtr handle;
    HeifImageInfo info;
    HeifDecodingPlan plan;
    qint64 maxPixels = 0;
};

HeifInput::HeifInput(std::unique_ptr<Private> p)
    : d(std::move(p))
{ }

HeifInput::~HeifInput() = default;

std::unique_ptr<HeifInput> HeifInput::open(const QByteArray& data, qint64 maxPixels, QString* reason)
{
    QString why;
    auto d = std::make_unique<Private>();
    d->data = data;
    d->maxPixels = maxPixels;
    const std::optional<HeifStructure> structure = readHeifStructure(d->data, &why);
    const std::optional<HeifDecodingPlan> plan
        = structure ? checkHeifPrimaryImage(*structure, maxPixels, &why) : std::nullopt;
    if (!plan) {
        if (reason)
            *reason = why;
        return nullptr;
    }
    d->plan = *plan;

    initializeHeifLibrary();
    d->context.reset(heif_context_alloc());
    if (!d->context) {
        if (reason)
            *reason = ConversionReasons::tr("Out of memory");
        return nullptr;
    }
    heif_context_set_maximum_image_size_limit(d->context.get(), kMaxSide);
    heif_context_set_max_decoding_threads(d->context.get(), 1);
    // libheif sees the image's boxes and data only: bytes after them are no part of the image.
    heif_error error = heif_context_read_from_memory_without_copy(
        d->context.get(), d->data.constData(), size_t(heifDataEnd(*structure)), nullptr);
    const heif_image_handle* handle = nullptr;
    if (error.code == heif_error_Ok)
        error = heif_context_get_primary_image_handle(
            d->context.get(), const_cast<heif_image_handle**>(&handle));
    d->handle.reset(handle);
    if (error.code != heif_error_Ok || !handle) {
        if (reason)
            *reason = heifErrorText(error, "libheif cannot read the file");
        return nullptr;
    }

    HeifImageInfo& info = d->info;
    info.coding = plan->coding;
    info.size = QSize(heif_image_handle_get_width(handle), heif_image_handle_get_height(handle));
    if (info.size.isEmpty() || qint64(info.size.width()) * info.size.height() > maxPixels) {
        if (reason)
            *reason = ConversionReasons::tr("The image has no size this program decodes");
        return nullptr;
    }
    info.hasAlpha = heif_image_handle_has_alpha_channel(handle) != 0;
    info.bitDepth = std::max(8, heif_image_handle_get_luma_bits_per_pixel(handle));
    const heif_color_profile_type profileType = heif_image_handle_get_color_profile_type(handle);
    if (profileType == heif_color_profile_type_prof || profileType == heif_color_profile_type_rICC) {
        const size_t size = heif_image_handle_get_raw_color_profile_size(handle);
        if (size > 0 && qint64(size) <= qint64(d->data.size())) {
            info.iccProfile.resize(qsizetype(size));
            if (heif_image_handle_get_raw_color_profile(handle, info.iccProfile.data()).code != heif_error_Ok)
                info.iccProfile.clear();
        }
    }
    heif_color_profile_nclx* nclx = nullptr;
    const heif_error nclxStatus = heif_image_handle_get_nclx_color_profile(handle, &nclx);
    info.colour = colourOf(nclxStatus, nclx);
    const qint64 maxBlock = std::min<qint64>(kMaxMetadataBlock, d->data.size());
    const QByteArray exif = tiffOfExifBlock(metadataBlock(handle, "Exif", nullptr, maxBlock));
    info.exif = exifBlockWithOrientation(exif, 1);
    info.xmp = xmpUpright(metadataBlock(handle, "mime", "application/rdf+xml", maxBlock));
    return std::unique_ptr<HeifInput>(new HeifInput(std::move(d)));
}

const HeifImageInfo& HeifInput::info() const
{
    return d->info;
}

void HeifInput::setDecodingThreads(int threads)
{
    heif_context_set_max_decoding_threads(d->context.get(), std::max(1, threads));
}

std::optional<Image> HeifInput::decode(QString* reason) const
{
    const auto options = decodingOptions();
    heif_image* decoded = nullptr;
    const bool alpha = d->info.hasAlpha;
    const heif_error error = heif_decode_image(d->handle.get(), &decoded, heif_colorspace_RGB,
        alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, options.get());
    HeifImagePtr image(decoded);
    if (error.code != heif_error_Ok || !image) {
        if (reason)
            *reason = heifErrorText(error, "libheif cannot decode the image");
        return std::nullopt;
    }
    const int width = heif_image_get_width(image.get(), heif_channel_interleaved);
    const int height = heif_image_get_height(image.get(), heif_channel_interleaved);
    int stride = 0;
    uint8_t* pixels = heif_image_get_plane(image.get(), heif_channel_interleaved, &stride);
    if (!pixels || width != d->info.size.width() || height != d->info.size.height() || stride % 4 != 0
        || stride < width * (alpha ? 4 : 3)) {
        if (reason)
            *reason = ConversionReasons::tr("libheif decoded the image at an unexpected size");
        return std::nullopt;
    }
    QImage::Format format = QImage::Format_RGB888;
    if (alpha) {
        format = heif_image_is_premultiplied_alpha(image.get()) ? QImage::Format_RGBA8888_Premultiplied
                                                                : QImage::Format_RGBA8888;
    }
    // The QImage owns libheif's image from here: released with the last copy of the pixels.
    heif_image* owned = image.release();
    QImage frame(
        pixels, width, height, stride, format,
        [](void* held) { heif_image_release(static_cast<heif_image*>(held)); }, owned);
    if (frame.isNull()) {
        heif_image_release(owned);
        if (reason)
            *reason = ConversionReasons::tr("Out of memory");
        return std::nullopt;
    }
    return Image { frame, d->info.iccProfile };
}

bool HeifInput::hasJpegPlanes() const
{
    const HeifDecodingPlan& plan = d->plan;
    return plan.sameCodingEverywhere && plan.chromaFormat == 1 && plan.bitDepth == 8 && !d->info.hasAlpha
        && (!d->info.colour || isJpegMatrix(d->info.colour->matrix));
}

std::optional<YCbCr420Planes> HeifInput::decodePlanes(QString* reason) const
{
    if (!hasJpegPlanes())
        return std::nullopt;
    const auto options = decodingOptions();
    heif_image* decoded = nullptr;
    const heif_error error
        = heif_decode_image(d->handle.get(), &decoded, heif_colorspace_YCbCr, heif_chroma_420, options.get());
    HeifImagePtr image(decoded);
    if (error.code != heif_error_Ok || !image) {
        if (reason)
            *reason = heifErrorText(error, "libheif cannot decode the image");
        return std::nullopt;
    }
    YCbCr420Planes planes;
    planes.width = heif_image_get_width(image.get(), heif_channel_Y);
    planes.height = heif_image_get_height(image.get(), heif_channel_Y);
    const int chromaWidth = (planes.width + 1) / 2, chromaHeight = (planes.height + 1) / 2;
    int yStride = 0, cbStride = 0, crStride = 0;
    planes.y = heif_image_get_plane_readonly(image.get(), heif_channel_Y, &yStride);
    planes.cb = heif_image_get_plane_readonly(image.get(), heif_channel_Cb, &cbStride);
    planes.cr = heif_image_get_plane_readonly(image.get(), heif_channel_Cr, &crStride);
    planes.yStride = yStride;
    planes.cbStride = cbStride;
    planes.crStride = crStride;
    const bool chromaSized = heif_image_get_width(image.get(), heif_channel_Cb) == chromaWidth
        && heif_image_get_height(image.get(), heif_channel_Cb) == chromaHeight
        && heif_image_get_width(image.get(), heif_channel_Cr) == chromaWidth
        && heif_image_get_height(image.get(), heif_channel_Cr) == chromaHeight;
    if (!planes.y || !planes.cb || !planes.cr || planes.width != d->info.size.width()
        || planes.height != d->info.size.height() || !chromaSized
        || heif_image_get_bits_per_pixel_range(image.get(), heif_channel_Y) != 8) {
        if (reason)
            *reason = ConversionReasons::tr("libheif decoded the image in an unexpected layout");
        return std::nullopt;
    }
    const std::optional<HeifColourDescription> colour = [&] {
        heif_color_profile_nclx* nclx = nullptr;
        const heif_error status = heif_image_get_nclx_color_profile(image.get(), &nclx);
        const std::optional<HeifColourDescription> stated = colourOf(status, nclx);
        return status.code == heif_error_Ok ? stated : d->info.colour;
    }();
    // A decoder may state another coding in the bitstream than the file's colour box does.
    if (colour && !isJpegMatrix(colour->matrix)) {
        if (reason)
            *reason = ConversionReasons::tr("The image's colours are not coded as a JPEG's");
        return std::nullopt;
    }
    planes.limitedRange = colour && !colour->fullRange;
    planes.owner = std::shared_ptr<const void>(
        image.release(), [](const void* held) { heif_image_release(static_cast<const heif_image*>(held)); });
    return planes;
}
