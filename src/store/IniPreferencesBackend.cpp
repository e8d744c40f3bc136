// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/IniPreferencesBackend.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QUuid>
#include <fcntl.h>
#include <unistd.h>

namespace {

bool syncPath(const QString& path, int flags) {
    const int fd = ::open(QFile::encodeName(path).constData(), flags | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
}

} // namespace

IniPreferencesBackend::IniPreferencesBackend(QString filePath)
    : m_filePath(std::move(filePath)) {}

QString IniPreferencesBackend::defaultFilePath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Vantrel/Vantrel.conf");
}

QVariantMap IniPreferencesBackend::readAll() {
    QVariantMap values;
    if (!QFileInfo(m_filePath).isFile())
        return values;
    const QSettings settings(m_filePath, QSettings::IniFormat);
    for (const QString& key : settings.allKeys())
        values.insert(key, settings.value(key));
    return values;
}

bool IniPreferencesBackend::writeAll(const QVariantMap& values) {
    const QFileInfo target(m_filePath);
    const QString directory = target.absolutePath();
    if (!QDir().mkpath(directory))
        return false;

    // QSettings formats the file; the replace itself is ours, so the file is synced before it
    // takes the place of the old one and a crash leaves either the old or the new file.
    const QString temporary = m_filePath + QStringLiteral(".") +
                              QUuid::createUuid().toString(QUuid::Id128) + QStringLiteral(".tmp");
    {
        QSettings settings(temporary, QSettings::IniFormat);
        for (auto it = values.cbegin(); it != values.cend(); ++it)
            settings.setValue(it.key(), it.value());
        settings.sync();
        if (settings.status() != QSettings::NoError) {
            QFile::remove(temporary);
            return false;
        }
    }
    if (values.isEmpty()) {
        QFile empty(temporary);
        if (!empty.open(QIODevice::WriteOnly)) {
            return false;
        }
    }
    if (!syncPath(temporary, O_RDONLY) ||
        ::rename(QFile::encodeName(temporary).constData(),
                 QFile::encodeName(m_filePath).constData()) != 0) {
        QFile::remove(temporary);
        return false;
    }
    syncPath(directory, O_RDONLY | O_DIRECTORY);
    return true;
}
