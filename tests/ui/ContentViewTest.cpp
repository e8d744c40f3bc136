// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ContentView.h"

#include "stickers/NotificationHub.h"
#include "support/TestSupport.h"
#include "ui/AppSettingsPanel.h"
#include "ui/OnboardingView.h"
#include "ui/SegmentedControl.h"
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

// Counts the layouts the application is asked to redo, anywhere.
class LayoutRequests final : public QObject {
public:
    LayoutRequests() { QCoreApplication::instance()->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override {
        count += event->type() == QEvent::LayoutRequest ? 1 : 0;
        return false;
    }
    int count = 0;
};

// Delivers a drag of text, and of urls if any, entering (QDragEnterEvent) or dropping (QDropEvent)
// on target, offering a copy or a move; the action taken, none when refused.
template <typename Event>
std::optional<Qt::DropAction> deliver(QWidget* target, const QList<QUrl>& urls = {}) {
    QMimeData data;
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

    // Waits out the delayed selection of the newest sticker, so that none lands later.
    bool waitForSelection(const QUuid& id) {
        return waitUntil([&] { return m_view.selectedStickerId() == id; });
    }
    bool addPicked(const QString& name, QPushButton* button = nullptr) {
        m_picker.answer = picked(name);
        QTest::mouseClick(button ? button : m_view.addButton(), Qt::LeftButton);
        return waitForSelection(m_store.stickers().last().id);
    }
    bool summaryStarts(int row, const char* text) const {
        return m_view.rows()[row]->summaryText().startsWith(QString::fromUtf8(text));
    }

    NotificationHub m_hub;
    FakeFilePicker m_picker;
    ContentView m_view{m_store, m_settings, m_hub, m_picker};
};

using OnboardingViewTest = ShellStoreFixture;

} // namespace

TEST_F(ContentViewTest, OnlyRowsInViewAreBuiltAChangeTouchesOnlyItsRowAndAHiddenListWaits) {
    // Opened on 200 stickers, the list builds the rows in view and a few more.
    m_view.hide();
    for (int i = 0; i < 200; ++i)
        m_store.addSticker(picked(QStringLiteral("p.png")));
    m_view.show();
    const QList<StickerRow*> before = m_view.rows();
    ASSERT_LT(before.size(), 15) << "rows out of view are built";
    const auto measures = [&] {
        QList<int> counts;
        for (const StickerRow* row : m_view.rows())
            counts.append(row->textMeasures());
        return counts;
    };
    // The list's first layouts settle, one posted by the other.
    processPendingEvents();
    processPendingEvents();
    const QList<int> measured = measures();
    // A drag step, then a size step: no row is built and no text measured again.
    m_store.updatePosition(m_store.stickers()[3].id, 5, 7);
    Sticker resized = m_store.stickers()[7];
    resized.size = 321;
    m_store.updateSticker(resized);
    EXPECT_EQ(m_view.rows(), before);
    EXPECT_EQ(measures(), measured);
    EXPECT_TRUE(summaryStarts(7, "321px"));
    // A size of as many digits lays out neither the row nor the list around it.
    const LayoutRequests layouts;
    resized.size = 322;
    m_store.updateSticker(resized);
    processPendingEvents();
    EXPECT_EQ(layouts.count, 0);
    EXPECT_TRUE(summaryStarts(7, "322px"));

    m_view.hide();
    m_store.removeSticker(m_store.stickers()[0].id);
    resized.size = 123;
    m_store.updateSticker(resized);
    EXPECT_EQ(measures().value(6), measured[7]);
    m_view.show();
    EXPECT_EQ(m_view.rows().first(), before[1]);
    EXPECT_TRUE(summaryStarts(6, "123px"));

    // The newest sticker, selected, is scrolled to: the rows there are built, not those between.
    ASSERT_TRUE(addPicked(QStringLiteral("new.png")));
    const StickerRow* newest = m_view.rows().last();
    EXPECT_TRUE(newest->sticker().id == m_store.stickers().last().id &&
                newest->nameText() == QStringLiteral("new") && !newest->visibleRegion().isEmpty());
    EXPECT_LT(m_view.rows().size(), 2 * before.size());
}

