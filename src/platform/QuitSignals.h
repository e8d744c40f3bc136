// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM, SIGINT and SIGHUP into a Qt signal on the main thread, through a signalfd,
// so that the program quits through its event loop and flushes what it must.
class QuitSignals final : public QObject {
    Q_OBJECT

public:
    // Blocks the three signals; call first thing in main, before any thread starts,
    // so that every thread inherits the mask.
    static void blockInProcess();

    explicit QuitSignals(QObject* parent = nullptr);
    ~QuitSignals() override;

Q_SIGNALS:
    void received(int signalNumber);

private:
    void readSignal();

    int m_fd = -1;
    QSocketNotifier* m_notifier = nullptr;
};
