// SPDX-License-Identifier: GPL-3.0-or-later
// The program with many stickers, on Xvfb with openbox and xcompmgr. In a child process with the
// main window shown and the tray built: the main thread's CPU time per drag step and per
// size-slider step, against the store alone with no view attached, and the time to build the
// list. The real program: the time until every sticker window is mapped, the time to quit, and
// the resident memory.
#include "app/MainWindowOpener.h"
#include "app/VantrelApp.h"
#include "model/StickerJson.h"
#include "store/MemoryPreferencesBackend.h"
#include "store/Preferences.h"
#include "store/StickerStore.h"
#include "support/XSession.h"
#include "ui/ContentView.h"
#include "ui/StickerRow.h"
#include "ui/StickerSettingsPanel.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QMouseEvent>
#include <QProcess>
#include <QSettings>
#include <QSlider>
#include <QTemporaryDir>
#include <QThread>
#include <QWindow>
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string_view>

namespace {

constexpr int steps = 400;
constexpr int rounds = 3;

qint64 threadCpuNs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

void runPending() {
    for (int round = 0; round < 3; ++round)
        QCoreApplication::processEvents();
}

// Runs the event loop for a while: decodes land, delayed work runs.
void settle(int ms) {
    const QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
}

// count still pictures of one file in a fresh home: the configuration and the picture.
struct Home {
    explicit Home(int count) {
        const QString picture = dataDirectory() + QStringLiteral("/Vantrel/Media/p.png");
        QDir().mkpath(QFileInfo(picture).absolutePath());
        QImage image(200, 200, QImage::Format_ARGB32);
        image.fill(QColor(0x30, 0x90, 0xe0));
        image.save(picture, "PNG");
        for (int i = 0; i < count; ++i) {
            Sticker sticker = Sticker::withMedia(picture);
            sticker.name = QStringLiteral("Sticker %1").arg(i);
            sticker.x = 20 + (i % 20) * 40;
            sticker.y = 20 + (i / 20 % 15) * 40;
            sticker.size = 120;
            stickers.append(sticker);
        }
        QSettings settings(configFile(), QSettings::IniFormat);
        settings.setValue(StickerStore::saveKey, *StickerJson::encode(stickers));
        settings.setValue(QStringLiteral("vantrel_onboarding_done"), true);
    }
    QString configFile() const { return dir.filePath(QStringLiteral("config/Vantrel.conf")); }
    QString dataDirectory() const { return dir.filePath(QStringLiteral("data")); }

    QTemporaryDir dir;
    QList<Sticker> stickers;
};

struct StepCosts {
    double drag = 0;
    double slider = 0;
};

double microsecondsPerStep(qint64 startNs) {
    return static_cast<double>(threadCpuNs() - startNs) / 1000.0 / steps;
}

QWidget* stickerWindowOf(const QString& name) {
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->inherits("StickerWindow") && window->windowTitle() == name)
            return window;
    }
    return nullptr;
}

// A drag as the user makes it: press, moves of a few points, release; the moves are counted.
double dragStep(QWidget* target) {
    // The window's view takes the mouse.
    QWidget* view = target->findChild<QWidget*>();
    if (!view)
        view = target;
    const QPointF at(60, 60);
    QPointF global = view->mapToGlobal(at);
    const auto send = [&](QEvent::Type type, Qt::MouseButtons buttons) {
        QMouseEvent event(type, at, global, Qt::LeftButton, buttons, Qt::NoModifier);
        QCoreApplication::sendEvent(view, &event);
    };
    send(QEvent::MouseButtonPress, Qt::LeftButton);
    // The press brings the sticker to the front once, restacking every window: not a step.
    settle(300);
    const qint64 start = threadCpuNs();
    for (int step = 0; step < steps; ++step) {
        global += QPointF(step % 2 == 0 ? 3 : -3, 1);
        send(QEvent::MouseMove, Qt::LeftButton);
        runPending();
    }
    const double cost = microsecondsPerStep(start);
    send(QEvent::MouseButtonRelease, Qt::NoButton);
    runPending();
    return cost;
}

