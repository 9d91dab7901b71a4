#include "tests/names/LocalHttpServer.h"

#include <QHostAddress>
#include <QTcpSocket>

namespace corvid::names::testing {

namespace {

constexpr qint64 CHUNK_BYTES = qint64{64} * 1024;
constexpr qint64 MOST_QUEUED_BYTES = 4 * CHUNK_BYTES;

QByteArray StatusText(int status) {
    switch (status) {
        case 200:
            return "OK";
        case 404:
            return "Not Found";
        case 429:
            return "Too Many Requests";
        case 503:
            return "Service Unavailable";
        default:
            return "Status";
    }
}

}  // namespace

LocalHttpServer::LocalHttpServer(const window::qt::ManualTimerSource& clock, Handler handler)
    : clock(clock), handler(std::move(handler)) {
    connect(&server, &QTcpServer::newConnection, this, &LocalHttpServer::Accept);
    server.listen(QHostAddress::LocalHost, 0);
}

LocalHttpServer::~LocalHttpServer() {
    for (const auto& connection : connections) {
        QObject::disconnect(connection->socket, nullptr, this, nullptr);
    }
}

QUrl LocalHttpServer::Url() const {
    return {QStringLiteral("http://127.0.0.1:%1").arg(server.serverPort())};
}

void LocalHttpServer::Accept() {
    while (QTcpSocket* socket = server.nextPendingConnection()) {
        auto connection = std::make_unique<Connection>();
        connection->socket = socket;
        Connection* raw = connection.get();
        connections.push_back(std::move(connection));
        connect(socket, &QTcpSocket::readyRead, this, [this, raw] { Read(*raw); });
        connect(socket, &QTcpSocket::bytesWritten, this, [this, raw] { Feed(*raw); });
        connect(socket, &QTcpSocket::disconnected, this, [this, raw] {
            if (raw->answered && raw->endlessLeft > 0) {
                ++closedByClient;
            }
            raw->endlessLeft = 0;
        });
    }
}

void LocalHttpServer::Read(Connection& connection) {
    connection.received += connection.socket->readAll();
    if (connection.answered || !connection.received.contains("\r\n\r\n")) {
        return;
    }
    const QList<QByteArray> lines = connection.received.split('\n');
    ReceivedRequest request;
    request.target = lines.first().split(' ').value(1);
    for (const QByteArray& line : lines) {
        if (line.toLower().startsWith("user-agent:")) {
            request.userAgent = line.mid(line.indexOf(':') + 1).trimmed();
        }
    }
    request.receivedAt = clock.Now();
    requests.push_back(request);
    connection.answered = true;
    Answer(connection, handler(request));
}

void LocalHttpServer::Answer(Connection& connection, const HttpAnswer& answer) {
    QByteArray head = "HTTP/1.1 " + QByteArray::number(answer.status) + " " +
                      StatusText(answer.status) + "\r\nConnection: close\r\n";
    for (const auto& [name, value] : answer.headers) {
        head += name + ": " + value + "\r\n";
    }
    if (answer.delivery == Delivery::Whole || answer.delivery == Delivery::CutShort) {
        head += "Content-Length: " + QByteArray::number(answer.body.size()) + "\r\n";
    }
    connection.socket->write(head + "\r\n");
    switch (answer.delivery) {
        case Delivery::Whole:
            connection.socket->write(answer.body);
            connection.socket->disconnectFromHost();
            return;
        case Delivery::CutShort:
            connection.socket->write(answer.body.left(answer.body.size() / 2));
            connection.socket->disconnectFromHost();
            return;
        case Delivery::Held:
            return;
        case Delivery::Endless:
            connection.endlessLeft = answer.endlessBytes;
            Feed(connection);
            return;
    }
}

void LocalHttpServer::Feed(Connection& connection) {
    while (connection.endlessLeft > 0 && connection.socket->bytesToWrite() < MOST_QUEUED_BYTES) {
        const qint64 size = std::min<qint64>(CHUNK_BYTES, connection.endlessLeft);
        connection.socket->write(QByteArray(size, 'x'));
        connection.endlessLeft -= size;
        streamed += size;
    }
}

void LocalHttpServer::Drip(const QByteArray& bytes) {
    for (const auto& connection : connections) {
        if (connection->answered &&
            connection->socket->state() == QAbstractSocket::ConnectedState) {
            connection->socket->write(bytes);
        }
    }
}

}  // namespace corvid::names::testing
