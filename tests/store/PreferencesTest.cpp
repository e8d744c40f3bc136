// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/Preferences.h"

#include "store/IniPreferencesBackend.h"
#include "store/MemoryPreferencesBackend.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(Preferences, ReadersSeeAWriteAtOnceAndTheBackendOneCoalescedWrite) {
    auto backend = std::make_shared<MemoryPreferencesBackend>();
    Preferences preferences(backend);
    for (int i = 0; i < 500; ++i) {
        preferences.setValue(QStringLiteral("k"), i);
        EXPECT_EQ(preferences.value(QStringLiteral("k")).toInt(), i);
    }
    EXPECT_EQ(backend->writeCount(), 0);
    ASSERT_TRUE(waitUntil([&] { return backend->writeCount() > 0; }));
    ASSERT_TRUE(waitUntil([&] { return !preferences.hasPendingWrite(); }));
    preferences.flush();
    EXPECT_EQ(backend->writeCount(), 1);
    EXPECT_EQ(backend->readAll().value(QStringLiteral("k")).toInt(), 499);
}

TEST(Preferences, FlushWritesWhatIsPendingAndNothingWhenClean) {
    auto backend = std::make_shared<MemoryPreferencesBackend>(
        QVariantMap{{QStringLiteral("old"), QStringLiteral("x")}});
    Preferences preferences(backend);
    EXPECT_EQ(preferences.value(QStringLiteral("old")).toString(), QStringLiteral("x"));
    preferences.flush();
    EXPECT_EQ(backend->writeCount(), 0);
    preferences.setValue(QStringLiteral("a"), QByteArray("bytes"));
    preferences.remove(QStringLiteral("old"));
    preferences.remove(QStringLiteral("never-there"));
    preferences.flush();
    EXPECT_EQ(backend->writeCount(), 1);
    const QVariantMap stored = backend->readAll();
    EXPECT_FALSE(stored.contains(QStringLiteral("old")));
    EXPECT_EQ(stored.value(QStringLiteral("a")).toByteArray(), QByteArray("bytes"));
    EXPECT_FALSE(preferences.hasPendingWrite());
}

TEST(Preferences, AFailedWriteIsRetriedAndFlushedAtTheEnd) {
    auto backend = std::make_shared<MemoryPreferencesBackend>();
    {
        Preferences preferences(backend);
        backend->setFailing(true);
        preferences.setValue(QStringLiteral("k"), 1);
        preferences.flush();
        EXPECT_TRUE(preferences.hasPendingWrite());
        EXPECT_EQ(backend->writeCount(), 0);
        backend->setFailing(false);
    }
    EXPECT_EQ(backend->readAll().value(QStringLiteral("k")).toInt(), 1);
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
    EXPECT_EQ(settings.value(QStringLiteral("vantrel_stickers_v5")).toByteArray(), bytes);
    EXPECT_EQ(settings.value(QStringLiteral("vantrel_stickers_v5")).typeId(),
              QMetaType::QByteArray);
    EXPECT_EQ(settings.value(QStringLiteral("vantrel_menubar_label")).toString(),
              QStringLiteral("😀 = ; [x]"));
    Preferences reread(std::make_shared<IniPreferencesBackend>(path));
    EXPECT_TRUE(reread.value(QStringLiteral("vantrel_onboarding_done")).toBool());
    EXPECT_EQ(reread.value(QStringLiteral("vantrel_stickers_v5")).toByteArray(), bytes);
    // Only the file itself is left: no temporary or lock files.
    EXPECT_EQ(
        QDir(dir.filePath(QStringLiteral("cfg/Vantrel"))).entryList(QDir::Files | QDir::Hidden),
        QStringList{QStringLiteral("Vantrel.conf")});
}

TEST(IniPreferencesBackend, AFailedWriteReportsItAndLeavesNoTemporaryFile) {
    QTemporaryDir dir;
    // A directory in the file's place cannot be replaced by a file.
    const QString path = dir.filePath(QStringLiteral("Vantrel.conf"));
    writeFile(path + QStringLiteral("/inside"), "kept");
    IniPreferencesBackend backend(path);
    EXPECT_FALSE(backend.writeAll({{QStringLiteral("k"), 2}}));
    EXPECT_EQ(filesBelow(dir.path()), QStringList{QStringLiteral("Vantrel.conf/inside")});

    const QString blocked = dir.filePath(QStringLiteral("file/Vantrel.conf"));
    writeFile(dir.filePath(QStringLiteral("file")), "a file where a directory should be");
    EXPECT_FALSE(IniPreferencesBackend(blocked).writeAll({{QStringLiteral("k"), 2}}));
}

TEST(IniPreferencesBackend, ReadsNothingFromAMissingOrForeignFile) {
    QTemporaryDir dir;
    EXPECT_TRUE(
        IniPreferencesBackend(dir.filePath(QStringLiteral("none.conf"))).readAll().isEmpty());
    EXPECT_TRUE(IniPreferencesBackend(dir.path()).readAll().isEmpty());
    const QString garbage = dir.filePath(QStringLiteral("garbage.conf"));
    writeFile(garbage, QByteArray("\xff\xfe\0\0[[[=\n==\n", 12));
    const QVariantMap values = IniPreferencesBackend(garbage).readAll();
    EXPECT_LE(values.size(), 2);
}
