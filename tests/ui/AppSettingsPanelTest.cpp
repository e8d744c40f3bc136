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

    AppSettingsPanel m_panel{m_settings};
};

} // namespace

TEST_F(AppSettingsPanelTest, TheLabelIsStoredAsTypedThePreviewTrimsAndALanguageIsStoredAtOnce) {
    QLineEdit* field = m_panel.labelField();
    const auto stored = [&] {
        return m_preferences.value(AppSettings::menuBarLabelKey).toString();
    };
    QTest::keyClicks(field, QStringLiteral("ab"));
    QTest::keyClick(field, Qt::Key_Home);
    QTest::keyClicks(field, QStringLiteral("xy"));
    EXPECT_EQ(stored(), QStringLiteral("xyab")) << "the cursor stays where it was";
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Backspace);
    EXPECT_EQ(m_panel.previewText()->text(), QStringLiteral("Vantrel"));
    // An input method delivers the whole surrogate pair in one key event.
    QTest::keyClick(field, Qt::Key_Space);
    QTest::sendKeyEvent(QTest::Click, field, Qt::Key_unknown, QStringLiteral("😀"), Qt::NoModifier);
    QTest::keyClick(field, Qt::Key_Space);
    EXPECT_EQ(stored(), QStringLiteral(" 😀 "));
    EXPECT_EQ(m_panel.previewText()->text(), QStringLiteral("😀"));
    m_settings.setMenuBarLabel(QStringLiteral("  cat"));
    EXPECT_EQ(field->text(), QStringLiteral("  cat"));

    QSignalSpy closes(&m_panel, &AppSettingsPanel::closeRequested);
    QTest::mouseClick(m_panel.languageControl()->segment(1), Qt::LeftButton);
    EXPECT_EQ(m_preferences.value(AppSettings::languageKey).toString(), QStringLiteral("en"));
    EXPECT_EQ(m_panel.titleLabel()->text(), QStringLiteral("Settings"));
    EXPECT_EQ(closes.count(), 0);
    m_settings.setLanguage(AppLanguage::ru);
    EXPECT_EQ(m_panel.languageControl()->current(), 0);
}

TEST_F(AppSettingsPanelTest, TheLoginSwitchIsTheEntryFileNamingThisProgram) {
    const QByteArray before = qgetenv("XDG_CONFIG_HOME");
    const auto restore = qScopeGuard([&] { qputenv("XDG_CONFIG_HOME", before); });
    qputenv("XDG_CONFIG_HOME", m_root.filePath(QStringLiteral("config")).toUtf8());
    const QString entry = m_root.filePath(QStringLiteral("config/autostart/vantrel.desktop"));
    ASSERT_EQ(AutostartEntry::path(), entry);
    SwitchRow* login = m_panel.startAtLoginSwitch();
    const auto reshown = [&] {
        m_panel.hide();
        m_panel.show();
        return login->isChecked();
    };
    EXPECT_FALSE(reshown());
    QTest::mouseClick(login, Qt::LeftButton);
    QFile installed(QStringLiteral(":/vantrel/vantrel.desktop"));
    ASSERT_TRUE(installed.open(QIODevice::ReadOnly));
    QStringList expected = QString::fromUtf8(installed.readAll()).split(u'\n');
    expected.replace(expected.indexOf(QStringLiteral("Exec=vantrel")),
                     QStringLiteral("Exec=") + QCoreApplication::applicationFilePath());
    EXPECT_EQ(QString::fromUtf8(readFile(entry)).split(u'\n'), expected);
    EXPECT_TRUE(reshown());

    // Removed by hand, the entry shows as off; on and off again removes it.
    QFile::remove(entry);
    EXPECT_FALSE(reshown());
    QTest::mouseClick(login, Qt::LeftButton);
    QTest::mouseClick(login, Qt::LeftButton);
    EXPECT_FALSE(login->isChecked() || QFileInfo::exists(entry));

    const std::pair<const char*, const char*> execs[] = {
        {"/usr/bin/vantrel", "Exec=/usr/bin/vantrel"},
        {"/opt/my apps/vantrel", R"(Exec="/opt/my apps/vantrel")"},
        {"/home/a/100%/vantrel", "Exec=/home/a/100%%/vantrel"},
        {R"(/tmp/$x"y\z/vantrel)", R"(Exec="/tmp/\\$x\\"y\\\\z/vantrel")"}};
    for (const auto& [program, exec] : execs) {
        const QByteArray contents = AutostartEntry(QString::fromUtf8(program)).contents();
        EXPECT_TRUE(QString::fromUtf8(contents).split(u'\n').contains(QString::fromUtf8(exec)))
            << program;
    }
}
