// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/OnboardingView.h"

#include "store/AppSettings.h"
#include "store/MemoryPreferencesBackend.h"
#include "store/Preferences.h"
#include "ui/SegmentedControl.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace {

class OnboardingViewTest : public testing::Test {
protected:
    void SetUp() override {
        m_window.resize(340, 540);
        m_window.show();
    }

    OnboardingView& open() {
        m_view = std::make_unique<OnboardingView>(m_settings, &m_window);
        m_view->show();
        return *m_view;
    }

    void click(QWidget* widget) { QTest::mouseClick(widget, Qt::LeftButton); }

    QString storedLanguage() const {
        return m_preferences.value(AppSettings::languageKey).toString();
    }
    bool storedDone() const { return m_preferences.value(AppSettings::onboardingKey).toBool(); }

    Preferences m_preferences{std::make_shared<MemoryPreferencesBackend>()};
    AppSettings m_settings{m_preferences};
    QWidget m_window;
    std::unique_ptr<OnboardingView> m_view;
};

} // namespace

TEST_F(OnboardingViewTest, EachNewScreenStartsInRussianEvenWithEnglishStored) {
    m_settings.setLanguage(AppLanguage::en);
    click(open().languageControl()->segment(1));
    OnboardingView& view = open();
    EXPECT_EQ(view.languageControl()->current(), 0);
    EXPECT_EQ(view.languageControl()->segmentText(0), QStringLiteral("Русский"));
    EXPECT_EQ(view.titleLabel()->text(), QStringLiteral("Добро пожаловать в Vantrel"));
    EXPECT_EQ(view.continueButton()->text(), QStringLiteral("Продолжить"));
}

TEST_F(OnboardingViewTest, PickingRelabelsTheScreenOnlyAndContinueStoresLanguageThenFlag) {
    QStringList order;
    QObject::connect(&m_settings, &AppSettings::languageChanged,
                     [&](AppLanguage language) { order << rawValue(language).toString(); });
    QObject::connect(&m_settings, &AppSettings::hasCompletedOnboardingChanged,
                     [&](bool done) { order << QVariant(done).toString(); });
    OnboardingView& view = open();
    click(view.languageControl()->segment(1));
    EXPECT_EQ(view.subtitleLabel()->text(), QStringLiteral("Animated stickers on your desktop"));
    EXPECT_EQ(view.chooserCaption()->text(), QStringLiteral("Choose language"));
    EXPECT_EQ(view.continueButton()->text(), QStringLiteral("Continue"));
    EXPECT_TRUE(order.isEmpty());

    click(view.continueButton());
    EXPECT_EQ(order, (QStringList{QStringLiteral("en"), QStringLiteral("true")}));
    EXPECT_EQ(storedLanguage(), QStringLiteral("en"));
    EXPECT_TRUE(storedDone());
}

TEST_F(OnboardingViewTest, LeavingWithRussianStoresRussianOverAStoredEnglish) {
    m_settings.setLanguage(AppLanguage::en);
    click(open().continueButton());
    EXPECT_EQ(storedLanguage(), QStringLiteral("ru"));
    EXPECT_TRUE(storedDone());
}
