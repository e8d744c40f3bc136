// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/Preferences.h"

#include "store/AppSettings.h"
#include "store/IniPreferencesBackend.h"
#include "store/MemoryPreferencesBackend.h"
#include "support/TestSupport.h"
#include "support/TinyFileSystem.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

// Without root's override capabilities on this thread, a file's mode holds as for its owner.
class WithoutFileAccessOverride final {
    struct Capabilities {
        __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
        __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3]{};
        long set() { return ::syscall(SYS_capset, &header, data); }
    } m_saved;

public:
    WithoutFileAccessOverride() {
        ::syscall(SYS_capget, &m_saved.header, m_saved.data);
        Capabilities reduced = m_saved;
        reduced.data[0].effective &= ~((1U << CAP_DAC_OVERRIDE) | (1U << CAP_DAC_READ_SEARCH));
        reduced.set();
    }
    ~WithoutFileAccessOverride() { m_saved.set(); }
};

const QFile::Permissions ownerOnly = QFile::ReadOwner | QFile::WriteOwner;

} // namespace

// Readers see a write at once, the backend one coalesced write. A failing write is retried, said
// once per streak, and saved once it works, at the latest on destruction.
TEST(Preferences, WritesAreCoalescedAndRetriedUntilTheyWork) {
    auto backend = std::make_shared<MemoryPreferencesBackend>(QVariantMap{{"old", "x"}});
    {
        Preferences preferences(backend, nullptr, std::chrono::milliseconds(10));
        QSignalSpy failing(&preferences, &Preferences::writeFailing);
        QSignalSpy recovered(&preferences, &Preferences::writeRecovered);
        EXPECT_EQ(preferences.value("old").toString(), "x");
        preferences.flush();
        EXPECT_EQ(backend->writeCount(), 0) << "a clean flush writes";
        for (int i = 0; i < 500; ++i)
            preferences.setValue("k", i);
        preferences.remove("old");
        EXPECT_EQ(preferences.value("k").toInt(), 499);
        EXPECT_FALSE(preferences.contains("old"));
        EXPECT_EQ(backend->writeCount(), 0);
        ASSERT_TRUE(waitUntil([&] { return backend->writeCount() > 0; }));
        preferences.remove("never-there");
        preferences.flush();
        EXPECT_EQ(backend->writeCount(), 1);
        EXPECT_EQ(backend->readAll(), QVariantMap({{"k", 499}}));

        backend->setFailing(true);
        preferences.setValue("k", 1);
        ASSERT_TRUE(waitUntil([&] { return backend->failureCount() >= 5; }));
        preferences.setValue("k", 2);
        EXPECT_EQ(failing.count(), 1);
        EXPECT_EQ(recovered.count(), 0);
        EXPECT_FALSE(preferences.flush());
        EXPECT_FALSE(preferences.lastError().isEmpty());
        backend->setFailing(false);
        ASSERT_TRUE(waitUntil([&] { return recovered.count() == 1; }));
        EXPECT_EQ(backend->readAll().value("k").toInt(), 2);
        EXPECT_FALSE(preferences.hasPendingWrite());
        backend->setFailing(true);
        preferences.setValue("k", 3);
        EXPECT_FALSE(preferences.flush());
        backend->setFailing(false);
    }
    EXPECT_EQ(backend->readAll().value("k").toInt(), 3);
}

// A new file is the owner's alone; a linked one is written through and keeps its mode.
TEST(IniPreferencesBackend, RoundTripsValuesAndKeepsTheFileWhereAndAsItIs) {
    QTemporaryDir dir;
    const QString path = dir.filePath("cfg/Vantrel/Vantrel.conf");
    const QByteArray bytes("[{\"a\":\"\\/x\"}]\n\0\xff", 16);
    const QString label("😀 = ; [x]");
    {
        Preferences preferences(std::make_shared<IniPreferencesBackend>(path));
        preferences.setValue("vantrel_stickers_v5", bytes);
        preferences.setValue("vantrel_menubar_label", label);
    }
    EXPECT_EQ(IniPreferencesBackend(path).readAll(),
              QVariantMap({{"vantrel_stickers_v5", bytes}, {"vantrel_menubar_label", label}}));
    EXPECT_EQ(permissionsOf(path), ownerOnly);
    EXPECT_EQ(filesBelow(dir.path()), QStringList{"cfg/Vantrel/Vantrel.conf"});

    const QString target = dir.filePath("dotfiles/vantrel.conf");
    writeFile(target, "[General]\nvantrel_language=en\n");
    ASSERT_TRUE(QFile::setPermissions(target, ownerOnly | QFile::ReadGroup));
    ASSERT_TRUE(QFile::remove(path) && QFile::link("../../dotfiles/vantrel.conf", path));
    IniPreferencesBackend backend(path);
    QVariantMap values = backend.readAll();
    values.insert("k", true);
    QString error;
    ASSERT_TRUE(backend.writeAll(values, error)) << error.toStdString();
    EXPECT_TRUE(QFileInfo(path).isSymLink());
    EXPECT_EQ(permissionsOf(target), ownerOnly | QFile::ReadGroup);
    EXPECT_EQ(IniPreferencesBackend(target).readAll(),
              QVariantMap({{"vantrel_language", "en"}, {"k", "true"}}));
    EXPECT_EQ(filesBelow(dir.path()),
              QStringList({"cfg/Vantrel/Vantrel.conf", "dotfiles/vantrel.conf"}));
}

