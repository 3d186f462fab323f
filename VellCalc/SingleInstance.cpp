#include "SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
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

const QString ownFolderName = QStringLiteral("vell-sockets");

// A real folder (no link) of this user's that no one else may enter.
bool isPrivateFolder(const QByteArray& path) {
    struct stat status {};
    return ::lstat(path.constData(), &status) == 0 && S_ISDIR(status.st_mode) &&
           status.st_uid == ::geteuid() && (status.st_mode & 077) == 0;
}

std::optional<QString> absoluteFolder(const QByteArray& variable) {
    const QString value = qEnvironmentVariable(variable.constData());
    if (value.isEmpty() || QDir::isRelativePath(value)) return std::nullopt;
    // Without a trailing slash, which would make lstat follow a link.
    return QDir::cleanPath(value);
}

std::optional<QString> cacheFolder() {
    if (auto cache = absoluteFolder("XDG_CACHE_HOME")) return cache;
    std::optional<QString> home = absoluteFolder("HOME");
    if (!home) {
        const passwd* user = ::getpwuid(::geteuid());
        if (!user || !user->pw_dir || user->pw_dir[0] != '/') return std::nullopt;
        home = QDir::cleanPath(QFile::decodeName(user->pw_dir));
    }
    return QDir(*home).filePath(QStringLiteral(".cache"));
}

// Vell's own folder for sockets in the user's cache folder, made 0700 (with any missing folders above it).
std::optional<QString> ownPrivateFolder() {
    const auto cache = cacheFolder();
    if (!cache) return std::nullopt;
    const QString folder = QDir(*cache).filePath(ownFolderName);
    QString made;
    for (const QString& part : folder.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        made += QLatin1Char('/') + part;
        ::mkdir(QFile::encodeName(made).constData(), 0700);
    }
    const QByteArray path = QFile::encodeName(folder);
    struct stat status {};
    if (::lstat(path.constData(), &status) != 0 || !S_ISDIR(status.st_mode) || status.st_uid != ::geteuid())
        return std::nullopt;
    // Vell's own folder, left open by an earlier umask or by hand: closed to others again.
    if ((status.st_mode & 077) != 0 && ::chmod(path.constData(), 0700) != 0) return std::nullopt;
    if (!isPrivateFolder(path)) return std::nullopt;
    return folder;
}

// The user id of the process at the other end of a connected socket.
std::optional<uid_t> peerUser(int socket) {
    ucred credentials{};
    socklen_t size = sizeof credentials;
    if (::getsockopt(socket, SOL_SOCKET, SO_PEERCRED, &credentials, &size) != 0 || size != sizeof credentials)
        return std::nullopt;
    return credentials.uid;
}

bool isOwnUser(int socket) {
    return peerUser(socket) == ::geteuid();
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

// An entry of the socket folder, looked at without following a link.
std::optional<struct stat> entryStatus(int folder, const QByteArray& entry) {
    struct stat status {};
    if (::fstatat(folder, entry.constData(), &status, AT_SYMLINK_NOFOLLOW) != 0) return std::nullopt;
    return status;
}

bool isOwnLockFile(const struct stat& status) {
    return S_ISREG(status.st_mode) && status.st_uid == ::geteuid();
}

// The lock file, made when missing. -1 when something else stands at its name: a link, a file of another
// user, a folder, a pipe (not opened: a pipe or a device could block or do something when opened).
int openLockFile(int folder, const QByteArray& entry) {
    if (const auto status = entryStatus(folder, entry); status && !isOwnLockFile(*status)) return -1;
    const int lock =
        ::openat(folder, entry.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0600);
    if (lock < 0) return -1;
    struct stat status {};
    if (::fstat(lock, &status) != 0 || !isOwnLockFile(status)) {
        ::close(lock);
        return -1;
    }
    return lock;
}

// Removes an entry without following it; a folder only when empty.
bool removeEntry(int folder, const QByteArray& entry, const struct stat& status) {
    return ::unlinkat(folder, entry.constData(), S_ISDIR(status.st_mode) ? AT_REMOVEDIR : 0) == 0;
}

// Held while a start removes what stands at a lock file's name: otherwise a start that found the same
// entry a moment earlier could remove the lock file another one has just made and locked, and both would
// listen. Another program that holds the folder's lock for long is not waited for.
class FolderLock {
public:
    explicit FolderLock(int folder) : folder_(folder) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
        while (::flock(folder_, LOCK_EX | LOCK_NB) != 0) {
            if ((errno != EWOULDBLOCK && errno != EINTR) || std::chrono::steady_clock::now() > deadline)
                return;
            ::usleep(5000);
        }
        held_ = true;
    }
    ~FolderLock() {
        if (held_) ::flock(folder_, LOCK_UN);
    }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;
    bool held() const { return held_; }

private:
    int folder_;
    bool held_ = false;
};

} // namespace

struct SingleInstance::Caller {
    int socket = -1;
    QByteArray received;
    std::unique_ptr<QSocketNotifier> notifier;
};

std::optional<QString> SingleInstance::privateFolder() {
    if (const auto runtime = absoluteFolder("XDG_RUNTIME_DIR");
        runtime && isPrivateFolder(QFile::encodeName(*runtime)))
        return runtime;
    // Where a login session's runtime folder is, so that a start without the variable (su, cron, a remote
    // shell) still finds the Vell of the user's desktop on the same document.
    const QString sessionRuntime = QStringLiteral("/run/user/") + QString::number(::geteuid());
    if (isPrivateFolder(QFile::encodeName(sessionRuntime))) return sessionRuntime;
    return ownPrivateFolder();
}

