// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MainWindowOpener.h"

#include "app/ActivationPolicy.h"
#include "app/AppDelegate.h"
#include "app/MainWindow.h"
#include "platform/WindowingServices.h"
#include "stickers/FakeFrameTimer.h"
#include "stickers/StickerWindow.h"
#include "support/TestSupport.h"

#include <functional>
#include <gtest/gtest.h>

namespace {

// Records which windows the opener asks the window system to bring back.
class ActivationRecorder final : public WindowingServices {
public:
    void applyStickerWindowState(QWidget&, StickerLayer) override {}
    void setLayer(QWidget&, StickerLayer) override {}
    void restack(const QList<QWidget*>&) override {}
    bool isCompositing() const override { return true; }
    void activate(QWidget& window) override { activated.append(&window); }

    QList<QWidget*> activated;
};

class MainWindowOpenerTest : public testing::Test {
protected:
    std::shared_ptr<FakeFrameTimer::Log> m_retries = std::make_shared<FakeFrameTimer::Log>();
    ActivationPolicy m_policy;
    MainWindowOpener m_opener{m_policy, std::make_unique<FakeFrameTimer>(m_retries)};
};

} // namespace

TEST_F(MainWindowOpenerTest, RetriesUntilAWindowIsFoundNeverAStickerAndAFreshCallStartsOver) {
    Sticker big = Sticker::withMedia(QStringLiteral("/missing.gif"));
    big.size = 600;
    StickerWindow sticker(big, nullptr, {});
    EXPECT_EQ(MainWindowOpener::findMainWindow(), nullptr);

    int openActions = 0;
    m_opener.setOpenAction([&] { ++openActions; });
    const auto drain = [&] {
        while (m_retries->pending)
            FakeFrameTimer::fire(*m_retries);
    };
    m_opener.openMainWindow();
    drain();
    EXPECT_EQ(openActions, 9);
    // A call during the retries cancels them: the count restarts from nine.
    m_opener.openMainWindow();
    FakeFrameTimer::fire(*m_retries);
    m_opener.openMainWindow();
    EXPECT_EQ(openActions, 12);
    drain();
    EXPECT_EQ(openActions, 20);

    // The window the open action creates is found at the next attempt; a wide one wins.
    std::unique_ptr<MainWindow> created;
    m_opener.setOpenAction([&] {
        created = std::make_unique<MainWindow>(m_policy);
        created->setFixedSize(200, 400);
    });
    m_opener.openMainWindow();
    FakeFrameTimer::fire(*m_retries);
    EXPECT_EQ(m_opener.mainWindow(), created.get());
    EXPECT_TRUE(created->isVisible());
    EXPECT_FALSE(m_retries->pending);
    QWidget wide;
    wide.resize(500, 300);
    EXPECT_EQ(MainWindowOpener::findMainWindow(), &wide);
}

TEST_F(MainWindowOpenerTest,
       TheDelegateLaunchesOnceAndAReopenBringsBackAClosedMinimisedOrCoveredWindow) {
    MainWindow window(m_policy);
    m_opener.adopt(&window);
    AppDelegate delegate(m_opener, m_policy);
    delegate.launch();
    delegate.launch();
    EXPECT_FALSE(window.isVisible()) << "the window opens on a later turn";
    EXPECT_TRUE(waitUntil([&] { return window.isVisible(); }));
    EXPECT_EQ(m_policy.kind(), ActivationPolicy::Kind::regular);

    // A window in front with the focus makes a reopen do nothing, not even a policy change.
    ActivationRecorder windowing;
    m_opener.setWindowing(&windowing);
    QWidget other;
    const auto cover = [&] {
        other.show();
        other.activateWindow();
        waitUntil([&] { return other.isActiveWindow(); });
    };
    const auto toFront = [&] { waitUntil([&] { return window.isActiveWindow(); }); };
    const std::tuple<const char*, std::function<void()>, bool> cases[] = {
        {"closed", [&] { window.close(); }, true},
        {"minimised", [&] { window.showMinimized(); }, true},
        {"covered", cover, true},
        {"in front", toFront, false}};
    for (const auto& [what, leave, reopened] : cases) {
        leave();
        m_policy.setAccessory();
        windowing.activated.clear();
        delegate.reopen();
        EXPECT_EQ(m_policy.kind() == ActivationPolicy::Kind::regular, reopened) << what;
        EXPECT_EQ(windowing.activated, reopened ? QList<QWidget*>{&window} : QList<QWidget*>{})
            << what;
        EXPECT_TRUE(window.isVisible() && !window.isMinimized()) << what;
    }
    EXPECT_TRUE(m_retries->started.isEmpty()) << "the remembered window needs no retry";
}
