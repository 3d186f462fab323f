#pragma once

// One Vell per document. Two processes on one document would each save their whole copy, and the later
// save would drop the other's edits unseen; so a second start on the same data folder asks the running
// one for a window and ends. The running one listens on a local socket named after the document's path,
// in the user's private runtime folder.

#include <QObject>
#include <QSocketNotifier>
#include <QString>
#include <memory>
#include <vector>

namespace vell {

class SingleInstance : public QObject {
    Q_OBJECT

public:
    // The socket's path: the user's runtime folder and a name made from the document's absolute path.
    static QString serverName(const QString& documentPath);

    // Asks the Vell listening at `name` for a new window; true once it has answered.
    static bool requestWindow(const QString& name, int timeoutMilliseconds = 3000);

    explicit SingleInstance(QObject* parent = nullptr);
    // Stops listening and removes the socket.
    ~SingleInstance() override;

    enum class Listening {
        started,
        // A running Vell holds the name.
        heldByAnother,
        // The socket could not be made (no runtime folder, a path too long for a socket).
        failed,
    };
    // Takes the name, removing a stale one left by a Vell that ended without removing it.
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
    QString path_;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::vector<std::unique_ptr<Caller>> callers_;
};

} // namespace vell
