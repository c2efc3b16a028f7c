// SPDX-License-Identifier: GPL-3.0-or-later
// morvane-cli: removes metadata from the images among its arguments into one folder, with the same
// building blocks as the window, on every core.
#include "batch/Converter.h"
#include "batch/FileGathering.h"
#include "batch/FolderCreation.h"
#include "batch/ImageWorkers.h"
#include "batch/ParallelRun.h"
#include "batch/RunOptions.h"
#include "cli/InspectionReport.h"
#include "cli/Report.h"
#include "engine/core/LibraryMessages.h"
#include "engine/core/NativePath.h"
#include "engine/core/WorkFile.h"
#include "settings/Settings.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>
#include <QThread>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <memory>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

enum ExitCode { kAllWritten = 0, kSomeSkipped = 1, kUsageError = 2, kInterrupted = 130 };

constexpr qint64 kMegabyte = 1 << 20;

struct Options
{
    QString output;
    QStringList paths;
    bool recursive = false;
    /// The run's quality, orientation, format, jobs and memory: the command line's own defaults unless the
    /// arguments say otherwise. The window's stored preferences play no part, so that a script runs the
    /// same on every account whatever was ticked in the window.
    RunOptions run;
    bool json = false;
    bool quiet = false;
    bool inspect = false; ///< report what each file gives away instead of converting
    bool namedWorkFiles = false;
};

/// The arguments as the program got them, every byte kept (decodePath): a name that is no UTF-8 reaches
/// the files it names, which QCoreApplication::arguments() would not.
QStringList argumentsOf(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << decodePath(QByteArray(argv[i]));
    return arguments;
}

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
    std::fprintf(messages, "morvane-cli: %s\n", escapedForTerminal(encodePath(message)).constData());
}

std::atomic<bool> stopRequested { false };

// Ctrl-C or SIGTERM: no further file is started, the files in hand are finished and named. Asked a
// second time, the process ends at once and takes its hidden work files along.
void onStopSignal(int)
{
    if (stopRequested.exchange(true)) {
        removeWorkFilesNow();
        ::_exit(kInterrupted);
    }
}

void installStopHandlers()
{
    struct sigaction action = {};
    action.sa_handler = onStopSignal;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
}

/// Half of the memory the process may use: the machine's, or its control group's when that is less.
qint64 defaultMemoryBudget()
{
    qint64 available = qint64(::sysconf(_SC_PHYS_PAGES)) * qint64(::sysconf(_SC_PAGESIZE));
    for (const char* limitFile :
        { "/sys/fs/cgroup/memory.max", "/sys/fs/cgroup/memory/memory.limit_in_bytes" }) {
        QFile file(QString::fromLatin1(limitFile));
        bool ok = false;
        const qint64 limit = file.open(QIODevice::ReadOnly) ? file.readAll().trimmed().toLongLong(&ok) : 0;
        if (ok && limit > 0 && (available <= 0 || limit < available))
            available = limit;
    }
    return std::max(available / 2, 256 * kMegabyte);
}

/// A whole run may hold a finished file open per file ahead of the first unnamed one: allow what the
/// system allows.
void raiseDescriptorLimit()
{
    rlimit files = {};
    if (::getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < files.rlim_max) {
        files.rlim_cur = files.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &files);
    }
}

/// What stops the output folder from being made ready, in words for the command line; empty when it is
/// there.
QString outputFolderProblem(const FolderCreation& creation)
{
    switch (creation.failure) {
    case FolderCreation::Failure::None:
        return {};
    case FolderCreation::Failure::NotCreated:
        return QStringLiteral("cannot create the output folder '%1': %2")
            .arg(creation.level, QString::fromLocal8Bit(std::strerror(creation.error)));
    case FolderCreation::Failure::BrokenLink:
        return QStringLiteral("'%1' is a link to '%2', which does not exist")
            .arg(creation.level, creation.linkTarget);
    case FolderCreation::Failure::NotUsable:
        return QStringLiteral("cannot use the output folder '%1': %2")
            .arg(creation.level, QString::fromLocal8Bit(std::strerror(creation.error)));
    case FolderCreation::Failure::NotAFolder:
        return QStringLiteral("'%1' is not a folder").arg(creation.level);
    }
    return {};
}

