// SPDX-License-Identifier: GPL-3.0-or-later
// morvane-cli --inspect: files tagged by exiftool show the groups of what exiftool wrote (whether the
// inspector agrees with the dirty set's manifest is the engine's test), a GPS position is found wherever
// exiftool finds one, HEIC files with data after their boxes are read and converted without it, and
// nothing is ever written.
#include "tests/cli/CliFixture.h"
#include "tests/common/TestSupport.h"

#include <QBuffer>
#include <QColor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtEndian>

#include <cmath>
#include <functional>
#include <gtest/gtest.h>

namespace {

ProcessResult inspect(const QStringList& arguments, const QString& configHome)
{
    return runCli(QStringList { "--inspect" } + arguments, configHome);
}

/// A file made by Qt and tagged by exiftool with \a tags, and the groups a person looks for them in.
struct Tagged
{
    const char* name;
    QStringList tags;
    const char* summary;
};

const QStringList kGps
    = { "-GPSLatitude=48.858370", "-GPSLatitudeRef=N", "-GPSLongitude=2.294481", "-GPSLongitudeRef=E" };
const QStringList kCamera = { "-Make=Canon", "-Model=Canon EOS R5", "-SerialNumber=0123456789" };
const QStringList kTaken = { "-DateTimeOriginal=2023:05:01 10:00:00", "-OffsetTimeOriginal=+02:00" };
const QStringList kPeople = { "-Artist=Jane Doe", "-Copyright=Jane Doe 2023" };
const QStringList kComment = { "-Comment=met at the lake" };

const std::vector<Tagged> kTagged = {
    { "gps.jpg", kGps, "Location" },
    { "camera.jpg", kCamera, "Device" },
    { "taken.jpg", kTaken, "Time" },
    { "people.jpg", kPeople, "People" },
    { "comment.jpg", kComment, "Text" },
    { "keywords.png", { "-XMP-dc:Subject=family" }, "Text" },
    { "author.png", { "-XMP-dc:Creator=Jane Doe" }, "People" },
    { "untouched.png", {}, "Nothing personal found" },
    { "everything.jpg", kGps + kCamera + kTaken + kPeople + kComment,
        "Location, Device, Time, People, Text" },
};

/// Every file under \a dir with its bytes.
QMap<QString, QByteArray> contents(const QString& dir)
{
    QMap<QString, QByteArray> state;
    for (const QString& name : filesUnder(dir))
        state.insert(name, fileBytes(dir + u'/' + name));
    return state;
}

} // namespace

