// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class QIODevice;

// The result of copying a file into the storage: the copy's absolute path, or the error.
struct StoredCopy {
    QString path;
    QString error;

    explicit operator bool() const { return !path.isEmpty(); }
};

// The application's own file storage: "Vantrel" with "Media" and "Backgrounds" under the
// application-data directory. Files are created only by copying in and deleted only inside it.
class MediaStorage final {
public:
    explicit MediaStorage(QString applicationDataDirectory);

    // Each returns the directory, creating it owner-only when missing; a failure to create is
    // ignored.
    QString storageDirectory() const;
    QString mediaDirectory() const;
    QString backgroundsDirectory() const;

    // Copies under a fresh upper-case UUID name with the lower-cased extension of the source
    // (defaultExtension when it has none), readable by the owner only. The copy appears only
    // whole and synced; nothing is left behind when it fails.
    StoredCopy copyIntoStorage(const QString& sourcePath, const QString& targetDirectory,
                               const QString& defaultExtension) const;
    StoredCopy copyIntoStorage(QIODevice& source, const QString& sourceName,
                               const QString& targetDirectory,
                               const QString& defaultExtension) const;

    // Removes a regular file that really lies inside the storage; never fails, never
    // touches anything outside it.
    void deleteStoredFile(const QString& path) const;

    // True when path, with symbolic links and ".." resolved, is an existing item strictly
    // inside the storage directory, or inside Media or Backgrounds wherever they lead.
    bool containsPath(const QString& path) const;

    // True when path names an existing regular file (after following links).
    static bool isRegularFile(const QString& path);

private:
    QString subdirectory(const QString& name) const;

    QString m_storageDirectory;
};
