// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the HEIF files of the dirty test set that no packaged tool writes: images stored turned with
// 'irot' and 'imir' (libheif's encoder writes them from an orientation), with Exif, XMP, a profile or a
// colour description of the test's choosing, and hostile files whose item references loop or whose
// stated size is giant. Used by make_dirty_heif.sh; independent of the engine's HEIF code.
//
//   heif_fixture encode IN.png OUT.heic|OUT.avif [--orientation N] [--exif FILE] [--xmp FILE]
//                [--icc FILE] [--nclx PRIMARIES,TRANSFER,MATRIX,FULL]
//   heif_fixture loop OUT.heic         a grid and an identity image that derive from each other
//   heif_fixture self-loop OUT.heic    a grid made of itself
//   heif_fixture set-size FILE W H     every stated size ('ispe') of FILE made W x H, in place
#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QStringList>

#include <cstdio>
#include <cstring>
#include <libheif/heif.h>

namespace {

int usage()
{
    std::fprintf(stderr,
        "usage: heif_fixture encode IN.png OUT [--orientation N] [--exif FILE] [--xmp FILE] [--icc FILE]\n"
        "                    [--nclx P,T,M,FULL]\n"
        "       heif_fixture loop|self-loop OUT\n"
        "       heif_fixture set-size FILE W H\n");
    return 2;
}

bool check(heif_error error, const char* what)
{
    if (error.code == heif_error_Ok)
        return true;
    std::fprintf(stderr, "heif_fixture: %s: %s\n", what, error.message);
    return false;
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

heif_error writeBytes(heif_context*, const void* data, size_t size, void* userdata)
{
    static_cast<QByteArray*>(userdata)->append(static_cast<const char*>(data), qsizetype(size));
    return { heif_error_Ok, heif_suberror_Unspecified, "" };
}

int encode(const QStringList& args)
{
    if (args.size() < 2)
        return usage();
    const QString out = args[1];
    int orientation = 1;
    QByteArray exif, xmp, icc;
    heif_color_profile_nclx* nclx = nullptr;
    for (int i = 2; i + 1 < args.size(); i += 2) {
        const QString& option = args[i];
        const QString& value = args[i + 1];
        if (option == "--orientation")
            orientation = value.toInt();
        else if (option == "--exif")
            exif = readAll(value);
        else if (option == "--xmp")
            xmp = readAll(value);
        else if (option == "--icc")
            icc = readAll(value);
        else if (option == "--nclx") {
            const QStringList codes = value.split(u',');
            if (codes.size() != 4)
                return usage();
            nclx = heif_nclx_color_profile_alloc();
            nclx->color_primaries = heif_color_primaries(codes[0].toInt());
            nclx->transfer_characteristics = heif_transfer_characteristics(codes[1].toInt());
            nclx->matrix_coefficients = heif_matrix_coefficients(codes[2].toInt());
            nclx->full_range_flag = uint8_t(codes[3].toInt());
        } else {
            return usage();
        }
    }
    const QImage source(args[0]);
    if (source.isNull()) {
        std::fprintf(stderr, "heif_fixture: cannot read %s\n", qPrintable(args[0]));
        return 1;
    }
    const bool alpha = source.hasAlphaChannel();
    const QImage pixels = source.convertToFormat(alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888);

    heif_context* context = heif_context_alloc();
    heif_encoder* encoder = nullptr;
    const bool avif = out.endsWith(".avif");
    if (!check(heif_context_get_encoder_for_format(
                   context, avif ? heif_compression_AV1 : heif_compression_HEVC, &encoder),
            "encoder"))
        return 1;
    heif_encoder_set_lossy_quality(encoder, 70);
    heif_image* image = nullptr;
    if (!check(heif_image_create(pixels.width(), pixels.height(), heif_colorspace_RGB,
                   alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, &image),
            "image")
        || !check(heif_image_add_plane(image, heif_channel_interleaved, pixels.width(), pixels.height(), 8),
            "plane"))
        return 1;
    int stride = 0;
    uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
    for (int y = 0; y < pixels.height(); ++y)
        std::memcpy(plane + y * stride, pixels.constScanLine(y), size_t(pixels.width() * (alpha ? 4 : 3)));
    if (!icc.isEmpty()
        && !check(
            heif_image_set_raw_color_profile(image, "prof", icc.constData(), size_t(icc.size())), "profile"))
        return 1;
    if (nclx && !check(heif_image_set_nclx_color_profile(image, nclx), "colour"))
        return 1;

    heif_encoding_options* options = heif_encoding_options_alloc();
    options->save_alpha_channel = alpha;
    if (nclx) {
        options->output_nclx_profile = nclx;
        options->macOS_compatibility_workaround_no_nclx_profile = 0;
        options->save_two_colr_boxes_when_ICC_and_nclx_available = 1;
    }
    // libheif writes 'irot' and 'imir' so that a viewer shows the stored pixels turned as EXIF's
    // orientation N says.
    options->image_orientation = heif_orientation(orientation);
    heif_image_handle* handle = nullptr;
    if (!check(heif_context_encode_image(context, image, encoder, options, &handle), "encoding"))
        return 1;
    if (!exif.isEmpty()
        && !check(
            heif_context_add_exif_metadata(context, handle, exif.constData(), int(exif.size())), "Exif"))
        return 1;
    if (!xmp.isEmpty()
        && !check(heif_context_add_XMP_metadata(context, handle, xmp.constData(), int(xmp.size())), "XMP"))
        return 1;
    QByteArray file;
    heif_writer writer { 1, writeBytes };
    if (!check(heif_context_write(context, &writer, &file), "writing") || !writeAll(out, file))
        return 1;
    heif_image_handle_release(handle);
    heif_encoding_options_free(options);
    heif_image_release(image);
    heif_encoder_release(encoder);
    heif_nclx_color_profile_free(nclx);
    heif_context_free(context);
    return 0;
}

// --- Boxes written by hand ---------------------------------------------------------------------------

QByteArray be32(quint32 v)
{
    const char bytes[4] = { char(v >> 24), char(v >> 16), char(v >> 8), char(v) };
    return QByteArray(bytes, 4);
}

QByteArray be16(quint32 v)
{
    const char bytes[2] = { char(v >> 8), char(v) };
    return QByteArray(bytes, 2);
}

QByteArray box(const char* type, const QByteArray& payload)
{
    return be32(quint32(8 + payload.size())) + QByteArray(type, 4) + payload;
}

QByteArray fullBox(const char* type, int version, const QByteArray& payload)
{
    return box(type, be32(quint32(version) << 24) + payload);
}

QByteArray infe(quint32 id, const char* type)
{
    return fullBox("infe", 2, be16(id) + be16(0) + QByteArray(type, 4) + QByteArray(1, '\0'));
}

/// A file whose primary image is a 64x64 grid of one tile. With \a selfLoop the grid's tile is the
/// grid itself; otherwise the tile is an identity image derived from the grid.
QByteArray loopFile(bool selfLoop)
{
    const QByteArray grid = QByteArray("\0\0\0\0", 4) + be16(64) + be16(64); // 1x1 tiles, 64x64
    const QByteArray ftyp = box("ftyp", QByteArray("heic") + be32(0) + QByteArray("mif1heic"));
    const QByteArray hdlr
        = fullBox("hdlr", 0, be32(0) + QByteArray("pict") + QByteArray(12, '\0') + QByteArray(1, '\0'));
    const QByteArray pitm = fullBox("pitm", 0, be16(1));
    QByteArray items = infe(1, "grid");
    if (!selfLoop)
        items += infe(2, "iden");
    const QByteArray iinf = fullBox("iinf", 0, be16(selfLoop ? 1 : 2) + items);
    // iloc version 1: the grid's description in 'idat' (construction method 1).
    const QByteArray iloc = fullBox("iloc", 1,
        QByteArray("\x44\x00", 2) + be16(1) + be16(1) + be16(1) + be16(0) + be16(1) + be32(0)
            + be32(quint32(grid.size())));
    QByteArray references = box("dimg", be16(1) + be16(1) + be16(selfLoop ? 1 : 2));
    if (!selfLoop)
        references += box("dimg", be16(2) + be16(1) + be16(1));
    const QByteArray iref = fullBox("iref", 0, references);
    const QByteArray ispe = fullBox("ispe", 0, be32(64) + be32(64));
    QByteArray associations = be16(1) + QByteArray(1, '\1') + QByteArray(1, '\x81');
    if (!selfLoop)
        associations += be16(2) + QByteArray(1, '\1') + QByteArray(1, '\x81');
    const QByteArray ipma = fullBox("ipma", 0, be32(selfLoop ? 1 : 2) + associations);
    const QByteArray iprp = box("iprp", box("ipco", ispe) + ipma);
    const QByteArray idat = box("idat", grid);
    return ftyp + fullBox("meta", 0, hdlr + pitm + iinf + iloc + iref + iprp + idat);
}

int setSize(const QStringList& args)
{
    if (args.size() != 3)
        return usage();
    QByteArray file = readAll(args[0]);
    int patched = 0;
    for (qsizetype at = file.indexOf("ispe"); at >= 0 && at + 16 <= file.size();
         at = file.indexOf("ispe", at + 4)) {
        file.replace(at + 8, 8, be32(args[1].toUInt()) + be32(args[2].toUInt()));
        ++patched;
    }
    if (!patched || !writeAll(args[0], file)) {
        std::fprintf(stderr, "heif_fixture: no size to set in %s\n", qPrintable(args[0]));
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QStringList args;
    for (int i = 2; i < argc; ++i)
        args.append(QString::fromLocal8Bit(argv[i]));
    const QByteArray command = argc > 1 ? argv[1] : "";
    if (command == "encode")
        return encode(args);
    if ((command == "loop" || command == "self-loop") && args.size() == 1)
        return writeAll(args[0], loopFile(command == "self-loop")) ? 0 : 1;
    if (command == "set-size")
        return setSize(args);
    return usage();
}
