// SPDX-License-Identifier: GPL-3.0-or-later
#include "l10n/L10n.h"

#include <QSet>
#include <gtest/gtest.h>

using L10n::Key;

// Spot checks pin the exact code points, emoji and dashes included; the name is not translated.
TEST(L10n, EveryKeyHasATextInBothLanguages) {
    for (const Key key : L10n::allKeys()) {
        for (const AppLanguage language : allAppLanguages)
            EXPECT_FALSE(L10n::text(key, language).isEmpty()) << L10n::rawValue(key).toStdString();
    }
    EXPECT_EQ(L10n::text(Key::appName, AppLanguage::ru), QStringLiteral("Vantrel"));
    EXPECT_EQ(L10n::text(Key::quit, AppLanguage::ru), QStringLiteral("Выход"));
    EXPECT_EQ(L10n::text(Key::layerDesktop, AppLanguage::ru),
              QString::fromUcs4(U"\U0001F5A5 Рабочий стол"));
    EXPECT_EQ(L10n::text(Key::layerFloating, AppLanguage::en),
              QString::fromUcs4(U"\U0001F51D Always on top"));
    EXPECT_EQ(
        L10n::text(Key::menuBarLabelHint, AppLanguage::ru),
        QString::fromUcs4(
            U"По умолчанию \u2014 Vantrel. Можно ввести своё название или эмодзи \U0001F600"));
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
    for (const char16_t* raw : {u"MenuBarLabelHint", u"appname", u""})
        EXPECT_FALSE(L10n::keyFromRawValue(raw));
}
