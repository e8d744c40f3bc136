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

#include <QApplication>
#include <QDragEnterEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

// What the platform delivers when a drag enters a widget (QDragEnterEvent) or drops there
// (QDropEvent), offering a copy or a move; the action taken, none when refused.
template <typename Event>
std::optional<Qt::DropAction> deliver(QWidget* target, const QList<QUrl>& urls = {},
                                      bool text = false) {
    QMimeData data;
    if (text || urls.isEmpty())
        data.setText(QStringLiteral("any text"));
    if (!urls.isEmpty())
        data.setUrls(urls);
    Event event(QPoint(5, 5), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                Qt::NoModifier);
    QApplication::sendEvent(target, &event);
    processPendingEvents();
    return event.isAccepted() ? std::optional(event.dropAction()) : std::nullopt;
}

class ContentViewTest : public ShellStoreFixture {
protected:
    void SetUp() override {
        m_settings.setHasCompletedOnboarding(true);
        m_view.resize(340, 540);
        m_view.show();
    }

    // Waits for the delayed selection of the newest sticker, so that none lands later.
    bool waitForSelection(const QUuid& id) {
        return waitUntil([&] { return m_view.selectedStickerId() == id; });
    }
    bool addPicked(const QString& name, QPushButton* button = nullptr) {
        m_picker.answer = picked(name);
        QTest::mouseClick(button ? button : m_view.addButton(), Qt::LeftButton);
        return waitForSelection(m_store.stickers().last().id);
    }

    NotificationHub m_hub;
    FakeFilePicker m_picker;
    ContentView m_view{m_store, m_settings, m_hub, m_picker};
};

} // namespace

TEST_F(ContentViewTest, AChangeOfOneStickerTouchesOnlyItsRowAndAHiddenListWaits) {
    for (int i = 0; i < 50; ++i)
        m_store.addSticker(picked(QStringLiteral("p.png")));
    const QList<StickerRow*> before = m_view.rows();
    ASSERT_EQ(before.size(), 50);
    const auto measures = [&] {
        QList<int> counts;
        for (const StickerRow* row : m_view.rows())
            counts.append(row->textMeasures());
        return counts;
    };
    const QList<int> measured = measures();
    // A drag step, then a size step of another sticker: no row is built and no text measured
    // again, not even the resized one's, whose emoji-bearing layer stays as it was.
    m_store.updatePosition(m_store.stickers()[3].id, 5, 7);
    Sticker resized = m_store.stickers()[7];
    resized.size = 321;
    m_store.updateSticker(resized);
    EXPECT_EQ(m_view.rows(), before);
    EXPECT_EQ(measures(), measured);
    EXPECT_TRUE(m_view.rows()[7]->summaryText().startsWith(QStringLiteral("321px")));

    m_view.hide();
    m_store.removeSticker(m_store.stickers()[0].id);
    resized.size = 123;
    m_store.updateSticker(resized);
    EXPECT_EQ(measures().value(6), measured[7]);
    m_view.show();
    EXPECT_EQ(m_view.rows().size(), 49);
    EXPECT_TRUE(m_view.rows()[6]->summaryText().startsWith(QStringLiteral("123px")));
}

