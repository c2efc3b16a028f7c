// SPDX-License-Identifier: GPL-3.0-or-later
// morvane-cli as a user runs it: the real executable, real files, outputs judged by independent tools.
#include "settings/Settings.h"
#include "tests/cli/CliFixture.h"
#include "tests/common/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// Every file under \a dir with its bytes and modification time.
QMap<QString, std::pair<QByteArray, QDateTime>> snapshot(const QString& dir)
{
    QMap<QString, std::pair<QByteArray, QDateTime>> state;
    for (const QString& name : filesUnder(dir))
        state.insert(name, { fileBytes(dir + u'/' + name), QFileInfo(dir + u'/' + name).lastModified() });
    return state;
}

} // namespace

TEST(CommandLine, DirtySetComesOutCleanUprightAndLeavesTheSourcesAlone)
{
    QTemporaryDir work;
    const QString out = work.filePath(QStringLiteral("out/nested"));
    const auto before = snapshot(dirtyCorpusDir());

    const ProcessResult run = runCli({ "-r", "-o", out, dirtyCorpusDir() }, work.filePath("config"));
    // The corpus holds an empty file and hostile ones: each is skipped with its reason, the rest written.
    EXPECT_EQ(run.exitCode, 1) << run.standardError.toStdString();
    EXPECT_TRUE(run.standardError.contains(QLatin1String("empty.jpg: empty file")));
    for (const char* hostile :
        { "truncated.jpg", "heic_truncated.heic", "heic_reference_loop.heic", "heic_self_reference.heic",
            "heic_giant_size.heic", "webp_truncated.webp", "webp_giant_canvas.webp" }) {
        EXPECT_TRUE(
            run.standardError.contains(QLatin1String(hostile) + QLatin1String(": could not be decoded")))
            << hostile << "\n"
            << run.standardError.toStdString();
    }
    // Every other copy was read back before it got its name and held nothing personal.
    EXPECT_TRUE(
        run.standardError.contains(QLatin1String(" written, each checked: nothing personal; 8 skipped")))
        << run.standardError.toStdString();
    EXPECT_FALSE(run.standardError.contains(QLatin1String("the copy")));

    const ProcessResult clean = checkClean(out);
    EXPECT_EQ(clean.exitCode, 0) << clean.standardOutput.toStdString();
    EXPECT_EQ(snapshot(dirtyCorpusDir()), before);
    for (const QString& name : filesUnder(out))
        EXPECT_FALSE(name.startsWith(u'.')) << "left behind: " << name.toStdString();

    const QImage upright = decodeWithQt(dirtyReferenceDir() + QStringLiteral("/upright_640x480.png"));
    for (int orientation = 1; orientation <= 8; ++orientation) {
        SCOPED_TRACE(orientation);
        const QImage output = decodeWithQt(out + QStringLiteral("/orient_%1.jpg").arg(orientation));
        EXPECT_EQ(output.size(), upright.size());
        EXPECT_LT(meanAbsoluteDifference(output, upright), 6.0);
    }
    // HEIF, AVIF and WebP come out in their own format, upright with the file's own turns applied once
    // (a HEIF's EXIF orientation never turns it again; a WebP's does), as libheif's and libwebp's own
    // decoders see them.
    const struct
    {
        const char* output;
        QByteArrayView container; ///< bytes 4..11 of a HEIF file, 8..11 of a WebP
    } turned[] = {
        { "irot_1.heic", "ftypheic" },
        { "irot_2.heic", "ftypheic" },
        { "irot_3.heic", "ftypheic" },
        { "irot_4.heic", "ftypheic" },
        { "irot_5.heic", "ftypheic" },
        { "irot_6.heic", "ftypheic" },
        { "irot_7.heic", "ftypheic" },
        { "irot_8.heic", "ftypheic" },
        { "irot_6_exif_8.heic", "ftypheic" },
        { "05_exif_orient6_no_irot.heic", "ftypheic" },
        { "irot_6.avif", "ftypavif" },
        { "02_orient6.webp", "WEBP" },
    };
    for (const auto& t : turned) {
        SCOPED_TRACE(t.output);
        const QString file = out + u'/' + QLatin1String(t.output);
        const QByteArray bytes = fileBytes(file);
        EXPECT_EQ(bytes.mid(t.container.size() == 4 ? 8 : 4, t.container.size()), t.container);
        const QString png = work.filePath(QStringLiteral("reference.png"));
        QFile::remove(png);
        const ProcessResult decoded = file.endsWith(QLatin1String(".webp"))
            ? runProcess(
                QStringLiteral("dwebp"), { QStringLiteral("-quiet"), file, QStringLiteral("-o"), png })
            : runProcess(QStringLiteral("heif-convert"), { file, png });
        ASSERT_EQ(decoded.exitCode, 0) << decoded.standardError.toStdString();
        const QImage output = decodeWithQt(png);
        EXPECT_EQ(output.size(), upright.size());
        EXPECT_LT(meanAbsoluteDifference(output, upright), 8.0);
    }
    // A lossless WebP stays lossless; profiles and colour descriptions stay (exiftool's reading).
    EXPECT_TRUE(fileBytes(out + QStringLiteral("/03_lossless_alpha_exif.webp")).contains("VP8L"));
    for (const char* profiled : { "03_icc_adobergb.heic", "05_lossy_alpha_icc.webp" }) {
        const ProcessResult profile = runProcess(QStringLiteral("exiftool"),
            { QStringLiteral("-s3"), QStringLiteral("-ICC_Profile:ProfileDescription"),
                out + u'/' + QLatin1String(profiled) });
        EXPECT_FALSE(profile.standardOutput.trimmed().isEmpty()) << profiled;
    }
    // A HEIF copy keeps its coded data and with it the source's own colour description ('nclx').
    const auto colour = [](const QString& path) {
        return runProcess(QStringLiteral("exiftool"),
            { QStringLiteral("-s3"), QStringLiteral("-QuickTime:ColorPrimaries"),
                QStringLiteral("-QuickTime:TransferCharacteristics"), path })
            .standardOutput;
    };
    const QString nclx = colour(out + QStringLiteral("/07_nclx_display_p3.avif"));
    EXPECT_FALSE(nclx.trimmed().isEmpty());
    EXPECT_EQ(nclx, colour(dirtyCorpusDir() + QStringLiteral("/heif/07_nclx_display_p3.avif")));
    // Nothing the command line did went into the settings store.
    EXPECT_FALSE(QFileInfo::exists(work.filePath("config/Morvane/Morvane.ini")));
}

