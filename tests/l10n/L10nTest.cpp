// SPDX-License-Identifier: GPL-3.0-or-later
#include "l10n/L10n.h"

#include <QSet>
#include <gtest/gtest.h>

using L10n::Key;

TEST(L10n, EveryKeyHasATextInBothLanguages) {
    EXPECT_EQ(L10n::allKeys().size(), 42u);
    for (const Key key : L10n::allKeys()) {
        for (const AppLanguage language : allAppLanguages)
            EXPECT_FALSE(L10n::text(key, language).isEmpty()) << L10n::rawValue(key).toStdString();
    }
    EXPECT_EQ(L10n::text(Key::appName, AppLanguage::ru), QStringLiteral("Vantrel"));
    EXPECT_EQ(L10n::text(Key::appName, AppLanguage::en), QStringLiteral("Vantrel"));
    EXPECT_EQ(L10n::text(Key::quit, AppLanguage::ru), QStringLiteral("Выход"));
    EXPECT_EQ(L10n::text(Key::changeBgImage, AppLanguage::en), QStringLiteral("Change image"));
}

TEST(L10n, TextsCarryTheExactCodePoints) {
    EXPECT_EQ(L10n::text(Key::layerDesktop, AppLanguage::ru),
              QString::fromUcs4(U"\U0001F5A5 Рабочий стол"));
    EXPECT_EQ(L10n::text(Key::layerFloating, AppLanguage::en),
              QString::fromUcs4(U"\U0001F51D Always on top"));
    EXPECT_EQ(
        L10n::text(Key::menuBarLabelHint, AppLanguage::ru),
        QString::fromUcs4(
            U"По умолчанию \u2014 Vantrel. Можно ввести своё название или эмодзи \U0001F600"));
    EXPECT_EQ(L10n::text(Key::menuBarLabelPlaceholder, AppLanguage::en),
              QString::fromUcs4(U"\U0001F600 or your title"));
    EXPECT_EQ(L10n::text(Key::bgColor, AppLanguage::ru), L10n::text(Key::color, AppLanguage::ru));
}

TEST(L10n, RawValuesAreTheCaseNamesMatchedExactly) {
    QSet<QString> seen;
    for (const Key key : L10n::allKeys()) {
        const QString raw = L10n::rawValue(key);
        EXPECT_EQ(L10n::keyFromRawValue(raw), key);
        seen.insert(raw);
    }
    EXPECT_EQ(seen.size(), static_cast<qsizetype>(L10n::keyCount));
    EXPECT_EQ(L10n::rawValue(Key::menuBarLabelHint), QStringLiteral("menuBarLabelHint"));
    EXPECT_FALSE(L10n::keyFromRawValue(u"MenuBarLabelHint"));
    EXPECT_FALSE(L10n::keyFromRawValue(u"appname"));
    EXPECT_FALSE(L10n::keyFromRawValue(u""));
}
