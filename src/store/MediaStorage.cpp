// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/MediaStorage.h"

#include "store/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUuid>

namespace {

constexpr QFileDevice::Permissions everyone =
    QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
    QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup |
    QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;

// The copies of the user's pictures are nobody else's business: the directories holding them
// are owner-only, also when an earlier version created them open to all.
QString ensurePrivateDirectory(const QString& path) {
    if (!QFileInfo::exists(path))
        QDir().mkpath(path);
    const QFileDevice::Permissions wanted = AtomicFile::ownerOnly | QFileDevice::ExeOwner;
    if ((QFile::permissions(path) & everyone) != wanted)
        QFile::setPermissions(path, wanted);
    return path;
}

bool isBelow(const QString& canonicalPath, const QString& directory) {
    const QString root = QFileInfo(directory).canonicalFilePath();
    // Canonical paths hold no "..", "." or repeated separators, so a prefix that ends in a
    // separator compares whole components.
    return !root.isEmpty() && canonicalPath.startsWith(root.endsWith(u'/') ? root : root + u'/');
}

QString extensionFor(const QString& sourceName, const QString& defaultExtension) {
    const QString suffix = QFileInfo(sourceName).suffix();
    return suffix.isEmpty() ? defaultExtension : suffix.toLower();
}

} // namespace

MediaStorage::MediaStorage(QString applicationDataDirectory)
    : m_storageDirectory(QDir::cleanPath(applicationDataDirectory + QStringLiteral("/Vantrel"))) {}

QString MediaStorage::storageDirectory() const {
    return ensurePrivateDirectory(m_storageDirectory);
}

QString MediaStorage::mediaDirectory() const {
    return subdirectory(QStringLiteral("Media"));
}

QString MediaStorage::backgroundsDirectory() const {
    return subdirectory(QStringLiteral("Backgrounds"));
}

QString MediaStorage::subdirectory(const QString& name) const {
    return ensurePrivateDirectory(storageDirectory() + u'/' + name);
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

    AtomicFile target(destination);
    if (!target.open())
        return {QString(), target.errorString()};
    QByteArray buffer(256 * 1024, Qt::Uninitialized);
    for (;;) {
        const qint64 read = source.read(buffer.data(), buffer.size());
        if (read < 0)
            return {QString(), source.errorString()};
        if (read == 0 && source.atEnd())
            break;
        if (read == 0 && !source.waitForReadyRead(30000))
            return {QString(), QStringLiteral("source stopped delivering data")};
        if (!target.write(QByteArrayView(buffer.constData(), read)))
            return {QString(), target.errorString()};
    }
    if (!target.commit(AtomicFile::ownerOnly))
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
    const QString canonical = QFileInfo(path).canonicalFilePath();
    if (canonical.isEmpty())
        return false;
    // Media and Backgrounds may be links to another disk; what lies there is still ours.
    return isBelow(canonical, m_storageDirectory) ||
           isBelow(canonical, m_storageDirectory + QStringLiteral("/Media")) ||
           isBelow(canonical, m_storageDirectory + QStringLiteral("/Backgrounds"));
}

bool MediaStorage::isRegularFile(const QString& path) {
    return !path.isEmpty() && QFileInfo(path).isFile();
}
