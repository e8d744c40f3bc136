// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/Preferences.h"

#include "store/IniPreferencesBackend.h"
#include "store/MemoryPreferencesBackend.h"
#include "support/TestSupport.h"
#include "support/TinyFileSystem.h"

#include <QDir>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// Root reads every file; without the override capabilities, on this thread, the file's
// permissions hold for root as for its owner.
class WithoutFileAccessOverride final {
public:
    WithoutFileAccessOverride() {
        if (::geteuid() != 0 || capabilities(SYS_capget) != 0)
            return;
        m_saved = m_data[0].effective;
        m_data[0].effective &= ~((1U << CAP_DAC_OVERRIDE) | (1U << CAP_DAC_READ_SEARCH));
        m_dropped = capabilities(SYS_capset) == 0;
    }
    ~WithoutFileAccessOverride() {
        if (!m_dropped)
            return;
        m_data[0].effective = m_saved;
        capabilities(SYS_capset);
    }

private:
    long capabilities(long call) { return ::syscall(call, &m_header, m_data); }

    __user_cap_header_struct m_header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct m_data[_LINUX_CAPABILITY_U32S_3]{};
    quint32 m_saved = 0;
    bool m_dropped = false;
};

} // namespace

TEST(Preferences, ReadersSeeAWriteAtOnceAndTheBackendOneCoalescedWrite) {
    auto backend = std::make_shared<MemoryPreferencesBackend>(QVariantMap{{u"old"_s, u"x"_s}});
    Preferences preferences(backend);
    EXPECT_EQ(preferences.value(u"old"_s).toString(), u"x"_s);
    preferences.flush();
    EXPECT_EQ(backend->writeCount(), 0) << "a clean flush writes";
    for (int i = 0; i < 500; ++i) {
        preferences.setValue(u"k"_s, i);
        EXPECT_EQ(preferences.value(u"k"_s).toInt(), i);
    }
    preferences.remove(u"old"_s);
    preferences.remove(u"never-there"_s);
    EXPECT_EQ(backend->writeCount(), 0);
    ASSERT_TRUE(waitUntil([&] { return backend->writeCount() > 0; }));
    ASSERT_TRUE(waitUntil([&] { return !preferences.hasPendingWrite(); }));
    preferences.flush();
    EXPECT_EQ(backend->writeCount(), 1);
    EXPECT_EQ(backend->readAll(), QVariantMap({{u"k"_s, 499}}));
    // A flush writes what is pending at once.
    preferences.setValue(u"a"_s, QByteArray("bytes"));
    preferences.flush();
    EXPECT_EQ(backend->writeCount(), 2);
    EXPECT_EQ(backend->readAll().value(u"a"_s).toByteArray(), QByteArray("bytes"));
}

TEST(Preferences, AFailingWriteIsRetriedSaidOnceAndSavedOnceItWorks) {
    auto backend = std::make_shared<MemoryPreferencesBackend>();
    {
        Preferences preferences(backend, nullptr, std::chrono::milliseconds(10));
        QSignalSpy failing(&preferences, &Preferences::writeFailing);
        QSignalSpy recovered(&preferences, &Preferences::writeRecovered);
        backend->setFailing(true);
        preferences.setValue(QStringLiteral("k"), 1);
        ASSERT_TRUE(waitUntil([&] { return backend->failureCount() >= 5; }));
        preferences.setValue(QStringLiteral("k"), 2);
        EXPECT_EQ(failing.count(), 1);
        EXPECT_EQ(recovered.count(), 0);
        EXPECT_FALSE(preferences.flush());
        EXPECT_FALSE(preferences.lastError().isEmpty());

        backend->setFailing(false);
        ASSERT_TRUE(waitUntil([&] { return recovered.count() == 1; }));
        EXPECT_EQ(backend->readAll().value(QStringLiteral("k")).toInt(), 2);
        EXPECT_FALSE(preferences.hasPendingWrite());

        backend->setFailing(true);
        preferences.setValue(QStringLiteral("k"), 3);
        EXPECT_FALSE(preferences.flush());
        backend->setFailing(false);
    }
    EXPECT_EQ(backend->readAll().value(QStringLiteral("k")).toInt(), 3);
}

