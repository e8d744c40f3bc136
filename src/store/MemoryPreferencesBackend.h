// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "store/PreferencesBackend.h"

#include <QMutex>

// Keeps the preferences in memory, for tests; counts the writes it receives.
class MemoryPreferencesBackend final : public PreferencesBackend {
public:
    MemoryPreferencesBackend() = default;
    explicit MemoryPreferencesBackend(QVariantMap initial);

    QVariantMap readAll() override;
    bool writeAll(const QVariantMap& values, QString& error) override;

    int writeCount() const;
    int failureCount() const;
    void setFailing(bool failing);

private:
    mutable QMutex m_mutex;
    QVariantMap m_values;
    int m_writeCount = 0;
    int m_failureCount = 0;
    bool m_failing = false;
};
