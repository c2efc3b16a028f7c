// SPDX-License-Identifier: GPL-3.0-or-later
// The metadata inspector against what each file of the dirty set was made to carry (its generator's
// planted markers and kinds) and against exiftool's numbers for GPS positions. Its verdict on copies the
// command line writes is tested with the command line (tests/cli/InspectCopiesTests.cpp).
#include "engine/inspect/FieldSortingPrivate.h"
#include "engine/inspect/MetadataInspector.h"
#include "engine/metadata/ColorProfile.h"
#include "tests/common/TestSupport.h"
#include "tests/engine/EngineTestSupport.h"
#include "tests/engine/ProfileCrafting.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>

#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

using G = PersonalGroup;

const char* const kAll = "Location, Device, Time, People, Text, Hidden";
const char* const kNothing = "Nothing personal found";

/// A text planted in a file and the group a person looks for it in.
struct Planted
{
    const char* text;
    PersonalGroup group;
};
using Kind = std::vector<Planted>;

// The kinds of metadata the generator plants (tests/corpus/make_dirty.sh), by the markers they carry.
const Kind kExif = { { "MORVANE-LEAK-ARTIST", G::People }, { "MORVANE-LEAK-COPYRIGHT", G::People },
    { "MORVANE-LEAK-DESCRIPTION", G::Text }, { "MORVANE-LEAK-SOFTWARE", G::Device },
    { "MORVANE-LEAK-HOST", G::Device }, { "MORVANE-LEAK-USERCOMMENT", G::Text },
    { "MORVANE-LEAK-SERIAL-4711", G::Device }, { "MORVANE-LEAK-LENS", G::Device },
    { "MORVANE-LEAK-OWNER", G::People }, { "MORVANE-LEAK-XPCOMMENT", G::Text },
    { "Canon EOS 5D Mark IV", G::Device }, { "2022-07-14 18:30:05", G::Time }, { "+02:00", G::Time },
    { "4d4f5256414e452d4c45414b2d554944", G::Hidden } };
const Kind kGps = { { "47.3667 N, 8.5500 E", G::Location }, { "408.5 m above sea level", G::Location },
    { "2022-07-14 16:30:05 UTC", G::Location }, { "MORVANE-LEAK-GPSAREA", G::Location } };
const Kind kXmp = { { "MORVANE-LEAK-XMP-CREATOR", G::People }, { "MORVANE-LEAK-XMP-DESCRIPTION", G::Text },
    { "MORVANE-LEAK-XMP-LOCATION", G::Location }, { "Zurich", G::Location }, { "PhotoDesk 4", G::Device },
    { "xmp.did:4d4f5256414e45", G::Hidden }, { "Summer evening", G::Text } };
const Kind kXmpWithoutDescription = [] {
    Kind kind = kXmp;
    kind.erase(kind.begin() + 1);
    return kind;
}();
const Kind kIptc = { { "MORVANE-LEAK-IPTC-BYLINE", G::People }, { "MORVANE-LEAK-IPTC-CAPTION", G::Text },
    { "Seefeld", G::Location }, { "family", G::Text } };
const Kind kMakerNotes = { { "MORVANE-LEAK-MAKERNOTE", G::People }, { "Canon", G::Hidden } };
const Kind kThumbnail = { { "image/jpeg", G::Hidden } };
const Kind kComment = { { "MORVANE-LEAK-COM", G::Text } };
const Kind kHeifThumbnail = { { "96 × 72 pixels", G::Hidden } };
/// What the generator's turned HEIF files carry in their Exif (a phone's make, model, date and position).
const Kind kPhone = { { "MORVANE-LEAK-HEIF-MODEL", G::Device }, { "47.3667 N, 8.5500 E", G::Location },
    { "2022-07-14 18:30:05", G::Time } };
const Kind kTrailer = { { "MORVANE-LEAK-TRAILER", G::Hidden }, { "MORVANE-LEAK-HIDDEN-EXIF", G::People },
    { "MORVANE-LEAK-HIDDEN-IMAGE", G::Text }, { "47.3769 N, 8.5417 E", G::Location } };
const Kind kLongText = { { "MORVANE-LEAK-LONG-0001", G::Text } };
const Kind kPngText = { { "MORVANE-LEAK-PNG-AUTHOR", G::People }, { "MORVANE-LEAK-PNG-COMMENT", G::Text },
    { "MORVANE-LEAK-PNG-ITXT-LANG", G::Text } };
const Kind kPngTime = { { "2022-07-14 18:30:05 UTC", G::Time } };

struct DirtyFile
{
    const char* name;
    const char* groups; ///< the summary
    std::vector<Kind> planted;
};