TEST(Inspect, ShowsTheGroupsOfWhatExiftoolWroteAndWritesNothing)
{
    QTemporaryDir work;
    const QString in = work.filePath(QStringLiteral("in"));
    ASSERT_TRUE(QDir().mkpath(in));
    QImage image(48, 32, QImage::Format_RGB32);
    image.fill(QColor(40, 120, 200));
    QList<QStringList> tagging;
    for (const Tagged& file : kTagged) {
        const QString path = in + u'/' + QLatin1String(file.name);
        ASSERT_TRUE(image.save(path));
        if (!file.tags.isEmpty())
            tagging.append(QStringList { "-q", "-overwrite_original" } + file.tags + QStringList { path });
    }
    ASSERT_TRUE(runExiftoolCommands(tagging));
    const auto before = contents(in);
    // Beside them: a tagged file under a name that is no UTF-8, and an empty one that cannot be read.
    const auto cleanUp = qScopeGuard([&] { removeTree(work.path()); });
    const QByteArray oddName = QFile::encodeName(work.filePath("odd")) + "/caf\xe9.jpg";
    ASSERT_TRUE(writeFile(work.filePath("odd/empty.jpg"), {}));
    ASSERT_TRUE(writeNative(oddName, fileBytes(in + QStringLiteral("/everything.jpg"))));

    const ProcessResult run = inspect({ "--json", in, work.filePath("odd") }, work.filePath("config"));
    EXPECT_EQ(run.exitCode, 1) << run.standardError.toStdString();
    const QHash<QString, QJsonObject> reports = jsonBySource(run.standardOutput);
    EXPECT_EQ(reports.size(), qsizetype(kTagged.size()) + 2);
    EXPECT_FALSE(reports.value("empty.jpg").value("readable").toBool());
    EXPECT_EQ(reports.value("empty.jpg").value("reason").toString(), QStringLiteral("the file is empty"));
    int odd = 0;
    for (const QJsonObject& report : reports) {
        if (!report.contains("source_hex"))
            continue;
        ++odd;
        EXPECT_EQ(report.value("source_hex").toString().toLatin1(), oddName.toHex());
        EXPECT_EQ(report.value("summary").toString(), QStringLiteral("Location, Device, Time, People, Text"));
    }
    EXPECT_EQ(odd, 1) << run.standardOutput.toStdString();
    for (const Tagged& file : kTagged) {
        SCOPED_TRACE(file.name);
        const QJsonObject report = reports.value(QLatin1String(file.name));
        EXPECT_TRUE(report.value("readable").toBool());
        EXPECT_EQ(report.value("summary").toString().toStdString(), file.summary)
            << QJsonDocument(report).toJson().toStdString();
        const QStringList groups = QString::fromLatin1(file.summary).split(QStringLiteral(", "));
        if (groups.first() != QLatin1String("Nothing personal found")) {
            EXPECT_EQ(report.value("groups").toObject().keys().size(), groups.size());
        }
        EXPECT_EQ(report.value("location").toString(),
            file.tags.contains(kGps.first()) ? QStringLiteral("48.8584 N, 2.2945 E") : QString());
    }

    // As text: per file its groups, each with its fields; a missing file is reported and fails the run.
    const QString gone = in + QStringLiteral("/gone.jpg");
    const ProcessResult text
        = inspect({ in + QStringLiteral("/gps.jpg"), in + QStringLiteral("/untouched.png"), gone },
            work.filePath("config"));
    EXPECT_EQ(text.exitCode, 1);
    EXPECT_TRUE(text.standardOutput.contains(
        in + QStringLiteral("/gps.jpg: Location\n  Location\n    GPS position: 48.8584 N, 2.2945 E\n")))
        << text.standardOutput.toStdString();
    EXPECT_TRUE(
        text.standardOutput.contains(in + QStringLiteral("/untouched.png: Nothing personal found\n")));
    EXPECT_TRUE(text.standardOutput.contains(gone + QStringLiteral(": could not be read: not found\n")))
        << text.standardOutput.toStdString();

    EXPECT_EQ(contents(in), before) << "inspecting wrote or changed a file";
}

namespace {

/// TIFF structures put together by hand, in either byte order, for pointer layouts no tool writes:
/// directories whose entries hold values or point at other directories, appended after a base (a whole
/// TIFF file, whose own directories stay where they are and may be copied, or a bare header).
class TiffSurgery
{
public:
    /// A new structure: a header and nothing else.
    explicit TiffSurgery(bool littleEndian)
        : TiffSurgery(littleEndian ? QByteArray("II*\0\0\0\0\0", 8) : QByteArray("MM\0*\0\0\0\0", 8))
    { }
    /// Directories to append to the TIFF file \a base.
    explicit TiffSurgery(QByteArray base)
        : m_base(std::move(base))
        , m_little(m_base.startsWith("II"))
    { }

    [[nodiscard]] QByteArray u16(quint16 value) const
    {
        QByteArray bytes(2, '\0');
        m_little ? qToLittleEndian(value, bytes.data()) : qToBigEndian(value, bytes.data());
        return bytes;
    }
    [[nodiscard]] QByteArray u32(quint32 value) const
    {
        QByteArray bytes(4, '\0');
        m_little ? qToLittleEndian(value, bytes.data()) : qToBigEndian(value, bytes.data());
        return bytes;
    }
    [[nodiscard]] quint32 read32(qsizetype at) const
    {
        return m_little ? qFromLittleEndian<quint32>(m_base.constData() + at)
                        : qFromBigEndian<quint32>(m_base.constData() + at);
    }
    [[nodiscard]] quint16 read16(qsizetype at) const
    {
        return m_little ? qFromLittleEndian<quint16>(m_base.constData() + at)
                        : qFromBigEndian<quint16>(m_base.constData() + at);
    }
    /// The base's pages: the offsets of its image directory chain.
    [[nodiscard]] QList<quint32> pages() const
    {
        QList<quint32> offsets;
        for (quint32 at = read32(4); at != 0 && at + 2 <= quint32(m_base.size()) && !offsets.contains(at);
             at = read32(at + 2 + 12 * qsizetype(read16(at))))
            offsets.append(at);
        return offsets;
    }

