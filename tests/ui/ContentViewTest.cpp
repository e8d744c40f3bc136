// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ContentView.h"

#include "stickers/NotificationHub.h"
#include "support/TestSupport.h"
#include "ui/AppSettingsPanel.h"
#include "ui/FakeFilePicker.h"
#include "ui/OnboardingView.h"
#include "ui/ShellStoreFixture.h"
#include "ui/StickerRow.h"
#include "ui/StickerSettingsPanel.h"
#include "ui/StickerThumbnailView.h"

#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

class ContentViewTest : public ShellStoreFixture {
protected:
    void SetUp() override {
        m_settings.setHasCompletedOnboarding(true);
        m_view.resize(340, 540);
        m_view.show();
    }

    void addPicked(const QString& name) {
        m_picker.answer = picked(name);
        QTest::mouseClick(m_view.addButton(), Qt::LeftButton);
    }

    NotificationHub m_hub;
    FakeFilePicker m_picker;
    ContentView m_view{m_store, m_settings, m_hub, m_picker};
};

} // namespace

TEST_F(ContentViewTest, WithoutStickersBothButtonsOpenTheSamePicker) {
    EXPECT_TRUE(m_view.showsEmptyState());
    EXPECT_EQ(m_view.pickButton()->text(), QStringLiteral("Выбрать файл"));
    QTest::mouseClick(m_view.pickButton(), Qt::LeftButton);
    QTest::mouseClick(m_view.addButton(), Qt::LeftButton);
    EXPECT_EQ(m_picker.pictureCalls, 2);
    EXPECT_TRUE(m_store.stickers().isEmpty());
    EXPECT_FALSE(m_view.selectedStickerId());
}

TEST_F(ContentViewTest, AnAddCopiesIntoStorageAndSelectsTheNewStickerLater) {
    addPicked(QStringLiteral("a.PNG"));
    addPicked(QStringLiteral("b.png"));
    ASSERT_EQ(m_store.stickers().size(), 2);
    const Sticker added = m_store.stickers().last();
    EXPECT_TRUE(added.gifPath.startsWith(m_store.storage().mediaDirectory()));
    EXPECT_TRUE(added.gifPath.endsWith(QStringLiteral(".png")));
    EXPECT_FALSE(m_view.showsEmptyState());
    EXPECT_FALSE(m_view.selectedStickerId()) << "the selection waits 0.15 s";
    ASSERT_TRUE(waitUntil([&] { return m_view.selectedStickerId() == added.id; }));
    ASSERT_EQ(m_view.rows().size(), 2);
    EXPECT_TRUE(m_view.rows().last()->isSelected());
    EXPECT_FALSE(m_view.rows().first()->isSelected());
}

TEST_F(ContentViewTest, ACancelChangesNothingAndAFailedCopyAddsNothingButStillSelects) {
    addPicked(QStringLiteral("a.png"));
    ASSERT_TRUE(waitUntil([&] { return m_view.selectedStickerId().has_value(); }));
    m_view.rows().first()->deleteButton()->click();
    EXPECT_FALSE(m_view.selectedStickerId());
    addPicked(QStringLiteral("b.png"));
    addPicked(QStringLiteral("c.png"));
    ASSERT_TRUE(
        waitUntil([&] { return m_view.selectedStickerId() == m_store.stickers().last().id; }));

    m_picker.answer.reset();
    QTest::mouseClick(m_view.addButton(), Qt::LeftButton);
    QTest::qWait(ContentView::selectAfterAddMs * 2);
    EXPECT_EQ(m_store.stickers().size(), 2);

    QTest::mouseClick(m_view.rows().first(), Qt::LeftButton);
    EXPECT_EQ(m_view.selectedStickerId(), m_store.stickers().first().id);
    m_picker.answer = m_root.filePath(QStringLiteral("missing.png"));
    QTest::mouseClick(m_view.addButton(), Qt::LeftButton);
    EXPECT_EQ(m_store.stickers().size(), 2);
    ASSERT_TRUE(
        waitUntil([&] { return m_view.selectedStickerId() == m_store.stickers().last().id; }));
}

TEST_F(ContentViewTest, DeletingAnyRowClearsTheSelection) {
    addPicked(QStringLiteral("a.png"));
    addPicked(QStringLiteral("b.png"));
    ASSERT_TRUE(
        waitUntil([&] { return m_view.selectedStickerId() == m_store.stickers().last().id; }));
    m_view.rows().first()->deleteButton()->click();
    EXPECT_FALSE(m_view.selectedStickerId());
    EXPECT_EQ(m_store.stickers().size(), 1);
    processPendingEvents();
    EXPECT_EQ(m_view.rows().size(), 1);
}

