// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/MenuBarView.h"

#include "app/ActivationPolicy.h"
#include "app/MainWindowOpener.h"
#include "support/TestSupport.h"
#include "ui/MenuBarButton.h"
#include "ui/MenuBarLabelIcon.h"
#include "ui/MenuBarLabelView.h"
#include "ui/MenuBarStickerRow.h"
#include "ui/ShellStoreFixture.h"

#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

class MenuBarViewTest : public ShellStoreFixture {
protected:
    // The panel follows the store only while it is shown.
    void SetUp() override { m_view.popUpNear(QRect()); }

    // Appends count stickers, named after their index: S0, S1, ...
    void addStickers(int count) {
        for (int i = 0; i < count; ++i) {
            m_store.addSticker(m_root.filePath(QStringLiteral("m.gif")));
            Sticker s = m_store.stickers().last();
            s.name = QStringLiteral("S%1").arg(m_store.stickers().size() - 1);
            m_store.updateSticker(s);
        }
    }

    // The rows shown: the ones of removed stickers go on a later turn.
    QList<MenuBarStickerRow*> rows() const {
        QList<MenuBarStickerRow*> live = m_view.rows()->findChildren<MenuBarStickerRow*>();
        live.removeIf([](const MenuBarStickerRow* row) { return row->isHidden(); });
        return live;
    }

    ActivationPolicy m_policy;
    MainWindowOpener m_opener{m_policy};
    MenuBarView m_view{m_store, m_settings, m_opener};
};

} // namespace

TEST_F(MenuBarViewTest, ThePanelAndTheTrayMenuActOnTheStickersAsTheyAreNowAndOnlyTabShowsARing) {
    // With no stickers, all of them count as hidden.
    EXPECT_EQ(m_view.hideButton()->title(), QStringLiteral("Показать все стикеры"));
    EXPECT_FALSE(m_view.emptyLabel()->isHidden());
    addStickers(2);
    EXPECT_TRUE(m_view.emptyLabel()->isHidden());

    // The menu follows the store as it opens: bulk commands, a submenu per sticker, open, quit.
    MenuBarLabelView label(m_store, m_settings, m_opener);
    const auto opened = [&label] {
        Q_EMIT label.menu().aboutToShow();
        return label.menu().actions();
    };
    const QList<QAction*> actions = opened();
    ASSERT_EQ(actions.size(), 9);
    ASSERT_EQ(actions[4]->text(), QStringLiteral("S0"));
    ASSERT_NE(actions[4]->menu(), nullptr);
    actions[4]->menu()->actions().at(0)->trigger();
    processPendingEvents();
    EXPECT_TRUE(m_store.stickers()[0].isHidden && !m_store.stickers()[1].isHidden);
    EXPECT_TRUE(opened().at(4)->menu()->actions().at(0)->isChecked());
    label.menu().actions().at(0)->trigger();
    processPendingEvents();
    EXPECT_TRUE(m_store.stickers()[1].isHidden);
    // The submenus of earlier builds go.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(label.menu().findChildren<QMenu*>(Qt::FindDirectChildrenOnly).size(), 2);
    m_settings.setMenuBarLabel(QStringLiteral("\tMy  stickers\n"));
    EXPECT_EQ(label.trayIcon().toolTip(), QStringLiteral("My  stickers"));

    QTest::mouseClick(m_view.hideButton(), Qt::LeftButton);
    QTest::mouseClick(m_view.lockButton(), Qt::LeftButton);
    EXPECT_FALSE(m_store.stickers()[0].isHidden || m_store.stickers()[1].isHidden);
    EXPECT_TRUE(m_store.stickers()[0].isLocked && m_store.stickers()[1].isLocked);
    // Each row toggle starts from the sticker as the previous one left it.
    ASSERT_EQ(rows().size(), 2);
    QTest::mouseClick(rows()[1]->visibilityButton(), Qt::LeftButton);
    QTest::mouseClick(rows()[1]->lockButton(), Qt::LeftButton);
    EXPECT_TRUE(m_store.stickers()[1].isHidden && !m_store.stickers()[1].isLocked);
    QTest::mouseClick(rows()[1]->centerButton(), Qt::LeftButton);
    EXPECT_EQ(m_store.stickers()[1].x, 720 - 80);
    EXPECT_TRUE(!rows()[0]->visibilityButton()->isChecked() &&
                rows()[0]->lockButton()->isChecked());
    m_settings.setLanguage(AppLanguage::en);
    EXPECT_EQ(m_view.hideButton()->title(), QStringLiteral("Hide all stickers"));
    // Only the button the keyboard's Tab reaches shows a ring.
    MenuBarButton* focused = nullptr;
    for (int press = 0; press < 8 && !focused; ++press) {
        for (const MenuBarButton* button : m_view.findChildren<MenuBarButton*>())
            EXPECT_FALSE(button->showsFocus()) << press;
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &m_view,
                        Qt::Key_Tab);
        focused = qobject_cast<MenuBarButton*>(QApplication::focusWidget());
    }
    ASSERT_TRUE(focused);
    for (const MenuBarButton* button : m_view.findChildren<MenuBarButton*>())
        EXPECT_EQ(button->showsFocus(), button == focused);
}