    /// A new directory, named by the number returned.
    int directory()
    {
        m_directories.emplace_back();
        return int(m_directories.size()) - 1;
    }
    /// An entry of \a count values of \a type whose bytes (in the structure's order) are \a bytes.
    void value(int directory, quint16 tag, quint16 type, quint32 count, const QByteArray& bytes)
    {
        m_directories[size_t(directory)].entries.push_back({ tag, type, count, bytes, -1, {} });
    }
    void ascii(int directory, quint16 tag, const QByteArray& text)
    {
        value(directory, tag, 2, quint32(text.size() + 1), text + '\0');
    }
    void rationals(int directory, quint16 tag, const std::vector<quint32>& numbersAndDenominators)
    {
        QByteArray bytes;
        for (const quint32 number : numbersAndDenominators)
            bytes += u32(number);
        value(directory, tag, 5, quint32(numbersAndDenominators.size() / 2), bytes);
    }
    /// An entry that points at the new directory \a target.
    void pointer(int directory, quint16 tag, int target)
    {
        m_directories[size_t(directory)].entries.push_back({ tag, 4, 1, {}, target, {} });
    }
    /// The entries of the base's directory at \a offset, as they are (their values stay where they lie).
    void copyEntries(int directory, quint32 offset)
    {
        for (quint16 i = 0; i < read16(offset); ++i) {
            const QByteArray raw = m_base.mid(offset + 2 + 12 * i, 12);
            m_directories[size_t(directory)].entries.push_back(
                { read16(offset + 2 + 12 * i), 0, 0, {}, -1, raw });
        }
    }
    /// The directory after \a directory in its chain: a new one, or one of the base at \a offset.
    void next(int directory, int target) { m_directories[size_t(directory)].next = target; }
    void nextOffset(int directory, quint32 offset) { m_directories[size_t(directory)].nextOffset = offset; }

    /// Where the new directory \a directory will lie.
    [[nodiscard]] quint32 offsetOf(int directory) const { return layout()[size_t(directory)]; }

    /// The base with the new directories after it; the header names \a first as the first page when it is
    /// a new directory (else the base's first page stays).
    [[nodiscard]] QByteArray build(int first = -1) const
    {
        const std::vector<quint32> at = layout();
        QByteArray out = m_base;
        if (out.size() % 2)
            out.append('\0');
        for (const Directory& d : m_directories) {
            std::vector<Entry> entries = d.entries;
            std::stable_sort(
                entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.tag < b.tag; });
            QByteArray values;
            const qsizetype valuesAt = out.size() + 2 + 12 * qsizetype(entries.size()) + 4;
            out += u16(quint16(entries.size()));
            for (const Entry& e : entries) {
                if (!e.raw.isEmpty()) {
                    out += e.raw;
                    continue;
                }
                out += u16(e.tag) + u16(e.type) + u32(e.count);
                if (e.target >= 0) {
                    out += u32(at[size_t(e.target)]);
                } else if (e.bytes.size() <= 4) {
                    out += e.bytes.leftJustified(4, '\0');
                } else {
                    out += u32(quint32(valuesAt + values.size()));
                    values += e.bytes;
                    if (values.size() % 2)
                        values.append('\0');
                }
            }
            out += u32(d.next >= 0 ? at[size_t(d.next)] : d.nextOffset);
            out += values;
        }
        if (first >= 0)
            out.replace(4, 4, u32(at[size_t(first)]));
        return out;
    }

private:
    struct Entry
    {
        quint16 tag;
        quint16 type;
        quint32 count;
        QByteArray bytes;
        int target;
        QByteArray raw;
    };
    struct Directory
    {
        std::vector<Entry> entries;
        int next = -1;
        quint32 nextOffset = 0;
    };