TEST(IniPreferencesBackend, RoundTripsValuesThroughAQSettingsFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("cfg/Vantrel/Vantrel.conf"));
    const QByteArray bytes("[{\"a\":\"\\/x\"}]\n\0\xff", 16);
    {
        Preferences preferences(std::make_shared<IniPreferencesBackend>(path));
        preferences.setValue(QStringLiteral("vantrel_stickers_v5"), bytes);
        preferences.setValue(QStringLiteral("vantrel_onboarding_done"), true);
        preferences.setValue(QStringLiteral("vantrel_menubar_label"), QStringLiteral("😀 = ; [x]"));
    }
    const QSettings settings(path, QSettings::IniFormat);
    EXPECT_EQ(settings.value(QStringLiteral("vantrel_stickers_v5")).typeId(),
              QMetaType::QByteArray);
    EXPECT_EQ(settings.value(QStringLiteral("vantrel_menubar_label")).toString(),
              QStringLiteral("😀 = ; [x]"));
    Preferences reread(std::make_shared<IniPreferencesBackend>(path));
    EXPECT_TRUE(reread.value(QStringLiteral("vantrel_onboarding_done")).toBool());
    EXPECT_EQ(reread.value(QStringLiteral("vantrel_stickers_v5")).toByteArray(), bytes);
    // It lists the user's pictures: nobody else reads it.
    EXPECT_EQ(permissionsOf(path), QFile::ReadOwner | QFile::WriteOwner);
    // Only the file itself is left: no temporary or lock files.
    EXPECT_EQ(filesBelow(dir.path()), QStringList{u"cfg/Vantrel/Vantrel.conf"_s});
}

