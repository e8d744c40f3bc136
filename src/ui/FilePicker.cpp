// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/FilePicker.h"

#include <QFileDialog>
#include <QFileInfo>
#include <algorithm>
#include <initializer_list>

namespace {

constexpr std::initializer_list<const char*> pictureExtensions = {"gif",  "png",  "jpg", "jpeg",
                                                                  "webp", "heic", "heif"};

QString filter(const QString& label, std::initializer_list<const char*> extensions) {
    QStringList patterns;
    for (const char* extension : extensions) {
        const QString lower = QString::fromLatin1(extension);
        patterns << QStringLiteral("*.") + lower << QStringLiteral("*.") + lower.toUpper();
    }
    return QStringLiteral("%1 (%2)").arg(label, patterns.join(u' '));
}

std::optional<QString> run(QWidget* parent, const QString& title, const QString& nameFilter) {
    const QString path = QFileDialog::getOpenFileName(parent, title, QString(), nameFilter);
    if (path.isEmpty())
        return std::nullopt;
    return path;
}

} // namespace

QString DialogFilePicker::pictureFilter() {
    return filter(QStringLiteral("GIF, PNG, JPEG, WebP, HEIC"), pictureExtensions);
}

bool DialogFilePicker::isPictureName(const QString& path) {
    const QString suffix = QFileInfo(path).suffix();
    return std::any_of(
        pictureExtensions.begin(), pictureExtensions.end(), [&suffix](const char* extension) {
            return suffix.compare(QLatin1String(extension), Qt::CaseInsensitive) == 0;
        });
}

QString DialogFilePicker::backgroundFilter() {
    return filter(QStringLiteral("PNG, JPEG, WebP, HEIC"),
                  {"png", "jpg", "jpeg", "webp", "heic", "heif"});
}

// The dialogs' titles are not in the string table: they are chosen here by language.
std::optional<QString> DialogFilePicker::pickPicture(QWidget* parent, AppLanguage language) {
    return run(parent,
               language == AppLanguage::ru ? QStringLiteral("Выбери GIF или изображение")
                                           : QStringLiteral("Choose a GIF or image"),
               pictureFilter());
}

std::optional<QString> DialogFilePicker::pickBackground(QWidget* parent, AppLanguage language) {
    return run(parent,
               language == AppLanguage::ru ? QStringLiteral("Выбери фон для стикера")
                                           : QStringLiteral("Choose a sticker background"),
               backgroundFilter());
}
