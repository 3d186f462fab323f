#include "QuitSignals.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>

namespace vell {

namespace {

constexpr std::array quitSignals{SIGINT, SIGTERM, SIGHUP};

// [0] is written by the handler, [1] read on the main thread.
int signalPipe[2] = {-1, -1};
// The same for the watch: [0] written by the handler (and by the destructor: a zero, to stop), [1] read
// by the watch's thread.
int watchPipe[2] = {-1, -1};
// The main thread has read the signal and is ending the run.
std::atomic<bool> signalTaken{false};

void onQuitSignal(int number) {
    const int savedErrno = errno;
    const char byte = static_cast<char>(number);
    [[maybe_unused]] const auto written = ::write(signalPipe[0], &byte, 1);
    if (watchPipe[0] >= 0) {
        [[maybe_unused]] const auto watched = ::write(watchPipe[0], &byte, 1);
    }
    errno = savedErrno;
}

// A byte from the pipe, waiting at most `timeout` milliseconds (forever when negative); -1 when none came.
int readByte(int fd, int timeout) {
    pollfd entry{fd, POLLIN, 0};
    for (;;) {
        const int ready = ::poll(&entry, 1, timeout);
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return -1;
        unsigned char byte = 0;
        const auto read = ::read(fd, &byte, 1);
        if (read < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        return read == 1 ? byte : -1;
    }
}

void setHandler(void (*handler)(int)) {
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int number : quitSignals)
        sigaction(number, &action, nullptr);
}

} // namespace

QuitSignals::QuitSignals(std::function<void()> onSignal, QObject* parent)
    : QObject(parent), onSignal_(std::move(onSignal)) {
    if (signalPipe[0] >= 0) return;
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, signalPipe) != 0) {
        signalPipe[0] = signalPipe[1] = -1;
        return;
    }
    notifier_ = std::make_unique<QSocketNotifier>(signalPipe[1], QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &QuitSignals::readSignal);
    setHandler(onQuitSignal);
}

QuitSignals::QuitSignals(std::function<void()> onSignal, std::function<void()> lastResort,
                         std::chrono::milliseconds patience, std::chrono::milliseconds endingPatience,
                         QObject* parent)
    : QuitSignals(std::move(onSignal), parent) {
    if (installed()) watch(std::move(lastResort), patience, endingPatience);
}

void QuitSignals::watch(std::function<void()> lastResort, std::chrono::milliseconds patience,
                        std::chrono::milliseconds endingPatience) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, watchPipe) != 0) {
        watchPipe[0] = watchPipe[1] = -1;
        return;
    }
    signalTaken = false;
    watch_ = std::thread([lastResort = std::move(lastResort), patience, endingPatience, fd = watchPipe[1]] {
        using Clock = std::chrono::steady_clock;
        const int number = readByte(fd, -1);
        if (number <= 0) return;
        // Ended in time: the destructor's zero. Otherwise the wait is over, or a second signal says not
        // to wait any longer: unless the main thread is ending the run, whose writes and pushes would be
        // cut off half-way. That end is waited for, however many signals come, up to its own patience.
        auto deadline = Clock::now() + patience;
        bool ending = false;
        for (;;) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
            const int next = readByte(fd, static_cast<int>(std::max<std::int64_t>(left.count(), 0)));
            if (next == 0) return;
            if (!ending && signalTaken) {
                ending = true;
                deadline = Clock::now() + endingPatience;
                continue;
            }
            if (ending && next > 0 && Clock::now() < deadline) continue;
            break;
        }
        if (lastResort) lastResort();
        ::signal(number, SIG_DFL);
        ::raise(number);
        ::_exit(128 + number);
    });
}

QuitSignals::~QuitSignals() {
    if (watch_.joinable()) {
        const int fd = std::exchange(watchPipe[0], -1);
        const char stop = 0;
        [[maybe_unused]] const auto written = ::write(fd, &stop, 1);
        watch_.join();
        ::close(fd);
        ::close(watchPipe[1]);
        watchPipe[1] = -1;
    }
    if (!notifier_) return;
    setHandler(SIG_DFL);
    notifier_.reset();
    ::close(signalPipe[0]);
    ::close(signalPipe[1]);
    signalPipe[0] = signalPipe[1] = -1;
}

void QuitSignals::readSignal() {
    char bytes[16];
    while (::read(signalPipe[1], bytes, sizeof bytes) > 0) {
    }
    signalTaken = true;
    if (onSignal_) onSignal_();
}

} // namespace vell
