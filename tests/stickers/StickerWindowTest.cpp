// SPDX-License-Identifier: GPL-3.0-or-later
#include "stickers/StickerWindow.h"

#include "platform/ScreenCoordinates.h"
#include "stickers/NotificationHub.h"
#include "stickers/RecordingWindowingServices.h"
#include "store/MemoryPreferencesBackend.h"
#include "store/Preferences.h"
#include "store/StickerStore.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class StickerWindowTest : public testing::Test {
protected:
    StickerWindowTest() {
        m_store.addSticker(QStringLiteral("/missing/a.gif"));
        m_window =
            std::make_unique<StickerWindow>(m_store.stickers().first(), &m_store, services());
    }

    StickerNSView::Services services() { return {&m_cache, &m_hub, &m_windowing, {}}; }

    // Sends a mouse event to the view at a global position in Qt coordinates.
    void mouse(QEvent::Type type, QPointF global, Qt::MouseButton button = Qt::LeftButton) {
        StickerNSView* view = m_window->stickerView();
        const Qt::MouseButtons buttons =
            type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
        QMouseEvent event(type, view->mapFromGlobal(global), global, button, buttons,
                          Qt::NoModifier);
        QApplication::sendEvent(view, &event);
    }

    QPointF stored() const { return {m_store.stickers().first().x, m_store.stickers().first().y}; }

    QTemporaryDir m_root;
    Preferences m_preferences{std::make_shared<MemoryPreferencesBackend>()};
    StickerStore m_store{m_preferences, m_root.filePath(QStringLiteral("data"))};
    RecordingWindowingServices m_windowing;
    NotificationHub m_hub;
    MediaCache m_cache;
    std::unique_ptr<StickerWindow> m_window;
};

} // namespace

TEST_F(StickerWindowTest, SitsOnTheRecordsSquareAndGrowsUpFromItsCorner) {
    const QRect primary = ScreenCoordinates::primaryScreenGeometry();
    const QRect square(primary.x() + 200, primary.y() + primary.height() - 300 - 160, 160, 160);
    EXPECT_EQ(m_window->geometry(), square);
    // The record's origin is the bottom-left corner, which stays put as the size grows.
    Sticker bigger = m_store.stickers().first();
    bigger.size = 240;
    m_window->applySticker(bigger);
    EXPECT_EQ(m_window->geometry().bottomLeft(), square.bottomLeft());
    EXPECT_EQ(m_window->stickerView()->size(), QSize(240, 240));
}

TEST_F(StickerWindowTest, KeepsAbsurdRecordsWithinWhatAWindowCanBe) {
    Sticker odd = m_store.stickers().first();
    for (const double size : {-5.0, 0.0, 1e12, std::numeric_limits<double>::quiet_NaN()}) {
        odd.size = size;
        const int width = StickerWindow::geometryFor(odd).width();
        EXPECT_TRUE(width >= 1 && width <= 8192) << size << " -> " << width;
    }
    odd.x = std::numeric_limits<double>::infinity();
    odd.y = -1e300;
    EXPECT_TRUE(StickerWindow::geometryFor(odd).isValid());
}

TEST_F(StickerWindowTest, ADragMovesTheWindowAndStoresEveryStep) {
    m_window->orderFront();
    QSignalSpy interactions(&m_hub, &NotificationHub::stickerInteractionEnded);
    const QPointF start = m_window->geometry().center();
    mouse(QEvent::MouseButtonPress, start);
    EXPECT_EQ(m_window->stickerView()->cursor().shape(), Qt::ClosedHandCursor);
    // Qt's y grows downward: (+30, +10) on screen is (+30, -10) in sticker points.
    mouse(QEvent::MouseMove, start + QPointF(10, 4));
    mouse(QEvent::MouseMove, start + QPointF(30, 10));
    mouse(QEvent::MouseButtonRelease, start + QPointF(30, 10));
    EXPECT_EQ(interactions.count(), 2);
    EXPECT_EQ(m_window->stickerView()->cursor().shape(), Qt::OpenHandCursor);
    EXPECT_EQ(m_window->origin(), QPointF(230, 290));
    EXPECT_EQ(stored(), QPointF(230, 290));
    EXPECT_EQ(m_window->sticker().x, 200) << "the window's copy waits for the next sync";
    const QRect primary = ScreenCoordinates::primaryScreenGeometry();
    EXPECT_EQ(m_window->pos(),
              QPoint(primary.x() + 230, primary.y() + primary.height() - 290 - 160));

    // Put elsewhere by the window manager, the window moves on from there.
    m_window->move(m_window->pos() + QPoint(-100, 50));
    const QPointF moved = m_window->geometry().center();
    mouse(QEvent::MouseButtonPress, moved);
    mouse(QEvent::MouseMove, moved + QPointF(10, 5));
    mouse(QEvent::MouseButtonRelease, moved + QPointF(10, 5));
    EXPECT_EQ(stored(), QPointF(140, 235));
}

// Locking mid-drag stops the steps at once; once locked, a press starts no drag at all.
TEST_F(StickerWindowTest, ALockedStickerNeverMoves) {
    const QPointF start = m_window->geometry().center();
    mouse(QEvent::MouseButtonPress, start);
    mouse(QEvent::MouseMove, start + QPointF(5, 0));
    Sticker locked = m_store.stickers().first();
    locked.isLocked = true;
    m_store.updateSticker(locked);
    m_window->applySticker(locked);
    EXPECT_EQ(m_window->stickerView()->cursor().shape(), Qt::ArrowCursor);
    mouse(QEvent::MouseMove, start + QPointF(25, 0));
    EXPECT_EQ(stored(), QPointF(205, 300));
    mouse(QEvent::MouseButtonRelease, start + QPointF(25, 0));

    QSignalSpy interactions(&m_hub, &NotificationHub::stickerInteractionEnded);
    mouse(QEvent::MouseButtonPress, start);
    EXPECT_EQ(interactions.count(), 0);
    EXPECT_FALSE(m_window->stickerView()->isDragging());
    mouse(QEvent::MouseMove, start + QPointF(50, 50));
    mouse(QEvent::MouseButtonRelease, start + QPointF(50, 50));
    EXPECT_EQ(interactions.count(), 1);
    EXPECT_EQ(m_window->stickerView()->cursor().shape(), Qt::ArrowCursor);
    EXPECT_EQ(stored(), QPointF(205, 300));
    EXPECT_EQ(m_window->origin(), stored());
}

TEST_F(StickerWindowTest, AfterTeardownNothingMovesOrChanges) {
    mouse(QEvent::MouseButtonPress, m_window->geometry().center());
    QPointer<StickerNSView> view(m_window->stickerView());
    m_window->teardown();
    EXPECT_TRUE(view.isNull());
    Sticker moved = m_store.stickers().first();
    moved.x = 999;
    m_window->applySticker(moved);
    EXPECT_EQ(m_window->sticker().x, 200);
    m_window->orderFront();
    EXPECT_FALSE(m_window->isVisible());
}

TEST_F(StickerWindowTest, LayerChangesGoThroughTheWindowSystemOnlyWhenTheLayerChanges) {
    m_window->orderFront();
    Sticker s = m_store.stickers().first();
    for (const StickerLayer layer : {StickerLayer::floating, StickerLayer::desktop,
                                     StickerLayer::desktop, StickerLayer::floating}) {
        s.layer = layer;
        s.size += 10;
        m_window->applySticker(s);
    }
    EXPECT_EQ(m_windowing.layerChanges,
              (QStringList{QStringLiteral("a.gif:desktop"), QStringLiteral("a.gif:floating")}));
}
