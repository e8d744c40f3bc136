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
        m_window = std::make_unique<StickerWindow>(
            record(), &m_store, StickerNSView::Services{&m_cache, &m_hub, &m_windowing, {}});
    }

    // global is in Qt coordinates.
    void mouse(QEvent::Type type, QPointF global) {
        StickerNSView* view = m_window->stickerView();
        QMouseEvent event(type, view->mapFromGlobal(global), global, Qt::LeftButton,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                          Qt::NoModifier);
        QApplication::sendEvent(view, &event);
    }

    Sticker record() const { return m_store.stickers().first(); }
    QPointF stored() const { return {record().x, record().y}; }

    QTemporaryDir m_root;
    Preferences m_preferences{std::make_shared<MemoryPreferencesBackend>()};
    StickerStore m_store{m_preferences, m_root.filePath(QStringLiteral("data"))};
    RecordingWindowingServices m_windowing;
    NotificationHub m_hub;
    MediaCache m_cache;
    std::unique_ptr<StickerWindow> m_window;
    const QRect m_primary = ScreenCoordinates::primaryScreenGeometry();
};

} // namespace

// The record's origin is the bottom-left corner; absurd records still give a window X11 allows.
TEST_F(StickerWindowTest, SitsOnTheRecordsSquareAndGrowsUpFromItsCorner) {
    const QRect square(m_primary.x() + 200, m_primary.y() + m_primary.height() - 460, 160, 160);
    EXPECT_EQ(m_window->geometry(), square);
    Sticker odd = record();
    odd.size = 240;
    m_window->applySticker(odd);
    EXPECT_EQ(m_window->geometry().bottomLeft(), square.bottomLeft());
    EXPECT_EQ(m_window->stickerView()->size(), QSize(240, 240));
    for (const double size : {-5.0, 0.0, 1e12, std::numeric_limits<double>::quiet_NaN()}) {
        odd.size = size;
        const int width = StickerWindow::geometryFor(odd).width();
        EXPECT_TRUE(width >= 1 && width <= 8192) << size << " -> " << width;
    }
    odd.x = std::numeric_limits<double>::infinity();
    odd.y = -1e300;
    EXPECT_TRUE(StickerWindow::geometryFor(odd).isValid());
}

// Qt's y grows downward: (+30, +10) on screen is (+30, -10) in sticker points.
TEST_F(StickerWindowTest, ADragMovesTheWindowFromWhereItIsUntilItCloses) {
    QSignalSpy interactions(&m_hub, &NotificationHub::stickerInteractionEnded);
    const QPointF start = m_window->geometry().center();
    mouse(QEvent::MouseButtonPress, start);
    EXPECT_EQ(m_window->stickerView()->cursor().shape(), Qt::ClosedHandCursor);
    mouse(QEvent::MouseMove, start + QPointF(10, 4));
    mouse(QEvent::MouseMove, start + QPointF(30, 10));
    EXPECT_EQ(stored(), QPointF(230, 290));
    mouse(QEvent::MouseButtonRelease, start + QPointF(30, 10));
    EXPECT_EQ(interactions.count(), 2);
    EXPECT_EQ(m_window->pos(),
              QPoint(m_primary.x() + 230, m_primary.y() + m_primary.height() - 450));

    m_window->move(m_window->pos() + QPoint(-100, 50));
    const QPointF moved = m_window->geometry().center();
    mouse(QEvent::MouseButtonPress, moved);
    mouse(QEvent::MouseMove, moved + QPointF(10, 5));
    EXPECT_EQ(stored(), QPointF(140, 235));

    // Closed mid-drag, the window takes no more updates and is not shown again.
    QPointer<StickerNSView> view(m_window->stickerView());
    m_window->teardown();
    EXPECT_TRUE(view.isNull());
    m_window->applySticker(record());
    EXPECT_EQ(m_window->sticker().x, 200);
    m_window->orderFront();
    EXPECT_FALSE(m_window->isVisible());
}

// Locking mid-drag stops the steps at once; once locked, a press starts no drag at all.
TEST_F(StickerWindowTest, ALockedStickerNeverMoves) {
    const QPointF start = m_window->geometry().center();
    mouse(QEvent::MouseButtonPress, start);
    mouse(QEvent::MouseMove, start + QPointF(5, 0));
    Sticker locked = record();
    locked.isLocked = true;
    m_store.updateSticker(locked);
    m_window->applySticker(locked);
    mouse(QEvent::MouseMove, start + QPointF(25, 0));
    mouse(QEvent::MouseButtonRelease, start + QPointF(25, 0));
    EXPECT_EQ(stored(), QPointF(205, 300));

    QSignalSpy interactions(&m_hub, &NotificationHub::stickerInteractionEnded);
    mouse(QEvent::MouseButtonPress, start);
    mouse(QEvent::MouseMove, start + QPointF(50, 50));
    mouse(QEvent::MouseButtonRelease, start + QPointF(50, 50));
    EXPECT_EQ(interactions.count(), 1);
    EXPECT_EQ(stored(), QPointF(205, 300));
    EXPECT_EQ(m_window->origin(), stored());
}

TEST_F(StickerWindowTest, TheWindowSystemHearsOfALayerOnlyWhenItChanges) {
    m_window->orderFront();
    Sticker s = record();
    for (const StickerLayer layer : {StickerLayer::floating, StickerLayer::desktop,
                                     StickerLayer::desktop, StickerLayer::floating}) {
        s.layer = layer;
        s.size += 10;
        m_window->applySticker(s);
    }
    EXPECT_EQ(m_windowing.layerChanges, QStringList({"a.gif:desktop", "a.gif:floating"}));
}
