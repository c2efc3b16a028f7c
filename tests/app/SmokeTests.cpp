// SPDX-License-Identifier: GPL-3.0-or-later
// The real program on a real X server: it starts, shows its main window, and exits with 0 when the
// window is asked to close the way a window manager's close button asks (WM_DELETE_WINDOW).
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <poll.h>
#include <xcb/xcb.h>

namespace {

constexpr int kTimeoutMs = 60000;

/// A reply from libxcb, freed with free().
template<typename Reply> std::unique_ptr<Reply, decltype(&std::free)> owned(Reply* reply)
{
    return { reply, &std::free };
}

xcb_atom_t atom(xcb_connection_t* connection, const char* name)
{
    const auto reply = owned(xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, uint16_t(std::strlen(name)), name), nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

/// The viewable top-level window titled "Morvane", or 0.
xcb_window_t mainWindow(xcb_connection_t* connection, xcb_window_t root)
{
    const auto tree = owned(xcb_query_tree_reply(connection, xcb_query_tree(connection, root), nullptr));
    for (int i = 0; tree && i < xcb_query_tree_children_length(tree.get()); ++i) {
        const xcb_window_t child = xcb_query_tree_children(tree.get())[i];
        const auto attributes = owned(xcb_get_window_attributes_reply(
            connection, xcb_get_window_attributes(connection, child), nullptr));
        const auto name = owned(xcb_get_property_reply(connection,
            xcb_get_property(connection, 0, child, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, 0, 64),
            nullptr));
        if (attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE && name
            && QByteArray(static_cast<const char*>(xcb_get_property_value(name.get())),
                   xcb_get_property_value_length(name.get()))
                == "Morvane")
            return child;
    }
    return 0;
}

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

    int screenNumber = 0;
    const std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)> connection(
        xcb_connect(display.toLatin1().constData(), &screenNumber), &xcb_disconnect);
    ASSERT_EQ(xcb_connection_has_error(connection.get()), 0);
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection.get()));
    for (int i = 0; i < screenNumber; ++i)
        xcb_screen_next(&screens);
    const xcb_window_t root = screens.data->root;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY; // every window mapped wakes the wait below
    xcb_change_window_attributes(connection.get(), root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(connection.get());

    // The program gets a preferences folder of its own and must leave it empty: nothing was changed.
    QTemporaryDir work;
    ASSERT_TRUE(work.isValid() && QDir(work.path()).mkdir("config"));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("DISPLAY", display);
    environment.insert("QT_QPA_PLATFORM", "xcb");
    environment.insert("XDG_CONFIG_HOME", work.filePath("config"));
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
    program.start(QStringLiteral(MORVANE_EXECUTABLE), {});
    ASSERT_TRUE(program.waitForStarted(kTimeoutMs)) << qPrintable(program.errorString());

    xcb_window_t window = 0;
    while (!(window = mainWindow(connection.get(), root))) {
        ASSERT_FALSE(program.waitForFinished(0)) << "the program ended early: " << errors();
        ASSERT_FALSE(deadline.hasExpired()) << "no main window appeared: " << errors();
        // Woken by the next event on the screen; the short bound also notices a program that died.
        pollfd descriptor { xcb_get_file_descriptor(connection.get()), POLLIN, 0 };
        poll(&descriptor, 1, int(std::min<qint64>(deadline.remainingTime(), 200)));
        while (xcb_generic_event_t* event = xcb_poll_for_event(connection.get()))
            std::free(event);
    }

    // What a window manager's close button does: a WM_DELETE_WINDOW message.
    xcb_client_message_event_t message {};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = atom(connection.get(), "WM_PROTOCOLS");
    message.data.data32[0] = atom(connection.get(), "WM_DELETE_WINDOW");
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
