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
#include <optional>

class QProcess;
struct xcb_connection_t;

// A private X server for end-to-end tests: Xvfb on a free display with a session bus of its own,
// as a desktop session has, optionally with openbox as window manager and xcompmgr as
// compositor. Everything it starts stops with it.
class XSession final {
public:
    struct Options {
        bool windowManager = true;
        bool compositor = true;
        QSize screen = {1280, 800};
    };

    XSession();
    explicit XSession(const Options& options);
    ~XSession();

    XSession(const XSession&) = delete;
    XSession& operator=(const XSession&) = delete;

    // True when the server, the window manager, the compositor and the X11 tools exist.
    static bool toolsAvailable();

    // True when the server and everything asked for run.
    bool isReady() const;
    // The display name, such as ":93".
    QString display() const;
    // base with DISPLAY pointing at this server, the session's own bus, and Qt on xcb.
    QProcessEnvironment
    environment(const QProcessEnvironment& base = QProcessEnvironment::systemEnvironment()) const;

    // Runs a tool (xprop, xdotool, xwininfo...) on this display; its standard output.
    QString run(const QString& program, const QStringList& arguments = {}) const;
    // The root window as shown; null when the capture fails.
    QImage screenshot() const;

    // The managed client windows bottom to top, as the window manager reports them.
    QList<quint32> clientListStacking() const;
    // The atom names in the _NET_WM_STATE of window.
    QStringList netWmState(quint32 window) const;
    // The _NET_WM_DESKTOP of window; none while the property is missing.
    std::optional<quint32> netWmDesktop(quint32 window) const;

    // Kills the server as a crash would: every client loses its connection.
    void killServer();

    bool startCompositor();
    void stopCompositor();
    // True while some compositing manager owns _NET_WM_CM_S0.
    bool hasCompositor() const;

    // Polls predicate, running Qt's events in between, until it holds or boundMs pass.
    static bool waitFor(const std::function<bool()>& predicate, int boundMs = 10000);

private:
    bool startServer(QSize screen);
    bool startSessionBus();
    bool connectWhenServing(int displayNumber, QProcess& server);
    bool startWindowManager();
    QByteArray runForBytes(const QString& program, const QStringList& arguments) const;
    quint32 atom(const QByteArray& name) const;
    QList<quint32> property32(quint32 window, const QByteArray& name, quint32 type) const;

    int m_displayNumber = -1;
    std::unique_ptr<QProcess> m_server;
    std::unique_ptr<QTemporaryDir> m_busDirectory;
    std::unique_ptr<QProcess> m_sessionBus;
    std::unique_ptr<QProcess> m_windowManager;
    std::unique_ptr<QProcess> m_compositor;
    xcb_connection_t* m_connection = nullptr;
    quint32 m_root = 0;
    bool m_ready = false;
};
