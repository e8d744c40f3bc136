// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/StickerJson.h"
#include "platform/ScreenCoordinates.h"
#include "platform/WindowingServices.h"
#include "stickers/NotificationHub.h"
#include "stickers/StickerNSView.h"
#include "stickers/StickerWindow.h"
#include "stickers/StickerWindowManager.h"
#include "store/MemoryPreferencesBackend.h"
#include "store/Preferences.h"
#include "store/StickerStore.h"
#include "support/GifBuilder.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <gtest/gtest.h>
#include <tuple>

namespace {

// A window as "title:layer".
QString entry(const QWidget& w, StickerLayer l) {
    return w.windowTitle() + u':' + rawValue(l).toString();
}

// Records every call, naming windows by their titles (the stickers' display names).
class RecordingWindowingServices final : public WindowingServices {
public:
    void applyStickerWindowState(QWidget& w, StickerLayer l) override { states << entry(w, l); }
    void setLayer(QWidget& w, StickerLayer l) override { layerChanges << entry(w, l); }
    void restack(const QList<QWidget*>& bottomToTop) override {
        QStringList order;
        for (const QWidget* window : bottomToTop)
            order.append(window->windowTitle());
        restacks.append(order);
    }
    bool isCompositing() const override { return true; }
    bool startMove(QWidget&) override { return takesMoves; }
    void cancelMove(QWidget&) override { ++cancels; }

    bool takesMoves = false;
    int cancels = 0;
    QStringList states, layerChanges;
    QList<QStringList> restacks;
};

// In-memory preferences, a recording window system and a directory for the files.
class StickerWindows : public testing::Test {
protected:
    StickerNSView::Services services(MediaCache* cache = nullptr) {
        return {cache ? cache : &m_cache, &m_hub, &m_windowing, {}};
    }

    QTemporaryDir m_root;
    Preferences m_preferences{std::make_shared<MemoryPreferencesBackend>()};
    RecordingWindowingServices m_windowing;
    NotificationHub m_hub;
    MediaCache m_cache;
};

class StickerNSViewTest : public StickerWindows {
protected:
    QString picture(const QString& name, QColor color, QSize size = {40, 20}) {
        QImage image(size, QImage::Format_ARGB32);
        image.fill(color);
        EXPECT_TRUE(image.save(m_root.filePath(name)));
        return m_root.filePath(name);
    }

    // A view as its window gives it: 160 points square and, unless told otherwise, shown.
    std::unique_ptr<StickerNSView> makeView(const Sticker& sticker, bool shown = true,
                                            MediaCache* cache = nullptr) {
        auto view = std::make_unique<StickerNSView>(
            sticker, [](double, double) {}, services(cache));
        if (shown) {
            view->resize(160, 160);
            view->setWindowVisible(true);
        }
        return view;
    }

    static void settle() {
        QTest::qWait(50);
        processPendingEvents();
    }
};

class StickerWindowTest : public StickerWindows {
protected:
    StickerWindowTest() {
        m_store.addSticker(QStringLiteral("/missing/a.gif"));
        m_window = std::make_unique<StickerWindow>(record(), &m_store, services());
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

    StickerStore m_store{m_preferences, m_root.filePath(QStringLiteral("data"))};
    std::unique_ptr<StickerWindow> m_window;
    const QRect m_primary = ScreenCoordinates::primaryScreenGeometry();
};

class StickerWindowManagerTest : public StickerWindows {
protected:
    // Builds a store of named stickers (name:zIndex[:hidden]) and its manager.
    void build(const QStringList& layout) {
        m_store = std::make_unique<StickerStore>(m_preferences, m_root.filePath("data"));
        for (const QString& entry : layout)
            m_store->addSticker(media(), entry.section(u':', 0, 0));
        // Adding renumbers; the wanted numbers are set afterwards.
        for (const QString& entry : layout)
            update(entry.section(u':', 0, 0), [&entry](Sticker& s) {
                s.zIndex = entry.section(u':', 1, 1).toLongLong();
                s.isHidden = entry.count(u':') > 1;
            });
        m_manager = std::make_unique<StickerWindowManager>(*m_store, m_windowing, m_hub);
        processPendingEvents();
        m_windowing.restacks.clear();
    }

