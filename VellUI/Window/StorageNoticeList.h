#pragma once

// What every window tells the user about the document's way to the disk and to the other computers: one
// notice for each topic of the store's StorageNotices while it has a message, across the top of the
// window. Saving and syncing are warnings that go when their problem does; a copy taken back is news
// the user dismisses, in one window for all.

#include "Stores/StorageNotices.h"

#include <QWidget>
#include <array>

namespace vell {

class Appearance;
class NoticeBar;

class StorageNoticeList : public QWidget {
    Q_OBJECT

public:
    StorageNoticeList(StorageNotices& notices, Appearance& appearance, QWidget* parent = nullptr);

    NoticeBar& notice(StorageNotices::Topic topic) const;

private:
    void refresh(StorageNotices::Topic topic);

    StorageNotices& notices_;
    std::array<NoticeBar*, StorageNotices::topicCount> bars_{};
};

} // namespace vell
