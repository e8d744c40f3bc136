// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/X11WindowingServices.h"

#include "support/XSession.h"

#include <QApplication>
#include <QPainter>
#include <QStandardPaths>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <gtest/gtest.h>
#include <iostream>
#include <memory>

namespace {

// The application of these tests, carrying the private X session its windows live on.
class X11TestApplication final : public QApplication {
public:
    X11TestApplication(int& argc, char** argv, XSession* session)
        : QApplication(argc, argv)
        , m_session(session) {}

    static XSession* session() {
        const auto* application = dynamic_cast<X11TestApplication*>(QCoreApplication::instance());
        return application ? application->m_session : nullptr;
    }

private:
    XSession* m_session;
};

class ColouredWindow final : public QWidget {
public:
    ColouredWindow(const QColor& colour, Qt::WindowFlags flags)
        : QWidget(nullptr, flags)
        , m_colour(colour) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.fillRect(rect(), m_colour);
    }

private:
    QColor m_colour;
};

const QString skipTaskbar = QStringLiteral("_NET_WM_STATE_SKIP_TASKBAR");
const QString skipPager = QStringLiteral("_NET_WM_STATE_SKIP_PAGER");
const QString below = QStringLiteral("_NET_WM_STATE_BELOW");
const QString above = QStringLiteral("_NET_WM_STATE_ABOVE");
constexpr quint32 everyDesktop = 0xFFFFFFFF;

quint32 idOf(const QWidget& window) {
    return static_cast<quint32>(window.windowHandle()->winId());
}

class X11Windows : public testing::Test {
protected:
    void SetUp() override {
        m_session = X11TestApplication::session();
        if (!m_session)
            GTEST_SKIP() << "needs Xvfb, openbox, xcompmgr and the X11 tools";
        m_services = X11WindowingServices::create();
        ASSERT_NE(m_services, nullptr);
    }

    // Frameless and translucent like a sticker, created but not shown.
    static std::unique_ptr<QWidget> makeSticker(const QRect& geometry = {100, 100, 160, 160}) {
        auto window = std::make_unique<ColouredWindow>(QColor(255, 0, 0, 128),
                                                       Qt::Window | Qt::FramelessWindowHint |
                                                           Qt::WindowDoesNotAcceptFocus);
        window->setAttribute(Qt::WA_TranslucentBackground);
        window->setAttribute(Qt::WA_ShowWithoutActivating);
        window->setGeometry(geometry);
        return window;
    }

    std::unique_ptr<QWidget> showSticker(StickerLayer layer,
                                         const QRect& geometry = {100, 100, 160, 160}) {
        auto window = makeSticker(geometry);
        window->show();
        m_services->applyStickerWindowState(*window, layer);
        return window;
    }

    // An ordinary decorated window that has the focus.
    static std::unique_ptr<QWidget> showActiveWindow(const QRect& geometry = {50, 50, 400, 400}) {
        auto window = std::make_unique<ColouredWindow>(Qt::white, Qt::Window);
        window->setGeometry(geometry);
        window->show();
        window->activateWindow();
        return window;
    }

    bool waitForState(const QWidget& window, const QStringList& present,
                      const QStringList& absent = {}) const {
        return XSession::waitFor([&] {
            const QStringList state = m_session->netWmState(idOf(window));
            return std::all_of(present.begin(), present.end(),
                               [&](const QString& name) { return state.contains(name); }) &&
                   std::none_of(absent.begin(), absent.end(),
                                [&](const QString& name) { return state.contains(name); });
        });
    }

    bool isStacked(const QList<const QWidget*>& bottomToTop) const {
        const QList<quint32> stacking = m_session->clientListStacking();
        qsizetype previous = -1;
        for (const QWidget* window : bottomToTop) {
            const qsizetype index = stacking.indexOf(idOf(*window));
            if (index <= previous)
                return false;
            previous = index;
        }
        return true;
    }

    bool waitForStacking(const QList<const QWidget*>& bottomToTop) const {
        return XSession::waitFor([&] { return isStacked(bottomToTop); });
    }

    // Managed and mapped by the window manager, so requests are what changes its state.
    bool waitUntilManaged(const QWidget& window) const {
        const QString id = QString::number(idOf(window));
        return XSession::waitFor([&] {
            return m_session->clientListStacking().contains(idOf(window)) &&
                   m_session->run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), id})
                       .contains(u"IsViewable");
        });
    }

    XSession* m_session = nullptr;
    std::unique_ptr<X11WindowingServices> m_services;
};

using X11StickerWindowState = X11Windows;
using X11StickerLayer = X11Windows;
using X11Stacking = X11Windows;
using X11Compositing = X11Windows;

} // namespace

TEST_F(X11StickerWindowState, DesktopStickerSkipsTaskbarAndPagerAndLiesBelow) {
    const auto sticker = showSticker(StickerLayer::desktop);
    EXPECT_TRUE(waitForState(*sticker, {skipTaskbar, skipPager, below}, {above}))
        << m_session->netWmState(idOf(*sticker)).join(u' ').toStdString();
}

