// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/fuzz/FuzzSupport.h"

#include "engine/pipeline/ImageSource.h"
#include "engine/structure/PngChunks.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImageReader>

#include <cstdlib>
#include <sanitizer/common_interface_defs.h>
#include <string>

namespace {

const char* targetName = "fuzz target";

void dropMessage(QtMsgType, const QMessageLogContext&, const QString&) { }

} // namespace

void startFuzzTarget(const char* name)
{
    targetName = name;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(dropMessage);
    // Qt gets an argument list of its own, since it would take its options out of libFuzzer's.
    static int qtArgc = 1;
    static std::string qtName = name;
    static char* qtArgv[] = { qtName.data(), nullptr };
    static QGuiApplication* application = new QGuiApplication(qtArgc, qtArgv);
    (void)application;
    initializeImageEngine();
    QImageReader::setAllocationLimit(16);
}

QByteArray fuzzInput(const std::uint8_t* data, std::size_t size)
{
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}

std::optional<QSize> claimedFrameSize(const QByteArray& data)
{
    const std::optional<ImageFormat> format = sniffImageFormat(data.left(32));
    if (!format
        || (*format == ImageFormat::PNG && !walkPngChunks(data, [](const PngChunk&) { return true; })))
        return std::nullopt;
    QByteArray shared = data;
    QBuffer buffer(&shared);
    if (!buffer.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QSize size = QImageReader(&buffer).size();
    if (!size.isValid() || size.isEmpty())
        return std::nullopt;
    return size;
}

void fuzzFailure(const char* what)
{
    const std::string text = std::string(targetName) + ": " + what;
    __sanitizer_report_error_summary(text.c_str());
    std::abort();
}
