// SPDX-License-Identifier: GPL-3.0-or-later
#include "stickers/MediaCache.h"
#include "support/TestSupport.h"
#include "ui/AppSettingsPanel.h"
#include "ui/SegmentedControl.h"
#include "ui/ShellStoreFixture.h"
#include "ui/StickerSettingsPanel.h"
#include "ui/SwitchRow.h"

#include <QAbstractButton>
#include <QColorDialog>
#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class AppSettingsPanelTest : public ShellStoreFixture {
protected:
    void SetUp() override { m_panel.show(); }

    AppSettingsPanel m_panel{m_settings};
};

class StickerSettingsPanelTest : public ShellStoreFixture {
protected:
    void SetUp() override {
        m_store.addSticker(m_root.filePath(QStringLiteral("media.gif")));
        m_panel.resize(308, StickerSettingsPanel::maximumPanelHeight);
        m_panel.show();
    }

    Sticker stored(qsizetype index = 0) const { return m_store.stickers().at(index); }

    // Each commit's value of field.
    template <typename Value> std::shared_ptr<QList<Value>> record(Value Sticker::*field) {
        auto values = std::make_shared<QList<Value>>();
        QObject::connect(&m_store, &StickerStore::stickersChanged, &m_store,
                         [this, values, field] { values->append(stored().*field); });
        return values;
    }

    void click(QWidget* widget) {
        QTest::mouseClick(widget, Qt::LeftButton);
        processPendingEvents();
    }