// With --format jpeg every file becomes a JPEG named after its source: clean, upright, with its profile,
// transparent areas over white; a JPEG keeps its name. The references come from libheif's and libwebp's
// own decoders, composed over white by Qt.
TEST(CommandLine, FormatJpegWritesEveryImageAsACleanUprightJpeg)
{
    QTemporaryDir work;
    const QString out = work.filePath(QStringLiteral("out"));
    const QString dirty = dirtyCorpusDir();
    const ProcessResult run
        = runCli({ "--format", "jpeg", "-o", out, dirty + "/heif/04_alpha_exif_xmp.heic",
                     dirty + "/heif/orient/irot_6_exif_8.heic", dirty + "/heif/03_icc_adobergb.heic",
                     dirty + "/webp/02_orient6.webp", dirty + "/webp/03_lossless_alpha_exif.webp",
                     dirty + "/jpeg/orient/orient_3.jpg" },
            work.filePath("config"));
    ASSERT_EQ(run.exitCode, 0) << run.standardError.toStdString();
    EXPECT_EQ(filesUnder(out),
        (QStringList { "02_orient6.jpg", "03_icc_adobergb.jpg", "03_lossless_alpha_exif.jpg",
            "04_alpha_exif_xmp.jpg", "irot_6_exif_8.jpg", "orient_3.jpg" }));
    const ProcessResult clean = checkClean(out);
    EXPECT_EQ(clean.exitCode, 0) << clean.standardOutput.toStdString();

    const struct
    {
        const char* source;
        const char* output;
        bool turnedAsStored; ///< the reference decoder gives the picture as stored, the EXIF tag turns it
    } cases[] = {
        { "heif/04_alpha_exif_xmp.heic", "04_alpha_exif_xmp.jpg", false },
        { "heif/orient/irot_6_exif_8.heic", "irot_6_exif_8.jpg", false },
        { "webp/02_orient6.webp", "02_orient6.jpg", true },
        { "webp/03_lossless_alpha_exif.webp", "03_lossless_alpha_exif.jpg", false },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.output);
        const QString source = dirty + u'/' + QLatin1String(c.source);
        const QString png = work.filePath(QStringLiteral("reference.png"));
        QFile::remove(png);
        const ProcessResult decoded = source.endsWith(QLatin1String(".webp"))
            ? runProcess(
                QStringLiteral("dwebp"), { QStringLiteral("-quiet"), source, QStringLiteral("-o"), png })
            : runProcess(QStringLiteral("heif-convert"), { source, png });
        ASSERT_EQ(decoded.exitCode, 0) << decoded.standardError.toStdString();
        QImage stored = decodeWithQt(png).convertToFormat(QImage::Format_ARGB32_Premultiplied);
        if (c.turnedAsStored)
            stored = stored.transformed(QTransform().rotate(90));
        QImage expected(stored.size(), QImage::Format_RGB32);
        expected.fill(Qt::white);
        {
            QPainter painter(&expected);
            painter.drawImage(0, 0, stored);
        }
        const QString output = out + u'/' + QLatin1String(c.output);
        EXPECT_TRUE(fileBytes(output).startsWith("\xFF\xD8\xFF"));
        const QImage written = decodeWithQt(output).convertToFormat(QImage::Format_RGB32);
        EXPECT_EQ(written.size(), expected.size());
        EXPECT_LT(meanAbsoluteDifference(written, expected), 6.0);
    }
    const ProcessResult profile = runProcess(QStringLiteral("exiftool"),
        { QStringLiteral("-s3"), QStringLiteral("-ICC_Profile:ProfileDescription"),
            out + "/03_icc_adobergb.jpg" });
    EXPECT_FALSE(profile.standardOutput.trimmed().isEmpty());
}

