// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/IniPreferencesBackend.h"

#include "store/AtomicFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QStringDecoder>
#include <cerrno>
#include <unistd.h>

namespace {

bool isText(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8);
    [[maybe_unused]] const QString text = utf8(bytes);
    return !utf8.hasError() && !bytes.contains('\0');
}

// A full disk can cut the file short while Qt still reports success; reading it back tells.
// path must be new to this process: QSettings caches what it wrote by path.
bool readsBackAs(const QString& path, const QVariantMap& values) {
    const QSettings written(path, QSettings::IniFormat);
    if (written.status() != QSettings::NoError || written.allKeys().size() != values.size())
        return false;
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        const QVariant back = written.value(it.key());
        // The INI form keeps byte arrays and text; everything else comes back as text.
        const bool same = it.value().typeId() == QMetaType::QByteArray
                              ? back.toByteArray() == it.value().toByteArray()
                              : back.toString() == it.value().toString();
        if (!same)
            return false;
    }
    return true;
}

} // namespace

IniPreferencesBackend::IniPreferencesBackend(QString filePath)
    : m_filePath(std::move(filePath)) {}

QString IniPreferencesBackend::defaultFilePath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Vantrel/Vantrel.conf");
}

QVariantMap IniPreferencesBackend::readAll() {
    m_keepBeforeWrite = false;
    // Nothing to read, or a directory or device in its place, which no write replaces.
    if (!QFileInfo(m_filePath).isFile())
        return {};
    QFile file(m_filePath);
    const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    // What cannot be read, or random bytes, yields nothing: no junk comes back as settings.
    if (!file.isOpen() || file.error() != QFileDevice::NoError || !isText(bytes)) {
        m_keepBeforeWrite = true;
        return {};
    }
    QVariantMap values;
    const QSettings settings(m_filePath, QSettings::IniFormat);
    for (const QString& key : settings.allKeys())
        values.insert(key, settings.value(key));
    // Text that is not all settings gives what it holds, and is kept as it was all the same.
    m_keepBeforeWrite =
        settings.status() != QSettings::NoError || (values.isEmpty() && !bytes.trimmed().isEmpty());
    return values;
}

bool IniPreferencesBackend::writeAll(const QVariantMap& values, QString& error) {
    const QString target = targetPath();
    const QFileInfo existing(target);
    if (!QDir().mkpath(existing.absolutePath())) {
        error = QStringLiteral("cannot create the directory %1").arg(existing.absolutePath());
        return false;
    }
    const bool replacesUnreadable = m_keepBeforeWrite;
    if (replacesUnreadable && !keepUnreadableFile(target, error))
        return false;

    AtomicFile file(target);
    if (values.isEmpty()) {
        if (!file.open()) {
            error = file.errorString();
            return false;
        }
    } else {
        // QSettings formats the file under a name of its own; the file is read back under the
        // temporary name, which QSettings has not seen.
        const QString staged = file.temporaryPath() + QStringLiteral(".ini");
        {
            QSettings settings(staged, QSettings::IniFormat);
            for (auto it = values.cbegin(); it != values.cend(); ++it)
                settings.setValue(it.key(), it.value());
            settings.sync();
        }
        const bool moved = QFile::rename(staged, file.temporaryPath());
        if (!moved || !readsBackAs(file.temporaryPath(), values)) {
            QFile::remove(staged);
            error = QStringLiteral("cannot write %1: the file was not written whole (is the disk "
                                   "full?)")
                        .arg(target);
            return false;
        }
    }
    // The file keeps its permissions; a new one, or one that its owner could not read, is the
    // user's alone.
    const QFileDevice::Permissions permissions = existing.isFile() && !replacesUnreadable
                                                     ? QFile::permissions(target)
                                                     : AtomicFile::ownerOnly;
    if (!file.commit(permissions)) {
        error = file.errorString();
        return false;
    }
    return true;
}

QString IniPreferencesBackend::targetPath() const {
    // A configuration kept elsewhere and linked here (a dotfile manager's) is written where it
    // lives; the link stays.
    QString path = m_filePath;
    for (int hops = 0; hops < 40 && QFileInfo(path).isSymLink(); ++hops) {
        const QString link = QFile::symLinkTarget(path);
        if (link.isEmpty())
            break;
        path = link;
    }
    return path;
}

bool IniPreferencesBackend::keepUnreadableFile(const QString& target, QString& error) {
    if (!QFileInfo::exists(target)) {
        m_keepBeforeWrite = false;
        return true;
    }
    const QString stamp =
        QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
    QString kept = QStringLiteral("%1.unreadable-%2").arg(target, stamp);
    for (int n = 2; QFileInfo::exists(kept) || QFileInfo(kept).isSymLink(); ++n)
        kept = QStringLiteral("%1.unreadable-%2-%3").arg(target, stamp).arg(n);
    // A second name for the same bytes needs neither read access nor free space; the write
    // then replaces only the first name.
    if (::link(QFile::encodeName(target).constData(), QFile::encodeName(kept).constData()) != 0) {
        const int linkError = errno;
        QFile source(target);
        AtomicFile copy(kept);
        if (!source.open(QIODevice::ReadOnly) || !copy.open() || !copy.write(source.readAll()) ||
            source.error() != QFileDevice::NoError || !copy.commit(AtomicFile::ownerOnly)) {
            error =
                QStringLiteral("cannot keep a copy of the unreadable %1 before replacing it: %2")
                    .arg(target, qt_error_string(linkError));
            return false;
        }
    }
    m_keepBeforeWrite = false;
    return true;
}