TEST_F(ContentViewTest, RenamingPostsTheTextUnchangedAndAnEmptyNameFallsBack) {
    addPicked(QStringLiteral("a.png"));
    StickerRow* row = m_view.rows().first();
    QTest::mouseDClick(row, Qt::LeftButton);
    ASSERT_TRUE(row->nameEditor()->isVisible() || !row->nameEditor()->isHidden());
    row->nameEditor()->setText(QStringLiteral("  cat  "));
    QTest::keyClick(row->nameEditor(), Qt::Key_Return);
    ASSERT_TRUE(
        waitUntil([&] { return m_store.stickers().first().name == QStringLiteral("  cat  "); }));

    row = m_view.rows().first();
    row->startRenaming();
    row->nameEditor()->setText(QStringLiteral("dog"));
    QTest::keyClick(row->nameEditor(), Qt::Key_Escape);
    processPendingEvents();
    EXPECT_EQ(m_store.stickers().first().name, QStringLiteral("  cat  "));

    m_hub.postStickerRename(m_store.stickers().first().id, QString());
    ASSERT_TRUE(waitUntil([&] { return m_store.stickers().first().name.isEmpty(); }));
    processPendingEvents();
    EXPECT_EQ(m_view.rows().first()->nameText(),
              QFileInfo(m_store.stickers().first().gifPath).fileName());
}

TEST_F(ContentViewTest, RowsSummariseSizeAndLayerAndBadgeTheState) {
    Sticker s = Sticker::withMedia(QStringLiteral("/m/a.gif"));
    s.size = 160.9;
    s.layer = StickerLayer::desktop;
    EXPECT_EQ(StickerRow::summary(s, AppLanguage::en),
              QString::fromUcs4(U"160px \u00B7 \U0001F5A5 Desktop"));
    s.layer = StickerLayer::floating;
    EXPECT_EQ(StickerRow::summary(s, AppLanguage::ru),
              QString::fromUcs4(U"160px \u00B7 \U0001F51D Поверх всего"));
    EXPECT_EQ(StickerRow::badgeFor(s), QString());
    s.isHidden = true;
    EXPECT_EQ(StickerRow::badgeFor(s), QStringLiteral("eye-slash-fill"));
    s.isLocked = true;
    EXPECT_EQ(StickerRow::badgeFor(s), QStringLiteral("lock-fill"));

    addPicked(QStringLiteral("a.png"));
    ASSERT_TRUE(waitUntil([&] {
        return !m_view.rows().isEmpty() && !m_view.rows().first()->thumbnail()->image().isNull();
    }));
    m_settings.setLanguage(AppLanguage::en);
    EXPECT_EQ(m_view.addButton()->text(), QStringLiteral("Add"));
    EXPECT_TRUE(m_view.rows().first()->summaryText().contains(QStringLiteral("Always")));
    QTest::mouseClick(m_view.addButton(), Qt::LeftButton);
    EXPECT_EQ(m_picker.lastLanguage, AppLanguage::en);
}

