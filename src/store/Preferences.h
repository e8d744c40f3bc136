// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "store/PreferencesBackend.h"

#include <QObject>
#include <QThreadPool>
#include <QTimer>
#include <QVariant>
#include <atomic>
#include <memory>

// The user-defaults store. Readers see a write at once; the backend receives coalesced
// snapshots on a writer thread within a second, and everything pending at flush().
class Preferences final : public QObject {
    Q_OBJECT

public:
    static constexpr int writeDelayMs = 900;

    explicit Preferences(std::shared_ptr<PreferencesBackend> backend, QObject* parent = nullptr);
    ~Preferences() override;

    QVariant value(const QString& key) const;
    bool contains(const QString& key) const;
    void setValue(const QString& key, const QVariant& value);
    void remove(const QString& key);

    // Writes what is pending and waits for it: at quit and on a terminating signal.
    void flush();
    bool hasPendingWrite() const;

private:
    void markDirty();
    void writeSoon();
    void retryFailedWrite();

    std::shared_ptr<PreferencesBackend> m_backend;
    QVariantMap m_values;
    bool m_dirty = false;
    std::atomic<bool> m_writeFailed = false;
    QTimer m_writeTimer;
    QThreadPool m_writer;
};
