// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "stickers/MediaCache.h"

#include <QIcon>
#include <QPointer>
#include <QWidget>

// The first image of a file in a rounded grey tile, decoded off the main thread; an optional
// badge (a dimmed tile with a white symbol) over it.
class StickerThumbnailView final : public QWidget {
    Q_OBJECT

public:
    StickerThumbnailView(MediaCache& cache, QWidget* parent = nullptr);

    void setPath(const QString& path);
    void setBadge(const QString& iconName);
    // A faint outline in the text colour around the tile, as the list's rows have.
    void setOutlined(bool outlined);
    bool isOutlined() const { return m_outlined; }
    QString badge() const { return m_badge; }
    const QImage& image() const { return m_image; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPointer<MediaCache> m_cache;
    std::unique_ptr<MediaCache::Ticket> m_ticket;
    QString m_path;
    QString m_badge;
    QIcon m_badgeIcon;
    QImage m_image;
    bool m_outlined = false;
};
