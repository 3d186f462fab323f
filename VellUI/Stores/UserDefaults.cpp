#include "Stores/UserDefaults.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>
#include <string_view>
#include <system_error>

namespace vell {

namespace {

std::optional<double> parseDouble(const std::string& text) {
    double value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || stop != end || !std::isfinite(value)) return std::nullopt;
    return value;
}

std::optional<std::int64_t> integralDouble(double value) {
    // 2^63 is exact as a double; anything at or beyond it does not fit.
    constexpr double limit = 9223372036854775808.0;
    if (!std::isfinite(value) || std::trunc(value) != value || value < -limit || value >= limit)
        return std::nullopt;
    return static_cast<std::int64_t>(value);
}

std::optional<QString> textOf(const QVariant& value) {
    if (value.typeId() == QMetaType::QString) return value.toString();
    return std::nullopt;
}

std::optional<Date> parseDate(std::string_view text) {
    // The fraction sits between the seconds and the zone: "YYYY-MM-DDTHH:MM:SS.ffffffZ".
    constexpr std::size_t fractionStart = 19;
    if (text.size() <= fractionStart || text[fractionStart] != '.') return Date::fromIso8601(text);
    std::size_t end = fractionStart + 1;
    std::int64_t microseconds = 0;
    int digits = 0;
    while (end < text.size() && text[end] >= '0' && text[end] <= '9') {
        if (digits < 6) microseconds = microseconds * 10 + (text[end] - '0');
        ++digits;
        ++end;
    }
    if (digits == 0 || digits > 9) return std::nullopt;
    for (int padding = digits; padding < 6; ++padding)
        microseconds *= 10;
    std::string whole(text.substr(0, fractionStart));
    whole += text.substr(end);
    const auto seconds = Date::fromIso8601(whole);
    if (!seconds) return std::nullopt;
    return seconds->addingMicroseconds(microseconds);
}

} // namespace

std::shared_ptr<QSettings> UserDefaults::standard() {
    static const std::shared_ptr<QSettings> settings =
        std::make_shared<QSettings>(QSettings::IniFormat, QSettings::UserScope, "Vell", "Vell");
    return settings;
}

std::optional<QString> UserDefaults::string(const QSettings& settings, const QString& key) {
    return textOf(settings.value(key));
}

std::optional<bool> UserDefaults::boolean(const QSettings& settings, const QString& key) {
    const QVariant value = settings.value(key);
    if (value.typeId() == QMetaType::Bool) return value.toBool();
    if (const auto text = textOf(value)) {
        if (*text == u"true") return true;
        if (*text == u"false") return false;
    }
    return std::nullopt;
}

std::optional<double> UserDefaults::finiteNumber(const QSettings& settings, const QString& key) {
    const QVariant value = settings.value(key);
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Double:
    case QMetaType::Float: {
        const double number = value.toDouble();
        if (std::isfinite(number)) return number;
        return std::nullopt;
    }
    case QMetaType::LongLong: {
        const auto number = value.toLongLong();
        const auto asDouble = static_cast<double>(number);
        if (integralDouble(asDouble) == number) return asDouble;
        return std::nullopt;
    }
    default:
        break;
    }
    if (const auto text = textOf(value)) return parseDouble(text->toStdString());
    return std::nullopt;
}

std::optional<std::int64_t> UserDefaults::integer(const QSettings& settings, const QString& key) {
    const QVariant value = settings.value(key);
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
        return value.toLongLong();
    case QMetaType::Double:
    case QMetaType::Float:
        return integralDouble(value.toDouble());
    default:
        break;
    }
    const auto text = textOf(value);
    if (!text) return std::nullopt;
    const std::string raw = text->toStdString();
    std::int64_t number = 0;
    const char* end = raw.data() + raw.size();
    const auto [stop, error] = std::from_chars(raw.data(), end, number);
    if (error == std::errc() && stop == end) return number;
    if (const auto asDouble = parseDouble(raw)) return integralDouble(*asDouble);
    return std::nullopt;
}

std::optional<Date> UserDefaults::date(const QSettings& settings, const QString& key) {
    if (const auto text = textOf(settings.value(key))) return parseDate(text->toStdString());
    return std::nullopt;
}

QString UserDefaults::text(Date date) {
    constexpr std::int64_t perSecond = 1'000'000;
    std::int64_t fraction = date.microsecondsSince1970() % perSecond;
    if (fraction < 0) fraction += perSecond;
    std::string text = date.iso8601();
    if (fraction != 0 && text.size() == 20) {
        char digits[7];
        for (int i = 5; i >= 0; --i, fraction /= 10)
            digits[i] = static_cast<char>('0' + fraction % 10);
        digits[6] = '\0';
        text.insert(19, std::string(".") + digits);
    }
    return QString::fromStdString(text);
}

QString UserDefaults::text(double number) {
    char buffer[64];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, number);
    if (error != std::errc()) return {};
    return QString::fromLatin1(buffer, end - buffer);
}

QString UserDefaults::text(std::int64_t number) {
    char buffer[32];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, number);
    if (error != std::errc()) return {};
    return QString::fromLatin1(buffer, end - buffer);
}

void UserDefaults::write(QSettings& settings, const QString& key, const QVariant& value) {
    settings.setValue(key, value);
    settings.sync();
}

void UserDefaults::remove(QSettings& settings, const QString& key) {
    settings.remove(key);
    settings.sync();
}

} // namespace vell