TEST_F(ContentViewTest, AddsRenamesAndTheSelectionDriveThePanelAndCancelsOrFailuresAddNothing) {
    StickerSettingsPanel* panel = m_view.settingsPanel();
    EXPECT_TRUE(m_view.showsEmptyState());
    ASSERT_TRUE(addPicked(QStringLiteral("a.png"), m_view.pickButton()));
    ASSERT_TRUE(addPicked(QStringLiteral("my cat.v2.GIF")));
    ASSERT_EQ(m_store.stickers().size(), 2);
    EXPECT_FALSE(m_view.showsEmptyState());
    EXPECT_TRUE(m_view.rows().last()->isSelected() && panel->isVisible());

    // Selecting another row reloads the panel; selecting it again keeps the draft, and a cancel
    // schedules no selection.
    const QUuid a = m_store.stickers()[0].id;
    QTest::mouseClick(m_view.rows().first(), Qt::LeftButton);
    EXPECT_EQ(panel->draft()->id, a);
    panel->nameField()->setText(QStringLiteral("typed, not committed"));
    QTest::mouseClick(m_view.rows().first(), Qt::LeftButton);
    EXPECT_EQ(panel->nameField()->text(), QStringLiteral("typed, not committed"));
    m_picker.answer.reset();
    QTest::mouseClick(m_view.addButton(), Qt::LeftButton);
    QTest::qWait(ContentView::selectAfterAddMs * 2);
    EXPECT_EQ(m_view.selectedStickerId(), a);
    panel->sizeSlider()->setValue(panel->sizeSlider()->value() + 1);
    processPendingEvents();
    EXPECT_TRUE(summaryStarts(0, "170px"));

    // The app settings keep the selection; a language switch there reaches the picker at once,
    // and the panel comes back with the sticker as changed meanwhile.
    QTest::mouseClick(m_view.settingsButton(), Qt::LeftButton);
    EXPECT_TRUE(m_view.showsAppSettings() && !panel->isVisible());
    EXPECT_EQ(m_view.selectedStickerId(), a);
    m_settings.setLanguage(AppLanguage::en);
    QTest::mouseClick(m_view.addButton(), Qt::LeftButton);
    EXPECT_EQ(m_picker.lastLanguage, AppLanguage::en);
    Sticker edited = m_store.stickers()[0];
    edited.size = 300;
    m_store.updateSticker(edited);
    QTest::mouseClick(m_view.appSettingsPanel()->closeButton(), Qt::LeftButton);
    EXPECT_FALSE(m_view.showsAppSettings());
    EXPECT_EQ(panel->draft()->size, 300);
    QTest::mouseClick(panel->closeButton(), Qt::LeftButton);
    EXPECT_FALSE(m_view.selectedStickerId() || panel->isVisible() ||
                 m_view.rows()[0]->isSelected());

    m_picker.answer = m_root.filePath(QStringLiteral("missing.png"));
    QTest::mouseClick(m_view.addButton(), Qt::LeftButton);
    EXPECT_EQ(m_store.stickers().size(), 2);
    ASSERT_TRUE(waitForSelection(m_store.stickers().last().id)) << "a failed copy selects the last";

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

    // Deleting a row that is not the selected one clears the selection all the same.
    row->deleteButton()->click();
    EXPECT_FALSE(m_view.selectedStickerId() || panel->isVisible());
    processPendingEvents();
    EXPECT_EQ(m_view.rows().size(), 1);
}

