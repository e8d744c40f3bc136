// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/XSession.h"

#include <QColor>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QThread>
#include <X11/Xauth.h>
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <xcb/xcb.h>

using namespace Qt::StringLiterals;

namespace {

constexpr int startBoundMs = 10000;
constexpr int toolBoundMs = 30000;
constexpr int firstDisplay = 90;
constexpr int displayCandidates = 64;

struct FreeDeleter {
    void operator()(void* pointer) const { std::free(pointer); }
};
template <typename Reply> using ReplyPointer = std::unique_ptr<Reply, FreeDeleter>;

// Starts program with its output dropped, in env (this process's own when empty).
std::unique_ptr<QProcess> startQuiet(const QString& program, const QStringList& arguments,
                                     const QProcessEnvironment& env = {}) {
    auto process = std::make_unique<QProcess>();
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    if (!env.isEmpty())
        process->setProcessEnvironment(env);
    process->start(program, arguments);
    return process;
}

// How each window manager starts, with its compositor and without one (none: the same line;
// leading NAME=value words go to its environment, {width} and {height} become the screen's); a
// manager without a compositor of its own gets the named one beside it. A nested one is a Wayland
// compositor shown in a window on the server, its X clients on the XWayland server it starts.
// A configuration file, when named, is written to the private home first, its path in {config}:
// i3 asks for one at its first start, and fluxbox's style sets a wallpaper that Debian does not
// ship and says so in a window of its own.
struct Launch {
    const char* name;
    const char* withCompositor;
    const char* withoutCompositor;
    const char* compositor;
    bool nested;
    const char* configFile = nullptr;
    const char* configText = nullptr;
};
constexpr std::array<Launch, 11> launches{{
    {"openbox", "openbox --sm-disable", nullptr, "xcompmgr", false},
    {"xfwm4", "xfwm4 --compositor=on --sm-client-disable",
     "xfwm4 --compositor=off --sm-client-disable", "", false},
    {"kwin_x11", "kwin_x11", "KWIN_COMPOSE=N kwin_x11", "", false},
    // mutter always composites on X11.
    {"mutter", "mutter --x11 --sm-disable", nullptr, "", false},
    {"marco", "marco --composite --sm-disable", "marco --no-composite --sm-disable", "", false},
    {"metacity", "metacity --composite --sm-disable", "metacity --no-composite --sm-disable", "",
     false},
    {"icewm", "icewm", nullptr, "xcompmgr", false},
    {"fluxbox", "fluxbox", nullptr, "xcompmgr", false, ".fluxbox/overlay", "background: none\n"},
    {"i3", "i3 -c {config}", nullptr, "picom", false, "i3config",
     "# i3 config file (v4)\nfont pango:DejaVu Sans 8\n"},
    {"mutter_wayland", "MUTTER_DEBUG_DUMMY_MODE_SPECS={width}x{height} mutter --wayland --nested",
     nullptr, "", true},
    {"kwin_wayland", "kwin_wayland --xwayland --width {width} --height {height}", nullptr, "",
     true},
}};

const Launch* launchOf(const QString& name) {
    const auto found = std::find_if(launches.begin(), launches.end(), [&](const Launch& launch) {
        return QLatin1String(launch.name) == name;
    });
    return found == launches.end() ? nullptr : &*found;
}

bool installed(const QString& program) {
    return !QStandardPaths::findExecutable(program).isEmpty();
}

void stopProcess(QProcess* process) {
    if (!process || process->state() == QProcess::NotRunning)
        return;
    process->terminate();
    if (!process->waitForFinished(5000)) {
        process->kill();
        process->waitForFinished(5000);
    }
}

// The process that the lock of a display names; none without a lock.
std::optional<qint64> lockOwner(int number) {
    QFile lock(u"/tmp/.X%1-lock"_s.arg(number));
    if (!lock.open(QIODevice::ReadOnly))
        return std::nullopt;
    return lock.readAll().trimmed().toLongLong();
}

// A display is taken while its lock names a running process; a server killed before it could
// clean up leaves a lock and a socket that the next one replaces.
bool isDisplayInUse(int number) {
    const std::optional<qint64> owner = lockOwner(number);
    if (!owner)
        return QFile::exists(u"/tmp/.X11-unix/X%1"_s.arg(number));
    return *owner <= 0 || QFileInfo::exists(u"/proc/%1"_s.arg(*owner));
}

// Waits for condition while process keeps running; false as soon as it exits.
bool waitWhileRunning(QProcess& process, const std::function<bool()>& condition) {
    bool ended = false;
    return XSession::waitFor(
               [&] {
                   ended = process.state() == QProcess::NotRunning || process.waitForFinished(20);
                   return ended || condition();
               },
               startBoundMs) &&
           !ended;
}

} // namespace

