// The single-instance socket against other local users: where it is made, who is answered and trusted,
// and two starts racing for one name.

#include "SingleInstance.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <atomic>
#include <barrier>
#include <csignal>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <optional>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace vell {
namespace {

constexpr uid_t otherUser = 65534; // nobody

// Sets environment variables for as long as it lives, then puts back what was there.
class EnvironmentScope {
public:
    ~EnvironmentScope() {
        for (const auto& [name, value] : saved_) {
            if (value)
                qputenv(name.constData(), *value);
            else
                qunsetenv(name.constData());
        }
    }
    void set(const char* name, const std::optional<QByteArray>& value) {
        if (!saved_.contains(name))
            saved_[name] = qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt;
        if (value)
            qputenv(name, *value);
        else
            qunsetenv(name);
    }

private:
    std::map<QByteArray, std::optional<QByteArray>> saved_;
};

struct FolderStatus {
    bool realFolder = false;
    uid_t owner = 0;
    mode_t mode = 0;
};
FolderStatus statusOf(const QString& path) {
    struct stat status {};
    if (::lstat(QFile::encodeName(path).constData(), &status) != 0) return {};
    return {S_ISDIR(status.st_mode), status.st_uid, static_cast<mode_t>(status.st_mode & 07777)};
}

void chmodPath(const QString& path, mode_t mode) {
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), mode), 0) << path.toStdString();
}

