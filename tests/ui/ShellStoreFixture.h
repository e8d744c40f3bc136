// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "store/AppSettings.h"
#include "store/MemoryPreferencesBackend.h"
#include "store/Preferences.h"
#include "store/StickerStore.h"
#include "ui/FilePicker.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// Answers with a set path, or a cancel, and records how it was asked.
class FakeFilePicker final : public FilePicker {
public:
    std::optional<QString> pickPicture(QWidget*, AppLanguage language) override {
        ++pictureCalls;
        lastLanguage = language;
        return answer;
    }
    std::optional<QString> pickBackground(QWidget*, AppLanguage) override { return answer; }

    std::optional<QString> answer;
    int pictureCalls = 0;
    AppLanguage lastLanguage = AppLanguage::ru;
};

// Preferences in memory, settings, and a store whose files live in a temporary directory.
class ShellStoreFixture : public testing::Test {
protected:
    // A small PNG the user could pick.
    QString picked(const QString& name) const {
        const QString path = m_root.filePath(QStringLiteral("picked/") + name);
        QImage image(20, 10, QImage::Format_ARGB32);
        image.fill(Qt::red);
        QDir().mkpath(QFileInfo(path).absolutePath());
        EXPECT_TRUE(image.save(path, "PNG"));
        return path;
    }

    QTemporaryDir m_root;
    Preferences m_preferences{std::make_shared<MemoryPreferencesBackend>()};
    AppSettings m_settings{m_preferences};
    StickerStore m_store{m_preferences, m_root.filePath(QStringLiteral("data"))};
};
