// SPDX-License-Identifier: GPL-3.0-or-later
// Runs the real program on a temporary home directory.
#include "model/StickerJson.h"
#include "support/TestSupport.h"
#include "support/TinyFileSystem.h"

#include <QDir>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

class Program : public testing::Test {
protected:
    // Starts the program, on the offscreen platform when it has a display. Its temporary
    // directory is private too, so that no fallback reaches the shared one.
    void start(QProcess& process, const QStringList& arguments = {}, bool withDisplay = true,
               const TinyFileSystem* inside = nullptr) const {
        QProcessEnvironment env;
        isolateHome(env, m_home.path());
        QDir().mkpath(m_tmp);
        env.insert(QStringLiteral("TMPDIR"), m_tmp);
        env.insert(QStringLiteral("PATH"), qEnvironmentVariable("PATH"));
        if (withDisplay)
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(m_environment);
        process.setProcessEnvironment(env);
        if (inside)
            inside->start(process, QStringLiteral(VANTREL_BINARY), arguments);
        else
            process.start(QStringLiteral(VANTREL_BINARY), arguments);
        ASSERT_TRUE(process.waitForStarted());
    }

    struct Result {
        int status;
        QByteArray out;
        QByteArray err;
    };

    Result run(const QStringList& arguments, bool withDisplay = false,
               const QString& workingDirectory = {}) const {
        QProcess process;
        process.setWorkingDirectory(workingDirectory);
        start(process, arguments, withDisplay);
        EXPECT_TRUE(process.waitForFinished(30000));
        // Qt itself warns while the application starts when XDG_RUNTIME_DIR is missing or open.
        QByteArrayList errors = process.readAllStandardError().split('\n');
        errors.removeIf([](const QByteArray& line) { return line.startsWith("QStandardPaths: "); });
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                process.readAllStandardOutput(), errors.join('\n')};
    }

    // The lock file names its holder's process first.
    static bool holdsLockIn(const QProcess& process, const QString& directory) {
        return waitUntil([&] {
            return readFile(directory + QStringLiteral("/vantrel.lock")).split('\n').value(0) ==
                   QByteArray::number(process.processId());
        });
    }

    static void stop(QProcess& process) {
        // An ended process has no id, and kill(0) would reach this test too.
        ASSERT_EQ(process.state(), QProcess::Running);
        ::kill(static_cast<pid_t>(process.processId()), SIGTERM);
        ASSERT_TRUE(process.waitForFinished(30000));
        EXPECT_EQ(process.exitCode(), 0);
    }

    QTemporaryDir m_home;
    const QString m_configFile = m_home.filePath(QStringLiteral(".config/Vantrel/Vantrel.conf"));
    const QString m_storage = m_home.filePath(QStringLiteral(".local/share/Vantrel"));
    const QString m_tmp = m_home.filePath(QStringLiteral("tmp"));
    const QString m_tmpFallback =
        m_tmp + QStringLiteral("/vantrel-") + QString::number(::geteuid());
    // Overrides what start() sets up; an empty XDG_RUNTIME_DIR counts as unset.
    QProcessEnvironment m_environment;
};

// A raw client of the program's socket, which keeps this test free of a network library.
int connectTo(const QString& socketPath) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray path = QFile::encodeName(socketPath);
    std::memcpy(address.sun_path, path.constData(), static_cast<size_t>(path.size()));
    EXPECT_EQ(::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    return fd;
}

mode_t modeOf(const QString& path) {
    struct stat status {};
    ::lstat(QFile::encodeName(path).constData(), &status);
    return status.st_mode & 07777;
}

bool isHungUp(int fd) {
    char byte = 0;
    const ssize_t received = ::recv(fd, &byte, 1, 0);
    return received == 0 || (received < 0 && errno != EAGAIN);
}

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

TEST_F(Program, AFullDiskLosesNoSticker) {
    // Full where the list is written, and full where the pictures are copied to.
    for (const QString& full : {QStringLiteral(".config"), QStringLiteral(".local/share")}) {
        QDir(m_home.path()).removeRecursively();
        const TinyFileSystem disk(m_home.filePath(full), 256 * 1024);
        if (!disk.isReady())
            GTEST_SKIP() << "mounting a tmpfs needs root";
        const QString config = disk.reach(m_configFile);
        // Pictures outside the storage: the start copies them in and saves the list.
        QList<Sticker> stickers;
        for (int i = 0; i < 5; ++i) {
            const QString picture = m_home.filePath(QStringLiteral("pictures/%1.gif").arg(i));
            writeFile(picture, QByteArray(6000, 'g'));
            stickers.append(Sticker::withMedia(picture));
        }
        QSettings(config, QSettings::IniFormat)
            .setValue(QStringLiteral("vantrel_stickers_v5"), *StickerJson::encode(stickers));
        const QByteArray before = readFile(config);
        disk.fill();

        QProcess onFullDisk;
        start(onFullDisk, {}, true, &disk);
        ASSERT_TRUE(holdsLockIn(onFullDisk, m_home.filePath(QStringLiteral("runtime"))));
        if (full == u".config") {
            ASSERT_TRUE(waitUntil([&] {
                return onFullDisk.readAllStandardError().contains("vantrel: cannot save");
            }));
        }
        stop(onFullDisk);
        EXPECT_EQ(readFile(config), before) << full.toStdString();

        disk.makeRoom();
        QProcess withRoom;
        start(withRoom, {}, true, &disk);
        const auto adopted = [&] {
            const auto stored =
                StickerJson::decode(QSettings(config, QSettings::IniFormat)
                                        .value(QStringLiteral("vantrel_stickers_v5"))
                                        .toByteArray());
            return stored && stored->size() == 5 &&
                   std::all_of(stored->cbegin(), stored->cend(), [&](const Sticker& s) {
                       return s.gifPath.startsWith(m_storage + QStringLiteral("/Media/"));
                   });
        };
        EXPECT_TRUE(waitUntil(adopted)) << full.toStdString();
        stop(withRoom);
    }
}

