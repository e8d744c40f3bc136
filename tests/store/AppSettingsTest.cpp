// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/AppSettings.h"

#include "store/MemoryPreferencesBackend.h"
#include "store/Preferences.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

// Only exactly "en" selects English; other stored values stay as they are.
TEST(AppSettings, EveryAssignmentIsWrittenAndReadBack) {
    for (const char* stored : {"EN", "de", "", " en"}) {
        Preferences preferences(std::make_shared<MemoryPreferencesBackend>(
            QVariantMap{{AppSettings::languageKey, QString::fromLatin1(stored)}}));
        EXPECT_EQ(AppSettings(preferences).language(), AppLanguage::ru) << stored;
        EXPECT_EQ(preferences.value(AppSettings::languageKey).toString(),
                  QString::fromLatin1(stored));
    }
    auto backend = std::make_shared<MemoryPreferencesBackend>();
    {
        Preferences preferences(backend);
        AppSettings settings(preferences);
        QSignalSpy languageSpy(&settings, &AppSettings::languageChanged);
        settings.setLanguage(AppLanguage::en);
        settings.setLanguage(AppLanguage::en);
        EXPECT_EQ(languageSpy.count(), 2);
        settings.setMenuBarLabel(QStringLiteral("  😀 "));
        settings.setMenuBarLabel(QString());
        EXPECT_TRUE(preferences.contains(AppSettings::menuBarLabelKey));
        settings.setHasCompletedOnboarding(true);
    }
    Preferences preferences(backend);
    const AppSettings reread(preferences);
    EXPECT_EQ(preferences.value(AppSettings::languageKey).toString(), QStringLiteral("en"));
    EXPECT_EQ(reread.language(), AppLanguage::en);
    EXPECT_TRUE(reread.hasCompletedOnboarding());
    EXPECT_EQ(reread.menuBarLabel(), QString());
}
