#pragma once

// Records the posts of the shared notification centre under some names, for as long as it lives, with
// their objects as posted; pass the names as `notify::showHelp.name()`.

#include "Stores/Notifications.h"

#include <QObject>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vell::testsupport {

class NotificationRecorder {
public:
    struct Post {
        std::string name;
        QVariant object;
    };

    // `onPost` runs inside the delivery, before the post is recorded.
    explicit NotificationRecorder(std::vector<std::string_view> names, std::function<void()> onPost = {}) {
        for (const std::string_view name : names) {
            NotificationCenter::shared().observe(
                name, &context_, [this, name = std::string(name), onPost](const QVariant& object) {
                    if (onPost) onPost();
                    posts.push_back({name, object});
                });
        }
    }

    int count(std::string_view name) const {
        int n = 0;
        for (const Post& post : posts)
            n += post.name == name;
        return n;
    }

    std::vector<Post> posts;

private:
    QObject context_;
};

} // namespace vell::testsupport
