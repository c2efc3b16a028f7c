// SPDX-License-Identifier: GPL-3.0-or-later
// The real program on a real X server: it starts with a file to open, shows its main window, takes the
// file of a second program started meanwhile (which ends at once), and exits with 0 when the window is
// asked to close the way a window manager's close button asks (WM_DELETE_WINDOW).
#include "tests/common/TestSupport.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <xcb/xcb.h>

namespace {

constexpr int kTimeoutMs = 60000;

TEST(RealProgram, ShowsItsMainWindowUnderXAndExitsWithZeroWhenTheWindowIsClosed)
{
    // Xvfb on a display number of its own choosing, reported through -displayfd once it accepts clients.
    QProcess server;
    server.start(
        QStringLiteral("Xvfb"), { "-displayfd", "1", "-screen", "0", "1280x800x24", "-nolisten", "tcp" });
    const QDeadlineTimer deadline(kTimeoutMs);
    QByteArray displayNumber;
    while (!displayNumber.contains('\n') && server.waitForReadyRead(int(deadline.remainingTime())))
        displayNumber += server.readAllStandardOutput();
    ASSERT_TRUE(displayNumber.contains('\n')) << "Xvfb (package xvfb) gave no display";
    const QString display = QStringLiteral(":") + QString::fromLatin1(displayNumber.trimmed());

    // The program gets a preferences folder of its own and must leave it empty: nothing was changed.
    QTemporaryDir work;
    ASSERT_TRUE(work.isValid() && QDir(work.path()).mkdir("config") && QDir(work.path()).mkdir("runtime"));
    ASSERT_TRUE(QFile::setPermissions(
        work.filePath("runtime"), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
    QImage photo(32, 24, QImage::Format_RGB32);
    photo.fill(Qt::darkCyan);
    ASSERT_TRUE(photo.save(work.filePath("first.png")) && photo.save(work.filePath("second.png")));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("DISPLAY", display);
    environment.insert("QT_QPA_PLATFORM", "xcb");
    environment.insert("XDG_CONFIG_HOME", work.filePath("config"));
    environment.insert("XDG_RUNTIME_DIR", work.filePath("runtime"));
    // Under AddressSanitizer: libxkbcommon-x11 copies X atom names with strndup from replies that are not
    // NUL-terminated, which strict_string_checks reports although nothing past the name is used.
    if (environment.contains("ASAN_OPTIONS"))
        environment.insert("ASAN_OPTIONS", environment.value("ASAN_OPTIONS") + ":strict_string_checks=0");
    QProcess program;
    program.setProcessEnvironment(environment);
    // Files, not pipes: a program that writes much must not stall on a full pipe while nobody reads it.
    program.setStandardOutputFile(QProcess::nullDevice());
    program.setStandardErrorFile(work.filePath("stderr.log"));
    const auto errors = [&] {
        QFile log(work.filePath("stderr.log"));
        return log.open(QIODevice::ReadOnly) ? log.readAll().toStdString() : std::string();
    };
    program.start(QStringLiteral(MORVANE_EXECUTABLE), { work.filePath("first.png") });
    ASSERT_TRUE(program.waitForStarted(kTimeoutMs)) << qPrintable(program.errorString());

    // xdotool (package xdotool) waits for the viewable main window and prints its id.
    const ProcessResult search = runProcess(QStringLiteral("xdotool"),
        { "search", "--sync", "--onlyvisible", "--name", "^Morvane$" }, kTimeoutMs, { "DISPLAY=" + display });
    ASSERT_EQ(search.exitCode, 0) << "no main window appeared: " << qPrintable(search.standardError)
                                  << errors();
    const auto window = xcb_window_t(search.standardOutput.split(u'\n').constFirst().toUInt());
    ASSERT_NE(window, 0u);

    // A second program in the same session hands its file to the window and ends.
    QProcess second;
    second.setProcessEnvironment(environment);
    second.setStandardOutputFile(QProcess::nullDevice());
    second.setStandardErrorFile(work.filePath("second.log"));
    second.start(QStringLiteral(MORVANE_EXECUTABLE), { work.filePath("second.png") });
    ASSERT_TRUE(second.waitForFinished(kTimeoutMs)) << "a second window opened";
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(program.state(), QProcess::Running);

    const std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)> connection(
        xcb_connect(display.toLatin1().constData(), nullptr), &xcb_disconnect);
    ASSERT_EQ(xcb_connection_has_error(connection.get()), 0);
    const auto atom = [&connection](const char* name) {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection.get(),
            xcb_intern_atom(connection.get(), 0, uint16_t(std::strlen(name)), name), nullptr);
        const xcb_atom_t value = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(reply);
        return value;
    };
    // What a window manager's close button does: a WM_DELETE_WINDOW message.
    xcb_client_message_event_t message {};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = atom("WM_PROTOCOLS");
    message.data.data32[0] = atom("WM_DELETE_WINDOW");
    message.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(
        connection.get(), 0, window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&message));
    xcb_flush(connection.get());

    ASSERT_TRUE(program.waitForFinished(kTimeoutMs)) << "the program went on running after its window closed";
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0) << errors();
    EXPECT_EQ(
        QDir(work.filePath("config")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
    server.terminate(); // a killed server would leave its socket behind
    server.waitForFinished(kTimeoutMs);
}

} // namespace
