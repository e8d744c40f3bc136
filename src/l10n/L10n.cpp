// SPDX-License-Identifier: GPL-3.0-or-later
#include "l10n/L10n.h"

#include <QHash>

namespace L10n {
namespace {

struct Entry {
    Key key;
    const char* raw;
    const char* ru;
    const char* en;
};

// One line per key, in the order of the enumeration.
constexpr std::array<Entry, keyCount> entries{{
    {Key::appName, "appName", "Vantrel", "Vantrel"},
    {Key::add, "add", "Добавить", "Add"},
    {Key::emptyTitle, "emptyTitle", "Добавь первый GIF или картинку!",
     "Add your first GIF or image!"},
    {Key::pickFile, "pickFile", "Выбрать файл", "Choose file"},
    {Key::stickerSettings, "stickerSettings", "Настройки стикера", "Sticker settings"},
    {Key::name, "name", "Имя", "Name"},
    {Key::stickerNamePlaceholder, "stickerNamePlaceholder", "Название стикера", "Sticker name"},
    {Key::size, "size", "Размер", "Size"},
    {Key::corners, "corners", "Углы", "Corners"},
    {Key::layer, "layer", "Слой", "Layer"},
    {Key::layerDesktop, "layerDesktop", "🖥 Рабочий стол", "🖥 Desktop"},
    {Key::layerFloating, "layerFloating", "🔝 Поверх всего", "🔝 Always on top"},
    {Key::background, "background", "Фон", "Background"},
    {Key::bgNone, "bgNone", "Нет", "None"},
    {Key::bgColor, "bgColor", "Цвет", "Color"},
    {Key::opacity, "opacity", "Прозрачность", "Opacity"},
    {Key::color, "color", "Цвет", "Color"},
    {Key::lockDrag, "lockDrag", "Заблокировать перетаскивание", "Lock dragging"},
    {Key::hideSticker, "hideSticker", "Скрыть стикер", "Hide sticker"},
    {Key::dragReorderHelp, "dragReorderHelp", "Перетащи для изменения порядка слоёв",
     "Drag to reorder layers"},
    {Key::centerHelp, "centerHelp", "Вернуть на центр экрана", "Center on screen"},
    {Key::settings, "settings", "Настройки", "Settings"},
    {Key::language, "language", "Язык", "Language"},
    {Key::menuBarLabel, "menuBarLabel", "Надпись в тулбаре", "Menu bar label"},
    {Key::menuBarLabelHint, "menuBarLabelHint",
     "По умолчанию — Vantrel. Можно ввести своё название или эмодзи 😀",
     "Default is Vantrel. Type a custom name or emoji 😀"},
    {Key::menuBarLabelPlaceholder, "menuBarLabelPlaceholder", "😀 или своё название",
     "😀 or your title"},
    {Key::menuBarPreview, "menuBarPreview", "Превью:", "Preview:"},
    {Key::chooseLanguage, "chooseLanguage", "Выбери язык", "Choose language"},
    {Key::continueButton, "continueButton", "Продолжить", "Continue"},
    {Key::welcomeTitle, "welcomeTitle", "Добро пожаловать в Vantrel", "Welcome to Vantrel"},
    {Key::welcomeSubtitle, "welcomeSubtitle", "GIF-стикеры прямо на рабочем столе",
     "Animated stickers on your desktop"},
    {Key::noStickers, "noStickers", "Нет стикеров", "No stickers"},
    {Key::showAll, "showAll", "Показать все стикеры", "Show all stickers"},
    {Key::hideAll, "hideAll", "Скрыть все стикеры", "Hide all stickers"},
    {Key::centerAll, "centerAll", "Вернуть все на центр", "Center all"},
    {Key::unlockAll, "unlockAll", "Разблокировать все", "Unlock all"},
    {Key::lockAll, "lockAll", "Заблокировать все", "Lock all"},
    {Key::openApp, "openApp", "Открыть Vantrel", "Open Vantrel"},
    {Key::quit, "quit", "Выход", "Quit"},
    {Key::bgImage, "bgImage", "Картинка", "Image"},
    {Key::pickBgImage, "pickBgImage", "Выбрать картинку", "Choose image"},
    {Key::changeBgImage, "changeBgImage", "Сменить картинку", "Change image"},
    {Key::saveFailedTitle, "saveFailedTitle", "Vantrel не может сохранить изменения",
     "Vantrel cannot save your changes"},
    {Key::saveFailedMessage, "saveFailedMessage",
     "Изменения сохранятся, как только это станет возможно. Пока Vantrel работает, они не "
     "потеряются.",
     "They are kept while Vantrel runs and saved as soon as that works again."},
    {Key::startAtLogin, "startAtLogin", "Запускать при входе в систему", "Start at login"},
}};

constexpr bool entriesFollowKeyOrder() {
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (static_cast<std::size_t>(entries[i].key) != i)
            return false;
    }
    return true;
}
static_assert(entriesFollowKeyOrder(), "every key has exactly one line, in key order");

struct Table {
    std::array<QString, keyCount> ru;
    std::array<QString, keyCount> en;
    QHash<QString, Key> byRawValue;
};

// Built on first use and never changed afterwards.
const Table& table() {
    static const Table built = [] {
        Table t;
        for (const Entry& entry : entries) {
            const auto index = static_cast<std::size_t>(entry.key);
            t.ru[index] = QString::fromUtf8(entry.ru);
            t.en[index] = QString::fromUtf8(entry.en);
            t.byRawValue.insert(QString::fromLatin1(entry.raw), entry.key);
        }
        return t;
    }();
    return built;
}

} // namespace

QString text(Key key, AppLanguage language) {
    const auto index = static_cast<std::size_t>(key);
    const Table& t = table();
    if (index >= keyCount)
        return QString();
    const QString& localized = language == AppLanguage::en ? t.en[index] : t.ru[index];
    return localized.isEmpty() ? t.en[index] : localized;
}

QString rawValue(Key key) {
    const auto index = static_cast<std::size_t>(key);
    return index < keyCount ? QString::fromLatin1(entries[index].raw) : QString();
}

std::optional<Key> keyFromRawValue(QStringView raw) {
    const Table& t = table();
    const auto it = t.byRawValue.constFind(raw.toString());
    if (it == t.byRawValue.cend())
        return std::nullopt;
    return *it;
}

const std::array<Key, keyCount>& allKeys() {
    static constexpr std::array<Key, keyCount> keys = [] {
        std::array<Key, keyCount> all{};
        for (std::size_t i = 0; i < keyCount; ++i)
            all[i] = entries[i].key;
        return all;
    }();
    return keys;
}

} // namespace L10n
