// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/IconFactory.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPixmapCache>
#include <QSvgRenderer>

namespace {

QPixmap render(const QString& name, const QColor& color, int size, int scale) {
    QSvgRenderer renderer(QStringLiteral(":/icons/%1.svg").arg(name));
    QPixmap pixmap(size * scale, size * scale);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    renderer.render(&painter);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(pixmap.rect(), color);
    painter.end();
    pixmap.setDevicePixelRatio(scale);
    return pixmap;
}

} // namespace

namespace IconFactory {

QIcon tinted(const QString& name, const QColor& color, int size) {
    QIcon icon;
    // Sharp at 1x and 2x. Long lists ask for the same few icons again and again: Qt's pixmap
    // cache keeps them.
    for (const int scale : {1, 2}) {
        const QString key = QStringLiteral("vantrel-icon-%1-%2-%3@%4")
                                .arg(name, color.name(QColor::HexArgb))
                                .arg(size)
                                .arg(scale);
        QPixmap pixmap;
        if (!QPixmapCache::find(key, &pixmap)) {
            pixmap = render(name, color, size, scale);
            QPixmapCache::insert(key, pixmap);
        }
        icon.addPixmap(pixmap);
    }
    return icon;
}

QIcon applicationIcon() {
    return QIcon(QStringLiteral(":/vantrel/vantrel.svg"));
}

QPixmap roundedApplicationPicture(int side, double radius, qreal devicePixelRatio) {
    const int pixels = static_cast<int>(side * devicePixelRatio);
    QPixmap picture(pixels, pixels);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    QPainterPath clip;
    clip.addRoundedRect(QRectF(0, 0, pixels, pixels), radius * devicePixelRatio,
                        radius * devicePixelRatio);
    painter.setClipPath(clip);
    applicationIcon().paint(&painter, QRect(0, 0, pixels, pixels));
    painter.end();
    picture.setDevicePixelRatio(devicePixelRatio);
    return picture;
}

} // namespace IconFactory