TEST_F(ContentViewTest, AddsAreNamedAfterTheFileACancelDoesNothingAFailedCopySelectsADeleteClears) {
    EXPECT_TRUE(m_view.showsEmptyState());
    ASSERT_TRUE(addPicked(QStringLiteral("a.png"), m_view.pickButton()));
    ASSERT_TRUE(addPicked(QStringLiteral("my cat.v2.GIF")));
    ASSERT_EQ(m_store.stickers().size(), 2);
    EXPECT_EQ(m_store.stickers().first().name, QStringLiteral("a"));
    EXPECT_EQ(m_store.stickers().last().name, QStringLiteral("my cat.v2"));
    EXPECT_FALSE(m_view.showsEmptyState());
    EXPECT_TRUE(m_view.rows().last()->isSelected());

    // A cancel schedules no selection: the clicked row stays selected.
    QTest::mouseClick(m_view.rows().first(), Qt::LeftButton);
    m_picker.answer.reset();
    QTest::mouseClick(m_view.addButton(), Qt::LeftButton);
    QTest::qWait(ContentView::selectAfterAddMs * 2);
    EXPECT_EQ(m_store.stickers().size(), 2);
    EXPECT_EQ(m_view.selectedStickerId(), m_store.stickers().first().id);

    m_picker.answer = m_root.filePath(QStringLiteral("missing.png"));
    QTest::mouseClick(m_view.addButton(), Qt::LeftButton);
    EXPECT_EQ(m_store.stickers().size(), 2);
    ASSERT_TRUE(waitForSelection(m_store.stickers().last().id));

    // Deleting a row that is not the selected one clears the selection all the same.
    m_view.rows().first()->deleteButton()->click();
    EXPECT_FALSE(m_view.selectedStickerId());
    processPendingEvents();
    EXPECT_EQ(m_view.rows().size(), 1);
}

TEST_F(ContentViewTest, RenamingPostsTheTextUnchangedEscapeCancelsAndAnEmptyNameFallsBack) {
    ASSERT_TRUE(addPicked(QStringLiteral("a.png")));
    StickerRow* row = m_view.rows().first();
    QTest::mouseDClick(row, Qt::LeftButton);
    ASSERT_FALSE(row->nameEditor()->isHidden());
    const std::tuple<const char*, Qt::Key, const char*> steps[] = {
        {"  cat  ", Qt::Key_Return, "  cat  "},
        {"dog", Qt::Key_Escape, "  cat  "},
        {"", Qt::Key_Return, ""}};
    for (const auto& [text, key, stored] : steps) {
        row->startRenaming();
        row->nameEditor()->setText(QString::fromUtf8(text));
        QTest::keyClick(row->nameEditor(), key);
        processPendingEvents();
        EXPECT_EQ(m_store.stickers().first().name, QString::fromUtf8(stored)) << text;
    }
    EXPECT_EQ(row->nameText(), QFileInfo(m_store.stickers().first().gifPath).fileName());

    // The summary truncates the size; the lock badge wins over the hidden one.
    Sticker s = Sticker::withMedia(QStringLiteral("/m/a.gif"));
    s.size = 160.9;
    s.isHidden = s.isLocked = true;
    EXPECT_TRUE(StickerRow::summary(s, AppLanguage::en).startsWith(QStringLiteral("160px ")));
    EXPECT_EQ(StickerRow::badgeFor(s), QStringLiteral("lock-fill"));
}

