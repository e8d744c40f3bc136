// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/Sticker.h"
#include "support/XSession.h"

#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// Shows QStrings in test failures and test names.
void PrintTo(const QString& text, std::ostream* out);

// The real program on a private X server, with its own home directory, and the tools the
// end-to-end tests look at it with.
class ProgramOnXServer : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    void startSession(const XSession::Options& options = {});
    QProcessEnvironment environment() const;
    // The program on environment(), or on the given one.
    void launch(const QProcessEnvironment& environment = {});
    // SIGTERM, then the program must end cleanly.
    void quit();

    // A two-frame GIF of one colour in the program's media directory.
    QString mediaFile(const QString& name, QColor colour, QSize size = {40, 40}) const;
    // A sticker showing such a GIF, named after it, at (x, y) from the screen's bottom left.
    Sticker sticker(const QString& name, double x, double y, QColor colour = Qt::green,
                    StickerLayer layer = StickerLayer::floating) const;
    void store(const QList<Sticker>& stickers) const;
    QList<Sticker> stored() const;
    QString configFile() const;

    QString xdotool(const QStringList& arguments) const;
    QList<quint32> windowsNamed(const QString& name) const;
    quint32 waitForWindow(const QString& name) const;
    // The visible main window: the 340 × 540 one named "Vantrel"; 0 when there is none.
    quint32 mainWindow() const;
    QRect geometry(quint32 window) const;
    void click(QPoint at) const;
    // Presses the left button at from, moves by in five steps and lets go.
    void drag(QPoint from, QPoint by) const;
    // xdotool's pointer commands.
    void pointer(const QStringList& arguments) const;
    // An ordinary window of one colour, 900 × 700 at the top left, named "ordinary"; its id.
    quint32 showOrdinaryWindow(const QColor& colour);

    static bool near(const QColor& a, const QColor& b, int tolerance = 12);
    struct Shown {
        QPoint at;
        QColor colour;
        int tolerance = 12;
    };
    // Waits until the screen shows each colour at its point; what it shows at the others
    // instead, empty once all match. A screen that never matched goes to saveAs in the
    // temporary directory.
    QString mismatches(const QList<Shown>& expected, const QString& saveAs) const;

    QTemporaryDir m_home;
    std::unique_ptr<XSession> m_session;
    QProcess m_program;
    QProcess m_ordinary;
};