XSession::XSession()
    : XSession(Options{}) {}

XSession::XSession(const Options& options) {
    // Without a bus of its own, every Qt program of the session would look for one at start
    // (spawning dbus-launch) or use the developer's own.
    if (!startSessionBus() || !startServer(options.screen))
        return;
    if (!options.windowManager.isEmpty() && !startWindowManager(options))
        return;
    if (options.compositor && !startCompositor())
        return;
    m_ready = true;
}

XSession::~XSession() {
    stopProcess(m_compositor.get());
    stopProcess(m_windowManager.get());
    if (m_connection)
        xcb_disconnect(m_connection);
    stopProcess(m_server.get());
    stopProcess(m_sessionBus.get());
}

void XSession::killServer() {
    m_server->kill();
    m_server->waitForFinished(5000);
}

bool XSession::toolsAvailable() {
    return std::ranges::all_of(
        std::array{"Xvfb", "openbox", "xcompmgr", "xprop", "xdotool", "xwininfo", "import",
                   "dbus-daemon"},
        [](const char* tool) { return installed(QString::fromLatin1(tool)); });
}

QStringList XSession::windowManagers() {
    QStringList names;
    for (const Launch& launch : launches)
        names.append(QString::fromLatin1(launch.name));
    return names;
}

bool XSession::isInstalled(const QString& windowManager) {
    const Launch* launch = launchOf(windowManager);
    if (!launch)
        return false;
    // The program is the first word that sets no environment variable.
    const QStringList words = QString::fromLatin1(launch->withCompositor).split(u' ');
    const QString compositor = QString::fromLatin1(launch->compositor);
    return installed(
               *std::ranges::find_if_not(words, [](auto& word) { return word.contains(u'='); })) &&
           (compositor.isEmpty() || installed(compositor));
}

bool XSession::alwaysComposites(const QString& windowManager) {
    const Launch* launch = launchOf(windowManager);
    return launch && !launch->withoutCompositor && !*launch->compositor;
}

QProcessEnvironment XSession::environment(const QProcessEnvironment& base) const {
    QProcessEnvironment result = base;
    result.insert(u"DISPLAY"_s, display());
    result.insert(u"QT_QPA_PLATFORM"_s, u"xcb"_s);
    if (m_busDirectory)
        result.insert(u"DBUS_SESSION_BUS_ADDRESS"_s,
                      u"unix:path="_s + m_busDirectory->filePath(u"bus"_s));
    result.remove(u"WAYLAND_DISPLAY"_s);
    result.remove(u"XAUTHORITY"_s);
    if (m_runtimeDirectory) {
        result.insert(u"XDG_RUNTIME_DIR"_s, m_runtimeDirectory->path());
        result.insert(u"WAYLAND_DISPLAY"_s, m_waylandDisplay);
        if (!m_authority.isEmpty())
            result.insert(u"XAUTHORITY"_s, m_authority);
    }
    return result;
}

QString XSession::run(const QString& program, const QStringList& arguments) const {
    return QString::fromLocal8Bit(runForBytes(program, arguments, false));
}

QString XSession::runOnScreen(const QString& program, const QStringList& arguments) const {
    return QString::fromLocal8Bit(runForBytes(program, arguments, true));
}

QImage XSession::screenshot() const {
    return QImage::fromData(runForBytes(u"import"_s, {u"-window"_s, u"root"_s, u"png:-"_s}, true),
                            "PNG");
}

bool XSession::hasState(quint32 window, const QByteArray& state) const {
    return property("_NET_WM_STATE", window).contains(atom(state));
}

