// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/Preferences.h"

Preferences::Preferences(std::shared_ptr<PreferencesBackend> backend, QObject* parent)
    : QObject(parent)
    , m_backend(std::move(backend))
    , m_values(m_backend->readAll()) {
    m_writer.setMaxThreadCount(1);
    m_writeTimer.setSingleShot(true);
    m_writeTimer.setInterval(writeDelayMs);
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

void Preferences::flush() {
    m_writeTimer.stop();
    m_writer.waitForDone();
    if (m_writeFailed.exchange(false))
        m_dirty = true;
    if (m_dirty && m_backend->writeAll(m_values))
        m_dirty = false;
}

bool Preferences::hasPendingWrite() const {
    return m_dirty || m_writeTimer.isActive();
}

void Preferences::markDirty() {
    m_dirty = true;
    // The timer is not restarted: a steady stream of writes still reaches the disk in time.
    if (!m_writeTimer.isActive())
        m_writeTimer.start();
}

void Preferences::writeSoon() {
    if (!m_dirty)
        return;
    m_dirty = false;
    // The snapshot shares its data with m_values until the next change detaches it.
    m_writer.start([this, backend = m_backend, snapshot = m_values] {
        if (!backend->writeAll(snapshot)) {
            m_writeFailed = true;
            QMetaObject::invokeMethod(this, &Preferences::retryFailedWrite, Qt::QueuedConnection);
        }
    });
}

void Preferences::retryFailedWrite() {
    if (m_writeFailed.exchange(false))
        markDirty();
}
