#include "about/VersionCheck.h"

#include <QHostAddress>
#include <QTcpSocket>

#include <sys/socket.h>

namespace pixbako {

VersionServer defaultVersionServer() {
    VersionServer server;
    server.address = QStringLiteral(PIXBAKO_VERSION_SERVER);
    server.port = PIXBAKO_VERSION_PORT;
    return server;
}

QStringList replyLines(const QByteArray& reply) {
    QStringList lines;
    QString line;
    for (qsizetype at = 0; at < reply.size(); ++at) {
        const char byte = reply[at];
        if (byte == '\r' || byte == '\n') {
            lines << line;
            line.clear();
            if (byte == '\r' && at + 1 < reply.size() && reply[at + 1] == '\n')
                ++at;
        } else {
            line += QChar(static_cast<unsigned char>(byte));
        }
    }
    if (!line.isEmpty())
        lines << line;
    return lines;
}

std::optional<QString> newestVersionIn(const QStringList& lines) {
    for (const QString& line : lines) {
        if (line.startsWith(QLatin1String("PXBK"), Qt::CaseSensitive))
            return line.mid(4, 5);
    }
    return std::nullopt;
}

VersionCheck::VersionCheck(VersionServer server, QObject* parent)
    : QObject(parent), server_(std::move(server)) {
    timeout_.setSingleShot(true);
    connect(&timeout_, &QTimer::timeout, this, &VersionCheck::fail);
}

VersionCheck::~VersionCheck() {
    closeSocket();
}

void VersionCheck::start() {
    closeSocket();
    ++generation_;
    QHostAddress address;
    if (!address.setAddress(server_.address) ||
        address.protocol() != QAbstractSocket::IPv4Protocol) {
        report(std::nullopt);
        return;
    }
    socket_ = new QTcpSocket(this);
    // Only the first portion is read; nothing beyond it needs to be buffered.
    socket_->setReadBufferSize(kMaxPortion);
    connect(socket_, &QTcpSocket::connected, this, &VersionCheck::sendRequest);
    connect(socket_, &QTcpSocket::bytesWritten, this, &VersionCheck::requestSent);
    connect(socket_, &QTcpSocket::readyRead, this, &VersionCheck::readReply);
    connect(socket_, &QTcpSocket::errorOccurred, this, &VersionCheck::fail);
    // A server that closes without a word: the closing is the error.
    connect(socket_, &QTcpSocket::disconnected, this, &VersionCheck::fail);
    timeout_.start(server_.replyTimeoutMs);
    socket_->connectToHost(address, server_.port);
}

void VersionCheck::sendRequest() {
    socket_->write(kVersionRequest);
}

// The request is the one line and nothing else, so the sending side is closed once it has
// gone out. A server that reads header lines even after a simple request (Python's
// http.server does) then sees the request's end instead of waiting for a blank line.
void VersionCheck::requestSent() {
    if (socket_->bytesToWrite() == 0)
        ::shutdown(static_cast<int>(socket_->socketDescriptor()), SHUT_WR);
}

void VersionCheck::readReply() {
    const QByteArray portion = socket_->read(kMaxPortion);
    closeSocket();
    report(portion);
}

void VersionCheck::fail() {
    if (!socket_)
        return;
    closeSocket();
    report(std::nullopt);
}

// Silences the socket first, so that its last signals (disconnected, a late error) never
// reach a check that has already ended.
void VersionCheck::closeSocket() {
    timeout_.stop();
    if (!socket_)
        return;
    QTcpSocket* socket = socket_;
    socket_ = nullptr;
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
}

void VersionCheck::report(std::optional<QByteArray> reply) {
    const int generation = generation_;
    QMetaObject::invokeMethod(
        this,
        [this, generation, reply] {
            if (generation != generation_)
                return;
            if (reply)
                emit replied(*reply);
            else
                emit failed();
        },
        Qt::QueuedConnection);
}

} // namespace pixbako