    QString media() const {
        const QString path = m_root.filePath("data/Vantrel/Media/m.gif");
        if (!QFileInfo::exists(path))
            writeFile(path, "GIF89a");
        return path;
    }

    Sticker named(const QString& name) const {
        const QList<Sticker> all = m_store->stickers();
        return *std::ranges::find(all, name, &Sticker::name);
    }

    void update(const QString& name, const std::function<void(Sticker&)>& change) {
        Sticker s = named(name);
        change(s);
        m_store->updateSticker(s);
    }

    StickerWindow* windowOf(const QString& name) const { return m_manager->window(named(name).id); }

    std::unique_ptr<StickerStore> m_store;
    std::unique_ptr<StickerWindowManager> m_manager;
};

} // namespace

// A visible sticker starts decoding at creation, before its window is mapped.
TEST_F(StickerNSViewTest, AHiddenStickerDecodesOnlyOnceItsWindowShows) {
    Sticker hidden = Sticker::withMedia(picture("a.png", Qt::blue));
    hidden.isHidden = true;
    const auto view = makeView(hidden, false);
    processPendingEvents();
    EXPECT_EQ(m_cache.decodesStarted(), 0);
    for (const bool visible : {true, false, true}) {
        view->setWindowVisible(visible);
        EXPECT_EQ(m_cache.decodesStarted(), 1);
    }
    const auto shown = makeView(Sticker::withMedia(picture("b.png", Qt::red)), false);
    EXPECT_EQ(m_cache.decodesStarted(), 2);
}

// A still picture shows no larger than its source; a missing file leaves only the background.
TEST_F(StickerNSViewTest, ASupersededDecodeIsNeverInstalled) {
    Sticker sticker = Sticker::withMedia(picture("first.png", Qt::red, {400, 100}));
    const auto view = makeView(sticker);
    sticker.gifPath = picture("second.png", Qt::green, {10, 30});
    view->applySticker(sticker, view->size());
    const QImage& shown = view->player().currentImage();
    ASSERT_TRUE(waitUntil([&] { return !shown.isNull(); }));
    settle();
    EXPECT_EQ(shown.pixelColor(0, 0), QColor(Qt::green));
    EXPECT_EQ(shown.size(), QSize(10, 30));
    EXPECT_DOUBLE_EQ(view->mediaAspectRatio(), 1.0 / 3.0);
    EXPECT_FALSE(view->player().isPlaying());

    sticker.gifPath = m_root.filePath("gone.gif");
    view->applySticker(sticker, view->size());
    settle();
    EXPECT_TRUE(shown.isNull());
    EXPECT_FALSE(view->isStopped());
}

// A newer picture wins over one still loading; an unreadable one keeps the last. Pictures are
// decoded for the size shown: growing re-decodes one, shrinking only the media.
TEST_F(StickerNSViewTest, TheBackgroundPictureIsRequestedAgainOnlyForANewStyleOrPathOrALargerSize) {
    Sticker sticker = Sticker::withMedia(picture("m.png", Qt::red));
    sticker.bgStyle = BGStyle::image;
    sticker.bgImagePath = picture("bg1.png", Qt::blue);
    const auto view = makeView(sticker);
    const auto apply = [&](const std::function<void(Sticker&)>& change) {
        change(sticker);
        view->applySticker(sticker, view->size());
    };
    view->show(); // resize events come only while shown
    ASSERT_TRUE(waitUntil([&] { return !view->backgroundImage().isNull(); }));
    int decodes = m_cache.decodesStarted();
    apply([](Sticker& s) {
        s.size = 170;
        s.cornerRadius = 3;
    });
    EXPECT_EQ(m_cache.decodesStarted(), decodes);
    apply([](Sticker& s) { s.bgStyle = BGStyle::color; });
    EXPECT_FALSE(view->loadedBgPath());
    apply([](Sticker& s) { s.bgStyle = BGStyle::image; });
    EXPECT_EQ(view->loadedBgPath(), sticker.bgImagePath);

    const QString second = picture("bg2.png", Qt::yellow);
    apply([&](Sticker& s) { s.bgImagePath = picture("bg3.png", Qt::magenta); });
    apply([&](Sticker& s) { s.bgImagePath = second; });
    const auto colour = [&] { return view->backgroundImage().pixelColor(0, 0); };
    ASSERT_TRUE(waitUntil([&] { return colour() == QColor(Qt::yellow); }));
    apply([&](Sticker& s) { s.bgImagePath = m_root.filePath("missing.png"); });
    settle();
    EXPECT_EQ(colour(), QColor(Qt::yellow));
    apply([](Sticker& s) { s.bgImagePath.clear(); });
    EXPECT_TRUE(view->backgroundImage().isNull());

    apply([&](Sticker& s) { s.bgImagePath = picture("large.png", Qt::blue, {2000, 1000}); });
    ASSERT_TRUE(waitUntil([&] { return colour() == QColor(Qt::blue); }));
    EXPECT_LT(view->backgroundImage().width(), 2000);
    view->resize(900, 900);
    ASSERT_TRUE(waitUntil([&] { return view->backgroundImage().width() == 2000; }));
    decodes = m_cache.decodesStarted();
    view->resize(200, 200);
    ASSERT_TRUE(waitUntil([&] { return m_cache.decodesStarted() > decodes; }));
    processPendingEvents();
    EXPECT_EQ(m_cache.decodesStarted(), decodes + 1);
    EXPECT_EQ(view->backgroundImage().width(), 2000);
}

// A set the budget cut short is decoded again, whole, once another set goes and leaves room.
TEST_F(StickerNSViewTest, ASetCutByTheBudgetGrowsBackOnceAnotherSetGoes) {
    const Sticker large = Sticker::withMedia(picture("large.png", Qt::blue, {200, 200}));
    const qint64 largeBytes = [&] {
        const auto alone = makeView(large);
        EXPECT_TRUE(waitUntil([&] { return alone->player().frameCount() == 1; }));
        return alone->player().frames()->media().byteCount();
    }();
    MediaCache tight(std::make_shared<FrameBudget>(largeBytes + 1), FrameStore::Coding::compressed);
    auto first = makeView(large, true, &tight);
    ASSERT_TRUE(waitUntil([&] { return first->player().frameCount() == 1; }));
    const QString two = m_root.filePath("two.gif");
    writeFile(two,
              GifBuilder().addFrame({40, 40}, Qt::red, 5).addFrame({40, 40}, Qt::green, 5).build());
    const auto cut = makeView(Sticker::withMedia(two), true, &tight);
    ASSERT_TRUE(waitUntil([&] { return cut->player().frameCount() == 1; }));
    EXPECT_TRUE(cut->player().frames()->media().cutByBudget);
    first.reset();
    EXPECT_TRUE(waitUntil([&] { return cut->player().frameCount() == 2; }));
}

// The record's origin is the bottom-left corner; absurd records still give a window X11 allows.
// The window system hears of a layer only when it changes.
TEST_F(StickerWindowTest, SitsOnTheRecordsSquareGrowsFromItsCornerAndSaysOnlyANewLayer) {
    const QRect square(m_primary.x() + 200, m_primary.y() + m_primary.height() - 460, 160, 160);
    EXPECT_EQ(m_window->geometry(), square);
    m_window->orderFront();
    Sticker odd = record();
    for (const StickerLayer layer : {StickerLayer::floating, StickerLayer::desktop,
                                     StickerLayer::desktop, StickerLayer::floating}) {
        odd.layer = layer;
        odd.size += 20;
        m_window->applySticker(odd);
    }
    EXPECT_EQ(m_windowing.layerChanges, QStringList({"a.gif:desktop", "a.gif:floating"}));
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
    mouse(QEvent::MouseButtonRelease, moved + QPointF(10, 5));

    // A drag the window manager takes: its moves are stored, also one after the release, the
    // pointer's own steps are not, and a release it let through cancels it. Once a press of its
    // own starts a drag, the window manager's moves are its own business.
    m_windowing.takesMoves = true;
    m_window->orderFront();
    mouse(QEvent::MouseButtonPress, moved);
    mouse(QEvent::MouseMove, moved + QPointF(300, 300));
    m_window->move(m_window->pos() + QPoint(40, -20));
    processPendingEvents();
    EXPECT_EQ(stored(), QPointF(180, 255));
    mouse(QEvent::MouseButtonRelease, moved);
    EXPECT_EQ(m_windowing.cancels, 1);
    m_window->move(m_window->pos() + QPoint(5, 5));
    processPendingEvents();
    EXPECT_EQ(stored(), QPointF(185, 250));
    m_windowing.takesMoves = false;
    mouse(QEvent::MouseButtonPress, moved);
    mouse(QEvent::MouseButtonRelease, moved);
    m_window->move(m_window->pos() + QPoint(5, 5));
    processPendingEvents();
    EXPECT_EQ(stored(), QPointF(185, 250));
    m_window->orderOut();

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

// Equal numbers keep the records' order; showing and hiding reuse a window after the queued sync.
TEST_F(StickerWindowManagerTest, StacksByZIndexAndReusesTheWindowsOfHiddenStickers) {
    build({"A:2", "B:0", "C:1", "D:1", "H:0:hidden"});
    m_manager->restackWindows();
    ASSERT_EQ(m_windowing.restacks, (QList<QStringList>{{"B", "C", "D", "A"}}));
    for (const QString& name : m_windowing.restacks[0]) {
        EXPECT_TRUE(windowOf(name)->isVisible());
        EXPECT_TRUE(m_windowing.states.contains(name + ":floating"));
    }
    EXPECT_FALSE(windowOf("H")->isVisible());
    const std::tuple<QString, bool, QStringList> toggles[] = {
        {"H", false, {"B", "H", "C", "D", "A"}}, {"A", true, {"B", "H", "C", "D"}}};
    for (const auto& [name, hidden, stacked] : toggles) {
        StickerWindow* window = windowOf(name);
        update(name, [hidden](Sticker& s) { s.isHidden = hidden; });
        processPendingEvents();
        EXPECT_EQ(windowOf(name), window);
        EXPECT_NE(window->isVisible(), hidden);
        EXPECT_EQ(m_windowing.restacks.last(), stacked);
    }
}

// A sync lands on the next turn; the window manager hears of the order only when it changes or a
// click may have changed it, and not at all once the store is gone.
TEST_F(StickerWindowManagerTest, SyncsOnTheNextTurnAndRestacksOnlyOnAReorderOrAClick) {
    build({"A:1", "B:0"});
    const QUuid a = named("A").id;
    m_manager->syncWindows(m_store->stickers().mid(1));
    EXPECT_NE(m_manager->window(a), nullptr);
    processPendingEvents();
    EXPECT_EQ(m_manager->window(a), nullptr);
    for (int round = 0; round < 2; ++round) {
        m_manager->syncWindows(m_store->stickers());
        processPendingEvents();
        ASSERT_NE(m_manager->window(a), nullptr);
        m_manager->removeWindow(a);
        m_manager->removeWindow(a);
        EXPECT_EQ(m_manager->window(a), nullptr);
    }
    m_manager->syncWindows(m_store->stickers());
    processPendingEvents();
    m_windowing.restacks.clear();

    update("A", [](Sticker& s) { s.size = 150; });
    processPendingEvents();
    EXPECT_EQ(windowOf("A")->width(), 150);
    EXPECT_TRUE(m_windowing.restacks.isEmpty());
    m_store->moveSticker(1, 0);
    processPendingEvents();
    EXPECT_EQ(m_windowing.restacks.size(), 1);
    m_hub.postStickerInteractionEnded();
    EXPECT_EQ(m_windowing.restacks.size(), 2);

    QList<Sticker> list = m_store->stickers();
    list.append(Sticker::withMedia(media()));
    m_manager->syncWindows(list);
    m_store.reset();
    processPendingEvents();
    EXPECT_EQ(m_manager->windowCount(), 2);
    m_hub.postStickerInteractionEnded();
    EXPECT_EQ(m_windowing.restacks.size(), 2);
}

TEST_F(StickerWindowManagerTest, DuplicateIdsShareOneWindow) {
    const Sticker twin = Sticker::withMedia(media());
    m_preferences.setValue(StickerStore::saveKey, *StickerJson::encode({twin, twin}));
    m_store = std::make_unique<StickerStore>(m_preferences, m_root.filePath("data"));
    m_manager = std::make_unique<StickerWindowManager>(*m_store, m_windowing, m_hub);
    EXPECT_EQ(m_manager->windowCount(), 1);
    m_manager->restackWindows();
    EXPECT_EQ(m_windowing.restacks.last().size(), 1);
}
