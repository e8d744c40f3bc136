// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/VantrelApp.h"

#include "app/ActivationPolicy.h"
#include "app/AppDelegate.h"
#include "app/MainWindow.h"
#include "app/MainWindowOpener.h"
#include "l10n/L10n.h"
#include "platform/ScreenCoordinates.h"
#include "platform/WindowingServices.h"
#include "stickers/NotificationHub.h"
#include "stickers/StickerWindowManager.h"
#include "store/AppSettings.h"
#include "store/IniPreferencesBackend.h"
#include "store/Preferences.h"
#include "store/StickerStore.h"
#include "ui/ContentView.h"
#include "ui/FilePicker.h"
#include "ui/MenuBarLabelView.h"

#include <QSystemTrayIcon>
#include <cstdio>

VantrelApp::VantrelApp(const QString& preferencesFile, const QString& applicationDataDirectory)
    : m_preferences(
          std::make_unique<Preferences>(std::make_shared<IniPreferencesBackend>(preferencesFile)))
    , m_settings(std::make_unique<AppSettings>(*m_preferences))
    , m_windowing(createWindowingServices())
    , m_frameBudget(std::make_shared<FrameBudget>())
    , m_hub(std::make_unique<NotificationHub>())
    , m_store(std::make_unique<StickerStore>(*m_preferences, applicationDataDirectory))
    , m_policy(std::make_unique<ActivationPolicy>())
    , m_opener(std::make_unique<MainWindowOpener>(*m_policy))
    , m_delegate(std::make_unique<AppDelegate>(*m_opener, *m_policy))
    , m_picker(std::make_unique<DialogFilePicker>())
    , m_mainWindow(std::make_unique<MainWindow>(
          *m_policy, new ContentView(*m_store, *m_settings, *m_hub, *m_picker, m_frameBudget)))
    , m_tray(std::make_unique<MenuBarLabelView>(*m_store, *m_settings, *m_opener)) {
    // Without a tray the main window stays reachable: launching Vantrel again shows it.
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        std::fputs("vantrel: no system tray found; launch vantrel again to show its window\n",
                   stderr);
    m_store->setSettings(m_settings.get());
    m_store->setScreenFrameSource(&ScreenCoordinates::mainScreenFrame);
    // The store creates its window manager on the next turn of the event loop.
    m_store->setWindowManagerFactory(
        [this](StickerStore& store) -> std::unique_ptr<StickerWindowSyncing> {
            return std::make_unique<StickerWindowManager>(store, *m_windowing, *m_hub,
                                                          FrameTimerFactory(), m_frameBudget);
        });
    reportFailedSaves();
    m_opener->setWindowing(m_windowing.get());
    m_opener->adopt(m_mainWindow.get());
    m_opener->setOpenAction([window = m_mainWindow.get()] { window->show(); });
    QObject::connect(m_mainWindow.get(), &MainWindow::contentShown, m_delegate.get(),
                     [this] { m_delegate->attach(*m_store, *m_settings); });
}

VantrelApp::~VantrelApp() {
    // The windows go with the store, before the services they use.
    m_tray.reset();
    m_mainWindow.reset();
    m_picker.reset();
    m_store.reset();
    m_settings.reset();
    writePending();
}

void VantrelApp::writePending() const {
    if (!m_preferences->flush())
        std::fprintf(stderr, "vantrel: the latest changes are lost: %s\n",
                     qPrintable(m_preferences->lastError()));
}

void VantrelApp::reportFailedSaves() {
    // Changes stay in memory and are retried; the user learns once that they are at risk.
    QObject::connect(m_preferences.get(), &Preferences::writeFailing, m_tray.get(),
                     [this](const QString& error) {
                         std::fprintf(stderr,
                                      "vantrel: cannot save: %s; changes are kept while Vantrel "
                                      "runs and saved once that works again\n",
                                      qPrintable(error));
                         const AppLanguage language = m_settings->language();
                         m_tray->trayIcon().showMessage(
                             L10n::text(L10n::Key::saveFailedTitle, language),
                             L10n::text(L10n::Key::saveFailedMessage, language),
                             QSystemTrayIcon::Warning);
                     });
    QObject::connect(m_preferences.get(), &Preferences::writeRecovered, m_tray.get(),
                     [] { std::fputs("vantrel: changes saved again\n", stderr); });
}
