// SPDX-License-Identifier: GPL-3.0-or-later
// Store speed: the drag path against a naive QSettings baseline measured in the same run,
// save and construction at three list sizes, and the file writes of a simulated drag.
#include "model/StickerJson.h"
#include "store/IniPreferencesBackend.h"
#include "store/Preferences.h"
#include "store/StickerStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>
#include <atomic>
#include <cstdio>

namespace {

class CountingBackend final : public PreferencesBackend {
public:
    explicit CountingBackend(const QString& path)
        : m_file(path) {}
    QVariantMap readAll() override { return m_file.readAll(); }
    bool writeAll(const QVariantMap& values, QString& error) override {
        ++writes;
        return m_file.writeAll(values, error);
    }
    std::atomic<int> writes = 0;

private:
    IniPreferencesBackend m_file;
};

struct Fixture {
    explicit Fixture(int count)
        : backend(std::make_shared<CountingBackend>(dir.filePath(QStringLiteral("Vantrel.conf")))) {
        const QString media = dir.filePath(QStringLiteral("data/Vantrel/Media/m.gif"));
        QDir().mkpath(QFileInfo(media).absolutePath());
        QFile file(media);
        file.open(QIODevice::WriteOnly);
        file.write("GIF89a");
        QList<Sticker> list;
        for (int i = 0; i < count; ++i) {
            Sticker s = Sticker::withMedia(media);
            s.name = QStringLiteral("Sticker %1").arg(i);
            s.x = 10.5 * i;
            list.append(s);
        }
        Preferences seed(backend);
        seed.setValue(StickerStore::saveKey, *StickerJson::encode(list));
    }

    QString dataDirectory() const { return dir.filePath(QStringLiteral("data")); }

    QTemporaryDir dir;
    std::shared_ptr<CountingBackend> backend;
};

double microsecondsPer(const QElapsedTimer& timer, int iterations) {
    return static_cast<double>(timer.nsecsElapsed()) / 1000.0 / iterations;
}

void dragPath() {
    Fixture fixture(100);
    Preferences preferences(fixture.backend);
    StickerStore store(preferences, fixture.dataDirectory());
    const QUuid id = store.stickers().at(50).id;

    constexpr int warmup = 200;
    constexpr int steps = 5000;
    for (int i = 0; i < warmup; ++i)
        store.updatePosition(id, i, i);
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < steps; ++i)
        store.updatePosition(id, 100.0 + i * 0.5, 200.0 - i * 0.25);
    const double ours = microsecondsPer(timer, steps);

    // The naive path: the same encoding, then QSettings setValue and sync at every step.
    QSettings naive(fixture.dir.filePath(QStringLiteral("naive.conf")), QSettings::IniFormat);
    QList<Sticker> list = store.stickers();
    constexpr int naiveSteps = 500;
    timer.restart();
    for (int i = 0; i < naiveSteps; ++i) {
        list[50].x = 100.0 + i * 0.5;
        naive.setValue(StickerStore::saveKey, *StickerJson::encode(list));
        naive.sync();
    }
    const double baseline = microsecondsPer(timer, naiveSteps);

    std::printf("updatePosition, 100 stickers: %.1f us per step (target <= 500 us)\n", ours);
    std::printf("naive QSettings setValue+sync per step: %.1f us per step\n", baseline);
    std::printf("ratio naive/ours: %.1fx (target >= 10x) %s\n\n", baseline / ours,
                baseline / ours >= 10 && ours <= 500 ? "OK" : "MISSED");
}

void saveAndConstruction() {
    for (const int count : {100, 1000, 10000}) {
        Fixture fixture(count);
        Preferences preferences(fixture.backend);
        QElapsedTimer timer;
        timer.start();
        constexpr int constructions = 5;
        for (int i = 0; i < constructions; ++i)
            StickerStore store(preferences, fixture.dataDirectory());
        const double construction = microsecondsPer(timer, constructions) / 1000.0;

        StickerStore store(preferences, fixture.dataDirectory());
        constexpr int saves = 20;
        timer.restart();
        for (int i = 0; i < saves; ++i)
            store.save();
        const double save = microsecondsPer(timer, saves) / 1000.0;

        // The background write of the file itself, off the main thread.
        QString error;
        timer.restart();
        fixture.backend->writeAll({{StickerStore::saveKey, *StickerJson::encode(store.stickers())}},
                                  error);
        const double fileWrite = microsecondsPer(timer, 1) / 1000.0;
        std::printf("%6d stickers: construction %.2f ms, save %.3f ms, file write (writer thread) "
                    "%.2f ms\n",
                    count, construction, save, fileWrite);
    }
    std::printf("\n");
}

void simulatedDrag() {
    Fixture fixture(100);
    Preferences preferences(fixture.backend);
    StickerStore store(preferences, fixture.dataDirectory());
    preferences.flush();
    const int before = fixture.backend->writes;
    const QUuid id = store.stickers().first().id;

    constexpr int stepsPerSecond = 120;
    constexpr int seconds = 10;
    QElapsedTimer clock;
    clock.start();
    for (int step = 0; step < stepsPerSecond * seconds; ++step) {
        const qint64 due = step * 1000LL / stepsPerSecond;
        while (clock.elapsed() < due) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
            QThread::usleep(500);
        }
        store.updatePosition(id, step, step);
    }
    const int duringDrag = fixture.backend->writes - before;
    preferences.flush();
    std::printf(
        "simulated drag, %d s at %d steps/s: %d file writes during the drag, %d after flush "
        "(target about %d)\n",
        seconds, stepsPerSecond, duringDrag, fixture.backend->writes - before, seconds);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    dragPath();
    saveAndConstruction();
    simulatedDrag();
    return 0;
}
