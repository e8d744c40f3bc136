// SPDX-License-Identifier: GPL-3.0-or-later
// The real program on a private X server: sticker windows, their properties, stacking,
// pixels and drags, with and without a compositing manager.
#include "model/StickerJson.h"
#include "support/GifBuilder.h"
#include "support/TestSupport.h"
#include "support/XSession.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>

namespace {

constexpr int screenHeight = 800;
const QColor behind(0x33, 0x66, 0xcc);

class StickersOnDesktop : public testing::Test {
protected:
    void SetUp() override {
        if (!XSession::toolsAvailable())
            GTEST_SKIP() << "Xvfb, openbox or xcompmgr missing";
    }

    void TearDown() override {
        quit();
        if (m_ordinary) {
            m_ordinary->kill();
            m_ordinary->waitForFinished();
        }
    }

    void startSession(bool compositor) {
        XSession::Options options;
        options.compositor = compositor;
        m_session = std::make_unique<XSession>(options);
        ASSERT_TRUE(m_session->isReady());
    }

    QString media(const QString& name, QColor colour, QSize size = {40, 40}) {
        const QString path = m_home.filePath(QStringLiteral(".local/share/Vantrel/Media/") + name);
        writeFile(path, GifBuilder().addFrame(size, colour, 10).addFrame(size, colour, 10).build());
        return path;
    }

    Sticker sticker(const QString& name, double x, double y,
                    StickerLayer layer = StickerLayer::floating) {
        Sticker s = Sticker::withMedia(media(name + QStringLiteral(".gif"), Qt::green));
        s.name = name;
        s.x = x;
        s.y = y;
        s.size = 160;
        s.layer = layer;
        return s;
    }

    // A rounded red sticker at (400, 300) whose wide media leaves the red visible above and
    // below it.
    Sticker redBehindWideMedia(const QString& name, double opacity) {
        Sticker s = sticker(name, 400, 300);
        s.gifPath = media(QStringLiteral("wide.gif"), Qt::green, {40, 20});
        s.bgStyle = BGStyle::color;
        s.bgColor = QStringLiteral("#FF0000");
        s.bgOpacity = opacity;
        s.cornerRadius = 40;
        return s;
    }

    void store(const QList<Sticker>& stickers) {
        QSettings settings(configFile(), QSettings::IniFormat);
        settings.setValue(QStringLiteral("vantrel_stickers_v5"), *StickerJson::encode(stickers));
    }

    QList<Sticker> stored() const {
        const QSettings settings(configFile(), QSettings::IniFormat);
        return StickerJson::decode(
                   settings.value(QStringLiteral("vantrel_stickers_v5")).toByteArray())
            .value_or(QList<Sticker>());
    }

    QString configFile() const {
        return m_home.filePath(QStringLiteral(".config/Vantrel/Vantrel.conf"));
    }

    // An ordinary window of one colour over the left part of the screen.
    void showOrdinaryWindow() {
        m_ordinary = std::make_unique<QProcess>();
        m_ordinary->setProcessEnvironment(m_session->environment());
        m_ordinary->start(QStringLiteral("xmessage"),
                          {QStringLiteral("-bg"), behind.name(), QStringLiteral("-fg"),
                           behind.name(), QStringLiteral("-geometry"),
                           QStringLiteral("900x700+0+0"), QStringLiteral("-title"),
                           QStringLiteral("ordinary"), QStringLiteral(".")});
        ASSERT_TRUE(
            XSession::waitFor([&] { return !windowsNamed(QStringLiteral("ordinary")).isEmpty(); }));
    }

    void launch() {
        QProcessEnvironment env = m_session->environment();
        isolateHome(env, m_home.path());
        m_program = std::make_unique<QProcess>();
        m_program->setProcessEnvironment(env);
        m_program->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_program->start(QStringLiteral(VANTREL_BINARY), {});
        ASSERT_TRUE(m_program->waitForStarted());
    }

    void quit() {
        if (!m_program || m_program->state() == QProcess::NotRunning)
            return;
        ::kill(static_cast<pid_t>(m_program->processId()), SIGTERM);
        EXPECT_TRUE(m_program->waitForFinished(20000));
        EXPECT_EQ(m_program->exitCode(), 0);
    }

    QList<quint32> windowsNamed(const QString& name, bool visibleOnly = true) const {
        QStringList arguments{QStringLiteral("search")};
        if (visibleOnly)
            arguments.append(QStringLiteral("--onlyvisible"));
        arguments << QStringLiteral("--name") << QStringLiteral("^%1$").arg(name);
        QList<quint32> ids;
        for (const QString& line :
             m_session->run(QStringLiteral("xdotool"), arguments).split(u'\n', Qt::SkipEmptyParts))
            ids.append(line.trimmed().toUInt());
        return ids;
    }

