// SPDX-License-Identifier: GPL-3.0-or-later
// The real program on a real X server: it starts, shows its main window, and exits with 0 when the
// window is asked to close the way a window manager's close button asks (WM_DELETE_WINDOW).
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <poll.h>
#include <xcb/xcb.h>

namespace {

constexpr int kTimeoutMs = 60000;

/// Xvfb on a display number of its own choosing, reported through -displayfd once it accepts clients.
class VirtualDisplay
{
public:
    ~VirtualDisplay()
    {
        if (m_server.state() == QProcess::NotRunning)
            return;
        m_server.terminate();
        if (!m_server.waitForFinished(10000)) {
            m_server.kill();
            m_server.waitForFinished();
        }
    }

    [[nodiscard]] QString start()
    {
        const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        if (xvfb.isEmpty())
            return QStringLiteral("Xvfb is not installed (package xvfb)");
        m_server.start(xvfb,
            { QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                QStringLiteral("0"), QStringLiteral("1280x800x24"), QStringLiteral("-nolisten"),
                QStringLiteral("tcp") });
        QByteArray output;
        const QDeadlineTimer deadline(kTimeoutMs);
        while (!output.contains('\n')) {
            if (!m_server.waitForReadyRead(int(deadline.remainingTime())))
                return QStringLiteral("Xvfb gave no display: ")
                    + QString::fromLocal8Bit(m_server.readAllStandardError());
            output += m_server.readAllStandardOutput();
        }
        m_display = QStringLiteral(":") + QString::fromLatin1(output.trimmed());
        return {};
    }

    [[nodiscard]] QString display() const { return m_display; }

private:
    QProcess m_server;
    QString m_display;
};

struct ConnectionDeleter
{
    void operator()(xcb_connection_t* connection) const { xcb_disconnect(connection); }
};
using Connection = std::unique_ptr<xcb_connection_t, ConnectionDeleter>;

template<typename Reply> using ReplyPtr = std::unique_ptr<Reply, decltype(&std::free)>;

template<typename Reply> ReplyPtr<Reply> owned(Reply* reply)
{
    return ReplyPtr<Reply>(reply, &std::free);
}

xcb_atom_t atom(xcb_connection_t* connection, const char* name)
{
    const auto reply = owned(xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, uint16_t(std::strlen(name)), name), nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

QByteArray property(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t name)
{
    const auto reply = owned(xcb_get_property_reply(connection,
        xcb_get_property(connection, 0, window, name, XCB_GET_PROPERTY_TYPE_ANY, 0, 1024), nullptr));
    if (!reply)
        return {};
    return QByteArray(static_cast<const char*>(xcb_get_property_value(reply.get())),
        xcb_get_property_value_length(reply.get()));
}

/// The viewable top-level window whose WM_NAME is \a title, if there is one now.
std::optional<xcb_window_t> viewableWindowNamed(
    xcb_connection_t* connection, xcb_window_t root, const QByteArray& title)
{
    const auto tree = owned(xcb_query_tree_reply(connection, xcb_query_tree(connection, root), nullptr));
    if (!tree)
        return std::nullopt;
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i) {
        const auto attributes = owned(xcb_get_window_attributes_reply(
            connection, xcb_get_window_attributes(connection, children[i]), nullptr));
        if (attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE
            && property(connection, children[i], XCB_ATOM_WM_NAME) == title)
            return children[i];
    }
    return std::nullopt;
}

TEST(RealProgram, ShowsItsMainWindowUnderXAndExitsWithZeroWhenTheWindowIsClosed)
{
    VirtualDisplay display;
    const QString error = display.start();
    ASSERT_TRUE(error.isEmpty()) << qPrintable(error);

    int screenNumber = 0;
    Connection connection(xcb_connect(display.display().toLatin1().constData(), &screenNumber));
    ASSERT_EQ(xcb_connection_has_error(connection.get()), 0);
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection.get()));
    for (int i = 0; i < screenNumber; ++i)
        xcb_screen_next(&screens);
    const xcb_window_t root = screens.data->root;
    // Every window mapped on the screen wakes the wait below.
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection.get(), root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(connection.get());

    // The program gets a preferences folder of its own and must leave it empty: nothing was changed.
    QTemporaryDir config;
    ASSERT_TRUE(config.isValid());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), display.display());
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
    // Under AddressSanitizer: libxkbcommon-x11 copies X atom names with strndup from replies that are not
    // NUL-terminated, which strict_string_checks reports although nothing past the name is used.
    if (environment.contains(QStringLiteral("ASAN_OPTIONS")))
        environment.insert(QStringLiteral("ASAN_OPTIONS"),
            environment.value(QStringLiteral("ASAN_OPTIONS")) + QStringLiteral(":strict_string_checks=0"));
    QTemporaryDir logs;
    ASSERT_TRUE(logs.isValid());
    const QString errorLog = logs.filePath(QStringLiteral("stderr.log"));
    const auto programErrors = [&errorLog] {
        QFile file(errorLog);
        return file.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(file.readAll()) : QString();
    };
    QProcess program;
    program.setProcessEnvironment(environment);
    // Files, not pipes: a program that writes much must not stall on a full pipe while nobody reads it.
    program.setStandardOutputFile(QProcess::nullDevice());
    program.setStandardErrorFile(errorLog);
    program.start(QStringLiteral(MORVANE_EXECUTABLE), {});
    ASSERT_TRUE(program.waitForStarted(kTimeoutMs)) << qPrintable(program.errorString());

    std::optional<xcb_window_t> window;
    const QDeadlineTimer deadline(kTimeoutMs);
    while (!(window = viewableWindowNamed(connection.get(), root, QByteArrayLiteral("Morvane")))) {
        ASSERT_FALSE(program.waitForFinished(0))
            << "the program ended early: " << qPrintable(programErrors());
        ASSERT_FALSE(deadline.hasExpired()) << "no main window appeared: " << qPrintable(programErrors());
        pollfd descriptor { xcb_get_file_descriptor(connection.get()), POLLIN, 0 };
        // Woken by the next event on the screen; the short bound also notices a program that died.
        poll(&descriptor, 1, int(std::min<qint64>(deadline.remainingTime(), 200)));
        while (xcb_generic_event_t* event = xcb_poll_for_event(connection.get()))
            std::free(event);
    }

    // What a window manager's close button does: a WM_DELETE_WINDOW message, which the window must accept.
    const xcb_atom_t protocols = atom(connection.get(), "WM_PROTOCOLS");
    const xcb_atom_t deleteWindow = atom(connection.get(), "WM_DELETE_WINDOW");
    const QByteArray accepted = property(connection.get(), *window, protocols);
    bool acceptsDelete = false;
    for (qsizetype i = 0; i + 4 <= accepted.size(); i += 4)
        acceptsDelete
            = acceptsDelete || *reinterpret_cast<const xcb_atom_t*>(accepted.constData() + i) == deleteWindow;
    EXPECT_TRUE(acceptsDelete);

    xcb_client_message_event_t message {};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = *window;
    message.type = protocols;
    message.data.data32[0] = deleteWindow;
    message.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(
        connection.get(), 0, *window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&message));
    xcb_flush(connection.get());

    ASSERT_TRUE(program.waitForFinished(kTimeoutMs)) << "the program went on running after its window closed";
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0) << qPrintable(programErrors());
    EXPECT_EQ(QDir(config.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
}

} // namespace
