// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/OnboardingView.h"

#include "ui/SegmentedControl.h"
#include "ui/ShellStoreFixture.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class OnboardingViewTest : public ShellStoreFixture {
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

    QWidget m_window;
    std::unique_ptr<OnboardingView> m_view;
};

} // namespace

TEST_F(OnboardingViewTest, PickingRelabelsOnlyTheScreenAndEachNewScreenStartsInRussian) {
    QStringList order;
    QObject::connect(&m_settings, &AppSettings::languageChanged,
                     [&](AppLanguage language) { order << rawValue(language).toString(); });
    QObject::connect(&m_settings, &AppSettings::hasCompletedOnboardingChanged,
                     [&](bool done) { order << QVariant(done).toString(); });
    click(open().languageControl()->segment(1));
    EXPECT_EQ(m_view->continueButton()->text(), QStringLiteral("Continue"));
    EXPECT_TRUE(order.isEmpty());
    click(m_view->continueButton());
    EXPECT_EQ(order, (QStringList{QStringLiteral("en"), QStringLiteral("true")}));

    // A new screen ignores the stored English, and leaving it so stores Russian.
    OnboardingView& view = open();
    EXPECT_EQ(view.languageControl()->current(), 0);
    EXPECT_EQ(view.titleLabel()->text(), QStringLiteral("Добро пожаловать в Vantrel"));
    click(view.continueButton());
    EXPECT_EQ(m_settings.language(), AppLanguage::ru);
}
