// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MainWindowOpener.h"

#include "app/ActivationPolicy.h"
#include "platform/WindowingServices.h"

#include <QApplication>
#include <QWidget>

namespace {

constexpr int minimumMainWidth = 300;

// Only ordinary windows count: never a sticker window, the tray panel, a menu or a tooltip.
bool isCandidate(const QWidget* window) {
    const Qt::WindowType type = window->windowType();
    return (type == Qt::Window || type == Qt::Dialog) && !window->inherits("StickerWindow") &&
           !window->inherits("MenuBarView");
}

} // namespace

MainWindowOpener::MainWindowOpener(ActivationPolicy& policy, std::unique_ptr<FrameTimer> retryTimer,
                                   QObject* parent)
    : QObject(parent)
    , m_policy(policy)
    , m_retry(retryTimer ? std::move(retryTimer) : std::make_unique<QtFrameTimer>()) {}

void MainWindowOpener::bringToFront(QWidget* window) const {
    // Qt keeps a minimised window minimised through show(); its state is cleared first.
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->show();
    window->raise();
    window->activateWindow();
    if (m_windowing)
        m_windowing->activate(*window);
}

QWidget* MainWindowOpener::findMainWindow() {
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget* window : windows) {
        if (isCandidate(window) && window->width() >= minimumMainWidth)
            return window;
    }
    for (QWidget* window : windows) {
        if (isCandidate(window) && window->inherits("MainWindow"))
            return window;
    }
    return nullptr;
}

void MainWindowOpener::openMainWindow() {
    m_retry->stop();
    open(attempts);
}

void MainWindowOpener::open(int attemptsLeft) {
    m_policy.setRegular();
    if (m_mainWindow) {
        bringToFront(m_mainWindow);
        return;
    }
    if (QWidget* found = findMainWindow()) {
        m_mainWindow = found;
        bringToFront(found);
        return;
    }
    if (m_openAction)
        m_openAction();
    if (attemptsLeft < 1)
        return;
    const QPointer<MainWindowOpener> self(this);
    m_retry->start(retryDelay, [self, attemptsLeft] {
        if (self)
            self->open(attemptsLeft - 1);
    });
}
