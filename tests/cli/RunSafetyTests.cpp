// SPDX-License-Identifier: GPL-3.0-or-later
// The command line under hostile conditions and careless use: signals and kills mid-run, another user's
// permissions, a process limit, a memory budget, links that lead out of the named folders, names that
// are no UTF-8 or that hold control characters, one file named several ways, files of several frames.
// Judged by `ls -A`, exit statuses, stat, ImageMagick and the JSON report.
#include "tests/cli/CliFixture.h"
#include "tests/common/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

/// The settings store of the runs a test makes in \a work.
QString configIn(const QTemporaryDir& work)
{
    return work.filePath(QStringLiteral("config"));
}

/// What `ls -A` lists in \a folder.
QStringList listed(const QString& folder)
{
    QStringList names = runProcess(QStringLiteral("ls"), { QStringLiteral("-A"), folder })
                            .standardOutput.split(u'\n', Qt::SkipEmptyParts);
    names.sort();
    return names;
}

QList<QJsonObject> jsonLines(const QString& standardOutput)
{
    QList<QJsonObject> objects;
    for (const QString& line : standardOutput.split(u'\n', Qt::SkipEmptyParts))
        objects << QJsonDocument::fromJson(line.toUtf8()).object();
    return objects;
}

/// Noise that compresses badly, so that writing it takes a while.
QImage noise(int width, int height, int seed)
{
    QImage image(width, height, QImage::Format_RGB32);
    quint32 state = quint32(seed) * 2654435761u + 1;
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            state = state * 1664525u + 1013904223u;
            line[x] = 0xFF000000u | (state >> 8);
        }
    }
    return image;
}

/// Saves \a image at \a path with Qt's writers, making its folder first.
bool save(const QImage& image, const QString& path, const char* format = nullptr, int quality = -1)
{
    return QDir().mkpath(QFileInfo(path).absolutePath()) && image.save(path, format, quality);
}

/// A folder that user 65534 (or \a uid) can read, with a copy of the command line in it: CI runs as
/// root, whom permissions and process limits do not bind.
class AsNobody
{
public:
    explicit AsNobody(int uid = 65534)
        : m_uid(QString::number(uid))
    {
        EXPECT_EQ(::chmod(QFile::encodeName(m_dir.path()).constData(), 0755), 0);
        EXPECT_TRUE(QFile::copy(cliProgram(), program()));
        // As installed: the worker beside the program that starts it.
        EXPECT_TRUE(QFile::copy(
            QStringLiteral(MORVANE_WORKER_PATH), m_dir.filePath(QStringLiteral("morvane-worker"))));
    }

    [[nodiscard]] QString path(const QString& relative) const { return m_dir.filePath(relative); }
    [[nodiscard]] QString program() const { return m_dir.filePath(QStringLiteral("morvane-cli")); }

    /// Runs the copy as user 65534, with \a prefix (such as prlimit) before the change of user and
    /// \a wrapper (such as a shell) after it, the copy's path following the wrapper as in runCliUnder.
    ProcessResult run(
        const QStringList& arguments, const QStringList& prefix = {}, const QStringList& wrapper = {}) const
    {
        const QStringList command = prefix
            + QStringList { QStringLiteral("setpriv"), QStringLiteral("--reuid=") + m_uid,
                  QStringLiteral("--regid=") + m_uid, QStringLiteral("--clear-groups"),
                  QStringLiteral("env") }
            + cliEnvironment(path(QStringLiteral("config"))) + wrapper + QStringList { program() }
            + arguments;
        return runProcess(command.first(), command.mid(1), 120000);
    }

private:
    QString m_uid;
    QTemporaryDir m_dir;
};

} // namespace

// --- Interrupted and killed runs ----------------------------------------------------------------

class Interruption : public ::testing::TestWithParam<std::pair<int, bool>>
{
protected:
    static void SetUpTestSuite()
    {
        sources = new QTemporaryDir;
        for (int i = 0; i < 16; ++i)
            save(noise(600, 450, i), sources->filePath(QStringLiteral("%1.png").arg(i, 2, 10, QChar(u'0'))));
    }
    static void TearDownTestSuite() { delete std::exchange(sources, nullptr); }