/// Every file of the dirty set with what it was made to carry (the generator's manifest lists the same
/// files, and the test of the set holds each to the manifest's "personal" column).
const std::vector<DirtyFile> kDirtySet = {
    { "jpeg/01_exif_gps_makernote_thumb.jpg", kAll, { kExif, kGps, kMakerNotes, kThumbnail } },
    { "jpeg/02_xmp.jpg", kAll, { kXmp } },
    // The long caption replaced the description and went to the extended part.
    { "jpeg/03_xmp_extended.jpg", kAll, { kXmpWithoutDescription, kLongText } },
    { "jpeg/04_iptc_photoshop.jpg", "Location, Time, People, Text", { kIptc } },
    { "jpeg/05_comment.jpg", "Text", { kComment } },
    { "jpeg/06_icc_adobergb.jpg", kNothing, {} },
    { "jpeg/07_jfif_300dpi.jpg", kNothing, {} },
    { "jpeg/08_exif_dpi_only.jpg", "Device", { { { "Canon", G::Device } } } },
    { "jpeg/09_trailer_after_eoi.jpg", "Location, Device, People, Text, Hidden", { kTrailer } },
    { "jpeg/10_progressive_exif.jpg", kAll, { kExif, kGps } },
    { "jpeg/11_cmyk_adobe_iptc.jpg", kAll, { kIptc, kXmp } },
    { "jpeg/12_gray_exif.jpg", "Device, Time, People, Text, Hidden", { kExif } },
    { "jpeg/13_kitchen_sink.jpg", kAll,
        { kExif, kGps, kXmp, kIptc, kComment, kMakerNotes, kThumbnail, { kTrailer[0] } } },
    { "jpeg/14_foreign_segments.jpg", "Hidden",
        // The generator's FlashPix and Ducky segments hold their identifiers only (a shell string ends at
        // its first zero byte).
        { { { "Thumbnail (JFIF extension)", G::Hidden }, { "FPXR", G::Hidden }, { "Ducky", G::Hidden },
            { "MORVANE-LEAK-APP15", G::Hidden } } } },
    { "jpeg/Ünïcødé name (copy) #1.JPEG", kAll, { kExif, kGps, kMakerNotes, kThumbnail } },
    { "jpeg/orient/orient_6_odd_633x427.jpg", "Device", { { { "Canon", G::Device } } } },
    { "png/01_text_chunks.png", kAll,
        { kPngText, kXmp, kLongText, { { "MORVANE-LEAK-PNG-ITXT-COMPRESSED", G::Text } } } },
    { "png/02_exif_chunk.png", kAll, { kExif, kGps } },
    { "png/03_exif_orient6.png", "Device", { { { "Canon", G::Device } } } },
    { "png/04_time.png", "Time", { kPngTime } },
    { "png/05_phys_300dpi.png", kNothing, {} },
    { "png/06_iccp_adobergb.png", kNothing, {} },
    { "png/07_16bit_rgba.png", "Location, Time, People",
        { kGps, kPngTime, { { "MORVANE-LEAK-PNG-AUTHOR", G::People } } } },
    { "png/08_palette_trns.png", "Text", { { { "MORVANE-LEAK-PNG-PALETTE-COMMENT", G::Text } } } },
    { "png/09_gray16.png", "Device, People", { { { "MORVANE-LEAK-PNG-SOFTWARE", G::Device } } } },
    { "png/10_kitchen_sink.png", kAll,
        { kPngText, kPngTime, kExif, kGps, kXmp, kLongText, { { "MORVANE-LEAK-AFTER-IEND", G::Hidden } } } },
    { "png/11_private_chunks.png", "Hidden",
        { { { "MORVANE-LEAK-PNG-PRIVATE-CHUNK", G::Hidden },
            { "MORVANE-LEAK-PNG-UNKNOWN-ANCILLARY", G::Hidden } } } },
    { "tiff/01_exif_gps_xmp_iptc_icc.tif", kAll,
        { kExif, kGps, kXmp, kIptc,
            { { "MORVANE-LEAK-TIFF-DOCUMENTNAME", G::Text }, { "MORVANE-LEAK-TIFF-PAGENAME", G::Text } } } },
    { "tiff/02_orient_3.tif", "Device, Time",
        { { { "Canon", G::Device }, { "2022-07-14 18:30:05", G::Time } } } },
    { "tiff/02_orient_6.tif", "Device, Time",
        { { { "Canon", G::Device }, { "2022-07-14 18:30:05", G::Time } } } },
    { "tiff/02_orient_8.tif", "Device, Time",
        { { { "Canon", G::Device }, { "2022-07-14 18:30:05", G::Time } } } },
    { "tiff/03_res_cm.tif", "People", { { { "MORVANE-LEAK-TIFF-ARTIST", G::People } } } },
    { "tiff/04_multipage_3.tif", kAll,
        { kExif, kGps,
            { { "MORVANE-LEAK-TIFF-PAGE1 description", G::Text },
                { "MORVANE-LEAK-TIFF-PAGE1-ARTIST", G::People },
                { "MORVANE-LEAK-TIFF-PAGE2 description", G::Text },
                { "MORVANE-LEAK-TIFF-PAGE2-ARTIST", G::People }, { "2022-07-12 18:30:05", G::Time } } } },
    { "tiff/05_16bit_bigendian.tif", "Device, Time, People, Text, Hidden", { kExif } },
    { "tiff/06_kitchen_sink_orient6.tif", kAll, { kExif, kGps, kXmp, kIptc } },
    { "gif/01_animated_comment_xmp.gif", kAll, { kXmp, { { "MORVANE-LEAK-GIF-COMMENT", G::Text } } } },
    { "gif/02_static_comment_xmp_icc.gif", kAll,
        { kXmp,
            { { "MORVANE-LEAK-GIF-STATIC-COMMENT", G::Text }, { "MORVANE-LEAK-GIF-APPLICATION", G::Hidden },
                { "MRVNPRIV1.0", G::Hidden },
                // The generator's plain-text extension lost its 12-byte header (a shell string ends at its
                // first zero byte): an empty extension, which holds nothing, then its text where the next
                // block should be.
                { "MORVANE-LEAK-GIF-PLAINTEXT", G::Hidden } } } },
    { "gif/03_transparent.gif", "Text, Hidden",
        { { { "MORVANE-LEAK-GIF-TRANSPARENT-COMMENT", G::Text },
            { "MORVANE-LEAK-AFTER-GIF-TRAILER", G::Hidden } } } },
    { "bmp/01_24bit_300dpi.bmp", kNothing, {} },
    { "bmp/02_32bit_v5_icc.bmp", kNothing, {} },
    { "bmp/03_8bit_palette.bmp", kNothing, {} },
    { "bmp/04_24bit_odd_width.bmp", kNothing, {} },
    { "bmp/05_linked_profile_trailer.bmp", "Hidden",
        { { { "MORVANE-LEAK-BMP-LINKED-PROFILE", G::Hidden },
            { "MORVANE-LEAK-AFTER-BMP-DATA", G::Hidden } } } },
    // HEIF and WebP: items and chunks found through the engine's own walks of the containers.
    { "heif/01_exif_gps_xmp_thumb.heic", kAll, { kExif, kGps, kXmp, kHeifThumbnail } },
    { "heif/02_exiftool_exif_xmp.heic", kAll, { kExif, kGps, kXmp } },
    { "heif/03_icc_adobergb.heic", kNothing, {} },
    { "heif/04_alpha_exif_xmp.heic", kAll, { kExif, kGps, kXmp } },
    { "heif/05_exif_orient6_no_irot.heic", "Location, Device, Time", { kPhone } },
    { "heif/orient/irot_6_exif_8.heic", "Location, Device, Time", { kPhone } },
    { "heif/orient/irot_6_odd_633x427.heic", "Location, Device, Time", { kPhone } },
    { "heif/06_avif_exif_xmp_thumb.avif", kAll, { kExif, kGps, kXmp, kHeifThumbnail } },
    { "heif/orient/irot_6.avif", "Location, Device, Time", { kPhone } },
    { "heif/07_nclx_display_p3.avif", kNothing, {} },
    { "heif/08_nclx_display_p3_exif.heic", kAll, { kExif, kGps } },
    { "webp/01_exif_gps_xmp_icc.webp", kAll, { kExif, kGps, kXmp } },
    { "webp/02_orient6.webp", "Location, Device, Time", { kGps } },
    { "webp/03_lossless_alpha_exif.webp", kAll, { kXmp } },
    { "webp/04_animated_exif_xmp.webp", kAll, { kExif, kGps, kXmp } },
    { "webp/05_lossy_alpha_icc.webp", kNothing, {} },
    // Cut inside its image data, after its Exif item: the Exif is read, and the XMP item beyond the cut
    // is reported as out of the file.
    { "misc/heic_truncated.heic", kAll,
        { kExif, kGps, kHeifThumbnail, { { "'mime', whose data lies outside the file", G::Hidden } } } },
    // Hostile structures are inspected without decoding: what they carry is found all the same.
    { "misc/heic_reference_loop.heic", kNothing, {} },
    { "misc/heic_self_reference.heic", kNothing, {} },
    { "misc/heic_giant_size.heic", kAll, { kExif, kGps, kXmp } },
    { "misc/webp_truncated.webp", kNothing, {} },
    { "misc/webp_giant_canvas.webp", kAll, { kExif, kGps, kXmp } },
    { "misc/png_named_as.jpg", "People", { { { "MORVANE-LEAK-PNG-NAMED-AS-JPEG", G::People } } } },
    // Cut in its image data, its metadata whole: readable, and all of it found.
    { "misc/truncated.jpg", kAll, { kExif, kGps, kMakerNotes } },
    { "misc/empty.jpg", "the file is empty", {} },
};