double sliderStep(QSlider* slider) {
    const qint64 start = threadCpuNs();
    for (int step = 0; step < steps; ++step) {
        slider->setValue(slider->minimum() + 10 + step % 2);
        runPending();
    }
    return microsecondsPerStep(start);
}

// Sticker windows the window manager has put on screen.
qsizetype exposedStickerWindows() {
    const QWidgetList windows = QApplication::topLevelWidgets();
    return std::count_if(windows.cbegin(), windows.cend(), [](const QWidget* window) {
        return window->inherits("StickerWindow") && window->windowHandle() &&
               window->windowHandle()->isExposed();
    });
}

StepCosts wholeProgram(int count, double* listBuildMs) {
    const Home home(count);
    const VantrelApp program(home.configFile(), home.dataDirectory());
    // The sticker windows come first, on the next turn; the main window is timed on its own.
    const QDeadlineTimer windowsDeadline(120000);
    // A window not yet on screen is never painted: the steps would cost less than they do.
    while (exposedStickerWindows() < count && !windowsDeadline.hasExpired())
        settle(100);
    settle(count >= 100 ? 3000 : 800);
    QElapsedTimer timer;
    timer.start();
    program.opener().openMainWindow();
    runPending();
    *listBuildMs = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    settle(500);

    StepCosts costs;
    QWidget* first = stickerWindowOf(QStringLiteral("Sticker 0"));
    costs.drag = first ? dragStep(first) : -1;
    auto* content = program.opener().mainWindow()->findChild<ContentView*>();
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(content->rows().first(), &press);
    runPending();
    costs.slider = sliderStep(content->settingsPanel()->sizeSlider());
    return costs;
}

StepCosts storeAlone(int count) {
    const Home home(count);
    Preferences preferences(std::make_shared<MemoryPreferencesBackend>(
        QVariantMap{{StickerStore::saveKey, *StickerJson::encode(home.stickers)}}));
    StickerStore store(preferences, home.dataDirectory());
    const QUuid id = store.stickers().first().id;
    StepCosts costs;
    qint64 start = threadCpuNs();
    for (int step = 0; step < steps; ++step) {
        store.updatePosition(id, 100 + step % 2, 100);
        runPending();
    }
    costs.drag = microsecondsPerStep(start);
    Sticker edited = store.stickers().first();
    start = threadCpuNs();
    for (int step = 0; step < steps; ++step) {
        edited.size = step % 2 == 0 ? 180 : 160;
        store.updateSticker(edited);
        runPending();
    }
    costs.slider = microsecondsPerStep(start);
    return costs;
}

// The windows of an earlier run, which the window manager may take many seconds to let go of,
// must all be gone before the next: until then it has no time for new windows.
void waitUntilEmpty(const XSession& session) {
    const QDeadlineTimer deadline(120000);
    while (!session.clientListStacking().isEmpty() && !deadline.hasExpired())
        settle(200);
}

// The real program on an X server: until all windows are mapped, and the quit.
void startAndQuit(const XSession& session, int count) {
    const Home home(count);
    QProcessEnvironment env = session.environment();
    const QString homeDirectory = home.dir.filePath(QStringLiteral("home"));
    env.insert(QStringLiteral("HOME"), homeDirectory);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.dir.filePath(QStringLiteral("xdg")));
    env.insert(QStringLiteral("XDG_DATA_HOME"), home.dataDirectory());
    const QString runtime = home.dir.filePath(QStringLiteral("runtime"));
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    QDir().mkpath(home.dir.filePath(QStringLiteral("xdg/Vantrel")));
    QFile::copy(home.configFile(), home.dir.filePath(QStringLiteral("xdg/Vantrel/Vantrel.conf")));

    waitUntilEmpty(session);
    const qsizetype before = session.clientListStacking().size();
    QProcess program;
    program.setProcessEnvironment(env);
    program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer timer;
    timer.start();
    program.start(QStringLiteral(VANTREL_BINARY), {});
    program.waitForStarted();
    // Every sticker window and the main window, as the window manager lists them.
    bool mapped = false;
    while (!mapped && timer.elapsed() < 120000) {
        QThread::msleep(50);
        mapped = session.clientListStacking().size() >= before + count + 1;
    }
    const double mappedMs = static_cast<double>(timer.elapsed());
    settle(1000);
    qint64 residentKb = 0;
    QFile status(QStringLiteral("/proc/%1/status").arg(program.processId()));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (line.startsWith("VmRSS:"))
                residentKb = line.mid(6).trimmed().split(' ').value(0).toLongLong();
        }
    }
    timer.restart();
    ::kill(static_cast<pid_t>(program.processId()), SIGTERM);
    program.waitForFinished(60000);
    const double quitMs = static_cast<double>(timer.elapsed());
    std::printf("%5d stickers: all windows mapped %s%.0f ms after start, quit in %.0f ms, "
                "resident %.1f MB\n",
                count, mapped ? "" : "NOT ", mappedMs, quitMs,
                static_cast<double>(residentKb) / 1024.0);
}

} // namespace

