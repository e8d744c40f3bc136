// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "stickers/FrameTimer.h"

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>

class ActivationPolicy;
class QWidget;
class WindowingServices;

// Brings the main window to the front from anywhere: the remembered window, else one found
// among the top-level windows, else a new one from the open action, retrying a bounded number
// of times 0.15 s apart.
class MainWindowOpener final : public QObject {
    Q_OBJECT

public:
    static constexpr int attempts = 8;
    static constexpr double retryDelay = 0.15;

    MainWindowOpener(ActivationPolicy& policy, std::unique_ptr<FrameTimer> retryTimer = {},
                     QObject* parent = nullptr);

    void setOpenAction(std::function<void()> openAction) { m_openAction = std::move(openAction); }
    // The window system's way of bringing a window back, which also restores a minimised one.
    void setWindowing(WindowingServices* windowing) { m_windowing = windowing; }
    // The main window tells the opener which window it is.
    void adopt(QWidget* window) { m_mainWindow = window; }
    QWidget* mainWindow() const { return m_mainWindow; }

    // Cancels pending retries and starts a fresh run of attempts.
    void openMainWindow();
    void open(int attemptsLeft);

    // The main window among the top-level widgets: never a sticker window or the tray panel;
    // first any window at least 300 points wide, then any MainWindow.
    static QWidget* findMainWindow();

private:
    void bringToFront(QWidget* window) const;

    ActivationPolicy& m_policy;
    WindowingServices* m_windowing = nullptr;
    std::unique_ptr<FrameTimer> m_retry;
    std::function<void()> m_openAction;
    QPointer<QWidget> m_mainWindow;
};