    [[nodiscard]] std::vector<quint32> layout() const
    {
        std::vector<quint32> at;
        qsizetype pos = m_base.size() + m_base.size() % 2;
        for (const Directory& d : m_directories) {
            at.push_back(quint32(pos));
            pos += 2 + 12 * qsizetype(d.entries.size()) + 4;
            for (const Entry& e : d.entries) {
                if (e.raw.isEmpty() && e.target < 0 && e.bytes.size() > 4)
                    pos += e.bytes.size() + e.bytes.size() % 2;
            }
        }
        return at;
    }

    QByteArray m_base;
    bool m_little;
    std::vector<Directory> m_directories;
};

/// A GPS directory for \a latitude and \a longitude (signed degrees) as degrees, minutes and seconds.
int gpsDirectory(TiffSurgery& tiff, double latitude, double longitude)
{
    const auto dms = [](double degrees) {
        degrees = std::abs(degrees);
        const auto whole = quint32(degrees);
        const double minutes = (degrees - whole) * 60;
        return std::vector<quint32> { whole, 1, quint32(minutes), 1,
            quint32(std::lround((minutes - std::floor(minutes)) * 60 * 1000)), 1000 };
    };
    const int gps = tiff.directory();
    tiff.value(gps, 0, 1, 4, QByteArray("\x02\x03\0\0", 4));
    tiff.ascii(gps, 1, latitude < 0 ? "S" : "N");
    tiff.rationals(gps, 2, dms(latitude));
    tiff.ascii(gps, 3, longitude < 0 ? "W" : "E");
    tiff.rationals(gps, 4, dms(longitude));
    return gps;
}

/// A small photo-like picture (a gradient with a disc), so that encoders have something to code.
QImage picture()
{
    QImage image(64, 48, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb(x * 4, y * 5, 255 - x * 2));
    }
    QPainter painter(&image);
    painter.setBrush(QColor(250, 220, 40));
    painter.drawEllipse(20, 10, 24, 24);
    return image;
}

QByteArray jpegBytes()
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    picture().save(&buffer, "JPEG", 90);
    return bytes;
}

/// \a jpeg with APP1 segments holding \a payloads (each with its identifier) right after its start.
QByteArray withApp1(const QByteArray& jpeg, const QList<QByteArray>& payloads)
{
    QByteArray segments;
    for (const QByteArray& payload : payloads) {
        QByteArray length(2, '\0');
        qToBigEndian(quint16(payload.size() + 2), length.data());
        segments += QByteArray("\xFF\xE1", 2) + length + payload;
    }
    return jpeg.left(2) + segments + jpeg.mid(2);
}

QByteArray exifPayload(const QByteArray& tiff)
{
    return QByteArray("Exif\0\0", 6) + tiff;
}

bool exiftoolGps(const QString& path, double latitude, double longitude)
{
    return runProcess(QStringLiteral("exiftool"),
               { "-q", "-overwrite_original", QStringLiteral("-GPSLatitude=%1").arg(latitude, 0, 'f', 6),
                   QStringLiteral("-GPSLatitudeRef=%1").arg(latitude, 0, 'f', 6),
                   QStringLiteral("-GPSLongitude=%1").arg(longitude, 0, 'f', 6),
                   QStringLiteral("-GPSLongitudeRef=%1").arg(longitude, 0, 'f', 6), path })
               .exitCode
        == 0;
}

/// A TIFF file of \a pages pages made by ImageMagick.
QByteArray imageMagickTiff(const QString& work, int pages)
{
    const QString path = work + QStringLiteral("/pages%1.tif").arg(pages);
    QStringList arguments { "-size", "8x6" };
    for (int page = 0; page < pages; ++page)
        arguments << QStringLiteral("xc:rgb(%1,%2,200)").arg(page * 3 % 256).arg(page * 7 % 256);
    arguments << "-compress"
              << "none" << path;
    if (runProcess(QStringLiteral("convert"), arguments).exitCode != 0)
        return {};
    return fileBytes(path);
}

