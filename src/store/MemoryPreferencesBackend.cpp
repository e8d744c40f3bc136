// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/MemoryPreferencesBackend.h"

MemoryPreferencesBackend::MemoryPreferencesBackend(QVariantMap initial)
    : m_values(std::move(initial)) {}

QVariantMap MemoryPreferencesBackend::readAll() {
    const QMutexLocker lock(&m_mutex);
    return m_values;
}

bool MemoryPreferencesBackend::writeAll(const QVariantMap& values, QString& error) {
    const QMutexLocker lock(&m_mutex);
    if (m_failing) {
        ++m_failureCount;
        error = QStringLiteral("the backend is set to fail");
        return false;
    }
    m_values = values;
    ++m_writeCount;
    return true;
}

int MemoryPreferencesBackend::writeCount() const {
    const QMutexLocker lock(&m_mutex);
    return m_writeCount;
}

int MemoryPreferencesBackend::failureCount() const {
    const QMutexLocker lock(&m_mutex);
    return m_failureCount;
}

void MemoryPreferencesBackend::setFailing(bool failing) {
    const QMutexLocker lock(&m_mutex);
    m_failing = failing;
}