// Where a user without a runtime folder of their own would have the socket: XDG_RUNTIME_DIR missing or
// unusable, and the shared temporary folder's "runtime-<user>" taken by someone else first.
TEST(SingleInstanceFolder, WithoutAPrivateRuntimeFolderTheSocketIsInAPrivateFolderOfTheUsersOwn) {
    QTemporaryDir sharedTemp;
    chmodPath(sharedTemp.path(), 01777);
    QTemporaryDir home;
    const QDir shared(sharedTemp.path());
    // Squatted by another user before this one's first start; a file stands in for a foreign folder.
    for (const char* squatted : {"runtime-root", "runtime-nobody"}) {
        QFile file(shared.filePath(squatted));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    for (const char* name : {"runtime-user", "runtime-ann"})
        QFile(shared.filePath(name)).open(QIODevice::WriteOnly);

    const QString tooOpen = QDir(home.path()).filePath("too-open");
    ASSERT_TRUE(QDir().mkpath(tooOpen));
    chmodPath(tooOpen, 0755);
    const QString foreign = QDir(home.path()).filePath("foreign");
    ASSERT_TRUE(QDir().mkpath(foreign));
    chmodPath(foreign, 0700);
    const bool canMakeForeign =
        ::geteuid() == 0 && ::chown(QFile::encodeName(foreign).constData(), otherUser, otherUser) == 0;
    const QString privateRuntime = QDir(home.path()).filePath("private");
    ASSERT_TRUE(QDir().mkpath(privateRuntime));
    chmodPath(privateRuntime, 0700);
    const QString linkToPrivate = QDir(home.path()).filePath("link-to-private");
    ASSERT_EQ(::symlink(QFile::encodeName(privateRuntime).constData(),
                        QFile::encodeName(linkToPrivate).constData()),
              0);

    struct Case {
        const char* what;
        std::optional<QString> runtime;
    };
    std::vector<Case> refused = {{"no runtime folder", std::nullopt},
                                 {"an empty one", QString()},
                                 {"a relative one", QStringLiteral("run/user")},
                                 {"one others may enter", tooOpen},
                                 {"a link to a private folder", linkToPrivate},
                                 {"the shared temporary folder", sharedTemp.path()}};
    if (canMakeForeign) refused.push_back({"another user's", foreign});
    for (const Case& runtime : refused) {
        SCOPED_TRACE(runtime.what);
        EnvironmentScope environment;
        environment.set("TMPDIR", QFile::encodeName(sharedTemp.path()));
        environment.set("XDG_CACHE_HOME", QFile::encodeName(QDir(home.path()).filePath("cache")));
        environment.set("XDG_RUNTIME_DIR",
                        runtime.runtime ? std::optional(QFile::encodeName(*runtime.runtime)) : std::nullopt);

        const auto name = SingleInstance::serverName(QDir(home.path()).filePath("data/Vell/document.json"));
        ASSERT_TRUE(name);
        const QString folder = QFileInfo(*name).absolutePath();
        EXPECT_FALSE(folder.startsWith(sharedTemp.path())) << folder.toStdString();
        EXPECT_NE(folder, tooOpen);
        EXPECT_NE(folder, foreign);
        const FolderStatus status = statusOf(folder);
        EXPECT_TRUE(status.realFolder) << folder.toStdString();
        EXPECT_EQ(status.owner, ::geteuid());
        EXPECT_EQ(status.mode, 0700u);
        EXPECT_EQ(statusOf(tooOpen).mode, 0755u) << "a folder that is not Vell's is left as it is";
    }

    // A runtime folder of the user's own that no one else may enter is the place.
    EnvironmentScope environment;
    environment.set("XDG_RUNTIME_DIR", QFile::encodeName(privateRuntime));
    EXPECT_EQ(SingleInstance::privateFolder(), privateRuntime);
}

// Another local user's processes, made for real: a child process that drops to another user id.
class SingleInstanceOtherUser : public ::testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0) GTEST_SKIP() << "another user's process can be made only by root";
        // A folder every user may enter, as a socket made with umask 000 in a shared folder would be.
        chmodPath(open.path(), 0777);
        name = QDir(open.path()).filePath("vell-test");
    }
    void TearDown() override {
        if (child > 0) {
            ::kill(child, SIGKILL);
            ::waitpid(child, nullptr, 0);
        }
    }

    // Runs `body` as the other user in a child process; only system calls happen there.
    void runAsOtherUser(const std::function<int()>& body) {
        child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            if (::setgid(otherUser) != 0 || ::setuid(otherUser) != 0) ::_exit(3);
            ::_exit(body());
        }
    }
    // The child's exit status, the event loop running meanwhile so that a listener here can answer.
    std::optional<int> childStatus(int patience = 10'000) {
        int status = 0;
        const bool ended =
            QTest::qWaitFor([&] { return ::waitpid(child, &status, WNOHANG) == child; }, patience);
        if (!ended) return std::nullopt;
        child = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    static sockaddr_un addressOf(const QByteArray& path) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, path.constData(), static_cast<std::size_t>(path.size()));
        return address;
    }

    // A process listens at the path: the socket file shows before its maker listens on it.
    static bool listensAt(const QString& path) {
        const sockaddr_un address = addressOf(QFile::encodeName(path));
        const int socket = ::socket(AF_UNIX, SOCK_STREAM, 0);
        const bool connected =
            ::connect(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
        ::close(socket);
        return connected;
    }

    QTemporaryDir open;
    QString name;
    pid_t child = -1;
};

