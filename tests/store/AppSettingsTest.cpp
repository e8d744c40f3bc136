// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/AppSettings.h"

#include "store/MemoryPreferencesBackend.h"
#include "store/Preferences.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

// Only exactly "en" selects English; every assignment is written and announced, equal ones too.
TEST(AppSettings, EveryAssignmentIsWrittenAndReadBack) {
    for (const char* stored : {"EN", "de", "", " en"}) {
        Preferences preferences(std::make_shared<MemoryPreferencesBackend>(
            QVariantMap{{AppSettings::languageKey, stored}}));
        EXPECT_EQ(AppSettings(preferences).language(), AppLanguage::ru) << stored;
        EXPECT_EQ(preferences.value(AppSettings::languageKey).toString(), stored);
    }
    auto backend = std::make_shared<MemoryPreferencesBackend>();
    {
        Preferences preferences(backend);
        AppSettings settings(preferences);
        QSignalSpy languageSpy(&settings, &AppSettings::languageChanged);
        settings.setLanguage(AppLanguage::en);
        settings.setLanguage(AppLanguage::en);
        EXPECT_EQ(languageSpy.count(), 2);
        settings.setMenuBarLabel(QString());
        settings.setHasCompletedOnboarding(true);
    }
    EXPECT_EQ(backend->readAll(), QVariantMap({{AppSettings::languageKey, "en"},
                                               {AppSettings::menuBarLabelKey, QString()},
                                               {AppSettings::onboardingKey, true}}));
    Preferences preferences(backend);
    EXPECT_EQ(AppSettings(preferences).language(), AppLanguage::en);
    EXPECT_TRUE(AppSettings(preferences).hasCompletedOnboarding());
}