// The exit status of every way a run can end, what a refused option says, and the help, which states
// every default and names the program by its name though started by its full path.
TEST(CommandLine, ExitStatusSaysWhetherEverythingWasWrittenAndHelpStatesEveryDefault)
{
    QTemporaryDir work;
    const QString config = work.filePath("config");
    const QString photo = dirtyCorpusDir() + QStringLiteral("/jpeg/orient/orient_3.jpg");
    ASSERT_TRUE(writeFile(work.filePath("plain"), {}));

    const struct
    {
        QStringList arguments;
        int exitCode;
        const char* said = ""; ///< on standard error
    } cases[] = {
        { { "-o", work.filePath("a"), photo }, 0 },
        { { "-o", work.filePath("b"), photo, work.filePath("missing.jpg") }, 1 },
        { { "-o", work.filePath("c"), photo, work.filePath("plain") }, 1 },
        { { photo }, 2 },
        { { "-o", work.filePath("d") }, 2 },
        { { "-q", "150", "-o", work.filePath("e"), photo }, 2 },
        { { "-j", "0", "-o", work.filePath("f"), photo }, 2 },
        { { "--bogus", "-o", work.filePath("g"), photo }, 2 },
        { { "--format", "png", "-o", work.filePath("i"), photo }, 2 },
        { { "--format", "jpeg", "-o", work.filePath("j"), photo }, 0 },
        { { "--names", "counted", "-o", work.filePath("k"), photo }, 2 },
        { { "--names", "numbered", "-o", work.filePath("l"), photo }, 0 },
        { { "-o", work.filePath("plain"), photo }, 2 },
        { { "--fix-orientation", "--no-fix-orientation", "-o", work.filePath("h"), photo }, 2 },
        { { "--lossless", "--no-lossless", "-o", work.filePath("m"), photo }, 2,
            "--lossless and --no-lossless exclude each other" },
        // Inspecting writes nothing: it takes no output folder.
        { { "--inspect", "-o", work.filePath("n"), photo }, 2 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.join(u' ').toStdString());
        const ProcessResult run = runCli(c.arguments, config);
        EXPECT_EQ(run.exitCode, c.exitCode) << run.standardError.toStdString();
        EXPECT_TRUE(run.standardError.contains(QLatin1String(c.said))) << run.standardError.toStdString();
    }
    EXPECT_TRUE(QFileInfo(work.filePath("plain")).isFile());
    EXPECT_FALSE(QFileInfo::exists(work.filePath("n"))) << "inspecting made a folder";
    EXPECT_EQ(runCli({ "--version" }, config).exitCode, 0);

    const ProcessResult help = runCli({ "--help" }, config);
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.standardOutput.startsWith(QLatin1String("Usage: morvane-cli [options] PATH...")))
        << help.standardOutput.toStdString();
    const struct
    {
        const char* option;
        const char* statedDefault;
    } defaults[] = {
        { "--quality <N>", "(default: 70)" },
        { "--fix-orientation", "(default: on)" },
        { "--lossless", "(default: off)" },
        { "--format <same|jpeg>", "(default: same)" },
        { "--names <source|numbered>", "(default: source)" },
    };
    // QCommandLineParser wraps descriptions: compare the option's entry with its lines joined.
    const QString text = help.standardOutput.simplified();
    for (const auto& d : defaults) {
        SCOPED_TRACE(d.option);
        const qsizetype at = text.indexOf(QLatin1String(d.option));
        ASSERT_GE(at, 0) << help.standardOutput.toStdString();
        const qsizetype next = text.indexOf(QLatin1String(" -"), at + qsizetype(qstrlen(d.option)));
        EXPECT_TRUE(text.mid(at, next - at).contains(QLatin1String(d.statedDefault)))
            << text.mid(at, next - at).toStdString();
    }
}

