// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "store/PreferencesBackend.h"

#include <QString>

// The preferences as a QSettings INI file, replaced atomically and durably on every write.
class IniPreferencesBackend final : public PreferencesBackend {
public:
    explicit IniPreferencesBackend(QString filePath);

    // ~/.config/Vantrel/Vantrel.conf, following XDG_CONFIG_HOME.
    static QString defaultFilePath();

    QVariantMap readAll() override;
    bool writeAll(const QVariantMap& values) override;

private:
    QString m_filePath;
};
