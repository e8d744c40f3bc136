// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/StickerSettingsPanel.h"

#include "support/TestSupport.h"
#include "ui/FakeFilePicker.h"
#include "ui/SegmentedControl.h"
#include "ui/ShellStoreFixture.h"
#include "ui/StickerThumbnailView.h"

#include <QAbstractButton>
#include <QColorDialog>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

class StickerSettingsPanelTest : public ShellStoreFixture {
protected:
    void SetUp() override {
        m_store.addSticker(m_root.filePath(QStringLiteral("media.gif")));
        m_panel.resize(308, StickerSettingsPanel::maximumPanelHeight);
        m_panel.show();
    }

    Sticker stored(qsizetype index = 0) const { return m_store.stickers().at(index); }

    // Each commit as the store holds it, read through field.
    template <typename Value> std::shared_ptr<QList<Value>> record(Value Sticker::*field) {
        auto values = std::make_shared<QList<Value>>();
        QObject::connect(&m_store, &StickerStore::stickersChanged, &m_store,
                         [this, values, field] { values->append(stored().*field); });
        return values;
    }

    void clickSegment(SegmentedControl* control, int index) {
        QTest::mouseClick(control->segment(index), Qt::LeftButton);
        processPendingEvents();
    }

    FakeFilePicker m_picker;
    MediaCache m_thumbnails;
    StickerSettingsPanel m_panel{m_store, m_settings, m_picker, m_thumbnails};
};

} // namespace

TEST_F(StickerSettingsPanelTest, LoadingShowsTheStickerAndCommitsNothing) {
    Sticker sticker = stored();
    sticker.name = QStringLiteral("Cat");
    sticker.size = 205;
    sticker.cornerRadius = 12;
    sticker.layer = StickerLayer::desktop;
    sticker.bgStyle = BGStyle::color;
    sticker.bgColor = QStringLiteral("#ff8800");
    sticker.bgOpacity = 0.35;
    sticker.isLocked = true;
    sticker.isHidden = true;
    m_store.updateSticker(sticker);
    QSignalSpy commits(&m_store, &StickerStore::stickersChanged);

    m_panel.setStickerId(sticker.id);
    processPendingEvents();
    EXPECT_EQ(commits.count(), 0);
    EXPECT_EQ(m_panel.draft(), sticker);
    EXPECT_EQ(m_panel.nameField()->text(), QStringLiteral("Cat"));
    EXPECT_EQ(m_panel.sizeText()->text(), QStringLiteral("205px")) << "off the step grid";
    EXPECT_EQ(m_panel.cornersText()->text(), QStringLiteral("12"));
    EXPECT_EQ(m_panel.opacityText()->text(), QStringLiteral("35%"));
    EXPECT_EQ(m_panel.layerControl()->current(), 0);
    EXPECT_EQ(m_panel.backgroundControl()->current(), 1);
    EXPECT_TRUE(m_panel.colorRow()->isVisible());
    EXPECT_FALSE(m_panel.pictureRow()->isVisible());
    EXPECT_EQ(m_panel.selectedColor(), QColor(0xff, 0x88, 0x00));
    EXPECT_EQ(m_panel.hexField()->text(), QStringLiteral("#FF8800"));
    EXPECT_TRUE(m_panel.lockSwitch()->isChecked());
    EXPECT_TRUE(m_panel.hideSwitch()->isChecked());
    EXPECT_EQ(m_panel.hideIconName(), QStringLiteral("eye-slash-fill"));
}

TEST_F(StickerSettingsPanelTest, SelectingAnotherColourStickerCommitsItsColourOnceInUpperCase) {
    Sticker first = stored();
    first.bgStyle = BGStyle::color;
    first.bgColor = QStringLiteral("#123456");
    m_store.updateSticker(first);
    m_store.addSticker(m_root.filePath(QStringLiteral("other.gif")));
    Sticker second = stored(1);
    second.bgStyle = BGStyle::color;
    second.bgColor = QStringLiteral("#ff8800");
    m_store.updateSticker(second);
    m_panel.setStickerId(first.id);
    processPendingEvents();
    QSignalSpy commits(&m_store, &StickerStore::stickersChanged);

    m_panel.setStickerId(second.id);
    m_panel.setStickerId(second.id);
    processPendingEvents();
    ASSERT_EQ(commits.count(), 1) << "the second call finds the colour unchanged";
    EXPECT_EQ(stored(1).bgColor, QStringLiteral("#FF8800"));
    EXPECT_EQ(stored().bgColor, QStringLiteral("#123456"));
}

