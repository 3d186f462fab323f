#pragma once

// Every process notification, one typed handle each. Code posts and observes through these handles
// only, so each name and its payload type are written once, here; the names are the stored texts
// that the notification centre delivers by. Without a centre argument a handle uses the shared one.
//
//     notify::showHelp.post(center);
//     notify::showHelp.observe(center, this, [this] { ... });

#include "Stores/NotificationCenter.h"

#include <QVariant>
#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>
#include <utility>

class QObject;

namespace vell {

// How a payload travels as the notification's object.
template <typename Payload>
struct NotificationPayload;

template <>
struct NotificationPayload<std::int64_t> {
    static QVariant encode(std::int64_t value) { return QVariant::fromValue<qint64>(value); }
    // Any integer object is taken; anything else is no payload, and the observer is not called.
    static std::optional<std::int64_t> decode(const QVariant& object) {
        switch (object.metaType().id()) {
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::Long:
        case QMetaType::ULong:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
            return object.toLongLong();
        default:
            return std::nullopt;
        }
    }
};

// A notification carrying a payload of type `Payload` as its object.
template <typename Payload = void>
class Notification {
public:
    using Handler = std::function<void(const Payload&)>;

    explicit constexpr Notification(std::string_view name) : name_(name) {}

    constexpr std::string_view name() const { return name_; }

    void post(const Payload& payload) const { post(NotificationCenter::shared(), payload); }
    void post(NotificationCenter& center, const Payload& payload) const {
        center.post(name_, NotificationPayload<Payload>::encode(payload));
    }

    NotificationCenter::Observation observe(QObject* context, Handler handler) const {
        return observe(NotificationCenter::shared(), context, std::move(handler));
    }
    NotificationCenter::Observation observe(NotificationCenter& center, QObject* context,
                                            Handler handler) const {
        return center.observe(name_, context, [handler = std::move(handler)](const QVariant& object) {
            if (const std::optional<Payload> payload = NotificationPayload<Payload>::decode(object))
                handler(*payload);
        });
    }

private:
    std::string_view name_;
};

// A notification posted with no object; its observers never look at the object.
template <>
class Notification<void> {
public:
    using Handler = std::function<void()>;

    explicit constexpr Notification(std::string_view name) : name_(name) {}

    constexpr std::string_view name() const { return name_; }

    void post() const { post(NotificationCenter::shared()); }
    void post(NotificationCenter& center) const { center.post(name_); }

    NotificationCenter::Observation observe(QObject* context, Handler handler) const {
        return observe(NotificationCenter::shared(), context, std::move(handler));
    }
    NotificationCenter::Observation observe(NotificationCenter& center, QObject* context,
                                            Handler handler) const {
        return center.observe(name_, context, [handler = std::move(handler)](const QVariant&) { handler(); });
    }

private:
    std::string_view name_;
};

namespace notify {} // namespace notify

} // namespace vell