TEST_F(ContentViewTest, AHandleDragReordersLiveAndOnlyLocalPicturesDroppedFromOutsideAreAdded) {
    for (const char* name : {"a.png", "b.png", "c.png"})
        ASSERT_TRUE(addPicked(QString::fromLatin1(name)));
    const QList<StickerRow*> rows = m_view.rows();
    StickerRow *a = rows[0], *b = rows[1], *c = rows[2];
    std::function<void()> whileDragging = [] { ADD_FAILURE() << "a drag without a move"; };
    m_view.setDragRunner([&](QDrag&) { whileDragging(); });
    const auto dragByHandle = [](StickerRow* row, QPoint to) {
        QTest::mousePress(row->dragHandle(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
        QTest::mouseMove(row->dragHandle(), to);
        QTest::mouseRelease(row->dragHandle(), Qt::LeftButton, Qt::NoModifier, to);
    };
    dragByHandle(a, QPoint(5, 5));
    // Entering the dragged row moves nothing; the rows and stickers move, no row is rebuilt.
    whileDragging = [&] {
        EXPECT_TRUE(m_view.draggedStickerId() == a->sticker().id && a->isDragging());
        const std::pair<StickerRow*, QList<StickerRow*>> steps[] = {
            {a, {a, b, c}}, {b, {b, a, c}}, {c, {b, c, a}}, {b, {a, b, c}}};
        for (const auto& [entered, expected] : steps) {
            EXPECT_EQ(deliver<QDragEnterEvent>(entered), Qt::MoveAction);
            ASSERT_EQ(m_view.rows(), expected);
            EXPECT_EQ(m_store.stickers().first().id, expected[0]->sticker().id);
        }
        EXPECT_EQ(deliver<QDropEvent>(b), Qt::MoveAction);
        EXPECT_FALSE(m_view.draggedStickerId());
    };
    dragByHandle(a, QPoint(5, 40));
    EXPECT_FALSE(a->isDragging());
    // Released outside the rows, a drag leaves none dimmed.
    whileDragging = [&] { EXPECT_TRUE(b->isDragging()); };
    dragByHandle(b, QPoint(5, 40));
    EXPECT_FALSE(m_view.draggedStickerId() || b->isDragging());
    // Another program's text is taken as a copy, so it keeps it, and moves nothing.
    EXPECT_EQ(deliver<QDragEnterEvent>(c), Qt::CopyAction);
    EXPECT_EQ(deliver<QDropEvent>(c), Qt::CopyAction);
    EXPECT_EQ(m_view.rows(), rows);

    // Files dropped on a row go on to the window.
    const QUrl text = QUrl::fromLocalFile(picked(QStringLiteral("notes.txt")));
    const QList<QUrl> mixed = {QUrl::fromLocalFile(picked(QStringLiteral("d.png"))), text,
                               QUrl(QStringLiteral("https://example.org/f.png")),
                               QUrl::fromLocalFile(picked(QStringLiteral("e.tar.WEBP")))};
    const std::tuple<QList<QUrl>, bool, QStringList> cases[] = {
        {mixed, false, {"d", "e.tar"}}, {{text}, false, {}}, {mixed, true, {}}};
    for (const auto& [urls, firstRun, added] : cases) {
        m_settings.setHasCompletedOnboarding(!firstRun);
        const qsizetype before = m_store.stickers().size();
        const auto taken = added.isEmpty() ? std::nullopt : std::optional(Qt::CopyAction);
        EXPECT_EQ(deliver<QDragEnterEvent>(c, urls), taken) << firstRun;
        EXPECT_EQ(deliver<QDropEvent>(c, urls), taken) << firstRun;
        QStringList names;
        for (qsizetype i = before; i < m_store.stickers().size(); ++i)
            names << m_store.stickers()[i].name;
        EXPECT_EQ(names, added);
        if (!added.isEmpty()) {
            EXPECT_TRUE(waitForSelection(m_store.stickers().last().id));
        }
    }
}

TEST_F(ContentViewTest, TheFirstRunScreenTakesEveryClickAndKeyUntilContinue) {
    ASSERT_TRUE(addPicked(QStringLiteral("a.png")));
    StickerRow* row = m_view.rows().first();
    m_settings.setHasCompletedOnboarding(false);
    OnboardingView* onboarding = m_view.onboarding();
    ASSERT_TRUE(onboarding);
    QWidget* hit = m_view.childAt(m_view.addButton()->mapTo(&m_view, QPoint(3, 3)));
    EXPECT_TRUE(hit == onboarding || onboarding->isAncestorOf(hit));
    // Focus starts on the screen and Tab never leaves it.
    ASSERT_TRUE(waitUntil([] { return QApplication::focusWidget() != nullptr; }));
    for (int press = 0; press < 5; ++press) {
        EXPECT_TRUE(onboarding->isAncestorOf(QApplication::focusWidget())) << press;
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    QTest::keyClick(m_view.addButton(), Qt::Key_Space);
    EXPECT_EQ(m_picker.pictureCalls, 1) << "only the add before the screen";

    QTest::mouseClick(onboarding->continueButton(), Qt::LeftButton);
    processPendingEvents();
    EXPECT_FALSE(m_view.onboarding());
    EXPECT_EQ(m_view.rows().first(), row) << "the content beneath is not recreated";
}

TEST_F(OnboardingViewTest, PickingRelabelsOnlyTheScreenAndEachNewScreenStartsInRussian) {
    QWidget window;
    window.show();
    QStringList order;
    QObject::connect(&m_settings, &AppSettings::languageChanged,
                     [&](AppLanguage language) { order << rawValue(language).toString(); });
    QObject::connect(&m_settings, &AppSettings::hasCompletedOnboardingChanged,
                     [&](bool done) { order << QVariant(done).toString(); });
    // The second screen ignores the stored English, and leaving it so stores Russian.
    for (const bool pickEnglish : {true, false}) {
        OnboardingView view(m_settings, &window);
        view.show();
        EXPECT_EQ(view.languageControl()->current(), 0);
        if (pickEnglish) {
            QTest::mouseClick(view.languageControl()->segment(1), Qt::LeftButton);
            EXPECT_EQ(view.continueButton()->text(), QStringLiteral("Continue"));
            EXPECT_TRUE(order.isEmpty()) << "nothing is stored before Continue";
        }
        QTest::mouseClick(view.continueButton(), Qt::LeftButton);
    }
    EXPECT_EQ(order, (QStringList{"en", "true", "ru", "true"}));
}
