// SPDX-License-Identifier: GPL-3.0-or-later
#include "l10n/L10n.h"

#include <QSet>
#include <gtest/gtest.h>

using L10n::Key;

// Every key has a text in both languages and a distinct raw value, its case name matched
// exactly; the program's name is not translated.
TEST(L10n, EveryKeyHasTextsAndARawValueMatchedExactly) {
    QSet<QString> seen;
    for (const Key key : L10n::allKeys()) {
        for (const AppLanguage language : allAppLanguages)
            EXPECT_FALSE(L10n::text(key, language).isEmpty()) << L10n::rawValue(key).toStdString();
        EXPECT_EQ(L10n::keyFromRawValue(L10n::rawValue(key)), key);
        seen.insert(L10n::rawValue(key));
    }
    EXPECT_EQ(seen.size(), static_cast<qsizetype>(L10n::keyCount));
    EXPECT_EQ(L10n::text(Key::appName, AppLanguage::ru), QStringLiteral("Vantrel"));
    EXPECT_EQ(L10n::rawValue(Key::menuBarLabelHint), QStringLiteral("menuBarLabelHint"));
    for (const char16_t* raw : {u"MenuBarLabelHint", u"appname", u""})
        EXPECT_FALSE(L10n::keyFromRawValue(raw));
}
