// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArrayView>
#include <QFileDevice>
#include <QString>

// A file that takes its destination's place only whole: it is written under a temporary name
// beside the destination, every write and the sync to disk are checked, and only then is it
// renamed over the destination. A full disk, a failing write or a crash leaves the previous
// file as it was, and the temporary file goes with the object unless committed.
class AtomicFile final {
public:
    // What the user's own files are written with: nobody else reads them.
    static constexpr QFileDevice::Permissions ownerOnly =
        QFileDevice::ReadOwner | QFileDevice::WriteOwner;

    explicit AtomicFile(const QString& destination);
    ~AtomicFile();

    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    const QString& destination() const { return m_destination; }
    // Where the content is written before the commit; another writer may fill it instead
    // of write().
    const QString& temporaryPath() const { return m_temporary; }

    // Creates the temporary file for write().
    bool open();
    bool write(QByteArrayView bytes);
    // Syncs the temporary file, gives it permissions (umask aside) and renames it over the
    // destination.
    bool commit(QFileDevice::Permissions permissions);

    QString errorString() const { return m_error; }

private:
    bool fail(const QString& operation, int error);
    void closeDescriptor();

    QString m_destination;
    QString m_temporary;
    QString m_error;
    int m_fd = -1;
    bool m_committed = false;
};
