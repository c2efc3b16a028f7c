// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/common/TestSupport.h"

#include <QBuffer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <limits>
#include <unistd.h>

QString dirtyCorpusDir()
{
    return QStringLiteral(MORVANE_CORPUS_DIR "/dirty");
}

QString dirtyReferenceDir()
{
    return QStringLiteral(MORVANE_CORPUS_DIR "/dirty_ref");
}

QString corpusTool(const QString& name)
{
    return QStringLiteral(MORVANE_SOURCE_DIR "/tests/corpus/") + name;
}

ProcessResult runProcess(
    const QString& program, const QStringList& arguments, int timeoutMs, const QStringList& extraEnvironment)
{
    QProcess process;
    if (!extraEnvironment.isEmpty()) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const QString& entry : extraEnvironment) {
            const qsizetype eq = entry.indexOf(u'=');
            env.insert(entry.left(eq), entry.mid(eq + 1));
        }
        process.setProcessEnvironment(env);
    }
    process.start(program, arguments);
    ProcessResult result;
    if (!process.waitForStarted(timeoutMs) || !process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        result.standardError = QStringLiteral("could not run %1: %2").arg(program, process.errorString());
        return result;
    }
    result.standardOutput = QString::fromUtf8(process.readAllStandardOutput());
    result.standardError = QString::fromUtf8(process.readAllStandardError());
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return result;
}

ProcessResult checkClean(const QString& dir)
{
    ProcessResult result = runProcess(corpusTool(QStringLiteral("check_clean.sh")), { dir }, 300000);
    // The shared corpus tools, where they lie beside the checkout, judge the same outputs independently
    // (their checker runs on python3). Without them the project's own checker decides alone.
    const QString second = QStringLiteral(MORVANE_SHARED_DIR "/corpus/check_clean.sh");
    if (QFileInfo(second).isExecutable()
        && !QStandardPaths::findExecutable(QStringLiteral("python3")).isEmpty()) {
        const ProcessResult opinion = runProcess(second, { dir }, 300000);
        result.standardOutput
            += QStringLiteral("\nsecond opinion, %1:\n%2").arg(second, opinion.standardOutput);
        result.standardError += opinion.standardError;
        // exiftool (12.57) has no name for HEIF's mirror property and shows it as an unknown QuickTime
        // tag, which that checker counts as personal. Its one byte is the mirror axis the picture needs
        // (a copy keeps the source's 'imir' rather than re-encode it): not a finding.
        const QStringList personal
            = opinion.standardOutput.split(u'\n').filter(QRegularExpression("^PERSONAL\t"));
        const bool onlyMirror = opinion.exitCode == 1 && !personal.isEmpty()
            && std::all_of(personal.begin(), personal.end(), [](const QString& line) {
                   return line.contains(QLatin1String("\texiftool\tQuickTime:Unknown_imir\t"));
               });
        if (result.exitCode == 0 && !onlyMirror)
            result.exitCode = opinion.exitCode;
    }
    return result;
}

QHash<QString, QJsonObject> exiftoolJson(const QStringList& options, const QStringList& files)
{
    QHash<QString, QJsonObject> byPath;
    if (files.isEmpty())
        return byPath;
    const ProcessResult result
        = runProcess(QStringLiteral("exiftool"), QStringList { QStringLiteral("-j") } + options + files);
    for (const QJsonValue& file : QJsonDocument::fromJson(result.standardOutput.toUtf8()).array()) {
        const QJsonObject object = file.toObject();
        byPath.insert(object.value(QStringLiteral("SourceFile")).toString(), object);
    }
    return byPath;
}

bool runExiftoolCommands(const QList<QStringList>& commands)
{
    QTemporaryFile arguments;
    if (commands.isEmpty() || !arguments.open())
        return commands.isEmpty();
    QStringList lines;
    for (const QStringList& command : commands)
        lines << command.join(u'\n');
    arguments.write(lines.join(QStringLiteral("\n-execute\n")).toUtf8() + '\n');
    arguments.close();
    return runProcess(QStringLiteral("exiftool"), { QStringLiteral("-@"), arguments.fileName() }).exitCode
        == 0;
}

QByteArray exiftoolBytes(const QJsonObject& tags, const QString& tag)
{
    const QString value = tags.value(tag).toString();
    return value.startsWith(QLatin1String("base64:")) ? QByteArray::fromBase64(value.mid(7).toLatin1())
                                                      : value.toUtf8();
}

QStringList metadataTags(const QJsonObject& tags)
{
    QStringList found;
    for (const QString& key : tags.keys()) {
        for (const char* group : { "IFD0:", "IFD1:", "ExifIFD:", "GPS:", "XMP" }) {
            if (key.startsWith(QLatin1String(group)))
                found << key;
        }
    }
    return found;
}

QHash<QString, int> frameCounts(const QStringList& files)
{
    QHash<QString, int> counts;
    if (files.isEmpty())
        return counts;
    // One line per frame, naming its file (%i); a file identify cannot read has none.
    const ProcessResult result = runProcess(QStringLiteral("identify"),
        QStringList { QStringLiteral("-format"), QStringLiteral("%i\n") } + files);
    for (const QString& line : result.standardOutput.split(u'\n', Qt::SkipEmptyParts))
        ++counts[line];
    return counts;
}

