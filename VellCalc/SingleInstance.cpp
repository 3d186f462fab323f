#include "SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QStandardPaths>

namespace vell {

namespace {

const QByteArray windowRequest = "window\n";
const QByteArray windowAnswer = "ok\n";

} // namespace

QString SingleInstance::serverName(const QString& documentPath) {
    const QByteArray path = QFileInfo(documentPath).absoluteFilePath().toUtf8();
    const QByteArray digest = QCryptographicHash::hash(path, QCryptographicHash::Sha256).toHex().left(20);
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty()) folder = QDir::tempPath();
    return QDir(folder).filePath(QStringLiteral("vell-") + QString::fromLatin1(digest));
}

bool SingleInstance::requestWindow(const QString& name, int timeoutMilliseconds) {
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(timeoutMilliseconds)) return false;
    socket.write(windowRequest);
    if (!socket.waitForBytesWritten(timeoutMilliseconds)) return false;
    while (socket.bytesAvailable() < windowAnswer.size()) {
        if (!socket.waitForReadyRead(timeoutMilliseconds)) return false;
    }
    return socket.readLine() == windowAnswer;
}

SingleInstance::SingleInstance(QObject* parent) : QObject(parent) {
    // No access options: with them Qt binds elsewhere and renames the socket into place, which would
    // silently take the name from a running Vell. The user's runtime folder is private anyway.
    connect(&server_, &QLocalServer::newConnection, this, &SingleInstance::answer);
}

bool SingleInstance::listen(const QString& name) {
    if (server_.listen(name)) return true;
    if (server_.serverError() != QAbstractSocket::AddressInUseError) return false;
    // The name is taken: by a Vell that answers, or by the socket file of one that is gone.
    QLocalSocket probe;
    probe.connectToServer(name);
    if (probe.waitForConnected(1000)) return false;
    QLocalServer::removeServer(name);
    return server_.listen(name);
}

void SingleInstance::answer() {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            while (socket->canReadLine()) {
                if (socket->readLine() != windowRequest) continue;
                socket->write(windowAnswer);
                socket->flush();
                emit windowRequested();
            }
        });
    }
}

} // namespace vell