TEST_F(SingleInstanceOtherUser, AListenerDoesNotAnswerAnotherUser) {
    SingleInstance running;
    ASSERT_EQ(running.listen(name), SingleInstance::Listening::started);
    chmodPath(name, 0777);
    QSignalSpy requests(&running, &SingleInstance::windowRequested);

    const sockaddr_un address = addressOf(QFile::encodeName(name));
    runAsOtherUser([&address] {
        const int socket = ::socket(AF_UNIX, SOCK_STREAM, 0);
        if (::connect(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) return 2;
        timeval patience{5, 0};
        ::setsockopt(socket, SOL_SOCKET, SO_RCVTIMEO, &patience, sizeof patience);
        if (::send(socket, "window\n", 7, MSG_NOSIGNAL) != 7) return 1;
        char answer[3] = {};
        return ::recv(socket, answer, sizeof answer, MSG_WAITALL) == 3 ? 0 : 1;
    });
    EXPECT_EQ(childStatus(), std::optional(1)) << "not answered";
    EXPECT_EQ(requests.count(), 0) << "no window opened for another user";
}

TEST_F(SingleInstanceOtherUser, AnotherUsersListenerIsNeitherTrustedNorHeldToBeARunningVell) {
    const sockaddr_un address = addressOf(QFile::encodeName(name));
    // Answers every caller at once, as a squatter would, to make a start end without a window.
    runAsOtherUser([&address] {
        const int socket = ::socket(AF_UNIX, SOCK_STREAM, 0);
        if (::bind(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) return 2;
        if (::listen(socket, 8) != 0) return 2;
        for (;;) {
            const int caller = ::accept(socket, nullptr, nullptr);
            if (caller < 0) continue;
            ::send(caller, "ok\n", 3, MSG_NOSIGNAL);
            ::close(caller);
        }
    });
    ASSERT_TRUE(QTest::qWaitFor([this] { return listensAt(name); }, 10'000));

    EXPECT_FALSE(SingleInstance::requestWindow(name, 1000)) << "its answer is not taken";
    SingleInstance instance;
    EXPECT_EQ(instance.listen(name), SingleInstance::Listening::heldByOtherUser)
        << "it is no running Vell of this user's";
}

// What stands at a path, looked at without following a link.
std::string entryOf(const QString& path) {
    struct stat status {};
    if (::lstat(QFile::encodeName(path).constData(), &status) != 0) return "nothing";
    const std::string owner = status.st_uid == ::geteuid() ? "own " : "foreign ";
    if (S_ISSOCK(status.st_mode)) return owner + "socket";
    if (S_ISREG(status.st_mode)) return owner + "file";
    if (S_ISLNK(status.st_mode)) return owner + "link";
    return owner + "other";
}

// What another user, or a start as root, may have left in the user's own socket folder: a lock file, a
// link or a listener that no Vell of this user made. Such an entry is removed without following it and the
// name is taken; the same in a folder that is not the user's own stays, and nothing is taken.
TEST_F(SingleInstanceOtherUser, EntriesNoVellOfTheUserMadeAreRemovedOnlyInAFolderOfTheUsersOwn) {
    // A listener of the other user, made while the folder let it in.
    const auto foreignListener = [this](const QString& path) {
        const QString folder = QFileInfo(path).absolutePath();
        const FolderStatus before = statusOf(folder);
        chmodPath(folder, 0777);
        const sockaddr_un address = addressOf(QFile::encodeName(path));
        runAsOtherUser([&address] {
            const int socket = ::socket(AF_UNIX, SOCK_STREAM, 0);
            if (::bind(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) return 2;
            if (::listen(socket, 8) != 0) return 2;
            for (;;)
                ::close(::accept(socket, nullptr, nullptr));
        });
        ASSERT_TRUE(QTest::qWaitFor([&path] { return listensAt(path); }, 10'000));
        chmodPath(folder, before.mode);
    };
    const auto foreignLock = [](const QString& path) {
        QFile(path + ".lock").open(QIODevice::WriteOnly);
        ASSERT_EQ(::chown(QFile::encodeName(path + ".lock").constData(), otherUser, otherUser), 0);
    };
    struct Case {
        const char* what;
        std::function<void(const QString&)> leave;
        bool ownFolder;
        SingleInstance::Listening elsewhere;
    };
    const Case cases[] = {
        {"a listener of another user", foreignListener, true, SingleInstance::Listening::heldByOtherUser},
        {"a lock file of another user", foreignLock, true, SingleInstance::Listening::failed},
        {"a listener of another user, open folder", foreignListener, false,
         SingleInstance::Listening::heldByOtherUser},
        {"a lock file of another user, open folder", foreignLock, false, SingleInstance::Listening::failed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir folder;
        if (!c.ownFolder) chmodPath(folder.path(), 0755);
        const QString path = folder.filePath("vell-test");
        c.leave(path);
        const auto entries = [&folder] {
            return QDir(folder.path()).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
        };
        const QStringList left = entries();

        EXPECT_FALSE(SingleInstance::requestWindow(path, 1000));
        SingleInstance instance;
        if (!c.ownFolder) {
            EXPECT_EQ(instance.listen(path), c.elsewhere);
            for (const QString& entry : left)
                EXPECT_TRUE(entries().contains(entry)) << entry.toStdString() << " is not removed";
        } else {
            EXPECT_EQ(instance.listen(path), SingleInstance::Listening::started);
            EXPECT_EQ(entryOf(path), "own socket");
            EXPECT_EQ(entryOf(path + ".lock"), "own file");
            SingleInstance second;
            EXPECT_EQ(second.listen(path), SingleInstance::Listening::heldByAnother);
        }
        if (child > 0) {
            ::kill(child, SIGKILL);
            ::waitpid(child, nullptr, 0);
            child = -1;
        }
    }
}

// A Vell of this user's in a thread of its own, so that it answers while the test's thread waits.
class AnsweringListener {
public:
    explicit AnsweringListener(const QString& path) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray bytes = QFile::encodeName(path);
        std::memcpy(address.sun_path, bytes.constData(), static_cast<std::size_t>(bytes.size()));
        socket_ = ::socket(AF_UNIX, SOCK_STREAM, 0);
        if (::bind(socket_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(socket_, 8) != 0)
            ADD_FAILURE() << "no listener at " << path.toStdString();
        thread_ = std::thread([this] {
            while (!stop_) {
                pollfd entry{socket_, POLLIN, 0};
                if (::poll(&entry, 1, 20) <= 0) continue;
                const int caller = ::accept(socket_, nullptr, nullptr);
                if (caller < 0) continue;
                timeval patience{1, 0};
                ::setsockopt(caller, SOL_SOCKET, SO_RCVTIMEO, &patience, sizeof patience);
                char request[7] = {};
                if (::recv(caller, request, sizeof request, MSG_WAITALL) == sizeof request) {
                    ++requests_;
                    ::send(caller, "ok\n", 3, MSG_NOSIGNAL);
                }
                ::close(caller);
            }
        });
    }
    ~AnsweringListener() {
        stop_ = true;
        thread_.join();
        ::close(socket_);
    }
    int requests() const { return requests_; }

private:
    int socket_ = -1;
    std::atomic<bool> stop_ = false;
    std::atomic<int> requests_ = 0;
    std::thread thread_;
};

// The same for links and other entries that this user's Vell never makes there, which need no other user:
// a link is removed, never followed, so neither what it leads to is touched nor a Vell it leads to asked.
TEST(SingleInstanceForeignEntries,
     LinksAndStrayEntriesAreRemovedWithoutFollowingThemOnlyInAFolderOfTheUsersOwn) {
    QTemporaryDir elsewhere;
    const QString target = elsewhere.filePath("precious");
    // A Vell of another document, which a link could lead a start to.
    const QString otherVell = elsewhere.filePath("vell-other");
    const AnsweringListener other(otherVell);

    const auto link = [](const QString& to, const QString& at) {
        ASSERT_EQ(::symlink(QFile::encodeName(to).constData(), QFile::encodeName(at).constData()), 0);
    };
    struct Case {
        const char* what;
        std::function<void(const QString&)> leave;
    };
    const Case cases[] = {
        {"the lock is a link to a file", [&](const QString& path) { link(target, path + ".lock"); }},
        {"the lock is a link to nothing",
         [&](const QString& path) { link(elsewhere.filePath("missing"), path + ".lock"); }},
        {"the lock is a folder", [](const QString& path) { ASSERT_TRUE(QDir().mkdir(path + ".lock")); }},
        {"the lock is a pipe",
         [](const QString& path) {
             ASSERT_EQ(::mkfifo(QFile::encodeName(path + ".lock").constData(), 0600), 0);
         }},
        {"the socket is a link to a running Vell", [&](const QString& path) { link(otherVell, path); }},
        {"the socket is a link to nothing",
         [&](const QString& path) { link(elsewhere.filePath("gone"), path); }},
        {"the socket is a folder", [](const QString& path) { ASSERT_TRUE(QDir().mkdir(path)); }},
    };
    for (const Case& c : cases) {
        for (const bool ownFolder : {true, false}) {
            SCOPED_TRACE(std::string(c.what) + (ownFolder ? "" : ", in a folder others may enter"));
            {
                QFile file(target);
                ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
                file.write("keep");
            }
            QTemporaryDir folder;
            if (!ownFolder) chmodPath(folder.path(), 0755);
            const QString path = folder.filePath("vell-test");
            c.leave(path);
            const auto entries = [&folder] {
                return QDir(folder.path()).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
            };
            const QStringList left = entries();

            EXPECT_FALSE(SingleInstance::requestWindow(path, 500)) << "a link is not followed to a listener";
            SingleInstance instance;
            const SingleInstance::Listening listening = instance.listen(path);
            if (ownFolder) {
                EXPECT_EQ(listening, SingleInstance::Listening::started);
                EXPECT_EQ(entryOf(path), "own socket");
                EXPECT_EQ(entryOf(path + ".lock"), "own file");
            } else {
                EXPECT_NE(listening, SingleInstance::Listening::started);
                for (const QString& entry : left)
                    EXPECT_TRUE(entries().contains(entry)) << entry.toStdString() << " is not removed";
            }
            QFile file(target);
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            EXPECT_EQ(file.readAll(), "keep") << "what a link leads to is left as it is";
            EXPECT_FALSE(QFileInfo::exists(elsewhere.filePath("missing"))) << "nor made";
            EXPECT_TRUE(QFileInfo::exists(otherVell));
        }
    }
    EXPECT_EQ(other.requests(), 0) << "no window was asked of a Vell of another document";
}

// Two starts that find the name at the same moment: the listening is made in threads of their own, each
// with a QSocketNotifier, released together.
std::vector<SingleInstance::Listening> listenAtOnce(const QString& name, int count) {
    std::vector<SingleInstance::Listening> results(static_cast<std::size_t>(count),
                                                   SingleInstance::Listening::failed);
    std::barrier start(count);
    std::barrier done(count);
    std::vector<std::unique_ptr<QThread>> threads;
    for (int i = 0; i < count; ++i) {
        threads.emplace_back(QThread::create([&, i] {
            SingleInstance instance;
            start.arrive_and_wait();
            results[static_cast<std::size_t>(i)] = instance.listen(name);
            // Each keeps listening until all have tried.
            done.arrive_and_wait();
        }));
        threads.back()->start();
    }
    for (const auto& thread : threads)
        thread->wait();
    return results;
}

// A socket file with no listener behind it, as a Vell that was killed leaves it.
void leaveStaleSocket(const QString& name) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray path = QFile::encodeName(name);
    std::memcpy(address.sun_path, path.constData(), static_cast<std::size_t>(path.size()));
    const int socket = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_EQ(::bind(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ::close(socket);
}

TEST(SingleInstanceRace, OfStartsThatFindTheNameAtOnceExactlyOneListens) {
    enum class Found {
        freeName,
        staleSocket,
        linkAtTheLock
    };
    for (const Found found : {Found::freeName, Found::staleSocket, Found::linkAtTheLock}) {
        SCOPED_TRACE(found == Found::freeName      ? "on a free name"
                     : found == Found::staleSocket ? "over a stale socket"
                                                   : "over a link where the lock file goes");
        for (int round = 0; round < 40; ++round) {
            QTemporaryDir folder;
            const QString name = folder.filePath("vell-race");
            if (found == Found::staleSocket) leaveStaleSocket(name);
            if (found == Found::linkAtTheLock) {
                ASSERT_EQ(::symlink("/nowhere", QFile::encodeName(name + ".lock").constData()), 0);
            }
            const auto results = listenAtOnce(name, 3);
            const auto started =
                std::count(results.begin(), results.end(), SingleInstance::Listening::started);
            const auto held =
                std::count(results.begin(), results.end(), SingleInstance::Listening::heldByAnother);
            ASSERT_EQ(started, 1) << "round " << round;
            ASSERT_EQ(held, 2) << "round " << round;
        }
    }
}

} // namespace
} // namespace vell
