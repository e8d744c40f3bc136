// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/Preferences.h"

#include <algorithm>

Preferences::Preferences(std::shared_ptr<PreferencesBackend> backend, QObject* parent,
                         std::chrono::milliseconds firstDelay)
    : QObject(parent)
    , m_backend(std::move(backend))
    , m_values(m_backend->readAll())
    , m_firstDelay(firstDelay) {
    m_writer.setMaxThreadCount(1);
    m_writeTimer.setSingleShot(true);
    connect(&m_writeTimer, &QTimer::timeout, this, &Preferences::writeSoon);
}

Preferences::~Preferences() {
    flush();
}

QVariant Preferences::value(const QString& key) const {
    return m_values.value(key);
}

bool Preferences::contains(const QString& key) const {
    return m_values.contains(key);
}

void Preferences::setValue(const QString& key, const QVariant& value) {
    m_values.insert(key, value);
    markDirty();
}

void Preferences::remove(const QString& key) {
    if (m_values.remove(key) > 0)
        markDirty();
}

bool Preferences::flush() {
    m_writeTimer.stop();
    m_writer.waitForDone();
    if (m_writeFailed.exchange(false))
        m_dirty = true;
    if (!m_dirty)
        return true;
    QString error;
    const bool written = m_backend->writeAll(m_values, error);
    m_dirty = !written;
    // Nothing is said from here: a flush may run while the process ends.
    m_lastError = error;
    if (!written)
        m_writeTimer.start(nextDelay());
    return written;
}

bool Preferences::hasPendingWrite() const {
    return m_dirty || m_writeTimer.isActive();
}

void Preferences::markDirty() {
    m_dirty = true;
    // The timer is not restarted: a steady stream of writes still reaches the disk in time.
    if (!m_writeTimer.isActive())
        m_writeTimer.start(nextDelay());
}

void Preferences::writeSoon() {
    if (!m_dirty)
        return;
    m_dirty = false;
    // The snapshot shares its data with m_values until the next change detaches it.
    m_writer.start([this, backend = m_backend, snapshot = m_values] {
        QString error;
        const bool written = backend->writeAll(snapshot, error);
        m_writeFailed = !written;
        QMetaObject::invokeMethod(
            this, [this, written, error] { writeFinished(written, error); }, Qt::QueuedConnection);
    });
}

void Preferences::writeFinished(bool written, const QString& error) {
    // A flush in between has already taken the failure over.
    if (!written && !m_writeFailed.exchange(false))
        return;
    noteResult(written, error);
    if (!written) {
        m_dirty = true;
        m_writeTimer.start(nextDelay());
    }
}

void Preferences::noteResult(bool written, const QString& error) {
    if (written) {
        if (m_failures >= 2)
            Q_EMIT writeRecovered();
        m_failures = 0;
        m_lastError.clear();
        return;
    }
    m_lastError = error;
    if (++m_failures == 2)
        Q_EMIT writeFailing(error);
}

std::chrono::milliseconds Preferences::nextDelay() const {
    // Doubles with every failure in a row: a disk that stays full is not hammered.
    const int doublings = std::min(m_failures, 7);
    return std::min(m_firstDelay * (1 << doublings), longestRetryDelay);
}