    quint32 waitForWindow(const QString& name) const {
        quint32 id = 0;
        XSession::waitFor([&] {
            const QList<quint32> ids = windowsNamed(name);
            id = ids.isEmpty() ? 0 : ids.first();
            return id != 0;
        });
        return id;
    }

    // True once the windows stack bottom to top in this order (others may lie between).
    bool waitForStacking(const QList<quint32>& bottomToTop) const {
        return XSession::waitFor([&] {
            const QList<quint32> stacking = m_session->clientListStacking();
            qsizetype last = -1;
            for (const quint32 id : bottomToTop) {
                const qsizetype at = stacking.indexOf(id);
                if (at <= last)
                    return false;
                last = at;
            }
            return true;
        });
    }

    // A pixel of the screen at sticker coordinates (origin bottom-left, y up).
    QColor pixelAt(const QImage& screen, double x, double y) const {
        return screen.pixelColor(static_cast<int>(x), static_cast<int>(screenHeight - y));
    }

    static bool near(const QColor& a, const QColor& b, int tolerance = 12) {
        return std::abs(a.red() - b.red()) <= tolerance &&
               std::abs(a.green() - b.green()) <= tolerance &&
               std::abs(a.blue() - b.blue()) <= tolerance;
    }

    QTemporaryDir m_home;
    std::unique_ptr<XSession> m_session;
    std::unique_ptr<QProcess> m_ordinary;
    std::unique_ptr<QProcess> m_program;
};

} // namespace

TEST_F(StickersOnDesktop, WindowsAreOnEveryWorkspaceOutOfTheTaskbarAndOnTheirLevels) {
    startSession(true);
    showOrdinaryWindow();
    Sticker down = sticker(QStringLiteral("Down"), 100, 100, StickerLayer::desktop);
    Sticker lowest = sticker(QStringLiteral("Lowest"), 120, 120, StickerLayer::desktop);
    Sticker top = sticker(QStringLiteral("Top"), 300, 100);
    Sticker under = sticker(QStringLiteral("Under"), 320, 120);
    Sticker hidden = sticker(QStringLiteral("Hidden"), 500, 100);
    hidden.isHidden = true;
    // The first of the list has the highest zIndex and so lies in front.
    store({top, under, down, lowest, hidden});
    launch();

    const quint32 downId = waitForWindow(QStringLiteral("Down"));
    const quint32 lowestId = waitForWindow(QStringLiteral("Lowest"));
    const quint32 topId = waitForWindow(QStringLiteral("Top"));
    const quint32 underId = waitForWindow(QStringLiteral("Under"));
    const quint32 ordinaryId = windowsNamed(QStringLiteral("ordinary")).value(0);
    ASSERT_NE(downId, 0u);
    ASSERT_NE(topId, 0u);
    ASSERT_NE(underId, 0u);
    for (const quint32 id : {downId, topId, underId}) {
        EXPECT_TRUE(XSession::waitFor([&] {
            const QStringList state = m_session->netWmState(id);
            return state.contains(QStringLiteral("_NET_WM_STATE_SKIP_TASKBAR")) &&
                   state.contains(QStringLiteral("_NET_WM_STATE_SKIP_PAGER"));
        }));
        EXPECT_EQ(m_session->netWmDesktop(id), 0xFFFFFFFFu);
    }
    EXPECT_TRUE(m_session->netWmState(downId).contains(QStringLiteral("_NET_WM_STATE_BELOW")));
    EXPECT_TRUE(m_session->netWmState(topId).contains(QStringLiteral("_NET_WM_STATE_ABOVE")));
    // Each level keeps zIndex order; desktop stickers stay below the ordinary window.
    EXPECT_TRUE(waitForStacking({lowestId, downId, ordinaryId, underId, topId}));
    EXPECT_TRUE(windowsNamed(QStringLiteral("Hidden")).isEmpty());
}