    static inline QTemporaryDir* sources = nullptr;
};

// Ctrl-C or SIGTERM: the files in hand are finished and named, no other starts, nothing half-written or
// hidden stays, the summary says so and the exit status is 130.
TEST_P(Interruption, StopsCleanlyLeavingOnlyWholeFiles)
{
    const auto [signal, unnamed] = GetParam();
    QTemporaryDir work;
    ASSERT_EQ(listed(sources->path()).size(), 16);
    const QString out = work.filePath(QStringLiteral("out"));
    QStringList arguments { "--json", "-j", "2", "-o", out, sources->path() };
    if (!unnamed)
        arguments.prepend(QStringLiteral("--named-work-files"));

    QProcess cli;
    startCli(cli, arguments, configIn(work));
    ASSERT_TRUE(cli.waitForStarted());
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (QDir(out).entryList(QDir::Files).isEmpty() && cli.state() == QProcess::Running
        && std::chrono::steady_clock::now() < deadline)
        cli.waitForFinished(5);
    ASSERT_EQ(cli.state(), QProcess::Running) << "the run ended before it could be interrupted";
    ::kill(pid_t(cli.processId()), signal);
    ASSERT_TRUE(cli.waitForFinished(60000));

    EXPECT_EQ(cli.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(cli.exitCode(), 130);
    EXPECT_TRUE(QString::fromUtf8(cli.readAllStandardError()).contains(QLatin1String("interrupted:")));
    QStringList written;
    int interrupted = 0;
    for (const QJsonObject& line : jsonLines(QString::fromUtf8(cli.readAllStandardOutput()))) {
        if (line.value("status").toString() == QLatin1String("written"))
            written << QFileInfo(line.value("output").toString()).fileName();
        else if (line.value("reason").toString() == QLatin1String("interrupted"))
            ++interrupted;
    }
    EXPECT_GT(interrupted, 0);
    written.sort();
    EXPECT_EQ(listed(out), written);
    for (const QString& name : written)
        EXPECT_EQ(decodeWithQt(out + u'/' + name).size(), QSize(600, 450)) << name.toStdString();
}

// Each signal once and each kind of work file once: the signals share one handler, the work files one end.
INSTANTIATE_TEST_SUITE_P(
    Signals, Interruption, ::testing::Values(std::pair { SIGINT, true }, std::pair { SIGTERM, false }));

// A kill leaves no half-written file where unnamed files exist, a locked hidden one where they do not;
// the next run over the folder removes that, leaves a live run's work file alone and takes neither as
// an input.
TEST(KilledRun, LeavesNoHalfFileAndTheNextRunClearsOnlyAbandonedWorkFiles)
{
    QTemporaryDir work;
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(save(noise(1800, 1200, i), work.filePath(QStringLiteral("in/%1.png").arg(i))));
    // Where the file system has no unnamed files (overlayfs on Debian's kernel), hidden ones stand in.
    const int probe = ::open(QFile::encodeName(work.path()).constData(), O_TMPFILE | O_RDWR, 0600);
    const bool unnamedFiles = probe >= 0;
    if (probe >= 0)
        ::close(probe);
    for (const bool unnamed : { true, false }) {
        SCOPED_TRACE(unnamed ? "unnamed" : "hidden");
        const QString out = work.filePath(unnamed ? "unnamed" : "hidden");
        QStringList arguments { "--quiet", "-j", "1", "-o", out, work.filePath("in") };
        if (!unnamed)
            arguments.prepend(QStringLiteral("--named-work-files"));
        // Killed while a file is being written: a hidden work file shows it, an unnamed one never shows.
        const bool hidden = !unnamed || !unnamedFiles;
        const auto writing = [&] {
            const QStringList names = listed(out);
            return !hidden ? !names.isEmpty() : std::any_of(names.begin(), names.end(), [](const QString& n) {
                return n.startsWith(QLatin1String(".morvane-work-"));
            });
        };
        const auto countWorkFiles = [](const QStringList& names) {
            return std::count_if(
                names.begin(), names.end(), [](const QString& n) { return n.startsWith(QLatin1Char('.')); });
        };
        // The kill may land just after a work file took its final name; such a run proves nothing about
        // work files, so it is tried again with the folder emptied.
        QStringList left;
        for (int attempt = 0; attempt < 8; ++attempt) {
            QDir(out).removeRecursively();
            QProcess cli;
            startCli(cli, arguments, configIn(work));
            ASSERT_TRUE(cli.waitForStarted());
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
            while (
                !writing() && cli.state() == QProcess::Running && std::chrono::steady_clock::now() < deadline)
                cli.waitForFinished(2);
            ASSERT_EQ(cli.state(), QProcess::Running);
            cli.kill();
            ASSERT_TRUE(cli.waitForFinished(60000));
            left = listed(out);
            if (!hidden || countWorkFiles(left) > 0)
                break;
        }
        const qsizetype workFiles = countWorkFiles(left);
        EXPECT_EQ(workFiles, hidden ? 1 : 0) << left.join(u' ').toStdString();
        for (const QString& name : left) {
            if (!name.startsWith(QLatin1Char('.'))) {
                EXPECT_EQ(decodeWithQt(out + u'/' + name).size(), QSize(1800, 1200)) << name.toStdString();
            }
        }

        // This test process stands for a run that still works in the folder.
        const QString live = QStringLiteral(".morvane-work-%1-running").arg(::getpid());
        ASSERT_TRUE(writeFile(out + u'/' + live, "a live run's half-written file"));
        const ProcessResult next = runCli({ "--json", "-o", out, out }, configIn(work));
        EXPECT_EQ(next.exitCode, 0) << next.standardError.toStdString();
        for (const QJsonObject& line : jsonLines(next.standardOutput))
            EXPECT_FALSE(line.value("source").toString().contains(QLatin1String(".morvane-work-")));
        left = listed(out);
        EXPECT_EQ(
            std::count_if(left.begin(), left.end(), [](const QString& n) { return n.startsWith(u'.'); }), 1);
        EXPECT_TRUE(left.contains(live));
    }
}

// --- The machine's limits ------------------------------------------------------------------------

// The user may have three tasks: the command line's thread and one worker process with its two threads.
// The run goes on with the one worker it got and says so. A user of its own: the process limit counts
// every process of the user, and other tests run as nobody meanwhile.
TEST(Limits, AWorkerThreadThatCannotStartIsDoneWithout)
{
    AsNobody nobody(65533);
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(save(noise(200, 150, i), nobody.path(QStringLiteral("in/%1.jpg").arg(i)), "jpeg"));
    ASSERT_EQ(::chmod(QFile::encodeName(nobody.path("in")).constData(), 0755), 0);
    ASSERT_TRUE(QDir().mkpath(nobody.path("out")));
    ASSERT_EQ(::chmod(QFile::encodeName(nobody.path("out")).constData(), 0777), 0);

    const ProcessResult run = nobody.run({ "-j", "4", "-o", nobody.path("out"), nobody.path("in") },
        { QStringLiteral("prlimit"), QStringLiteral("--nproc=3") });
    EXPECT_EQ(run.exitCode, 0) << run.standardError.toStdString();
    EXPECT_TRUE(run.standardError.contains(QLatin1String("could start only")))
        << run.standardError.toStdString();
    EXPECT_EQ(listed(nobody.path("out")), (QStringList { "0.jpg", "1.jpg", "2.jpg", "3.jpg" }));
}

// However many jobs, the files in memory at once stay within the budget; one that alone needs more is
// skipped as what it is, and a photo copied in bands is not held to the frame it never has.
TEST(Limits, TheMemoryBudgetBoundsAnyNumberOfJobs)
{
    QTemporaryDir work;
    QImage photo(4000, 3000, QImage::Format_RGB32);
    photo.fill(qRgb(30, 120, 200));
    for (int i = 0; i < 6; ++i)
        ASSERT_TRUE(save(photo, work.filePath(QStringLiteral("in/%1.jpg").arg(i)), "jpeg", 80));
    ASSERT_TRUE(save(photo, work.filePath(QStringLiteral("upright/0.jpg")), "jpeg", 80));
    photo = {};
    // Turned photos decode into a frame; upright ones are copied band by band.
    const ProcessResult turn = runProcess(QStringLiteral("exiftool"),
        { "-q", "-n", "-Orientation=6", "-overwrite_original", work.filePath("in") });
    ASSERT_EQ(turn.exitCode, 0) << turn.standardError.toStdString();

    // The sanitizers' quarantine would hold every freed frame and hide what the run itself holds.
    const QStringList environment {
        QStringLiteral("ASAN_OPTIONS=%1:quarantine_size_mb=0").arg(qEnvironmentVariable("ASAN_OPTIONS"))
    };
    const ProcessResult run = runCliUnder({ "/usr/bin/time", "-f", "peak %M" },
        { "--memory-limit", "150", "-j", "6", "-o", work.filePath("out"), work.filePath("in") },
        configIn(work), environment);
    EXPECT_EQ(run.exitCode, 0) << run.standardError.toStdString();
    const QString last = run.standardError.trimmed().split(u'\n').last();
    ASSERT_TRUE(last.startsWith(QLatin1String("peak "))) << last.toStdString();
    EXPECT_LT(last.mid(5).toDouble() / 1024.0, 150.0);
    EXPECT_EQ(listed(work.filePath("out")).size(), 6);

    const ProcessResult tooBig = runCli(
        { "--json", "--memory-limit", "40", "-o", work.filePath("small"), work.filePath("in/0.jpg") },
        configIn(work), environment);
    EXPECT_EQ(tooBig.exitCode, 1);
    EXPECT_TRUE(jsonLines(tooBig.standardOutput)
                    .value(0)
                    .value("reason")
                    .toString()
                    .startsWith(QLatin1String("not enough memory")))
        << tooBig.standardOutput.toStdString();
    const ProcessResult banded
        = runCli({ "--memory-limit", "40", "-o", work.filePath("small"), work.filePath("upright/0.jpg") },
            configIn(work), environment);
    EXPECT_EQ(banded.exitCode, 0) << banded.standardError.toStdString();
    EXPECT_EQ(listed(work.filePath("small")), QStringList { "0.jpg" });
}

// --- The output folder ---------------------------------------------------------------------------

// A folder that cannot take files is found before anything is read: exit 2 with the reason.
TEST(OutputFolder, AnUnusableOneIsExitTwoWithItsReason)
{
    AsNobody nobody;
    ASSERT_TRUE(
        writeFile(nobody.path("photo.jpg"), fileBytes(dirtyCorpusDir() + "/jpeg/orient/orient_1.jpg")));
    ASSERT_TRUE(QDir().mkpath(nobody.path("readonly")));
    ASSERT_TRUE(writeFile(nobody.path("plain"), "a file"));
    ASSERT_EQ(::symlink("/nonexistent/folder", QFile::encodeName(nobody.path("dangling")).constData()), 0);
    const std::pair<QString, QString> cases[] = {
        { nobody.path("readonly"),
            QStringLiteral("cannot write into the output folder '%1': Permission denied")
                .arg(nobody.path("readonly")) },
        { nobody.path("readonly/new"),
            QStringLiteral("cannot create the output folder '%1': Permission denied")
                .arg(nobody.path("readonly/new")) },
        { nobody.path("dangling"),
            QStringLiteral("'%1' is a link to '/nonexistent/folder', which does not exist")
                .arg(nobody.path("dangling")) },
        { nobody.path("plain/sub"), QStringLiteral("'%1' is not a folder").arg(nobody.path("plain")) },
    };
    for (const auto& [folder, reason] : cases) {
        SCOPED_TRACE(folder.toStdString());
        const ProcessResult run = nobody.run({ "-o", folder, nobody.path("photo.jpg") });
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_EQ(run.standardError.trimmed(), QStringLiteral("morvane-cli: ") + reason);
    }
    EXPECT_EQ(listed(nobody.path("readonly")), QStringList());
}

// Outputs are made like any new file: 0666 less the umask, with either kind of work file.
TEST(OutputFolder, OutputsFollowTheUmask)
{
    QTemporaryDir work;
    const QString photo = dirtyCorpusDir() + QStringLiteral("/jpeg/orient/orient_1.jpg");
    for (const QString& mode : { QString(), QStringLiteral("--named-work-files") }) {
        for (const auto& [umask, expected] : { std::pair { "002", "664" }, std::pair { "077", "600" } }) {
            SCOPED_TRACE((mode + u' ' + QLatin1String(umask)).toStdString());
            const QString out
                = work.filePath(QStringLiteral("out%1%2").arg(umask, mode.isEmpty() ? "u" : "h"));
            QStringList arguments { "--quiet", "-o", out, photo };
            if (!mode.isEmpty())
                arguments << mode;
            const ProcessResult run = runCliUnder(
                { "bash", "-c", QStringLiteral("umask %1 && exec \"$@\"").arg(QLatin1String(umask)), "bash" },
                arguments, configIn(work));
            ASSERT_EQ(run.exitCode, 0) << run.standardError.toStdString();
            EXPECT_EQ(runProcess(QStringLiteral("stat"), { "-c", "%a", out + "/orient_1.jpg" })
                          .standardOutput.trimmed(),
                QLatin1String(expected));
        }
    }
}

// --- Inputs ------------------------------------------------------------------------------------

// An unlistable folder and a link to something that is no image are each reported and counted as
// skipped; names that are not UTF-8, in a walked folder and named directly, are converted and their copies
// named with the same bytes: two Latin-1 names side by side that differ in one such byte stay two files,
// each copy the picture of its own source.
TEST(Inputs, NothingIsLeftOutWithoutAWord)
{
    AsNobody nobody;
    const auto cleanUp = qScopeGuard([&] { removeTree(nobody.path(".")); });
    const QByteArray photo = fileBytes(dirtyCorpusDir() + "/jpeg/orient/orient_2.jpg");
    const QByteArray root = QFile::encodeName(nobody.path("in"));
    ASSERT_TRUE(writeFile(nobody.path("in/fine.jpg"), photo));
    ASSERT_TRUE(writeFile(nobody.path("in/locked/hidden.jpg"), photo));
    ASSERT_EQ(::chmod(QFile::encodeName(nobody.path("in/locked")).constData(), 0700), 0);
    ASSERT_TRUE(writeFile(nobody.path("in/notes.txt"), "text"));
    ASSERT_EQ(::symlink("notes.txt", (root + "/notes.jpg").constData()), 0);
    const QByteArray latin1 = root + "/caf\xe9.jpg";
    const QByteArray sibling = root + "/caf\xe8.jpg";
    const QByteArray direct = QFile::encodeName(nobody.path("direct")) + "-\xff.jpg";
    ASSERT_TRUE(writeNative(latin1, jpegOfSize(40, 30)));
    ASSERT_TRUE(writeNative(sibling, jpegOfSize(24, 16)));
    ASSERT_TRUE(writeNative(direct, photo));
    ASSERT_EQ(::chmod(root.constData(), 0755), 0);
    ASSERT_TRUE(QDir().mkpath(nobody.path("out")));
    ASSERT_EQ(::chmod(QFile::encodeName(nobody.path("out")).constData(), 0777), 0);

    // The directly named file's argument carries its raw bytes, which the shell's printf makes.
    const ProcessResult run = nobody.run(
        { nobody.path("out"), nobody.path("in"), nobody.path("direct") + QStringLiteral("-\\377.jpg") }, {},
        { "sh", "-c", "exec \"$0\" --json -r -o \"$1\" \"$2\" \"$(printf \"$3\")\"" });
    EXPECT_EQ(run.exitCode, 1);
    QHash<QByteArray, QJsonObject> bySource;
    for (const QJsonObject& line : jsonLines(run.standardOutput))
        bySource.insert(line.contains("source_hex")
                ? QByteArray::fromHex(line.value("source_hex").toString().toLatin1())
                : line.value("source").toString().toUtf8(),
            line);
    const auto reasonOf
        = [&](const QString& source) { return bySource.value(source.toUtf8()).value("reason").toString(); };
    EXPECT_EQ(bySource.value(QFile::encodeName(nobody.path("in/fine.jpg"))).value("status").toString(),
        QStringLiteral("written"));
    EXPECT_TRUE(reasonOf(nobody.path("in/locked"))
                    .startsWith(QLatin1String("could not be listed: Permission denied")));
    EXPECT_EQ(reasonOf(nobody.path("in/notes.jpg")),
        QStringLiteral("a link to %1, which has no image extension").arg(nobody.path("in/notes.txt")));
    const QByteArray out = QFile::encodeName(nobody.path("out"));
    for (const auto& [source, output] : { std::pair { latin1, out + "/caf\xe9.jpg" },
             std::pair { sibling, out + "/caf\xe8.jpg" }, std::pair { direct, out + "/direct-\xff.jpg" } }) {
        SCOPED_TRACE(source.toHex().constData());
        const QJsonObject converted = bySource.value(source);
        EXPECT_EQ(converted.value("status").toString(), QStringLiteral("written"));
        EXPECT_EQ(converted.value("source").toString(), QString::fromUtf8(source));
        EXPECT_EQ(QByteArray::fromHex(converted.value("output_hex").toString().toLatin1()), output);
        EXPECT_EQ(converted.value("output").toString(), QString::fromUtf8(output));
    }
    EXPECT_EQ(bySource.size(), 6);
    EXPECT_EQ(picturesIn(out),
        (QMap<QByteArray, QSize> { { "caf\xe9.jpg", QSize(40, 30) }, { "caf\xe8.jpg", QSize(24, 16) },
            { "direct-\xff.jpg", QSize(640, 480) }, { "fine.jpg", QSize(640, 480) } }));
}

// A folder received from someone else may hold links into the receiver's private files: a walk (one
// level or -r) skips a link that leads out of the folder, also through a chain of links, and says so;
// -r follows no link to a folder, in or out; a link to a file inside is copied and named after the link;
// a link named on the command line, to a file or a folder, is followed and its copy named after it,
// never after its target.
class LinkScope : public ::testing::TestWithParam<bool>
{
};

TEST_P(LinkScope, LinksOutOfAWalkedFolderAreSkippedAndCopiesAreNamedAfterTheLink)
{
    const bool recursive = GetParam();
    QTemporaryDir work;
    ASSERT_TRUE(writeFile(work.filePath("share/a.jpg"), jpegOfSize(32, 32)));
    ASSERT_TRUE(writeFile(work.filePath("share/sub/real.jpg"), jpegOfSize(24, 16)));
    ASSERT_TRUE(writeFile(work.filePath("private/passport_scan.jpg"), jpegOfSize(90, 60)));
    ASSERT_TRUE(writeFile(work.filePath("private/deeper/secret.jpg"), jpegOfSize(20, 20)));
    const auto link = [&](const char* target, const char* at) {
        return ::symlink(target, QFile::encodeName(work.filePath(QLatin1String(at))).constData()) == 0;
    };
    ASSERT_TRUE(link(
        QFile::encodeName(work.filePath("private/passport_scan.jpg")).constData(), "share/IMG_0002.jpg"));
    ASSERT_TRUE(link("sub/real.jpg", "share/inside.jpg"));
    ASSERT_TRUE(link("next.jpg", "share/chain.jpg"));
    ASSERT_TRUE(link("../private/passport_scan.jpg", "share/next.jpg"));
    ASSERT_TRUE(link("../private", "share/home"));
    ASSERT_TRUE(link("/", "share/root"));
    ASSERT_TRUE(link("private", "private-link"));

    QStringList arguments { "--json", "-o", work.filePath("out"), work.filePath("share") };
    if (recursive)
        arguments.prepend(QStringLiteral("-r"));
    const ProcessResult walk = runCli(arguments, configIn(work));
    EXPECT_EQ(walk.exitCode, 1) << walk.standardError.toStdString();
    QStringList outputs = listed(work.filePath("out"));
    ASSERT_EQ(outputs.size(), 2) << outputs.join(u' ').toStdString();
    EXPECT_EQ(outputs.first(), QStringLiteral("a.jpg"));
    // One level deep, sub/real.jpg is reached only through the link; -r may reach it by its own name first.
    EXPECT_TRUE(recursive ? (QStringList { "inside.jpg", "real.jpg" }).contains(outputs.last())
                          : outputs.last() == QLatin1String("inside.jpg"))
        << outputs.last().toStdString();
    EXPECT_EQ(decodeWithQt(work.filePath("out/") + outputs.last()).size(), QSize(24, 16));
    QStringList skipped;
    for (const QJsonObject& line : jsonLines(walk.standardOutput)) {
        if (line.value("status").toString() != QLatin1String("skipped"))
            continue;
        const QString name = QFileInfo(line.value("source").toString()).fileName();
        skipped << name;
        if (name == QLatin1String("home") || name == QLatin1String("root")) {
            EXPECT_TRUE(
                line.value("reason").toString().startsWith(QLatin1String("a link to a folder, not followed")))
                << line.value("reason").toString().toStdString();
        } else {
            EXPECT_EQ(line.value("reason").toString(), QStringLiteral("a link to a file outside the folder"));
        }
    }
    skipped.sort();
    // One level deep, no folder is entered: a link to one is passed over like the folders themselves.
    EXPECT_EQ(skipped,
        recursive ? (QStringList { "IMG_0002.jpg", "chain.jpg", "home", "next.jpg", "root" })
                  : (QStringList { "IMG_0002.jpg", "chain.jpg", "next.jpg" }));

    // Named by the user, links to a file and to a folder are followed; a copy takes the link's name.
    const QString named = work.filePath("named");
    const ProcessResult followed
        = runCli({ "-r", "-o", named, work.filePath("share/IMG_0002.jpg"), work.filePath("private-link") },
            configIn(work));
    EXPECT_EQ(followed.exitCode, 0) << followed.standardError.toStdString();
    // The passport scan is the file the first link names: converted once, under the link's name.
    EXPECT_EQ(listed(named), (QStringList { "IMG_0002.jpg", "secret.jpg" }));
    EXPECT_EQ(decodeWithQt(named + "/IMG_0002.jpg").size(), QSize(90, 60));
    EXPECT_EQ(decodeWithQt(named + "/secret.jpg").size(), QSize(20, 20));
}

INSTANTIATE_TEST_SUITE_P(OneLevelAndRecursive, LinkScope, ::testing::Bool());

// a.jpg, ./a.jpg, dir//a.jpg and the absolute path are one file, converted once.
TEST(Inputs, OneFileNamedInSeveralWaysIsConvertedOnce)
{
    QTemporaryDir work;
    ASSERT_TRUE(
        writeFile(work.filePath("dir/a.jpg"), fileBytes(dirtyCorpusDir() + "/jpeg/orient/orient_1.jpg")));
    ASSERT_EQ(::symlink("a.jpg", QFile::encodeName(work.filePath("dir/link.jpg")).constData()), 0);
    QProcess cli;
    cli.setWorkingDirectory(work.filePath("dir"));
    startCli(cli,
        { "-o", work.filePath("out"), "a.jpg", "./a.jpg", work.path() + "/dir//a.jpg",
            work.filePath("dir/a.jpg"), "link.jpg", "." },
        configIn(work));
    ASSERT_TRUE(cli.waitForFinished(120000));
    EXPECT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
    EXPECT_EQ(listed(work.filePath("out")), QStringList { "a.jpg" });
}

// A name cannot forge a line of the report or send escape sequences to the terminal.
TEST(Inputs, ControlCharactersInNamesAreShownEscaped)
{
    QTemporaryDir work;
    const QString forged = work.filePath(QStringLiteral("x.jpg: ok\nmorvane-cli: skipped \x1b[2Jy.jpg"));
    ASSERT_TRUE(writeFile(forged, "not an image"));
    const ProcessResult run = runCli({ "-o", work.filePath("out"), forged }, configIn(work));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_FALSE(run.standardError.contains(QChar(0x1b)));
    const QStringList lines = run.standardError.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2) << run.standardError.toStdString();
    EXPECT_EQ(lines.first(),
        QStringLiteral("morvane-cli: skipped %1: not a supported image")
            .arg(work.filePath(QStringLiteral("x.jpg: ok\\nmorvane-cli: skipped \\x1b[2Jy.jpg"))));
}