/// One place EXIF allows a GPS directory, and how a file with one there is made.
struct GpsPlace
{
    const char* name;
    /// Writes the file to \a path; \a work is a folder for intermediate files.
    std::function<bool(const QString& path, const QString& work)> make;
};

const std::vector<GpsPlace> kGpsPlaces = {
    { "ifd0.jpg",
        [](const QString& path, const QString&) {
            return writeFile(path, jpegBytes()) && exiftoolGps(path, 48.858370, 2.294481);
        } },
    // The thumbnail's directory (IFD1) names a GPS directory of its own.
    { "ifd1.jpg",
        [](const QString& path, const QString&) {
            TiffSurgery tiff(false);
            const int ifd0 = tiff.directory(), ifd1 = tiff.directory();
            tiff.value(ifd0, 0x0112, 3, 1, tiff.u16(1));
            tiff.next(ifd0, ifd1);
            tiff.pointer(ifd1, 0x8825, gpsDirectory(tiff, -33.856784, 151.215297));
            return writeFile(path, withApp1(jpegBytes(), { exifPayload(tiff.build(ifd0)) }));
        } },
    // One directory named both as the interoperability directory (met first, inside the Exif directory)
    // and as the GPS directory.
    { "gps-shared-with-interop.jpg",
        [](const QString& path, const QString&) {
            TiffSurgery tiff(true);
            const int ifd0 = tiff.directory(), exif = tiff.directory();
            const int gps = gpsDirectory(tiff, 40.689247, -74.044502);
            tiff.pointer(ifd0, 0x8769, exif);
            tiff.pointer(ifd0, 0x8825, gps);
            tiff.value(exif, 0x9000, 7, 4, "0232");
            tiff.pointer(exif, 0xA005, gps);
            return writeFile(path, withApp1(jpegBytes(), { exifPayload(tiff.build(ifd0)) }));
        } },
    // The same, big-endian, the GPS pointer coming first in IFD0.
    { "interop-shared-with-gps.jpg",
        [](const QString& path, const QString&) {
            TiffSurgery tiff(false);
            const int ifd0 = tiff.directory();
            const int gps = gpsDirectory(tiff, 59.329444, 18.068611);
            const int exif = tiff.directory();
            tiff.pointer(ifd0, 0x8825, gps);
            tiff.pointer(ifd0, 0x8769, exif);
            tiff.value(exif, 0x9000, 7, 4, "0232");
            tiff.pointer(exif, 0xA005, gps);
            return writeFile(path, withApp1(jpegBytes(), { exifPayload(tiff.build(ifd0)) }));
        } },
    // The Exif directory names the GPS directory.
    { "gps-in-exif-ifd.jpg",
        [](const QString& path, const QString&) {
            TiffSurgery tiff(false);
            const int ifd0 = tiff.directory(), exif = tiff.directory();
            tiff.pointer(ifd0, 0x8769, exif);
            tiff.value(exif, 0x9000, 7, 4, "0232");
            tiff.pointer(exif, 0x8825, gpsDirectory(tiff, -22.951916, -43.210487));
            return writeFile(path, withApp1(jpegBytes(), { exifPayload(tiff.build(ifd0)) }));
        } },
    // Pointers that loop: IFD0 names itself as its next page and as its Exif directory.
    { "pointers-that-loop.jpg",
        [](const QString& path, const QString&) {
            TiffSurgery tiff(true);
            const int ifd0 = tiff.directory();
            tiff.pointer(ifd0, 0x8769, ifd0);
            tiff.pointer(ifd0, 0x8825, gpsDirectory(tiff, 1.290270, 103.851959));
            tiff.next(ifd0, ifd0);
            return writeFile(path, withApp1(jpegBytes(), { exifPayload(tiff.build(ifd0)) }));
        } },
    // Two EXIF segments, the position in the second only.
    { "second-exif-app1.jpg",
        [](const QString& path, const QString&) {
            TiffSurgery plain(false);
            const int orientation = plain.directory();
            plain.value(orientation, 0x0112, 3, 1, plain.u16(1));
            TiffSurgery tiff(false);
            const int ifd0 = tiff.directory();
            tiff.pointer(ifd0, 0x8825, gpsDirectory(tiff, -34.603722, -58.381592));
            return writeFile(path,
                withApp1(
                    jpegBytes(), { exifPayload(plain.build(orientation)), exifPayload(tiff.build(ifd0)) }));
        } },
    // An XMP segment before the EXIF one.
    { "exif-after-xmp-app1.jpg",
        [](const QString& path, const QString&) {
            TiffSurgery tiff(true);
            const int ifd0 = tiff.directory();
            tiff.pointer(ifd0, 0x8825, gpsDirectory(tiff, 55.755826, 37.617300));
            const QByteArray xmp = QByteArray("http://ns.adobe.com/xap/1.0/\0", 29)
                + "<?xpacket begin=\"\"?><x:xmpmeta xmlns:x=\"adobe:ns:meta/\"></x:xmpmeta>"
                  "<?xpacket end=\"w\"?>";
            return writeFile(path, withApp1(jpegBytes(), { xmp, exifPayload(tiff.build(ifd0)) }));
        } },
    // The first page of a TIFF file of 65 pages: more pages than any one budget of 64 directories.
    { "page-1-of-65.tif",
        [](const QString& path, const QString& work) {
            return writeFile(path, imageMagickTiff(work, 65)) && exiftoolGps(path, 47.376887, 8.541694);
        } },
    // The last page of a TIFF file of 65 pages names a GPS directory (its directory replaced by a copy
    // with the pointer added).
    { "page-65-of-65.tif",
        [](const QString& path, const QString& work) {
            TiffSurgery tiff(imageMagickTiff(work, 65));
            const QList<quint32> pages = tiff.pages();
            if (pages.size() != 65)
                return false;
            const int last = tiff.directory();
            tiff.copyEntries(last, pages.last());
            tiff.pointer(last, 0x8825, gpsDirectory(tiff, 35.658581, 139.745438));
            QByteArray file = tiff.build();
            const qsizetype nextAt = pages[63] + 2 + 12 * qsizetype(tiff.read16(pages[63]));
            file.replace(nextAt, 4, tiff.u32(tiff.offsetOf(last)));
            return writeFile(path, file);
        } },
    // A sub-image (SubIFDs, tag 330) of the first page names a GPS directory.
    { "sub-ifd.tif",
        [](const QString& path, const QString& work) {
            TiffSurgery tiff(imageMagickTiff(work, 1));
            const QList<quint32> pages = tiff.pages();
            if (pages.size() != 1)
                return false;
            const int first = tiff.directory(), sub = tiff.directory();
            tiff.copyEntries(first, pages.first());
            tiff.pointer(first, 330, sub);
            tiff.value(sub, 254, 4, 1, tiff.u32(1));
            tiff.pointer(sub, 0x8825, gpsDirectory(tiff, 51.500729, -0.124625));
            return writeFile(path, tiff.build(first));
        } },
    { "exif.png",
        [](const QString& path, const QString&) {
            return picture().save(path) && exiftoolGps(path, -41.286460, 174.776236);
        } },
    { "exif.webp",
        [](const QString& path, const QString& work) {
            const QString png = work + QStringLiteral("/for-webp.png");
            return picture().save(png)
                && runProcess(QStringLiteral("cwebp"), { "-quiet", png, "-o", path }).exitCode == 0
                && exiftoolGps(path, 64.146582, -21.942635);
        } },
    // heif-enc copies the EXIF of its JPEG input into an Exif item.
    { "exif.heic",
        [](const QString& path, const QString& work) {
            const QString jpeg = work + QStringLiteral("/for-heic.jpg");
            return writeFile(jpeg, jpegBytes()) && exiftoolGps(jpeg, 37.819929, -122.478255)
                && runProcess(QStringLiteral("heif-enc"), { "-q", "50", "-o", path, jpeg }).exitCode == 0;
        } },
};

