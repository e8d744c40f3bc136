// SPDX-License-Identifier: GPL-3.0-or-later
// A new user's first minutes with the real program and a real system tray: the first-run screen
// in English, a GIF added through the real file dialog, its window growing with the size slider;
// then, restarted as in a Wayland session with XWayland, everything as it was, the panel's
// commands reaching the sticker windows, the closed or minimised main window coming back from
// the panel, the minimised one from a second launch, and Ctrl+Q quitting with everything saved.
#include "e2e/ProgramOnXServer.h"
#include "support/GifBuilder.h"
#include "support/TestSupport.h"

#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace {

const QColor blue(0x0a, 0x84, 0xff);
const QColor orange(0xff, 0x95, 0x00);
const QColor purple(0xaf, 0x52, 0xde);
const QColor pink(0xff, 0x2d, 0x55);

class FirstRunAndTray : public ProgramOnXServer {
protected:
    void SetUp() override {
        ProgramOnXServer::SetUp();
        if (IsSkipped())
            return;
        if (QStandardPaths::findExecutable(u"trayer"_s).isEmpty())
            GTEST_SKIP() << "trayer missing";
        startSession();
        m_tray.setProcessEnvironment(m_session->environment());
        m_tray.start(u"trayer"_s,
                     u"--edge top --align right --widthtype request --height 28"_s.split(u' '));
        ASSERT_NE(waitForWindow(u"panel"_s), 0u);
    }

    void TearDown() override {
        ProgramOnXServer::TearDown();
        m_tray.kill();
        m_tray.waitForFinished();
    }

    // The pink blobs of the main window top to bottom: each row's widest run of three or more
    // pink pixels, joined with the runs of the rows right above.
    QList<QRect> pinkBlobs() const {
        const QRect window = geometry(mainWindow());
        const QImage screen = m_session->screenshot();
        QList<QRect> blobs;
        for (int y = window.top(); y <= window.bottom(); ++y) {
            QRect widest, run;
            for (int x = window.left(); x <= window.right(); ++x) {
                run = near(screen.pixelColor(x, y), pink, 10)
                          ? QRect(run.isNull() ? x : run.left(), y, run.width() + 1, 1)
                          : QRect();
                if (run.width() > widest.width())
                    widest = run;
            }
            if (widest.width() < 3)
                continue;
            if (!blobs.isEmpty() && blobs.last().bottom() == y - 1)
                blobs.last() |= widest;
            else
                blobs.append(widest);
        }
        return blobs;
    }

    void pressOnMainWindow(const QString& keys) const {
        xdotool({u"windowactivate"_s, u"--sync"_s, QString::number(mainWindow())});
        xdotool({u"key"_s, keys});
    }

    // A Wayland session with an X display: Vantrel runs on XWayland all the same.
    QProcessEnvironment waylandSession() const {
        QProcessEnvironment env = environment();
        env.insert(u"QT_QPA_PLATFORM"_s, u"wayland"_s);
        env.insert(u"XDG_SESSION_TYPE"_s, u"wayland"_s);
        return env;
    }

    bool minimizeMainWindow() const {
        xdotool({u"windowminimize"_s, QString::number(mainWindow())});
        return XSession::waitFor([&] { return mainWindow() == 0; });
    }

    // Alt+F4 reaches the window manager only once it has given the new window the focus:
    // a press that came too early is pressed again.
    bool closeMainWindow() const {
        for (int attempt = 0; attempt < 3; ++attempt) {
            pressOnMainWindow(u"alt+F4"_s);
            if (XSession::waitFor([&] { return mainWindow() == 0; }, 3000))
                return true;
        }
        return false;
    }

    // A click that closes a popup is spent on closing it, so a second one may be needed.
    void openPanel() const {
        for (int attempt = 0; attempt < 4; ++attempt) {
            click(geometry(windowsNamed(u"panel"_s).value(0)).center());
            if (XSession::waitFor([&] { return !windowsNamed(u"Vantrel panel"_s).isEmpty(); },
                                  2500))
                return;
        }
        FAIL() << "the tray panel never opened";
    }

    // Where the panel shows an icon of this colour: each bulk command has its own.
    std::optional<QPoint> iconOf(QColor colour) const {
        const QRect panel = geometry(windowsNamed(u"Vantrel panel"_s).value(0));
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
        if (windowsNamed(u"Vantrel panel"_s).isEmpty())
            openPanel();
        std::optional<QPoint> at;
        ASSERT_TRUE(XSession::waitFor([&] { return (at = iconOf(colour)).has_value(); }));
        click(*at);
    }

    QProcess m_tray;
};

} // namespace

