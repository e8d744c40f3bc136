// SPDX-License-Identifier: GPL-3.0-or-later
// Runs the real program on a temporary home directory, and checks its AppStream description and
// Debian package as a distribution would.
#include "model/StickerJson.h"
#include "support/TestSupport.h"
#include "support/TinyFileSystem.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

class Program : public testing::Test {
protected:
    // TMPDIR is private too, so that no fallback reaches the shared one.
    void start(QProcess& process, bool withDisplay = true, const TinyFileSystem* inside = nullptr,
               const QString& workingDirectory = {}) const {
        QProcessEnvironment env;
        isolateHome(env, m_home.path());
        QDir().mkpath(m_tmp);
        env.insert(u"TMPDIR"_s, m_tmp);
        env.insert(u"PATH"_s, qEnvironmentVariable("PATH"));
        if (withDisplay)
            env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        env.insert(m_environment);
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(workingDirectory);
        if (inside)
            inside->start(process, QStringLiteral(VANTREL_BINARY), m_arguments);
        else
            process.start(QStringLiteral(VANTREL_BINARY), m_arguments);
        ASSERT_TRUE(process.waitForStarted());
    }

    // The errors leave out Qt's own complaints about XDG_RUNTIME_DIR.
    struct Result {
        int status;
        QByteArray out, err;
    };
    Result run(bool withDisplay = true, const QString& directory = {}) const {
        QProcess process;
        start(process, withDisplay, nullptr, directory);
        EXPECT_TRUE(process.waitForFinished(30000));
        QByteArrayList errors = process.readAllStandardError().split('\n');
        errors.removeIf([](const QByteArray& line) { return line.startsWith("QStandardPaths: "); });
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                process.readAllStandardOutput(), errors.join('\n')};
    }

    // The lock file names its holder's process first.
    static bool holdsLockIn(const QProcess& process, const QString& directory) {
        return waitUntil([&] {
            return readFile(directory + u"/vantrel.lock"_s).split('\n').value(0) ==
                   QByteArray::number(process.processId());
        });
    }

    static void stop(QProcess& process, int signalNumber = SIGTERM) {
        // An ended process has no id, and kill(0) would reach this test too.
        ASSERT_EQ(process.state(), QProcess::Running);
        ::kill(static_cast<pid_t>(process.processId()), signalNumber);
        ASSERT_TRUE(process.waitForFinished(30000));
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit) << signalNumber;
        EXPECT_EQ(process.exitCode(), 0);
    }

    // Whether the stored list holds count stickers, all adopted into the storage.
    bool adopted(const QString& config, qsizetype count) const {
        const QSettings settings(config, QSettings::IniFormat);
        const auto stored =
            StickerJson::decode(settings.value(u"vantrel_stickers_v5"_s).toByteArray());
        return !settings.contains(u"vantrel_stickers_v4"_s) && stored && stored->size() == count &&
               std::all_of(stored->cbegin(), stored->cend(), [&](const Sticker& s) {
                   return s.gifPath.startsWith(m_storage + u"/Media/"_s);
               });
    }

    QTemporaryDir m_home;
    const QString m_configFile = m_home.filePath(u".config/Vantrel/Vantrel.conf"_s);
    const QString m_storage = m_home.filePath(u".local/share/Vantrel"_s);
    const QString m_tmp = m_home.filePath(u"tmp"_s);
    const QString m_tmpFallback = m_tmp + u"/vantrel-"_s + QString::number(::geteuid());
    // Overrides what start() sets up; an empty XDG_RUNTIME_DIR counts as unset.
    QProcessEnvironment m_environment;
    QStringList m_arguments;
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

bool isHungUp(int fd) {
    char byte = 0;
    const ssize_t received = ::recv(fd, &byte, 1, 0);
    return received == 0 || (received < 0 && errno != EAGAIN);
}

// The exit code, -1 on a crash or a hang, and the merged output.
std::pair<int, QString> runTool(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    const bool ended =
        process.waitForFinished(120000) && process.exitStatus() == QProcess::NormalExit;
    return {ended ? process.exitCode() : -1, QString::fromUtf8(process.readAll())};
}

bool missing(const QString& tool) {
    return QStandardPaths::findExecutable(tool).isEmpty();
}

} // namespace

TEST_F(Program, AnswersTheCommandLineAndSaysOnceThatThereIsNoDisplay) {
    const struct {
        QStringList arguments;
        int status;
        QByteArray out, err;
    } cases[] = {
        {{u"--help"_s}, 0, "Usage: vantrel", {}},
        {{u"--version"_s}, 0, "vantrel " VANTREL_VERSION "\n", {}},
        {{u"--bogus"_s}, 2, {}, "--bogus"},
        {{}, 1, {}, "\n"},
    };
    for (const auto& c : cases) {
        m_arguments = c.arguments;
        const Result result = run(false);
        EXPECT_EQ(result.status, c.status) << c.err.constData();
        EXPECT_TRUE(c.out.isEmpty() ? result.out.isEmpty() : result.out.startsWith(c.out));
        EXPECT_TRUE(result.err.contains(c.err));
        EXPECT_TRUE(!c.arguments.isEmpty() || result.err.count('\n') == 1) << "one line";
    }
    EXPECT_FALSE(QFileInfo::exists(m_storage)) << "nothing is touched before a display";
}

