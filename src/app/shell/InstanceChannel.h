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

// Where this user's channel lies. serverName is the socket's full path (POSIX) or the pipe's
// name (Windows); empty when no safe place exists, and `problem` then says why (English, for
// the log).
struct InstanceLocation {
    QString serverName;
    QString problem;
};

// The channel named `baseName` lies in XDG_RUNTIME_DIR when that is a private folder of the
// user, else in "vistrel-<uid>" of the temporary folder, created 0700 and refused when it
// belongs to another user, is open to others or is no folder. A name too long for a socket
// path is shortened to a digest of its tag.
InstanceLocation FindInstanceLocation(const QString& baseName);

// The request sent by a second start: its recordings as absolute paths (possibly none).
QByteArray EncodeOpenRequest(const QStringList& absolutePaths);
// The paths of a well-formed request; nothing for any other message (bad syntax, wrong kind,
// an entry that is no text). A bad path (see HandedOverPathProblem) is kept: it is refused on
// its own, the others are opened.
std::optional<QStringList> DecodeOpenRequest(const QByteArray& message);
// Why a handed-over path is refused before the file is looked at: 0 when it is not, else the
// string id of the reason (a line break, not an absolute path).
int HandedOverPathProblem(const QString& path);

// Paths of the arguments that name recordings, made absolute against the current directory.
QStringList AbsoluteRecordingPaths(const QStringList& arguments);

// Sends the request to an instance of this user listening on the name. False when nobody
// answered or the listener runs as another user (it is sent nothing).
bool HandOverToInstance(const QString& serverName, const QStringList& absolutePaths, int timeoutMs);

// Reads requests arriving on the server; each well-formed one is reported by openRequested.
// A connection from a process of another user is dropped unread.
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
