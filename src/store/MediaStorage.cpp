// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/MediaStorage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QUuid>

namespace {

QString ensureDirectory(const QString& path) {
    if (!QFileInfo::exists(path))
        QDir().mkpath(path);
    return path;
}

QString extensionFor(const QString& sourceName, const QString& defaultExtension) {
    const QString suffix = QFileInfo(sourceName).suffix();
    return suffix.isEmpty() ? defaultExtension : suffix.toLower();
}

} // namespace

MediaStorage::MediaStorage(QString applicationDataDirectory)
    : m_storageDirectory(QDir::cleanPath(applicationDataDirectory + QStringLiteral("/Vantrel"))) {}

QString MediaStorage::storageDirectory() const {
    return ensureDirectory(m_storageDirectory);
}

QString MediaStorage::mediaDirectory() const {
    return subdirectory(QStringLiteral("Media"));
}

QString MediaStorage::backgroundsDirectory() const {
    return subdirectory(QStringLiteral("Backgrounds"));
}

QString MediaStorage::subdirectory(const QString& name) const {
    return ensureDirectory(storageDirectory() + u'/' + name);
}

StoredCopy MediaStorage::copyIntoStorage(const QString& sourcePath, const QString& targetDirectory,
                                         const QString& defaultExtension) const {
    if (!isRegularFile(sourcePath))
        return {QString(), QStringLiteral("not a regular file: %1").arg(sourcePath)};
    QFile source(sourcePath);
    if (!source.open(QIODevice::ReadOnly))
        return {QString(), source.errorString()};
    return copyIntoStorage(source, sourcePath, targetDirectory, defaultExtension);
}

StoredCopy MediaStorage::copyIntoStorage(QIODevice& source, const QString& sourceName,
                                         const QString& targetDirectory,
                                         const QString& defaultExtension) const {
    const QString fileName = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper() + u'.' +
                             extensionFor(sourceName, defaultExtension);
    const QString destination = QDir(targetDirectory).absoluteFilePath(fileName);

    // Written under a temporary name beside the destination and renamed when complete.
    QSaveFile target(destination);
    target.setDirectWriteFallback(false);
    if (!target.open(QIODevice::WriteOnly))
        return {QString(), target.errorString()};
    QByteArray buffer(256 * 1024, Qt::Uninitialized);
    for (;;) {
        const qint64 read = source.read(buffer.data(), buffer.size());
        if (read < 0) {
            target.cancelWriting();
            return {QString(), source.errorString()};
        }
        if (read == 0 && source.atEnd())
            break;
        if (read == 0 && !source.waitForReadyRead(30000)) {
            target.cancelWriting();
            return {QString(), QStringLiteral("source stopped delivering data")};
        }
        if (target.write(buffer.constData(), read) != read) {
            target.cancelWriting();
            return {QString(), target.errorString()};
        }
    }
    if (!target.commit())
        return {QString(), target.errorString()};
    return {destination, QString()};
}

void MediaStorage::deleteStoredFile(const QString& path) const {
    if (path.isEmpty() || !containsPath(path))
        return;
    const QString canonical = QFileInfo(path).canonicalFilePath();
    // Directories are never removed: a record pointing at "Media" must not empty it.
    if (QFileInfo(canonical).isFile())
        QFile::remove(canonical);
}

bool MediaStorage::containsPath(const QString& path) const {
    if (path.isEmpty() || !QDir::isAbsolutePath(path))
        return false;
    const QString root = QFileInfo(m_storageDirectory).canonicalFilePath();
    const QString canonical = QFileInfo(path).canonicalFilePath();
    if (root.isEmpty() || canonical.isEmpty())
        return false;
    // Canonical paths hold no "..", "." or repeated separators, so a prefix that ends in a
    // separator compares whole components.
    return canonical.startsWith(root.endsWith(u'/') ? root : root + u'/');
}

bool MediaStorage::isRegularFile(const QString& path) {
    return !path.isEmpty() && QFileInfo(path).isFile();
}
