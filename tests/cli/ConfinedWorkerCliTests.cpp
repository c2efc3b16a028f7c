// SPDX-License-Identifier: GPL-3.0-or-later
// The real command line with a compromised JPEG decoder preloaded into its workers
// (tests/worker/HostileDecoder.cpp): what the decoder tries from inside a worker reaches nothing outside
// it, and a decoder that crashes, aborts, hangs or allocates without end costs its own file only. Judged
// from outside: the decoder's own account on standard error, the folders, the listening sockets, the
// exit status, the JSON report and the independent metadata checker.
#include "tests/cli/CliFixture.h"
#include "tests/common/TestSupport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
#define MORVANE_TEST_ASAN 1
#endif

namespace {

/// A JPEG of the dirty set with a comment segment that asks the compromised decoder for \a action.
QByteArray jpegAsking(const QString& corpusFile, const QByteArray& action)
{
    QByteArray jpeg = fileBytes(dirtyCorpusDir() + u'/' + corpusFile);
    const QByteArray text = "MORVANE-HOSTILE:" + action;
    const auto length = quint16(text.size() + 2);
    const QByteArray segment = QByteArray("\xFF\xFE", 2) + char(length >> 8) + char(length & 0xFF) + text;
    return jpeg.isEmpty() ? QByteArray() : jpeg.insert(2, segment);
}

/// A socket that listens and is never answered: whatever connects stays queued, for connected() to see.
class Listener
{
public:
    /// On the unix socket at \a path.
    explicit Listener(const QString& path)
        : m_fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0))
    {
        sockaddr_un address {};
        address.sun_family = AF_UNIX;
        const QByteArray name = QFile::encodeName(path);
        if (std::size_t(name.size()) >= sizeof address.sun_path)
            return;
        std::memcpy(address.sun_path, name.constData(), std::size_t(name.size()));
        m_listening = m_fd >= 0 && ::bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0
            && ::listen(m_fd, 8) == 0;
    }
    /// On a free TCP port of 127.0.0.1.
    Listener()
        : m_fd(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0))
    {
        sockaddr_in address {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        m_listening = m_fd >= 0 && ::bind(m_fd, reinterpret_cast<sockaddr*>(&address), length) == 0
            && ::listen(m_fd, 8) == 0
            && ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&address), &length) == 0;
        m_port = ntohs(address.sin_port);
    }
    ~Listener()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Listener(const Listener&) = delete;
    Listener& operator=(const Listener&) = delete;

    [[nodiscard]] bool listening() const { return m_listening; }
    [[nodiscard]] int port() const { return m_port; }
    /// True when a connection is waiting (it is taken and closed).
    [[nodiscard]] bool connected() const
    {
        const int accepted = ::accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC);
        if (accepted < 0)
            return errno != EAGAIN; // EWOULDBLOCK is the same here
        ::close(accepted);
        return true;
    }

private:
    int m_fd;
    bool m_listening = false;
    int m_port = 0;
};

/// The compromised decoder's lines on \a standardError, without their "hostile: ".
QStringList hostileLines(const QString& standardError)
{
    QStringList lines;
    for (const QString& line : standardError.split(u'\n')) {
        if (line.startsWith(QLatin1String("hostile: ")))
            lines << line.mid(9);
    }
    return lines;
}

} // namespace

