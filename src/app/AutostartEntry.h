// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

// Vantrel's XDG autostart entry: the installed desktop entry with Exec naming the program the
// user runs, in $XDG_CONFIG_HOME/autostart. The file's presence is the setting.
class AutostartEntry final {
public:
    explicit AutostartEntry(QString programPath);

    // $XDG_CONFIG_HOME/autostart/vantrel.desktop; ~/.config stands in for an unset or
    // relative XDG_CONFIG_HOME, as XDG base directories do.
    static QString path();
    // The installed desktop entry with every Exec line naming programPath.
    QByteArray contents() const;

    bool isEnabled() const;
    // Writes or removes the entry; false when the file system refused.
    bool setEnabled(bool enabled) const;

private:
    QString m_programPath;
};
