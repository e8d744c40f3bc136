// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/FilePicker.h"

#include <QFileDialog>

QString DialogFilePicker::nameFilter() {
    QStringList patterns;
    for (const char* extension : {"gif", "png", "jpg", "jpeg", "webp", "heic", "heif"}) {
        const QString lower = QString::fromLatin1(extension);
        patterns << QStringLiteral("*.") + lower << QStringLiteral("*.") + lower.toUpper();
    }
    return QStringLiteral("GIF, PNG, JPEG, WebP, HEIC (%1)").arg(patterns.join(u' '));
}

std::optional<QString> DialogFilePicker::pickPicture(QWidget* parent, AppLanguage language) {
    // The dialog's title is not in the string table: it is chosen here by language.
    const QString title = language == AppLanguage::ru ? QStringLiteral("Выбери GIF или изображение")
                                                      : QStringLiteral("Choose a GIF or image");
    const QString path = QFileDialog::getOpenFileName(parent, title, QString(), nameFilter());
    if (path.isEmpty())
        return std::nullopt;
    return path;
}
