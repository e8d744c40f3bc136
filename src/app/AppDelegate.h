// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>

class ActivationPolicy;
class AppSettings;
class MainWindowOpener;
class StickerStore;

// The application's reactions to launch, to being launched again, and to the main window's
// content being shown. Vantrel never quits because its last window closed.
class AppDelegate final : public QObject {
    Q_OBJECT

public:
    static constexpr int openDelayMs = 300;

    AppDelegate(MainWindowOpener& opener, ActivationPolicy& policy, QObject* parent = nullptr);

    // Regular policy; once per process, the main window comes up 0.3 s later.
    void launch();
    // Another launch: brings the main window to the front unless it is there with the focus.
    void reopen();
    // Once per process: links the settings to the store and makes sure its windows exist.
    void attach(StickerStore& store, AppSettings& settings);

    bool hasLaunched() const { return m_hasLaunched; }
    bool storeAttached() const { return m_storeAttached; }

private:
    MainWindowOpener& m_opener;
    ActivationPolicy& m_policy;
    bool m_hasLaunched = false;
    bool m_storeAttached = false;
};
