#include "Stores/NotificationCenter.h"

#include <QCoreApplication>
#include <QObject>
#include <QThread>
#include <algorithm>

namespace vell {

NotificationCenter& NotificationCenter::shared() {
    static NotificationCenter* center = new NotificationCenter;
    return *center;
}

NotificationCenter::Observation NotificationCenter::observe(std::string_view name, QObject* context,
                                                            Handler handler) {
    auto observer = std::make_shared<Observer>();
    observer->id = next_++;
    observer->weak = context != nullptr;
    observer->context = context;
    observer->handler = std::move(handler);

    auto found = observers_.find(name);
    if (found == observers_.end())
        found = observers_.emplace(std::string(name), decltype(found->second){}).first;
    prune(found->second);
    found->second.push_back(std::move(observer));
    return found->second.back()->id;
}

void NotificationCenter::remove(Observation observation) {
    for (auto& [name, list] : observers_) {
        for (auto& observer : list) {
            if (observer->id == observation) observer->removed = true;
        }
        prune(list);
    }
}

void NotificationCenter::post(std::string_view name, const QVariant& object) {
    QCoreApplication* application = QCoreApplication::instance();
    if (application && QThread::currentThread() != application->thread()) {
        QMetaObject::invokeMethod(
            application, [this, name = std::string(name), object] { deliver(name, object); },
            Qt::QueuedConnection);
        return;
    }
    deliver(std::string(name), object);
}

void NotificationCenter::deliver(const std::string& name, const QVariant& object) {
    const auto found = observers_.find(name);
    if (found == observers_.end()) return;
    // A handler may observe, remove or post in turn: walk a copy, and skip observers removed meanwhile.
    const std::vector<std::shared_ptr<Observer>> snapshot = found->second;
    for (const auto& observer : snapshot) {
        if (observer->alive()) observer->handler(object);
    }
    prune(found->second);
}

void NotificationCenter::prune(std::vector<std::shared_ptr<Observer>>& list) {
    std::erase_if(list, [](const auto& observer) { return !observer->alive(); });
}

} // namespace vell