TEST_F(Program, ASecondLaunchHandsOverAndAStaleLockNeverBlocks) {
    const QString runtime = m_home.filePath(QStringLiteral("runtime"));
    // A first run that dies without cleaning up leaves its lock and socket behind.
    QProcess crashed;
    start(crashed);
    ASSERT_TRUE(waitUntil([&] { return QFileInfo::exists(runtime + "/vantrel.socket"); }));
    ::kill(static_cast<pid_t>(crashed.processId()), SIGKILL);
    crashed.waitForFinished();

    QProcess first;
    start(first);
    ASSERT_TRUE(holdsLockIn(first, runtime)) << "the stale lock blocked the start";

    const Result second = run({}, true);
    EXPECT_EQ(second.status, 0);
    EXPECT_EQ(second.err, QByteArray());
    EXPECT_EQ(first.state(), QProcess::Running);
    stop(first);
}

TEST_F(Program, KeepsItsLockAndSocketWhereOnlyTheUserCanReachThem) {
    const QString open = m_home.filePath(QStringLiteral("open"));
    const QString deep = m_home.filePath(QStringLiteral("runtime/") + QString(100, u'd'));
    const QString own = m_home.filePath(QStringLiteral("own"));
    const QString cacheFallback = m_home.filePath(QStringLiteral(".cache/Vantrel"));
    const QString first = m_home.filePath(QStringLiteral("first"));
    const QString second = m_home.filePath(QStringLiteral("second"));
    const auto makeDirectory = [](const QString& path, mode_t mode) {
        QDir().mkpath(path);
        ::chmod(QFile::encodeName(path).constData(), mode);
    };
    struct Case {
        const char* name;
        QString runtime;
        std::function<void()> prepare;
        QString expected;
    };
    QList<Case> cases = {
        // As when another user made Qt's own fallback first.
        {"no runtime directory", QString(),
         [&] {
             writeFile(m_tmp + QStringLiteral("/runtime-") +
                           QString::fromLocal8Bit(::getpwuid(::geteuid())->pw_name),
                       "");
         },
         m_tmpFallback},
        {"runtime directory open to all", open, [&] { makeDirectory(open, 0777); }, m_tmpFallback},
        {"socket path too long", deep, [&] { makeDirectory(deep, 0700); }, m_tmpFallback},
        {"our fallback left open", QString(), [&] { makeDirectory(m_tmpFallback, 0777); },
         m_tmpFallback},
        {"fallback is a symlink", QString(),
         [&] {
             makeDirectory(own, 0700);
             QFile::link(own, m_tmpFallback);
         },
         cacheFallback},
    };
    if (::geteuid() == 0) {
        cases.append({"fallback owned by another user", QString(),
                      [&] {
                          makeDirectory(m_tmpFallback, 0700);
                          ::chown(QFile::encodeName(m_tmpFallback).constData(), 65534, 65534);
                      },
                      cacheFallback});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QDir(m_home.path()).removeRecursively();
        QDir().mkpath(m_tmp);
        QDir().mkpath(first);
        QDir().mkpath(second);
        c.prepare();
        m_environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), c.runtime);
        QProcess primary;
        primary.setWorkingDirectory(first);
        start(primary);
        EXPECT_TRUE(holdsLockIn(primary, c.expected));
        const Result handedOver = run({}, true, second);
        EXPECT_EQ(handedOver.status, 0);
        EXPECT_EQ(handedOver.err, QByteArray());
        EXPECT_EQ(modeOf(c.expected), 0700u);
        stop(primary);
        EXPECT_EQ(filesBelow(first) + filesBelow(second), QStringList());
    }
}

TEST_F(Program, CutsOffAClientThatNeverEndsItsLine) {
    const QString socket = m_home.filePath(QStringLiteral("runtime/vantrel.socket"));
    QProcess primary;
    start(primary);
    ASSERT_TRUE(waitUntil([&] { return QFileInfo::exists(socket); }));
    const int idle = connectTo(socket);
    const int flooding = connectTo(socket);

    const QByteArray chunk(64 * 1024, 'x');
    qsizetype sent = 0;
    EXPECT_TRUE(waitUntil([&] {
        if (sent < 1024 * 1024) {
            const ssize_t written = ::send(flooding, chunk.constData(),
                                           static_cast<size_t>(chunk.size()), MSG_NOSIGNAL);
            sent += written > 0 ? written : 0;
        }
        return isHungUp(flooding);
    }));
    EXPECT_FALSE(isHungUp(idle)) << "another connection went with it";
    EXPECT_EQ(primary.state(), QProcess::Running);
    const Result handedOver = run({}, true);
    EXPECT_EQ(handedOver.status, 0);
    ::close(idle);
    ::close(flooding);
    stop(primary);
}
