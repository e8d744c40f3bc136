// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/MenuBarLabelView.h"

#include "app/MainWindowOpener.h"
#include "l10n/L10n.h"
#include "store/AppSettings.h"
#include "store/StickerStore.h"
#include "ui/IconFactory.h"
#include "ui/MenuBarLabelIcon.h"
#include "ui/MenuBarView.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QMenu>
#include <QSystemTrayIcon>
#include <algorithm>

MenuBarLabelView::MenuBarLabelView(StickerStore& store, AppSettings& settings,
                                   MainWindowOpener& opener, QObject* parent)
    : QObject(parent)
    , m_store(store)
    , m_settings(settings)
    , m_opener(opener)
    , m_panel(std::make_unique<MenuBarView>(store, settings, opener))
    , m_menu(std::make_unique<QMenu>())
    , m_tray(std::make_unique<QSystemTrayIcon>()) {
    m_tray->setContextMenu(m_menu.get());
    connect(m_tray.get(), &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger)
                    m_panel->popUpNear(m_tray->geometry());
            });
    connect(&m_settings, &AppSettings::menuBarLabelChanged, this, &MenuBarLabelView::relabel);
    // Rebuilt as it opens, and only after a change: a drag step or a slider step does not
    // rebuild a menu with a submenu per sticker, and a change that comes from one of the menu's
    // own items never pulls the item away under it.
    const auto outdated = [this] { m_menuOutdated = true; };
    connect(&m_settings, &AppSettings::languageChanged, this, outdated);
    connect(&m_store, &StickerStore::stickersChanged, this, outdated);
    connect(m_menu.get(), &QMenu::aboutToShow, this, [this] {
        if (m_menuOutdated)
            rebuildMenu();
    });
    relabel();
    rebuildMenu();
    m_tray->show();
}

MenuBarLabelView::~MenuBarLabelView() = default;

QString MenuBarLabelView::labelText(const QString& menuBarLabel) {
    const QString trimmed = menuBarLabel.trimmed();
    return trimmed.isEmpty() ? QStringLiteral("Vantrel") : trimmed;
}

QIcon MenuBarLabelView::labelIcon(const QString& menuBarLabel, const QPalette& palette) {
    if (menuBarLabel.trimmed().isEmpty())
        return IconFactory::applicationIcon();
    return QIcon(MenuBarLabelIcon::draw(labelText(menuBarLabel), palette));
}

void MenuBarLabelView::relabel() {
    const QString label = m_settings.menuBarLabel();
    m_tray->setIcon(labelIcon(label, QGuiApplication::palette()));
    m_tray->setToolTip(labelText(label));
}

void MenuBarLabelView::rebuildMenu() {
    // For trays where a left click opens the menu: the panel's commands.
    m_menuOutdated = false;
    const AppLanguage language = m_settings.language();
    const auto text = [language](L10n::Key key) { return L10n::text(key, language); };
    const QList<Sticker>& stickers = m_store.stickers();
    const bool allHidden = std::all_of(stickers.cbegin(), stickers.cend(),
                                       [](const Sticker& s) { return s.isHidden; });
    const bool allLocked = std::all_of(stickers.cbegin(), stickers.cend(),
                                       [](const Sticker& s) { return s.isLocked; });
    for (QMenu* row : m_menu->findChildren<QMenu*>(Qt::FindDirectChildrenOnly))
        row->deleteLater();
    m_menu->clear();
    m_menu->addAction(text(allHidden ? L10n::Key::showAll : L10n::Key::hideAll), this,
                      [this] { m_store.toggleAllHidden(); });
    m_menu->addAction(text(L10n::Key::centerAll), this, [this] { m_store.centerAll(); });
    m_menu->addAction(text(allLocked ? L10n::Key::unlockAll : L10n::Key::lockAll), this,
                      [this] { m_store.toggleAllLocked(); });
    m_menu->addSeparator();
    if (stickers.isEmpty())
        m_menu->addAction(text(L10n::Key::noStickers))->setEnabled(false);
    for (const Sticker& sticker : stickers) {
        // The row's toggles, as checkable items that send the sticker with one flag inverted.
        QMenu* row = m_menu->addMenu(sticker.displayName());
        for (const auto& [key, flag] : {std::pair{L10n::Key::hideSticker, &Sticker::isHidden},
                                        std::pair{L10n::Key::lockDrag, &Sticker::isLocked}}) {
            QAction* toggle = row->addAction(text(key), this, [this, sticker, flag = flag] {
                Sticker edited = sticker;
                edited.*flag = !(edited.*flag);
                m_store.updateSticker(edited);
            });
            toggle->setCheckable(true);
            toggle->setChecked(sticker.*flag);
        }
        row->addAction(text(L10n::Key::centerHelp), this,
                       [this, id = sticker.id] { m_store.centerSticker(id); });
    }
    m_menu->addSeparator();
    m_menu->addAction(text(L10n::Key::openApp), this, [this] { m_opener.openMainWindow(); });
    m_menu->addAction(text(L10n::Key::quit), this, [] { QCoreApplication::exit(0); });
}
