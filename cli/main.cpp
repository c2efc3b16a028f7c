// SPDX-License-Identifier: GPL-3.0-or-later
// morvane-cli: removes metadata from the images among its arguments into one folder, with the same
// building blocks as the window, on every core.
#include "app/Settings.h"
#include "batch/BatchController.h"
#include "batch/Converter.h"
#include "cli/ParallelRun.h"
#include "engine/LibraryMessages.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

enum ExitCode { kAllWritten = 0, kSomeSkipped = 1, kUsageError = 2 };

struct Options
{
    QString output;
    QStringList paths;
    bool recursive = false;
    int jobs = 1;
    bool json = false;
    bool quiet = false;
};

// Where the program's own messages go: the standard error it was started with. Some libraries (libpng,
// through Qt) print straight to standard error whatever handler is installed, so during the run the
// descriptor itself points elsewhere; see silenceLibraryOutput.
FILE* messages = stderr;

void silenceLibraryOutput()
{
    if (qEnvironmentVariableIsSet("MORVANE_DEBUG"))
        return;
    const int terminal = ::dup(STDERR_FILENO);
    const int devnull = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (terminal < 0 || devnull < 0)
        return;
    FILE* stream = ::fdopen(terminal, "w");
    if (!stream)
        return;
    std::setvbuf(stream, nullptr, _IOLBF, 0);
    std::fflush(messages);
    ::dup2(devnull, STDERR_FILENO);
    ::close(devnull);
    messages = stream;
}

void printError(const QString& message)
{
    std::fprintf(messages, "morvane-cli: %s\n", qPrintable(message));
}

// Qt and the codecs behind it report their complaints about a broken file through Qt's message
// handler: they become part of the file's skip reason instead of noise on the terminal.
void quietMessageHandler(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    recordLibraryMessage(message);
    if (type == QtFatalMsg || qEnvironmentVariableIsSet("MORVANE_DEBUG"))
        std::fprintf(stderr, "%s\n", qPrintable(message));
}

// Parses the command line into \a options, applying the one-run overrides. Returns an exit code when the
// program should stop at once.
std::optional<int> parse(const QCoreApplication& app, Options& options)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Removes metadata (EXIF, GPS, IPTC, XMP, comments, maker data) from the images among PATH into DIR.\n"
        "Sources are never changed and no existing file is ever replaced."));
    const QCommandLineOption output({ "o", "output" }, "Write into DIR (created when missing).", "DIR");
    const QCommandLineOption quality({ "q", "quality" }, "JPEG quality 0-100 for this run.", "N");
    const QCommandLineOption fix("fix-orientation", "Turn images upright by their orientation tag.");
    const QCommandLineOption noFix("no-fix-orientation", "Keep the pixels as stored.");
    const QCommandLineOption recursive(
        { "r", "recursive" }, "Walk folders to any depth (default: one level).");
    const QCommandLineOption jobs(
        { "j", "jobs" }, "Convert N files at once (default: the number of cores).", "N");
    const QCommandLineOption json("json", "Print one JSON object per input on standard output.");
    const QCommandLineOption quiet("quiet", "No progress and no summary.");
    parser.addOptions({ output, quality, fix, noFix, recursive, jobs, json, quiet });
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument("PATH", "Image files and folders.", "PATH...");

    if (!parser.parse(app.arguments())) {
        printError(parser.errorText());
        return kUsageError;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return kAllWritten;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        std::printf("morvane-cli %s\n", qPrintable(app.applicationVersion()));
        return kAllWritten;
    }
    options.output = parser.value(output);
    options.paths = parser.positionalArguments();
    if (options.output.isEmpty() || options.paths.isEmpty()) {
        printError(options.output.isEmpty() ? QStringLiteral("an output folder is required (-o DIR)")
                                            : QStringLiteral("no input PATH given"));
        std::fputs(qPrintable(parser.helpText()), stderr);
        return kUsageError;
    }
    if (parser.isSet(fix) && parser.isSet(noFix)) {
        printError(QStringLiteral("--fix-orientation and --no-fix-orientation exclude each other"));
        return kUsageError;
    }
    if (parser.isSet(quality)) {
        bool ok = false;
        const int value = parser.value(quality).toInt(&ok);
        if (!ok || value < 0 || value > 100) {
            printError(QStringLiteral("the quality must be a whole number from 0 to 100"));
            return kUsageError;
        }
        Settings::settings()->setOverride(Settings::kImageQuality, double(value));
    }
    if (parser.isSet(fix) || parser.isSet(noFix))
        Settings::settings()->setOverride(Settings::kFixOrientation, parser.isSet(fix));
    options.jobs = QThread::idealThreadCount();
    if (parser.isSet(jobs)) {
        bool ok = false;
        options.jobs = parser.value(jobs).toInt(&ok);
        if (!ok || options.jobs < 1) {
            printError(QStringLiteral("the number of jobs must be a whole number of at least 1"));
            return kUsageError;
        }
    }
    options.recursive = parser.isSet(recursive);
    options.json = parser.isSet(json);
    options.quiet = parser.isSet(quiet);
    return std::nullopt;
}