std::optional<QString> SingleInstance::serverName(const QString& documentPath) {
    const auto folder = privateFolder();
    if (!folder) return std::nullopt;
    const QByteArray path = QFileInfo(documentPath).absoluteFilePath().toUtf8();
    const QByteArray digest = QCryptographicHash::hash(path, QCryptographicHash::Sha256).toHex().left(20);
    return QDir(*folder).filePath(QStringLiteral("vell-") + QString::fromLatin1(digest));
}

bool SingleInstance::requestWindow(const QString& name, int timeoutMilliseconds) {
    const auto address = addressOf(name);
    if (!address) return false;
    // Only a socket itself: a link there, which no Vell makes, could lead to a Vell of another document.
    struct stat status {};
    if (::lstat(address->sun_path, &status) != 0 || !S_ISSOCK(status.st_mode)) return false;
    const int socket = streamSocket();
    if (socket < 0) return false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMilliseconds);
    bool answered = false;
    // A listener of another user could answer only to keep this start from running.
    if (connectTo(socket, *address) && isOwnUser(socket) &&
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
    // Removed while the lock is held, so that it cannot take a newer listener's socket with it.
    ::unlink(QFile::encodeName(path_).constData());
    ::close(lock_);
}

SingleInstance::Listening SingleInstance::listen(const QString& name) {
    if (socket_ >= 0) return Listening::failed;
    const auto address = addressOf(name);
    if (!address) return Listening::failed;
    const QFileInfo place(name);
    const QByteArray entry = QFile::encodeName(place.fileName());
    const int folder = ::open(QFile::encodeName(place.absolutePath()).constData(),
                              O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (folder < 0) return Listening::failed;
    const auto closeFolder = qScopeGuard([folder] { ::close(folder); });

    // In a folder of the user's own that no one else may enter, whatever stands at the names and was not
    // made by a Vell of this user (a lock file or listener of another user, a link, a folder) can only
    // have been left there or planted: it is removed. Anywhere else nothing is removed.
    struct stat folderStatus {};
    const bool ownFolder = ::fstat(folder, &folderStatus) == 0 && S_ISDIR(folderStatus.st_mode) &&
                           folderStatus.st_uid == ::geteuid() && (folderStatus.st_mode & 077) == 0;

    // Whoever holds the lock owns the name: a listener holds it for as long as it listens, so a free lock
    // means that a socket found there is stale, and only one start at a time can find that.
    const QByteArray lockEntry = entry + ".lock";
    int lock = openLockFile(folder, lockEntry);
    if (lock < 0 && ownFolder) {
        const FolderLock removing(folder);
        if (!removing.held()) return Listening::failed;
        // Looked at again under the folder's lock: another start may have put its own lock file there.
        if (const auto status = entryStatus(folder, lockEntry); status && !isOwnLockFile(*status))
            removeEntry(folder, lockEntry, *status);
        lock = openLockFile(folder, lockEntry);
    }
    if (lock < 0) return Listening::failed;
    int locked = 0;
    do {
        locked = ::flock(lock, LOCK_EX | LOCK_NB);
    } while (locked != 0 && errno == EINTR);
    if (locked != 0) {
        const bool held = errno == EWOULDBLOCK;
        ::close(lock);
        return held ? Listening::heldByAnother : Listening::failed;
    }

    const auto giveUp = [lock](Listening result, int socket = -1) {
        if (socket >= 0) ::close(socket);
        ::close(lock);
        return result;
    };
    // With the lock held no other Vell of this user touches the socket's name.
    if (const auto status = entryStatus(folder, entry)) {
        bool otherUsersListener = false;
        if (S_ISSOCK(status->st_mode)) {
            // A listener without the lock: a Vell of an earlier version, or a process of another user.
            const int probe = streamSocket();
            if (probe < 0) return giveUp(Listening::failed);
            if (connectTo(probe, *address)) {
                if (isOwnUser(probe)) return giveUp(Listening::heldByAnother, probe);
                otherUsersListener = true;
            }
            ::close(probe);
        }
        // Else a socket left by a Vell that is gone, or an entry no Vell makes.
        if (!ownFolder) return giveUp(otherUsersListener ? Listening::heldByOtherUser : Listening::failed);
        if (!removeEntry(folder, entry, *status)) return giveUp(Listening::failed);
    }

    const int socket = streamSocket(SOCK_NONBLOCK);
    if (socket < 0) return giveUp(Listening::failed);
    if (::bind(socket, reinterpret_cast<const sockaddr*>(&*address), sizeof *address) != 0 ||
        ::listen(socket, 8) != 0)
        return giveUp(Listening::failed, socket);
    socket_ = socket;
    lock_ = lock;
    path_ = name;
    notifier_ = std::make_unique<QSocketNotifier>(socket_, QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &SingleInstance::accept);
    return Listening::started;
}

void SingleInstance::accept() {
    for (;;) {
        const int socket = ::accept4(socket_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (socket < 0) return;
        // Another user has no business opening windows in this user's session.
        if (!isOwnUser(socket)) {
            ::close(socket);
            continue;
        }
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