TEST(CommandLine, JsonListsEveryInputOnItsOwnLine)
{
    QTemporaryDir work;
    const QStringList inputs = { dirtyCorpusDir() + QStringLiteral("/jpeg/02_xmp.jpg"),
        dirtyCorpusDir() + QStringLiteral("/misc/truncated.jpg"), work.filePath(QStringLiteral("gone.png")) };
    const ProcessResult run
        = runCli(QStringList { "--json", "-o", work.filePath("out") } + inputs, work.filePath("c"));
    EXPECT_EQ(run.exitCode, 1);
    QSet<QString> seen;
    for (const QString& line : run.standardOutput.split(u'\n', Qt::SkipEmptyParts)) {
        QJsonParseError error;
        const QJsonObject object = QJsonDocument::fromJson(line.toUtf8(), &error).object();
        ASSERT_EQ(error.error, QJsonParseError::NoError) << line.toStdString();
        const QString source = object.value("source").toString();
        seen.insert(source);
        const bool written = object.value("status").toString() == QLatin1String("written");
        EXPECT_EQ(written, source.endsWith(QLatin1String("02_xmp.jpg"))) << line.toStdString();
        EXPECT_EQ(object.value("output").isNull(), !written);
        EXPECT_EQ(object.value("reason").isNull(), written);
        EXPECT_EQ(object.value("checked"), QJsonValue(written)) << line.toStdString();
        if (written) {
            EXPECT_TRUE(QFileInfo(object.value("output").toString()).isFile());
        }
    }
    EXPECT_EQ(seen, QSet<QString>(inputs.begin(), inputs.end()));
}