struct Report
{
    QString source;
    ConversionOutcome outcome;
};

void printReport(const Report& report, bool json)
{
    const bool written = report.outcome.status == ConversionOutcome::Status::Written;
    if (json) {
        QJsonObject object;
        object.insert("source", report.source);
        object.insert("output", written ? QJsonValue(report.outcome.output) : QJsonValue());
        object.insert("status", written ? "written" : "skipped");
        object.insert("reason", written ? QJsonValue() : QJsonValue(report.outcome.reason));
        std::printf("%s\n", QJsonDocument(object).toJson(QJsonDocument::Compact).constData());
    } else if (!written) {
        std::fprintf(messages, "morvane-cli: skipped %s: %s\n", qPrintable(report.source),
            qPrintable(report.outcome.reason));
    }
}

void drawProgress(int done, int total)
{
    constexpr int kWidth = 30;
    const int filled = total > 0 ? done * kWidth / total : kWidth;
    std::fprintf(messages, "\r[%s%s] Removing EXIF for %d of %d ...", QByteArray(filled, '#').constData(),
        QByteArray(kWidth - filled, ' ').constData(), done, total);
    std::fflush(messages);
}

} // namespace

int main(int argc, char** argv)
{
    // A file-size limit or a full disk must make a write fail, not end the process half-way.
    std::signal(SIGXFSZ, SIG_IGN);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("morvane-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(MORVANE_VERSION));
    qInstallMessageHandler(quietMessageHandler);

    Options options;
    if (const std::optional<int> exitCode = parse(app, options))
        return *exitCode;

    const QString folder = QDir::cleanPath(QFileInfo(options.output).absoluteFilePath());
    const QFileInfo folderInfo(folder);
    if (folderInfo.exists() && !folderInfo.isDir()) {
        printError(QStringLiteral("'%1' is not a folder").arg(options.output));
        return kUsageError;
    }
    if (!QDir().mkpath(folder)) {
        printError(QStringLiteral("cannot create the output folder '%1'").arg(options.output));
        return kUsageError;
    }

    // Inputs named on the command line that cannot take part are reported; a folder's other files are
    // simply not images of the run.
    std::vector<Report> reports;
    Converter* list = Converter::converter();
    BatchController expander;
    for (const QString& path : std::as_const(options.paths)) {
        const QFileInfo info(path);
        if (!info.exists()) {
            reports.push_back(
                { path, { ConversionOutcome::Status::Skipped, {}, QStringLiteral("not found"), {} } });
        } else if (!info.isDir() && !list->isSupportedPath(path)) {
            reports.push_back({ path,
                { ConversionOutcome::Status::Skipped, {}, QStringLiteral("not a supported image"), {} } });
        } else {
            expander.addFiles({ path }, options.recursive);
        }
    }

    const QStringList sources = list->allFilePaths();
    const bool showProgress = !options.quiet && !options.json && ::isatty(STDERR_FILENO);
    silenceLibraryOutput();
    const std::vector<ConversionOutcome> outcomes
        = convertInParallel(sources, folder, options.jobs, [&](int done) {
              if (showProgress)
                  drawProgress(done, int(sources.size()));
          });
    if (showProgress)
        std::fputc('\n', messages);
    for (qsizetype i = 0; i < sources.size(); ++i)
        reports.push_back({ sources.at(i), outcomes[size_t(i)] });

    int written = 0;
    for (const Report& report : reports) {
        printReport(report, options.json);
        if (report.outcome.status == ConversionOutcome::Status::Written)
            ++written;
    }
    const int skipped = int(reports.size()) - written;
    if (!options.quiet)
        std::fprintf(messages, "%d written, %d skipped\n", written, skipped);
    return skipped == 0 ? kAllWritten : kSomeSkipped;
}
