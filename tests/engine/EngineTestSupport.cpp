// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/engine/EngineTestSupport.h"

#include "tests/common/TestSupport.h"

#include <QFileInfo>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>

#include <cmath>
#include <limits>

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
        for (int x = 0; x < left.width(); ++x) {
            sum += std::abs(qRed(l[x]) - qRed(r[x])) + std::abs(qGreen(l[x]) - qGreen(r[x]))
                + std::abs(qBlue(l[x]) - qBlue(r[x]));
        }
    }
    return sum / (3.0 * left.width() * left.height());
}

QJsonObject exiftoolTags(const QString& path)
{
    const ProcessResult result = runProcess(QStringLiteral("exiftool"), { "-j", "-n", "-G1", "-a", path });
    const QJsonArray files = QJsonDocument::fromJson(result.standardOutput.toUtf8()).array();
    return files.isEmpty() ? QJsonObject() : files.first().toObject();
}

QHash<QString, QJsonObject> exiftoolTagsUnder(const QString& dir)
{
    const ProcessResult result
        = runProcess(QStringLiteral("exiftool"), { "-j", "-n", "-G1", "-a", "-r", dir });
    QHash<QString, QJsonObject> tags;
    for (const QJsonValue& file : QJsonDocument::fromJson(result.standardOutput.toUtf8()).array()) {
        const QJsonObject object = file.toObject();
        tags.insert(QFileInfo(object.value("SourceFile").toString()).fileName(), object);
    }
    return tags;
}

int estimatedJpegQuality(const QString& path)
{
    const ProcessResult result = runProcess(QStringLiteral("identify"), { "-format", "%Q", path });
    bool ok = false;
    const int quality = result.standardOutput.trimmed().toInt(&ok);
    return ok ? quality : -1;
}

int frameCount(const QString& path)
{
    const ProcessResult result = runProcess(QStringLiteral("identify"), { "-format", "x", path });
    return result.exitCode == 0 ? int(result.standardOutput.trimmed().size()) : -1;
}

QByteArray embeddedIccProfile(const QString& path)
{
    QProcess process;
    process.start(QStringLiteral("exiftool"), { "-b", "-ICC_Profile", path });
    process.waitForFinished(60000);
    return process.readAllStandardOutput();
}

double firstNumber(const QJsonObject& tags, const QStringList& keys)
{
    for (const QString& key : keys) {
        if (tags.contains(key))
            return tags.value(key).toDouble(std::numeric_limits<double>::quiet_NaN());
    }
    return std::numeric_limits<double>::quiet_NaN();
}
