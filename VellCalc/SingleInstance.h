#pragma once

// One Vell per document. Two processes on one document would each save their whole copy, and the later
// save would drop the other's edits unseen; so a second start on the same data folder asks the running
// one for a window and ends. The running one listens on a local socket named after the document's path.

#include <QLocalServer>
#include <QObject>
#include <QString>

namespace vell {

class SingleInstance : public QObject {
    Q_OBJECT

public:
    // A socket in the user's runtime folder whose name comes from the document's absolute path.
    static QString serverName(const QString& documentPath);

    // Asks the Vell listening under `name` for a new window; true once it has answered.
    static bool requestWindow(const QString& name, int timeoutMilliseconds = 3000);

    explicit SingleInstance(QObject* parent = nullptr);

    // Takes the name, removing a stale one left by a Vell that ended without closing it. False when
    // another Vell holds the name, or it cannot be taken.
    bool listen(const QString& name);
    QString name() const { return server_.fullServerName(); }

signals:
    // Another start on the same document asked for a window.
    void windowRequested();

private:
    void answer();

    QLocalServer server_;
};

} // namespace vell
