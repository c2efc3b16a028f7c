// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHash>
#include <QImage>
#include <QJsonObject>
#include <QMap>
#include <QString>
#include <QStringList>

#include <ostream>

namespace {
/// Parameters that carry a name print as that name in test listings (gtest would print their bytes).
template<typename Case>
requires requires(const Case& c, std::ostream* os)
{
    *os << c.name;
}
void PrintTo(const Case& c, std::ostream* os)
{
    *os << c.name;
}
} // namespace

/// Where the generated dirty corpus lies: one folder per format, MANIFEST.tsv at the top.
[[nodiscard]] QString dirtyCorpusDir();
/// The upright references of the orientation images.
[[nodiscard]] QString dirtyReferenceDir();
/// A tool of the test corpus in tests/corpus (make_dirty.sh, check_clean.sh).
[[nodiscard]] QString corpusTool(const QString& name);

struct ProcessResult
{
    int exitCode = -1; ///< -1 when the program could not be started or crashed
    QString standardOutput;
    QString standardError;
};

/// Runs \a program with \a arguments to the end (at most \a timeoutMs) and collects its output.
[[nodiscard]] ProcessResult runProcess(const QString& program, const QStringList& arguments,
    int timeoutMs = 120000, const QStringList& extraEnvironment = {});

/// Runs the independent metadata checker (tests/corpus/check_clean.sh) over \a dir, and the shared corpus
/// tools' checker as a second opinion where that exists. Exit code 0 means both found nothing personal.
[[nodiscard]] ProcessResult checkClean(const QString& dir);

/// exiftool's JSON view (-j, then \a options) of each of \a files, by the path it was given as: one
/// exiftool run for them all (each run costs a Perl start-up).
[[nodiscard]] QHash<QString, QJsonObject> exiftoolJson(const QStringList& options, const QStringList& files);

/// Runs every one of \a commands (each the arguments of one exiftool call) in a single exiftool run,
/// chained with -execute in an argument file; true when all of them succeeded.
[[nodiscard]] bool runExiftoolCommands(const QList<QStringList>& commands);

/// A binary tag of an exiftool -j -b view ("base64:..."): its bytes; empty when the file has none.
[[nodiscard]] QByteArray exiftoolBytes(const QJsonObject& tags, const QString& tag);

/// The tags of the EXIF, GPS and XMP groups in exiftool's -G1 view of a file (exiftoolJson with -G1).
[[nodiscard]] QStringList metadataTags(const QJsonObject& tags);

/// The number of frames or pages ImageMagick finds in each of \a files, by path: one identify run.
[[nodiscard]] QHash<QString, int> frameCounts(const QStringList& files);

/// The command line's JSON report (one object per line) by the file name of each object's source.
[[nodiscard]] QHash<QString, QJsonObject> jsonBySource(const QString& standardOutput);

/// The files under \a dir (recursively), relative to it, sorted.
[[nodiscard]] QStringList filesUnder(const QString& dir);

/// Writes \a bytes to the file at \a path, creating its folders; false when that failed.
[[nodiscard]] bool writeFile(const QString& path, const QByteArray& bytes);

/// Creates the file at \a path, spelled as the file system's bytes, with \a bytes; false when it exists
/// or could not be written.
[[nodiscard]] bool writeNative(const QByteArray& path, const QByteArray& bytes);

/// A JPEG of \a width x \a height, so that a copy tells by its size which source it came from.
[[nodiscard]] QByteArray jpegOfSize(int width, int height);

/// The names in \a folder as the file system spells them (a byte walk of the listing), each with the size
/// of the picture in it, read through those bytes and decoded by Qt's readers.
[[nodiscard]] QMap<QByteArray, QSize> picturesIn(const QByteArray& folder);

/// Removes \a dir and everything below it, names that are no UTF-8 included (QDir::removeRecursively, and
/// so QTemporaryDir, cannot reach those); links are removed, never followed.
void removeTree(const QString& dir);

/// How many descriptors this process has open.
[[nodiscard]] int openDescriptorCount();

/// The bytes of the file at \a path; empty when it cannot be read.
[[nodiscard]] QByteArray fileBytes(const QString& path);

/// Decodes \a path with Qt's own readers, as stored (no auto-transform): an oracle independent of
/// the engine's decoders.
[[nodiscard]] QImage decodeWithQt(const QString& path);

/// The mean absolute difference of two images' RGB channels (0..255), after scaling \a b to \a a's size.
/// Infinity when the sizes' orientation differs or an image is null.
[[nodiscard]] double meanAbsoluteDifference(const QImage& a, const QImage& b);

/// ImageMagick's estimate of a JPEG's quality (identify %Q); -1 when it gives none.
[[nodiscard]] int estimatedJpegQuality(const QString& path);

/// The standard output of a program run to its end; empty when it could not run or failed. libjpeg's
/// programs exit with 2 after a warning (a corrupt source they still decode), which counts as success
/// when \a warningsAllowed.
[[nodiscard]] QByteArray programOutput(
    const QString& program, const QStringList& arguments, bool warningsAllowed = false);

/// The pixels of a JPEG as libjpeg decodes them (PNM), or for a four-component frame the CMYK samples
/// as ImageMagick decodes them.
[[nodiscard]] QByteArray decodedPixels(const QString& path, bool fourComponents);

/// jpegtran's exact turn of \a source for EXIF \a orientation, written to \a target; false when
/// jpegtran -perfect refuses the image's size.
[[nodiscard]] bool turnWithJpegtran(const QString& source, int orientation, const QString& target);
