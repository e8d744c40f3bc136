// SPDX-License-Identifier: GPL-3.0-or-later
// Sticker windows of the real program: their stacking, pixels and drags, with a compositing
// manager and after it stops, and a last position saved as the X server dies.
#include "e2e/ProgramOnXServer.h"

using namespace Qt::StringLiterals;

namespace {

constexpr int screenHeight = 800;
const QColor behind(0x33, 0x66, 0xcc);

// A point of the screen from sticker coordinates (origin bottom-left, y up).
QPoint onScreen(int x, int y) {
    return {x, screenHeight - y};
}

using StickersOnDesktop = ProgramOnXServer;

} // namespace

// Levels, workspaces and the taskbar on each window manager: DesktopMatrixTest.
TEST_F(StickersOnDesktop, EachLevelKeepsZIndexOrderPixelsBlendAndADragIsSavedAsTheServerDies) {
    startSession();
    const quint32 ordinaryId = showOrdinaryWindow(behind);
    ASSERT_NE(ordinaryId, 0u);
    // A rounded red sticker at (x, 300) whose wide media leaves the red visible above and below.
    const auto redBehindWideMedia = [&](const QString& name, double x, double opacity) {
        Sticker s = sticker(name, x, 300);
        s.gifPath = mediaFile(u"wide.gif"_s, Qt::green, {40, 20});
        s.bgStyle = BGStyle::color;
        s.bgColor = u"#FF0000"_s;
        s.bgOpacity = opacity;
        s.cornerRadius = 40;
        return s;
    };
    Sticker hidden = sticker(u"Hidden"_s, 500, 100);
    hidden.isHidden = true;
    Sticker bare = sticker(u"Bare"_s, 100, 300);
    bare.cornerRadius = 0;
    Sticker locked = sticker(u"Locked"_s, 1000, 100);
    locked.isLocked = true;
    // The first of the list has the highest zIndex and so lies in front.
    store({sticker(u"Free"_s, 1000, 560), locked, sticker(u"Top"_s, 300, 100),
           sticker(u"Under"_s, 320, 120),
           sticker(u"Down"_s, 100, 100, Qt::green, StickerLayer::desktop), hidden,
           redBehindWideMedia(u"Coloured"_s, 400, 0.5), bare,
           redBehindWideMedia(u"Shaped"_s, 700, 1)});
    launch();

    const quint32 topId = waitForWindow(u"Top"_s);
    const quint32 underId = waitForWindow(u"Under"_s);
    const quint32 freeId = waitForWindow(u"Free"_s);
    ASSERT_TRUE(waitForWindow(u"Down"_s) && waitForWindow(u"Locked"_s) && topId && underId &&
                freeId);
    // Bottom to top, other windows possibly between.
    EXPECT_TRUE(XSession::waitFor([&] {
        const QList<quint32> stacking = m_session->clientListStacking();
        const qsizetype ordinary = stacking.indexOf(ordinaryId), under = stacking.indexOf(underId);
        return ordinary >= 0 && ordinary < under && under < stacking.indexOf(topId);
    }));
    EXPECT_TRUE(windowsNamed(u"Hidden"_s).isEmpty());

    // The media shows; the corners of a rounded sticker show what lies behind, a square one's
    // media reaches its corner, and half-transparent red blends with the blue window.
    const QColor blend((255 + behind.red()) / 2, behind.green() / 2, behind.blue() / 2);
    EXPECT_EQ(mismatches({{onScreen(480, 380), Qt::green},
                          {onScreen(180, 380), Qt::green},
                          {onScreen(780, 380), Qt::green},
                          {onScreen(401, 301), behind},
                          {onScreen(102, 302), Qt::green},
                          {onScreen(480, 320), blend, 20}},
                         u"vantrel-e2e-blend.png"_s),
              QString());

    // Started without a compositor, the matrix checks each manager; here one stops under the
    // running program, as a user switching compositing off does: the corners do not turn black.
    m_session->stopCompositor();
    EXPECT_EQ(mismatches({{onScreen(701, 301), behind}, {onScreen(780, 320), Qt::red}},
                         u"vantrel-e2e-shaped.png"_s),
              QString());

    // A drag moves the free sticker, not the locked one.
    drag(onScreen(1080, 640), {100, -50});
    drag(onScreen(1080, 180), {100, -50});
    EXPECT_TRUE(XSession::waitFor([&] { return geometry(freeId).topLeft() == QPoint(1100, 30); }));
    // Moved by someone else, the window is dragged on from where it is.
    xdotool(u"windowmove %1 1000 300"_s.arg(freeId).split(u' '));
    ASSERT_TRUE(XSession::waitFor([&] { return geometry(freeId).topLeft() == QPoint(1000, 300); }));
    // The server dies within the second that the last position waits to be written.
    drag(QPoint(1080, 380), {50, 30});
    ASSERT_TRUE(XSession::waitFor([&] { return geometry(freeId).topLeft() == QPoint(1050, 330); }));
    m_session->killServer();
    ASSERT_TRUE(m_program.waitForFinished(20000));
    const QList<Sticker> after = stored();
    ASSERT_EQ(after.size(), 9);
    EXPECT_EQ(QPointF(after[0].x, after[0].y), QPointF(1050, 310));
    EXPECT_EQ(QPointF(after[1].x, after[1].y), QPointF(1000, 100));
}
