// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/StickerJson.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <charconv>
#include <cmath>

namespace {

constexpr char hexDigits[] = "0123456789abcdef";

bool needsEscape(unsigned char c) {
    return c < 0x20 || c == '"' || c == '\\' || c == '/';
}

void appendEscape(QByteArray& out, unsigned char c) {
    switch (c) {
    case '"':
        out.append("\\\"", 2);
        break;
    case '\\':
        out.append("\\\\", 2);
        break;
    case '/':
        out.append("\\/", 2);
        break;
    case '\b':
        out.append("\\b", 2);
        break;
    case '\f':
        out.append("\\f", 2);
        break;
    case '\n':
        out.append("\\n", 2);
        break;
    case '\r':
        out.append("\\r", 2);
        break;
    case '\t':
        out.append("\\t", 2);
        break;
    default: {
        const char escape[6] = {'\\', 'u', '0', '0', hexDigits[c >> 4], hexDigits[c & 0xF]};
        out.append(escape, 6);
    }
    }
}

// QJsonDocument writes neither "\/" nor refuses non-finite numbers, so records are written
// here, in the form of the default JSON encoder: slashes and control characters escaped.
void appendString(QByteArray& out, const QString& text) {
    out.append('"');
    const QByteArray utf8 = text.toUtf8();
    const char* run = utf8.constData();
    const char* const end = run + utf8.size();
    for (const char* p = run; p != end; ++p) {
        const auto c = static_cast<unsigned char>(*p);
        if (!needsEscape(c))
            continue;
        out.append(run, p - run);
        appendEscape(out, c);
        run = p + 1;
    }
    out.append(run, end - run);
    out.append('"');
}

// The id in upper-case canonical form, without the allocations of QUuid::toString.
void appendUuid(QByteArray& out, const QUuid& id) {
    static constexpr char upper[] = "0123456789ABCDEF";
    const QByteArray raw = id.toRfc4122();
    char text[38];
    char* p = text;
    *p++ = '"';
    for (int i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            *p++ = '-';
        const auto byte = static_cast<unsigned char>(raw[i]);
        *p++ = upper[byte >> 4];
        *p++ = upper[byte & 0xF];
    }
    *p++ = '"';
    out.append(text, p - text);
}

bool appendDouble(QByteArray& out, double value) {
    if (!std::isfinite(value))
        return false;
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr - buffer);
    return true;
}

void appendInteger(QByteArray& out, qint64 value) {
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr - buffer);
}

void appendBool(QByteArray& out, bool value) {
    out.append(value ? "true" : "false");
}

bool appendSticker(QByteArray& out, const Sticker& s) {
    out.append("{\"id\":");
    appendUuid(out, s.id);
    out.append(",\"gifPath\":");
    appendString(out, s.gifPath);
    out.append(",\"name\":");
    appendString(out, s.name);
    out.append(",\"x\":");
    bool finite = appendDouble(out, s.x);
    out.append(",\"y\":");
    finite = appendDouble(out, s.y) && finite;
    out.append(",\"size\":");
    finite = appendDouble(out, s.size) && finite;
    out.append(",\"bgColor\":");
    appendString(out, s.bgColor);
    out.append(",\"cornerRadius\":");
    finite = appendDouble(out, s.cornerRadius) && finite;
    out.append(",\"bgOpacity\":");
    finite = appendDouble(out, s.bgOpacity) && finite;
    out.append(",\"bgStyle\":\"");
    out.append(rawValue(s.bgStyle).toLatin1());
    out.append("\",\"bgImagePath\":");
    appendString(out, s.bgImagePath);
    out.append(",\"layer\":\"");
    out.append(rawValue(s.layer).toLatin1());
    out.append("\",\"isHidden\":");
    appendBool(out, s.isHidden);
    out.append(",\"isLocked\":");
    appendBool(out, s.isLocked);
    out.append(",\"zIndex\":");
    appendInteger(out, s.zIndex);
    out.append('}');
    return finite;
}

// Optional keys take their default when absent or null; a present value of the wrong type fails.
class RecordReader final {
public:
    explicit RecordReader(const QJsonObject& object)
        : m_object(object) {}

    bool ok() const { return m_ok; }

    QJsonValue optional(QLatin1StringView key) const { return m_object.value(key); }

    static bool isAbsent(const QJsonValue& value) { return value.isUndefined() || value.isNull(); }

    QString requiredString(QLatin1StringView key) {
        const QJsonValue value = optional(key);
        if (!value.isString())
            m_ok = false;
        return value.toString();
    }

    QString optionalString(QLatin1StringView key, const QString& fallback) {
        const QJsonValue value = optional(key);
        if (isAbsent(value))
            return fallback;
        if (!value.isString())
            m_ok = false;
        return value.toString();
    }

    double requiredNumber(QLatin1StringView key) {
        const QJsonValue value = optional(key);
        return number(value);
    }