TEST(CompromisedDecoder, ReachesNothingFromItsWorkerAndItsFailuresCostOnlyTheirOwnFiles)
{
    QTemporaryDir work;
    const QString in = work.filePath("in");
    const QString out = work.filePath("out");
    // What the decoder is after: a file in the user's home folder and the system's accounts.
    const QString secret = work.filePath("home/secret.txt");
    const QByteArray secretText
        = "the test user's secret " + QByteArray::number(QRandomGenerator::global()->generate64(), 16);
    ASSERT_TRUE(writeFile(secret, secretText));
    const QByteArray passwd = fileBytes(QStringLiteral("/etc/passwd")).split('\n').value(0);
    ASSERT_FALSE(passwd.isEmpty());
    Listener local(work.filePath("listening.sock"));
    Listener tcp;
    ASSERT_TRUE(local.listening() && tcp.listening());

    // Each file asks the decoder for one thing; photo.jpg and drawing.png ask nothing. The failing ones
    // are photos to be turned upright, whose memory estimate reads no header through libjpeg: their
    // decoder fails in the conversion. Small files go to a worker several at a time, so each failure
    // also shows that it costs only its own file when it happens among others.
    const std::pair<const char*, QByteArray> sources[] = {
        { "photo.jpg", fileBytes(dirtyCorpusDir() + "/jpeg/01_exif_gps_makernote_thumb.jpg") },
        { "attempts.jpg", jpegAsking("jpeg/13_kitchen_sink.jpg", "attempts") },
        { "crash.jpg", jpegAsking("jpeg/orient/orient_6.jpg", "crash") },
        { "abort.jpg", jpegAsking("jpeg/orient/orient_6.jpg", "abort") },
        { "hang.jpg", jpegAsking("jpeg/orient/orient_6.jpg", "hang") },
#ifndef MORVANE_TEST_ASAN
        // Beside AddressSanitizer's shadow memory a worker has no address-space limit to run into.
        { "memory.jpg", jpegAsking("jpeg/orient/orient_6.jpg", "memory") },
#endif
        { "drawing.png", fileBytes(dirtyCorpusDir() + "/png/01_text_chunks.png") },
    };
    QStringList sourceNames;
    for (const auto& [name, bytes] : sources) {
        ASSERT_FALSE(bytes.isEmpty()) << name;
        ASSERT_TRUE(writeFile(in + u'/' + QLatin1String(name), bytes));
        sourceNames << QString::fromLatin1(name);
    }
    sourceNames.sort();

    // MORVANE_DEBUG leaves the command line's standard error, which its workers inherit, on the test's
    // pipe. The memory budget of 256 MB gives the workers the smallest address-space limit there is.
    QElapsedTimer clock;
    clock.start();
    const ProcessResult run
        = runCli({ "--json", "-j", "2", "--time-limit", "2", "--memory-limit", "256", "-o", out, in },
            work.filePath("config"),
            { "LD_PRELOAD=" MORVANE_HOSTILE_PRELOAD, "MORVANE_DEBUG=1", "MORVANE_HOSTILE_SECRET=" + secret,
                "MORVANE_HOSTILE_DIR=" + in, "MORVANE_HOSTILE_UNIX=" + work.filePath("listening.sock"),
                "MORVANE_HOSTILE_PORT=" + QString::number(tcp.port()) });
    const qint64 elapsed = clock.elapsed();

    // Not signalled: the usual status of a run that skipped files, not that of one stopped.
    EXPECT_EQ(run.exitCode, 1) << run.standardError.toStdString();
    EXPECT_FALSE(run.standardError.contains(QLatin1String("interrupted")));

    // Every attempt was made, and refused.
    const QStringList told = hostileLines(run.standardError);
    const QString attempts[] = { "open /etc/passwd", "open " + secret, "create " + in + "/planted-by-decoder",
        "connect to unix socket " + work.filePath("listening.sock"),
        "connect to 127.0.0.1:" + QString::number(tcp.port()), "execve /bin/sh", "kill ",
        "write to descriptor" };
    QStringList missing;
    for (const QString& attempt : attempts) {
        if (std::none_of(
                told.begin(), told.end(), [&](const QString& line) { return line.startsWith(attempt); }))
            missing << attempt;
    }
    EXPECT_TRUE(missing.isEmpty()) << "not attempted: " << missing.join(QStringLiteral(", ")).toStdString()
                                   << "\n"
                                   << run.standardError.toStdString();
    for (const QString& line : told) {
        if (!line.startsWith(QLatin1String("left alone: "))) {
            EXPECT_TRUE(line.contains(QLatin1String(": refused: "))) << line.toStdString();
        }
    }
    EXPECT_FALSE(run.standardError.contains(QLatin1String("SUCCEEDED"))) << run.standardError.toStdString();
    // Nothing arrived, nothing was planted beside the sources, no source was changed.
    EXPECT_FALSE(local.connected());
    EXPECT_FALSE(tcp.connected());
    EXPECT_EQ(filesUnder(in), sourceNames);
    for (const auto& [name, bytes] : sources)
        EXPECT_EQ(fileBytes(in + u'/' + QLatin1String(name)), bytes) << name;

    // The failing decoders cost their own files, with the reason; the others are written.
    const QHash<QString, QJsonObject> outcomes = jsonBySource(run.standardOutput);
    EXPECT_EQ(outcomes.size(), sourceNames.size()) << run.standardOutput.toStdString();
    // A decoder out of memory is told by the engine when its allocation fails inside a conversion, by
    // the worker when the failure escapes it.
    const std::pair<const char*, QStringList> skipped[] = { { "crash.jpg",
                                                                { "the decoder crashed (SIGSEGV)" } },
        { "abort.jpg", { "the decoder stopped (SIGABRT)" } }, { "hang.jpg", { "took longer than 2 s" } },
        { "memory.jpg", { "not enough memory", "needed more memory than the limit allows" } } };
    for (const auto& [name, reasons] : skipped) {
        if (!sourceNames.contains(QLatin1String(name)))
            continue;
        const QJsonObject outcome = outcomes.value(QLatin1String(name));
        EXPECT_EQ(outcome.value("status").toString(), QStringLiteral("skipped")) << name;
        EXPECT_TRUE(reasons.contains(outcome.value("reason").toString()))
            << name << ": " << outcome.value("reason").toString().toStdString();
    }
    const QStringList written { "attempts.jpg", "drawing.png", "photo.jpg" };
    for (const QString& name : written)
        EXPECT_EQ(outcomes.value(name).value("status").toString(), QStringLiteral("written"))
            << qPrintable(name);
    // No part of a copy, named or hidden, is left behind; what was written is clean.
    EXPECT_EQ(filesUnder(out), written);
    const ProcessResult clean = checkClean(out);
    EXPECT_EQ(clean.exitCode, 0) << clean.standardOutput.toStdString() << clean.standardError.toStdString();

    // What the decoder was after is nowhere in what the run gave out.
    QList<QByteArray> given { run.standardOutput.toUtf8(), run.standardError.toUtf8() };
    for (const QString& name : filesUnder(out))
        given << fileBytes(out + u'/' + name);
    for (const QByteArray& bytes : given) {
        EXPECT_FALSE(bytes.contains(secretText));
        EXPECT_FALSE(bytes.contains(passwd));
    }

    // The hung decoder was stopped at the time limit, not at the default's two minutes. A loose bound: the
    // run takes 2.5 s here and 4 s in a sanitizer build, and two shared cores may be busy with more.
    EXPECT_LT(elapsed, 30000);
}

TEST(CompromisedDecoder, VersionNamesTheConfinementTheDecodersRunIn)
{
    QTemporaryDir work;
    const ProcessResult run = runCli({ "--version" }, work.filePath("config"));
    ASSERT_EQ(run.exitCode, 0) << run.standardError.toStdString();
    const QStringList lines = run.standardOutput.split(u'\n');
    ASSERT_GE(lines.size(), 2);
    EXPECT_TRUE(lines[0].startsWith(QLatin1String("morvane-cli "))) << lines[0].toStdString();
    EXPECT_TRUE(lines[1].startsWith(QLatin1String("confined: "))) << lines[1].toStdString();
    EXPECT_TRUE(lines[1].contains(QLatin1String("seccomp"))) << lines[1].toStdString();
}