TEST_F(StickersOnDesktop, PixelsBlendWithWhatIsBehind) {
    startSession(true);
    showOrdinaryWindow();
    const Sticker coloured = redBehindWideMedia(QStringLiteral("Coloured"), 0.5);
    Sticker bare = sticker(QStringLiteral("Bare"), 100, 300);
    bare.cornerRadius = 0;
    store({coloured, bare});
    launch();
    ASSERT_NE(waitForWindow(QStringLiteral("Coloured")), 0u);
    ASSERT_NE(waitForWindow(QStringLiteral("Bare")), 0u);

    QImage screen;
    const bool drawn = XSession::waitFor([&] {
        screen = m_session->screenshot();
        return !screen.isNull() && near(pixelAt(screen, 480, 380), Qt::green) &&
               near(pixelAt(screen, 180, 380), Qt::green);
    });
    screen.save(QDir::temp().filePath(QStringLiteral("vantrel-e2e-blend.png")));
    ASSERT_TRUE(drawn) << "media never drawn";
    // The square media of a 160 sticker fills it; the corners show what lies behind.
    EXPECT_TRUE(near(pixelAt(screen, 401, 301), behind))
        << pixelAt(screen, 401, 301).name().toStdString();
    // Bare media with square corners reaches its corner.
    EXPECT_TRUE(near(pixelAt(screen, 102, 302), Qt::green));
    // Half-transparent red over the blue window, below the media.
    const QColor blend = pixelAt(screen, 480, 320);
    EXPECT_TRUE(
        near(blend, QColor((255 + behind.red()) / 2, behind.green() / 2, behind.blue() / 2), 20))
        << blend.name().toStdString();
}

TEST_F(StickersOnDesktop, ADragMovesTheWindowAndStoresThePosition) {
    startSession(true);
    Sticker free = sticker(QStringLiteral("Free"), 200, 200);
    Sticker locked = sticker(QStringLiteral("Locked"), 600, 200);
    locked.isLocked = true;
    store({free, locked});
    launch();
    ASSERT_NE(waitForWindow(QStringLiteral("Free")), 0u);
    ASSERT_NE(waitForWindow(QStringLiteral("Locked")), 0u);

    const auto drag = [&](double x, double y, int dx, int dy) {
        const int qtX = static_cast<int>(x) + 80;
        const int qtY = screenHeight - static_cast<int>(y) - 80;
        m_session->run(QStringLiteral("xdotool"),
                       {QStringLiteral("mousemove"), QString::number(qtX), QString::number(qtY)});
        m_session->run(QStringLiteral("xdotool"),
                       {QStringLiteral("mousedown"), QStringLiteral("1")});
        for (int step = 1; step <= 5; ++step)
            m_session->run(QStringLiteral("xdotool"),
                           {QStringLiteral("mousemove"), QString::number(qtX + dx * step / 5),
                            QString::number(qtY + dy * step / 5)});
        m_session->run(QStringLiteral("xdotool"), {QStringLiteral("mouseup"), QStringLiteral("1")});
    };
    drag(200, 200, 100, -50);
    drag(600, 200, 100, -50);
    const quint32 freeId = windowsNamed(QStringLiteral("Free")).value(0);
    EXPECT_TRUE(XSession::waitFor([&] {
        const QString geometry =
            m_session->run(QStringLiteral("xdotool"),
                           {QStringLiteral("getwindowgeometry"), QString::number(freeId)});
        return geometry.contains(QStringLiteral("Position: 300,390"));
    })) << m_session
               ->run(QStringLiteral("xdotool"),
                     {QStringLiteral("getwindowgeometry"), QString::number(freeId)})
               .toStdString();

    quit();
    const QList<Sticker> after = stored();
    ASSERT_EQ(after.size(), 2);
    EXPECT_EQ(after[0].x, 300);
    EXPECT_EQ(after[0].y, 250);
    EXPECT_EQ(after[1].x, 600);
    EXPECT_EQ(after[1].y, 200);
}

TEST_F(StickersOnDesktop, WithoutACompositorTheCornersShowWhatIsBehindNotBlack) {
    startSession(false);
    showOrdinaryWindow();
    const Sticker coloured = redBehindWideMedia(QStringLiteral("Shaped"), 1);
    store({coloured});
    launch();
    ASSERT_NE(waitForWindow(QStringLiteral("Shaped")), 0u);
    QImage screen;
    const bool drawn = XSession::waitFor([&] {
        screen = m_session->screenshot();
        return !screen.isNull() && near(pixelAt(screen, 480, 380), Qt::green);
    });
    screen.save(QDir::temp().filePath(QStringLiteral("vantrel-e2e-shaped.png")));
    ASSERT_TRUE(drawn);
    EXPECT_TRUE(near(pixelAt(screen, 401, 301), behind))
        << pixelAt(screen, 401, 301).name().toStdString();
    EXPECT_TRUE(near(pixelAt(screen, 480, 320), Qt::red))
        << pixelAt(screen, 480, 320).name().toStdString();
}