// Qt and the codecs behind it report a broken file through Qt's message handler: their errors become
// part of the file's skip reason instead of noise on the terminal. Nothing else Qt says is a reason.
void quietMessageHandler(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    (void)takeQtImageMessage(type, context, message);
    if (type == QtFatalMsg || qEnvironmentVariableIsSet("MORVANE_DEBUG"))
        std::fprintf(stderr, "%s\n", qPrintable(message));
}

/// \a parser's help with the program's own name in its usage line instead of the path it was started by.
QString helpTextOf(const QCommandLineParser& parser)
{
    QString text = parser.helpText();
    const qsizetype lineEnd = text.indexOf(u'\n');
    const QString usage = text.left(lineEnd);
    const QString synopsis = QStringLiteral(" [options]");
    const qsizetype rest = usage.indexOf(synopsis);
    if (usage.startsWith(QLatin1String("Usage: ")) && rest > 0)
        text.replace(0, rest, QStringLiteral("Usage: morvane-cli"));
    return text;
}

// Parses the command line into \a options. Returns an exit code when the program should stop at once.
// NOLINTNEXTLINE(readability-function-cognitive-complexity): one branch per option
std::optional<int> parse(const QCoreApplication& app, const QStringList& arguments, Options& options)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Removes metadata (EXIF, GPS, IPTC, XMP, comments, maker data) from the images among PATH into DIR.\n"
        "Sources are never changed and no existing file is ever replaced.\n"
        "With --inspect, writes nothing and prints what each image gives away instead."));
    const QCommandLineOption output({ "o", "output" }, "Write into DIR (created when missing).", "DIR");
    const QCommandLineOption quality({ "q", "quality" }, "JPEG quality 0-100 (default: 70).", "N");
    const QCommandLineOption fix(
        "fix-orientation", "Turn images upright by their orientation tag (default: on).");
    const QCommandLineOption noFix("no-fix-orientation", "Keep the pixels as stored.");
    const QCommandLineOption lossless("lossless",
        "Keep the compressed data of JPEGs written as JPEG instead of re-encoding them; one that cannot be "
        "kept (a turn its size does not allow) is re-encoded with a note (default: off).");
    const QCommandLineOption noLossless("no-lossless", "Re-encode JPEGs at the quality (the default).");
    const QCommandLineOption format("format",
        "Write each image in its own format (same; HEIC, AVIF and WebP keep their compressed picture, "
        "animations and pages are kept whole) or every one as a JPEG (jpeg) (default: same).",
        "same|jpeg");
    const QCommandLineOption names("names",
        "Name each copy after its source (source) or photo-0001.jpg, photo-0002.png... in the order of the "
        "run, after the highest number already in DIR (numbered) (default: source).",
        "source|numbered");
    const QCommandLineOption recursive(
        { "r", "recursive" }, "Walk folders to any depth, never into a linked one (default: one level).");
    const QCommandLineOption keepFolders("keep-folders",
        "Write each copy into the folder below DIR that its source was found in below the folder named "
        "(made as needed, never through a link), instead of all into DIR; without -r every copy is at the "
        "top of DIR, as the files it takes are.");
    const QCommandLineOption jobs(
        { "j", "jobs" }, "Convert N files at once (default: the number of cores).", "N");
    const QCommandLineOption inspect("inspect",
        "Write nothing: print per image what it gives away (Location, Device, Time, People, Text, Hidden), "
        "with its fields.");
    const QCommandLineOption json("json", "Print one JSON object per input on standard output.");
    const QCommandLineOption quiet("quiet", "No progress and no summary.");
    const QCommandLineOption memory("memory-limit",
        "Keep the images being converted at once within MB megabytes (default: half of the memory).", "MB");
    const QCommandLineOption timeLimit("time-limit",
        "Stop a file that takes longer than SECONDS and report it; the run goes on (default: 120).",
        "SECONDS");
    QCommandLineOption namedWorkFiles("named-work-files",
        "Write into hidden work files, as on a file system without unnamed files (for tests).");
    namedWorkFiles.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOptions({ output, quality, fix, noFix, lossless, noLossless, format, names, recursive,
        keepFolders, jobs, inspect, json, quiet, memory, timeLimit, namedWorkFiles });
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument("PATH", "Image files and folders.", "PATH...");

    if (!parser.parse(arguments)) {
        printError(parser.errorText());
        return kUsageError;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        std::fputs(qPrintable(helpTextOf(parser)), stdout);
        return kAllWritten;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        // Which confinement the decoders run in, as a worker started now gets it.
        std::printf("morvane-cli %s\n%s\n", qPrintable(app.applicationVersion()),
            qPrintable(imageWorkerConfinement().describe()));
        return kAllWritten;
    }
    options.output = parser.value(output);
    options.paths = parser.positionalArguments();
    options.inspect = parser.isSet(inspect);
    if (options.inspect) {
        if (parser.isSet(output)) {
            printError(QStringLiteral("--inspect writes nothing and takes no output folder"));
            return kUsageError;
        }
        if (parser.isSet(keepFolders)) {
            printError(QStringLiteral("--inspect writes nothing and keeps no folders"));
            return kUsageError;
        }
        if (options.paths.isEmpty()) {
            printError(QStringLiteral("no input PATH given"));
            std::fputs(qPrintable(helpTextOf(parser)), stderr);
            return kUsageError;
        }
        options.recursive = parser.isSet(recursive);
        options.json = parser.isSet(json);
        return std::nullopt;
    }
    if (options.output.isEmpty() || options.paths.isEmpty()) {
        printError(options.output.isEmpty() ? QStringLiteral("an output folder is required (-o DIR)")
                                            : QStringLiteral("no input PATH given"));
        std::fputs(qPrintable(helpTextOf(parser)), stderr);
        return kUsageError;
    }
    if (parser.isSet(fix) && parser.isSet(noFix)) {
        printError(QStringLiteral("--fix-orientation and --no-fix-orientation exclude each other"));
        return kUsageError;
    }
    if (parser.isSet(lossless) && parser.isSet(noLossless)) {
        printError(QStringLiteral("--lossless and --no-lossless exclude each other"));
        return kUsageError;
    }
    // The defaults of RunOptions are the command line's documented ones; the window's store is not read.
    options.run = RunOptions {};
    if (parser.isSet(quality)) {
        bool ok = false;
        const int value = parser.value(quality).toInt(&ok);
        if (!ok || value < 0 || value > 100) {
            printError(QStringLiteral("the quality must be a whole number from 0 to 100"));
            return kUsageError;
        }
        options.run.quality = float(value);
    }
    if (parser.isSet(fix) || parser.isSet(noFix))
        options.run.fixOrientation = parser.isSet(fix);
    if (parser.isSet(lossless) || parser.isSet(noLossless))
        options.run.keepJpegQuality = parser.isSet(lossless);
    if (parser.isSet(format)) {
        const QString value = parser.value(format);
        if (value != QLatin1String("same") && value != QLatin1String("jpeg")) {
            printError(QStringLiteral("the format must be same or jpeg"));
            return kUsageError;
        }
        options.run.outputFormat
            = value == QLatin1String("jpeg") ? OutputFormatChoice::Jpeg : OutputFormatChoice::SameAsSource;
    }
    if (parser.isSet(names)) {
        const QString value = parser.value(names);
        if (value != QLatin1String("source") && value != QLatin1String("numbered")) {
            printError(QStringLiteral("the names must be source or numbered"));
            return kUsageError;
        }
        options.run.names = value == QLatin1String("numbered") ? OutputNames::Numbered : OutputNames::Source;
    }
    options.run.keepFolders = parser.isSet(keepFolders);
    options.run.jobs = QThread::idealThreadCount();
    // A count that must be a whole number of at least 1; 0 for anything else.
    const auto count = [&parser](const QCommandLineOption& option) {
        bool ok = false;
        const int value = parser.value(option).toInt(&ok);
        return ok && value >= 1 ? value : 0;
    };
    if (parser.isSet(jobs)) {
        options.run.jobs = count(jobs);
        if (options.run.jobs < 1) {
            printError(QStringLiteral("the number of jobs must be a whole number of at least 1"));
            return kUsageError;
        }
    }
    options.run.memoryBytes = defaultMemoryBudget();
    if (parser.isSet(memory)) {
        bool ok = false;
        const qint64 megabytes = parser.value(memory).toLongLong(&ok);
        if (!ok || megabytes < 1 || megabytes > (qint64(1) << 40)) {
            printError(QStringLiteral("the memory limit must be a whole number of megabytes, at least 1"));
            return kUsageError;
        }
        options.run.memoryBytes = megabytes * kMegabyte;
    }
    if (parser.isSet(timeLimit)) {
        options.run.timeLimitSeconds = count(timeLimit);
        if (options.run.timeLimitSeconds < 1) {
            printError(QStringLiteral("the time limit must be a whole number of seconds, at least 1"));
            return kUsageError;
        }
    }
    options.namedWorkFiles = parser.isSet(namedWorkFiles);
    options.recursive = parser.isSet(recursive);
    options.json = parser.isSet(json);
    options.quiet = parser.isSet(quiet);
    return std::nullopt;
}

