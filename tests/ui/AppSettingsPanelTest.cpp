// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/AppSettingsPanel.h"

#include "support/TestSupport.h"
#include "ui/SegmentedControl.h"
#include "ui/ShellStoreFixture.h"
#include "ui/SwitchRow.h"

#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
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

TEST_F(AppSettingsPanelTest,
       TypingStoresTheLabelUntrimmedThePreviewTrimsAndALanguageIsStoredAtOnce) {
    QTest::keyClicks(field(), QStringLiteral("ab"));
    QTest::keyClick(field(), Qt::Key_Home);
    QTest::keyClicks(field(), QStringLiteral("xy"));
    EXPECT_EQ(storedLabel(), QStringLiteral("xyab")) << "the cursor stays where it was";
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

    // A language choice is stored at once and relabels the open panel.
    QSignalSpy closes(&m_panel, &AppSettingsPanel::closeRequested);
    QTest::mouseClick(m_panel.languageControl()->segment(1), Qt::LeftButton);
    EXPECT_EQ(m_preferences.value(AppSettings::languageKey).toString(), QStringLiteral("en"));
    EXPECT_EQ(m_panel.titleLabel()->text(), QStringLiteral("Settings"));
    EXPECT_EQ(closes.count(), 0);
    // A change from elsewhere moves the segment back.
    m_settings.setLanguage(AppLanguage::ru);
    EXPECT_EQ(m_panel.languageControl()->current(), 0);
}

TEST_F(AppSettingsPanelTest, TheLoginSwitchWritesTheInstalledEntryNamingThisProgramAndRemovesIt) {
    const QByteArray before = qgetenv("XDG_CONFIG_HOME");
    const auto restore = qScopeGuard([&] { qputenv("XDG_CONFIG_HOME", before); });
    qputenv("XDG_CONFIG_HOME", m_root.filePath(QStringLiteral("config")).toUtf8());
    const QString entry = m_root.filePath(QStringLiteral("config/autostart/vantrel.desktop"));
    ASSERT_EQ(AutostartEntry::path(), entry);
    SwitchRow* login = m_panel.startAtLoginSwitch();
    m_panel.hide();
    m_panel.show();
    EXPECT_FALSE(login->isChecked()) << "off until the user turns it on";

    QTest::mouseClick(login, Qt::LeftButton);
    EXPECT_TRUE(login->isChecked());
    QFile installed(QStringLiteral(":/vantrel/vantrel.desktop"));
    ASSERT_TRUE(installed.open(QIODevice::ReadOnly));
    QStringList expected = QString::fromUtf8(installed.readAll()).split(u'\n');
    expected.replace(expected.indexOf(QStringLiteral("Exec=vantrel")),
                     QStringLiteral("Exec=") + QCoreApplication::applicationFilePath());
    EXPECT_EQ(QString::fromUtf8(readFile(entry)).split(u'\n'), expected);

    // The file is the setting: removed by hand, the switch shows it off when shown again.
    QFile::remove(entry);
    m_panel.hide();
    m_panel.show();
    EXPECT_FALSE(login->isChecked());
    QTest::mouseClick(login, Qt::LeftButton);
    QTest::mouseClick(login, Qt::LeftButton);
    EXPECT_FALSE(login->isChecked());
    EXPECT_FALSE(QFileInfo::exists(entry));
}

TEST(AutostartEntryTest, ExecQuotesAndEscapesTheProgramAsDesktopEntriesDo) {
    const struct {
        const char* program;
        const char* exec;
    } cases[] = {
        {"/usr/bin/vantrel", "Exec=/usr/bin/vantrel"},
        {"/opt/my apps/vantrel", R"(Exec="/opt/my apps/vantrel")"},
        {"/home/a/100%/vantrel", "Exec=/home/a/100%%/vantrel"},
        {R"(/tmp/$x"y\z/vantrel)", R"(Exec="/tmp/\\$x\\"y\\\\z/vantrel")"},
    };
    for (const auto& c : cases) {
        const QByteArray entry = AutostartEntry(QString::fromUtf8(c.program)).contents();
        EXPECT_TRUE(QString::fromUtf8(entry).split(u'\n').contains(QString::fromUtf8(c.exec)))
            << c.program;
    }
}