TEST_F(X11StickerWindowState, FloatingStickerSkipsTaskbarAndPagerAndLiesAbove) {
    const auto sticker = showSticker(StickerLayer::floating);
    EXPECT_TRUE(waitForState(*sticker, {skipTaskbar, skipPager, above}, {below}))
        << m_session->netWmState(idOf(*sticker)).join(u' ').toStdString();
}

TEST_F(X11StickerWindowState, StickerIsOnEveryWorkspaceAndStaysAnOrdinaryWindowType) {
    const auto sticker = showSticker(StickerLayer::desktop);
    EXPECT_TRUE(
        XSession::waitFor([&] { return m_session->netWmDesktop(idOf(*sticker)) == everyDesktop; }));
    // A desktop or dock type would take the window out of the layers the stickers move in.
    const QString type = m_session->run(QStringLiteral("xprop"),
                                        {QStringLiteral("-id"), QString::number(idOf(*sticker)),
                                         QStringLiteral("_NET_WM_WINDOW_TYPE")});
    EXPECT_TRUE(type.contains(u"_NET_WM_WINDOW_TYPE_NORMAL")) << type.toStdString();
    EXPECT_FALSE(type.contains(u"_DESKTOP") || type.contains(u"_DOCK")) << type.toStdString();
}

TEST_F(X11StickerWindowState, AppliedToAManagedWindowItTakesEffect) {
    const auto sticker = makeSticker();
    sticker->show();
    ASSERT_TRUE(waitUntilManaged(*sticker));
    m_services->applyStickerWindowState(*sticker, StickerLayer::desktop);
    EXPECT_TRUE(waitForState(*sticker, {skipTaskbar, skipPager, below}, {above}));
    EXPECT_TRUE(
        XSession::waitFor([&] { return m_session->netWmDesktop(idOf(*sticker)) == everyDesktop; }));
}

TEST_F(X11StickerWindowState, StateAppliedBeforeTheFirstShowHoldsOnceMapped) {
    const auto sticker = makeSticker();
    sticker->winId();
    m_services->applyStickerWindowState(*sticker, StickerLayer::floating);
    sticker->show();
    EXPECT_TRUE(waitForState(*sticker, {skipTaskbar, skipPager, above}, {below}));
    EXPECT_TRUE(
        XSession::waitFor([&] { return m_session->netWmDesktop(idOf(*sticker)) == everyDesktop; }));
}

TEST_F(X11StickerWindowState, ReappliedAfterHideAndShowTheStateComesBack) {
    const auto sticker = showSticker(StickerLayer::desktop);
    ASSERT_TRUE(waitForState(*sticker, {skipTaskbar, skipPager, below}));
    sticker->hide();
    ASSERT_TRUE(XSession::waitFor(
        [&] { return !m_session->clientListStacking().contains(idOf(*sticker)); }));
    sticker->show();
    m_services->applyStickerWindowState(*sticker, StickerLayer::desktop);
    EXPECT_TRUE(waitForState(*sticker, {skipTaskbar, skipPager, below}, {above}));
    EXPECT_TRUE(
        XSession::waitFor([&] { return m_session->netWmDesktop(idOf(*sticker)) == everyDesktop; }));
}

TEST_F(X11StickerWindowState, WindowsWithoutANativeWindowAreLeftUncreated) {
    const auto sticker = makeSticker();
    const auto other = makeSticker();
    m_services->applyStickerWindowState(*sticker, StickerLayer::desktop);
    m_services->setLayer(*sticker, StickerLayer::floating);
    m_services->restack({sticker.get(), other.get()});
    EXPECT_EQ(sticker->windowHandle(), nullptr);
    EXPECT_EQ(other->windowHandle(), nullptr);
}

TEST_F(X11StickerLayer, SwitchesBetweenBelowAndAboveKeepingTheNativeWindow) {
    const auto sticker = showSticker(StickerLayer::desktop);
    ASSERT_TRUE(waitUntilManaged(*sticker));
    ASSERT_TRUE(waitForState(*sticker, {below}));
    const quint32 id = idOf(*sticker);
    const Qt::WindowFlags flags = sticker->windowFlags();

    m_services->setLayer(*sticker, StickerLayer::floating);
    EXPECT_TRUE(waitForState(*sticker, {skipTaskbar, skipPager, above}, {below}));
    m_services->setLayer(*sticker, StickerLayer::desktop);
    EXPECT_TRUE(waitForState(*sticker, {skipTaskbar, skipPager, below}, {above}));

    EXPECT_EQ(idOf(*sticker), id);
    EXPECT_EQ(sticker->windowFlags(), flags);
}

TEST_F(X11StickerLayer, ChosenWhileHiddenItHoldsOnTheNextShow) {
    const auto sticker = showSticker(StickerLayer::desktop);
    ASSERT_TRUE(waitUntilManaged(*sticker));
    sticker->hide();
    // Until it is withdrawn the window manager still owns the state and clears it.
    ASSERT_TRUE(XSession::waitFor(
        [&] { return !m_session->clientListStacking().contains(idOf(*sticker)); }));
    m_services->setLayer(*sticker, StickerLayer::floating);
    sticker->show();
    EXPECT_TRUE(waitForState(*sticker, {above}, {below}));
}

