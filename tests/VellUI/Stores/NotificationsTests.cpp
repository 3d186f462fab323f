#include "Stores/Notifications.h"

#include <QObject>
#include <QString>
#include <gtest/gtest.h>
#include <string_view>
#include <vector>

namespace vell {
namespace {

TEST(Notifications, EachHandleHoldsItsStoredName) {
    const struct {
        std::string_view name;
        std::string_view stored;
    } cases[] = {
        {notify::undo.name(), "vell.undo"},
        {notify::redo.name(), "vell.redo"},
        {notify::setCaret.name(), "vell.setCaret"},
        {notify::clearSheet.name(), "vell.clearSheet"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.name, c.stored);
}

TEST(Notifications, TheCaretTravelsAsAnIntegerObjectAndAnythingElseIsIgnored) {
    NotificationCenter center;
    QObject context;
    std::vector<std::int64_t> typed;
    std::vector<QVariant> raw;
    notify::setCaret.observe(center, &context, [&](std::int64_t caret) { typed.push_back(caret); });
    center.observe("vell.setCaret", &context, [&](const QVariant& object) { raw.push_back(object); });

    notify::setCaret.post(center, 7);
    center.post("vell.setCaret", QVariant::fromValue<int>(3));
    center.post("vell.setCaret", QVariant::fromValue<qulonglong>(5'000'000'000ULL));
    center.post("vell.setCaret", QString("4"));
    center.post("vell.setCaret");

    EXPECT_EQ(typed, (std::vector<std::int64_t>{7, 3, 5'000'000'000}));
    ASSERT_EQ(raw.size(), 5u);
    EXPECT_EQ(raw[0].metaType(), QMetaType::fromType<qint64>());
    EXPECT_EQ(raw[0].toLongLong(), 7);
}

TEST(Notifications, PostsWithoutAnObjectReachTheirOwnCentreOnly) {
    NotificationCenter center;
    QObject context;
    int local = 0, shared = 0;
    std::vector<QVariant> objects;
    notify::undo.observe(center, &context, [&] { ++local; });
    notify::undo.observe(&context, [&] { ++shared; });
    center.observe("vell.undo", &context, [&](const QVariant& object) { objects.push_back(object); });

    notify::undo.post(center);
    notify::redo.post(center);
    center.post("vell.undo", 1); // an unexpected object does not keep the observer from running
    EXPECT_EQ(local, 2);
    EXPECT_EQ(shared, 0);
    ASSERT_EQ(objects.size(), 2u);
    EXPECT_FALSE(objects[0].isValid());

    notify::undo.post();
    EXPECT_EQ(local, 2);
    EXPECT_EQ(shared, 1);
}

} // namespace
} // namespace vell