TEST(IniPreferencesBackend, AFailedWriteReportsItAndLeavesNoTemporaryFile) {
    QTemporaryDir dir;
    QString error;
    // A directory in the file's place cannot be replaced by a file.
    const QString path = dir.filePath(QStringLiteral("Vantrel.conf"));
    writeFile(path + QStringLiteral("/inside"), "kept");
    IniPreferencesBackend backend(path);
    EXPECT_TRUE(backend.readAll().isEmpty());
    EXPECT_FALSE(backend.writeAll({{QStringLiteral("k"), 2}}, error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(filesBelow(dir.path()), QStringList{QStringLiteral("Vantrel.conf/inside")});

    writeFile(dir.filePath(u"file"_s), "a file where a directory should be");
    EXPECT_FALSE(
        IniPreferencesBackend(dir.filePath(u"file/Vantrel.conf"_s)).writeAll({{u"k"_s, 2}}, error));
}

TEST(IniPreferencesBackend, AFullDiskLeavesTheFileAsItWas) {
    QTemporaryDir dir;
    TinyFileSystem disk(dir.filePath(QStringLiteral("config")), 64 * 1024);
    if (!disk.isReady())
        GTEST_SKIP() << "mounting a tmpfs needs root";
    const QString path = disk.reach(dir.filePath(QStringLiteral("config/Vantrel.conf")));
    const QVariantMap before{{QStringLiteral("k"), QByteArray(3000, 'a')}};
    const QVariantMap after{{QStringLiteral("k"), QByteArray(20000, 'b')},
                            {QStringLiteral("l"), true}};
    // Full, and with room for the first pages of the new file only.
    for (const qint64 spare : {0, 8192}) {
        IniPreferencesBackend backend(path);
        QString error;
        ASSERT_TRUE(backend.writeAll(before, error)) << error.toStdString();
        const QByteArray stored = readFile(path);
        disk.fill(spare);
        EXPECT_FALSE(backend.writeAll(after, error)) << spare;
        EXPECT_FALSE(error.isEmpty());
        EXPECT_EQ(readFile(path), stored);
        EXPECT_EQ(QDir(QFileInfo(path).absolutePath()).entryList(QDir::Files),
                  QStringList{QStringLiteral("Vantrel.conf")});
        disk.makeRoom();
        EXPECT_TRUE(backend.writeAll(after, error)) << error.toStdString();
        EXPECT_EQ(backend.readAll(), QVariantMap({{QStringLiteral("k"), after[u"k"_s]},
                                                  {QStringLiteral("l"), QStringLiteral("true")}}));
    }
}

TEST(IniPreferencesBackend, KeepsAFileItCannotReadBesideItBeforeTheFirstWrite) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Vantrel.conf"));
    EXPECT_TRUE(IniPreferencesBackend(path).readAll().isEmpty());
    // Random bytes, a file its owner may not read, text with no setting in it, and settings
    // with a broken line, which are read as far as they go.
    struct Case {
        QByteArray bytes;
        QFile::Permissions permissions;
        QVariantMap read;
    };
    const QFile::Permissions ownerOnly = QFile::ReadOwner | QFile::WriteOwner;
    const Case cases[] = {
        {QByteArray("\xff\xfe\0\0[[[=\n==\n\x93\x01k=v\n", 18), ownerOnly, {}},
        {QByteArray("[General]\nvantrel_language=en\n"), {}, {}},
        {QByteArray("# just some words\n"), ownerOnly, {}},
        {QByteArray("[General]\nvantrel_language=en\n[broken\n"),
         ownerOnly,
         {{QStringLiteral("vantrel_language"), QStringLiteral("en")}}},
    };
    for (const Case& bad : cases) {
        QDir(dir.path()).removeRecursively();
        writeFile(path, bad.bytes);
        QFile::setPermissions(path, bad.permissions);
        IniPreferencesBackend backend(path);
        QString error;
        {
            const WithoutFileAccessOverride asTheUser;
            EXPECT_EQ(backend.readAll(), bad.read) << bad.bytes.toStdString();
            EXPECT_TRUE(backend.writeAll({{QStringLiteral("k"), 1}}, error)) << error.toStdString();
            EXPECT_TRUE(backend.writeAll({{QStringLiteral("k"), 2}}, error));
        }
        const QStringList kept =
            QDir(dir.path()).entryList({QStringLiteral("Vantrel.conf.unreadable-*")});
        ASSERT_EQ(kept.size(), 1);
        EXPECT_EQ(readFile(dir.filePath(kept[0])), bad.bytes);
        EXPECT_EQ(IniPreferencesBackend(path).readAll(),
                  QVariantMap({{QStringLiteral("k"), QStringLiteral("2")}}));
        EXPECT_EQ(permissionsOf(path), QFile::ReadOwner | QFile::WriteOwner);
    }
}

TEST(IniPreferencesBackend, WritesThroughALinkAndKeepsTheFilesPermissions) {
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("dotfiles/vantrel.conf"));
    writeFile(target, "[General]\nvantrel_language=en\n");
    const QFile::Permissions shared = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup;
    QFile::setPermissions(target, shared);
    const QString path = dir.filePath(QStringLiteral("config/Vantrel.conf"));
    QDir().mkpath(dir.filePath(QStringLiteral("config")));
    ASSERT_TRUE(QFile::link(QStringLiteral("../dotfiles/vantrel.conf"), path));

    IniPreferencesBackend backend(path);
    QVariantMap values = backend.readAll();
    values.insert(QStringLiteral("k"), 1);
    QString error;
    ASSERT_TRUE(backend.writeAll(values, error)) << error.toStdString();
    EXPECT_TRUE(QFileInfo(path).isSymLink());
    EXPECT_EQ(permissionsOf(target), shared);
    EXPECT_EQ(IniPreferencesBackend(target).readAll().value(QStringLiteral("k")).toInt(), 1);
    EXPECT_EQ(filesBelow(dir.path()), QStringList({QStringLiteral("config/Vantrel.conf"),
                                                   QStringLiteral("dotfiles/vantrel.conf")}));
}
