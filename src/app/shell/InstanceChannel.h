#pragma once
// The per-user instance channel: a second start hands the recordings it names to the running
// instance, which opens them and raises its window.

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class QLocalServer;
class QLocalSocket;

namespace vistrel {

// The request sent by a second start: its recordings as absolute paths (possibly none).
QByteArray EncodeOpenRequest(const QStringList& absolutePaths);
// The paths of a well-formed request; nothing for any other message (bad syntax, wrong kind,
// a relative or empty path, a path with a line break).
std::optional<QStringList> DecodeOpenRequest(const QByteArray& message);

// Paths of the arguments that name recordings, made absolute against the current directory.
QStringList AbsoluteRecordingPaths(const QStringList& arguments);

// Sends the request to an instance listening on the name. False when nobody answered.
bool HandOverToInstance(const QString& serverName, const QStringList& absolutePaths, int timeoutMs);

// Reads requests arriving on the server; each well-formed one is reported by openRequested.
class CInstanceListener : public QObject {
    Q_OBJECT
public:
    explicit CInstanceListener(QLocalServer* server);

signals:
    void openRequested(const QStringList& paths);

private:
    void Accept();
    void Finish(QLocalSocket* socket);
};

} // namespace vistrel
