// SPDX-License-Identifier: GPL-3.0-or-later
// Runs the real program on a temporary home directory.
#include "model/StickerJson.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>
#include <gtest/gtest.h>

namespace {

class Program : public testing::Test {
protected:
    // Starts the program, on the offscreen platform when it has a display.
    void start(QProcess& process, const QStringList& arguments = {},
               bool withDisplay = true) const {
        QProcessEnvironment env;
        isolateHome(env, m_home.path());
        env.insert(QStringLiteral("PATH"), qEnvironmentVariable("PATH"));
        if (withDisplay)
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(VANTREL_BINARY), arguments);
        ASSERT_TRUE(process.waitForStarted());
    }

    struct Result {
        int status;
        QByteArray out;
        QByteArray err;
    };

    Result run(const QStringList& arguments, bool withDisplay = false) const {
        QProcess process;
        start(process, arguments, withDisplay);
        EXPECT_TRUE(process.waitForFinished(30000));
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                process.readAllStandardOutput(), process.readAllStandardError()};
    }

    QTemporaryDir m_home;
    const QString m_configFile = m_home.filePath(QStringLiteral(".config/Vantrel/Vantrel.conf"));
    const QString m_storage = m_home.filePath(QStringLiteral(".local/share/Vantrel"));
};

} // namespace

TEST_F(Program, AnswersTheCommandLineAndSaysOnceThatThereIsNoDisplay) {
    const Result help = run({QStringLiteral("--help")});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.startsWith("Usage: vantrel"));
    const Result version = run({QStringLiteral("--version")});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, QByteArray("vantrel " VANTREL_VERSION "\n"));
    const Result unknown = run({QStringLiteral("--bogus")});
    EXPECT_EQ(unknown.status, 2);
    EXPECT_TRUE(unknown.err.contains("--bogus"));
    const Result noDisplay = run({});
    EXPECT_EQ(noDisplay.status, 1);
    EXPECT_EQ(noDisplay.err.count('\n'), 1);
    EXPECT_TRUE(noDisplay.out.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(m_storage)) << "nothing is touched before a display";
}

TEST_F(Program, FlushesThePreferencesOnEachQuitSignal) {
    for (const int signalNumber : {SIGTERM, SIGINT, SIGHUP}) {
        QDir(m_home.path()).removeRecursively();
        const QString media = m_home.filePath(QStringLiteral("pictures/cat.gif"));
        writeFile(media, "GIF89a");
        // Under the older key: the quit must also leave the migrated list behind.
        QSettings(m_configFile, QSettings::IniFormat)
            .setValue(QStringLiteral("vantrel_stickers_v4"),
                      *StickerJson::encode({Sticker::withMedia(media)}));
        QProcess process;
        start(process);
        // The adopted copy shows that the store is loaded, long before the delayed write.
        ASSERT_TRUE(
            waitUntil([&] { return !filesBelow(m_storage + QStringLiteral("/Media")).isEmpty(); }));
        // Once the main window is up (0.3 s after launch), it must not hold the quit back.
        if (signalNumber == SIGINT)
            QThread::msleep(800);
        ::kill(static_cast<pid_t>(process.processId()), signalNumber);
        ASSERT_TRUE(process.waitForFinished(30000));
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit) << signalNumber;
        EXPECT_EQ(process.exitCode(), 0);

        const QSettings settings(m_configFile, QSettings::IniFormat);
        EXPECT_FALSE(settings.contains(QStringLiteral("vantrel_stickers_v4")));
        const auto stored = StickerJson::decode(
            settings.value(QStringLiteral("vantrel_stickers_v5")).toByteArray());
        ASSERT_TRUE(stored && stored->size() == 1);
        EXPECT_TRUE(stored->at(0).gifPath.startsWith(m_storage + QStringLiteral("/Media/")));
    }
}

TEST_F(Program, ASecondLaunchHandsOverAndAStaleLockNeverBlocks) {
    const QString runtime = m_home.filePath(QStringLiteral("runtime/"));
    // A first run that dies without cleaning up leaves its lock and socket behind.
    QProcess crashed;
    start(crashed);
    ASSERT_TRUE(waitUntil([&] { return QFileInfo::exists(runtime + "vantrel.socket"); }));
    ::kill(static_cast<pid_t>(crashed.processId()), SIGKILL);
    crashed.waitForFinished();

    // The lock file names its holder's process first: the next run has taken it over.
    QProcess first;
    start(first);
    ASSERT_TRUE(waitUntil([&] {
        return readFile(runtime + "vantrel.lock").split('\n').value(0) ==
               QByteArray::number(first.processId());
    })) << "the stale lock blocked the start";

    const Result second = run({}, true);
    EXPECT_EQ(second.status, 0);
    EXPECT_EQ(second.err, QByteArray());
    EXPECT_EQ(first.state(), QProcess::Running);

    ::kill(static_cast<pid_t>(first.processId()), SIGTERM);
    ASSERT_TRUE(first.waitForFinished(30000));
    EXPECT_EQ(first.exitCode(), 0);
}