QHash<QString, QJsonObject> jsonBySource(const QString& standardOutput)
{
    QHash<QString, QJsonObject> outcomes;
    for (const QString& line : standardOutput.split(u'\n', Qt::SkipEmptyParts)) {
        const QJsonObject object = QJsonDocument::fromJson(line.toUtf8()).object();
        outcomes.insert(QFileInfo(object.value("source").toString()).fileName(), object);
    }
    return outcomes;
}

QStringList filesUnder(const QString& dir)
{
    QStringList files;
    QDirIterator it(dir, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(dir).relativeFilePath(it.next());
    files.sort();
    return files;
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

bool writeNative(const QByteArray& path, const QByteArray& bytes)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    if (fd < 0)
        return false;
    const bool written = ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
    ::close(fd);
    return written;
}

QByteArray jpegOfSize(int width, int height)
{
    QImage picture(width, height, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "JPEG");
    return bytes;
}

QMap<QByteArray, QSize> picturesIn(const QByteArray& folder)
{
    QMap<QByteArray, QSize> pictures;
    DIR* dir = ::opendir(folder.constData());
    if (!dir)
        return pictures;
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name == "." || name == "..")
            continue;
        QByteArray bytes;
        if (const int fd = ::open((folder + '/' + name).constData(), O_RDONLY | O_CLOEXEC); fd >= 0) {
            char chunk[65536];
            for (ssize_t n; (n = ::read(fd, chunk, sizeof chunk)) > 0;)
                bytes.append(chunk, n);
            ::close(fd);
        }
        pictures.insert(name, QImage::fromData(bytes).size());
    }
    ::closedir(dir);
    return pictures;
}

void removeTree(const QString& dir)
{
    ::nftw(
        QFile::encodeName(dir).constData(),
        [](const char* path, const struct stat*, int, FTW*) {
            (void)::remove(path);
            return 0;
        },
        16, FTW_DEPTH | FTW_PHYS);
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

int openDescriptorCount()
{
    return int(
        QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size());
}

QImage decodeWithQt(const QString& path)
{
    QImageReader reader(path);
    reader.setAutoTransform(false);
    reader.setAllocationLimit(0);
    return reader.read();
}

double meanAbsoluteDifference(const QImage& a, const QImage& b)
{
    if (a.isNull() || b.isNull() || (a.width() > a.height()) != (b.width() > b.height()))
        return std::numeric_limits<double>::infinity();
    const QImage left = a.convertToFormat(QImage::Format_RGB32);
    const QImage right = b.scaled(a.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                             .convertToFormat(QImage::Format_RGB32);
    double sum = 0;
    for (int y = 0; y < left.height(); ++y) {
        const auto* l = reinterpret_cast<const QRgb*>(left.constScanLine(y));
        const auto* r = reinterpret_cast<const QRgb*>(right.constScanLine(y));
        for (int x = 0; x < left.width(); ++x)
            sum += std::abs(qRed(l[x]) - qRed(r[x])) + std::abs(qGreen(l[x]) - qGreen(r[x]))
                + std::abs(qBlue(l[x]) - qBlue(r[x]));
    }
    return sum / (3.0 * left.width() * left.height());
}

int estimatedJpegQuality(const QString& path)
{
    bool ok = false;
    const int quality = runProcess(QStringLiteral("identify"), { "-format", "%Q", path })
                            .standardOutput.trimmed()
                            .toInt(&ok);
    return ok ? quality : -1;
}

QByteArray programOutput(const QString& program, const QStringList& arguments, bool warningsAllowed)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForStarted(60000) || !process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    const bool succeeded = process.exitStatus() == QProcess::NormalExit
        && (process.exitCode() == 0 || (warningsAllowed && process.exitCode() == 2));
    return succeeded ? process.readAllStandardOutput() : QByteArray();
}

QByteArray decodedPixels(const QString& path, bool fourComponents)
{
    if (fourComponents)
        return programOutput(QStringLiteral("convert"),
            { path, QStringLiteral("-depth"), QStringLiteral("8"), QStringLiteral("cmyk:-") });
    return programOutput(QStringLiteral("djpeg"), { QStringLiteral("-pnm"), path }, true);
}

bool turnWithJpegtran(const QString& source, int orientation, const QString& target)
{
    static const QStringList operations[9]
        = { {}, {}, { "-flip", "horizontal" }, { "-rotate", "180" }, { "-flip", "vertical" },
              { "-transpose" }, { "-rotate", "90" }, { "-transverse" }, { "-rotate", "270" } };
    QStringList arguments { QStringLiteral("-perfect"), QStringLiteral("-copy"), QStringLiteral("none") };
    arguments << operations[orientation] << QStringLiteral("-outfile") << target << source;
    const int exitCode = runProcess(QStringLiteral("jpegtran"), arguments, 60000).exitCode;
    return exitCode == 0 || exitCode == 2; // 2: a warning, the turn written all the same
}