quint32 XSession::inputFocus() const {
    const ReplyPointer<xcb_get_input_focus_reply_t> reply(
        xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
    return reply ? reply->focus : 0;
}

bool XSession::supports(const QByteArray& name) const {
    return property("_NET_SUPPORTED").contains(atom(name));
}

void XSession::showDesktop(const QColor& colour, bool withWindow) {
    const quint32 pixel = colour.rgb() & 0xFFFFFF;
    xcb_change_window_attributes(m_connection, m_root, XCB_CW_BACK_PIXEL, &pixel);
    xcb_clear_area(m_connection, 0, m_root, 0, 0, 0, 0);
    xcb_flush(m_connection);
    if (!withWindow)
        return;
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data;
    const xcb_window_t desktop = xcb_generate_id(m_connection);
    xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, desktop, m_root, 0, 0,
                      screen->width_in_pixels, screen->height_in_pixels, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, XCB_CW_BACK_PIXEL,
                      &pixel);
    const quint32 type = atom("_NET_WM_WINDOW_TYPE_DESKTOP");
    xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, desktop, atom("_NET_WM_WINDOW_TYPE"),
                        XCB_ATOM_ATOM, 32, 1, &type);
    const QByteArray name = "desktop";
    xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, desktop, XCB_ATOM_WM_NAME,
                        XCB_ATOM_STRING, 8, static_cast<quint32>(name.size()), name.constData());
    xcb_map_window(m_connection, desktop);
    xcb_flush(m_connection);
}

void XSession::closeWindow(quint32 window) {
    sendToRoot(window, "WM_PROTOCOLS", {atom("WM_DELETE_WINDOW"), XCB_CURRENT_TIME}, false);
}

void XSession::setShowingDesktop(bool showing) {
    sendToRoot(m_root, "_NET_SHOWING_DESKTOP", {showing ? 1u : 0u});
}

void XSession::switchWorkspace(quint32 index, quint32 count) {
    // i3 makes workspaces as they are asked for by name, not by count.
    if (m_windowManagerName == u"i3") {
        run(u"i3-msg"_s, {u"workspace"_s, QString::number(index + 1)});
    } else {
        sendToRoot(m_root, "_NET_NUMBER_OF_DESKTOPS", {count});
        waitFor([&] { return property("_NET_NUMBER_OF_DESKTOPS").value(0) >= count; });
        sendToRoot(m_root, "_NET_CURRENT_DESKTOP", {index, XCB_CURRENT_TIME});
    }
    waitFor([&] { return property("_NET_CURRENT_DESKTOP").value(0) == index; });
}

void XSession::sendToRoot(quint32 window, const QByteArray& type, const QList<quint32>& data,
                          bool toRoot) const {
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = atom(type);
    std::copy(data.begin(), data.end(), event.data.data32);
    // A client message to the window itself (WM_PROTOCOLS) goes to it with no mask.
    xcb_send_event(m_connection, 0, toRoot ? m_root : window,
                   toRoot
                       ? XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY
                       : XCB_EVENT_MASK_NO_EVENT,
                   reinterpret_cast<const char*>(&event));
    xcb_flush(m_connection);
}

bool XSession::startCompositor() {
    if (hasCompositor())
        return true;
    // A window manager's own compositor starts with it.
    if (m_compositorProgram.isEmpty())
        return waitFor([this] { return hasCompositor(); }, startBoundMs);
    m_compositor =
        startQuiet(m_compositorProgram, {},
                   m_windowManager ? m_windowManager->processEnvironment() : environment());
    return waitWhileRunning(*m_compositor, [this] { return hasCompositor(); });
}

void XSession::stopCompositor() {
    stopProcess(m_compositor.get());
    m_compositor.reset();
    // The server drops the selection with the owner's connection, not necessarily before
    // the process is reaped.
    waitFor([this] { return !hasCompositor(); }, startBoundMs);
}

bool XSession::hasCompositor() const {
    if (m_runtimeDirectory)
        return true;
    if (!m_connection)
        return false;
    const ReplyPointer<xcb_get_selection_owner_reply_t> reply(xcb_get_selection_owner_reply(
        m_connection, xcb_get_selection_owner(m_connection, atom("_NET_WM_CM_S0")), nullptr));
    return reply && reply->owner != XCB_WINDOW_NONE;
}

bool XSession::waitFor(const std::function<bool()>& predicate, int boundMs) {
    const QDeadlineTimer deadline(boundMs);
    while (!predicate()) {
        if (deadline.hasExpired())
            return false;
        if (QCoreApplication::instance())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(10);
    }
    return true;
}