TEST_F(Program, FlushesThePreferencesOnEachQuitSignal) {
    for (const int signalNumber : {SIGTERM, SIGINT, SIGHUP}) {
        QDir(m_home.path()).removeRecursively();
        const QString media = m_home.filePath(u"pictures/cat.gif"_s);
        writeFile(media, "GIF89a");
        // Under the older key: the quit must also leave the migrated list behind.
        QSettings(m_configFile, QSettings::IniFormat)
            .setValue(u"vantrel_stickers_v4"_s, *StickerJson::encode({Sticker::withMedia(media)}));
        QProcess process;
        start(process);
        // The adopted copy shows that the store is loaded, long before the delayed write.
        ASSERT_TRUE(waitUntil([&] { return !filesBelow(m_storage + u"/Media"_s).isEmpty(); }));
        // Once the main window is up (0.3 s after launch), it must not hold the quit back.
        if (signalNumber == SIGINT)
            QThread::msleep(800);
        stop(process, signalNumber);
        EXPECT_TRUE(adopted(m_configFile, 1)) << signalNumber;
    }
}

TEST_F(Program, AFullDiskLosesNoSticker) {
    // Full where the list is written, and full where the pictures are copied to.
    for (const QString& full : {u".config"_s, u".local/share"_s}) {
        QDir(m_home.path()).removeRecursively();
        const TinyFileSystem disk(m_home.filePath(full), 256 * 1024);
        if (!disk.isReady())
            GTEST_SKIP() << "mounting a tmpfs needs root";
        const QString config = disk.reach(m_configFile);
        // Pictures outside the storage, which the start copies in.
        QList<Sticker> stickers;
        for (int i = 0; i < 5; ++i) {
            const QString picture = m_home.filePath(u"pictures/%1.gif"_s.arg(i));
            writeFile(picture, QByteArray(6000, 'g'));
            stickers.append(Sticker::withMedia(picture));
        }
        QSettings(config, QSettings::IniFormat)
            .setValue(u"vantrel_stickers_v5"_s, *StickerJson::encode(stickers));
        const QByteArray before = readFile(config);
        disk.fill();

        QProcess onFullDisk;
        start(onFullDisk, true, &disk);
        ASSERT_TRUE(holdsLockIn(onFullDisk, m_home.filePath(u"runtime"_s)));
        if (full == u".config") {
            ASSERT_TRUE(waitUntil([&] {
                return onFullDisk.readAllStandardError().contains("vantrel: cannot save");
            }));
        }
        stop(onFullDisk);
        EXPECT_EQ(readFile(config), before) << full.toStdString();

        disk.makeRoom();
        QProcess withRoom;
        start(withRoom, true, &disk);
        EXPECT_TRUE(waitUntil([&] { return adopted(config, 5); })) << full.toStdString();
        stop(withRoom);
    }
}

