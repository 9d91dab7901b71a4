#pragma once

#include <QByteArray>
#include <QNetworkAccessManager>
#include <QObject>
#include <QUrl>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "names/CddbAnswer.h"
#include "names/NameLookup.h"
#include "platform/names/DiscIds.h"
#include "platform/names/NameServers.h"
#include "platform/qt/TimerSource.h"

class QNetworkReply;

namespace corvid::names {

// Finds names over HTTP with Qt Network: MusicBrainz's web service first, by
// the disc's MusicBrainz ID; gnudb's CDDB interface when MusicBrainz knows no
// release (404), by the freedb ID and the whole TOC. At most one request a
// second goes to MusicBrainz, over all searches. Each request has a time
// limit and a cap on its answer's size (the download is broken off when the
// cap is passed). A 503 or 429 is retried once after the wait the server
// asks (Retry-After, cut to a bound), then fails as RateLimited. All the
// waiting is done by timers from `timers`, on the caller's event loop.
class NetworkNameLookup final : public QObject, public NameLookup {
  public:
    NetworkNameLookup(window::qt::TimerSource& timers, ClientIdentity identity,
                      NameServers servers = {}, LookupLimits limits = {});
    NetworkNameLookup(const NetworkNameLookup&) = delete;
    NetworkNameLookup& operator=(const NetworkNameLookup&) = delete;
    ~NetworkNameLookup() override;

    void Find(const DiscToc& disc, Callback whenDone) override;
    void Cancel() override;
    [[nodiscard]] bool Running() const override { return static_cast<bool>(callback); }

    // "CorvidPlayer/<version> ( <project page> )".
    [[nodiscard]] QByteArray UserAgent() const;

  protected:
    bool event(QEvent* event) override;

  private:
    enum class Server : std::uint8_t { MusicBrainz, GnudbQuery, GnudbRead };
    enum TimerId : int { PACE_TIMER = 1, RETRY_TIMER, TIME_LIMIT_TIMER };

    struct Request {
        Server server = Server::MusicBrainz;
        QUrl url;
    };
    // Drops a reply without a word to us: our connections go, the download
    // stops, and Qt deletes it once it is safe.
    struct ReplyDeleter {
        QObject* receiver = nullptr;
        void operator()(QNetworkReply* dropped) const;
    };

    void AskMusicBrainz();
    void AskGnudb();
    void ReadNextGnudbEntry();
    void Send(const Request& request);
    void SendNow(const Request& request);
    void ReadArrivedBody();
    void OnFinished();
    void OnTick(int timerId);
    [[nodiscard]] bool RetryIfAsked(int status);
    void TakeMusicBrainzAnswer(int status);
    void TakeGnudbQuery(int status);
    void TakeGnudbRead(int status);
    void Fail(FailureKind kind, std::string reason = {}, int status = 0);
    LookupFailure MakeFailure(FailureKind kind, std::string reason = {}, int status = 0) const;
    void KeepReadFailure(LookupFailure failure);
    void Finish(const LookupOutcome& outcome);
    void StopRequest();
    [[nodiscard]] std::string ServerName() const;
    [[nodiscard]] QUrl CddbUrl(const std::string& command) const;

    window::qt::TimerSource& timers;
    ClientIdentity identity;
    NameServers servers;
    LookupLimits limits;
    QNetworkAccessManager network;

    Callback callback;
    DiscToc toc;
    DiscIds ids;
    std::uint64_t searchSerial = 0;
    std::optional<Request> current;
    bool retried = false;
    bool waitingForPace = false;
    std::unique_ptr<QNetworkReply, ReplyDeleter> reply{nullptr, ReplyDeleter{this}};
    QByteArray body;
    std::deque<CddbMatch> gnudbMatches;
    DiscMatch readingMatch = DiscMatch::Exact;  // of the entry being read
    std::vector<ReleaseNames> found;
    // Why the first gnudb entry that could not be read was not, told when
    // no entry could be.
    std::optional<LookupFailure> readFailure;

    std::unique_ptr<window::qt::RunningTimer> paceTimer;
    std::unique_ptr<window::qt::RunningTimer> retryTimer;
    std::unique_ptr<window::qt::RunningTimer> timeLimitTimer;
};

}  // namespace corvid::names
