// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AppDelegate.h"

#include "app/ActivationPolicy.h"
#include "app/MainWindowOpener.h"
#include "store/StickerStore.h"

#include <QTimer>
#include <QWidget>

AppDelegate::AppDelegate(MainWindowOpener& opener, ActivationPolicy& policy, QObject* parent)
    : QObject(parent)
    , m_opener(opener)
    , m_policy(policy) {}

void AppDelegate::launch() {
    m_policy.setRegular();
    if (m_hasLaunched)
        return;
    m_hasLaunched = true;
    const QPointer<MainWindowOpener> opener(&m_opener);
    QTimer::singleShot(openDelayMs, this, [opener] {
        if (opener)
            opener->openMainWindow();
    });
}

void AppDelegate::reopen() {
    // Sticker windows do not count: only a main window in front with the focus makes a reopen
    // do nothing; a minimised or covered one comes to the front.
    const QWidget* main = m_opener.mainWindow();
    if (main && main->isVisible() && !main->isMinimized() && main->isActiveWindow())
        return;
    m_opener.openMainWindow();
}

void AppDelegate::attach(StickerStore& store, AppSettings& settings) {
    if (m_storeAttached)
        return;
    m_storeAttached = true;
    store.setSettings(&settings);
    store.ensureWindowManager();
}
