// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QVariantMap>

// Where the preferences live. Preferences calls writeAll from one thread at a time.
class PreferencesBackend {
public:
    virtual ~PreferencesBackend() = default;

    virtual QVariantMap readAll() = 0;
    // Replaces everything stored with values; false, with the reason in error, leaves the
    // previous state in place.
    virtual bool writeAll(const QVariantMap& values, QString& error) = 0;
};
