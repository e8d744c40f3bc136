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
    const QString path = m_home.filePath(QStringLiteral(".local/share/Vantrel/Media/") + name);
    writeFile(path, GifBuilder().addFrame(size, colour, 10).addFrame(size, colour, 10).build());
    return path;
}

Sticker ProgramOnXServer::sticker(const QString& name, double x, double y, QColor colour,
                                  StickerLayer layer) const {
    Sticker s = Sticker::withMedia(mediaFile(name + QStringLiteral(".gif"), colour));
    s.name = name;
    s.x = x;
    s.y = y;
    s.layer = layer;
    return s;
}

QString ProgramOnXServer::configFile() const {
    return m_home.filePath(QStringLiteral(".config/Vantrel/Vantrel.conf"));
}

void ProgramOnXServer::store(const QList<Sticker>& stickers) const {
    QSettings settings(configFile(), QSettings::IniFormat);
    settings.setValue(QStringLiteral("vantrel_stickers_v5"), *StickerJson::encode(stickers));
}

QList<Sticker> ProgramOnXServer::stored() const {
    const QSettings settings(configFile(), QSettings::IniFormat);
    return StickerJson::decode(settings.value(QStringLiteral("vantrel_stickers_v5")).toByteArray())
        .value_or(QList<Sticker>());
}

QString ProgramOnXServer::xdotool(const QStringList& arguments) const {
    return m_session->run(QStringLiteral("xdotool"), arguments);
}

QList<quint32> ProgramOnXServer::windowsNamed(const QString& name) const {
    QList<quint32> ids;
    const QString found = xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                   QStringLiteral("--name"), QStringLiteral("^%1$").arg(name)});
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
    const QString text = xdotool({QStringLiteral("getwindowgeometry"), QString::number(window)});
    const auto position =
        QRegularExpression(QStringLiteral("Position: (-?\\d+),(-?\\d+)")).match(text);
    const auto size = QRegularExpression(QStringLiteral("Geometry: (\\d+)x(\\d+)")).match(text);
    return QRect(position.captured(1).toInt(), position.captured(2).toInt(),
                 size.captured(1).toInt(), size.captured(2).toInt());
}

void ProgramOnXServer::click(QPoint at) const {
    pointer(QStringLiteral("mousemove %1 %2 click 1").arg(at.x()).arg(at.y()).split(u' '));
}

void ProgramOnXServer::drag(QPoint from, QPoint by) const {
    pointer({QStringLiteral("mousemove"), QString::number(from.x()), QString::number(from.y())});
    pointer({QStringLiteral("mousedown"), QStringLiteral("1")});
    // As a hand does, and as a window manager asked to move the window needs to take over.
    QThread::msleep(200);
    for (int step = 1; step <= 5; ++step)
        pointer({QStringLiteral("mousemove"), QString::number(from.x() + by.x() * step / 5),
                 QString::number(from.y() + by.y() * step / 5)});
    pointer({QStringLiteral("mouseup"), QStringLiteral("1")});
}

void ProgramOnXServer::pointer(const QStringList& arguments) const {
    // The pointer of the screen, which a Wayland compositor passes on to its clients.
    m_session->runOnScreen(QStringLiteral("xdotool"), arguments);
}

quint32 ProgramOnXServer::showOrdinaryWindow(const QColor& colour) {
    m_ordinary.setProcessEnvironment(m_session->environment());
    m_ordinary.start(QStringLiteral("xmessage"),
                     QStringLiteral("-bg %1 -fg %1 -geometry 900x700+0+0 -title ordinary .")
                         .arg(colour.name())
                         .split(u' '));
    return waitForWindow(QStringLiteral("ordinary"));
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
                wrong += QStringLiteral(" (%1,%2) %3 not %4")
                             .arg(e.at.x())
                             .arg(e.at.y())
                             .arg(seen.name(), e.colour.name());
        }
        return wrong.isEmpty();
    });
    if (!wrong.isEmpty())
        screen.save(QDir::temp().filePath(saveAs));
    return wrong;
}

quint32 ProgramOnXServer::mainWindow() const {
    for (const quint32 id : windowsNamed(QStringLiteral("Vantrel"))) {
        if (geometry(id).width() == 340)
            return id;
    }
    return 0;
}