TEST_F(ContentViewTest, DraggingAHandleReordersLiveAsRowsAreEntered) {
    for (const char* name : {"a.png", "b.png", "c.png"})
        ASSERT_TRUE(addPicked(QString::fromLatin1(name)));
    const QList<StickerRow*> rows = m_view.rows();
    StickerRow *a = rows[0], *b = rows[1], *c = rows[2];
    std::function<void()> whileDragging;
    m_view.setDragRunner([&](QDrag&) { whileDragging(); });
    const auto dragByHandle = [](StickerRow* row, QPoint to) {
        QTest::mousePress(row->dragHandle(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
        QTest::mouseMove(row->dragHandle(), to);
        QTest::mouseRelease(row->dragHandle(), Qt::LeftButton, Qt::NoModifier, to);
    };

    // A press on the handle starts no drag until the pointer moves.
    whileDragging = [] { ADD_FAILURE() << "a drag without a move"; };
    dragByHandle(a, QPoint(5, 5));

    // Entering the dragged row moves nothing; moving up lands on the entered row's place.
    // The rows are moved, not rebuilt, while the drag runs.
    whileDragging = [&] {
        EXPECT_EQ(m_view.draggedStickerId(), a->sticker().id);
        EXPECT_TRUE(a->isDragging());
        const std::pair<StickerRow*, QList<StickerRow*>> steps[] = {
            {a, {a, b, c}}, {b, {b, a, c}}, {c, {b, c, a}}, {b, {a, b, c}}};
        for (const auto& [entered, expected] : steps) {
            EXPECT_EQ(deliver<QDragEnterEvent>(entered), Qt::MoveAction);
            ASSERT_EQ(m_view.rows(), expected);
            EXPECT_EQ(m_store.stickers().first().zIndex, 2) << "the first lies in front";
            EXPECT_EQ(m_store.stickers().last().zIndex, 0);
        }
        EXPECT_EQ(deliver<QDropEvent>(b), Qt::MoveAction);
        EXPECT_FALSE(m_view.draggedStickerId());
    };
    dragByHandle(a, QPoint(5, 40));
    EXPECT_FALSE(a->isDragging());

    // A drag released outside the rows leaves none dimmed.
    whileDragging = [&] { EXPECT_TRUE(b->isDragging()); };
    dragByHandle(b, QPoint(5, 40));
    EXPECT_FALSE(m_view.draggedStickerId());
    EXPECT_FALSE(b->isDragging());

    // With no drag of a row running, text from another program is taken as a copy, so that
    // program keeps it, and moves nothing; a file is left to the window.
    EXPECT_EQ(deliver<QDragEnterEvent>(c), Qt::CopyAction);
    EXPECT_EQ(deliver<QDropEvent>(c), Qt::CopyAction);
    EXPECT_EQ(m_view.rows(), rows);
    const QUrl file = QUrl::fromLocalFile(picked(QStringLiteral("notes.txt")));
    EXPECT_EQ(deliver<QDropEvent>(c, {file}, true), std::nullopt);
}

TEST_F(ContentViewTest, DroppedPicturesAreAddedAsPickedOnesAndEverythingElseIsIgnored) {
    ASSERT_TRUE(addPicked(QStringLiteral("first.png")));
    const QUrl a = QUrl::fromLocalFile(picked(QStringLiteral("a.png")));
    const QUrl b = QUrl::fromLocalFile(picked(QStringLiteral("b.tar.WEBP")));
    const QUrl text = QUrl::fromLocalFile(picked(QStringLiteral("notes.txt")));
    const QUrl remote(QStringLiteral("https://example.org/c.png"));
    const struct {
        const char* what;
        QList<QUrl> urls;
        bool firstRun;
        QStringList added;
    } cases[] = {
        {"several pictures", {a, text, remote, b}, false, {"a", "b.tar"}},
        {"a wrong type", {text}, false, {}},
        {"a remote picture", {remote}, false, {}},
        {"during the first run", {a}, true, {}},
    };
    for (const auto& c : cases) {
        m_settings.setHasCompletedOnboarding(!c.firstRun);
        const qsizetype before = m_store.stickers().size();
        // Dropped on a row, the files go on to the window.
        QWidget* target = m_view.rows().first();
        const auto taken = c.added.isEmpty() ? std::nullopt : std::optional(Qt::CopyAction);
        EXPECT_EQ(deliver<QDragEnterEvent>(target, c.urls), taken) << c.what;
        EXPECT_EQ(deliver<QDropEvent>(target, c.urls), taken) << c.what;
        QStringList names;
        for (qsizetype i = before; i < m_store.stickers().size(); ++i)
            names << m_store.stickers()[i].name;
        EXPECT_EQ(names, c.added) << c.what;
        if (!c.added.isEmpty()) {
            EXPECT_TRUE(waitForSelection(m_store.stickers().last().id)) << c.what;
        }
    }
}

TEST_F(ContentViewTest, ThePanelFollowsTheSelectionAndComesBackFreshFromTheAppSettings) {
    StickerSettingsPanel* panel = m_view.settingsPanel();
    ASSERT_TRUE(addPicked(QStringLiteral("a.png")));
    ASSERT_TRUE(addPicked(QStringLiteral("b.png")));
    EXPECT_TRUE(panel->isVisible());

    // Selecting another row reloads the panel; selecting it again keeps the draft.
    const QUuid a = m_store.stickers()[0].id;
    QTest::mouseClick(m_view.rows().first(), Qt::LeftButton);
    EXPECT_EQ(panel->draft()->id, a);
    panel->nameField()->setText(QStringLiteral("typed, not committed"));
    QTest::mouseClick(m_view.rows().first(), Qt::LeftButton);
    EXPECT_EQ(panel->nameField()->text(), QStringLiteral("typed, not committed"));

    // A slider step reaches the row at once.
    panel->sizeSlider()->setValue(panel->sizeSlider()->value() + 1);
    processPendingEvents();
    EXPECT_TRUE(m_view.rows().first()->summaryText().startsWith(QStringLiteral("170px")));

    // The gear's app settings replace the body but keep the selection, and a language
    // switch there relabels the whole window, the picker included, at once.
    QTest::mouseClick(m_view.settingsButton(), Qt::LeftButton);
    EXPECT_TRUE(m_view.showsAppSettings());
    EXPECT_FALSE(panel->isVisible());
    EXPECT_EQ(m_view.selectedStickerId(), a);
    m_settings.setLanguage(AppLanguage::en);
    EXPECT_EQ(m_view.addButton()->text(), QStringLiteral("Add"));
    m_picker.answer.reset();
    QTest::mouseClick(m_view.addButton(), Qt::LeftButton);
    EXPECT_EQ(m_picker.lastLanguage, AppLanguage::en);

    // The sticker changes meanwhile: the panel comes back with a fresh snapshot.
    Sticker edited = m_store.stickers()[0];
    edited.size = 300;
    m_store.updateSticker(edited);
    QTest::mouseClick(m_view.settingsButton(), Qt::LeftButton);
    EXPECT_FALSE(m_view.showsAppSettings());
    EXPECT_EQ(panel->draft()->size, 300);

    QTest::mouseClick(m_view.settingsButton(), Qt::LeftButton);
    QTest::mouseClick(m_view.appSettingsPanel()->closeButton(), Qt::LeftButton);
    EXPECT_FALSE(m_view.showsAppSettings());
    QTest::mouseClick(panel->closeButton(), Qt::LeftButton);
    EXPECT_FALSE(m_view.selectedStickerId());
    EXPECT_FALSE(panel->isVisible() || m_view.rows().first()->isSelected());
}

TEST_F(ContentViewTest, TheFirstRunScreenCoversTheContentUntilContinue) {
    ASSERT_TRUE(addPicked(QStringLiteral("a.png")));
    StickerRow* row = m_view.rows().first();
    m_settings.setHasCompletedOnboarding(false);
    OnboardingView* onboarding = m_view.onboarding();
    ASSERT_TRUE(onboarding);
    EXPECT_EQ(onboarding->geometry(), m_view.rect());
    QWidget* hit = m_view.childAt(m_view.addButton()->mapTo(&m_view, QPoint(3, 3)));
    EXPECT_TRUE(hit == onboarding || onboarding->isAncestorOf(hit))
        << "nothing under the screen takes a click";
    // Nor a key: focus starts on the screen and Tab never leaves it.
    ASSERT_TRUE(waitUntil([] { return QApplication::focusWidget() != nullptr; }));
    for (int press = 0; press < 5; ++press) {
        QWidget* focused = QApplication::focusWidget();
        EXPECT_TRUE(onboarding->isAncestorOf(focused)) << press;
        QTest::keyClick(focused, Qt::Key_Tab);
    }
    QTest::keyClick(m_view.addButton(), Qt::Key_Space);
    EXPECT_EQ(m_picker.pictureCalls, 1);

    QTest::mouseClick(onboarding->continueButton(), Qt::LeftButton);
    processPendingEvents();
    EXPECT_FALSE(m_view.onboarding());
    EXPECT_EQ(m_view.rows().first(), row) << "the content beneath is not recreated";
}
