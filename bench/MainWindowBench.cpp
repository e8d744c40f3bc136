// SPDX-License-Identifier: GPL-3.0-or-later
// Main window speed with 200 stickers, offscreen: the main-thread time to build the list, to
// scroll through it, and to commit one size-slider step, each against the store's own share.
#include "model/StickerJson.h"
#include "stickers/NotificationHub.h"
#include "store/AppSettings.h"
#include "store/MemoryPreferencesBackend.h"
#include "store/Preferences.h"
#include "store/StickerStore.h"
#include "support/GifBuilder.h"
#include "ui/ContentView.h"
#include "ui/FilePicker.h"
#include "ui/StickerRow.h"
#include "ui/StickerSettingsPanel.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMouseEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QTemporaryDir>
#include <cstdio>

namespace {

constexpr int stickerCount = 200;

class NoPicker final : public FilePicker {
public:
    std::optional<QString> pickPicture(QWidget*, AppLanguage) override { return std::nullopt; }
    std::optional<QString> pickBackground(QWidget*, AppLanguage) override { return std::nullopt; }
};

void runPending() {
    for (int round = 0; round < 3; ++round)
        QCoreApplication::processEvents();
}

double milliseconds(const QElapsedTimer& timer) {
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString media = dir.filePath(QStringLiteral("data/Vantrel/Media/m.gif"));
    QDir().mkpath(QFileInfo(media).absolutePath());
    QFile file(media);
    file.open(QIODevice::WriteOnly);
    file.write(GifBuilder()
                   .addFrame(QSize(120, 120), Qt::red, 8)
                   .addFrame(QSize(120, 120), Qt::blue, 8)
                   .build());
    file.close();
    QList<Sticker> list;
    for (int i = 0; i < stickerCount; ++i) {
        Sticker sticker = Sticker::withMedia(media);
        sticker.name = QStringLiteral("Sticker %1").arg(i);
        list.append(sticker);
    }
    auto backend = std::make_shared<MemoryPreferencesBackend>();
    Preferences preferences(backend);
    preferences.setValue(StickerStore::saveKey, *StickerJson::encode(list));
    AppSettings settings(preferences);
    settings.setHasCompletedOnboarding(true);
    const QString data = dir.filePath(QStringLiteral("data"));

    QElapsedTimer timer;
    timer.start();
    StickerStore store(preferences, data);
    const double loadMs = milliseconds(timer);

    NotificationHub hub;
    NoPicker picker;
    timer.restart();
    ContentView view(store, settings, hub, picker);
    view.resize(340, 540);
    view.show();
    runPending();
    const double buildMs = milliseconds(timer);
    std::printf("list of %d rows: built and shown in %.1f ms on the main thread; loading the "
                "store alone %.1f ms (ratio %.1f)\n",
                stickerCount, buildMs, loadMs, buildMs / loadMs);

    // The list's own scroll area: row, list, viewport, area.
    auto* area = qobject_cast<QScrollArea*>(
        view.rows().first()->parentWidget()->parentWidget()->parentWidget());
    QScrollBar* bar = area->verticalScrollBar();
    double worstFrameMs = 0;
    int frames = 0;
    for (int value = bar->minimum(); value <= bar->maximum(); value += 200) {
        timer.restart();
        bar->setValue(value);
        view.repaint();
        worstFrameMs = std::max(worstFrameMs, milliseconds(timer));
        ++frames;
    }
    std::printf("scrolling through the list: %d steps, the slowest repaint %.2f ms\n", frames,
                worstFrameMs);

    // Selecting the first row opens its settings panel.
    {
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(view.rows().first(), &press);
    }
    runPending();
    QSlider* size = view.settingsPanel()->sizeSlider();
    constexpr int steps = 30;
    timer.restart();
    for (int step = 0; step < steps; ++step) {
        size->setValue(step % 2 == 0 ? size->maximum() : size->minimum());
        runPending();
    }
    const double panelStepMs = milliseconds(timer) / steps;

    Sticker edited = store.stickers().first();
    timer.restart();
    for (int step = 0; step < steps; ++step) {
        edited.size = step % 2 == 0 ? 400 : 60;
        store.updateSticker(edited);
    }
    const double storeStepMs = milliseconds(timer) / steps;
    std::printf("one size-slider step with the list shown: %.2f ms; updateSticker alone %.2f ms "
                "(ratio %.1f)\n",
                panelStepMs, storeStepMs, panelStepMs / storeStepMs);
    return 0;
}
