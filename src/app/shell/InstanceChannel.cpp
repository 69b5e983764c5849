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
#include <QCryptographicHash>

#include <filesystem>

#include "core/common/DebugLog.h"
#include "core/common/StringIds.h"
#include "platform/UserChannel.h"
#include "platform/UserIdentity.h"

namespace vistrel {

namespace {

constexpr const char* kRequestKind = "vistrel-open";
constexpr qint64 kMaxRequestBytes = 1 << 20; // far more than any list of paths
constexpr int kRequestTimeoutMs = 5000;

std::filesystem::path FsPath(const QString& path) { return std::filesystem::path(path.toStdU16String()); }

// The socket path in the folder, shortened when the base name makes it too long: "Vis Trel"
// and a digest of the rest keep names of different tags apart. Empty when even that is too
// long.
QString SocketPathIn(const QString& folder, const QString& baseName) {
    // Qt binds a socket with access options first in a temporary folder named after it
    // ("<path>-XXXXXX/s"), so the path leaves room for that suffix.
    constexpr std::size_t kListenRoom = 9;
    const std::size_t limit = platform::MaxLocalSocketPath() - kListenRoom;
    QString path = QDir(folder).filePath(baseName);
    if (static_cast<std::size_t>(QFile::encodeName(path).size()) <= limit) return path;
    const QByteArray digest = QCryptographicHash::hash(baseName.toUtf8(), QCryptographicHash::Sha1).toHex().left(12);
    path = QDir(folder).filePath(QStringLiteral("Vis Trel ") + QString::fromLatin1(digest));
    if (static_cast<std::size_t>(QFile::encodeName(path).size()) <= limit) return path;
    return QString();
}

} // namespace

InstanceLocation FindInstanceLocation(const QString& baseName) {
    if (!platform::LocalSocketsAreFiles()) {
        // Named pipes: one namespace per session; the user's tag keeps users apart.
        return {baseName + QStringLiteral(" user ") + QString::fromStdString(platform::CurrentUserTag()), QString()};
    }
    QStringList notes;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty()) {
        const platform::FolderTrust trust = platform::CheckPrivateFolder(FsPath(runtime));
        const QString path = trust == platform::FolderTrust::Private ? SocketPathIn(runtime, baseName) : QString();
        if (!path.isEmpty()) return {path, QString()};
        notes << runtime + QStringLiteral(": ") +
                     (trust == platform::FolderTrust::Private ? QStringLiteral("the socket path would be too long")
                                                              : QString::fromLatin1(platform::FolderTrustEnglish(trust)));
    }
    const QString folder = QDir(QDir::tempPath()).filePath(QStringLiteral("vistrel-") +
                                                         QString::fromStdString(platform::CurrentUserTag()));
    const platform::FolderTrust trust = platform::MakePrivateFolder(FsPath(folder));
    const QString path = trust == platform::FolderTrust::Private ? SocketPathIn(folder, baseName) : QString();
    if (!path.isEmpty()) return {path, QString()};
    notes << folder + QStringLiteral(": ") +
                 (trust == platform::FolderTrust::Private ? QStringLiteral("the socket path would be too long")
                                                          : QString::fromLatin1(platform::FolderTrustEnglish(trust)));
    return {QString(), notes.join(QStringLiteral("; "))};
}

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
        paths << v.toString();
    }
    return paths;
}

int HandedOverPathProblem(const QString& path) {
    if (path.contains(QLatin1Char('\n')) || path.contains(QLatin1Char('\r'))) return IDS_PATH_HAS_LINE_BREAK;
    if (path.isEmpty() || path.contains(QChar(0)) || !QDir::isAbsolutePath(path)) return IDS_PATH_NOT_ABSOLUTE;
    return 0;
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
    if (!platform::PeerIsCurrentUser(socket.socketDescriptor())) {
        // Someone else listens under this user's name: it is told nothing.
        if (g_log) g_log->WriteLineW(QStringLiteral("instance channel held by another user: %1").arg(serverName).toStdU16String());
        socket.abort();
        return false;
    }
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
        if (!platform::PeerIsCurrentUser(socket->socketDescriptor())) {
            if (g_log) g_log->WriteLine("instance channel: a connection of another user was refused");
            socket->abort();
            socket->deleteLater();
            continue;
        }
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
