// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "store/PreferencesBackend.h"

#include <QString>

// The preferences as a QSettings INI file, replaced atomically and durably on every write.
// A write never replaces the file with a cut-off one, follows a symbolic link to the file it
// names, and keeps the file's permissions; a file that could not be read or parsed is kept
// beside it before the first write replaces it.
class IniPreferencesBackend final : public PreferencesBackend {
public:
    explicit IniPreferencesBackend(QString filePath);

    // ~/.config/Vantrel/Vantrel.conf, following XDG_CONFIG_HOME.
    static QString defaultFilePath();

    QVariantMap readAll() override;
    bool writeAll(const QVariantMap& values, QString& error) override;

private:
    QString targetPath() const;
    bool keepUnreadableFile(const QString& target, QString& error);

    QString m_filePath;
    bool m_keepBeforeWrite = false;
};
