// SPDX-License-Identifier: GPL-3.0-or-later
// A new user's first minutes with the real program: the first-run screen in English, a GIF
// added through the real file dialog, its window on the desktop growing with the size slider,
// and everything as it was after a restart.
#include "e2e/ProgramOnXServer.h"
#include "support/GifBuilder.h"
#include "support/TestSupport.h"

#include <QFile>

namespace {

const QColor pink(0xff, 0x2d, 0x55);

// A horizontal stretch of pink pixels in a screenshot.
struct PinkRun {
    int y;
    int left;
    int right;
    int width() const { return right - left + 1; }
};

class FirstRun : public ProgramOnXServer {
protected:
    // The pink stretches of the main window, top to bottom, at most one per row.
    QList<PinkRun> pinkRuns() const {
        const QRect window = geometry(mainWindow());
        const QImage screen = m_session->screenshot();
        QList<PinkRun> runs;
        for (int y = window.top(); y <= window.bottom(); ++y) {
            std::optional<PinkRun> widest;
            std::optional<PinkRun> current;
            for (int x = window.left(); x <= window.right() + 1; ++x) {
                const bool isPink = x <= window.right() && near(screen.pixelColor(x, y), pink, 10);
                if (isPink && !current)
                    current = PinkRun{y, x, x};
                else if (isPink)
                    current->right = x;
                else if (current) {
                    if (!widest || current->width() > widest->width())
                        widest = current;
                    current.reset();
                }
            }
            if (widest && widest->width() >= 3)
                runs.append(*widest);
        }
        return runs;
    }

    // The pink blobs (rows of pink in a row), each as the middle of its widest row.
    QList<QRect> pinkBlobs() const {
        QList<QRect> blobs;
        for (const PinkRun& run : pinkRuns()) {
            if (!blobs.isEmpty() && blobs.last().bottom() >= run.y - 1)
                blobs.last() = blobs.last().united(QRect(run.left, run.y, run.width(), 1));
            else
                blobs.append(QRect(run.left, run.y, run.width(), 1));
        }
        return blobs;
    }

    QString gif() const {
        const QString path = m_home.filePath(QStringLiteral("Pictures/party.gif"));
        writeFile(path, GifBuilder()
                            .addFrame(QSize(60, 60), QColor(0x20, 0xa0, 0x40), 10)
                            .addFrame(QSize(60, 60), QColor(0x20, 0x40, 0xa0), 10)
                            .build());
        return path;
    }
};

} // namespace

TEST_F(FirstRun, EnglishAGifThroughTheDialogASizeDragAndARestart) {
    startSession();
    const QString picture = gif();
    launch();
    ASSERT_TRUE(XSession::waitFor([&] { return mainWindow() != 0; }));

    // The first-run screen: the chosen segment and the continue button are its pink blobs.
    QList<QRect> blobs;
    ASSERT_TRUE(XSession::waitFor([&] { return (blobs = pinkBlobs()).size() >= 2; }));
    const QRect russian = blobs[blobs.size() - 2];
    click(QPoint(russian.right() + russian.width() / 2, russian.center().y()));
    ASSERT_TRUE(XSession::waitFor([&] {
        blobs = pinkBlobs();
        return blobs.size() >= 2 && blobs[blobs.size() - 2].left() > russian.right();
    })) << "English is chosen";
    click(blobs.last().center());
    ASSERT_TRUE(XSession::waitFor([&] {
        QFile file(configFile());
        if (!file.open(QIODevice::ReadOnly))
            return false;
        const QByteArray text = file.readAll();
        return text.contains("vantrel_language=en") &&
               text.contains("vantrel_onboarding_done=true");
    })) << "the language and the first-run flag are stored";

    // The header's add button is the topmost pink blob; the dialog takes a typed path.
    ASSERT_TRUE(XSession::waitFor([&] { return !(blobs = pinkBlobs()).isEmpty(); }));
    click(blobs.first().center());
    ASSERT_NE(waitForWindow(QStringLiteral("Choose a GIF or image")), 0u);
    xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("10"), picture});
    xdotool({QStringLiteral("key"), QStringLiteral("Return")});
    ASSERT_TRUE(XSession::waitFor([&] { return stored().size() == 1; }));
    // The sticker takes the picked file's name, its window too.
    const QString name = stored().first().name;
    EXPECT_EQ(name, QStringLiteral("party"));
    const quint32 sticker = waitForWindow(name);
    ASSERT_NE(sticker, 0u);
    EXPECT_EQ(geometry(sticker).size(), QSize(160, 160));

    // The size slider's groove is the first thin pink stripe (the header's button and the
    // chosen segments are tall); its handle sits at the groove's right end.
    std::optional<QRect> groove;
    ASSERT_TRUE(XSession::waitFor([&] {
        for (const QRect& blob : pinkBlobs()) {
            if (blob.height() >= 3 && blob.height() <= 6 && blob.width() >= 15 &&
                blob.width() <= 250) {
                groove = blob;
                return true;
            }
        }
        return false;
    })) << "the new sticker is selected and its settings are shown";
    const QPoint handle(groove->right() + 7, groove->center().y());
    xdotool({QStringLiteral("mousemove"), QString::number(handle.x()), QString::number(handle.y()),
             QStringLiteral("mousedown"), QStringLiteral("1")});
    for (int step = 0; step < 10; ++step)
        xdotool({QStringLiteral("mousemove_relative"), QStringLiteral("6"), QStringLiteral("0")});
    xdotool({QStringLiteral("mouseup"), QStringLiteral("1")});
    ASSERT_TRUE(XSession::waitFor([&] { return geometry(sticker).width() > 160; }))
        << "the window grows while the slider moves";
    ASSERT_TRUE(XSession::waitFor([&] { return stored().first().size > 160; }));
    const Sticker before = stored().first();
    EXPECT_EQ(geometry(sticker).width(), static_cast<int>(before.size));

    quit();
    launch();
    ASSERT_TRUE(XSession::waitFor([&] { return mainWindow() != 0; }));
    const quint32 again = waitForWindow(name);
    ASSERT_NE(again, 0u);
    EXPECT_TRUE(XSession::waitFor(
        [&] { return geometry(again).width() == static_cast<int>(before.size); }));
    EXPECT_EQ(stored(), QList<Sticker>{before});
    EXPECT_TRUE(pinkBlobs().size() < 4) << "no first-run screen the second time";
}
