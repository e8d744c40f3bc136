// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/OnboardingView.h"

#include "ui/SegmentedControl.h"
#include "ui/ShellStoreFixture.h"

#include <QPushButton>
#include <QTest>

class OnboardingViewTest : public ShellStoreFixture {};

TEST_F(OnboardingViewTest, PickingRelabelsOnlyTheScreenAndEachNewScreenStartsInRussian) {
    QWidget window;
    window.show();
    QStringList order;
    QObject::connect(&m_settings, &AppSettings::languageChanged,
                     [&](AppLanguage language) { order << rawValue(language).toString(); });
    QObject::connect(&m_settings, &AppSettings::hasCompletedOnboardingChanged,
                     [&](bool done) { order << QVariant(done).toString(); });
    // The second screen ignores the stored English, and leaving it so stores Russian.
    for (const bool pickEnglish : {true, false}) {
        OnboardingView view(m_settings, &window);
        view.show();
        EXPECT_EQ(view.languageControl()->current(), 0);
        if (pickEnglish) {
            QTest::mouseClick(view.languageControl()->segment(1), Qt::LeftButton);
            EXPECT_EQ(view.continueButton()->text(), QStringLiteral("Continue"));
            EXPECT_TRUE(order.isEmpty()) << "nothing is stored before Continue";
        }
        QTest::mouseClick(view.continueButton(), Qt::LeftButton);
    }
    EXPECT_EQ(order, (QStringList{"en", "true", "ru", "true"}));
}