/// A position as the inspector writes it ("48.8584 N, 2.2945 E"), from exiftool's signed degrees.
QString positionText(double latitude, double longitude)
{
    const auto part = [](double degrees, char positive, char negative) {
        return QStringLiteral("%1 %2")
            .arg(std::abs(degrees), 0, 'f', 4)
            .arg(QLatin1Char(degrees < 0 ? negative : positive));
    };
    return part(latitude, 'N', 'S') + QStringLiteral(", ") + part(longitude, 'E', 'W');
}

} // namespace

TEST(InspectGps, FoundInEveryPlaceExifAllowsWhereverExiftoolReadsAPosition)
{
    QTemporaryDir work;
    const QString in = work.filePath(QStringLiteral("in"));
    ASSERT_TRUE(QDir().mkpath(in));
    for (const GpsPlace& place : kGpsPlaces)
        ASSERT_TRUE(place.make(in + u'/' + QLatin1String(place.name), work.path())) << place.name;

    // exiftool's signed degrees for every file, the oracle of what a reader finds.
    const ProcessResult tags = runProcess(
        QStringLiteral("exiftool"), { "-j", "-n", "-Composite:GPSLatitude", "-Composite:GPSLongitude", in });
    QHash<QString, QJsonObject> positions;
    for (const QJsonValue& file : QJsonDocument::fromJson(tags.standardOutput.toUtf8()).array()) {
        const QJsonObject object = file.toObject();
        positions.insert(QFileInfo(object.value("SourceFile").toString()).fileName(), object);
    }

    const ProcessResult run = inspect({ "--json", in }, work.filePath(QStringLiteral("config")));
    EXPECT_EQ(run.exitCode, 0) << run.standardError.toStdString();
    const QHash<QString, QJsonObject> reports = jsonBySource(run.standardOutput);
    for (const GpsPlace& place : kGpsPlaces) {
        SCOPED_TRACE(place.name);
        const QJsonObject position = positions.value(QLatin1String(place.name));
        // Every file of the table is one from which exiftool reads a position.
        ASSERT_TRUE(position.contains("GPSLatitude") && position.contains("GPSLongitude"))
            << QJsonDocument(position).toJson().toStdString();
        const QJsonObject report = reports.value(QLatin1String(place.name));
        EXPECT_TRUE(report.value("groups").toObject().contains("Location"))
            << QJsonDocument(report).toJson().toStdString();
        const QString expected = positionText(
            position.value("GPSLatitude").toDouble(), position.value("GPSLongitude").toDouble());
        EXPECT_EQ(report.value("location").toString().toStdString(), expected.toStdString());
    }
}

