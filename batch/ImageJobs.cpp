// SPDX-License-Identifier: GPL-3.0-or-later
// The worker's side of the image jobs: what morvane-worker does with the descriptors it is handed.
#include "batch/FileConversion.h"
#include "batch/ImageJobsPrivate.h"
#include "batch/ImageWorkers.h"
#include "engine/core/HandedFiles.h"
#include "engine/core/WorkFile.h"
#include "engine/inspect/MetadataInspector.h"
#include "engine/pipeline/ConversionMemory.h"
#include "engine/pipeline/ImageSource.h"
#include "engine/pipeline/ImageWrapper.h"
#include "engine/pipeline/Thumbnail.h"
#include "worker/SharedMemory.h"
#include "worker/WorkerMain.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QTimeZone>
#include <QTranslator>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <iconv.h>
#include <map>
#include <memory>
#include <unistd.h>

using namespace ImageJobs;

namespace {

/// Loads, before the worker confines itself, what the libraries would otherwise load from the disk on
/// first use: Qt's image plugins (each format written and read once), the character-set converters the
/// metadata library asks for, the time zone.
void preload()
{
    initializeImageEngine();
    QImage pixel(2, 2, QImage::Format_ARGB32);
    pixel.fill(Qt::gray);
    for (const char* format : { "jpeg", "png", "gif", "bmp", "tiff", "webp" }) {
        QBuffer buffer;
        buffer.open(QIODevice::ReadWrite);
        QImageWriter(&buffer, format).write(pixel);
        buffer.seek(0);
        (void)QImageReader(&buffer, format).read();
    }
    // Held open for the process's life: glibc may unload a converter that nobody uses.
    for (const char* from : { "UCS-2LE", "UCS-2BE", "UTF-16LE", "UTF-16BE", "ISO-8859-1", "ASCII" })
        (void)::iconv_open("UTF-8", from);
    ::tzset();
    (void)QTimeZone::systemTimeZone();
}

/// Texts in the language a request asks for: the program's own translation, built into the worker.
void useLanguage(const QString& language)
{
    static QString current;
    static std::map<QString, std::unique_ptr<QTranslator>> loaded;
    if (language == current)
        return;
    if (auto installed = loaded.find(current); installed != loaded.end())
        QCoreApplication::removeTranslator(installed->second.get());
    current = language;
    if (language.isEmpty())
        return;
    std::unique_ptr<QTranslator>& translator = loaded[language];
    if (!translator) {
        translator = std::make_unique<QTranslator>();
        if (!translator->load(QStringLiteral(":/i18n/morvane_%1.qm").arg(language)))
            return;
    }
    QCoreApplication::installTranslator(translator.get());
}

WorkerReply reply(const RecordWriter& record)
{
    WorkerReply answer;
    answer.payload = record.data();
    return answer;
}

/// Converts one handed source into its handed work file and adds its outcome to \a answer.
void convertOne(const QString& source, const QString& requestedName, const RunOptions& options,
    std::uint64_t allowance, int input, int output, RecordWriter& answer)
{
    const HandedFile handed(source, input);
    if (allowance != kNoAllowance) {
        // A file that needs more memory than it was allowed goes back to wait for it.
        const auto needs
            = std::uint64_t(std::max<qint64>(0, ::estimatedConversionBytes(source, options.fixOrientation)));
        if (needs > allowance) {
            answer.putU8(std::uint8_t(ConversionOutcome::Status::Skipped))
                .putString({})
                .putString({})
                .putU8(0)
                .putU64(needs);
            return;
        }
    }
    ImageWrapper wrapper;
    ConvertedFile converted = ::convertToWorkFile(
        wrapper, source, requestedName, options, [output](QString* error) -> std::unique_ptr<WorkFile> {
            std::unique_ptr<WorkFile> file = WorkFile::adopt(::fcntl(output, F_DUPFD_CLOEXEC, 0));
            if (!file && error)
                *error = QString::fromLocal8Bit(std::strerror(errno));
            return file;
        });
    // A skipped file's attempts leave nothing for the parent to mistake for a copy.
    if (converted.outcome.status != ConversionOutcome::Status::Written) [[maybe_unused]]
        const int emptied = ::ftruncate(output, 0);
    answer.putU8(std::uint8_t(converted.outcome.status))
        .putString(converted.outcome.reason)
        .putString(converted.outcome.note)
        .putU8(converted.outcome.reencoded ? 1 : 0)
        .putU64(0);
}

WorkerReply convert(RecordReader& request, std::vector<Descriptor>& descriptors)
{
    const std::uint32_t qualityBits = request.getU32();
    RunOptions options;
    std::memcpy(&options.quality, &qualityBits, sizeof options.quality);
    options.fixOrientation = request.getU8() != 0;
    options.keepJpegQuality = request.getU8() != 0;
    options.outputFormat = OutputFormatChoice(request.getU8());
    const std::uint64_t allowance = request.getU64();
    const std::uint32_t count = request.getU32();
    if (!request.ok() || count == 0 || count > std::uint32_t(ImageWorkers::kMostFilesPerExchange)
        || descriptors.size() != std::size_t(count) * 2)
        throw std::invalid_argument("a malformed conversion request");
    std::vector<std::pair<QString, QString>> files;
    for (std::uint32_t i = 0; i < count; ++i) {
        QString source = request.getString(kMaxTextBytes);
        QString requestedName = request.getString(kMaxTextBytes);
        files.emplace_back(std::move(source), std::move(requestedName));
    }
    if (!request.finished())
        throw std::invalid_argument("a malformed conversion request");

    RecordWriter answer;
    answer.putU32(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        convertOne(files[i].first, files[i].second, options, allowance, descriptors[2 * i].get(),
            descriptors[2 * i + 1].get(), answer);
        // Each file's descriptors go as soon as it is done.
        descriptors[2 * i].reset();
        descriptors[2 * i + 1].reset();
    }
    return reply(answer);
}

WorkerReply thumbnail(RecordReader& request, std::vector<Descriptor>& descriptors)
{
    const QString source = request.getString(kMaxTextBytes);
    // Read in order: the arguments of one call are not.
    const int width = int(request.getU32() & 0xffff);
    const int height = int(request.getU32() & 0xffff);
    const QSize box(width, height);
    if (!request.finished() || descriptors.size() != 1)
        throw std::invalid_argument("a malformed thumbnail request");
    const HandedFile handed(source, descriptors[0].get());
    const QImage decoded = decodeThumbnail(source, box);
    RecordWriter answer;
    if (decoded.isNull() || decoded.width() > box.width() || decoded.height() > box.height()) {
        answer.putU32(0).putU32(0).putU8(0);
        return reply(answer);
    }
    const bool alpha = decoded.hasAlphaChannel();
    const QImage pixels
        = decoded.convertToFormat(alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    const std::size_t lineBytes = std::size_t(pixels.width()) * 4;
    std::optional<SharedMemoryWriter> memory
        = SharedMemoryWriter::create(lineBytes * std::size_t(pixels.height()));
    if (!memory)
        throw std::bad_alloc();
    for (int y = 0; y < pixels.height(); ++y)
        std::memcpy(memory->bytes().data() + lineBytes * std::size_t(y), pixels.constScanLine(y), lineBytes);
    WorkerReply answerWithPixels;
    answerWithPixels.descriptors.push_back(memory->finish());
    answer.putU32(std::uint32_t(pixels.width())).putU32(std::uint32_t(pixels.height())).putU8(alpha ? 1 : 0);
    answerWithPixels.payload = answer.take();
    return answerWithPixels;
}

WorkerReply inspect(RecordReader& request, std::vector<Descriptor>& descriptors)
{
    if (!request.finished() || descriptors.size() != 1)
        throw std::invalid_argument("a malformed inspection request");
    RecordWriter answer;
    putInspection(answer, inspectOpenFile(descriptors[0].get()));
    return reply(answer);
}

WorkerReply serve(WorkerRequest& request)
{
    RecordReader record(request.payload);
    const auto job = Job(record.getU8());
    useLanguage(record.getString(64));
    switch (job) {
    case Job::Convert:
        return convert(record, request.descriptors);
    case Job::Thumbnail:
        return thumbnail(record, request.descriptors);
    case Job::Inspect:
        return inspect(record, request.descriptors);
    }
    throw std::invalid_argument("an unknown job");
}

} // namespace

int serveImageJobs(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    // A file-size limit fails the write with EFBIG, which the conversion reports, instead of ending us.
    std::signal(SIGXFSZ, SIG_IGN);
    WorkerSetup setup;
    setup.preload = preload;
    setup.handler = serve;
    setup.maxMessageBytes = kMaxMessageBytes;
    for (const QString& argument : QCoreApplication::arguments()) {
        if (argument.startsWith(QLatin1String("--memory-limit=")))
            setup.limits.addressSpaceBytes = argument.mid(15).toULongLong();
        else if (argument.startsWith(QLatin1String("--spin=")))
            setup.spin = std::chrono::microseconds(std::clamp(argument.mid(7).toInt(), 0, 10000));
        else if (const int siblings = siblingsFromArgument(argument.toLatin1()); siblings >= 0)
            setup.siblings = siblings;
    }
    // No path opens in here: the parent hands over every file a job needs.
    closePaths();
    return runWorker(3, setup);
}
