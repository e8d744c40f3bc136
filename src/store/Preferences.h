// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "store/PreferencesBackend.h"

#include <QObject>
#include <QThreadPool>
#include <QTimer>
#include <QVariant>
#include <atomic>
#include <chrono>
#include <memory>

// The user-defaults store. Readers see a write at once; the backend receives coalesced
// snapshots on a writer thread within a second, and everything pending at flush(). A write
// that fails is retried at growing intervals with the latest values, which stay in memory.
class Preferences final : public QObject {
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds writeDelay{900};
    static constexpr std::chrono::milliseconds longestRetryDelay{60000};

    explicit Preferences(std::shared_ptr<PreferencesBackend> backend, QObject* parent = nullptr,
                         std::chrono::milliseconds firstDelay = writeDelay);
    ~Preferences() override;

    QVariant value(const QString& key) const;
    bool contains(const QString& key) const;
    void setValue(const QString& key, const QVariant& value);
    void remove(const QString& key);

    // Writes what is pending and waits for it: at quit and on a terminating signal. False
    // when something stays unwritten; lastError() tells why.
    bool flush();
    bool hasPendingWrite() const;
    QString lastError() const { return m_lastError; }

Q_SIGNALS:
    // The write failed twice in a row: said once until a write succeeds again.
    void writeFailing(const QString& error);
    void writeRecovered();

private:
    void markDirty();
    void writeSoon();
    void writeFinished(bool written, const QString& error);
    void noteResult(bool written, const QString& error);
    std::chrono::milliseconds nextDelay() const;

    std::shared_ptr<PreferencesBackend> m_backend;
    QVariantMap m_values;
    bool m_dirty = false;
    std::atomic<bool> m_writeFailed = false;
    std::chrono::milliseconds m_firstDelay;
    int m_failures = 0;
    QString m_lastError;
    QTimer m_writeTimer;
    QThreadPool m_writer;
};
