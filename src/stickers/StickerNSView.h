// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/Sticker.h"
#include "stickers/FramePlayer.h"
#include "stickers/MediaCache.h"
#include "stickers/StickerPainter.h"
#include "stickers/StickerStyle.h"

#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

class NotificationHub;
class WindowingServices;

// Draws one sticker: its background (colour or picture, with opacity and rounded corners) and
// its media fitted inside, playing when animated; turns drags into deltas in sticker points.
class StickerNSView final : public QWidget {
    Q_OBJECT

public:
    using DragHandler = std::function<void(double dx, double dy)>;

    struct Services {
        QPointer<MediaCache> cache;
        QPointer<NotificationHub> hub;
        WindowingServices* windowing = nullptr;
        FrameTimerFactory timers;
    };

    StickerNSView(const Sticker& sticker, DragHandler onDrag, Services services,
                  QWidget* parent = nullptr);
    ~StickerNSView() override;

    // Takes a changed copy of the record and the side it is now shown at: re-styles once,
    // and reloads only what changed.
    void applySticker(const Sticker& sticker, QSize side);
    // Ends playback and releases every image; idempotent.
    void stop();
    // Playback runs only while the window is shown; a hidden sticker decodes when first shown.
    void setWindowVisible(bool visible);
    // Shapes the window to the sticker, or lets it be square again, as a compositing manager
    // stops or starts.
    void compositingChanged();

    const Sticker& sticker() const { return m_sticker; }
    bool isStopped() const { return m_stopped; }
    bool isDragging() const { return m_isDragging; }
    // True from a press the window manager took as a move until the next press: the last of
    // its moves may come after the release.
    bool isMovedByWindowManager() const { return m_movedByWindowManager; }
    double mediaAspectRatio() const { return m_mediaAspectRatio; }
    const StickerStyle& style() const { return m_style; }
    const FramePlayer& player() const { return m_player; }
    std::optional<QString> loadedBgPath() const { return m_loadedBgPath; }
    const QImage& backgroundImage() const { return m_bgImage; }

    // Device pixels the media is decoded for: the view's side at its pixel ratio.
    QSize mediaTargetBox() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void loadMedia();
    void requestMedia(bool keepPosition);
    void installFirstFrame(const QImage& image, double aspectRatio);
    void installMedia(std::shared_ptr<const DecodedMedia> media, bool keepPosition);
    void applyStyle();
    void loadBackgroundImage(const QString& path);
    void requestBackground(const QString& path);
    bool backgroundTooSmall() const;
    void rescale();
    void frameChanged(const QRect& changed);
    void updateShape();

    Sticker m_sticker;
    DragHandler m_onDrag;
    Services m_services;
    FramePlayer m_player;
    std::unique_ptr<MediaCache::Ticket> m_mediaTicket;
    std::unique_ptr<MediaCache::Ticket> m_bgTicket;
    QSize m_decodedBox;
    bool m_mediaRequested = false;
    bool m_stopped = false;
    bool m_windowVisible = false;
    double m_mediaAspectRatio = 1.0;
    StickerStyle m_style;
    StickerPainter m_painter;
    QImage m_bgImage;
    QSize m_bgSourceSize;
    std::optional<QString> m_loadedBgPath;
    QImage m_shapeSource;
    QPointF m_lastMouseLocation;
    bool m_isDragging = false;
    bool m_movedByWindowManager = false;
    bool m_nextFramePending = false;
    QTimer m_rescaleTimer;
};