void drawProgress(int done, int total)
{
    constexpr int kWidth = 30;
    const int filled = total > 0 ? done * kWidth / total : kWidth;
    std::fprintf(messages, "\r[%s%s] Removing EXIF for %d of %d ...", QByteArray(filled, '#').constData(),
        QByteArray(kWidth - filled, ' ').constData(), done, total);
    std::fflush(messages);
}

/// Turns the paths of the command line into the run's inputs, in order, each file once however it was
/// named. What is left out, and why, goes to \a reports.
std::vector<RunInput> collectInputs(const Options& options, std::vector<Report>& reports)
{
    Converter* list = Converter::converter();
    list->setDescribesFiles(false);
    const SkippedInput skip = [&](const QByteArray& path, const QString& reason) {
        reports.push_back({ path, { ConversionOutcome::Status::Skipped, {}, reason, {}, false } });
    };
    gatherFiles(*list, options.paths, options.recursive, skip);
    return runInputsOf(*list);
}

/// How many files the paths can hold at most: as many as there are when each is a file.
int mostFiles(const Options& options)
{
    if (options.recursive)
        return std::numeric_limits<int>::max();
    for (const QString& path : options.paths) {
        struct stat status = {};
        if (::stat(encodePath(path).constData(), &status) != 0 || !S_ISREG(status.st_mode))
            return std::numeric_limits<int>::max();
    }
    return int(options.paths.size());
}

