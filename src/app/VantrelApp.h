// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <memory>

class AppSettings;
class Preferences;
class StickerStore;

// The program's entry type: owns the preferences, the settings and the store for the run.
class VantrelApp final {
public:
    VantrelApp(const QString& preferencesFile, const QString& applicationDataDirectory);
    ~VantrelApp();

    VantrelApp(const VantrelApp&) = delete;
    VantrelApp& operator=(const VantrelApp&) = delete;

    Preferences& preferences() const { return *m_preferences; }
    AppSettings& settings() const { return *m_settings; }
    StickerStore& store() const { return *m_store; }

private:
    std::unique_ptr<Preferences> m_preferences;
    std::unique_ptr<AppSettings> m_settings;
    std::unique_ptr<StickerStore> m_store;
};
