// SPDX-License-Identifier: GPL-3.0-or-later
// The real program with a real system tray, started as in a Wayland session with XWayland: the
// panel's commands reach the sticker windows, the closed or minimised main window comes back
// from the panel and from a second launch, and Ctrl+Q quits with everything saved.
#include "e2e/ProgramOnXServer.h"

#include <QStandardPaths>

namespace {

const QColor blue(0x0a, 0x84, 0xff);
const QColor orange(0xff, 0x95, 0x00);
const QColor purple(0xaf, 0x52, 0xde);
const QColor pink(0xff, 0x2d, 0x55);

class TrayShell : public ProgramOnXServer {
protected:
    void SetUp() override {
        ProgramOnXServer::SetUp();
        if (IsSkipped())
            return;
        if (QStandardPaths::findExecutable(QStringLiteral("trayer")).isEmpty())
            GTEST_SKIP() << "trayer missing";
        startSession();
        m_tray.setProcessEnvironment(m_session->environment());
        m_tray.start(
            QStringLiteral("trayer"),
            QStringLiteral("--edge top --align right --widthtype request --height 28").split(u' '));
        ASSERT_NE(waitForWindow(QStringLiteral("panel")), 0u);
    }

    void TearDown() override {
        ProgramOnXServer::TearDown();
        m_tray.kill();
        m_tray.waitForFinished();
    }

    void pressOnMainWindow(const QString& keys) const {
        xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"),
                 QString::number(mainWindow())});
        xdotool({QStringLiteral("key"), keys});
    }

    // A Wayland session with an X display: Vantrel runs on XWayland all the same.
    QProcessEnvironment waylandSession() const {
        QProcessEnvironment env = environment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
        env.insert(QStringLiteral("XDG_SESSION_TYPE"), QStringLiteral("wayland"));
        return env;
    }

    bool minimizeMainWindow() const {
        xdotool({QStringLiteral("windowminimize"), QString::number(mainWindow())});
        return XSession::waitFor([&] { return mainWindow() == 0; });
    }

    void launchAgain() const {
        QProcess second;
        second.setProcessEnvironment(waylandSession());
        second.start(QStringLiteral(VANTREL_BINARY), {});
        ASSERT_TRUE(second.waitForFinished(30000));
        EXPECT_EQ(second.exitCode(), 0);
    }

    // Alt+F4 reaches the window manager only once it has given the new window the focus:
    // a press that came too early is pressed again.
    bool closeMainWindow() const {
        for (int attempt = 0; attempt < 3; ++attempt) {
            pressOnMainWindow(QStringLiteral("alt+F4"));
            if (XSession::waitFor([&] { return mainWindow() == 0; }, 3000))
                return true;
        }
        return false;
    }

    // A click that closes a popup is spent on closing it, so a second one may be needed.
    void openPanel() const {
        for (int attempt = 0; attempt < 4; ++attempt) {
            click(geometry(windowsNamed(QStringLiteral("panel")).value(0)).center());
            if (XSession::waitFor(
                    [&] { return !windowsNamed(QStringLiteral("Vantrel panel")).isEmpty(); }, 2500))
                return;
        }
        FAIL() << "the tray panel never opened";
    }

    // Where the panel shows an icon of this colour: each bulk command has its own.
    std::optional<QPoint> iconOf(QColor colour) const {
        const QRect panel = geometry(windowsNamed(QStringLiteral("Vantrel panel")).value(0));
        const QImage screen = m_session->screenshot();
        for (int y = panel.top(); y <= panel.bottom(); ++y) {
            for (int x = panel.left(); x < panel.left() + 40; ++x) {
                if (near(screen.pixelColor(x, y), colour, 7))
                    return QPoint(x + 40, y + 2);
            }
        }
        return std::nullopt;
    }

    void clickCommand(QColor colour) const {
        // Sticker windows coming up may take the popup down, as any other window would.
        if (windowsNamed(QStringLiteral("Vantrel panel")).isEmpty())
            openPanel();
        std::optional<QPoint> at;
        ASSERT_TRUE(XSession::waitFor([&] { return (at = iconOf(colour)).has_value(); }));
        click(*at);
    }

    QProcess m_tray;
};

} // namespace

TEST_F(TrayShell, ThePanelDrivesTheStickersAndTheMainWindowComesBack) {
    const QString media = mediaFile(QStringLiteral("m.gif"), Qt::green);
    QList<Sticker> list;
    for (int i = 0; i < 2; ++i) {
        Sticker s = Sticker::withMedia(media);
        s.name = QStringLiteral("S%1").arg(i);
        s.x = 100 + 200 * i;
        s.y = 100;
        list.append(s);
    }
    store(list);
    launch(waylandSession());
    ASSERT_TRUE(XSession::waitFor([&] { return mainWindow() != 0; }))
        << "the main window opens after launch";
    ASSERT_NE(waitForWindow(QStringLiteral("S0")), 0u);

    // Closing the main window hides it; the process and the stickers stay.
    ASSERT_TRUE(closeMainWindow());
    EXPECT_EQ(m_program.state(), QProcess::Running);

    openPanel();
    clickCommand(blue);
    EXPECT_TRUE(XSession::waitFor([&] {
        return windowsNamed(QStringLiteral("S0")).isEmpty() &&
               windowsNamed(QStringLiteral("S1")).isEmpty();
    }));
    clickCommand(blue);
    const quint32 shownAgain = waitForWindow(QStringLiteral("S0"));
    ASSERT_NE(shownAgain, 0u);
    // Shown again, the window is a sticker window as it was at the first show.
    EXPECT_TRUE(XSession::waitFor([&] {
        const QStringList state = m_session->netWmState(shownAgain);
        return state.contains(QStringLiteral("_NET_WM_STATE_SKIP_TASKBAR")) &&
               state.contains(QStringLiteral("_NET_WM_STATE_ABOVE"));
    }));
    EXPECT_EQ(m_session->netWmDesktop(shownAgain), 0xFFFFFFFFu);
    clickCommand(orange);
    EXPECT_TRUE(XSession::waitFor([&] {
        return geometry(windowsNamed(QStringLiteral("S1")).value(0)).topLeft() ==
               QPoint(640 - 80, 400 - 80);
    }));
    clickCommand(purple);
    clickCommand(pink);
    EXPECT_TRUE(XSession::waitFor([&] { return mainWindow() != 0; }))
        << "Open brings the hidden window back";
    ASSERT_TRUE(minimizeMainWindow());
    clickCommand(pink);
    EXPECT_TRUE(XSession::waitFor([&] { return mainWindow() != 0; }))
        << "Open brings the minimised window back";

    // A second launch shows the hidden or minimised main window and leaves at once.
    ASSERT_TRUE(closeMainWindow());
    launchAgain();
    EXPECT_TRUE(XSession::waitFor([&] { return mainWindow() != 0; }));
    ASSERT_TRUE(minimizeMainWindow());
    launchAgain();
    EXPECT_TRUE(XSession::waitFor([&] { return mainWindow() != 0; }))
        << "a second launch brings the minimised window back";

    // Ctrl+Q quits, with every change on disk.
    pressOnMainWindow(QStringLiteral("ctrl+q"));
    ASSERT_TRUE(m_program.waitForFinished(20000));
    EXPECT_EQ(m_program.exitCode(), 0);
    const QList<Sticker> after = stored();
    ASSERT_EQ(after.size(), 2);
    for (const Sticker& s : after) {
        EXPECT_TRUE(s.isLocked);
        EXPECT_FALSE(s.isHidden);
        EXPECT_EQ(s.x, 640 - 80);
    }
}
