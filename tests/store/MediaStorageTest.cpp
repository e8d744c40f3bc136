// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/MediaStorage.h"

#include "support/TestSupport.h"
#include "support/TinyFileSystem.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Delivers some bytes, then fails, as a disk or a network mount may part-way.
class FailingDevice final : public QIODevice {
public:
    FailingDevice() { open(QIODevice::ReadOnly); }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char* data, qint64 maxSize) override {
        const qint64 n = m_delivered >= 300000 ? -1 : std::min<qint64>(maxSize, 100000);
        std::fill_n(data, std::max<qint64>(n, 0), 'x');
        m_delivered += n;
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }
    qint64 m_delivered = 0;
};

class MediaStorageTest : public testing::Test {
protected:
    QTemporaryDir m_root;
    MediaStorage m_storage{m_root.filePath("data")};
    const QString m_media = m_storage.mediaDirectory();
};

} // namespace

// Part-way failing reads, bad sources or targets, and a full disk leave no file behind. A copy is
// a fresh owner-only file each time, also in a storage an older version opened to all.
TEST_F(MediaStorageTest, CopiesWholeUnderAFreshOwnerOnlyNameOrLeaveNothing) {
    FailingDevice failing;
    const StoredCopy copy = m_storage.copyIntoStorage(failing, "a.gif", m_media, "gif");
    EXPECT_FALSE(copy);
    EXPECT_FALSE(copy.error.isEmpty());
    const QString source = m_root.filePath("Cat.PNG");
    writeFile(source, "png-bytes");
    for (const auto& [from, target] : {std::pair{m_root.filePath("missing.gif"), m_media},
                                       {m_root.path(), m_media},
                                       {QString(), m_media},
                                       {source, m_root.filePath("no/dir")}})
        EXPECT_FALSE(m_storage.copyIntoStorage(from, target, "gif")) << from.toStdString();
    EXPECT_EQ(filesBelow(m_storage.storageDirectory()), QStringList());

    const QStringList directories{m_storage.storageDirectory(), m_media};
    for (const QString& directory : directories)
        ASSERT_TRUE(QFile::setPermissions(directory, QFile::ReadOwner | QFile::WriteOwner |
                                                         QFile::ExeOwner | QFile::ReadOther));
    const StoredCopy first = m_storage.copyIntoStorage(source, m_storage.mediaDirectory(), "gif");
    const StoredCopy second = m_storage.copyIntoStorage(source, m_media, "gif");
    ASSERT_TRUE(first && second);
    EXPECT_NE(first.path, second.path);
    EXPECT_EQ(QFileInfo(first.path).suffix(), "png");
    EXPECT_EQ(permissionsOf(first.path), QFile::ReadOwner | QFile::WriteOwner);
    for (const QString& directory : directories)
        EXPECT_EQ(permissionsOf(directory), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    TinyFileSystem disk(m_root.filePath("full"), 64 * 1024);
    if (!disk.isReady())
        return;
    const QString full = disk.reach(m_root.filePath("full"));
    disk.fill();
    writeFile(m_root.filePath("b.png"), QByteArray(6000, 'b'));
    EXPECT_FALSE(m_storage.copyIntoStorage(m_root.filePath("b.png"), full, "png"));
    EXPECT_EQ(filesBelow(full), QStringList{".filler"});
}

TEST_F(MediaStorageTest, DeletesOnlyRegularFilesReallyInsideTheStorage) {
    const QString inside = m_media + "/A.gif";
    const QString sibling = m_root.filePath("data/Vantrel2/Media/B.gif");
    const QString outside = m_root.filePath("outside.gif");
    for (const QString& path : {inside, sibling, outside})
        writeFile(path, "x");
    ASSERT_TRUE(QFile::link(outside, m_media + "/link.gif"));
    ASSERT_TRUE(QFile::link(m_root.path(), m_storage.storageDirectory() + "/out"));
    for (const QString& path :
         {sibling, outside, m_media + "/../../Vantrel2/Media/B.gif", m_media + "/link.gif",
          m_storage.storageDirectory() + "/out/outside.gif", QString("outside.gif"), m_media,
          m_storage.storageDirectory(), QString()})
        m_storage.deleteStoredFile(path);
    for (const QString& path : {inside, sibling, outside})
        EXPECT_TRUE(QFileInfo::exists(path)) << path.toStdString();
    EXPECT_TRUE(QFileInfo(m_media).isDir());
    m_storage.deleteStoredFile(m_storage.backgroundsDirectory() + "/../Media/A.gif");
    EXPECT_FALSE(QFileInfo::exists(inside));
}
