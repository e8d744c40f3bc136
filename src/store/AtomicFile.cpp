// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/AtomicFile.h"

#include <QFile>
#include <QFileInfo>
#include <QUuid>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

QByteArray encoded(const QString& path) {
    return QFile::encodeName(path);
}

mode_t modeBits(QFileDevice::Permissions permissions) {
    mode_t mode = 0;
    const std::pair<QFileDevice::Permission, mode_t> bits[] = {
        {QFileDevice::ReadOwner, S_IRUSR},  {QFileDevice::WriteOwner, S_IWUSR},
        {QFileDevice::ExeOwner, S_IXUSR},   {QFileDevice::ReadGroup, S_IRGRP},
        {QFileDevice::WriteGroup, S_IWGRP}, {QFileDevice::ExeGroup, S_IXGRP},
        {QFileDevice::ReadOther, S_IROTH},  {QFileDevice::WriteOther, S_IWOTH},
        {QFileDevice::ExeOther, S_IXOTH},
    };
    for (const auto& [permission, bit] : bits) {
        if (permissions.testFlag(permission))
            mode |= bit;
    }
    return mode;
}

} // namespace

AtomicFile::AtomicFile(const QString& destination)
    : m_destination(destination)
    , m_temporary(destination + u'.' + QUuid::createUuid().toString(QUuid::Id128) +
                  QStringLiteral(".tmp")) {}

AtomicFile::~AtomicFile() {
    closeDescriptor();
    if (!m_committed)
        ::unlink(encoded(m_temporary).constData());
}

bool AtomicFile::open() {
    closeDescriptor();
    // Owner-only until the commit sets the permissions meant for the file.
    m_fd = ::open(encoded(m_temporary).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                  S_IRUSR | S_IWUSR);
    return m_fd >= 0 || fail(QStringLiteral("create"), errno);
}

bool AtomicFile::write(QByteArrayView bytes) {
    if (m_fd < 0)
        return fail(QStringLiteral("write"), EBADF);
    const char* data = bytes.data();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(m_fd, data, static_cast<size_t>(left));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return fail(QStringLiteral("write"), errno);
        }
        data += written;
        left -= written;
    }
    return true;
}

bool AtomicFile::commit(QFileDevice::Permissions permissions) {
    if (m_fd < 0) {
        m_fd = ::open(encoded(m_temporary).constData(), O_RDONLY | O_CLOEXEC);
        if (m_fd < 0)
            return fail(QStringLiteral("open"), errno);
    }
    // A full disk may show only here, at the sync or the close, after every write succeeded.
    if (::fchmod(m_fd, modeBits(permissions)) != 0)
        return fail(QStringLiteral("set the permissions of"), errno);
    if (::fsync(m_fd) != 0)
        return fail(QStringLiteral("sync"), errno);
    const int fd = std::exchange(m_fd, -1);
    if (::close(fd) != 0)
        return fail(QStringLiteral("close"), errno);
    if (::rename(encoded(m_temporary).constData(), encoded(m_destination).constData()) != 0)
        return fail(QStringLiteral("rename"), errno);
    m_committed = true;
    // The rename itself reaches the disk with the directory; the file is in place either way.
    const int directory = ::open(encoded(QFileInfo(m_destination).absolutePath()).constData(),
                                 O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (directory >= 0) {
        ::fsync(directory);
        ::close(directory);
    }
    return true;
}

bool AtomicFile::fail(const QString& operation, int error) {
    m_error =
        QStringLiteral("cannot %1 %2: %3").arg(operation, m_destination, qt_error_string(error));
    closeDescriptor();
    return false;
}

void AtomicFile::closeDescriptor() {
    if (m_fd >= 0)
        ::close(std::exchange(m_fd, -1));
}
