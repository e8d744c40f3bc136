// SPDX-License-Identifier: GPL-3.0-or-later
// One scenario on every window manager the session can start: where sticker windows appear,
// their levels against an ordinary window and the desktop window, workspaces, "show desktop",
// focus, drags, transparent corners and no decoration. Managers not installed are skipped;
// scripts/desktop-matrix.sh installs them all and runs this suite alone.
#include "e2e/ProgramOnXServer.h"

#include <QSettings>
#include <QThread>
#include <iostream>

using namespace Qt::StringLiterals;

namespace {

constexpr int screenHeight = 800;
constexpr int side = 160;
const QColor desktopColour(0x50, 0x50, 0x50);
const QColor ordinaryColour(0x33, 0x66, 0xcc);
const QColor downColour(Qt::yellow);
const QColor upColour(Qt::green);
// Qt coordinates of the stickers' top-left corners: each lies half over the ordinary window.
const QPoint downAt(840, 100);
const QPoint upAt(840, 400);

// "x,y", for the failure details.
QString xy(QPointF p) {
    return u"%1,%2"_s.arg(p.x()).arg(p.y());
}

class DesktopMatrix : public ProgramOnXServer, public testing::WithParamInterface<QString> {
protected:
    void SetUp() override {
        ProgramOnXServer::SetUp();
        if (!IsSkipped() && !XSession::isInstalled(GetParam()))
            GTEST_SKIP() << GetParam().toStdString() << " is not installed";
    }

    bool isTiling() const { return GetParam() == u"i3"_s; }

    void startDesktop(bool compositor) {
        XSession::Options options;
        options.windowManager = GetParam();
        options.compositor = compositor;
        startSession(options);
        if (HasFatalFailure())
            return;
        // A tiling manager has no desktop window; its root window stands in.
        m_session->showDesktop(desktopColour, !isTiling());
        Sticker up = sticker(u"Up"_s, upAt.x(), screenHeight - upAt.y() - side, upColour);
        Sticker down = sticker(u"Down"_s, downAt.x(), screenHeight - downAt.y() - side, downColour,
                               StickerLayer::desktop);
        up.cornerRadius = down.cornerRadius = 30;
        store({up, down});
        QSettings(configFile(), QSettings::IniFormat).setValue(u"vantrel_onboarding_done"_s, true);
        launch();
        m_upId = waitForWindow(u"Up"_s);
        m_downId = waitForWindow(u"Down"_s);
        ASSERT_TRUE(m_upId && m_downId);
        // The main window opens at start; closed, it only hides.
        quint32 main = 0;
        ASSERT_TRUE(XSession::waitFor([&] { return (main = mainWindow()) != 0; }));
        m_session->closeWindow(main);
        ASSERT_TRUE(XSession::waitFor([&] { return mainWindow() == 0; }));
        // Shown after the stickers, so it starts on top of them.
        m_ordinaryId = showOrdinaryWindow(ordinaryColour);
        ASSERT_NE(m_ordinaryId, 0u);
        // Where the manager put the ordinary window (a tiling one fills the screen with it),
        // once it stays there.
        XSession::waitFor([&] {
            const QRect before = geometry(m_ordinaryId);
            QThread::msleep(200);
            m_ordinaryRect = geometry(m_ordinaryId);
            return m_ordinaryRect == before && m_ordinaryRect.width() > 1;
        });
    }

    // What lies behind a point when no sticker covers it, while the ordinary window is shown;
    // none near its edges, where the decoration is.
    std::optional<QColor> behind(QPoint at) const {
        if (!m_ordinaryRect.adjusted(-40, -40, 8, 8).contains(at))
            return desktopColour;
        if (m_ordinaryRect.adjusted(4, 4, -4, -4).contains(at))
            return ordinaryColour;
        return std::nullopt;
    }

    // Waits until the screen shows every expected colour; records the check under label.
    void screenShows(const QString& label, const QList<Shown>& expected) {
        const QString wrong =
            mismatches(expected, u"vantrel-matrix-%1-%2.png"_s.arg(GetParam(), label));
        record(label, wrong.isEmpty(), wrong);
    }

    void record(const QString& label, bool passed, const QString& detail = {}) {
        EXPECT_TRUE(passed) << GetParam().toStdString() << ", " << label.toStdString() << ":"
                            << detail.toStdString();
        m_results += u" %1=%2"_s.arg(label, passed ? u"PASS"_s : u"FAIL"_s);
    }

    void notApplicable(const QString& label) { m_results += u" %1=N/A"_s.arg(label); }

    void TearDown() override {
        if (!m_results.isEmpty())
            std::cout << "desktop matrix " << GetParam().toStdString() << ":"
                      << m_results.toStdString() << std::endl;
        ProgramOnXServer::TearDown();
    }

    // Empty when neither sticker is active, focused or demanding attention; else which is.
    QString focusedOrDemanding() const {
        QString found;
        for (const quint32 id : {m_upId, m_downId}) {
            if (m_session->hasState(id, "_NET_WM_STATE_DEMANDS_ATTENTION"))
                found += u" %1 demands attention"_s.arg(id);
            if (m_session->property("_NET_ACTIVE_WINDOW").value(0) == id)
                found += u" %1 active"_s.arg(id);
            if (m_session->inputFocus() == id)
                found += u" %1 focused"_s.arg(id);
        }
        return found;
    }

