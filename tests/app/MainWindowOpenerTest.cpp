// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MainWindowOpener.h"

#include "app/ActivationPolicy.h"
#include "app/AppDelegate.h"
#include "app/MainWindow.h"
#include "stickers/FakeFrameTimer.h"
#include "stickers/StickerWindow.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

class MainWindowOpenerTest : public testing::Test {
protected:
    std::shared_ptr<FakeFrameTimer::Log> m_retries = std::make_shared<FakeFrameTimer::Log>();
    ActivationPolicy m_policy;
    MainWindowOpener m_opener{m_policy, std::make_unique<FakeFrameTimer>(m_retries)};
};

} // namespace

TEST_F(MainWindowOpenerTest, NeverTakesAStickerWindowAndPrefersWideWindows) {
    Sticker big = Sticker::withMedia(QStringLiteral("/missing.gif"));
    big.size = 600;
    StickerWindow sticker(big, nullptr, {});
    EXPECT_EQ(MainWindowOpener::findMainWindow(), nullptr);

    MainWindow narrowMain(m_policy);
    narrowMain.setFixedSize(200, 400);
    EXPECT_EQ(MainWindowOpener::findMainWindow(), &narrowMain);
    QWidget wide;
    wide.resize(500, 300);
    EXPECT_EQ(MainWindowOpener::findMainWindow(), &wide);
}

TEST_F(MainWindowOpenerTest, RetriesNineTimesAFreshCallStartsOverAndAFoundWindowEndsThem) {
    int openActions = 0;
    m_opener.setOpenAction([&] { ++openActions; });
    const auto drain = [&] {
        while (m_retries->pending)
            FakeFrameTimer::fire(*m_retries);
    };
    m_opener.openMainWindow();
    drain();
    EXPECT_EQ(openActions, 9);
    EXPECT_EQ(m_retries->started, QList<double>(8, 0.15));

    // A call during the retries cancels them: the count restarts from nine.
    m_opener.openMainWindow();
    FakeFrameTimer::fire(*m_retries);
    m_opener.openMainWindow();
    EXPECT_EQ(openActions, 12);
    drain();
    EXPECT_EQ(openActions, 20);

    // The window the open action creates is found at the next attempt.
    std::unique_ptr<MainWindow> created;
    m_opener.setOpenAction([&] { created = std::make_unique<MainWindow>(m_policy); });
    m_opener.openMainWindow();
    FakeFrameTimer::fire(*m_retries);
    EXPECT_EQ(m_opener.mainWindow(), created.get());
    EXPECT_TRUE(created->isVisible());
    EXPECT_FALSE(m_retries->pending);
}

TEST_F(MainWindowOpenerTest, TheDelegateLaunchesOnceAndReopensTheRememberedWindowOnlyWhenHidden) {
    MainWindow window(m_policy);
    m_opener.adopt(&window);
    AppDelegate delegate(m_opener, m_policy);
    delegate.launch();
    delegate.launch();
    EXPECT_FALSE(window.isVisible()) << "the window opens on a later turn";
    EXPECT_TRUE(waitUntil([&] { return window.isVisible(); }));
    EXPECT_EQ(m_policy.kind(), ActivationPolicy::Kind::regular);

    window.close();
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(m_policy.kind(), ActivationPolicy::Kind::accessory);
    delegate.reopen();
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(m_policy.kind(), ActivationPolicy::Kind::regular);
    EXPECT_TRUE(m_retries->started.isEmpty()) << "the remembered window needs no retry";

    // A visible main window makes a reopen do nothing, not even a policy change.
    m_policy.setAccessory();
    delegate.reopen();
    EXPECT_EQ(m_policy.kind(), ActivationPolicy::Kind::accessory);
}
