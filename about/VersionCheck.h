#pragma once
// The version check's network part: one connection to the version server on the GUI event
// loop (a non-blocking QTcpSocket), the one-line request for the version file, and the first
// portion of the reply. The About dialog turns the outcome into its messages.
//
//     VersionCheck check(defaultVersionServer());
//     connect(&check, &VersionCheck::replied, ...);   // the first portion of the reply
//     connect(&check, &VersionCheck::failed, ...);    // any socket error, once
//     check.start();
//
// Only the bytes that arrive first are examined: the socket is closed as soon as they are
// read. Each check ends with exactly one of the two signals, sent from the event loop after
// the socket is gone, so a reaction may open a modal box or start the next check. A new start
// drops the check in progress without a word; destroying the object ends it silently.
#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <optional>

class QTcpSocket;

namespace pixbako {

struct VersionServer {
    QString address; // a literal dotted IPv4 address: no name lookup
    quint16 port = 80;
    int replyTimeoutMs = 15000; // a server that accepts but never answers counts as an error
};

// The server of the build's configuration.
VersionServer defaultVersionServer();

// The request sent once connected: a simple request without protocol version or headers.
inline constexpr char kVersionRequest[] = "GET /authors/QR402816/VER.TXT\r\n";

// The reply as lines of text: bytes taken one for one as characters, split at CR LF, LF or
// CR; a break at the very end starts no further line.
QStringList replyLines(const QByteArray& reply);

// Characters 5 to 9 (fewer when the line is shorter) of the first line that starts with
// "PXBK", compared exactly; nothing when no line does.
std::optional<QString> newestVersionIn(const QStringList& lines);

class VersionCheck : public QObject {
    Q_OBJECT

public:
    // The most the first portion holds; a version file is a few lines.
    static constexpr qint64 kMaxPortion = 64 * 1024;

    explicit VersionCheck(VersionServer server, QObject* parent = nullptr);
    ~VersionCheck() override;

    void start();
    bool running() const { return socket_ != nullptr; }

signals:
    void replied(const QByteArray& firstPortion);
    void failed();

private:
    void sendRequest();
    void requestSent();
    void readReply();
    void fail();
    void closeSocket();
    // Sends the outcome from the event loop, unless another check has started meanwhile.
    void report(std::optional<QByteArray> reply);

    VersionServer server_;
    QTcpSocket* socket_ = nullptr;
    QTimer timeout_;
    int generation_ = 0;
};

} // namespace pixbako
