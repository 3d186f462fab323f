#include "Stores/StorageNotices.h"

#include <utility>

namespace vell {

void StorageNotices::set(Topic topic, QString message) {
    auto& slot = messages_[index(topic)];
    if (slot == message) return;
    slot = std::move(message);
    emit changed(topic);
}

void StorageNotices::clear(Topic topic) {
    auto& slot = messages_[index(topic)];
    if (!slot) return;
    slot.reset();
    emit changed(topic);
}

} // namespace vell