    FakeFilePicker m_picker;
    MediaCache m_thumbnails;
    StickerSettingsPanel m_panel{m_store, m_settings, m_picker, m_thumbnails};
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

TEST_F(StickerSettingsPanelTest, LoadingCommitsNothingButAnotherColourStickerCommitsItsColourOnce) {
    m_panel.setStickerId(QUuid::createUuid());
    EXPECT_FALSE(m_panel.draft());
    EXPECT_TRUE(m_panel.missingLabel()->isVisible());

    Sticker sticker = stored();
    sticker.size = 205;
    sticker.bgStyle = BGStyle::color;
    sticker.bgColor = QStringLiteral("#ff8800");
    sticker.isLocked = true;
    m_store.updateSticker(sticker);
    m_store.addSticker(m_root.filePath(QStringLiteral("other.gif")));
    Sticker other = stored(1);
    other.bgStyle = BGStyle::color;
    other.bgColor = QStringLiteral("#abcdef");
    m_store.updateSticker(other);
    QSignalSpy commits(&m_store, &StickerStore::stickersChanged);

    m_panel.setStickerId(sticker.id);
    processPendingEvents();
    EXPECT_EQ(commits.count(), 0) << "the colour row appears with the load";
    EXPECT_FALSE(m_panel.missingLabel()->isVisible());
    EXPECT_EQ(m_panel.draft(), stored(0));
    EXPECT_EQ(m_panel.sizeText()->text(), QStringLiteral("205px")) << "off the step grid";
    EXPECT_TRUE(m_panel.lockSwitch()->isChecked());

    // With the colour row already on screen, the new colour commits once, in upper case.
    m_panel.setStickerId(other.id);
    m_panel.setStickerId(other.id);
    processPendingEvents();
    EXPECT_EQ(commits.count(), 1);
    EXPECT_EQ(stored(1).bgColor, QStringLiteral("#ABCDEF"));
    EXPECT_EQ(stored(0).bgColor, QStringLiteral("#ff8800"));
}

TEST_F(StickerSettingsPanelTest, EveryEditCommitsTheDraftOnTheNextTurnWithTheStoresPosition) {
    m_panel.setStickerId(stored().id);
    // The draft is a snapshot: a commit undoes a lock made elsewhere, but never a drag.
    m_store.updatePosition(stored().id, 10, 20);
    Sticker lockedElsewhere = stored();
    lockedElsewhere.isLocked = true;
    m_store.updateSticker(lockedElsewhere);
    const auto names = record(&Sticker::name);
    const auto sizes = record(&Sticker::size);

    QTest::keyClicks(m_panel.nameField(), QStringLiteral("cat"));
    EXPECT_TRUE(stored().name.isEmpty()) << "commits are deferred";
    processPendingEvents();
    EXPECT_EQ(*names, (QList<QString>{"c", "ca", "cat"}));
    EXPECT_EQ(QPointF(stored().x, stored().y), QPointF(10, 20));
    EXPECT_FALSE(stored().isLocked);

    for (int step = 0; step < 4; ++step)
        QTest::keyClick(m_panel.sizeSlider(), Qt::Key_Right);
    processPendingEvents();
    EXPECT_EQ(sizes->mid(3), (QList<double>{170, 180, 190, 200}));
    QTest::keyClick(m_panel.opacitySlider(), Qt::Key_Right);
    click(m_panel.layerControl()->segment(0));
    click(m_panel.hideSwitch());
    EXPECT_DOUBLE_EQ(stored().bgOpacity, 0.85);
    EXPECT_EQ(stored().layer, StickerLayer::desktop);
    EXPECT_TRUE(stored().isHidden);
}

TEST_F(StickerSettingsPanelTest, BackgroundSegmentsShowTheirRowsAndOnlyCompleteNewValuesCommit) {
    m_panel.setStickerId(stored().id);
    const auto rowsShown = [&] {
        return std::tuple(m_panel.opacityRow()->isVisible(), m_panel.colorRow()->isVisible(),
                          m_panel.pictureRow()->isVisible());
    };
    click(m_panel.backgroundControl()->segment(1));
    EXPECT_EQ(stored().bgStyle, BGStyle::color);
    EXPECT_EQ(rowsShown(), std::tuple(true, true, false));
    const auto colours = record(&Sticker::bgColor);
    m_panel.hexField()->clear();
    QTest::keyClicks(m_panel.hexField(), QStringLiteral("#33aa5g5"));
    processPendingEvents();
    EXPECT_EQ(*colours, QList<QString>{"#33AA55"}) << "partial entries and a stray g do nothing";

    // The swatch's dialog starts from the stored colour.
    QTest::mouseClick(m_panel.colorSwatch(), Qt::LeftButton);
    auto* dialog = m_panel.findChild<QColorDialog*>();
    ASSERT_TRUE(dialog && dialog->currentColor() == QColor(0x33, 0xaa, 0x55));
    dialog->setCurrentColor(QColor(0x10, 0x20, 0x30));
    dialog->accept();
    processPendingEvents();
    EXPECT_EQ(*colours, (QList<QString>{"#33AA55", "#102030"}));

    // The picture segment stores a copy; a cancel or a failed copy does nothing.
    click(m_panel.backgroundControl()->segment(2));
    EXPECT_EQ(stored().bgStyle, BGStyle::image);
    EXPECT_EQ(rowsShown(), std::tuple(true, false, true));
    QSignalSpy commits(&m_store, &StickerStore::stickersChanged);
    m_picker.answer.reset();
    click(m_panel.pictureButton());
    m_picker.answer = m_root.filePath(QStringLiteral("missing.png"));
    click(m_panel.pictureButton());
    EXPECT_EQ(commits.count(), 0);
    EXPECT_TRUE(m_panel.draft()->bgImagePath.isEmpty());
    EXPECT_TRUE(QDir(m_store.storage().backgroundsDirectory()).isEmpty());
    m_picker.answer = picked(QStringLiteral("first.png"));
    click(m_panel.pictureButton());
    EXPECT_EQ(QFileInfo(stored().bgImagePath).absolutePath(),
              m_store.storage().backgroundsDirectory());

    click(m_panel.backgroundControl()->segment(0));
    EXPECT_EQ(rowsShown(), std::tuple(false, false, false));
}
