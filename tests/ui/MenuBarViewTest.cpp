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
#include <QGuiApplication>
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

    // Appends stickers named S0, S1, … with the given hidden flags.
    void addStickers(const QList<bool>& hidden) {
        for (const bool isHidden : hidden) {
            m_store.addSticker(m_root.filePath(QStringLiteral("m.gif")));
            Sticker s = m_store.stickers().last();
            s.name = QStringLiteral("S%1").arg(m_store.stickers().size() - 1);
            s.isHidden = isHidden;
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

TEST_F(MenuBarViewTest, BulkButtonsAndRowTogglesFollowTheStoreAndCallIt) {
    // With no stickers, all of them count as hidden.
    EXPECT_EQ(m_view.hideButton()->title(), QStringLiteral("Показать все стикеры"));
    EXPECT_FALSE(m_view.emptyLabel()->isHidden());

    addStickers({false, true});
    EXPECT_TRUE(m_view.emptyLabel()->isHidden());
    QTest::mouseClick(m_view.hideButton(), Qt::LeftButton);
    EXPECT_TRUE(m_store.stickers()[0].isHidden && m_store.stickers()[1].isHidden);
    EXPECT_EQ(m_view.hideButton()->iconName(), QStringLiteral("eye-fill"));
    QTest::mouseClick(m_view.lockButton(), Qt::LeftButton);
    EXPECT_TRUE(m_store.stickers()[0].isLocked);
    EXPECT_EQ(m_view.lockButton()->title(), QStringLiteral("Разблокировать все"));

    // A row toggle inverts one flag and the row follows: the next starts from the new sticker.
    ASSERT_EQ(rows().size(), 2);
    QTest::mouseClick(rows()[1]->visibilityButton(), Qt::LeftButton);
    EXPECT_FALSE(m_store.stickers()[1].isHidden);
    QTest::mouseClick(rows()[1]->lockButton(), Qt::LeftButton);
    EXPECT_FALSE(m_store.stickers()[1].isLocked);
    EXPECT_FALSE(m_store.stickers()[1].isHidden);
    QTest::mouseClick(rows()[1]->centerButton(), Qt::LeftButton);
    EXPECT_EQ(m_store.stickers()[1].x, 720 - 80);

    // A flag's check is its state; each toggle names its command in the current language.
    const MenuBarStickerRow* row = rows()[0];
    EXPECT_TRUE(row->visibilityButton()->isChecked() && row->lockButton()->isChecked());
    m_settings.setLanguage(AppLanguage::en);
    EXPECT_EQ(m_view.hideButton()->title(), QStringLiteral("Hide all stickers"));
    EXPECT_EQ(row->lockButton()->toolTip(), QStringLiteral("Lock dragging"));
    EXPECT_EQ(row->centerButton()->accessibleName(), QStringLiteral("Center on screen"));

    // No ring until the keyboard's Tab moves the focus.
    const auto ringed = [&] {
        QList<MenuBarButton*> shown = m_view.findChildren<MenuBarButton*>();
        shown.removeIf([](const MenuBarButton* button) { return !button->showsFocus(); });
        return shown;
    };
    EXPECT_TRUE(ringed().isEmpty());
    MenuBarButton* focused = nullptr;
    for (int press = 0; press < 8 && !focused; ++press) {
        QWidget* focus = QApplication::focusWidget();
        QTest::keyClick(focus ? focus : &m_view, Qt::Key_Tab);
        focused = qobject_cast<MenuBarButton*>(QApplication::focusWidget());
    }
    EXPECT_EQ(ringed(), QList<MenuBarButton*>{focused});
}

TEST_F(MenuBarViewTest, AHiddenPanelCatchesUpWhenItOpensAndNeverReachesPastItsScreen) {
    addStickers({false});
    MenuBarStickerRow* kept = rows().value(0);
    m_view.hide();
    // Hidden, the panel builds nothing; its row for the renamed sticker is not even touched.
    Sticker renamed = m_store.stickers()[0];
    renamed.name = QStringLiteral("Renamed");
    m_store.updateSticker(renamed);
    addStickers(QList<bool>(199, false));
    EXPECT_EQ(m_view.rows()->findChildren<MenuBarStickerRow*>().size(), 1);
    EXPECT_EQ(kept->shownName(), QStringLiteral("S0"));

    m_view.popUpNear(QRect());
    ASSERT_EQ(rows().size(), 200);
    EXPECT_EQ(rows()[0], kept);
    EXPECT_EQ(kept->shownName(), QStringLiteral("Renamed"));
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_TRUE(screen.contains(m_view.frameGeometry())) << m_view.height();
    for (const QWidget* button : {m_view.openButton(), m_view.quitButton()}) {
        EXPECT_TRUE(m_view.rect().contains(button->geometry()));
        EXPECT_TRUE(button->isVisible());
    }
}

TEST_F(MenuBarViewTest, TheTrayMenuCarriesTheSameCommandsAndTheTrimmedLabel) {
    addStickers({false, false});
    MenuBarLabelView label(m_store, m_settings, m_opener);
    // The menu follows the store as it opens.
    const auto opened = [&label]() -> QList<QAction*> {
        Q_EMIT label.menu().aboutToShow();
        return label.menu().actions();
    };
    // The bulk commands, a separator, a submenu per sticker, a separator, open and quit.
    const QList<QAction*> actions = opened();
    ASSERT_EQ(actions.size(), 9);
    EXPECT_EQ(actions[4]->text(), QStringLiteral("S0"));
    ASSERT_NE(actions[4]->menu(), nullptr);
    actions[4]->menu()->actions().at(0)->trigger();
    processPendingEvents();
    EXPECT_TRUE(m_store.stickers()[0].isHidden);
    EXPECT_FALSE(m_store.stickers()[1].isHidden);
    EXPECT_TRUE(opened().at(4)->menu()->actions().at(0)->isChecked());
    label.menu().actions().at(0)->trigger();
    processPendingEvents();
    EXPECT_TRUE(m_store.stickers()[1].isHidden);
    EXPECT_EQ(opened().at(0)->text(), QStringLiteral("Показать все стикеры"));
    // The submenus of earlier builds go.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(label.menu().findChildren<QMenu*>(Qt::FindDirectChildrenOnly).size(), 2);

    // The tray shows the label trimmed, the product name when nothing is left.
    for (const auto& [text, shown] :
         {std::pair{" 😀 ", "😀"}, {"\tMy  stickers\n", "My  stickers"}, {"  ", "Vantrel"}}) {
        m_settings.setMenuBarLabel(QString::fromUtf8(text));
        EXPECT_EQ(label.trayIcon().toolTip(), QString::fromUtf8(shown));
    }
}

TEST(MenuBarLabelIconTest, ReadsOnLightAndDarkPanelsStaysLegibleWhenLongAndShowsEmojiInColour) {
    const auto palette = [](QColor text, QColor window) {
        QPalette p;
        p.setColor(QPalette::WindowText, text);
        p.setColor(QPalette::Window, window);
        return p;
    };
    const QPalette light = palette(Qt::black, Qt::white), dark = palette(Qt::white, 0x202020);
    const int side = MenuBarLabelIcon::side;
    const struct {
        const char* label;
        const QPalette& palette;
        bool emoji;
    } cases[] = {
        {"W", light, false},
        {"W", dark, false},
        {"My stickers on the desktop", dark, false},
        {"\u2764", light, true},
    };
    const auto near = [](QColor a, QColor b) {
        return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) +
                   std::abs(a.blue() - b.blue()) <
               60;
    };
    for (const auto& c : cases) {
        const QImage icon = MenuBarLabelView::labelIcon(QString::fromUtf8(c.label), c.palette)
                                .pixmap(side)
                                .toImage();
        // Opaque pixels in the text colour (and their box), the halo colour, and red.
        int text = 0, halo = 0, red = 0;
        QRect box;
        for (int y = 0; y < icon.height(); ++y) {
            for (int x = 0; x < icon.width(); ++x) {
                const QColor pixel = icon.pixelColor(x, y);
                if (pixel.alpha() < 250)
                    continue;
                if (near(pixel, c.palette.color(QPalette::WindowText))) {
                    ++text;
                    box |= QRect(x, y, 1, 1);
                }
                halo += near(pixel, c.palette.color(QPalette::Window));
                red += pixel.red() > 180 && pixel.green() < 90 && pixel.blue() < 110;
            }
        }
        // Text in the panel's text colour inside a halo of its background reads on either.
        EXPECT_GT(halo, 40) << c.label;
        if (c.emoji) {
            EXPECT_GT(red, 200) << c.label;
            continue;
        }
        EXPECT_GT(text, 40) << c.label;
        // Letters stay tall enough to read once a tray draws the icon at 22 pixels, inside it.
        EXPECT_GE(box.height(), side / 4) << c.label;
        EXPECT_TRUE(QRect(1, 1, side - 2, side - 2).contains(box)) << c.label;
    }
}
