// A quit signal ends the process also when the main thread is too busy to take it: the last resort
// runs on the watch's thread and the process ends as the signal ends it. Each case runs in a child
// process, which the signal is sent to.

#include "QuitSignals.h"

#include <QCoreApplication>
#include <chrono>
#include <csignal>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace vell {
namespace {

using namespace std::chrono_literals;

struct Child {
    pid_t pid = -1;
    int report = -1; // what the child wrote: 'r' once ready, 'w' from the last resort
};

// The child installs the installed, says it is ready and then does `work`; it never returns.
template <class Work>
Child start(Work work) {
    int fds[2];
    if (::pipe(fds) != 0) return {};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        const int out = fds[1];
        bool quit = false;
        auto* installed = new QuitSignals([&quit] { quit = true; },
                                          [out] {
                                              const char byte = 'w';
                                              [[maybe_unused]] const auto written = ::write(out, &byte, 1);
                                          },
                                          300ms, 1500ms);
        const char ready = 'r';
        [[maybe_unused]] const auto written = ::write(out, &ready, 1);
        work(quit, installed);
        ::_exit(0);
    }
    ::close(fds[1]);
    return {pid, fds[0]};
}

// Up to `most` bytes, as many as come within the timeout.
std::string readSome(int fd, std::chrono::milliseconds timeout, std::size_t most = 16) {
    std::string out;
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (out.size() < most) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        pollfd entry{fd, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&entry, 1, static_cast<int>(left.count())) <= 0) break;
        char byte = 0;
        if (::read(fd, &byte, 1) != 1) break;
        out.push_back(byte);
    }
    return out;
}

// The child's status once it ended, or none when it did not end within the timeout (it is killed then).
std::optional<int> waitFor(pid_t pid, std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    int status = 0;
    while (std::chrono::steady_clock::now() < end) {
        if (::waitpid(pid, &status, WNOHANG) == pid) return status;
        std::this_thread::sleep_for(20ms);
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &status, 0);
    return std::nullopt;
}

TEST(QuitSignalsTest, ABusyMainThreadDoesNotKeepTheProcessFromEnding) {
    const Child child = start([](bool&, QuitSignals*) {
        // Busy for far longer than the patience, never back in the event loop.
        const auto end = std::chrono::steady_clock::now() + 30s;
        while (std::chrono::steady_clock::now() < end) {
        }
    });
    ASSERT_GT(child.pid, 0);
    ASSERT_EQ(readSome(child.report, 5s, 1), "r");
    ::kill(child.pid, SIGTERM);
    const auto status = waitFor(child.pid, 10s);
    ASSERT_TRUE(status) << "the process went on after SIGTERM";
    EXPECT_TRUE(WIFSIGNALED(*status) && WTERMSIG(*status) == SIGTERM);
    EXPECT_EQ(readSome(child.report, 1s), "w") << "the last resort ran first";
    ::close(child.report);
}

TEST(QuitSignalsTest, AMainThreadThatEndsTheRunInTimeIsNotInterrupted) {
    const Child child = start([](bool& quit, QuitSignals* installed) {
        const auto end = std::chrono::steady_clock::now() + 10s;
        while (!quit && std::chrono::steady_clock::now() < end)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        delete installed;
        ::_exit(quit ? 3 : 4);
    });
    ASSERT_GT(child.pid, 0);
    ASSERT_EQ(readSome(child.report, 5s, 1), "r");
    ::kill(child.pid, SIGTERM);
    const auto status = waitFor(child.pid, 10s);
    ASSERT_TRUE(status);
    ASSERT_TRUE(WIFEXITED(*status));
    EXPECT_EQ(WEXITSTATUS(*status), 3) << "the main thread took the signal";
    EXPECT_EQ(readSome(child.report, 500ms), "") << "no last resort";
    ::close(child.report);
}

// The main thread took the first signal and is ending the run (writing the document, pushing it to the
// shared copy): a second signal soon after, or the patience running out, must not cut that short.
TEST(QuitSignalsTest, ASecondSignalWaitsForTheEndTheMainThreadBegan) {
    for (const bool second : {true, false}) {
        SCOPED_TRACE(second ? "a second signal" : "the patience runs out");
        const Child child = start([](bool& quit, QuitSignals* installed) {
            const auto end = std::chrono::steady_clock::now() + 10s;
            while (!quit && std::chrono::steady_clock::now() < end)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
            // The end of the run: longer than the patience.
            std::this_thread::sleep_for(1s);
            delete installed;
            ::_exit(quit ? 3 : 4);
        });
        ASSERT_GT(child.pid, 0);
        ASSERT_EQ(readSome(child.report, 5s, 1), "r");
        ::kill(child.pid, SIGTERM);
        if (second) {
            std::this_thread::sleep_for(50ms);
            ::kill(child.pid, SIGTERM);
        }
        const auto status = waitFor(child.pid, 10s);
        ASSERT_TRUE(status);
        ASSERT_TRUE(WIFEXITED(*status)) << "ended by the signal before the end was made";
        EXPECT_EQ(WEXITSTATUS(*status), 3);
        EXPECT_EQ(readSome(child.report, 500ms), "") << "no last resort";
        ::close(child.report);
    }
}

// A main thread that took the signal and then never ends the run is given up on after all.
TEST(QuitSignalsTest, AnEndThatNeverFinishesIsGivenUpOn) {
    const Child child = start([](bool& quit, QuitSignals*) {
        const auto end = std::chrono::steady_clock::now() + 10s;
        while (!quit && std::chrono::steady_clock::now() < end)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        std::this_thread::sleep_for(30s);
        ::_exit(4);
    });
    ASSERT_GT(child.pid, 0);
    ASSERT_EQ(readSome(child.report, 5s, 1), "r");
    ::kill(child.pid, SIGTERM);
    std::this_thread::sleep_for(50ms);
    ::kill(child.pid, SIGTERM);
    const auto status = waitFor(child.pid, 10s);
    ASSERT_TRUE(status) << "the process went on";
    EXPECT_TRUE(WIFSIGNALED(*status) && WTERMSIG(*status) == SIGTERM);
    EXPECT_EQ(readSome(child.report, 1s), "w");
    ::close(child.report);
}

} // namespace
} // namespace vell