TEST_F(MenuBarViewTest, AHiddenPanelCatchesUpWhenItOpensAndNeverReachesPastItsScreen) {
    addStickers(1);
    MenuBarStickerRow* kept = rows().value(0);
    m_view.hide();
    // Hidden, the panel builds nothing and does not even touch the renamed sticker's row.
    Sticker renamed = m_store.stickers()[0];
    renamed.name = QStringLiteral("Renamed");
    m_store.updateSticker(renamed);
    addStickers(199);
    EXPECT_EQ(m_view.rows()->findChildren<MenuBarStickerRow*>().size(), 1);
    EXPECT_EQ(kept->shownName(), QStringLiteral("S0"));

    m_view.popUpNear(QRect());
    ASSERT_EQ(rows().size(), 200);
    EXPECT_EQ(rows()[0], kept);
    EXPECT_EQ(kept->shownName(), QStringLiteral("Renamed"));
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_TRUE(screen.contains(m_view.frameGeometry())) << m_view.height();
    for (const QWidget* button : {m_view.openButton(), m_view.quitButton()})
        EXPECT_TRUE(m_view.rect().contains(button->geometry()) && button->isVisible());
}

TEST(MenuBarLabelIconTest, ReadsOnLightAndDarkPanelsStaysLegibleWhenLongAndShowsEmojiInColour) {
    QPalette light, dark;
    light.setColor(QPalette::WindowText, Qt::black);
    light.setColor(QPalette::Window, Qt::white);
    dark.setColor(QPalette::WindowText, Qt::white);
    dark.setColor(QPalette::Window, 0x202020);
    const std::tuple<const char*, const QPalette&, bool> cases[] = {
        {"W", light, false},
        {"W", dark, false},
        {"My stickers on the desktop", dark, false},
        {"\u2764", light, true}};
    const auto near = [](QColor a, QColor b) {
        return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) +
                   std::abs(a.blue() - b.blue()) <
               60;
    };
    const int side = MenuBarLabelIcon::side;
    for (const auto& [label, colours, emoji] : cases) {
        const QImage icon =
            MenuBarLabelView::labelIcon(QString::fromUtf8(label), colours).pixmap(side).toImage();
        // Opaque pixels in the text colour (and their box), in the halo colour, and red.
        int text = 0, halo = 0, red = 0;
        QRect box;
        for (int y = 0; y < icon.height(); ++y) {
            for (int x = 0; x < icon.width(); ++x) {
                const QColor pixel = icon.pixelColor(x, y);
                const bool isText =
                    pixel.alpha() >= 250 && near(pixel, colours.color(QPalette::WindowText));
                text += isText;
                box |= isText ? QRect(x, y, 1, 1) : QRect();
                halo += pixel.alpha() >= 250 && near(pixel, colours.color(QPalette::Window));
                red += pixel.alpha() >= 250 && pixel.red() > 180 && pixel.green() < 90 &&
                       pixel.blue() < 110;
            }
        }
        EXPECT_GT(halo, 40) << label;
        // Letters stay tall enough to read once a tray draws the icon at 22 pixels, inside it.
        if (emoji)
            EXPECT_GT(red, 200) << label;
        else
            EXPECT_TRUE(text > 40 && box.height() >= side / 4 &&
                        QRect(1, 1, side - 2, side - 2).contains(box))
                << label << " " << text << " " << box.height();
    }
}