TEST_F(Program, KeepsItsLockAndSocketWhereOnlyTheUserCanReachThem) {
    const QString open = m_home.filePath(u"open"_s), own = m_home.filePath(u"own"_s);
    const QString deep = m_home.filePath(u"runtime/"_s + QString(100, u'd'));
    const QString cacheFallback = m_home.filePath(u".cache/Vantrel"_s);
    const QString first = m_home.filePath(u"first"_s), second = m_home.filePath(u"second"_s);
    // Qt's own fallback, which another user may have made first.
    const QString qtFallback =
        m_tmp + u"/runtime-"_s + QString::fromLocal8Bit(::getpwuid(::geteuid())->pw_name);
    // What is in the way: a file, a directory of the mode, a link to ours, another user's.
    enum Kind { file, directory, link, foreign };
    const struct {
        const char* name;
        QString runtime, made;
        Kind kind;
        mode_t mode;
        QString expected;
    } cases[] = {
        {"no runtime directory", {}, qtFallback, file, 0, m_tmpFallback},
        {"runtime directory open to all", open, open, directory, 0777, m_tmpFallback},
        {"socket path too long", deep, deep, directory, 0700, m_tmpFallback},
        {"our fallback left open", {}, m_tmpFallback, directory, 0777, m_tmpFallback},
        {"fallback is a symlink", {}, m_tmpFallback, link, 0700, cacheFallback},
        {"fallback owned by another user", {}, m_tmpFallback, foreign, 0700, cacheFallback},
    };
    for (const auto& c : cases) {
        if (c.kind == foreign && ::geteuid() != 0)
            continue;
        SCOPED_TRACE(c.name);
        QDir(m_home.path()).removeRecursively();
        for (const QString& path : {m_tmp, first, second})
            QDir().mkpath(path);
        const QString madeDirectory = c.kind == link ? own : c.made;
        if (c.kind == file)
            writeFile(c.made, "");
        else if (QDir().mkpath(madeDirectory))
            ::chmod(QFile::encodeName(madeDirectory).constData(), c.mode);
        if (c.kind == link)
            QFile::link(own, c.made);
        if (c.kind == foreign)
            ::chown(QFile::encodeName(c.made).constData(), 65534, 65534);
        m_environment.insert(u"XDG_RUNTIME_DIR"_s, c.runtime);
        QProcess primary;
        start(primary, true, nullptr, first);
        EXPECT_TRUE(holdsLockIn(primary, c.expected));
        const Result handedOver = run(true, second);
        EXPECT_TRUE(handedOver.status == 0 && handedOver.err.isEmpty())
            << handedOver.err.constData();
        EXPECT_EQ(permissionsOf(c.expected),
                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        stop(primary);
        EXPECT_EQ(filesBelow(first) + filesBelow(second), QStringList());
    }
}

TEST_F(Program, ASecondLaunchHandsOverPastAStaleLockAndAFloodingClient) {
    const QString runtime = m_home.filePath(u"runtime"_s), socket = runtime + u"/vantrel.socket"_s;
    // A first run that dies leaves its lock and socket behind.
    QProcess crashed;
    start(crashed);
    ASSERT_TRUE(waitUntil([&] { return QFileInfo::exists(socket); }));
    ::kill(static_cast<pid_t>(crashed.processId()), SIGKILL);
    crashed.waitForFinished();

    QProcess primary;
    start(primary);
    ASSERT_TRUE(holdsLockIn(primary, runtime)) << "the stale lock blocked the start";
    ASSERT_EQ(run().status, 0);
    const int idle = connectTo(socket), flooding = connectTo(socket);
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
    const Result second = run();
    EXPECT_TRUE(second.status == 0 && second.err.isEmpty()) << second.err.constData();
    EXPECT_EQ(primary.state(), QProcess::Running);
    ::close(idle);
    ::close(flooding);
    stop(primary);
}

TEST(Package, TheMetainfoValidatesWithoutTheNetworkAndWithoutAHint) {
    if (missing(u"appstreamcli"_s))
        GTEST_SKIP() << "appstreamcli missing";
    const auto [status, output] =
        runTool(u"appstreamcli"_s,
                {u"validate"_s, u"--no-net"_s, u"--pedantic"_s, QStringLiteral(VANTREL_METAINFO)});
    EXPECT_EQ(status, 0) << qPrintable(output);
    EXPECT_FALSE(output.contains(u"P: "_s)) << qPrintable(output);
}

TEST(Package, TheDebianPackageHoldsTheProgramItsFilesAndWhatItNeeds) {
    if (missing(u"dpkg-deb"_s) || missing(u"dpkg-shlibdeps"_s))
        GTEST_SKIP() << "dpkg-dev missing";
    QTemporaryDir output;
    const auto [status, log] =
        runTool(QStringLiteral(VANTREL_CPACK),
                {u"-G"_s, u"DEB"_s, u"--config"_s, QStringLiteral(VANTREL_CPACK_CONFIG), u"-B"_s,
                 output.path()});
    ASSERT_EQ(status, 0) << qPrintable(log);
    const QString architecture = runTool(u"dpkg"_s, {u"--print-architecture"_s}).second.trimmed();
    const QString deb =
        output.filePath(u"vantrel_%1_%2.deb"_s.arg(QStringLiteral(VANTREL_VERSION), architecture));
    ASSERT_TRUE(QFileInfo::exists(deb)) << qPrintable(log);

    QStringList files;
    for (const QString& line :
         runTool(u"dpkg-deb"_s, {u"-c"_s, deb}).second.split(u'\n', Qt::SkipEmptyParts)) {
        if (!line.startsWith(u'd'))
            files << line.section(u' ', -1);
    }
    for (const QString& expected :
         {u"./usr/bin/vantrel"_s, u"./usr/share/applications/vantrel.desktop"_s,
          u"./usr/share/metainfo/"_s + QFileInfo(QStringLiteral(VANTREL_METAINFO)).fileName(),
          u"./usr/share/icons/hicolor/scalable/apps/vantrel.svg"_s,
          u"./usr/share/icons/hicolor/16x16/apps/vantrel.png"_s,
          u"./usr/share/icons/hicolor/256x256/apps/vantrel.png"_s,
          u"./usr/share/man/man1/vantrel.1.gz"_s})
        EXPECT_TRUE(files.contains(expected)) << qPrintable(expected);
    // Nothing of the build beyond the program and its data: no test, library or header.
    for (const QString& file : std::as_const(files))
        EXPECT_TRUE(file == u"./usr/bin/vantrel" || file.startsWith(u"./usr/share/"))
            << qPrintable(file);

    // The shared libraries name their packages; the plugins Qt loads are named by hand.
    const QString depends = runTool(u"dpkg-deb"_s, {u"-f"_s, deb, u"Depends"_s}).second;
    for (const char* package : {"libqt6widgets6", "libqt6svg6", "libheif1", "liblz4-1", "libicu72",
                                "qt6-image-formats-plugins"})
        EXPECT_TRUE(depends.contains(QLatin1String(package)))
            << package << ": " << qPrintable(depends);
}
