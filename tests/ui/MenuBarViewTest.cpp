// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/MenuBarView.h"

#include "app/ActivationPolicy.h"
#include "app/MainWindow.h"
#include "app/MainWindowOpener.h"
#include "model/StickerJson.h"
#include "store/AppSettings.h"
#include "store/MemoryPreferencesBackend.h"
#include "store/Preferences.h"
#include "store/StickerStore.h"
#include "support/TestSupport.h"
#include "ui/MenuBarButton.h"
#include "ui/MenuBarLabelView.h"
#include "ui/MenuBarStickerRow.h"

#include <QLabel>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

class MenuBarViewTest : public testing::Test {
protected:
    void withStickers(const QList<bool>& hidden) {
        QList<Sticker> list;
        for (qsizetype i = 0; i < hidden.size(); ++i) {
            Sticker s = Sticker::withMedia(media());
            s.name = QStringLiteral("S%1").arg(i);
            s.isHidden = hidden[i];
            list.append(s);
        }
        m_preferences.setValue(StickerStore::saveKey, *StickerJson::encode(list));
        m_store =
            std::make_unique<StickerStore>(m_preferences, m_root.filePath(QStringLiteral("data")));
        m_view = std::make_unique<MenuBarView>(*m_store, m_settings, m_opener);
    }

    QString media() const {
        const QString path = m_root.filePath(QStringLiteral("data/Vantrel/Media/m.gif"));
        if (!QFileInfo::exists(path))
            writeFile(path, "GIF89a");
        return path;
    }

    QList<MenuBarStickerRow*> rows() const {
        QList<MenuBarStickerRow*> live;
        for (MenuBarStickerRow* row : m_view->rows()->findChildren<MenuBarStickerRow*>()) {
            if (!row->isHidden())
                live.append(row);
        }
        return live;
    }

    QTemporaryDir m_root;
    Preferences m_preferences{std::make_shared<MemoryPreferencesBackend>()};
    AppSettings m_settings{m_preferences};
    ActivationPolicy m_policy;
    MainWindowOpener m_opener{m_policy};
    std::unique_ptr<StickerStore> m_store;
    std::unique_ptr<MenuBarView> m_view;
};

} // namespace

TEST_F(MenuBarViewTest, WithoutStickersItOffersToShowAndUnlockAndSaysThereAreNone) {
    withStickers({});
    EXPECT_EQ(m_view->width(), MenuBarView::panelWidth);
    EXPECT_EQ(m_view->hideButton()->iconName(), QStringLiteral("eye-fill"));
    EXPECT_EQ(m_view->hideButton()->title(), QStringLiteral("Показать все стикеры"));
    EXPECT_EQ(m_view->lockButton()->iconName(), QStringLiteral("unlock-fill"));
    EXPECT_EQ(m_view->lockButton()->title(), QStringLiteral("Разблокировать все"));
    EXPECT_FALSE(m_view->emptyLabel()->isHidden());
    EXPECT_EQ(m_view->emptyLabel()->text(), QStringLiteral("Нет стикеров"));
    QTest::mouseClick(m_view->lockButton(), Qt::LeftButton);
    EXPECT_EQ(m_preferences.value(StickerStore::saveKey).toByteArray(), QByteArray("[]"));
}

TEST_F(MenuBarViewTest, TheBulkButtonsFollowTheStoreAndCallIt) {
    withStickers({false, true});
    EXPECT_EQ(m_view->hideButton()->iconName(), QStringLiteral("eye-slash-fill"));
    EXPECT_TRUE(m_view->emptyLabel()->isHidden());
    ASSERT_EQ(rows().size(), 2);
    QTest::mouseClick(m_view->hideButton(), Qt::LeftButton);
    EXPECT_TRUE(m_store->stickers()[0].isHidden && m_store->stickers()[1].isHidden);
    EXPECT_EQ(m_view->hideButton()->iconName(), QStringLiteral("eye-fill"));
    QTest::mouseClick(m_view->lockButton(), Qt::LeftButton);
    EXPECT_TRUE(m_store->stickers()[0].isLocked);
    EXPECT_EQ(m_view->lockButton()->title(), QStringLiteral("Разблокировать все"));

    m_settings.setLanguage(AppLanguage::en);
    EXPECT_EQ(m_view->hideButton()->title(), QStringLiteral("Show all stickers"));
    EXPECT_EQ(m_view->quitButton()->title(), QStringLiteral("Quit"));
}

