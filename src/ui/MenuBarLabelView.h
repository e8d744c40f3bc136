// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>
#include <QObject>
#include <QString>

class AppSettings;
class MainWindowOpener;
class MenuBarView;
class QMenu;
class QSystemTrayIcon;
class StickerStore;

// Vantrel's tray icon: the menu-bar label rendered into the icon (the application icon when
// the label is empty), the panel on a left click, the same commands in a menu on a right one.
class MenuBarLabelView final : public QObject {
    Q_OBJECT

public:
    MenuBarLabelView(StickerStore& store, AppSettings& settings, MainWindowOpener& opener,
                     QObject* parent = nullptr);
    ~MenuBarLabelView() override;

    // The label trimmed, or "Vantrel" when nothing is left.
    static QString labelText(const QString& menuBarLabel);
    // The label drawn as an icon in the colours of palette; the application icon for the
    // default label.
    static QIcon labelIcon(const QString& menuBarLabel, const QPalette& palette);

    QSystemTrayIcon& trayIcon() const { return *m_tray; }
    MenuBarView& panel() const { return *m_panel; }
    QMenu& menu() const { return *m_menu; }

private:
    void relabel();
    void rebuildMenu();

    StickerStore& m_store;
    AppSettings& m_settings;
    MainWindowOpener& m_opener;
    std::unique_ptr<MenuBarView> m_panel;
    std::unique_ptr<QMenu> m_menu;
    std::unique_ptr<QSystemTrayIcon> m_tray;
    bool m_menuOutdated = false;
};
