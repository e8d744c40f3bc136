// SPDX-License-Identifier: GPL-3.0-or-later
#include "e2e/ProgramOnXServer.h"

#include "model/StickerJson.h"
#include "support/GifBuilder.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QRegularExpression>
#include <QSettings>
#include <QThread>
#include <csignal>

using namespace Qt::StringLiterals;

void PrintTo(const QString& text, std::ostream* out) {
    *out << text.toStdString();
}

void ProgramOnXServer::SetUp() {
    if (!XSession::toolsAvailable())
        GTEST_SKIP() << "Xvfb, openbox or xcompmgr missing";
}

void ProgramOnXServer::TearDown() {
    quit();
    m_ordinary.kill();
    m_ordinary.waitForFinished();
}

void ProgramOnXServer::startSession(const XSession::Options& options) {
    m_session = std::make_unique<XSession>(options);
    ASSERT_TRUE(m_session->isReady());
}

QProcessEnvironment ProgramOnXServer::environment() const {
    QProcessEnvironment env = m_session->environment();
    isolateHome(env, m_home.path());
    return env;
}

void ProgramOnXServer::launch(const QProcessEnvironment& environment) {
    m_program.setProcessEnvironment(environment.isEmpty() ? this->environment() : environment);
    m_program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_program.start(QStringLiteral(VANTREL_BINARY), {});
    ASSERT_TRUE(m_program.waitForStarted());
}

void ProgramOnXServer::quit() {
    if (m_program.state() == QProcess::NotRunning)
        return;
    ::kill(static_cast<pid_t>(m_program.processId()), SIGTERM);
    EXPECT_TRUE(m_program.waitForFinished(20000));
    EXPECT_EQ(m_program.exitCode(), 0);
}

QString ProgramOnXServer::mediaFile(const QString& name, QColor colour, QSize size) const {
    const QString path = m_home.filePath(u".local/share/Vantrel/Media/"_s + name);
    writeFile(path, GifBuilder().addFrame(size, colour, 10).addFrame(size, colour, 10).build());
    return path;
}

Sticker ProgramOnXServer::sticker(const QString& name, double x, double y, QColor colour,
                                  StickerLayer layer) const {
    Sticker s = Sticker::withMedia(mediaFile(name + u".gif"_s, colour));
    s.name = name;
    s.x = x;
    s.y = y;
    s.layer = layer;
    return s;
}

QString ProgramOnXServer::configFile() const {
    return m_home.filePath(u".config/Vantrel/Vantrel.conf"_s);
}

void ProgramOnXServer::store(const QList<Sticker>& stickers) const {
    QSettings settings(configFile(), QSettings::IniFormat);
    settings.setValue(u"vantrel_stickers_v5"_s, *StickerJson::encode(stickers));
}

QList<Sticker> ProgramOnXServer::stored() const {
    const QSettings settings(configFile(), QSettings::IniFormat);
    return StickerJson::decode(settings.value(u"vantrel_stickers_v5"_s).toByteArray())
        .value_or(QList<Sticker>());
}

QString ProgramOnXServer::xdotool(const QStringList& arguments) const {
    return m_session->run(u"xdotool"_s, arguments);
}

QList<quint32> ProgramOnXServer::windowsNamed(const QString& name) const {
    QList<quint32> ids;
    const QString found =
        xdotool({u"search"_s, u"--onlyvisible"_s, u"--name"_s, u"^%1$"_s.arg(name)});
    for (const QString& line : found.split(u'\n', Qt::SkipEmptyParts))
        ids.append(line.trimmed().toUInt());
    return ids;
}

quint32 ProgramOnXServer::waitForWindow(const QString& name) const {
    quint32 id = 0;
    XSession::waitFor([&] { return (id = windowsNamed(name).value(0)) != 0; });
    return id;
}

QRect ProgramOnXServer::geometry(quint32 window) const {
    const QString text = xdotool({u"getwindowgeometry"_s, QString::number(window)});
    const auto position = QRegularExpression(u"Position: (-?\\d+),(-?\\d+)"_s).match(text);
    const auto size = QRegularExpression(u"Geometry: (\\d+)x(\\d+)"_s).match(text);
    return QRect(position.captured(1).toInt(), position.captured(2).toInt(),
                 size.captured(1).toInt(), size.captured(2).toInt());
}

void ProgramOnXServer::click(QPoint at) const {
    pointer(u"mousemove %1 %2 click 1"_s.arg(at.x()).arg(at.y()).split(u' '));
}

void ProgramOnXServer::drag(QPoint from, QPoint by) const {
    pointer({u"mousemove"_s, QString::number(from.x()), QString::number(from.y())});
    pointer({u"mousedown"_s, u"1"_s});
    // As a hand does, and as a window manager asked to move the window needs to take over.
    QThread::msleep(200);
    for (int step = 1; step <= 5; ++step)
        pointer({u"mousemove"_s, QString::number(from.x() + by.x() * step / 5),
                 QString::number(from.y() + by.y() * step / 5)});
    pointer({u"mouseup"_s, u"1"_s});
}

void ProgramOnXServer::pointer(const QStringList& arguments) const {
    // The pointer of the screen, which a Wayland compositor passes on to its clients.
    m_session->runOnScreen(u"xdotool"_s, arguments);
}

quint32 ProgramOnXServer::showOrdinaryWindow(const QColor& colour) {
    m_ordinary.setProcessEnvironment(m_session->environment());
    m_ordinary.start(
        u"xmessage"_s,
        u"-bg %1 -fg %1 -geometry 900x700+0+0 -title ordinary ."_s.arg(colour.name()).split(u' '));
    return waitForWindow(u"ordinary"_s);
}

bool ProgramOnXServer::near(const QColor& a, const QColor& b, int tolerance) {
    return std::abs(a.red() - b.red()) <= tolerance &&
           std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

QString ProgramOnXServer::mismatches(const QList<Shown>& expected, const QString& saveAs) const {
    QImage screen;
    QString wrong;
    XSession::waitFor([&] {
        screen = m_session->screenshot();
        wrong.clear();
        for (const Shown& e : expected) {
            const QColor seen = screen.isNull() ? QColor() : screen.pixelColor(e.at);
            if (!near(seen, e.colour, e.tolerance))
                wrong += u" (%1,%2) %3 not %4"_s.arg(e.at.x()).arg(e.at.y()).arg(seen.name(),
                                                                                 e.colour.name());
        }
        return wrong.isEmpty();
    });
    if (!wrong.isEmpty())
        screen.save(QDir::temp().filePath(saveAs));
    return wrong;
}

quint32 ProgramOnXServer::mainWindow() const {
    for (const quint32 id : windowsNamed(u"Vantrel"_s)) {
        if (geometry(id).width() == 340)
            return id;
    }
    return 0;
}