TEST(CommandLine, ParallelRunNamesAndWritesExactlyAsASequentialOne)
{
    QTemporaryDir work;
    const QString photos = work.filePath("in");
    // Same names from several folders, with an undecodable one among them that must take no name.
    const QStringList folders = { "a", "b", "c", "d" };
    for (const QString& folder : folders) {
        const QString turned
            = QStringLiteral("/jpeg/orient/orient_%1.jpg").arg(folder.at(0).unicode() - 'a' + 5);
        ASSERT_TRUE(writeFile(photos + "/" + folder + "/photo.jpg", fileBytes(dirtyCorpusDir() + turned)));
        ASSERT_TRUE(writeFile(
            photos + "/" + folder + "/scan.png", fileBytes(dirtyCorpusDir() + "/png/05_phys_300dpi.png")));
    }
    ASSERT_TRUE(
        writeFile(photos + "/a/0broken/photo.jpg", fileBytes(dirtyCorpusDir() + "/misc/truncated.jpg")));
    const QStringList inputs
        = { photos + "/a/0broken/photo.jpg", photos + "/a", photos + "/b", photos + "/c", photos + "/d" };

    QMap<QString, QByteArray> results[2];
    for (const int jobs : { 1, 2 }) {
        const QString out = work.filePath(QStringLiteral("out%1").arg(jobs));
        const ProcessResult run = runCli(
            QStringList { "-j", QString::number(jobs), "-o", out } + inputs, work.filePath("config"));
        EXPECT_EQ(run.exitCode, 1) << run.standardError.toStdString();
        for (const QString& name : filesUnder(out))
            results[jobs - 1].insert(name, fileBytes(out + "/" + name));
    }
    EXPECT_EQ(results[0].keys(),
        (QStringList { "photo (1).jpg", "photo (2).jpg", "photo (3).jpg", "photo.jpg", "scan (1).png",
            "scan (2).png", "scan (3).png", "scan.png" }));
    EXPECT_TRUE(results[0] == results[1]);
}

TEST(CommandLine, KeptFoldersAreMadeBelowTheOutputLevelByLevelAndNeverThroughALink)
{
    QTemporaryDir work;
    const QString photos = work.filePath("in");
    const QByteArray photo = fileBytes(dirtyCorpusDir() + "/jpeg/orient/orient_6.jpg");
    for (const char* name :
        { "a/photo.jpg", "a/deep/photo.jpg", "b/photo.jpg", "c/photo.jpg", "d/photo.jpg", "top.jpg" })
        ASSERT_TRUE(writeFile(photos + "/" + QLatin1String(name), photo));
    ASSERT_TRUE(
        writeFile(photos + "/a/broken/photo.jpg", fileBytes(dirtyCorpusDir() + "/misc/truncated.jpg")));
    // In the output folder already: a link where c would go, a file where d would.
    const QString out = work.filePath("out");
    const QString elsewhere = work.filePath("elsewhere");
    ASSERT_TRUE(QDir().mkpath(elsewhere));
    ASSERT_TRUE(QDir().mkpath(out));
    ASSERT_TRUE(QFile::link(elsewhere, out + "/c"));
    ASSERT_TRUE(writeFile(out + "/d", "not a folder"));

    const ProcessResult run
        = runCli({ "--json", "-r", "--keep-folders", "-j", "2", "-o", out, photos }, work.filePath("config"));
    EXPECT_EQ(run.exitCode, 1) << run.standardError.toStdString();
    EXPECT_EQ(
        filesUnder(out), (QStringList { "a/deep/photo.jpg", "a/photo.jpg", "b/photo.jpg", "d", "top.jpg" }));
    EXPECT_TRUE(filesUnder(elsewhere).isEmpty());
    EXPECT_EQ(fileBytes(out + "/d"), QByteArray("not a folder"));
    EXPECT_FALSE(QFileInfo::exists(out + "/a/broken")) << "no folder for a file that was not written";
    QHash<QString, QJsonObject> outcomes; // by the source's folder: every source is a photo.jpg
    for (const QString& line : run.standardOutput.split(u'\n', Qt::SkipEmptyParts)) {
        const QJsonObject object = QJsonDocument::fromJson(line.toUtf8()).object();
        outcomes.insert(QFileInfo(QFileInfo(object.value("source").toString()).path()).fileName(), object);
    }
    for (const char* blocked : { "c", "d" }) {
        const QJsonObject outcome = outcomes.value(QLatin1String(blocked));
        EXPECT_EQ(outcome.value("status").toString(), QStringLiteral("skipped")) << blocked;
        EXPECT_EQ(outcome.value("reason").toString(),
            QStringLiteral("could not be written: %1 in the output folder is a link or a file, not a folder")
                .arg(QLatin1String(blocked)));
    }

    // Without -r only the top of a named folder is taken: every copy lands at the top, as without the option.
    const QString flat = work.filePath("flat");
    EXPECT_EQ(runCli({ "--keep-folders", "-o", flat, photos }, work.filePath("config")).exitCode, 0);
    EXPECT_EQ(filesUnder(flat), (QStringList { "top.jpg" }));
}

