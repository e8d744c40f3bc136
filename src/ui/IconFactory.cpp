// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/IconFactory.h"

#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

namespace IconFactory {

QIcon tinted(const QString& name, const QColor& color, int size) {
    QSvgRenderer renderer(QStringLiteral(":/icons/%1.svg").arg(name));
    QIcon icon;
    // Sharp at 1x and 2x.
    for (const int scale : {1, 2}) {
        QPixmap pixmap(size * scale, size * scale);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        renderer.render(&painter);
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(pixmap.rect(), color);
        painter.end();
        pixmap.setDevicePixelRatio(scale);
        icon.addPixmap(pixmap);
    }
    return icon;
}

QIcon applicationIcon() {
    return QIcon(QStringLiteral(":/vantrel/vantrel.svg"));
}

} // namespace IconFactory