TEST_F(StickerSettingsPanelTest, EveryKeystrokeAndSliderStepCommitsOnTheNextTurn) {
    m_panel.setStickerId(stored().id);
    const auto names = record(&Sticker::name);
    const auto sizes = record(&Sticker::size);

    QTest::keyClicks(m_panel.nameField(), QStringLiteral("cat"));
    EXPECT_TRUE(stored().name.isEmpty()) << "commits are deferred";
    processPendingEvents();
    EXPECT_EQ(*names, (QList<QString>{"c", "ca", "cat"}));

    for (int step = 0; step < 4; ++step)
        QTest::keyClick(m_panel.sizeSlider(), Qt::Key_Right);
    processPendingEvents();
    EXPECT_EQ(sizes->mid(3), (QList<double>{170, 180, 190, 200}));
    EXPECT_EQ(m_panel.sizeText()->text(), QStringLiteral("200px"));

    QTest::keyClick(m_panel.opacitySlider(), Qt::Key_Right);
    processPendingEvents();
    EXPECT_DOUBLE_EQ(stored().bgOpacity, 0.85);
}

TEST_F(StickerSettingsPanelTest, EditsKeepTheStoresPositionButOverwriteOtherOutsideChanges) {
    m_panel.setStickerId(stored().id);
    m_store.updatePosition(stored().id, 10, 20);
    Sticker lockedElsewhere = stored();
    lockedElsewhere.isLocked = true;
    m_store.updateSticker(lockedElsewhere);
    EXPECT_FALSE(m_panel.lockSwitch()->isChecked()) << "the draft is a snapshot";

    clickSegment(m_panel.layerControl(), 0);
    EXPECT_EQ(stored().layer, StickerLayer::desktop);
    EXPECT_EQ(stored().x, 10);
    EXPECT_EQ(stored().y, 20);
    EXPECT_FALSE(stored().isLocked);
}

TEST_F(StickerSettingsPanelTest, EachBackgroundSegmentShowsItsOwnRows) {
    m_panel.setStickerId(stored().id);
    EXPECT_FALSE(m_panel.opacityRow()->isVisible());
    clickSegment(m_panel.backgroundControl(), 1);
    EXPECT_EQ(stored().bgStyle, BGStyle::color);
    EXPECT_TRUE(m_panel.opacityRow()->isVisible());
    EXPECT_TRUE(m_panel.colorRow()->isVisible());
    EXPECT_FALSE(m_panel.pictureRow()->isVisible());
    clickSegment(m_panel.backgroundControl(), 2);
    EXPECT_EQ(stored().bgStyle, BGStyle::image);
    EXPECT_TRUE(m_panel.opacityRow()->isVisible());
    EXPECT_FALSE(m_panel.colorRow()->isVisible());
    EXPECT_TRUE(m_panel.pictureRow()->isVisible());
    clickSegment(m_panel.backgroundControl(), 0);
    EXPECT_FALSE(m_panel.opacityRow()->isVisible());
    EXPECT_FALSE(m_panel.pictureRow()->isVisible());
}

TEST_F(StickerSettingsPanelTest, OnlyCompleteNewColoursCommitFromTheFieldOrTheDialog) {
    m_panel.setStickerId(stored().id);
    clickSegment(m_panel.backgroundControl(), 1);
    const auto colours = record(&Sticker::bgColor);
    m_panel.hexField()->clear();
    QTest::keyClicks(m_panel.hexField(), QStringLiteral("#33aa5g5"));
    processPendingEvents();
    EXPECT_EQ(*colours, QList<QString>{"#33AA55"}) << "partial entries and a stray g do nothing";

    QTest::mouseClick(m_panel.colorSwatch(), Qt::LeftButton);
    auto* dialog = m_panel.findChild<QColorDialog*>();
    ASSERT_TRUE(dialog);
    EXPECT_FALSE(dialog->testOption(QColorDialog::ShowAlphaChannel));
    EXPECT_EQ(dialog->currentColor(), QColor(0x33, 0xaa, 0x55));
    dialog->setCurrentColor(QColor(0x10, 0x20, 0x30));
    dialog->accept();
    processPendingEvents();
    EXPECT_EQ(*colours, (QList<QString>{"#33AA55", "#102030"}));
    EXPECT_EQ(m_panel.hexField()->text(), QStringLiteral("#102030"));
}