// A file or directory in the way; a disk that is full, or has room for part of the file only.
TEST(IniPreferencesBackend, AFailedWriteReportsItAndLeavesTheFileAsItWas) {
    QTemporaryDir dir;
    writeFile(dir.filePath("Vantrel.conf/inside"), "kept");
    writeFile(dir.filePath("file"), "a file where a directory should be");
    for (const char* name : {"Vantrel.conf", "file/Vantrel.conf"}) {
        IniPreferencesBackend backend(dir.filePath(name));
        QString error;
        EXPECT_FALSE(backend.writeAll({{"k", 2}}, error)) << name;
        EXPECT_FALSE(error.isEmpty());
    }
    EXPECT_EQ(filesBelow(dir.path()), QStringList({"Vantrel.conf/inside", "file"}));

    TinyFileSystem disk(dir.filePath("config"), 64 * 1024);
    if (!disk.isReady())
        GTEST_SKIP() << "mounting a tmpfs needs root";
    const QString path = disk.reach(dir.filePath("config/Vantrel.conf"));
    const QVariantMap after{{"k", QByteArray(20000, 'b')}, {"l", true}};
    for (const qint64 spare : {0, 8192}) {
        IniPreferencesBackend backend(path);
        QString error;
        ASSERT_TRUE(backend.writeAll({{"k", QByteArray(3000, 'a')}}, error));
        const QByteArray stored = readFile(path);
        disk.fill(spare);
        EXPECT_FALSE(backend.writeAll(after, error)) << spare;
        EXPECT_FALSE(error.isEmpty());
        EXPECT_EQ(readFile(path), stored);
        EXPECT_EQ(QDir(QFileInfo(path).absolutePath()).entryList(QDir::Files),
                  QStringList{"Vantrel.conf"});
        disk.makeRoom();
        EXPECT_TRUE(backend.writeAll(after, error)) << error.toStdString();
        EXPECT_EQ(backend.readAll(), QVariantMap({{"k", after["k"]}, {"l", "true"}}));
    }
}

// Random bytes, a mode its owner may not read, no settings, and settings cut off by a bad line.
TEST(IniPreferencesBackend, KeepsAFileItCannotReadBesideItBeforeTheFirstWrite) {
    QTemporaryDir dir;
    const QString path = dir.filePath("Vantrel.conf");
    const struct {
        QByteArray bytes;
        QFile::Permissions permissions;
        QVariantMap read;
    } cases[] = {
        {QByteArray("\xff\xfe\0\0[[[=\n==\n\x93\x01k=v\n", 18), ownerOnly, {}},
        {"[General]\nvantrel_language=en\n", {}, {}},
        {"# just some words\n", ownerOnly, {}},
        {"[General]\nvantrel_language=en\n[broken\n", ownerOnly, {{"vantrel_language", "en"}}},
    };
    for (const auto& bad : cases) {
        QDir(dir.path()).removeRecursively();
        writeFile(path, bad.bytes);
        QFile::setPermissions(path, bad.permissions);
        IniPreferencesBackend backend(path);
        QString error;
        {
            const WithoutFileAccessOverride asTheUser;
            EXPECT_EQ(backend.readAll(), bad.read) << bad.bytes.toStdString();
            EXPECT_TRUE(backend.writeAll({{"k", 1}}, error)) << error.toStdString();
            EXPECT_TRUE(backend.writeAll({{"k", 2}}, error));
        }
        const QStringList kept = QDir(dir.path()).entryList({"Vantrel.conf.unreadable-*"});
        ASSERT_EQ(kept.size(), 1);
        EXPECT_EQ(readFile(dir.filePath(kept[0])), bad.bytes);
        EXPECT_EQ(IniPreferencesBackend(path).readAll(), QVariantMap({{"k", "2"}}));
        EXPECT_EQ(permissionsOf(path), ownerOnly);
    }
}

// Only exactly "en" selects English; every assignment is written and announced, equal ones too.
TEST(AppSettings, EveryAssignmentIsWrittenAndReadBack) {
    for (const char* stored : {"EN", "de", "", " en"}) {
        Preferences preferences(std::make_shared<MemoryPreferencesBackend>(
            QVariantMap{{AppSettings::languageKey, stored}}));
        EXPECT_EQ(AppSettings(preferences).language(), AppLanguage::ru) << stored;
        EXPECT_EQ(preferences.value(AppSettings::languageKey).toString(), stored);
    }
    auto backend = std::make_shared<MemoryPreferencesBackend>();
    {
        Preferences preferences(backend);
        AppSettings settings(preferences);
        QSignalSpy languageSpy(&settings, &AppSettings::languageChanged);
        settings.setLanguage(AppLanguage::en);
        settings.setLanguage(AppLanguage::en);
        EXPECT_EQ(languageSpy.count(), 2);
        settings.setMenuBarLabel(QString());
        settings.setHasCompletedOnboarding(true);
    }
    EXPECT_EQ(backend->readAll(), QVariantMap({{AppSettings::languageKey, "en"},
                                               {AppSettings::menuBarLabelKey, QString()},
                                               {AppSettings::onboardingKey, true}}));
    Preferences preferences(backend);
    EXPECT_EQ(AppSettings(preferences).language(), AppLanguage::en);
    EXPECT_TRUE(AppSettings(preferences).hasCompletedOnboarding());
}