/// The group's fields as "name: value" lines, for messages.
std::string describe(const Inspection& inspection)
{
    QString text = inspection.summary() + u'\n';
    for (const auto& [group, fields] : inspection.groups) {
        for (const InspectedField& field : fields)
            text += QStringLiteral("  %1 | %2: %3\n").arg(personalGroupName(group), field.name, field.value);
    }
    return text.toStdString();
}

/// Whether some field of \a group names or shows \a text.
bool groupShows(const Inspection& inspection, PersonalGroup group, const QString& text)
{
    const auto it = inspection.groups.find(group);
    if (it == inspection.groups.end())
        return false;
    return std::any_of(it->second.begin(), it->second.end(),
        [&](const InspectedField& field) { return field.name.contains(text) || field.value.contains(text); });
}

void checkDirtyFile(const DirtyFile& file)
{
    const Inspection inspection = inspectImageFile(dirtyCorpusDir() + u'/' + QString::fromUtf8(file.name));
    EXPECT_EQ(inspection.summary().toStdString(), file.groups) << describe(inspection);
    for (const Kind& kind : file.planted) {
        for (const Planted& planted : kind)
            EXPECT_TRUE(groupShows(inspection, planted.group, QString::fromUtf8(planted.text)))
                << planted.text << " not in " << personalGroupName(planted.group).toStdString() << "\n"
                << describe(inspection);
    }
    // What the list shows of a file is what the panel and the JSON show.
    const QJsonObject json = inspectionToJson(inspection);
    EXPECT_EQ(json.value("readable").toBool(), inspection.readable);
    EXPECT_EQ(json.value("groups").toObject().keys().size(), qsizetype(inspection.groups.size()));
}

