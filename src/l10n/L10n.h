// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/AppLanguage.h"

#include <QString>
#include <array>
#include <optional>

// The interface texts in both languages, fixed at build time.
namespace L10n {

enum class Key {
    appName,
    add,
    emptyTitle,
    pickFile,
    stickerSettings,
    name,
    stickerNamePlaceholder,
    size,
    corners,
    layer,
    layerDesktop,
    layerFloating,
    background,
    bgNone,
    bgColor,
    opacity,
    color,
    lockDrag,
    hideSticker,
    dragReorderHelp,
    centerHelp,
    settings,
    language,
    menuBarLabel,
    menuBarLabelHint,
    menuBarLabelPlaceholder,
    menuBarPreview,
    chooseLanguage,
    continueButton,
    welcomeTitle,
    welcomeSubtitle,
    noStickers,
    showAll,
    hideAll,
    centerAll,
    unlockAll,
    lockAll,
    openApp,
    quit,
    bgImage,
    pickBgImage,
    changeBgImage,
    saveFailedTitle,
    saveFailedMessage,
    startAtLogin
};

inline constexpr std::size_t keyCount = 45;

// The text of key in language; English should a language lack a text.
QString text(Key key, AppLanguage language);

// The key's name, as written in the code.
QString rawValue(Key key);
// The key of a case name, matched exactly; none for any other text.
std::optional<Key> keyFromRawValue(QStringView raw);

const std::array<Key, keyCount>& allKeys();

} // namespace L10n
