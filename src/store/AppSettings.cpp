// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/AppSettings.h"

#include "store/Preferences.h"

AppSettings::AppSettings(Preferences& preferences, QObject* parent)
    : QObject(parent)
    , m_preferences(preferences) {
    // Only "en" selects English; anything else stored, "EN" included, reads as Russian.
    if (m_preferences.value(languageKey).toString() == u"en")
        m_language = AppLanguage::en;
    m_hasCompletedOnboarding = m_preferences.value(onboardingKey).toBool();
    m_menuBarLabel = m_preferences.value(menuBarLabelKey).toString();
}

void AppSettings::setLanguage(AppLanguage language) {
    m_language = language;
    m_preferences.setValue(languageKey, rawValue(language).toString());
    Q_EMIT languageChanged(language);
}

void AppSettings::setMenuBarLabel(const QString& label) {
    m_menuBarLabel = label;
    m_preferences.setValue(menuBarLabelKey, label);
    Q_EMIT menuBarLabelChanged(label);
}

void AppSettings::setHasCompletedOnboarding(bool done) {
    m_hasCompletedOnboarding = done;
    m_preferences.setValue(onboardingKey, done);
    Q_EMIT hasCompletedOnboardingChanged(done);
}
