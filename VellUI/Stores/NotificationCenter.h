#pragma once

// Process notifications posted and observed by name. An observer lives as long as its context
// object and always runs on the main thread; a post from the main thread reaches every observer
// before it returns.

#include <QPointer>
#include <QVariant>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class QObject;

namespace vell {

class NotificationCenter {
public:
    // The payload, where there is one, travels as the object; most posts carry none.
    using Handler = std::function<void(const QVariant& object)>;
    using Observation = std::uint64_t;

    static NotificationCenter& shared();

    NotificationCenter() = default;
    NotificationCenter(const NotificationCenter&) = delete;
    NotificationCenter& operator=(const NotificationCenter&) = delete;

    // Main thread only. The observer is dropped when the context is destroyed; a null context keeps
    // it until `remove`.
    Observation observe(std::string_view name, QObject* context, Handler handler);
    void remove(Observation observation);

    // From another thread the delivery is queued to the main thread.
    void post(std::string_view name, const QVariant& object = {});

private:
    struct Observer {
        Observation id = 0;
        bool weak = false;
        bool removed = false;
        QPointer<QObject> context;
        Handler handler;

        bool alive() const { return !removed && (!weak || context); }
    };

    void deliver(const std::string& name, const QVariant& object);
    void prune(std::vector<std::shared_ptr<Observer>>& list);

    std::map<std::string, std::vector<std::shared_ptr<Observer>>, std::less<>> observers_;
    Observation next_ = 1;
};

} // namespace vell