TEST_F(FirstRunAndTray, EnglishAGifThroughTheDialogASizeDragThenTheTrayPanelAfterARestart) {
    const QString picture = m_home.filePath(u"Pictures/party.gif"_s);
    writeFile(picture, GifBuilder()
                           .addFrame(QSize(60, 60), QColor(0x20, 0xa0, 0x40), 10)
                           .addFrame(QSize(60, 60), QColor(0x20, 0x40, 0xa0), 10)
                           .build());
    // A sticker from before, for the panel's commands on more than one.
    store({sticker(u"Old"_s, 100, 100)});
    launch();
    ASSERT_TRUE(XSession::waitFor([&] { return mainWindow() != 0; }));

    // The first-run screen: the chosen segment and the continue button are its pink blobs.
    QList<QRect> blobs;
    ASSERT_TRUE(XSession::waitFor([&] { return (blobs = pinkBlobs()).size() >= 2; }));
    const QRect russian = blobs[blobs.size() - 2];
    click(QPoint(russian.right() + russian.width() / 2, russian.center().y()));
    ASSERT_TRUE(XSession::waitFor([&] {
        blobs = pinkBlobs();
        return blobs.size() >= 2 && blobs[blobs.size() - 2].left() > russian.right();
    })) << "English is chosen";
    click(blobs.last().center());
    ASSERT_TRUE(XSession::waitFor([&] {
        const QByteArray text = readFile(configFile());
        return text.contains("vantrel_language=en") &&
               text.contains("vantrel_onboarding_done=true");
    })) << "the language and the first-run flag are stored";

    // The header's add button is the topmost pink blob; the dialog takes a typed path.
    ASSERT_TRUE(XSession::waitFor([&] { return !(blobs = pinkBlobs()).isEmpty(); }));
    click(blobs.first().center());
    ASSERT_NE(waitForWindow(u"Choose a GIF or image"_s), 0u);
    xdotool({u"type"_s, u"--delay"_s, u"10"_s, picture});
    xdotool({u"key"_s, u"Return"_s});
    ASSERT_TRUE(XSession::waitFor([&] { return stored().size() == 2; }));
    // The sticker takes the picked file's name, its window too.
    const QString name = stored().last().name;
    EXPECT_EQ(name, u"party"_s);
    const quint32 sticker = waitForWindow(name);
    ASSERT_NE(sticker, 0u);
    EXPECT_EQ(geometry(sticker).size(), QSize(160, 160));

    // The size slider's groove is the first thin pink stripe (the header's button and the
    // chosen segments are tall); its handle sits at the groove's right end.
    std::optional<QRect> groove;
    ASSERT_TRUE(XSession::waitFor([&] {
        for (const QRect& blob : pinkBlobs()) {
            if (blob.height() >= 3 && blob.height() <= 6 && blob.width() >= 15 &&
                blob.width() <= 250) {
                groove = blob;
                return true;
            }
        }
        return false;
    })) << "the new sticker is selected and its settings are shown";
    const QPoint handle(groove->right() + 7, groove->center().y());
    xdotool({u"mousemove"_s, QString::number(handle.x()), QString::number(handle.y()),
             u"mousedown"_s, u"1"_s});
    for (int step = 0; step < 10; ++step)
        xdotool({u"mousemove_relative"_s, u"6"_s, u"0"_s});
    xdotool({u"mouseup"_s, u"1"_s});
    ASSERT_TRUE(XSession::waitFor([&] { return geometry(sticker).width() > 160; }))
        << "the window grows while the slider moves";
    ASSERT_TRUE(XSession::waitFor([&] { return stored().last().size > 160; }));
    const QList<Sticker> before = stored();
    EXPECT_EQ(geometry(sticker).width(), static_cast<int>(before.last().size));

    quit();
    launch(waylandSession());
    ASSERT_TRUE(XSession::waitFor([&] { return mainWindow() != 0; }))
        << "the main window opens after launch";
    const quint32 again = waitForWindow(name);
    ASSERT_NE(again, 0u);
    EXPECT_TRUE(XSession::waitFor(
        [&] { return geometry(again).width() == static_cast<int>(before.last().size); }));
    EXPECT_EQ(stored(), before);
    EXPECT_TRUE(pinkBlobs().size() < 4) << "no first-run screen the second time";

    // Closing the main window hides it; the process and the stickers stay.
    ASSERT_TRUE(closeMainWindow());
    EXPECT_EQ(m_program.state(), QProcess::Running);

    openPanel();
    clickCommand(blue);
    EXPECT_TRUE(XSession::waitFor(
        [&] { return windowsNamed(u"Old"_s).isEmpty() && windowsNamed(name).isEmpty(); }));
    clickCommand(blue);
    const quint32 shownAgain = waitForWindow(u"Old"_s);
    ASSERT_NE(shownAgain, 0u);
    // Shown again, the window is a sticker window as it was at the first show.
    EXPECT_TRUE(XSession::waitFor([&] {
        return m_session->hasState(shownAgain, "_NET_WM_STATE_SKIP_TASKBAR") &&
               m_session->hasState(shownAgain, "_NET_WM_STATE_ABOVE");
    }));
    EXPECT_EQ(m_session->property("_NET_WM_DESKTOP", shownAgain), QList<quint32>{0xFFFFFFFFu});
    clickCommand(orange);
    EXPECT_TRUE(XSession::waitFor([&] {
        return geometry(windowsNamed(u"Old"_s).value(0)).topLeft() == QPoint(640 - 80, 400 - 80);
    }));
    clickCommand(purple);
    clickCommand(pink);
    EXPECT_TRUE(XSession::waitFor([&] { return mainWindow() != 0; }))
        << "Open brings the hidden window back";
    ASSERT_TRUE(minimizeMainWindow());
    clickCommand(pink);
    EXPECT_TRUE(XSession::waitFor([&] { return mainWindow() != 0; }))
        << "Open brings the minimised window back";

    // A second launch, which has no user action behind it, brings the minimised main window back
    // through the window manager and leaves at once.
    ASSERT_TRUE(minimizeMainWindow());
    QProcess second;
    second.setProcessEnvironment(waylandSession());
    second.start(QStringLiteral(VANTREL_BINARY), {});
    ASSERT_TRUE(second.waitForFinished(30000));
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_TRUE(XSession::waitFor([&] { return mainWindow() != 0; }));

    // Ctrl+Q quits, with every change on disk.
    pressOnMainWindow(u"ctrl+q"_s);
    ASSERT_TRUE(m_program.waitForFinished(20000));
    EXPECT_EQ(m_program.exitCode(), 0);
    const QList<Sticker> after = stored();
    ASSERT_EQ(after.size(), 2);
    for (const Sticker& s : after) {
        EXPECT_TRUE(s.isLocked);
        EXPECT_FALSE(s.isHidden);
        EXPECT_EQ(s.x + s.size / 2, 640);
    }
}
