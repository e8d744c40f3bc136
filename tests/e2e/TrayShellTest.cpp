// SPDX-License-Identifier: GPL-3.0-or-later
// The real program with a real system tray: the panel's commands reach the sticker windows,
// the main window comes back, a second launch shows it, and Ctrl+Q quits with everything saved.
#include "model/StickerJson.h"
#include "support/GifBuilder.h"
#include "support/TestSupport.h"
#include "support/XSession.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class TrayShell : public testing::Test {
protected:
    void SetUp() override {
        if (!XSession::toolsAvailable() ||
            QStandardPaths::findExecutable(QStringLiteral("trayer")).isEmpty())
            GTEST_SKIP() << "Xvfb, openbox, xcompmgr or trayer missing";
        m_session = std::make_unique<XSession>();
        ASSERT_TRUE(m_session->isReady());
        m_tray.setProcessEnvironment(m_session->environment());
        m_tray.start(QStringLiteral("trayer"),
                     {QStringLiteral("--edge"), QStringLiteral("top"), QStringLiteral("--align"),
                      QStringLiteral("right"), QStringLiteral("--widthtype"),
                      QStringLiteral("request"), QStringLiteral("--height"), QStringLiteral("28")});
        ASSERT_TRUE(XSession::waitFor([&] { return !windows(QStringLiteral("panel")).isEmpty(); }));
    }

    void TearDown() override {
        if (m_program.state() != QProcess::NotRunning) {
            m_program.kill();
            m_program.waitForFinished();
        }
        m_tray.kill();
        m_tray.waitForFinished();
    }

    QProcessEnvironment environment() const {
        QProcessEnvironment env = m_session->environment();
        isolateHome(env, m_home.path());
        return env;
    }

    void storeStickers(int count) {
        const QString media = m_home.filePath(QStringLiteral(".local/share/Vantrel/Media/m.gif"));
        writeFile(media, GifBuilder().addFrame({40, 40}, Qt::green, 10).build());
        QList<Sticker> list;
        for (int i = 0; i < count; ++i) {
            Sticker s = Sticker::withMedia(media);
            s.name = QStringLiteral("S%1").arg(i);
            s.x = 100 + 200 * i;
            s.y = 100;
            list.append(s);
        }
        QSettings settings(configFile(), QSettings::IniFormat);
        settings.setValue(QStringLiteral("vantrel_stickers_v5"), *StickerJson::encode(list));
    }

    QString configFile() const {
        return m_home.filePath(QStringLiteral(".config/Vantrel/Vantrel.conf"));
    }

    QList<quint32> windows(const QString& name, bool visibleOnly = true) const {
        QStringList arguments{QStringLiteral("search")};
        if (visibleOnly)
            arguments << QStringLiteral("--onlyvisible");
        arguments << QStringLiteral("--name") << QStringLiteral("^%1$").arg(name);
        QList<quint32> ids;
        for (const QString& line :
             m_session->run(QStringLiteral("xdotool"), arguments).split(u'\n', Qt::SkipEmptyParts))
            ids.append(line.trimmed().toUInt());
        return ids;
    }

    QRect geometry(quint32 window) const {
        const QString text =
            m_session->run(QStringLiteral("xdotool"),
                           {QStringLiteral("getwindowgeometry"), QString::number(window)});
        const QRegularExpressionMatch position =
            QRegularExpression(QStringLiteral("Position: (-?\\d+),(-?\\d+)")).match(text);
        const QRegularExpressionMatch size =
            QRegularExpression(QStringLiteral("Geometry: (\\d+)x(\\d+)")).match(text);
        return QRect(position.captured(1).toInt(), position.captured(2).toInt(),
                     size.captured(1).toInt(), size.captured(2).toInt());
    }

    // The visible main window: the 340 × 540 one named "Vantrel".
    quint32 mainWindow() const {
        for (const quint32 id : windows(QStringLiteral("Vantrel"))) {
            if (geometry(id).width() == 340)
                return id;
        }
        return 0;
    }

    void click(QPoint at) const {
        m_session->run(QStringLiteral("xdotool"),
                       {QStringLiteral("mousemove"), QString::number(at.x()),
                        QString::number(at.y()), QStringLiteral("click"), QStringLiteral("1")});
    }

    // A click that closes a popup is spent on closing it, so a second one may be needed.
    void openPanel() const {
        for (int attempt = 0; attempt < 4; ++attempt) {
            click(geometry(windows(QStringLiteral("panel")).value(0)).center());
            if (XSession::waitFor(
                    [&] { return !windows(QStringLiteral("Vantrel panel")).isEmpty(); }, 2500))
                return;
        }
        FAIL() << "the tray panel never opened";
    }

    // Where the panel shows an icon of this colour: each bulk command has its own.
    std::optional<QPoint> iconOf(QColor colour) const {
        const QRect panel = geometry(windows(QStringLiteral("Vantrel panel")).value(0));
        const QImage screen = m_session->screenshot();
        for (int y = panel.top(); y <= panel.bottom(); ++y) {
            for (int x = panel.left(); x < panel.left() + 40; ++x) {
                const QColor seen = screen.pixelColor(x, y);
                if (std::abs(seen.red() - colour.red()) < 8 &&
                    std::abs(seen.green() - colour.green()) < 8 &&
                    std::abs(seen.blue() - colour.blue()) < 8)
                    return QPoint(x + 40, y + 2);
            }
        }
        return std::nullopt;
    }

    void clickCommand(QColor colour) const {
        // Sticker windows coming up may take the popup down, as any other window would.
        if (windows(QStringLiteral("Vantrel panel")).isEmpty())
            openPanel();
        std::optional<QPoint> at;
        ASSERT_TRUE(XSession::waitFor([&] { return (at = iconOf(colour)).has_value(); }));
        click(*at);
    }

    QTemporaryDir m_home;
    std::unique_ptr<XSession> m_session;
    QProcess m_tray;
    QProcess m_program;
};

