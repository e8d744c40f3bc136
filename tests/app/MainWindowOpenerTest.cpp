// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MainWindowOpener.h"

#include "app/ActivationPolicy.h"
#include "app/AppDelegate.h"
#include "app/MainWindow.h"
#include "stickers/FakeFrameTimer.h"
#include "stickers/StickerWindow.h"
#include "store/AppSettings.h"
#include "store/MemoryPreferencesBackend.h"
#include "store/Preferences.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <gtest/gtest.h>

namespace {

class MainWindowOpenerTest : public testing::Test {
protected:
    std::shared_ptr<FakeFrameTimer::Log> m_retries = std::make_shared<FakeFrameTimer::Log>();
    ActivationPolicy m_policy;
    MainWindowOpener m_opener{m_policy, std::make_unique<FakeFrameTimer>(m_retries)};
    Preferences m_preferences{std::make_shared<MemoryPreferencesBackend>()};
    AppSettings m_settings{m_preferences};
};

} // namespace

TEST_F(MainWindowOpenerTest, BringsBackTheRememberedWindowAfterAClose) {
    MainWindow window(m_policy);
    m_opener.adopt(&window);
    m_opener.openMainWindow();
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(m_policy.kind(), ActivationPolicy::Kind::regular);
    EXPECT_TRUE(m_retries->started.isEmpty());

    window.close();
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(m_policy.kind(), ActivationPolicy::Kind::accessory);
    m_opener.openMainWindow();
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(m_opener.mainWindow(), &window);
}

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

TEST_F(MainWindowOpenerTest, RetriesNineTimesThenStopsAndAFreshCallStartsOver) {
    int openActions = 0;
    m_opener.setOpenAction([&] { ++openActions; });
    m_opener.openMainWindow();
    while (m_retries->pending)
        FakeFrameTimer::fire(*m_retries);
    EXPECT_EQ(openActions, 9);
    EXPECT_EQ(m_retries->started.size(), 8);
    for (const double delay : m_retries->started)
        EXPECT_DOUBLE_EQ(delay, 0.15);

    FakeFrameTimer::fire(*m_retries);
    m_opener.openMainWindow();
    FakeFrameTimer::fire(*m_retries);
    m_opener.openMainWindow();
    EXPECT_EQ(openActions, 12);
    while (m_retries->pending)
        FakeFrameTimer::fire(*m_retries);
    EXPECT_EQ(openActions, 20);
}

TEST_F(MainWindowOpenerTest, TheOpenActionThatCreatesTheWindowEndsTheRetries) {
    std::unique_ptr<MainWindow> created;
    m_opener.setOpenAction([&] {
        if (!created)
            created = std::make_unique<MainWindow>(m_policy);
    });
    m_opener.openMainWindow();
    ASSERT_TRUE(m_retries->pending);
    FakeFrameTimer::fire(*m_retries);
    EXPECT_EQ(m_opener.mainWindow(), created.get());
    EXPECT_TRUE(created->isVisible());
    EXPECT_FALSE(m_retries->pending);
}

TEST_F(MainWindowOpenerTest, TheDelegateLaunchesOnceAndReopensOnlyWhenHidden) {
    MainWindow window(m_policy);
    m_opener.adopt(&window);
    AppDelegate delegate(m_opener, m_policy);
    delegate.launch();
    delegate.launch();
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(waitUntil([&] { return window.isVisible(); }));
    EXPECT_TRUE(delegate.hasLaunched());

    window.close();
    delegate.reopen();
    EXPECT_TRUE(window.isVisible());

    const QList<QAction*> actions = window.actions();
    ASSERT_EQ(actions.size(), 1);
    EXPECT_EQ(actions.first()->text(), QStringLiteral("Quit Vantrel"));
    EXPECT_EQ(actions.first()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
}