    double optionalNumber(QLatin1StringView key, double fallback) {
        const QJsonValue value = optional(key);
        return isAbsent(value) ? fallback : number(value);
    }

    bool optionalBool(QLatin1StringView key) {
        const QJsonValue value = optional(key);
        if (isAbsent(value))
            return false;
        if (!value.isBool())
            m_ok = false;
        return value.toBool();
    }

    // An integral number that fits 64 bits; fractional or out-of-range values fail.
    qint64 optionalInteger(QLatin1StringView key) {
        const QJsonValue value = optional(key);
        if (isAbsent(value))
            return 0;
        const qint64 a = value.toInteger(0);
        const qint64 b = value.toInteger(1);
        if (!value.isDouble() || a != b)
            m_ok = false;
        return a;
    }

    void fail() { m_ok = false; }

private:
    double number(const QJsonValue& value) {
        const double d = value.toDouble();
        if (!value.isDouble() || !std::isfinite(d))
            m_ok = false;
        return d;
    }

    const QJsonObject& m_object;
    bool m_ok = true;
};

bool isCanonicalUuidText(const QString& text) {
    if (text.size() != 36)
        return false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        const bool hyphenPlace = i == 8 || i == 13 || i == 18 || i == 23;
        const bool hexDigit =
            (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
        if (hyphenPlace ? c != u'-' : !hexDigit)
            return false;
    }
    return true;
}

std::optional<Sticker> decodeSticker(const QJsonValue& element) {
    if (!element.isObject())
        return std::nullopt;
    const QJsonObject object = element.toObject();
    RecordReader r(object);
    Sticker s;

    const QJsonValue id = r.optional(QLatin1StringView("id"));
    if (RecordReader::isAbsent(id)) {
        s.id = QUuid::createUuid();
    } else if (id.isString() && isCanonicalUuidText(id.toString())) {
        s.id = QUuid::fromString(id.toString());
    } else {
        return std::nullopt;
    }
    s.gifPath = r.requiredString(QLatin1StringView("gifPath"));
    s.name = r.optionalString(QLatin1StringView("name"), QString());
    s.x = r.requiredNumber(QLatin1StringView("x"));
    s.y = r.requiredNumber(QLatin1StringView("y"));
    s.size = r.requiredNumber(QLatin1StringView("size"));
    s.bgColor = r.optionalString(QLatin1StringView("bgColor"), QStringLiteral("#FFFFFF"));
    s.cornerRadius = r.optionalNumber(QLatin1StringView("cornerRadius"), 20);
    s.bgOpacity = r.optionalNumber(QLatin1StringView("bgOpacity"), 0.8);

    const QJsonValue style = r.optional(QLatin1StringView("bgStyle"));
    if (!RecordReader::isAbsent(style)) {
        const auto parsed = style.isString() ? bgStyleFromRawValue(style.toString()) : std::nullopt;
        if (!parsed)
            return std::nullopt;
        s.bgStyle = *parsed;
    }
    s.bgImagePath = r.optionalString(QLatin1StringView("bgImagePath"), QString());
    const QJsonValue layer = r.optional(QLatin1StringView("layer"));
    if (!RecordReader::isAbsent(layer)) {
        const auto parsed =
            layer.isString() ? stickerLayerFromRawValue(layer.toString()) : std::nullopt;
        if (!parsed)
            return std::nullopt;
        s.layer = *parsed;
    }
    s.isHidden = r.optionalBool(QLatin1StringView("isHidden"));
    s.isLocked = r.optionalBool(QLatin1StringView("isLocked"));
    s.zIndex = r.optionalInteger(QLatin1StringView("zIndex"));
    if (!r.ok())
        return std::nullopt;
    return s;
}

} // namespace

namespace StickerJson {

std::optional<QByteArray> encodeRecord(const Sticker& sticker) {
    QByteArray out;
    out.reserve(360);
    if (!appendSticker(out, sticker))
        return std::nullopt;
    return out;
}

std::optional<QByteArray> encode(const QList<Sticker>& stickers) {
    QByteArray out;
    out.reserve(64 + stickers.size() * 360);
    out.append('[');
    for (qsizetype i = 0; i < stickers.size(); ++i) {
        if (i > 0)
            out.append(',');
        if (!appendSticker(out, stickers[i]))
            return std::nullopt;
    }
    out.append(']');
    return out;
}

std::optional<QList<Sticker>> decode(const QByteArray& data) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError || !document.isArray())
        return std::nullopt;
    const QJsonArray array = document.array();
    QList<Sticker> stickers;
    stickers.reserve(array.size());
    for (const QJsonValue& element : array) {
        auto sticker = decodeSticker(element);
        if (!sticker)
            return std::nullopt;
        stickers.append(std::move(*sticker));
    }
    return stickers;
}

} // namespace StickerJson