namespace {

QByteArray bigEndian32(quint32 value)
{
    QByteArray bytes(4, '\0');
    qToBigEndian(value, bytes.data());
    return bytes;
}

QByteArray box(const QByteArray& type, const QByteArray& payload)
{
    return bigEndian32(quint32(8 + payload.size())) + type + payload;
}

/// Bytes put after the last box of a HEIC file, and how the inspector reports them: the name of its field
/// and the text its value shows.
struct HeicTrailer
{
    const char* name;
    QByteArray bytes;
    const char* field;
    const char* shown;
};

/// What every trailer carries: no copy may hold it.
constexpr char kTrailerMarker[] = "MORVANE-TRAILER";

const HeicTrailer kHeicTrailers[] = {
    { "Text", "MORVANE-TRAILER-TEXT: Jane Doe, 12 Lake Road\n", "Data after the image",
        "MORVANE-TRAILER-TEXT: Jane Doe" },
    // A box's size and type, then fewer bytes than the size says.
    { "BoxRunningPastTheEnd", bigEndian32(4096) + "free" + "MORVANE-TRAILER-PARTIAL-BOX: Jane Doe",
        "Data after the image", "beginning like a box 'free': MORVANE-TRAILER-PARTIAL-BOX" },
    { "FreeBoxWithText", box("free", "MORVANE-TRAILER-FREE-BOX: Jane Doe"), "Box 'free'",
        "MORVANE-TRAILER-FREE-BOX" },
    { "UnknownBox", box("jdoe", "MORVANE-TRAILER-UNKNOWN-BOX: Jane Doe"), "Box 'jdoe'",
        "MORVANE-TRAILER-UNKNOWN-BOX" },
};

/// The types of the top-level boxes of \a file in a byte walk of its own; empty when the boxes do not
/// cover the file exactly (bytes after the last box, or a box running past the end).
QStringList boxesCoveringTheFile(const QByteArray& file)
{
    QStringList types;
    qsizetype pos = 0;
    while (pos + 8 <= file.size()) {
        quint64 size = qFromBigEndian<quint32>(file.constData() + pos);
        if (size == 1 && pos + 16 <= file.size())
            size = qFromBigEndian<quint64>(file.constData() + pos + 8);
        if (size < 8 || size > quint64(file.size() - pos))
            return {};
        types.append(QString::fromLatin1(file.mid(pos + 4, 4)));
        pos += qsizetype(size);
    }
    return pos == file.size() ? types : QStringList();
}

} // namespace