TEST_F(StickerSettingsPanelTest, PickingABackgroundStoresACopyAndASecondPickReplacesIt) {
    m_panel.setStickerId(stored().id);
    clickSegment(m_panel.backgroundControl(), 2);
    EXPECT_EQ(m_panel.pictureButton()->text(), QStringLiteral("Выбрать картинку"));

    m_picker.answer = picked(QStringLiteral("first.png"));
    QTest::mouseClick(m_panel.pictureButton(), Qt::LeftButton);
    processPendingEvents();
    const QString first = stored().bgImagePath;
    EXPECT_EQ(QFileInfo(first).absolutePath(), m_store.storage().backgroundsDirectory());
    EXPECT_TRUE(QFileInfo::exists(first));
    EXPECT_EQ(m_panel.pictureButton()->text(), QStringLiteral("Сменить картинку"));
    EXPECT_TRUE(waitUntil([&] { return !m_panel.pictureThumbnail()->image().isNull(); }));

    m_picker.answer = picked(QStringLiteral("second.png"));
    QTest::mouseClick(m_panel.pictureButton(), Qt::LeftButton);
    processPendingEvents();
    EXPECT_NE(stored().bgImagePath, first);
    EXPECT_TRUE(QFileInfo::exists(stored().bgImagePath));
    EXPECT_FALSE(QFileInfo::exists(first));
    EXPECT_EQ(m_picker.backgroundCalls, 2);
}

TEST_F(StickerSettingsPanelTest, ACancelledPickOrAFailedCopyChangesNothing) {
    m_panel.setStickerId(stored().id);
    clickSegment(m_panel.backgroundControl(), 2);
    QSignalSpy commits(&m_store, &StickerStore::stickersChanged);
    m_picker.answer.reset();
    QTest::mouseClick(m_panel.pictureButton(), Qt::LeftButton);
    m_picker.answer = m_root.filePath(QStringLiteral("missing.png"));
    QTest::mouseClick(m_panel.pictureButton(), Qt::LeftButton);
    processPendingEvents();
    EXPECT_EQ(m_picker.backgroundCalls, 2);
    EXPECT_EQ(commits.count(), 0);
    EXPECT_TRUE(m_panel.draft()->bgImagePath.isEmpty());
    EXPECT_TRUE(QDir(m_store.storage().backgroundsDirectory()).isEmpty());
}

TEST_F(StickerSettingsPanelTest, TheHideSwitchSymbolFollowsItsState) {
    m_panel.setStickerId(stored().id);
    EXPECT_EQ(m_panel.hideIconName(), QStringLiteral("eye-fill"));
    QTest::mouseClick(m_panel.hideSwitch(), Qt::LeftButton);
    processPendingEvents();
    EXPECT_TRUE(stored().isHidden);
    EXPECT_EQ(m_panel.hideIconName(), QStringLiteral("eye-slash-fill"));
    QTest::mouseClick(m_panel.hideSwitch(), Qt::LeftButton);
    EXPECT_EQ(m_panel.hideIconName(), QStringLiteral("eye-fill"));
}

TEST_F(StickerSettingsPanelTest, AnUnknownIdIsReportedInEnglishAndTextsFollowTheLanguage) {
    m_panel.setStickerId(QUuid::createUuid());
    EXPECT_FALSE(m_panel.draft());
    EXPECT_TRUE(m_panel.missingLabel()->isVisible());
    EXPECT_EQ(m_panel.missingLabel()->text(), QStringLiteral("Sticker not found"));
    EXPECT_FALSE(m_panel.nameField()->isVisible());

    m_panel.setStickerId(stored().id);
    EXPECT_FALSE(m_panel.missingLabel()->isVisible());
    m_settings.setLanguage(AppLanguage::en);
    EXPECT_EQ(m_panel.titleLabel()->text(), QStringLiteral("Sticker settings"));
    EXPECT_EQ(m_panel.backgroundControl()->segmentText(2), QStringLiteral("Image"));
    EXPECT_EQ(m_panel.pictureButton()->text(), QStringLiteral("Choose image"));
    EXPECT_EQ(m_panel.hideSwitch()->text(), QStringLiteral("Hide sticker"));
}
