#include "Stores/Notifications.h"

#include <QObject>
#include <QString>
#include <gtest/gtest.h>
#include <string_view>
#include <vector>

namespace vell {
namespace {

constexpr Notification<std::int64_t> number{"test.number"};
constexpr Notification<> ping{"test.ping"};
constexpr Notification<> pong{"test.pong"};

TEST(Notifications, AnIntegerTravelsAsTheObjectAndAnythingElseIsIgnored) {
    NotificationCenter center;
    QObject context;
    std::vector<std::int64_t> typed;
    std::vector<QVariant> raw;
    number.observe(center, &context, [&](std::int64_t caret) { typed.push_back(caret); });
    center.observe("test.number", &context, [&](const QVariant& object) { raw.push_back(object); });

    number.post(center, 7);
    center.post("test.number", QVariant::fromValue<int>(3));
    center.post("test.number", QVariant::fromValue<qulonglong>(5'000'000'000ULL));
    center.post("test.number", QString("4"));
    center.post("test.number");

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
    ping.observe(center, &context, [&] { ++local; });
    ping.observe(&context, [&] { ++shared; });
    center.observe("test.ping", &context, [&](const QVariant& object) { objects.push_back(object); });

    ping.post(center);
    pong.post(center);
    center.post("test.ping", 1); // an unexpected object does not keep the observer from running
    EXPECT_EQ(local, 2);
    EXPECT_EQ(shared, 0);
    ASSERT_EQ(objects.size(), 2u);
    EXPECT_FALSE(objects[0].isValid());

    ping.post();
    EXPECT_EQ(local, 2);
    EXPECT_EQ(shared, 1);
}

} // namespace
} // namespace vell
