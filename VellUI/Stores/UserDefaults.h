#pragma once

// The user defaults: the one INI file of preferences (organisation and application "Vell"), and the
// readers that take a value back by its content, since after a restart every value is plain text.

#include "Document/Date.h"

#include <QSettings>
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace vell {

struct UserDefaults {
    // Shared by every store of the process; main thread only.
    static std::shared_ptr<QSettings> standard();

    // Each reader gives nothing when the key is missing or its value is not of that kind.
    static std::optional<QString> string(const QSettings& settings, const QString& key);
    // "true" or "false", or a Boolean written in this run.
    static std::optional<bool> boolean(const QSettings& settings, const QString& key);
    // A decimal number; "nan", "inf" and numbers beyond the double range are refused.
    static std::optional<double> finiteNumber(const QSettings& settings, const QString& key);
    // A number that is exactly a 64-bit integer ("25", "25.0", "2.5e1").
    static std::optional<std::int64_t> integer(const QSettings& settings, const QString& key);
    // ISO 8601 in UTC, whole seconds or with a fraction of up to nine digits ("...T10:00:00.250Z").
    static std::optional<Date> date(const QSettings& settings, const QString& key);

    // The texts under which numbers are written, independent of the process locale.
    static QString text(double number);
    static QString text(std::int64_t number);
    // To the microsecond, so a stamp read back compares equal to the one written.
    static QString text(Date date);

    // Writes at once, so the file holds the value when the call returns.
    static void write(QSettings& settings, const QString& key, const QVariant& value);
    static void remove(QSettings& settings, const QString& key);
};

} // namespace vell
