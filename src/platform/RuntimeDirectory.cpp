// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/RuntimeDirectory.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <cerrno>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

constexpr mode_t privateMode = S_IRWXU;
constexpr mode_t groupAndOtherAccess = S_IRWXG | S_IRWXO;

enum class Tightening { none, allowed };

// lstat, not stat: a symlink could point anywhere, even at a directory another user controls.
bool isPrivateDirectory(const QString& path, Tightening tightening) {
    const QByteArray encoded = QFile::encodeName(path);
    struct stat status {};
    if (::lstat(encoded.constData(), &status) != 0 || !S_ISDIR(status.st_mode) ||
        status.st_uid != ::geteuid())
        return false;
    if ((status.st_mode & groupAndOtherAccess) == 0)
        return true;
    return tightening == Tightening::allowed && ::chmod(encoded.constData(), privateMode) == 0;
}

bool fitsSocketAddress(const QString& directory, QStringView socketName) {
    const QByteArray path = QFile::encodeName(QDir(directory).filePath(socketName.toString()));
    return path.size() < static_cast<qsizetype>(sizeof(sockaddr_un{}.sun_path));
}

bool isUsable(const QString& directory, QStringView socketName) {
    return QDir::isAbsolutePath(directory) && fitsSocketAddress(directory, socketName);
}

// Makes directory private when missing; one already there must be ours.
bool makePrivateDirectory(const QString& directory) {
    QDir().mkpath(QFileInfo(directory).absolutePath());
    if (::mkdir(QFile::encodeName(directory).constData(), privateMode) != 0 && errno != EEXIST)
        return false;
    return isPrivateDirectory(directory, Tightening::allowed);
}

// Empty when base is: Qt gives an empty location when it has none, and "/name" would be shared.
QString below(const QString& base, const QString& name) {
    return base.isEmpty() ? QString() : base + QLatin1Char('/') + name;
}

} // namespace

std::optional<QString> RuntimeDirectory::locate(QStringView socketName) {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (isUsable(runtime, socketName) && isPrivateDirectory(runtime, Tightening::none))
        return runtime;

    const QStringList fallbacks = {
        below(QDir::tempPath(), QStringLiteral("vantrel-") + QString::number(::geteuid())),
        below(QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation),
              QStringLiteral("Vantrel")),
    };
    for (const QString& fallback : fallbacks) {
        if (isUsable(fallback, socketName) && makePrivateDirectory(fallback))
            return fallback;
    }
    return std::nullopt;
}