const QColor blue(0x0a, 0x84, 0xff);
const QColor orange(0xff, 0x95, 0x00);
const QColor purple(0xaf, 0x52, 0xde);
const QColor pink(0xff, 0x2d, 0x55);

} // namespace

TEST_F(TrayShell, ThePanelDrivesTheStickersAndTheMainWindowComesBack) {
    storeStickers(2);
    m_program.setProcessEnvironment(environment());
    m_program.start(QStringLiteral(VANTREL_BINARY), {});
    ASSERT_TRUE(m_program.waitForStarted());
    ASSERT_TRUE(XSession::waitFor([&] { return mainWindow() != 0; }))
        << "the main window opens after launch";
    ASSERT_TRUE(XSession::waitFor([&] { return windows(QStringLiteral("S0")).size() == 1; }));

    // Closing the main window hides it; the process and the stickers stay.
    const quint32 main = mainWindow();
    m_session->run(QStringLiteral("xdotool"), {QStringLiteral("windowactivate"),
                                               QStringLiteral("--sync"), QString::number(main)});
    m_session->run(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("alt+F4")});
    ASSERT_TRUE(XSession::waitFor([&] { return mainWindow() == 0; }));
    EXPECT_EQ(m_program.state(), QProcess::Running);

    openPanel();
    clickCommand(blue);
    EXPECT_TRUE(XSession::waitFor([&] {
        return windows(QStringLiteral("S0")).isEmpty() && windows(QStringLiteral("S1")).isEmpty();
    }));
    clickCommand(blue);
    EXPECT_TRUE(XSession::waitFor([&] { return windows(QStringLiteral("S0")).size() == 1; }));
    clickCommand(orange);
    EXPECT_TRUE(XSession::waitFor([&] {
        return geometry(windows(QStringLiteral("S1")).value(0)).topLeft() ==
               QPoint(640 - 80, 400 - 80);
    }));
    clickCommand(purple);
    clickCommand(pink);
    EXPECT_TRUE(XSession::waitFor([&] { return mainWindow() != 0; }))
        << "Open brings the hidden window back";

    // A second launch shows the hidden main window and leaves at once.
    m_session->run(QStringLiteral("xdotool"),
                   {QStringLiteral("windowactivate"), QStringLiteral("--sync"),
                    QString::number(mainWindow())});
    m_session->run(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("alt+F4")});
    ASSERT_TRUE(XSession::waitFor([&] { return mainWindow() == 0; }));
    QProcess second;
    second.setProcessEnvironment(environment());
    second.start(QStringLiteral(VANTREL_BINARY), {});
    ASSERT_TRUE(second.waitForFinished(30000));
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_TRUE(XSession::waitFor([&] { return mainWindow() != 0; }));

    // Ctrl+Q quits, with every change on disk.
    m_session->run(QStringLiteral("xdotool"),
                   {QStringLiteral("windowactivate"), QStringLiteral("--sync"),
                    QString::number(mainWindow())});
    m_session->run(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("ctrl+q")});
    ASSERT_TRUE(m_program.waitForFinished(20000));
    EXPECT_EQ(m_program.exitCode(), 0);
    const QSettings settings(configFile(), QSettings::IniFormat);
    const auto stored =
        StickerJson::decode(settings.value(QStringLiteral("vantrel_stickers_v5")).toByteArray());
    ASSERT_TRUE(stored && stored->size() == 2);
    for (const Sticker& s : *stored) {
        EXPECT_TRUE(s.isLocked);
        EXPECT_FALSE(s.isHidden);
        EXPECT_EQ(s.x, 640 - 80);
    }
}