bool XSession::startServer(QSize screen) {
    const QString geometry = u"%1x%2x24"_s.arg(screen.width()).arg(screen.height());
    // Parallel test processes start at different numbers, so they rarely collide at all.
    const int start = static_cast<int>(QCoreApplication::applicationPid() % displayCandidates);
    for (int offset = 0; offset < displayCandidates; ++offset) {
        const int number = firstDisplay + (start + offset) % displayCandidates;
        if (isDisplayInUse(number))
            continue;
        auto server = startQuiet(
            u"Xvfb"_s, u":%1 -screen 0 %2 -nolisten tcp"_s.arg(number).arg(geometry).split(u' '));
        // Another process's server may hold the display while ours is still failing on it;
        // the lock names the winner.
        const auto serving = [&] {
            return lockOwner(number) == server->processId() && connectTo(u":%1"_s.arg(number));
        };
        if (server->waitForStarted(startBoundMs) && waitWhileRunning(*server, serving)) {
            m_server = std::move(server);
            m_displayNumber = number;
            m_screenNumber = number;
            return true;
        }
        stopProcess(server.get());
    }
    return false;
}

bool XSession::startSessionBus() {
    auto directory = std::make_unique<QTemporaryDir>();
    if (!directory->isValid())
        return false;
    const QString socket = directory->filePath(u"bus"_s);
    m_sessionBus = startQuiet(u"dbus-daemon"_s, u"--session --nofork --nopidfile"_s.split(u' ')
                                                    << u"--address=unix:path="_s + socket);
    if (!waitWhileRunning(*m_sessionBus, [&] { return QFile::exists(socket); }))
        return false;
    m_busDirectory = std::move(directory);
    return true;
}

bool XSession::startWindowManager(const Options& options) {
    const Launch* launch = launchOf(options.windowManager);
    m_configDirectory = std::make_unique<QTemporaryDir>();
    if (!launch || !m_configDirectory->isValid())
        return false;
    m_compositorProgram = QString::fromLatin1(launch->compositor);
    m_windowManagerName = options.windowManager;
    const bool bare = !options.compositor && launch->withoutCompositor;
    QStringList arguments =
        QString::fromLatin1(bare ? launch->withoutCompositor : launch->withCompositor).split(u' ');
    const QString config = m_configDirectory->filePath(QString::fromLatin1(launch->configFile));
    for (QString& word : arguments)
        word.replace(u"{width}"_s, QString::number(options.screen.width()))
            .replace(u"{height}"_s, QString::number(options.screen.height()))
            .replace(u"{config}"_s, config);
    // Window managers keep settings in the home directory: a private one keeps the developer's.
    QProcessEnvironment env = environment();
    while (arguments.first().contains(u'=')) {
        const QString word = arguments.takeFirst();
        env.insert(word.section(u'=', 0, 0), word.section(u'=', 1));
    }
    const QString home = m_configDirectory->path();
    env.insert(u"HOME"_s, home);
    env.insert(u"XDG_CONFIG_HOME"_s, home + u"/.config"_s);
    env.insert(u"XDG_CACHE_HOME"_s, home + u"/.cache"_s);
    env.insert(u"XDG_DATA_HOME"_s, home + u"/.local/share"_s);
    if (launch->configFile) {
        QDir().mkpath(QFileInfo(config).absolutePath());
        QFile file(config);
        const QByteArray text(launch->configText);
        if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
            return false;
    }
    if (!launch->nested)
        m_windowManager = startQuiet(arguments.takeFirst(), arguments, env);
    else if (!startNested(arguments, env))
        return false;
    if (!waitWhileRunning(*m_windowManager,
                          [this] { return !property("_NET_SUPPORTING_WM_CHECK").isEmpty(); }))
        return false;

    // openbox announces itself before it manages windows, and a window mapped in between stays
    // unmapped; only a probe window that gets managed shows it is ready.
    const xcb_window_t probe = xcb_generate_id(m_connection);
    xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, probe, m_root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
    int polls = 0;
    const auto isManaged = [&] {
        if (property("_NET_CLIENT_LIST").contains(probe))
            return true;
        if (polls++ % 10 == 0) {
            xcb_map_window(m_connection, probe);
            xcb_flush(m_connection);
        }
        return false;
    };
    const bool managing = waitWhileRunning(*m_windowManager, isManaged);
    xcb_destroy_window(m_connection, probe);
    xcb_flush(m_connection);
    return managing && waitWhileRunning(*m_windowManager, [&] {
               return !property("_NET_CLIENT_LIST").contains(probe);
           });
}

