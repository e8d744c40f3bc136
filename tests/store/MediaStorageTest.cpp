// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/MediaStorage.h"

#include "support/TestSupport.h"
#include "support/TinyFileSystem.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// Delivers some bytes, then fails, as a disk or a network mount may part-way.
class FailingDevice final : public QIODevice {
public:
    FailingDevice() { open(QIODevice::ReadOnly); }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char* data, qint64 maxSize) override {
        if (m_delivered >= 300000)
            return -1;
        const qint64 n = std::min<qint64>(maxSize, 100000);
        std::fill_n(data, n, 'x');
        m_delivered += n;
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    qint64 m_delivered = 0;
};

class MediaStorageTest : public testing::Test {
protected:
    QString inData(const QString& relative) const { return m_root.filePath(relative); }

    QTemporaryDir m_root;
    MediaStorage m_storage{m_root.filePath(QStringLiteral("data"))};
};

} // namespace

TEST_F(MediaStorageTest, CopiesUnderAFreshNameWithALowerCaseExtension) {
    const QString source = inData(QStringLiteral("pick/Cat.PNG"));
    writeFile(source, "png-bytes");
    const StoredCopy first =
        m_storage.copyIntoStorage(source, m_storage.mediaDirectory(), QStringLiteral("gif"));
    const StoredCopy second =
        m_storage.copyIntoStorage(source, m_storage.mediaDirectory(), QStringLiteral("gif"));
    ASSERT_TRUE(first && second);
    EXPECT_NE(first.path, second.path);
    const QFileInfo info(first.path);
    EXPECT_EQ(info.suffix(), QStringLiteral("png"));
    EXPECT_FALSE(QUuid::fromString(info.completeBaseName()).isNull());
    EXPECT_EQ(readFile(first.path), QByteArray("png-bytes"));
    EXPECT_TRUE(QFileInfo::exists(source));
    // The user's pictures are theirs alone, also in a storage an older version opened to all.
    EXPECT_EQ(permissionsOf(first.path), QFile::ReadOwner | QFile::WriteOwner);
    const QFile::Permissions open =
        QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther;
    for (const QString& directory : {m_storage.storageDirectory(), m_storage.mediaDirectory()})
        ASSERT_TRUE(QFile::setPermissions(directory, open));
    ASSERT_TRUE(m_storage.copyIntoStorage(source, m_storage.mediaDirectory(), u"gif"_s));
    for (const QString& directory : {m_storage.storageDirectory(), m_storage.mediaDirectory()})
        EXPECT_EQ(permissionsOf(directory), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

TEST_F(MediaStorageTest, AFailedCopyLeavesNothingBehind) {
    FailingDevice failing;
    const StoredCopy copy = m_storage.copyIntoStorage(
        failing, QStringLiteral("a.gif"), m_storage.mediaDirectory(), QStringLiteral("gif"));
    EXPECT_FALSE(copy);
    EXPECT_FALSE(copy.error.isEmpty());
    EXPECT_EQ(filesBelow(m_storage.storageDirectory()), QStringList());

    // A missing source, a directory, no name at all, and a target directory that is not there.
    writeFile(inData(QStringLiteral("a.gif")), "a");
    const QString media = m_storage.mediaDirectory();
    for (const auto& [source, target] :
         {std::pair{inData(QStringLiteral("missing.gif")), media},
          {m_root.path(), media},
          {QString(), media},
          {inData(QStringLiteral("a.gif")), inData(QStringLiteral("no/dir"))}})
        EXPECT_FALSE(m_storage.copyIntoStorage(source, target, QStringLiteral("gif")))
            << source.toStdString();
    EXPECT_EQ(filesBelow(m_storage.storageDirectory()), QStringList());

    // A full disk, which fails the last write or only the sync of a small file.
    TinyFileSystem disk(inData(QStringLiteral("full")), 64 * 1024);
    if (!disk.isReady())
        return;
    const QString fullDirectory = disk.reach(inData(QStringLiteral("full")));
    disk.fill();
    writeFile(inData(QStringLiteral("b.png")), QByteArray(6000, 'b'));
    EXPECT_FALSE(m_storage.copyIntoStorage(inData(QStringLiteral("b.png")), fullDirectory,
                                           QStringLiteral("png")));
    EXPECT_EQ(filesBelow(fullDirectory), QStringList{QStringLiteral(".filler")});
}

TEST_F(MediaStorageTest, DeletesOnlyRegularFilesReallyInsideTheStorage) {
    const QString inside = m_storage.mediaDirectory() + QStringLiteral("/A.gif");
    const QString sibling = inData(QStringLiteral("data/Vantrel2/Media/B.gif"));
    const QString outside = inData(QStringLiteral("outside.gif"));
    for (const QString& path : {inside, sibling, outside})
        writeFile(path, "x");
    const QString link = m_storage.mediaDirectory() + QStringLiteral("/link.gif");
    ASSERT_TRUE(QFile::link(outside, link));
    const QString linkedDirectory = m_storage.storageDirectory() + QStringLiteral("/out");
    ASSERT_TRUE(QFile::link(m_root.path(), linkedDirectory));

    const QString candidates[] = {
        sibling,
        outside,
        m_storage.mediaDirectory() + QStringLiteral("/../../Vantrel2/Media/B.gif"),
        link,
        linkedDirectory + QStringLiteral("/outside.gif"),
        QStringLiteral("outside.gif"),
        m_storage.mediaDirectory(),
        m_storage.storageDirectory(),
        QString(),
    };
    for (const QString& path : candidates)
        m_storage.deleteStoredFile(path);
    for (const QString& path : {inside, sibling, outside})
        EXPECT_TRUE(QFileInfo::exists(path)) << path.toStdString();
    EXPECT_TRUE(QFileInfo(m_storage.mediaDirectory()).isDir());

    m_storage.deleteStoredFile(m_storage.backgroundsDirectory() +
                               QStringLiteral("/../Media/A.gif"));
    EXPECT_FALSE(QFileInfo::exists(inside));
}