TEST(CommandLine, DefaultsAreItsOwnWhateverTheWindowStoredAndOptionsNeverReachTheStore)
{
    QTemporaryDir work;
    const QString config = work.filePath("config");
    {
        // Every choice the window can store, set away from the command line's defaults.
        QSettings store(config + "/Morvane/Morvane.ini", QSettings::IniFormat);
        store.setValue(Settings::kImageQuality, 20.0);
        store.setValue(Settings::kKeepJpegQuality, true);
        store.setValue(Settings::kFixOrientation, false);
        store.setValue(Settings::kOutputFormat, QStringLiteral("jpeg"));
        store.sync();
    }
    const QByteArray storedBefore = fileBytes(config + "/Morvane/Morvane.ini");
    // Quality 92 and turned by their orientation tags: a kept JPEG would still say 92.
    const QString photo = dirtyCorpusDir() + QStringLiteral("/jpeg/orient/orient_6.jpg");
    const QString png = dirtyCorpusDir() + QStringLiteral("/png/03_exif_orient6.png");
    ASSERT_EQ(estimatedJpegQuality(photo), 92);

    const ProcessResult plain = runCli({ "-o", work.filePath("plain"), photo, png }, config);
    ASSERT_EQ(plain.exitCode, 0) << plain.standardError.toStdString();
    const ProcessResult once
        = runCli({ "-q", "30", "--no-fix-orientation", "-o", work.filePath("once"), photo }, config);
    ASSERT_EQ(once.exitCode, 0) << once.standardError.toStdString();

    EXPECT_EQ(filesUnder(work.filePath("plain")), (QStringList { "03_exif_orient6.png", "orient_6.jpg" }));
    EXPECT_EQ(estimatedJpegQuality(work.filePath("plain/orient_6.jpg")), 70);
    EXPECT_EQ(QImageReader(work.filePath("plain/orient_6.jpg")).size(), QSize(640, 480));
    EXPECT_TRUE(fileBytes(work.filePath("plain/03_exif_orient6.png")).startsWith("\x89PNG\r\n\x1a\n"));
    EXPECT_EQ(QImageReader(work.filePath("plain/03_exif_orient6.png")).size(), QSize(640, 480));
    EXPECT_EQ(estimatedJpegQuality(work.filePath("once/orient_6.jpg")), 30);
    EXPECT_EQ(QImageReader(work.filePath("once/orient_6.jpg")).size(), QSize(480, 640));

    EXPECT_EQ(fileBytes(config + "/Morvane/Morvane.ini"), storedBefore);
}

