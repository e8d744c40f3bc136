// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringView>
#include <array>
#include <optional>

// The interface language; Russian unless English was chosen.
enum class AppLanguage { ru, en };

inline constexpr std::array<AppLanguage, 2> allAppLanguages{AppLanguage::ru, AppLanguage::en};

inline QStringView rawValue(AppLanguage language) {
    return language == AppLanguage::en ? QStringView(u"en") : QStringView(u"ru");
}

inline std::optional<AppLanguage> appLanguageFromRawValue(QStringView raw) {
    if (raw == u"ru")
        return AppLanguage::ru;
    if (raw == u"en")
        return AppLanguage::en;
    return std::nullopt;
}