int main(int argc, char** argv) {
    // The child: one count of stickers on the X server it is given.
    if (argc == 3 && std::string_view(argv[1]) == "--steps") {
        QApplication app(argc, argv);
        QApplication::setQuitOnLastWindowClosed(false);
        const int count = std::atoi(argv[2]);
        double listMs = 0;
        const StepCosts alone = storeAlone(count);
        const StepCosts whole = wholeProgram(count, &listMs);
        std::printf("%9d %12.0f %12.0f %12.0f %12.0f %10.1f\n", count, whole.drag, alone.drag,
                    whole.slider, alone.slider, listMs);
        return 0;
    }

    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (!XSession::toolsAvailable()) {
        std::printf("Xvfb, openbox or xcompmgr missing\n");
        return 1;
    }
    // --start N [window manager]: only the start and quit of the real program with N stickers,
    // under openbox or the manager named.
    if (argc >= 3 && std::string_view(argv[1]) == "--start") {
        XSession::Options options;
        if (argc > 3)
            options.windowManager = QString::fromLocal8Bit(argv[3]);
        const XSession session(options);
        if (!session.isReady())
            return 1;
        startAndQuit(session, std::atoi(argv[2]));
        return 0;
    }
    const XSession session;
    if (!session.isReady())
        return 1;
    std::printf("Main-thread CPU per step, whole program (main window shown, tray built) against "
                "the store alone with no view attached, still pictures; medians of %d rounds:\n",
                rounds);
    std::printf("%9s %12s %12s %12s %12s %10s\n", "stickers", "drag (us)", "store (us)",
                "slider (us)", "store (us)", "list (ms)");
    // Single runs on a shared machine vary by a fifth: every count runs in each of several
    // rounds, the counts alternating, and each figure is the median of its rounds.
    const QList<int> counts{1, 10, 100, 200, 1000};
    QList<QList<QList<double>>> runs(counts.size());
    for (int round = 0; round < rounds; ++round) {
        for (qsizetype i = 0; i < counts.size(); ++i) {
            waitUntilEmpty(session);
            QProcess child;
            child.setProcessEnvironment(session.environment());
            child.start(QCoreApplication::applicationFilePath(),
                        {QStringLiteral("--steps"), QString::number(counts[i])});
            child.waitForFinished(300000);
            QList<double> values;
            for (const QByteArray& field : child.readAllStandardOutput().simplified().split(' '))
                values.append(field.toDouble());
            if (values.size() == 6)
                runs[i].append(values);
        }
    }
    QList<QList<double>> rows;
    for (const QList<QList<double>>& countRuns : runs) {
        QList<double> row;
        for (int column = 0; column < 6 && !countRuns.isEmpty(); ++column) {
            QList<double> values;
            for (const QList<double>& run : countRuns)
                values.append(run[column]);
            std::sort(values.begin(), values.end());
            row.append(values[values.size() / 2]);
        }
        if (row.size() == 6)
            std::printf("%9.0f %12.0f %12.0f %12.0f %12.0f %10.1f\n", row[0], row[1], row[2],
                        row[3], row[4], row[5]);
        rows.append(row);
    }
    if (rows[0].size() == 6 && rows[2].size() == 6)
        std::printf("100 stickers against 1: drag step %.2f times, slider step %.2f times\n",
                    rows[2][1] / rows[0][1], rows[2][3] / rows[0][3]);
    for (const int count : {100, 1000})
        startAndQuit(session, count);
    return 0;
}