    quint32 m_ordinaryId = 0;
    quint32 m_upId = 0;
    quint32 m_downId = 0;
    QRect m_ordinaryRect;
    QString m_results;
};

TEST_P(DesktopMatrix, StickersKeepTheirPlaceLevelAndLook) {
    startDesktop(true);
    if (HasFatalFailure())
        return;
    const QPoint downInside = downAt + QPoint(20, 80);
    const QPoint downOutside = downAt + QPoint(140, 80);
    const QPoint upInside = upAt + QPoint(20, 80);
    const QPoint upOutside = upAt + QPoint(140, 80);

    record(u"place"_s, XSession::waitFor([&] {
               return geometry(m_upId) == QRect(upAt, QSize(side, side)) &&
                      geometry(m_downId) == QRect(downAt, QSize(side, side));
           }),
           " up at " + xy(geometry(m_upId).topLeft()) + ", down at " +
               xy(geometry(m_downId).topLeft()));

    // Floating stickers over the ordinary window, desktop ones under it and over the desktop.
    QList<Shown> levels = {{upInside, upColour}, {upOutside, upColour}};
    for (const QPoint at : {downInside, downOutside})
        levels.append({at, behind(at) == ordinaryColour ? ordinaryColour : downColour});
    screenShows(u"levels"_s, levels);

    // Corners show what lies behind, and nothing (decoration, shadow) surrounds a sticker.
    QList<Shown> look;
    for (const QPoint at :
         {upAt + QPoint(1, 1), upAt + QPoint(side - 2, 1), upAt + QPoint(side + 6, 80),
          upAt + QPoint(140, -5), upAt + QPoint(140, side + 5)}) {
        if (const std::optional<QColor> colour = behind(at))
            look.append({at, *colour});
    }
    screenShows(u"look"_s, look);

    if (isTiling()) {
        // A window i3 floats goes above its tiled ones, yet stays under floating stickers.
        const QString window = u"[id=%1] "_s.arg(m_ordinaryId);
        m_session->run(u"i3-msg"_s, {window + u"floating enable, move position 300 50"_s});
        screenShows(
            u"floatedWindow"_s,
            {{upInside, upColour}, {upOutside, upColour}, {QPoint(600, 300), ordinaryColour}});
        m_session->run(u"i3-msg"_s, {window + u"floating disable"_s});
        notApplicable(u"desktopClicked"_s);
    } else {
        click({1200, 40});
        screenShows(u"desktopClicked"_s, levels);
    }

    // On another workspace only the stickers remain.
    m_session->switchWorkspace(1);
    QList<Shown> alone = {
        {downInside, downColour}, {downOutside, downColour}, {upInside, upColour}};
    // i3 paints an empty workspace its own colour.
    if (!isTiling())
        alone.append({QPoint(100, 100), desktopColour});
    screenShows(u"workspaces"_s, alone);
    m_session->switchWorkspace(0);

    if (m_session->supports("_NET_SHOWING_DESKTOP")) {
        m_session->setShowingDesktop(true);
        screenShows(u"showDesktop"_s, {{QPoint(100, 100), desktopColour},
                                       {downInside, downColour},
                                       {downOutside, downColour}});
        m_session->setShowingDesktop(false);
        screenShows(u"windowsBack"_s, levels);
    } else {
        notApplicable(u"showDesktop"_s);
    }

    const auto outOfTaskbar = [&](quint32 id) {
        return !m_session->property("_NET_CLIENT_LIST").contains(id) ||
               (m_session->hasState(id, "_NET_WM_STATE_SKIP_TASKBAR") &&
                m_session->hasState(id, "_NET_WM_STATE_SKIP_PAGER"));
    };
    record(u"taskbar"_s, outOfTaskbar(m_upId) && outOfTaskbar(m_downId));

    // A click on each leaves the focus where it was.
    QString focus = focusedOrDemanding();
    click(upOutside);
    click(downOutside);
    XSession::waitFor([&] { return !(focus += focusedOrDemanding()).isEmpty(); }, 1000);
    record(u"focus"_s, focus.isEmpty(), focus);

    // A drag moves each window by the pointer's motion, and the store learns where it is.
    const QPoint upFrom = geometry(m_upId).topLeft();
    const QPoint downFrom = geometry(m_downId).topLeft();
    // A tiled ordinary window covers the whole desktop level.
    const QPoint downBy = isTiling() ? QPoint() : QPoint(-30, 40);
    drag(upOutside, {50, 30});
    if (!isTiling())
        drag(downOutside, downBy);
    const bool dragged = XSession::waitFor([&] {
        return geometry(m_upId).topLeft() == upFrom + QPoint(50, 30) &&
               geometry(m_downId).topLeft() == downFrom + downBy;
    });
    const QRect up = geometry(m_upId);
    const QRect down = geometry(m_downId);
    quit();
    const QList<Sticker> after = stored();
    ASSERT_EQ(after.size(), 2);
    record(u"drag"_s,
           dragged && after[0].x == up.x() && after[0].y == screenHeight - up.bottom() - 1 &&
               after[1].x == down.x() && after[1].y == screenHeight - down.bottom() - 1,
           " up at " + xy(up.topLeft()) + " stored " + xy({after[0].x, after[0].y}) + ", down at " +
               xy(down.topLeft()) + " stored " + xy({after[1].x, after[1].y}));
}

TEST_P(DesktopMatrix, WithoutACompositorStickersAreShapedToTheirCorners) {
    if (XSession::alwaysComposites(GetParam()))
        GTEST_SKIP() << GetParam().toStdString() << " always composites";
    startDesktop(false);
    if (HasFatalFailure())
        return;
    const QPoint corner = upAt + QPoint(1, 1);
    screenShows(u"shaped"_s, {{corner, *behind(corner)}, {upAt + QPoint(80, 80), upColour}});
}

INSTANTIATE_TEST_SUITE_P(Desktops, DesktopMatrix, testing::ValuesIn(XSession::windowManagers()),
                         [](const testing::TestParamInfo<QString>& param) {
                             return param.param.toStdString();
                         });

} // namespace
