// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QProcessEnvironment>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <memory>

class QProcess;
struct xcb_connection_t;

// A private X server for end-to-end tests: Xvfb on a free display with a session bus of its own,
// as a desktop session has, optionally with a window manager (openbox unless another is named)
// and a compositor (the manager's own, or xcompmgr or picom beside it). Everything it starts
// stops with it.
class XSession final {
public:
    struct Options {
        // A name of windowManagers(); empty for none.
        QString windowManager = QStringLiteral("openbox");
        bool compositor = true;
        QSize screen = {1280, 800};
    };

    XSession();
    explicit XSession(const Options& options);
    ~XSession();

    XSession(const XSession&) = delete;
    XSession& operator=(const XSession&) = delete;

    // True when the server, openbox, xcompmgr and the X11 tools exist.
    static bool toolsAvailable();
    // The window managers the session knows how to start.
    static QStringList windowManagers();
    // True when windowManager and the compositor that goes with it are installed.
    static bool isInstalled(const QString& windowManager);
    // True when windowManager composites whether asked to or not.
    static bool alwaysComposites(const QString& windowManager);

    // True when the server and everything asked for run.
    bool isReady() const { return m_ready; }
    // The display name of the clients, such as ":93": XWayland's under a Wayland compositor.
    QString display() const { return QStringLiteral(":%1").arg(m_displayNumber); }
    // base with DISPLAY pointing at this server, the session's own bus, and Qt on xcb.
    QProcessEnvironment
    environment(const QProcessEnvironment& base = QProcessEnvironment::systemEnvironment()) const;

    // Runs a tool (xprop, xdotool, xwininfo...) on the clients' display; its standard output.
    QString run(const QString& program, const QStringList& arguments = {}) const;
    // Runs a tool on the display that shows the screen and takes the input: the server a
    // Wayland compositor's window is on.
    QString runOnScreen(const QString& program, const QStringList& arguments) const;
    // The screen as shown; null when the capture fails.
    QImage screenshot() const;

    // The values of a property of 32-bit ones, such as _NET_CLIENT_LIST, of window (the root
    // window when 0); empty while it is missing.
    QList<quint32> property(const QByteArray& name, quint32 window = 0) const;
    // The managed client windows bottom to top, as the window manager reports them.
    QList<quint32> clientListStacking() const { return property("_NET_CLIENT_LIST_STACKING"); }
    // True when the _NET_WM_STATE of window holds state.
    bool hasState(quint32 window, const QByteArray& state) const;
    // The window with the input focus; 0 for none.
    quint32 inputFocus() const;
    // True when the window manager lists atom in _NET_SUPPORTED.
    bool supports(const QByteArray& atom) const;

    // Paints the root window in colour and, with withWindow, maps a full-screen window of the
    // desktop type in the same colour, as a desktop with icons has.
    void showDesktop(const QColor& colour, bool withWindow = true);
    // Asks window to close, as its close button does.
    void closeWindow(quint32 window);
    // Asks the window manager to show the desktop, or to bring the windows back.
    void setShowingDesktop(bool showing);
    // Asks the window manager for count workspaces, then switches to workspace index.
    void switchWorkspace(quint32 index, quint32 count = 2);

    // Kills the server as a crash would: every client loses its connection.
    void killServer();

    // Stops a compositing manager started beside the window manager.
    void stopCompositor();

    // Polls predicate, running Qt's events in between, until it holds or boundMs pass.
    static bool waitFor(const std::function<bool()>& predicate, int boundMs = 10000);

private:
    bool startServer(QSize screen);
    bool startSessionBus();
    bool startWindowManager(const Options& options);
    bool startCompositor();
    // True while some compositing manager owns _NET_WM_CM_S0.
    bool hasCompositor() const;
    bool startNested(QStringList arguments, QProcessEnvironment env);
    bool connectTo(const QString& display);
    void sendToRoot(quint32 window, const QByteArray& type, const QList<quint32>& data,
                    bool toRoot = true) const;
    QByteArray runForBytes(const QString& program, const QStringList& arguments,
                           bool onScreen) const;
    quint32 atom(const QByteArray& name) const;

    int m_displayNumber = -1;
    int m_screenNumber = -1;
    // A Wayland compositor's runtime directory, and the authority file of its XWayland.
    std::unique_ptr<QTemporaryDir> m_runtimeDirectory;
    QString m_waylandDisplay;
    QString m_authority;
    std::unique_ptr<QProcess> m_server;
    std::unique_ptr<QTemporaryDir> m_busDirectory;
    std::unique_ptr<QProcess> m_sessionBus;
    std::unique_ptr<QProcess> m_windowManager;
    std::unique_ptr<QProcess> m_compositor;
    std::unique_ptr<QTemporaryDir> m_configDirectory;
    QString m_compositorProgram = QStringLiteral("xcompmgr");
    QString m_windowManagerName;
    xcb_connection_t* m_connection = nullptr;
    quint32 m_root = 0;
    bool m_ready = false;
};
