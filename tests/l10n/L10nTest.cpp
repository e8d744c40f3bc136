// SPDX-License-Identifier: GPL-3.0-or-later
#include "l10n/L10n.h"

#include <QSet>
#include <gtest/gtest.h>

using L10n::Key;

// Each key has both texts and its own case name as raw value; the program's name stays as is.
TEST(L10n, EveryKeyHasTextsAndARawValueMatchedExactly) {
    QSet<QString> seen;
    for (const Key key : L10n::allKeys()) {
        for (const AppLanguage language : allAppLanguages)
            EXPECT_FALSE(L10n::text(key, language).isEmpty()) << L10n::rawValue(key).toStdString();
        EXPECT_EQ(L10n::keyFromRawValue(L10n::rawValue(key)), key);
        seen.insert(L10n::rawValue(key));
    }
    EXPECT_EQ(seen.size(), static_cast<qsizetype>(L10n::keyCount));
    EXPECT_EQ(L10n::text(Key::appName, AppLanguage::ru), "Vantrel");
    EXPECT_EQ(L10n::rawValue(Key::menuBarLabelHint), "menuBarLabelHint");
    for (const char16_t* raw : {u"MenuBarLabelHint", u"appname", u""})
        EXPECT_FALSE(L10n::keyFromRawValue(raw));
}
