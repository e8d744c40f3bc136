// SPDX-License-Identifier: GPL-3.0-or-later
// Runs the real program on a temporary home directory.
#include "model/StickerJson.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>
#include <gtest/gtest.h>

namespace {

class Program : public testing::Test {
protected:
    QProcessEnvironment environment(bool withDisplay) const {
        QProcessEnvironment env;
        isolateHome(env, m_home.path());
        env.insert(QStringLiteral("PATH"), qEnvironmentVariable("PATH"));
        if (withDisplay)
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        return env;
    }

    struct Result {
        int status;
        QByteArray out;
        QByteArray err;
    };

    Result run(const QStringList& arguments, bool withDisplay = false) const {
        QProcess process;
        process.setProcessEnvironment(environment(withDisplay));
        process.start(QStringLiteral(VANTREL_BINARY), arguments);
        EXPECT_TRUE(process.waitForFinished(30000));
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                process.readAllStandardOutput(), process.readAllStandardError()};
    }

    QString configFile() const {
        return m_home.filePath(QStringLiteral(".config/Vantrel/Vantrel.conf"));
    }
    QString storageDirectory() const {
        return m_home.filePath(QStringLiteral(".local/share/Vantrel"));
    }

    QTemporaryDir m_home;
};

} // namespace

TEST_F(Program, AnswersHelpAndVersionWithoutADisplay) {
    const Result help = run({QStringLiteral("--help")});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.startsWith("Usage: vantrel"));
    const Result version = run({QStringLiteral("--version")});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, QByteArray("vantrel " VANTREL_VERSION "\n"));
    const Result unknown = run({QStringLiteral("--bogus")});
    EXPECT_EQ(unknown.status, 2);
    EXPECT_TRUE(unknown.err.contains("--bogus"));
    EXPECT_FALSE(QFileInfo::exists(storageDirectory()));
}

TEST_F(Program, SaysOnceThatThereIsNoDisplay) {
    const Result result = run({});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err.count('\n'), 1);
    EXPECT_TRUE(result.out.isEmpty());
}

TEST_F(Program, FlushesThePreferencesOnEachQuitSignal) {
    for (const int signalNumber : {SIGTERM, SIGINT, SIGHUP}) {
        QDir(m_home.path()).removeRecursively();
        QDir().mkpath(m_home.path());
        const QString media = m_home.filePath(QStringLiteral("pictures/cat.gif"));
        writeFile(media, "GIF89a");
        {
            QSettings settings(configFile(), QSettings::IniFormat);
            settings.setValue(QStringLiteral("vantrel_stickers_v4"),
                              *StickerJson::encode({Sticker::withMedia(media)}));
        }
        QProcess process;
        process.setProcessEnvironment(environment(true));
        process.start(QStringLiteral(VANTREL_BINARY), {});
        ASSERT_TRUE(process.waitForStarted());
        // The adopted copy shows that the store is loaded, long before the delayed write.
        ASSERT_TRUE(waitUntil(
            [&] { return !filesBelow(storageDirectory() + QStringLiteral("/Media")).isEmpty(); }));
        // Once the main window is up (0.3 s after launch), it must not hold the quit back.
        if (signalNumber == SIGINT)
            QThread::msleep(800);
        ::kill(static_cast<pid_t>(process.processId()), signalNumber);
        ASSERT_TRUE(process.waitForFinished(30000));
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit) << signalNumber;
        EXPECT_EQ(process.exitCode(), 0);

        const QSettings settings(configFile(), QSettings::IniFormat);
        EXPECT_FALSE(settings.contains(QStringLiteral("vantrel_stickers_v4")));
        const auto stored = StickerJson::decode(
            settings.value(QStringLiteral("vantrel_stickers_v5")).toByteArray());
        ASSERT_TRUE(stored);
        ASSERT_EQ(stored->size(), 1);
        EXPECT_TRUE(
            stored->at(0).gifPath.startsWith(storageDirectory() + QStringLiteral("/Media/")));
    }
}

TEST_F(Program, ASecondLaunchHandsOverAndAStaleLockNeverBlocks) {
    const QString socket = m_home.filePath(QStringLiteral("runtime/vantrel.socket"));
    const auto start = [&](QProcess& process) {
        process.setProcessEnvironment(environment(true));
        process.start(QStringLiteral(VANTREL_BINARY), {});
        ASSERT_TRUE(process.waitForStarted());
    };

    // A first run that dies without cleaning up leaves its lock and socket behind.
    QProcess crashed;
    start(crashed);
    ASSERT_TRUE(waitUntil([&] { return QFileInfo::exists(socket); }));
    ::kill(static_cast<pid_t>(crashed.processId()), SIGKILL);
    crashed.waitForFinished();

    QProcess first;
    start(first);
    ASSERT_TRUE(
        waitUntil([&] { return QFileInfo::exists(socket) && first.state() == QProcess::Running; }));
    QThread::msleep(300);
    ASSERT_EQ(first.state(), QProcess::Running) << "the stale lock blocked the start";

    const Result second = run({}, true);
    EXPECT_EQ(second.status, 0);
    EXPECT_EQ(second.err, QByteArray());
    EXPECT_EQ(first.state(), QProcess::Running);

    ::kill(static_cast<pid_t>(first.processId()), SIGTERM);
    ASSERT_TRUE(first.waitForFinished(30000));
    EXPECT_EQ(first.exitCode(), 0);
}
