#include "Stores/NotificationCenter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <gtest/gtest.h>
#include <memory>

namespace vell {
namespace {

TEST(NotificationCenter, DeliversByNameWithThePayload) {
    NotificationCenter center;
    QObject context;
    std::vector<QVariant> caret;
    int undo = 0;
    center.observe("vell.setCaret", &context, [&](const QVariant& object) { caret.push_back(object); });
    center.observe("vell.undo", &context, [&](const QVariant& object) {
        EXPECT_FALSE(object.isValid());
        ++undo;
    });

    center.post("vell.setCaret", 7);
    center.post("vell.undo");
    center.post("vell.redo");
    center.post("vell.setcaret", 1); // names are exact

    ASSERT_EQ(caret.size(), 1u);
    EXPECT_EQ(caret[0].toInt(), 7);
    EXPECT_EQ(undo, 1);
}

TEST(NotificationCenter, ObserversDieWithTheirContextOrOnRemoval) {
    NotificationCenter center;
    int kept = 0, dropped = 0, removed = 0, unowned = 0;
    QObject keeper;
    auto doomed = std::make_unique<QObject>();
    center.observe("vell.redo", &keeper, [&](const QVariant&) { ++kept; });
    center.observe("vell.redo", doomed.get(), [&](const QVariant&) { ++dropped; });
    const auto observation = center.observe("vell.redo", &keeper, [&](const QVariant&) { ++removed; });
    const auto unownedObservation = center.observe("vell.redo", nullptr, [&](const QVariant&) { ++unowned; });

    center.post("vell.redo");
    doomed.reset();
    center.remove(observation);
    center.post("vell.redo");
    center.remove(unownedObservation);
    center.post("vell.redo");

    EXPECT_EQ(kept, 3);
    EXPECT_EQ(dropped, 1);
    EXPECT_EQ(removed, 1);
    EXPECT_EQ(unowned, 2);
}

TEST(NotificationCenter, HandlersMayChangeTheObserversWhileAPostIsDelivered) {
    NotificationCenter center;
    int first = 0, second = 0, late = 0, nested = 0;
    auto secondContext = std::make_unique<QObject>();
    QObject context;
    center.observe("vell.clearSheet", &context, [&](const QVariant&) {
        ++first;
        secondContext.reset(); // the observer after this one is gone before its turn
        center.observe("vell.clearSheet", &context, [&](const QVariant&) { ++late; });
        center.post("vell.setCaret", 0);
    });
    center.observe("vell.clearSheet", secondContext.get(), [&](const QVariant&) { ++second; });
    center.observe("vell.setCaret", &context, [&](const QVariant&) { ++nested; });

    center.post("vell.clearSheet");
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 0);
    EXPECT_EQ(late, 0); // joined during the post, hears the next one
    EXPECT_EQ(nested, 1);
}

TEST(NotificationCenter, PostsFromOtherThreadsArriveOnTheMainThread) {
    NotificationCenter center;
    QObject context;
    QThread* deliveredOn = nullptr;
    int payload = 0;
    center.observe("vell.setCaret", &context, [&](const QVariant& object) {
        deliveredOn = QThread::currentThread();
        payload = object.toInt();
    });

    std::unique_ptr<QThread> worker(QThread::create([&] { center.post("vell.setCaret", 42); }));
    worker->start();
    worker->wait();
    EXPECT_EQ(deliveredOn, nullptr); // queued, not run on the worker

    QElapsedTimer timer;
    timer.start();
    while (!deliveredOn && timer.elapsed() < 5000)
        QCoreApplication::processEvents();
    EXPECT_EQ(deliveredOn, QCoreApplication::instance()->thread());
    EXPECT_EQ(payload, 42);
}

} // namespace
} // namespace vell
