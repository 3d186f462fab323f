#pragma once

// What every window tells the user about the document's way to the disk and to the other computers: at
// most one message for each topic, in the interface language, set by whoever met the problem and cleared
// once it is over. Main thread only.

#include <QObject>
#include <QString>
#include <array>
#include <optional>

namespace vell {

class StorageNotices : public QObject {
    Q_OBJECT

public:
    enum class Topic {
        // The newest document is not on disk: why.
        save,
        // The shared copy in the sync folder cannot be used: why, naming the path.
        sync,
        // A copy kept elsewhere when an earlier run could not save was taken back into the document. Not a
        // problem that ends by itself: the user dismisses it.
        recovered,
    };
    static constexpr std::size_t topicCount = 3;

    using QObject::QObject;

    const std::optional<QString>& message(Topic topic) const { return messages_[index(topic)]; }
    // A message that stands already changes nothing.
    void set(Topic topic, QString message);
    void clear(Topic topic);

signals:
    void changed(vell::StorageNotices::Topic topic);

private:
    static std::size_t index(Topic topic) { return static_cast<std::size_t>(topic); }

    std::array<std::optional<QString>, topicCount> messages_;
};

} // namespace vell
