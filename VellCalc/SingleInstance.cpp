#include "SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <optional>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace vell {

namespace {

constexpr char windowRequest[] = "window\n";
constexpr char windowAnswer[] = "ok\n";
// Without the terminating zero.
constexpr std::size_t requestLength = sizeof windowRequest - 1;
constexpr std::size_t answerLength = sizeof windowAnswer - 1;

std::optional<sockaddr_un> addressOf(const QString& path) {
    const QByteArray bytes = QFile::encodeName(path);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (bytes.isEmpty() || static_cast<std::size_t>(bytes.size()) >= sizeof address.sun_path)
        return std::nullopt;
    std::memcpy(address.sun_path, bytes.constData(), static_cast<std::size_t>(bytes.size()));
    return address;
}

int streamSocket(int flags = 0) {
    return ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | flags, 0);
}

bool connectTo(int socket, const sockaddr_un& address) {
    int result = 0;
    do {
        result = ::connect(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    } while (result != 0 && errno == EINTR);
    return result == 0;
}

// Waits for the socket to become ready for `events` until the deadline.
bool waitFor(int socket, short events, std::chrono::steady_clock::time_point deadline) {
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        pollfd entry{socket, events, 0};
        const int ready = ::poll(&entry, 1, static_cast<int>(left.count()));
        if (ready > 0) return true;
        if (ready < 0 && errno != EINTR) return false;
    }
}

} // namespace

struct SingleInstance::Caller {
    int socket = -1;
    QByteArray received;
    std::unique_ptr<QSocketNotifier> notifier;
};

QString SingleInstance::serverName(const QString& documentPath) {
    const QByteArray path = QFileInfo(documentPath).absoluteFilePath().toUtf8();
    const QByteArray digest = QCryptographicHash::hash(path, QCryptographicHash::Sha256).toHex().left(20);
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty()) folder = QDir::tempPath();
    return QDir(folder).filePath(QStringLiteral("vell-") + QString::fromLatin1(digest));
}

bool SingleInstance::requestWindow(const QString& name, int timeoutMilliseconds) {
    const auto address = addressOf(name);
    if (!address) return false;
    const int socket = streamSocket();
    if (socket < 0) return false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMilliseconds);
    bool answered = false;
    if (connectTo(socket, *address) &&
        ::send(socket, windowRequest, requestLength, MSG_NOSIGNAL) == static_cast<ssize_t>(requestLength)) {
        char answer[answerLength] = {};
        std::size_t got = 0;
        while (got < answerLength && waitFor(socket, POLLIN, deadline)) {
            const ssize_t n = ::recv(socket, answer + got, answerLength - got, 0);
            if (n <= 0 && errno != EINTR) break;
            if (n > 0) got += static_cast<std::size_t>(n);
        }
        answered = got == answerLength && std::memcmp(answer, windowAnswer, answerLength) == 0;
    }
    ::close(socket);
    return answered;
}

SingleInstance::SingleInstance(QObject* parent) : QObject(parent) {}

SingleInstance::~SingleInstance() {
    for (const auto& caller : callers_)
        ::close(caller->socket);
    if (socket_ < 0) return;
    notifier_.reset();
    ::close(socket_);
    ::unlink(QFile::encodeName(path_).constData());
}

SingleInstance::Listening SingleInstance::listen(const QString& name) {
    if (socket_ >= 0) return Listening::failed;
    const auto address = addressOf(name);
    if (!address) return Listening::failed;
    const int socket = streamSocket(SOCK_NONBLOCK);
    if (socket < 0) return Listening::failed;
    const auto bindTo = [&] {
        return ::bind(socket, reinterpret_cast<const sockaddr*>(&*address), sizeof *address) == 0;
    };
    bool bound = bindTo();
    if (!bound && errno == EADDRINUSE) {
        // The name is taken: by a Vell that answers, or by the socket file of one that is gone.
        const int probe = streamSocket();
        const bool running = probe >= 0 && connectTo(probe, *address);
        if (probe >= 0) ::close(probe);
        if (running) {
            ::close(socket);
            return Listening::heldByAnother;
        }
        ::unlink(address->sun_path);
        bound = bindTo();
    }
    if (!bound || ::listen(socket, 8) != 0) {
        ::close(socket);
        return Listening::failed;
    }
    socket_ = socket;
    path_ = name;
    notifier_ = std::make_unique<QSocketNotifier>(socket_, QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &SingleInstance::accept);
    return Listening::started;
}

void SingleInstance::accept() {
    for (;;) {
        const int socket = ::accept4(socket_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (socket < 0) return;
        auto caller = std::make_unique<Caller>();
        caller->socket = socket;
        caller->notifier = std::make_unique<QSocketNotifier>(socket, QSocketNotifier::Read);
        Caller* raw = caller.get();
        connect(caller->notifier.get(), &QSocketNotifier::activated, this, [this, raw] { read(*raw); });
        callers_.push_back(std::move(caller));
    }
}

void SingleInstance::read(Caller& caller) {
    char buffer[64];
    for (;;) {
        const ssize_t n = ::recv(caller.socket, buffer, sizeof buffer, 0);
        if (n > 0) {
            caller.received.append(buffer, n);
            // A caller that sends what no Vell sends is not listened to for long.
            if (caller.received.size() > 1024) return drop(caller);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
        return drop(caller); // the caller is gone
    }
    qsizetype end = 0;
    while ((end = caller.received.indexOf('\n')) >= 0) {
        const QByteArray line = caller.received.left(end + 1);
        caller.received.remove(0, end + 1);
        if (line != QByteArray(windowRequest)) continue;
        [[maybe_unused]] const auto sent = ::send(caller.socket, windowAnswer, answerLength, MSG_NOSIGNAL);
        emit windowRequested();
    }
}

void SingleInstance::drop(Caller& caller) {
    // The notifier may be the one whose signal is running.
    caller.notifier->setEnabled(false);
    caller.notifier.release()->deleteLater();
    ::close(caller.socket);
    std::erase_if(callers_, [&caller](const std::unique_ptr<Caller>& each) { return each.get() == &caller; });
}

} // namespace vell
