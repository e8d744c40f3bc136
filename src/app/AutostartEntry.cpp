// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AutostartEntry.h"

#include "store/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

namespace {

// The Exec value of one program: quoted when it holds a reserved character, escaped as a
// desktop entry's quoted argument and then as its string value.
QString execValue(const QString& program) {
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    QString argument = program;
    argument.replace(u'%', QStringLiteral("%%"));
    if (std::any_of(argument.cbegin(), argument.cend(),
                    [](QChar c) { return reserved.contains(c); })) {
        QString quoted;
        for (const QChar c : std::as_const(argument)) {
            if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
                quoted += u'\\';
            quoted += c;
        }
        argument = u'"' + quoted + u'"';
    }
    return argument.replace(u'\\', QStringLiteral("\\\\"))
        .replace(u'\n', QStringLiteral("\\n"))
        .replace(u'\t', QStringLiteral("\\t"));
}

} // namespace

AutostartEntry::AutostartEntry(QString programPath)
    : m_programPath(std::move(programPath)) {}

QString AutostartEntry::path() {
    QString configHome = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!QDir::isAbsolutePath(configHome))
        configHome = QDir::home().filePath(QStringLiteral(".config"));
    return QDir(configHome).filePath(QStringLiteral("autostart/vantrel.desktop"));
}

QByteArray AutostartEntry::contents() const {
    // The entry the package installs, built into the program.
    QFile installed(QStringLiteral(":/vantrel/vantrel.desktop"));
    if (!installed.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromUtf8(installed.readAll()).split(u'\n');
    for (QString& line : lines) {
        if (line.startsWith(u"Exec="))
            line = QStringLiteral("Exec=") + execValue(m_programPath);
    }
    return lines.join(u'\n').toUtf8();
}

bool AutostartEntry::isEnabled() const {
    return QFileInfo::exists(path());
}

bool AutostartEntry::setEnabled(bool enabled) const {
    const QString file = path();
    if (!enabled)
        return !QFileInfo::exists(file) || QFile::remove(file);
    const QByteArray text = contents();
    // Written whole or not at all: a cut-off entry on a full disk would start nothing.
    AtomicFile entry(file);
    return !text.isEmpty() && QDir().mkpath(QFileInfo(file).absolutePath()) && entry.open() &&
           entry.write(text) &&
           entry.commit(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                        QFileDevice::ReadOther);
}