TEST_F(MenuBarViewTest, RowTogglesSendTheStickerWithOneFlagInverted) {
    withStickers({false});
    ASSERT_EQ(rows().size(), 1);
    EXPECT_EQ(rows()[0]->visibilityButton()->objectName(), QStringLiteral("eye-slash-fill"));
    QTest::mouseClick(rows()[0]->visibilityButton(), Qt::LeftButton);
    EXPECT_TRUE(m_store->stickers()[0].isHidden);
    ASSERT_EQ(rows().size(), 1);
    EXPECT_EQ(rows()[0]->visibilityButton()->objectName(), QStringLiteral("eye-fill"));
    QTest::mouseClick(rows()[0]->lockButton(), Qt::LeftButton);
    EXPECT_TRUE(m_store->stickers()[0].isLocked);
    EXPECT_TRUE(m_store->stickers()[0].isHidden);
    QTest::mouseClick(rows()[0]->centerButton(), Qt::LeftButton);
    EXPECT_EQ(m_store->stickers()[0].x, 720 - 80);
}

TEST(MenuBarLabel, TrimsTheLabelAndFallsBackToTheProductName) {
    EXPECT_EQ(MenuBarLabelView::labelText(QStringLiteral("   ")), QStringLiteral("Vantrel"));
    EXPECT_EQ(MenuBarLabelView::labelText(QString()), QStringLiteral("Vantrel"));
    EXPECT_EQ(MenuBarLabelView::labelText(QStringLiteral(" 😀 ")), QStringLiteral("😀"));
    EXPECT_EQ(MenuBarLabelView::labelText(QStringLiteral("\n My stickers \t")),
              QStringLiteral("My stickers"));
    EXPECT_FALSE(MenuBarLabelView::labelIcon(QStringLiteral("😀")).isNull());
    EXPECT_FALSE(MenuBarLabelView::labelIcon(QStringLiteral("  ")).isNull());
}

TEST_F(MenuBarViewTest, TheRightClickMenuCarriesTheSameCommands) {
    withStickers({false, false});
    MenuBarLabelView label(*m_store, m_settings, m_opener);
    QStringList titles;
    for (const QAction* action : label.menu().actions())
        titles.append(action->text());
    EXPECT_EQ(titles, (QStringList{QStringLiteral("Скрыть все стикеры"),
                                   QStringLiteral("Вернуть все на центр"),
                                   QStringLiteral("Заблокировать все"), QString(),
                                   QStringLiteral("S0"), QStringLiteral("S1"), QString(),
                                   QStringLiteral("Открыть Vantrel"), QStringLiteral("Выход")}));
    QMenu* first = label.menu().actions().at(4)->menu();
    ASSERT_NE(first, nullptr);
    first->actions().at(0)->trigger();
    processPendingEvents();
    EXPECT_TRUE(m_store->stickers()[0].isHidden);
    EXPECT_FALSE(m_store->stickers()[1].isHidden);
    EXPECT_TRUE(label.menu().actions().at(4)->menu()->actions().at(0)->isChecked());
    label.menu().actions().at(0)->trigger();
    processPendingEvents();
    EXPECT_TRUE(m_store->stickers()[1].isHidden);
    EXPECT_EQ(label.menu().findChildren<QMenu*>(Qt::FindDirectChildrenOnly).size(), 2);
    EXPECT_EQ(label.menu().actions().at(0)->text(), QStringLiteral("Показать все стикеры"));

    m_settings.setMenuBarLabel(QStringLiteral(" 😀 "));
    EXPECT_EQ(label.trayIcon().toolTip(), QStringLiteral("😀"));
    m_settings.setMenuBarLabel(QStringLiteral("  "));
    EXPECT_EQ(label.trayIcon().toolTip(), QStringLiteral("Vantrel"));
}
