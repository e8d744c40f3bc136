// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/AppLanguage.h"

#include <QObject>
#include <QString>

class Preferences;

// The three app-wide settings; every assignment is written at once, equal values included.
class AppSettings final : public QObject {
    Q_OBJECT

public:
    static inline const QString languageKey = QStringLiteral("vantrel_language");
    static inline const QString menuBarLabelKey = QStringLiteral("vantrel_menubar_label");
    static inline const QString onboardingKey = QStringLiteral("vantrel_onboarding_done");

    explicit AppSettings(Preferences& preferences, QObject* parent = nullptr);

    AppLanguage language() const { return m_language; }
    void setLanguage(AppLanguage language);

    QString menuBarLabel() const { return m_menuBarLabel; }
    void setMenuBarLabel(const QString& label);

    bool hasCompletedOnboarding() const { return m_hasCompletedOnboarding; }
    void setHasCompletedOnboarding(bool done);

Q_SIGNALS:
    void languageChanged(AppLanguage language);
    void menuBarLabelChanged(const QString& label);
    void hasCompletedOnboardingChanged(bool done);

private:
    Preferences& m_preferences;
    AppLanguage m_language = AppLanguage::ru;
    QString m_menuBarLabel;
    bool m_hasCompletedOnboarding = false;
};