TEST_F(X11Stacking, DesktopStickerStaysBelowAnActiveOrdinaryWindow) {
    const auto ordinary = showActiveWindow();
    const auto sticker = showSticker(StickerLayer::desktop);
    // Shown last, it would otherwise go on top.
    EXPECT_TRUE(waitForStacking({sticker.get(), ordinary.get()}));
}

TEST_F(X11Stacking, FloatingStickerStaysAboveAnOrdinaryWindowActivatedLater) {
    const auto sticker = showSticker(StickerLayer::floating);
    ASSERT_TRUE(waitForState(*sticker, {above}));
    const auto ordinary = showActiveWindow();
    ASSERT_TRUE(XSession::waitFor([&] { return ordinary->isActiveWindow(); }));
    ordinary->raise();
    EXPECT_TRUE(waitForStacking({ordinary.get(), sticker.get()}));
}

TEST_F(X11Stacking, RestackOrdersStickersOfOneLayerAsAsked) {
    const auto a = showSticker(StickerLayer::floating, {100, 100, 100, 100});
    const auto b = showSticker(StickerLayer::floating, {150, 150, 100, 100});
    const auto c = showSticker(StickerLayer::floating, {200, 200, 100, 100});
    ASSERT_TRUE(waitForStacking({a.get(), b.get(), c.get()}));

    m_services->restack({c.get(), a.get(), b.get()});
    EXPECT_TRUE(waitForStacking({c.get(), a.get(), b.get()}));
    m_services->restack({b.get(), c.get(), a.get()});
    EXPECT_TRUE(waitForStacking({b.get(), c.get(), a.get()}));
}

TEST_F(X11Stacking, RestackKeepsEveryStickerOnItsOwnLayer) {
    const auto desktop = showSticker(StickerLayer::desktop);
    const auto floating = showSticker(StickerLayer::floating);
    const auto first = showSticker(StickerLayer::floating, {300, 300, 100, 100});
    const auto second = showSticker(StickerLayer::floating, {350, 350, 100, 100});
    ASSERT_TRUE(waitForStacking({desktop.get(), floating.get(), first.get(), second.get()}));

    m_services->restack({floating.get(), desktop.get()});
    m_services->restack({});
    m_services->restack({floating.get()});
    // The window manager takes requests in order: once the last one shows, the others are done.
    m_services->restack({second.get(), first.get()});
    ASSERT_TRUE(waitForStacking({second.get(), first.get()}));
    EXPECT_TRUE(isStacked({desktop.get(), floating.get()}));
}

TEST_F(X11Compositing, FollowsTheCompositingManager) {
    EXPECT_TRUE(m_services->isCompositing());
    m_session->stopCompositor();
    EXPECT_FALSE(m_services->isCompositing());
    ASSERT_TRUE(m_session->startCompositor());
    EXPECT_TRUE(m_services->isCompositing());
}

TEST_F(X11Compositing, TranslucentStickerShowsTheWindowBehindOnlyWhileCompositing) {
    const auto ordinary = showActiveWindow({0, 0, 400, 400});
    const auto sticker = showSticker(StickerLayer::floating, {100, 100, 160, 160});
    const auto centre = [&] {
        return m_session->screenshot().pixelColor(sticker->geometry().center());
    };
    // Half-transparent red over white blends to pink; unblended it is dark red on black.
    EXPECT_TRUE(XSession::waitFor([&] {
        const QColor colour = centre();
        return colour.red() > 200 && colour.green() > 90 && colour.green() < 170;
    }));
    m_session->stopCompositor();
    EXPECT_TRUE(XSession::waitFor([&] {
        const QColor colour = centre();
        return colour.red() < 160 && colour.green() < 40;
    }));
}

TEST(X11Factory, XcbPlatformGetsTheX11Services) {
    if (!X11TestApplication::session())
        GTEST_SKIP() << "needs Xvfb, openbox, xcompmgr and the X11 tools";
    const std::unique_ptr<WindowingServices> services = createWindowingServices();
    EXPECT_NE(dynamic_cast<X11WindowingServices*>(services.get()), nullptr);
}

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    // Discovery at build time only lists the tests; that needs no X server.
    if (GTEST_FLAG_GET(list_tests))
        return RUN_ALL_TESTS();

    QStandardPaths::setTestModeEnabled(true);
    std::unique_ptr<XSession> session;
    if (XSession::toolsAvailable()) {
        session = std::make_unique<XSession>();
        if (!session->isReady()) {
            std::cerr << "Could not start Xvfb with openbox and xcompmgr.\n";
            return 1;
        }
        qputenv("DISPLAY", session->display().toLocal8Bit());
        qputenv("QT_QPA_PLATFORM", "xcb");
    } else {
        std::cerr << "Xvfb, openbox, xcompmgr or the X11 tools are missing; skipping.\n";
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    X11TestApplication application(argc, argv, session.get());
    return RUN_ALL_TESTS();
}