/// --inspect: prints what each image among the paths gives away, found as a conversion would find them,
/// and writes nothing. 0 when every file was read, 1 when any could not be.
int inspectInputs(const Options& options)
{
    std::vector<Report> left;
    const std::vector<RunInput> inputs = collectInputs(options, left);
    silenceLibraryOutput();
    QFile out;
    if (!out.open(stdout, QIODevice::WriteOnly | QIODevice::Unbuffered))
        return kSomeSkipped;
    const ShownPath shown = [](const QByteArray& path) { return escapedForTerminal(path); };
    int status = kAllWritten;
    // What the walk left out (a missing path, a file that is no image by its name) could not be read.
    for (const Report& report : left) {
        Inspection unread;
        unread.reason = report.outcome.reason;
        out.write(options.json
                ? QJsonDocument(inspectionReport(report.source, unread)).toJson(QJsonDocument::Compact) + '\n'
                : inspectionText(shown(report.source), unread));
        status = kSomeSkipped;
    }
    QList<QByteArray> sources;
    QStringList names;
    for (const RunInput& input : inputs) {
        sources.append(encodePath(input.path));
        names.append(input.outputName());
    }
    if (writeInspectionReports(sources, options.json, out, shown, names) != 0)
        status = kSomeSkipped;
    return status;
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
    if (const std::optional<int> exitCode = parse(app, argumentsOf(argc, argv), options))
        return *exitCode;
    if (options.inspect)
        return inspectInputs(options);
    if (options.namedWorkFiles)
        setUnnamedWorkFilesAllowed(false);
    raiseDescriptorLimit();
    // The workers, which write where this process does, load and confine themselves while the output
    // folder is checked and the files are gathered. Reaping orphans lets the first worker fork the
    // others as this process's children (WorkerPool::launchAll); no other process starts from here.
    silenceLibraryOutput();
    ::prctl(PR_SET_CHILD_SUBREAPER, 1);
    std::unique_ptr<ImageWorkers> workers = launchRunWorkers(options.run, mostFiles(options));

    // The folder must take files before anything is read: an unusable one is a usage error.
    const QString folder = absolutePath(options.output);
    if (const QString problem = outputFolderProblem(createFolderWithParents(folder)); !problem.isEmpty()) {
        printError(problem);
        return kUsageError;
    }
    QString writeError;
    if (!WorkFile::create(folder, &writeError)) {
        printError(QStringLiteral("cannot write into the output folder '%1': %2").arg(folder, writeError));
        return kUsageError;
    }
    // Work files that a killed run left behind go; a live run's stay.
    (void)removeAbandonedWorkFiles(folder);

    std::vector<Report> reports;
    const std::vector<RunInput> inputs = collectInputs(options, reports);

    const bool showProgress = !options.quiet && !options.json && ::isatty(STDERR_FILENO);
    installStopHandlers();
    OutputFolder output(folder);
    RunHooks hooks;
    hooks.stop = &stopRequested;
    hooks.progress = [&](int done) {
        if (showProgress)
            drawProgress(done, int(inputs.size()));
    };
    const RunResult run = convertInParallel(inputs, output, options.run, hooks, std::move(workers));
    if (showProgress)
        std::fputc('\n', messages);
    if (run.workersStarted < run.workersWanted) {
        printError(QStringLiteral("could start only %1 of %2 workers (%3); the run went on with %1")
                       .arg(run.workersStarted)
                       .arg(run.workersWanted)
                       .arg(run.workerFailure));
    }
    for (size_t i = 0; i < inputs.size(); ++i)
        reports.push_back({ encodePath(inputs[i].path), run.outcomes[i] });

    int written = 0;
    for (const Report& report : reports) {
        const QByteArray line = options.json ? jsonLine(report) : textLine(report);
        std::fputs(line.constData(), options.json ? stdout : messages);
        if (report.outcome.status == ConversionOutcome::Status::Written)
            ++written;
    }
    std::fflush(stdout);
    const int skipped = int(reports.size()) - written - run.notStarted;
    const bool interrupted = stopRequested.load();
    if (!options.quiet) {
        if (interrupted) {
            std::fprintf(messages, "interrupted: %d written, %d skipped, %d not started\n", written, skipped,
                run.notStarted);
        } else {
            // Every written copy was read back before it got its name (convertToWorkFile).
            std::fprintf(messages, "%d written%s %d skipped\n", written,
                written > 0 ? ", each checked: nothing personal;" : ",", skipped);
        }
    }
    if (interrupted)
        return kInterrupted;
    return skipped == 0 ? kAllWritten : kSomeSkipped;
}
