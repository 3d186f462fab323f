#include "Window/StorageNoticeList.h"

#include "Dialogs/NoticeBar.h"

#include <QVBoxLayout>

namespace vell {

namespace {

constexpr std::array topics{StorageNotices::Topic::save, StorageNotices::Topic::sync,
                            StorageNotices::Topic::recovered};
static_assert(topics.size() == StorageNotices::topicCount);

std::size_t indexOf(StorageNotices::Topic topic) {
    return static_cast<std::size_t>(topic);
}

} // namespace

StorageNoticeList::StorageNoticeList(StorageNotices& notices, Appearance& appearance, QWidget* parent)
    : QWidget(parent), notices_(notices) {
    setObjectName(QStringLiteral("storageNotices"));
    // No room taken while there is nothing to say.
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (const auto topic : topics) {
        const bool news = topic == StorageNotices::Topic::recovered;
        auto* bar =
            new NoticeBar(news ? NoticeBar::Kind::information : NoticeBar::Kind::warning, appearance, this);
        if (news) {
            bar->setDismissible(true);
            connect(bar, &NoticeBar::dismissed, this, [this, topic] { notices_.clear(topic); });
        }
        layout->addWidget(bar);
        bars_[indexOf(topic)] = bar;
        refresh(topic);
    }
    connect(&notices_, &StorageNotices::changed, this, &StorageNoticeList::refresh);
}

NoticeBar& StorageNoticeList::notice(StorageNotices::Topic topic) const {
    return *bars_[indexOf(topic)];
}

void StorageNoticeList::refresh(StorageNotices::Topic topic) {
    const auto& message = notices_.message(topic);
    notice(topic).setText(message.value_or(QString()));
    bool any = false;
    for (const auto each : topics)
        any = any || notices_.message(each).has_value();
    setVisible(any);
}

} // namespace vell
