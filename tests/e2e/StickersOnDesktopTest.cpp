// SPDX-License-Identifier: GPL-3.0-or-later
// Sticker windows of the real program: their properties, stacking, pixels and drags, with
// and without a compositing manager.
#include "e2e/ProgramOnXServer.h"

#include <QDir>
#include <algorithm>

namespace {

constexpr int screenHeight = 800;
const QColor behind(0x33, 0x66, 0xcc);

class StickersOnDesktop : public ProgramOnXServer {
protected:
    Sticker sticker(const QString& name, double x, double y,
                    StickerLayer layer = StickerLayer::floating) {
        Sticker s = Sticker::withMedia(mediaFile(name + QStringLiteral(".gif"), Qt::green));
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
        s.gifPath = mediaFile(QStringLiteral("wide.gif"), Qt::green, {40, 20});
        s.bgStyle = BGStyle::color;
        s.bgColor = QStringLiteral("#FF0000");
        s.bgOpacity = opacity;
        s.cornerRadius = 40;
        return s;
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

    // A screenshot once the media is drawn at (x, y) in sticker coordinates.
    QImage screenWithMediaAt(const QList<QPointF>& points, const QString& saveAs) const {
        QImage screen;
        XSession::waitFor([&] {
            screen = m_session->screenshot();
            return !screen.isNull() && std::all_of(points.cbegin(), points.cend(), [&](QPointF p) {
                return near(pixelAt(screen, p.x(), p.y()), Qt::green);
            });
        });
        screen.save(QDir::temp().filePath(saveAs));
        return screen;
    }

    // A pixel of the screen at sticker coordinates (origin bottom-left, y up).
    static QColor pixelAt(const QImage& screen, double x, double y) {
        return screen.pixelColor(static_cast<int>(x), static_cast<int>(screenHeight - y));
    }
};

} // namespace

// Levels, workspaces and the taskbar on each window manager: DesktopMatrixTest.
TEST_F(StickersOnDesktop, EachLevelKeepsZIndexOrderAndHiddenStickersHaveNoWindow) {
    startSession();
    ASSERT_NE(showOrdinaryWindow(behind), 0u);
    Sticker hidden = sticker(QStringLiteral("Hidden"), 500, 100);
    hidden.isHidden = true;
    // The first of the list has the highest zIndex and so lies in front.
    store({sticker(QStringLiteral("Top"), 300, 100), sticker(QStringLiteral("Under"), 320, 120),
           sticker(QStringLiteral("Down"), 100, 100, StickerLayer::desktop), hidden});
    launch();

    const quint32 topId = waitForWindow(QStringLiteral("Top"));
    const quint32 underId = waitForWindow(QStringLiteral("Under"));
    ASSERT_TRUE(waitForWindow(QStringLiteral("Down")) && topId && underId);
    EXPECT_TRUE(
        waitForStacking({windowsNamed(QStringLiteral("ordinary")).value(0), underId, topId}));
    EXPECT_TRUE(windowsNamed(QStringLiteral("Hidden")).isEmpty());
}

TEST_F(StickersOnDesktop, PixelsBlendWithWhatIsBehind) {
    startSession();
    ASSERT_NE(showOrdinaryWindow(behind), 0u);
    Sticker bare = sticker(QStringLiteral("Bare"), 100, 300);
    bare.cornerRadius = 0;
    store({redBehindWideMedia(QStringLiteral("Coloured"), 0.5), bare});
    launch();
    const QImage screen =
        screenWithMediaAt({{480, 380}, {180, 380}}, QStringLiteral("vantrel-e2e-blend.png"));
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

TEST_F(StickersOnDesktop, ADragMovesTheWindowAndStoresThePositionEvenWhenTheXServerDies) {
    startSession();
    Sticker locked = sticker(QStringLiteral("Locked"), 600, 200);
    locked.isLocked = true;
    store({sticker(QStringLiteral("Free"), 200, 200), locked});
    launch();
    const quint32 freeId = waitForWindow(QStringLiteral("Free"));
    ASSERT_TRUE(freeId && waitForWindow(QStringLiteral("Locked")));

    // The middle of a sticker at (x, y), in Qt coordinates.
    const auto middle = [](int x, int y) { return QPoint(x + 80, screenHeight - y - 80); };
    drag(middle(200, 200), {100, -50});
    drag(middle(600, 200), {100, -50});
    EXPECT_TRUE(XSession::waitFor([&] { return geometry(freeId).topLeft() == QPoint(300, 390); }));

    // Moved by someone else, the window is dragged on from where it is.
    xdotool(QStringLiteral("windowmove %1 500 300").arg(freeId).split(u' '));
    ASSERT_TRUE(XSession::waitFor([&] { return geometry(freeId).topLeft() == QPoint(500, 300); }));
    // The server dies within the second that the last position waits to be written.
    drag(middle(500, 340), {50, 30});
    ASSERT_TRUE(XSession::waitFor([&] { return geometry(freeId).topLeft() == QPoint(550, 330); }));
    m_session->killServer();
    ASSERT_TRUE(m_program.waitForFinished(20000));
    const QList<Sticker> after = stored();
    ASSERT_EQ(after.size(), 2);
    EXPECT_EQ(after[0].x, 550);
    EXPECT_EQ(after[0].y, 310);
    EXPECT_EQ(after[1].x, 600);
    EXPECT_EQ(after[1].y, 200);
}

// Started without a compositor, the matrix checks each manager; here one stops under the
// running program, as a user switching compositing off does.
TEST_F(StickersOnDesktop, WhenTheCompositorStopsTheCornersStillShowWhatIsBehindNotBlack) {
    startSession();
    ASSERT_NE(showOrdinaryWindow(behind), 0u);
    store({redBehindWideMedia(QStringLiteral("Shaped"), 1)});
    launch();
    screenWithMediaAt({{480, 380}}, QStringLiteral("vantrel-e2e-composited.png"));
    m_session->stopCompositor();
    QImage screen;
    EXPECT_TRUE(XSession::waitFor([&] {
        screen = m_session->screenshot();
        return !screen.isNull() && near(pixelAt(screen, 401, 301), behind);
    })) << pixelAt(screen, 401, 301).name().toStdString();
    screen.save(QDir::temp().filePath(QStringLiteral("vantrel-e2e-shaped.png")));
    EXPECT_TRUE(near(pixelAt(screen, 480, 320), Qt::red))
        << pixelAt(screen, 480, 320).name().toStdString();
}
