// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/AppLanguage.h"

#include <QString>
#include <optional>

class QWidget;

// Asks the user for one picture file; a seam so that the add flow runs without a modal dialog.
class FilePicker {
public:
    virtual ~FilePicker() = default;

    // The chosen file's path, or none when the user cancelled. A sticker's media may be a GIF
    // or a still; a background is a still only.
    virtual std::optional<QString> pickPicture(QWidget* parent, AppLanguage language) = 0;
    virtual std::optional<QString> pickBackground(QWidget* parent, AppLanguage language) = 0;
};

// The real one: a QFileDialog filtering by extension, either case.
class DialogFilePicker final : public FilePicker {
public:
    std::optional<QString> pickPicture(QWidget* parent, AppLanguage language) override;
    std::optional<QString> pickBackground(QWidget* parent, AppLanguage language) override;

    static QString pictureFilter();
    static QString backgroundFilter();
    // True when path names a file of one of the kinds pictureFilter offers.
    static bool isPictureName(const QString& path);
};
