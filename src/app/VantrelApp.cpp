// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/VantrelApp.h"

#include "store/AppSettings.h"
#include "store/IniPreferencesBackend.h"
#include "store/Preferences.h"
#include "store/StickerStore.h"

VantrelApp::VantrelApp(const QString& preferencesFile, const QString& applicationDataDirectory)
    : m_preferences(
          std::make_unique<Preferences>(std::make_shared<IniPreferencesBackend>(preferencesFile)))
    , m_settings(std::make_unique<AppSettings>(*m_preferences))
    , m_store(std::make_unique<StickerStore>(*m_preferences, applicationDataDirectory)) {
    m_store->setSettings(m_settings.get());
}

VantrelApp::~VantrelApp() {
    m_store.reset();
    m_settings.reset();
    m_preferences->flush();
}
