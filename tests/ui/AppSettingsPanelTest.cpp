// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/AppSettingsPanel.h"

#include "ui/SegmentedControl.h"
#include "ui/ShellStoreFixture.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class AppSettingsPanelTest : public ShellStoreFixture {
protected:
    void SetUp() override { m_panel.show(); }

    QLineEdit* field() const { return m_panel.labelField(); }
    QString storedLabel() const {
        return m_preferences.value(AppSettings::menuBarLabelKey).toString();
    }

    AppSettingsPanel m_panel{m_settings};
};

} // namespace

TEST_F(AppSettingsPanelTest, TypingStoresTheLabelUntrimmedKeepsTheCursorAndThePreviewTrims) {
    QTest::keyClicks(field(), QStringLiteral("ab"));
    QTest::keyClick(field(), Qt::Key_Home);
    QTest::keyClicks(field(), QStringLiteral("xy"));
    EXPECT_EQ(storedLabel(), QStringLiteral("xyab"));

    // An empty label is stored as such, not removed.
    field()->selectAll();
    QTest::keyClick(field(), Qt::Key_Backspace);
    EXPECT_TRUE(m_preferences.contains(AppSettings::menuBarLabelKey));
    EXPECT_EQ(storedLabel(), QString());
    EXPECT_EQ(m_panel.previewText()->text(), QStringLiteral("Vantrel"));

    QTest::keyClick(field(), Qt::Key_Space);
    // One key event with the whole surrogate pair, as an input method delivers it.
    QTest::sendKeyEvent(QTest::Click, field(), Qt::Key_unknown, QStringLiteral("😀"),
                        Qt::NoModifier);
    QTest::keyClick(field(), Qt::Key_Space);
    EXPECT_EQ(storedLabel(), QStringLiteral(" 😀 "));
    EXPECT_EQ(m_panel.previewText()->text(), QStringLiteral("😀"));

    m_settings.setMenuBarLabel(QStringLiteral("  cat"));
    EXPECT_EQ(field()->text(), QStringLiteral("  cat"));
    EXPECT_EQ(m_panel.previewText()->text(), QStringLiteral("cat"));
}

TEST_F(AppSettingsPanelTest, ALanguageChoiceIsStoredAtOnceAndRelabelsTheOpenPanel) {
    QSignalSpy closes(&m_panel, &AppSettingsPanel::closeRequested);
    SegmentedControl* languages = m_panel.languageControl();
    EXPECT_EQ(m_panel.titleLabel()->text(), QStringLiteral("Настройки"));
    QTest::mouseClick(languages->segment(1), Qt::LeftButton);
    EXPECT_EQ(m_preferences.value(AppSettings::languageKey).toString(), QStringLiteral("en"));
    EXPECT_EQ(m_panel.titleLabel()->text(), QStringLiteral("Settings"));
    EXPECT_EQ(closes.count(), 0);

    // A change from elsewhere moves the segment back.
    m_settings.setLanguage(AppLanguage::ru);
    EXPECT_EQ(languages->current(), 0);
    EXPECT_EQ(m_panel.languageCaption()->text(), QStringLiteral("Язык"));
}