// Every trailer in a file of its own, inspected in one run and converted in another.
TEST(HeicTrailers, AreReportedAsHiddenAndLeftOutOfTheConvertedCopy)
{
    QTemporaryDir work;
    const QString png = work.filePath(QStringLiteral("picture.png"));
    const QString plain = work.filePath(QStringLiteral("plain.heic"));
    ASSERT_TRUE(picture().save(png));
    ASSERT_EQ(runProcess(QStringLiteral("heif-enc"), { "-q", "50", "-o", plain, png }).exitCode, 0);
    ASSERT_FALSE(boxesCoveringTheFile(fileBytes(plain)).isEmpty());
    const QString in = work.filePath(QStringLiteral("in"));
    for (const HeicTrailer& trailer : kHeicTrailers) {
        const QString source = in + u'/' + QLatin1String(trailer.name) + QStringLiteral(".heic");
        ASSERT_TRUE(writeFile(source, fileBytes(plain) + trailer.bytes));
        // libheif reads the file, trailer and all.
        ASSERT_EQ(
            runProcess(QStringLiteral("heif-convert"), { source, work.filePath("decoded.png") }).exitCode, 0)
            << trailer.name;
    }

    const QString config = work.filePath(QStringLiteral("config"));
    const QHash<QString, QJsonObject> reports
        = jsonBySource(inspect({ "--json", in }, config).standardOutput);
    const QString out = work.filePath(QStringLiteral("out"));
    const ProcessResult converted = runCli({ "--json", "-o", out, in }, config);
    EXPECT_EQ(converted.exitCode, 0) << converted.standardOutput.toStdString();
    const QHash<QString, QJsonObject> outcomes = jsonBySource(converted.standardOutput);
    EXPECT_EQ(filesUnder(out).size(), qsizetype(std::size(kHeicTrailers)));
    for (const HeicTrailer& trailer : kHeicTrailers) {
        SCOPED_TRACE(trailer.name);
        const QString name = QLatin1String(trailer.name) + QStringLiteral(".heic");
        const QJsonObject report = reports.value(name);
        EXPECT_TRUE(report.value("readable").toBool()) << QJsonDocument(report).toJson().toStdString();
        bool found = false;
        for (const QJsonValue& field : report.value("groups").toObject().value("Hidden").toArray()) {
            found = found
                || (field.toObject().value("name").toString() == QLatin1String(trailer.field)
                    && field.toObject().value("value").toString().contains(QLatin1String(trailer.shown)));
        }
        EXPECT_TRUE(found) << QJsonDocument(report).toJson().toStdString();

        EXPECT_EQ(outcomes.value(name).value("status").toString(), QStringLiteral("written"));
        const QString copyPath = out + u'/' + name;
        const QByteArray copy = fileBytes(copyPath);
        EXPECT_FALSE(copy.contains(kTrailerMarker));
        const QStringList boxes = boxesCoveringTheFile(copy);
        EXPECT_FALSE(boxes.isEmpty()) << "the copy's boxes do not end where the file ends";
        EXPECT_FALSE(boxes.contains(QStringLiteral("free")) || boxes.contains(QStringLiteral("jdoe")))
            << boxes.join(u' ').toStdString();
        EXPECT_EQ(
            runProcess(QStringLiteral("heif-convert"), { copyPath, work.filePath("copy.png") }).exitCode, 0);
    }
}