// One test for the whole set: each file's own process start would cost more than its inspection. The
// eight turned JPEGs carry GPS; the eight turned HEIFs a phone's Exif.
TEST(DirtySet, ShowsTheGroupsAndEveryPlantedKindTheFileWasMadeToCarry)
{
    std::vector<DirtyFile> files = kDirtySet;
    std::vector<QByteArray> names;
    for (int orientation = 1; orientation <= 8; ++orientation) {
        names.push_back(QByteArray("jpeg/orient/orient_") + QByteArray::number(orientation) + ".jpg");
        names.push_back(QByteArray("heif/orient/irot_") + QByteArray::number(orientation) + ".heic");
    }
    for (const QByteArray& name : names)
        files.push_back(
            { name.constData(), "Location, Device, Time", { name.startsWith("jpeg") ? kGps : kPhone } });
    for (const DirtyFile& file : files) {
        SCOPED_TRACE(file.name);
        checkDirtyFile(file);
    }

    // The generator's manifest lists no file this table lacks, and its "personal" column ("no" for files
    // with only what a clean copy keeps) agrees with the table.
    QFile manifest(dirtyCorpusDir() + QStringLiteral("/MANIFEST.tsv"));
    ASSERT_TRUE(manifest.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = manifest.readAll().split('\n');
    const qsizetype personal = lines.first().split('\t').indexOf("personal");
    ASSERT_GE(personal, 0);
    int rows = 0;
    for (const QByteArray& line : lines.mid(1)) {
        if (line.isEmpty())
            continue;
        ++rows;
        const QList<QByteArray> columns = line.split('\t');
        const auto row = std::find_if(
            files.begin(), files.end(), [&](const DirtyFile& file) { return columns[0] == file.name; });
        ASSERT_NE(row, files.end()) << "no expectation for " << columns[0].toStdString();
        EXPECT_EQ(columns.value(personal) == "no", std::string(row->groups) == kNothing) << row->name;
    }
    EXPECT_EQ(rows, int(files.size()));
}

struct Coordinates
{
    const char* name;
    const char* latitude; ///< exiftool's signed degrees
    const char* longitude;
};

/// exiftool's numeric reading of \a tag (its composite, signed degrees) as the inspector writes degrees.
QString exiftoolDegrees(const QJsonObject& tags, const QByteArray& tag, bool latitude)
{
    const double value = tags.value(QString::fromLatin1(tag)).toDouble(1000);
    const char hemisphere = latitude ? (value < 0 ? 'S' : 'N') : (value < 0 ? 'W' : 'E');
    return QStringLiteral("%1 %2").arg(std::abs(value), 0, 'f', 4).arg(QLatin1Char(hemisphere));
}

TEST(GpsDegrees, AgreeWithExiftoolsNumbersInEveryHemisphereInExifAndXmp)
{
    const Coordinates hemispheres[] = { { "NorthEast", "48.858370", "2.294481" },
        { "SouthEast", "-33.856784", "151.215297" }, { "NorthWest", "40.689247", "-74.044502" },
        { "SouthWest", "-22.951916", "-43.210487" }, { "Equator", "0.00004", "-0.00006" } };
    QTemporaryDir work;
    QList<QStringList> writes;
    QStringList files;
    for (const Coordinates& c : hemispheres) {
        const QString exifPath = work.filePath(QStringLiteral("%1-exif.jpg").arg(c.name));
        const QString xmpPath = work.filePath(QStringLiteral("%1-xmp.jpg").arg(c.name));
        ASSERT_TRUE(quadrants(32, 24).save(exifPath, "JPEG"));
        ASSERT_TRUE(QFile::copy(exifPath, xmpPath));
        writes.append({ "-q", "-overwrite_original", QStringLiteral("-GPSLatitude=") + c.latitude,
            QStringLiteral("-GPSLatitudeRef=") + c.latitude, QStringLiteral("-GPSLongitude=") + c.longitude,
            QStringLiteral("-GPSLongitudeRef=") + c.longitude, exifPath });
        writes.append({ "-q", "-overwrite_original", QStringLiteral("-XMP-exif:GPSLatitude=") + c.latitude,
            QStringLiteral("-XMP-exif:GPSLongitude=") + c.longitude, xmpPath });
        files << exifPath << xmpPath;
    }
    ASSERT_TRUE(runExiftoolCommands(writes));
    // Signed degrees: exiftool's composite of the EXIF values and references, or the XMP value.
    const QHash<QString, QJsonObject> tags
        = exiftoolJson({ "-n", "-G", "-Composite:GPSLatitude", "-Composite:GPSLongitude", "-XMP:GPSLatitude",
                           "-XMP:GPSLongitude" },
            files);
    for (const QString& path : files) {
        SCOPED_TRACE(path.toStdString());
        const QJsonObject numbers = tags.value(path);
        const char* group = path.endsWith(QLatin1String("-exif.jpg")) ? "Composite:" : "XMP:";
        const QString expected = exiftoolDegrees(numbers, QByteArray(group) + "GPSLatitude", true)
            + QStringLiteral(", ") + exiftoolDegrees(numbers, QByteArray(group) + "GPSLongitude", false);
        const Inspection inspection = inspectImageFile(path);
        EXPECT_EQ(inspection.location.value_or(QString()), expected) << describe(inspection);
        EXPECT_EQ(inspection.groupNames(), QStringList { "Location" }) << describe(inspection);
    }
}

/// A JPEG with \a profile in its APP2 chain.
QByteArray jpegWithProfile(const QByteArray& profile)
{
    return withApp2(jpegOf(quadrants(16, 16)), iccChunks(profile, 2));
}

TEST(ColourProfiles, TextsThatNameAPersonOrADeviceAreHiddenFindingsAndCleaningRemovesThem)
{
    const QByteArray plain = LcmsProfile(cmsCreate_sRGBProfile()).save();
    ASSERT_FALSE(plain.isEmpty());
    const QByteArray personal = personalised(plain);
    const QByteArray cleaned = cleanColorProfile(personal);
    ASSERT_FALSE(cleaned.isEmpty());

    EXPECT_TRUE(inspectImageData(jpegWithProfile(plain)).nothingPersonal());
    EXPECT_TRUE(inspectImageData(jpegWithProfile(cleaned)).nothingPersonal());
    EXPECT_TRUE(inspectImageData(jpegWithProfile(displayP3v4())).nothingPersonal());

    const Inspection inspection = inspectImageData(jpegWithProfile(personal));
    EXPECT_EQ(inspection.groupNames(), QStringList { "Hidden" }) << describe(inspection);
    for (const QByteArray& text :
        { kPersonalDescription, kPersonalCopyright, kPersonalMaker, kPersonalModel })
        EXPECT_TRUE(groupShows(inspection, G::Hidden, QString::fromLatin1(text))) << text.toStdString();
    // The private tag, by its contents.
    EXPECT_TRUE(groupShows(inspection, G::Hidden, QString::fromLatin1(kPrivatePayload)))
        << describe(inspection);

    // A chain with a segment missing hides what the profile held: found, not passed.
    const QList<QByteArray> chunks = iccChunks(plain, 3);
    EXPECT_EQ(inspectImageData(withApp2(jpegOf(quadrants(16, 16)), { chunks[0], chunks[2] })).groupNames(),
        QStringList { "Hidden" });
}

TEST(ColourProfiles, ColourTagsHoldingTextAndAForgedProfileIdAreHiddenFindings)
{
    // A profile that cleans to itself is no proof of anything: what its tags and header show is judged,
    // whatever signature a tag carries.
    const QByteArray plain = LcmsProfile(cmsCreate_sRGBProfile()).save();
    ASSERT_FALSE(plain.isEmpty());
    const QByteArray text = QByteArray("text", 4) + QByteArray(4, '\0') + "Jane Doe's camera" + '\0';
    const QByteArray textInColourTag = withExtraTag(plain, "bkpt", text);
    QByteArray forgedId = plain;
    forgedId.replace(84, 16, QByteArray("jdoe:4711-0815!!", 16));
    ASSERT_EQ(forgedId.size(), plain.size());

    const Inspection colourTag = inspectImageData(jpegWithProfile(textInColourTag));
    EXPECT_EQ(colourTag.groupNames(), QStringList { "Hidden" }) << describe(colourTag);
    EXPECT_TRUE(groupShows(colourTag, G::Hidden, QStringLiteral("Jane Doe's camera"))) << describe(colourTag);
    const Inspection id = inspectImageData(jpegWithProfile(forgedId));
    EXPECT_EQ(id.groupNames(), QStringList { "Hidden" }) << describe(id);
    EXPECT_TRUE(groupShows(id, G::Hidden, QStringLiteral("jdoe:4711-0815"))) << describe(id);

    // What cleaning makes of them holds neither.
    for (const QByteArray& profile : { textInColourTag, forgedId }) {
        const QByteArray cleaned = cleanColorProfile(profile);
        ASSERT_FALSE(cleaned.isEmpty());
        EXPECT_TRUE(inspectImageData(jpegWithProfile(cleaned)).nothingPersonal());
    }
}

TEST(OtherWriters, ExifThatExiv2WritesIntoAPngAsARawProfileTextIsFound)
{
    QTemporaryDir work;
    const QString path = work.filePath("exiv2.png");
    ASSERT_TRUE(quadrants(16, 16).save(path, "PNG"));
    ASSERT_EQ(
        runProcess(QStringLiteral("exiv2"), { "-q", "-M", "set Exif.Image.Artist Ascii Jane Doe", path })
            .exitCode,
        0);
    ASSERT_TRUE(fileBytes(path).contains("Raw profile type exif")); // how Exiv2 0.27 stores it
    const Inspection inspection = inspectImageFile(path);
    EXPECT_EQ(inspection.groupNames(), QStringList { "People" }) << describe(inspection);
    EXPECT_TRUE(groupShows(inspection, G::People, QStringLiteral("Jane Doe")));
}

TEST(HostileTexts, ControlAndDirectionCharactersNeverReachAFieldNameOrValue)
{
    // Escape sequences and direction overrides in tags that keep any bytes, written by exiv2; the fuzzer
    // found the GPS date shown as it was stored.
    QTemporaryDir work;
    const QString path = work.filePath("hostile.jpg");
    ASSERT_TRUE(quadrants(16, 16).save(path, "JPEG"));
    ASSERT_EQ(
        runProcess(QStringLiteral("exiv2"),
            { "-q", "-M", QStringLiteral("set Exif.GPSInfo.GPSDateStamp Ascii 2022:07:14\x1b[2J"), "-M",
                "set Exif.GPSInfo.GPSTimeStamp Rational 16/1 30/1 5/1", "-M",
                QStringLiteral("set Exif.Image.Artist Ascii Jane\x1b]0;title\x07 Doe"), "-M",
                QStringLiteral("set Xmp.dc.title lang=x-default Summer \u202eevening\u2028night"), path })
            .exitCode,
        0);
    ASSERT_TRUE(fileBytes(path).contains("Jane\x1b]0;title\x07 Doe")); // exiv2 wrote the bytes as they are
    const Inspection inspection = inspectImageFile(path);
    EXPECT_EQ(inspection.groupNames(), (QStringList { "Location", "People", "Text" }))
        << describe(inspection);
    EXPECT_TRUE(groupShows(inspection, G::People, QStringLiteral("Jane")));
    for (const auto& [group, fields] : inspection.groups) {
        for (const InspectedField& field : fields) {
            for (const QChar c : field.name + field.value) {
                const QChar::Category category = c.category();
                EXPECT_TRUE(category != QChar::Other_Control && category != QChar::Other_Format
                    && category != QChar::Separator_Line && category != QChar::Separator_Paragraph)
                    << field.name.toStdString() << ": " << field.value.toStdString();
            }
        }
    }
}

/// A little-endian TIFF structure of \a pages image directories laid out one after another, each with a
/// NewSubfileType entry (which describes the pixels) and the entries \a extra gives it; \a next gives
/// each page's successor (by index, -1 for none).
QByteArray tiffPages(int pages, const std::function<int(int)>& next,
    const std::function<QByteArray(int page, quint32 at)>& extra = {})
{
    const auto le16 = [](quint16 v) { return QByteArray(1, char(v & 0xFF)) + char(v >> 8); };
    const auto le32 = [&](quint32 v) { return le16(quint16(v & 0xFFFF)) + le16(quint16(v >> 16)); };
    const auto entry = [&](quint16 tag, quint16 type, quint32 count, quint32 value) {
        return le16(tag) + le16(type) + le32(count) + le32(value);
    };
    // Every directory takes the same room: a count, two entries and the next offset.
    constexpr quint32 kDirectorySize = 2 + 2 * 12 + 4;
    QByteArray tiff = QByteArray("II*\0", 4) + le32(8);
    for (int page = 0; page < pages; ++page) {
        const auto at = quint32(tiff.size());
        QByteArray second = extra ? extra(page, at) : QByteArray();
        if (second.isEmpty())
            second = entry(255, 3, 1, 1); // the old SubfileType: full-resolution image
        tiff += le16(2) + entry(254, 4, 1, 0) + second;
        tiff += le32(next(page) < 0 ? 0 : 8 + quint32(next(page)) * kDirectorySize);
    }
    return tiff;
}

TEST(TiffWalk, EndsOnLoopsAndBoundsAndReportsWhatItLeftUnread)
{
    constexpr quint32 kFirstPage = 8;
    const struct
    {
        const char* name;
        QByteArray tiff;
        const char* summary;
    } cases[] = {
        { "a page chain that loops back to its first page",
            tiffPages(3, [](int page) { return (page + 1) % 3; }), kNothing },
        { "every page naming the first as its Exif, GPS and interoperability directory and sub-image",
            tiffPages(
                3, [](int page) { return page + 1 < 3 ? page + 1 : -1; },
                [](int page, quint32) {
                    const quint16 tags[] = { 34665, 34853, 40965, 330 };
                    QByteArray e(12, '\0');
                    e[0] = char(tags[page % 4] & 0xFF);
                    e[1] = char(tags[page % 4] >> 8);
                    e[2] = 4;
                    e[4] = 1;
                    e[8] = char(kFirstPage);
                    return e;
                }),
            // The first page read as a GPS directory holds tags other than the version.
            "Location" },
        { "more pages than the walk reads",
            tiffPages(20000, [](int page) { return page + 1 < 20000 ? page + 1 : -1; }), "Hidden" },
        { "a directory that states more entries than the data holds",
            [] {
                QByteArray tiff = tiffPages(1, [](int) { return -1; });
                tiff[8] = char(0xFF);
                tiff[9] = char(0xFF);
                return tiff;
            }(),
            "Hidden" },
        { "a page naming more sub-images than the walk reads",
            [] {
                QByteArray offsets;
                for (int i = 0; i < 100; ++i)
                    offsets += QByteArray("\x08\0\0\0", 4);
                QByteArray tiff = tiffPages(1, [](int) { return -1; });
                // A SubIFDs entry whose 100 offsets (each the first page's) follow the directory.
                const QByteArray entry = QByteArray("\x4A\x01\x04\0\x64\0\0\0", 8)
                    + QByteArray(1, char(tiff.size())) + QByteArray(3, '\0');
                tiff.replace(8 + 2 + 12, 12, entry);
                return tiff + offsets;
            }(),
            "Hidden" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Inspection inspection = inspectImageData(c.tiff);
        EXPECT_TRUE(inspection.readable) << inspection.reason.toStdString();
        EXPECT_EQ(inspection.summary().toStdString(), c.summary) << describe(inspection);
    }
}

// Fields are named by our own table; an XMP property that repeats an EXIF tag takes the tag's name, and a
// name the table lacks reads as words.
TEST(FieldNames, OursByKeyTheTagsForTheirXmpCopiesAndReadableWordsForTheRest)
{
    const std::pair<const char*, const char*> own[] = { { "Exif.Photo.ExposureTime", "Exposure time" },
        { "Exif.Image.HostComputer", "Host computer" }, { "Xmp.exif.FNumber", "F-number" },
        { "Xmp.tiff.Make", "Camera make" }, { "Xmp.exif.GPSImgDirection", "Image direction" },
        { "Iptc.Application2.City", "City" }, { "Member.CiEmailWork", "E-mail" } };
    for (const auto& [key, name] : own)
        EXPECT_EQ(fields::ownFieldName(key).toStdString(), name) << key;
    EXPECT_TRUE(fields::ownFieldName("Exif.Image.NoSuchTag").isNull());
    const std::pair<const char*, const char*> readable[] = { { "HostComputer", "Host computer" },
        { "XPComment", "XP comment" }, { "GPSImgDirection", "GPS img direction" },
        { "ISOSpeed", "ISO speed" }, { "lensInfo", "Lens info" }, { "Image2", "Image2" } };
    for (const auto& [key, name] : readable)
        EXPECT_EQ(fields::readableKeyName(key).toStdString(), name) << key;
}

TEST(Unreadable, FilesThatAreNoImagesSayWhy)
{
    QTemporaryDir work;
    ASSERT_TRUE(writeFile(work.filePath("text.jpg"), "just some words"));
    // A named pipe without a writer must not hold the reader up.
    ASSERT_EQ(::mkfifo(QFile::encodeName(work.filePath("pipe.jpg")).constData(), 0600), 0);
    const struct
    {
        QString path;
        QString reason;
    } cases[] = {
        { work.filePath("missing.jpg"), QStringLiteral("No such file or directory") },
        { work.path(), QStringLiteral("it is a folder") },
        { work.filePath("pipe.jpg"), QStringLiteral("it is not a regular file") },
        { work.filePath("text.jpg"), QStringLiteral("not an image in a format Morvane reads") },
        { dirtyCorpusDir() + QStringLiteral("/misc/empty.jpg"), QStringLiteral("the file is empty") },
    };
    for (const auto& c : cases) {
        const Inspection inspection = inspectImageFile(c.path);
        EXPECT_FALSE(inspection.readable) << c.path.toStdString();
        EXPECT_EQ(inspection.reason, c.reason);
        EXPECT_EQ(inspectionToJson(inspection).value("reason").toString(), c.reason);
    }
}

TEST(EmptyFields, BlanksZerosAndPlaceholdersAreNoFindingButAFilledFieldBesideThemIs)
{
    QTemporaryDir work;
    const QString photo = work.filePath("camera.jpg");
    QImage image(16, 16, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    ASSERT_TRUE(image.save(photo, "JPEG"));
    // What cameras write into fields nobody filled in.
    ASSERT_EQ(runProcess(QStringLiteral("exiftool"),
                  { "-q", "-m", "-overwrite_original", "-Artist=Unknown", "-Copyright=          ",
                      "-UserComment=   ", "-OwnerName= ", "-ImageDescription=   ", "-Model=0000000000",
                      "-IPTC:By-line= ", "-XMP-dc:Rights=  ", photo })
                  .exitCode,
        0);
    Inspection inspection = inspectImageFile(photo);
    ASSERT_TRUE(inspection.readable) << inspection.reason.toStdString();
    for (const PersonalGroup group : { PersonalGroup::People, PersonalGroup::Text, PersonalGroup::Device })
        EXPECT_EQ(inspection.groups.count(group), 0u) << describe(inspection);

    ASSERT_EQ(runProcess(QStringLiteral("exiftool"),
                  { "-q", "-overwrite_original", "-OwnerName=Jane Roe", "-Model=PhoneMaker X7", photo })
                  .exitCode,
        0);
    inspection = inspectImageFile(photo);
    ASSERT_EQ(inspection.groups.count(PersonalGroup::People), 1u) << describe(inspection);
    EXPECT_EQ(inspection.groups.at(PersonalGroup::People).size(), 1u) << describe(inspection);
    EXPECT_EQ(inspection.groups.count(PersonalGroup::Text), 0u) << describe(inspection);
    ASSERT_EQ(inspection.groups.count(PersonalGroup::Device), 1u) << describe(inspection);
    EXPECT_TRUE(inspection.groups.at(PersonalGroup::Device).front().value.contains("PhoneMaker"));
}

} // namespace

TEST(FileNames, DatesTimesDevicesAndAppsInANameAreFindingsAndNumberedNamesGiveNothing)
{
    using Found = std::vector<std::pair<PersonalGroup, InspectedField>>;
    const auto time = [](const char* value) {
        return std::pair { PersonalGroup::Time, InspectedField { "Date and time in the file name", value } };
    };
    const auto device = [](const char* value) {
        return std::pair { PersonalGroup::Device, InspectedField { "Device in the file name", value } };
    };
    const auto app = [](const char* value) {
        return std::pair { PersonalGroup::Device, InspectedField { "App in the file name", value } };
    };
    const struct
    {
        const char* name;
        Found found;
    } cases[] = {
        { "/in/IMG_20240612_184501.jpg", { time("2024-06-12 18:45:01") } },
        { "PXL_20240612_184501123.jpg", { time("2024-06-12 18:45:01") } },
        { "Screenshot from 2024-06-12 18-45-01.png", { time("2024-06-12 18:45:01") } },
        { "Screenshot 2024-06-12 at 18.45.01.png", { time("2024-06-12 18:45:01") } },
        { "Screenshot_20240612-184501_Chrome.jpg", { time("2024-06-12 18:45:01"), app("Chrome") } },
        { "IMG-20240612-WA0003.jpg",
            { { PersonalGroup::Time, { "Date in the file name", "2024-06-12" } }, app("WhatsApp") } },
        { "Holiday iPhone 15 Pro.jpg", { device("iPhone 15 Pro") } },
        { "pixel_8_sunset.jpg", { device("pixel 8") } },
        { "SM-S918B 1.jpg", { device("SM-S918B") } },
        // Numbers that are no date, and the names a run numbers its copies with.
        { "photo-0001.jpg", {} },
        { "DSC_1234.JPG", {} },
        { "2024-13-45.jpg", {} },
        { "IMG_202406121.jpg", {} },
        { "Pixelated.png", {} },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Found found = fileNameFindings(QString::fromUtf8(c.name));
        EXPECT_EQ(found, c.found);
    }
    // Reported with what the file holds, in the groups of its findings.
    QTemporaryDir work;
    const QString dated = work.filePath("IMG_20240612_184501.png");
    ASSERT_TRUE(QImage(4, 4, QImage::Format_RGB32).save(dated));
    EXPECT_EQ(inspectImageFile(dated).groupNames(), QStringList { "Time" });
}