TEST(CommandLine, NumberedNamesGoOnAcrossRunsAndNeverReplaceAFile)
{
    QTemporaryDir work;
    const QString in = work.filePath("in");
    const QString out = work.filePath("out");
    // Names that say who is in the picture: none of it may reach an output's name.
    ASSERT_TRUE(
        writeFile(in + "/Anna at home.jpg", fileBytes(dirtyCorpusDir() + "/jpeg/orient/orient_6.jpg")));
    ASSERT_TRUE(writeFile(in + "/Anna.png", fileBytes(dirtyCorpusDir() + "/png/05_phys_300dpi.png")));
    ASSERT_TRUE(writeFile(in + "/Ben.jpg", fileBytes(dirtyCorpusDir() + "/jpeg/02_xmp.jpg")));
    // A file already in the folder holds its number, whatever its extension.
    ASSERT_TRUE(writeFile(out + "/photo-0002.txt", "kept"));

    const auto outputsOf = [](const ProcessResult& run) {
        QStringList outputs;
        for (const QString& line : run.standardOutput.split(u'\n', Qt::SkipEmptyParts))
            outputs << QFileInfo(QJsonDocument::fromJson(line.toUtf8()).object().value("output").toString())
                           .fileName();
        return outputs;
    };
    const ProcessResult first
        = runCli({ "--names", "numbered", "--json", "-o", out, in + "/Anna at home.jpg", in + "/Anna.png" },
            work.filePath("config"));
    ASSERT_EQ(first.exitCode, 0) << first.standardError.toStdString();
    EXPECT_EQ(outputsOf(first), (QStringList { "photo-0003.jpg", "photo-0004.png" }));
    const QMap<QString, QByteArray> afterFirst = [&] {
        QMap<QString, QByteArray> files;
        for (const QString& name : filesUnder(out))
            files.insert(name, fileBytes(out + u'/' + name));
        return files;
    }();

    // Two workers, and a source named like an earlier output: the run goes on from the highest number.
    ASSERT_TRUE(writeFile(in + "/photo-0003.jpg", fileBytes(dirtyCorpusDir() + "/jpeg/02_xmp.jpg")));
    const ProcessResult second = runCli({ "--names", "numbered", "--json", "-j", "2", "-o", out,
                                            in + "/Ben.jpg", in + "/Anna.png", in + "/photo-0003.jpg" },
        work.filePath("config"));
    ASSERT_EQ(second.exitCode, 0) << second.standardError.toStdString();
    EXPECT_EQ(outputsOf(second), (QStringList { "photo-0005.jpg", "photo-0006.png", "photo-0007.jpg" }));

    EXPECT_EQ(filesUnder(out),
        (QStringList { "photo-0002.txt", "photo-0003.jpg", "photo-0004.png", "photo-0005.jpg",
            "photo-0006.png", "photo-0007.jpg" }));
    for (auto it = afterFirst.begin(); it != afterFirst.end(); ++it)
        EXPECT_TRUE(fileBytes(out + u'/' + it.key()) == it.value()) << "replaced: " << it.key().toStdString();
    // Each is the image its extension names, decoded by other programs than ours.
    for (const QString& name : filesUnder(out)) {
        if (name.endsWith(QLatin1String(".txt")))
            continue;
        SCOPED_TRACE(name.toStdString());
        const ProcessResult type = runProcess(QStringLiteral("identify"),
            { QStringLiteral("-format"), QStringLiteral("%m"), out + u'/' + name });
        EXPECT_EQ(type.standardOutput.trimmed(), name.endsWith(QLatin1String(".png")) ? "PNG" : "JPEG");
    }
    const ProcessResult clean = checkClean(out);
    EXPECT_EQ(clean.exitCode, 0) << clean.standardOutput.toStdString();
}