bool XSession::startNested(QStringList arguments, QProcessEnvironment env) {
    m_runtimeDirectory = std::make_unique<QTemporaryDir>();
    if (!m_runtimeDirectory->isValid())
        return false;
    env.insert(u"XDG_RUNTIME_DIR"_s, m_runtimeDirectory->path());
    // Run from a copy: Debian's kwin_wayland carries a file capability that a container's
    // bounding set refuses at exec, and kwin wants its own name.
    const QString program = arguments.takeFirst();
    const QString copy = m_configDirectory->filePath(program);
    if (!QFile::copy(QStandardPaths::findExecutable(program), copy))
        return false;
    m_windowManager = startQuiet(copy, arguments, env);
    // The compositor starts XWayland as its child; its command line names the display and the
    // authority file.
    QStringList xwayland;
    const auto findXwayland = [&] {
        const QString parent = QString::number(m_windowManager->processId());
        for (const QString& pid : QDir(u"/proc"_s).entryList(QDir::Dirs)) {
            QFile stat(u"/proc/%1/stat"_s.arg(pid));
            if (!stat.open(QIODevice::ReadOnly))
                continue;
            const QString line = QString::fromLatin1(stat.readAll());
            const QStringList after = line.section(u')', -1).split(u' ', Qt::SkipEmptyParts);
            if (!line.contains(u"(Xwayland)"_s) || after.value(1) != parent)
                continue;
            QFile commandLine(u"/proc/%1/cmdline"_s.arg(pid));
            if (commandLine.open(QIODevice::ReadOnly))
                xwayland = QString::fromLocal8Bit(commandLine.readAll()).split(QChar(0));
            return xwayland.size() > 1;
        }
        return false;
    };
    if (!waitWhileRunning(*m_windowManager, findXwayland))
        return false;
    const qsizetype auth = xwayland.indexOf(u"-auth"_s);
    m_authority = auth > 0 ? xwayland.value(auth + 1) : QString();
    m_waylandDisplay = QDir(m_runtimeDirectory->path())
                           .entryList({u"wayland-*"_s}, QDir::System)
                           .filter(QRegularExpression(u"^wayland-\\d+$"_s))
                           .value(0);
    bool numbered = false;
    m_displayNumber = xwayland.at(1).mid(1).toInt(&numbered);
    return numbered && !m_waylandDisplay.isEmpty() &&
           waitWhileRunning(*m_windowManager, [this] { return connectTo(display()); });
}

bool XSession::connectTo(const QString& name) {
    // The cookie of XWayland's authority file, when it has one.
    std::unique_ptr<Xauth, decltype(&XauDisposeAuth)> entry(nullptr, &XauDisposeAuth);
    if (!m_authority.isEmpty()) {
        if (FILE* file = std::fopen(QFile::encodeName(m_authority).constData(), "rb")) {
            entry.reset(XauReadAuth(file));
            std::fclose(file);
        }
    }
    xcb_auth_info_t info{};
    if (entry)
        info = {entry->name_length, entry->name, entry->data_length, entry->data};
    int screenNumber = 0;
    xcb_connection_t* connection = xcb_connect_to_display_with_auth_info(
        name.toLatin1().constData(), entry ? &info : nullptr, &screenNumber);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        return false;
    }
    if (m_connection)
        xcb_disconnect(m_connection);
    m_connection = connection;
    m_root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    return true;
}

QByteArray XSession::runForBytes(const QString& program, const QStringList& arguments,
                                 bool onScreen) const {
    QProcess process;
    QProcessEnvironment env = environment();
    if (onScreen)
        env.insert(u"DISPLAY"_s, u":%1"_s.arg(m_screenNumber));
    process.setProcessEnvironment(env);
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(program, arguments);
    if (!process.waitForFinished(toolBoundMs))
        stopProcess(&process);
    return process.readAllStandardOutput();
}

quint32 XSession::atom(const QByteArray& name) const {
    const ReplyPointer<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        m_connection,
        xcb_intern_atom(m_connection, 0, static_cast<quint16>(name.size()), name.constData()),
        nullptr));
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

QList<quint32> XSession::property(const QByteArray& name, quint32 window) const {
    if (!m_connection)
        return {};
    const ReplyPointer<xcb_get_property_reply_t> reply(
        xcb_get_property_reply(m_connection,
                               xcb_get_property(m_connection, 0, window ? window : m_root,
                                                atom(name), XCB_GET_PROPERTY_TYPE_ANY, 0, 4096),
                               nullptr));
    if (!reply || reply->format != 32)
        return {};
    const auto* values = static_cast<const quint32*>(xcb_get_property_value(reply.get()));
    return QList<quint32>(values, values + reply->value_len);
}
