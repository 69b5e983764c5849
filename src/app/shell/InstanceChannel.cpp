#include "shell/InstanceChannel.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QTimer>

namespace vistrel {

namespace {

constexpr const char* kRequestKind = "vistrel-open";
constexpr qint64 kMaxRequestBytes = 1 << 20; // far more than any list of paths
constexpr int kRequestTimeoutMs = 5000;

} // namespace

QByteArray EncodeOpenRequest(const QStringList& absolutePaths) {
    QJsonObject o;
    o.insert(QStringLiteral("request"), QLatin1String(kRequestKind));
    o.insert(QStringLiteral("paths"), QJsonArray::fromStringList(absolutePaths));
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

std::optional<QStringList> DecodeOpenRequest(const QByteArray& message) {
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(message, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject()) return std::nullopt;
    const QJsonObject o = doc.object();
    if (o.size() != 2 || o.value(QStringLiteral("request")).toString() != QLatin1String(kRequestKind))
        return std::nullopt;
    const QJsonValue list = o.value(QStringLiteral("paths"));
    if (!list.isArray()) return std::nullopt;
    QStringList paths;
    for (const QJsonValue& v : list.toArray()) {
        if (!v.isString()) return std::nullopt;
        const QString p = v.toString();
        if (p.isEmpty() || !QDir::isAbsolutePath(p) || p.contains(QLatin1Char('\n')) ||
            p.contains(QLatin1Char('\r')) || p.contains(QChar(0)))
            return std::nullopt;
        paths << p;
    }
    return paths;
}

QStringList AbsoluteRecordingPaths(const QStringList& arguments) {
    QStringList paths;
    for (const QString& a : arguments)
        if (!a.isEmpty()) paths << QFileInfo(a).absoluteFilePath();
    return paths;
}

bool HandOverToInstance(const QString& serverName, const QStringList& absolutePaths, int timeoutMs) {
    QLocalSocket socket;
    socket.connectToServer(serverName);
    if (!socket.waitForConnected(timeoutMs)) return false;
    socket.write(EncodeOpenRequest(absolutePaths));
    while (socket.bytesToWrite() > 0 && socket.waitForBytesWritten(timeoutMs)) {
    }
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState) socket.waitForDisconnected(timeoutMs);
    return true;
}

CInstanceListener::CInstanceListener(QLocalServer* server) : QObject(server) {
    connect(server, &QLocalServer::newConnection, this, &CInstanceListener::Accept);
}

void CInstanceListener::Accept() {
    auto* server = static_cast<QLocalServer*>(parent());
    while (QLocalSocket* socket = server->nextPendingConnection()) {
        // A request is the whole stream up to the sender's disconnect; a sender that never
        // finishes or sends too much is dropped.
        connect(socket, &QLocalSocket::readyRead, socket, [socket] {
            if (socket->bytesAvailable() > kMaxRequestBytes) socket->abort();
        });
        connect(socket, &QLocalSocket::disconnected, this, [this, socket] { Finish(socket); });
        QPointer<QLocalSocket> guard(socket);
        QTimer::singleShot(kRequestTimeoutMs, socket, [guard] {
            if (guard) guard->abort();
        });
        if (socket->state() == QLocalSocket::UnconnectedState) Finish(socket);
    }
}

void CInstanceListener::Finish(QLocalSocket* socket) {
    const QByteArray message = socket->bytesAvailable() <= kMaxRequestBytes ? socket->readAll() : QByteArray();
    socket->disconnect(this);
    socket->deleteLater();
    if (message.isEmpty()) return; // a probe of the channel, or a dropped sender
    if (const std::optional<QStringList> paths = DecodeOpenRequest(message)) emit openRequested(*paths);
}

} // namespace vistrel