namespace {

// What the platform delivers when a drag's pointer enters a row, and when it drops there.
void enterWithText(StickerRow* row, const QString& text) {
    QMimeData data;
    data.setText(text);
    QDragEnterEvent enter(QPoint(5, 5), Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(row, &enter);
    EXPECT_TRUE(enter.isAccepted());
    EXPECT_EQ(enter.dropAction(), Qt::MoveAction);
}

bool dropWithText(StickerRow* row, const QString& text) {
    QMimeData data;
    data.setText(text);
    QDropEvent drop(QPointF(5, 5), Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(row, &drop);
    return drop.isAccepted();
}

} // namespace

TEST_F(ContentViewTest, DraggingAHandleReordersLiveAsRowsAreEntered) {
    for (const char* name : {"a.png", "b.png", "c.png"})
        addPicked(QString::fromLatin1(name));
    const QList<Sticker> initial = m_store.stickers();
    const QUuid a = initial[0].id;
    const QUuid b = initial[1].id;
    const QUuid c = initial[2].id;
    auto order = [&] {
        QList<QUuid> ids;
        for (const Sticker& sticker : m_store.stickers())
            ids << sticker.id;
        return ids;
    };
    auto rowOf = [&](const QUuid& id) {
        for (StickerRow* row : m_view.rows()) {
            if (row->sticker().id == id)
                return row;
        }
        return static_cast<StickerRow*>(nullptr);
    };

    // A press on the handle neither selects nor starts a drag until the pointer moves.
    QLabel* handle = rowOf(a)->dragHandle();
    QTest::mousePress(handle, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_FALSE(m_view.draggedStickerId());
    QTest::mouseMove(handle, QPoint(5, 40));
    QTest::mouseRelease(handle, Qt::LeftButton, Qt::NoModifier, QPoint(5, 40));
    EXPECT_EQ(m_view.draggedStickerId(), a);
    EXPECT_TRUE(rowOf(a)->isDragging());
    EXPECT_EQ(StickerRow::dragData(initial[0])->text(), initial[0].idText());

    StickerRow* draggedRow = rowOf(a);
    enterWithText(draggedRow, a.toString());
    processPendingEvents();
    EXPECT_EQ(order(), (QList<QUuid>{a, b, c})) << "entering the dragged row moves nothing";

    enterWithText(rowOf(b), a.toString());
    processPendingEvents();
    EXPECT_EQ(order(), (QList<QUuid>{b, a, c}));
    enterWithText(rowOf(c), a.toString());
    processPendingEvents();
    EXPECT_EQ(order(), (QList<QUuid>{b, c, a}));
    EXPECT_EQ(rowOf(a), draggedRow) << "rows are moved, not rebuilt, while the drag runs";
    EXPECT_EQ(m_view.rows().last(), draggedRow);
    const QList<Sticker> moved = m_store.stickers();
    EXPECT_EQ(moved[0].zIndex, 2);
    EXPECT_EQ(moved[2].zIndex, 0);

    enterWithText(rowOf(b), a.toString());
    processPendingEvents();
    EXPECT_EQ(order(), (QList<QUuid>{a, b, c})) << "moving up lands on the entered row's place";

    EXPECT_TRUE(dropWithText(rowOf(b), QStringLiteral("anything")));
    EXPECT_FALSE(m_view.draggedStickerId());
    EXPECT_FALSE(rowOf(a)->isDragging());
    enterWithText(rowOf(c), a.toString());
    processPendingEvents();
    EXPECT_EQ(order(), (QList<QUuid>{a, b, c})) << "after the drop no drag is running";
}

TEST_F(ContentViewTest, TheSettingsPanelFollowsTheSelectionAndItsCloseClearsIt) {
    addPicked(QStringLiteral("a.png"));
    addPicked(QStringLiteral("b.png"));
    const QUuid a = m_store.stickers()[0].id;
    const QUuid b = m_store.stickers()[1].id;
    StickerSettingsPanel* panel = m_view.settingsPanel();
    EXPECT_FALSE(panel->isVisible());
    ASSERT_TRUE(waitUntil([&] { return m_view.selectedStickerId() == b; }));
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(panel->draft()->id, b);

    // Selecting another row reloads the same panel; selecting it again keeps the draft.
    QTest::mouseClick(m_view.rows().first(), Qt::LeftButton);
    EXPECT_EQ(panel->draft()->id, a);
    panel->nameField()->setText(QStringLiteral("typed, not committed"));
    QTest::mouseClick(m_view.rows().first(), Qt::LeftButton);
    EXPECT_EQ(panel->nameField()->text(), QStringLiteral("typed, not committed"));

    // A slider step reaches the row at once.
    panel->sizeSlider()->setValue(panel->sizeSlider()->value() + 1);
    processPendingEvents();
    EXPECT_TRUE(m_view.rows().first()->summaryText().startsWith(QStringLiteral("170px")));

    QTest::mouseClick(panel->closeButton(), Qt::LeftButton);
    EXPECT_FALSE(m_view.selectedStickerId());
    EXPECT_FALSE(panel->isVisible());
    EXPECT_FALSE(m_view.rows().first()->isSelected());
}

TEST_F(ContentViewTest, AppSettingsReplaceTheBodyAndGiveBackTheSelection) {
    addPicked(QStringLiteral("a.png"));
    const QUuid a = m_store.stickers()[0].id;
    ASSERT_TRUE(waitUntil([&] { return m_view.selectedStickerId() == a; }));
    QTest::mouseClick(m_view.settingsButton(), Qt::LeftButton);
    EXPECT_TRUE(m_view.showsAppSettings());
    EXPECT_FALSE(m_view.settingsPanel()->isVisible());
    EXPECT_EQ(m_view.selectedStickerId(), a);

    // The sticker changes meanwhile: the panel comes back with a fresh snapshot.
    Sticker edited = m_store.stickers()[0];
    edited.size = 300;
    m_store.updateSticker(edited);
    QTest::mouseClick(m_view.appSettingsPanel()->closeButton(), Qt::LeftButton);
    EXPECT_FALSE(m_view.showsAppSettings());
    EXPECT_TRUE(m_view.settingsPanel()->isVisible());
    EXPECT_EQ(m_view.settingsPanel()->draft()->size, 300);

    // The gear toggles, and the language it sets relabels the whole window at once.
    QTest::mouseClick(m_view.settingsButton(), Qt::LeftButton);
    m_settings.setLanguage(AppLanguage::en);
    EXPECT_TRUE(m_view.showsAppSettings());
    EXPECT_EQ(m_view.settingsButton()->toolTip(), QStringLiteral("Settings"));
    QTest::mouseClick(m_view.settingsButton(), Qt::LeftButton);
    EXPECT_FALSE(m_view.showsAppSettings());
}

TEST_F(ContentViewTest, TheFirstRunScreenCoversTheContentUntilContinue) {
    addPicked(QStringLiteral("a.png"));
    StickerRow* row = m_view.rows().first();
    m_settings.setHasCompletedOnboarding(false);
    OnboardingView* onboarding = m_view.onboarding();
    ASSERT_TRUE(onboarding);
    EXPECT_EQ(onboarding->geometry(), m_view.rect());
    QWidget* hit = m_view.childAt(m_view.addButton()->mapTo(&m_view, QPoint(3, 3)));
    EXPECT_TRUE(hit == onboarding || onboarding->isAncestorOf(hit))
        << "nothing under the screen takes a click";

    QTest::mouseClick(onboarding->continueButton(), Qt::LeftButton);
    processPendingEvents();
    EXPECT_FALSE(m_view.onboarding());
    EXPECT_EQ(m_view.rows().first(), row) << "the content beneath is not recreated";
}
