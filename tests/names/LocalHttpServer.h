#pragma once

#include <QByteArray>
#include <QObject>
#include <QTcpServer>
#include <QUrl>
#include <chrono>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "platform/qt/ManualTimerSource.h"
#include "tests/support/qt/EventLoop.h"

class QTcpSocket;

namespace corvid::names::testing {

inline constexpr std::chrono::milliseconds FAILSAFE = corvid::testing::EVENT_LOOP_FAILSAFE;
using corvid::testing::PumpUntil;

struct ReceivedRequest {
    QByteArray target;  // path and query, as sent
    QByteArray userAgent;
    std::int64_t receivedAt = 0;  // manual clock time
};

enum class Delivery : std::uint8_t {
    Whole,     // head and body, then the connection closes
    Held,      // the head only; Drip sends the rest
    Endless,   // the head without a length, then `endlessBytes` as fast as the client reads
    CutShort,  // the head with the whole length, then half the body, then the connection closes
};

struct HttpAnswer {
    int status = 200;
    QByteArray body;
    std::vector<std::pair<QByteArray, QByteArray>> headers{};
    Delivery delivery = Delivery::Whole;
    std::int64_t endlessBytes = 0;
};

// A tiny HTTP/1.1 server on 127.0.0.1 for the lookup's tests: one request per
// connection, answered by the test's handler.
class LocalHttpServer final : public QObject {
  public:
    using Handler = std::function<HttpAnswer(const ReceivedRequest&)>;

    LocalHttpServer(const window::qt::ManualTimerSource& clock, Handler handler);
    ~LocalHttpServer() override;

    [[nodiscard]] QUrl Url() const;
    [[nodiscard]] const std::vector<ReceivedRequest>& Requests() const { return requests; }
    [[nodiscard]] std::int64_t StreamedBytes() const { return streamed; }
    [[nodiscard]] int ClosedByClient() const { return closedByClient; }

    // Sends bytes on every held connection.
    void Drip(const QByteArray& bytes);

  private:
    struct Connection {
        QTcpSocket* socket = nullptr;
        QByteArray received;
        bool answered = false;
        std::int64_t endlessLeft = 0;
    };

    void Accept();
    void Read(Connection& connection);
    void Answer(Connection& connection, const HttpAnswer& answer);
    void Feed(Connection& connection);

    const window::qt::ManualTimerSource& clock;
    Handler handler;
    QTcpServer server;
    std::vector<std::unique_ptr<Connection>> connections;
    std::vector<ReceivedRequest> requests;
    std::int64_t streamed = 0;
    int closedByClient = 0;
};

}  // namespace corvid::names::testing
