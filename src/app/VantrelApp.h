// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <memory>

class ActivationPolicy;
class AppDelegate;
class AppSettings;
class FilePicker;
class FrameBudget;
class MainWindow;
class MainWindowOpener;
class MenuBarLabelView;
class NotificationHub;
class Preferences;
class StickerStore;
class WindowingServices;

// The program's entry type: owns the preferences, the settings, the store, the services the
// sticker windows use and the shell around them, for the whole run. Needs a QApplication.
class VantrelApp final {
public:
    VantrelApp(const QString& preferencesFile, const QString& applicationDataDirectory);
    ~VantrelApp();

    VantrelApp(const VantrelApp&) = delete;
    VantrelApp& operator=(const VantrelApp&) = delete;

    Preferences& preferences() const { return *m_preferences; }
    // Writes what the preferences still hold, and says on stderr when that fails.
    void writePending() const;
    AppSettings& settings() const { return *m_settings; }
    StickerStore& store() const { return *m_store; }
    NotificationHub& notifications() const { return *m_hub; }
    AppDelegate& delegate() const { return *m_delegate; }
    MainWindowOpener& opener() const { return *m_opener; }

private:
    void reportFailedSaves();

    std::unique_ptr<Preferences> m_preferences;
    std::unique_ptr<AppSettings> m_settings;
    std::unique_ptr<WindowingServices> m_windowing;
    // One budget for every decoded picture and animation: the stickers' and the thumbnails'.
    std::shared_ptr<FrameBudget> m_frameBudget;
    std::unique_ptr<NotificationHub> m_hub;
    std::unique_ptr<StickerStore> m_store;
    std::unique_ptr<ActivationPolicy> m_policy;
    std::unique_ptr<MainWindowOpener> m_opener;
    std::unique_ptr<AppDelegate> m_delegate;
    std::unique_ptr<FilePicker> m_picker;
    std::unique_ptr<MainWindow> m_mainWindow;
    std::unique_ptr<MenuBarLabelView> m_tray;
};
