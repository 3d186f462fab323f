#pragma once

// One Vell per document. Two processes on one document would each save their whole copy, and the later
// save would drop the other's edits unseen; so a second start on the same data folder asks the running
// one for a window and ends. The running one listens on a local socket named after the document's path,
// in a folder no other user may enter, and only the user's own processes are answered or believed.

#include <QObject>
#include <QSocketNotifier>
#include <QString>
#include <memory>
#include <optional>
#include <vector>

namespace vell {

class SingleInstance : public QObject {
    Q_OBJECT

public:
    // A folder of the user's own that no other user may enter: the runtime folder ($XDG_RUNTIME_DIR) when
    // it is one, else the login session's /run/user/<uid> when it is one, else "vell-sockets" in the user's
    // cache folder, made 0700 when missing. Never a shared
    // folder such as /tmp, where anyone could take the name first. None when there is no such folder.
    static std::optional<QString> privateFolder();
    // The socket's path: that folder and a name made from the document's absolute path.
    static std::optional<QString> serverName(const QString& documentPath);

    // Asks the Vell listening at `name` for a new window; true once it has answered. A listener of
    // another user is not asked, nor one that a link at `name` leads to.
    static bool requestWindow(const QString& name, int timeoutMilliseconds = 3000);

    explicit SingleInstance(QObject* parent = nullptr);
    // Stops listening and removes the socket.
    ~SingleInstance() override;

    enum class Listening {
        started,
        // A running Vell of this user's holds the name, or another start is taking it at this moment.
        heldByAnother,
        // A process of another user listens there: neither a Vell to hand over to nor one to wait for.
        heldByOtherUser,
        // The socket could not be made (a path too long for a socket, a folder that cannot be written).
        failed,
    };
    // Takes the name, removing a stale one left by a Vell that ended without removing it. A lock file
    // beside the socket, held while listening, makes taking the name one step: of two starts that find
    // it at once, exactly one listens. In a folder of the user's own (owned, closed to others, no link),
    // what stands at either name and no Vell of this user made (a link, a lock file or listener of
    // another user) is removed without following it; elsewhere nothing is removed.
    Listening listen(const QString& name);

signals:
    // Another start on the same document asked for a window.
    void windowRequested();

private:
    struct Caller;

    void accept();
    void read(Caller& caller);
    void drop(Caller& caller);

    int socket_ = -1;
    int lock_ = -1;
    QString path_;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::vector<std::unique_ptr<Caller>> callers_;
};

} // namespace vell
