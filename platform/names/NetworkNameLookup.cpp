#include "platform/names/NetworkNameLookup.h"

#include <QNetworkReply>
#include <QNetworkRequest>
#include <algorithm>
#include <limits>
#include <string_view>
#include <utility>

#include "platform/names/MusicBrainzAnswer.h"

namespace corvid::names {

namespace {

constexpr int HTTP_OK = 200;
constexpr int HTTP_NOT_FOUND = 404;
constexpr int HTTP_TOO_MANY_REQUESTS = 429;
constexpr int HTTP_SERVICE_UNAVAILABLE = 503;
constexpr int MILLISECONDS_PER_SECOND = 1000;
// What Qt keeps of an answer between two reads, so that a long answer is
// broken off near the cap rather than after Qt has taken much more of it.
constexpr qint64 READ_BUFFER_BYTES = qint64{64} * 1024;
constexpr int CDDB_PROTOCOL_LEVEL = 6;

// A reply that broke off in transit, as against one that carries an HTTP
// error status: Qt numbers the network's and the proxy's errors below 200
// and the protocol's from 301 to 399. What arrived before is not the answer.
bool IsTransferError(QNetworkReply::NetworkError error) {
    constexpr int FIRST_CONTENT_ERROR = QNetworkReply::ContentAccessDenied;
    constexpr int FIRST_PROTOCOL_ERROR = QNetworkReply::ProtocolUnknownError;
    constexpr int FIRST_SERVER_ERROR = QNetworkReply::InternalServerError;
    const int code = error;
    return (code > 0 && code < FIRST_CONTENT_ERROR) ||
           (code >= FIRST_PROTOCOL_ERROR && code < FIRST_SERVER_ERROR);
}

QString Joined(const QUrl& base, const QString& path) {
    QString joined = base.path();
    while (joined.endsWith(QLatin1Char('/'))) {
        joined.chop(1);
    }
    return joined + path;
}

QByteArray QueryWord(const std::string& text) {
    return QUrl::toPercentEncoding(QString::fromStdString(text));
}

// Retry-After in seconds; an HTTP date or nonsense counts as `fallback`.
int RetryAfterMilliseconds(const QNetworkReply& reply, int fallback, int longest) {
    bool isNumber = false;
    const qint64 seconds = reply.rawHeader("Retry-After").trimmed().toLongLong(&isNumber);
    if (!isNumber || seconds < 0) {
        return std::min(fallback, longest);
    }
    return static_cast<int>(std::min<qint64>(seconds * MILLISECONDS_PER_SECOND, longest));
}

}  // namespace

void NetworkNameLookup::ReplyDeleter::operator()(QNetworkReply* dropped) const {
    // Only our own connections go: the manager keeps its own to the reply.
    QObject::disconnect(dropped, nullptr, receiver, nullptr);
    dropped->abort();
    dropped->deleteLater();
}

NetworkNameLookup::NetworkNameLookup(window::qt::TimerSource& timers, ClientIdentity identity,
                                     NameServers servers, LookupLimits limits)
    : timers(timers), identity(std::move(identity)), servers(std::move(servers)), limits(limits) {}

NetworkNameLookup::~NetworkNameLookup() {
    callback = nullptr;
    reply.reset();
}

QByteArray NetworkNameLookup::UserAgent() const {
    return QByteArray::fromStdString("CorvidPlayer/" + identity.version + " ( " +
                                     identity.projectPage + " )");
}

void NetworkNameLookup::Find(const DiscToc& disc, Callback whenDone) {
    Cancel();
    callback = std::move(whenDone);
    toc = disc;
    const std::uint64_t serial = ++searchSerial;
    const std::optional<DiscIds> computed = ComputeDiscIds(toc);
    if (!computed) {
        // The outcome never comes from inside Find.
        QMetaObject::invokeMethod(
            this,
            [this, serial] {
                if (serial == searchSerial && Running()) {
                    Fail(FailureKind::NotFound);
                }
            },
            Qt::QueuedConnection);
        return;
    }
    ids = *computed;
    AskMusicBrainz();
}

void NetworkNameLookup::Cancel() {
    if (!Running()) {
        return;
    }
    Fail(FailureKind::Cancelled);
}

void NetworkNameLookup::AskMusicBrainz() {
    QUrl url = servers.musicBrainz;
    url.setPath(
        Joined(url, QStringLiteral("/ws/2/discid/") + QString::fromStdString(ids.musicBrainzId)));
    // Without cdstubs=no, a disc known only from a user's stub answers with
    // the stub instead of a list of releases.
    url.setQuery(QStringLiteral("inc=artist-credits+labels+recordings&cdstubs=no&fmt=json"));
    retried = false;
    Send(Request{Server::MusicBrainz, url});
}

QUrl NetworkNameLookup::CddbUrl(const std::string& command) const {
    QUrl url = servers.gnudb;
    url.setPath(Joined(url, QStringLiteral("/~cddb/cddb.cgi")));
    QByteArray query = "cmd=" + QueryWord(command).replace("%20", "+");
    query += "&hello=" + QueryWord(identity.cddbUser) + "+" + QueryWord(identity.cddbHost) +
             "+CorvidPlayer+" + QueryWord(identity.version);
    query += "&proto=" + QByteArray::number(CDDB_PROTOCOL_LEVEL);
    url.setQuery(QString::fromLatin1(query), QUrl::StrictMode);
    return url;
}

void NetworkNameLookup::AskGnudb() {
    retried = false;
    Send(Request{Server::GnudbQuery, CddbUrl(CddbQueryCommand(toc, ids.freedbId))});
}

void NetworkNameLookup::ReadNextGnudbEntry() {
    if (gnudbMatches.empty()) {
        if (found.empty() && readFailure) {
            Finish(LookupOutcome::Failed(*readFailure));
        } else if (found.empty()) {
            Fail(FailureKind::NotFound);
        } else {
            Finish(LookupOutcome::Found(std::move(found)));
        }
        return;
    }
    const CddbMatch match = gnudbMatches.front();
    gnudbMatches.pop_front();
    readingMatch = match.match;
    retried = false;
    Send(Request{Server::GnudbRead, CddbUrl("cddb read " + match.category + " " + match.discId)});
}

void NetworkNameLookup::Send(const Request& request) {
    current = request;
    if (request.server == Server::MusicBrainz && paceTimer) {
        waitingForPace = true;
        return;
    }
    SendNow(request);
}

void NetworkNameLookup::SendNow(const Request& request) {
    if (request.server == Server::MusicBrainz) {
        paceTimer = timers.Start(*this, PACE_TIMER, limits.musicBrainzSpacingMilliseconds);
    }
    QNetworkRequest networkRequest(request.url);
    networkRequest.setHeader(QNetworkRequest::UserAgentHeader, UserAgent());
    if (request.server == Server::MusicBrainz) {
        networkRequest.setRawHeader("Accept", "application/json");
    }
    body.clear();
    reply.reset(network.get(networkRequest));
    reply->setReadBufferSize(READ_BUFFER_BYTES);
    QNetworkReply* sent = reply.get();
    connect(sent, &QNetworkReply::metaDataChanged, this, [this, sent] {
        const QVariant length = sent->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid() && length.toLongLong() > limits.bodyBytes) {
            Fail(FailureKind::TooLarge);
        }
    });
    connect(sent, &QNetworkReply::readyRead, this, &NetworkNameLookup::ReadArrivedBody);
    connect(sent, &QNetworkReply::finished, this, &NetworkNameLookup::OnFinished);
    timeLimitTimer = timers.Start(*this, TIME_LIMIT_TIMER, limits.requestMilliseconds);
}

void NetworkNameLookup::ReadArrivedBody() {
    if (!reply) {
        return;
    }
    body += reply->read(limits.bodyBytes + 1 - body.size());
    if (body.size() > limits.bodyBytes) {
        Fail(FailureKind::TooLarge);
    }
}

void NetworkNameLookup::OnFinished() {
    ReadArrivedBody();
    if (!reply) {
        return;
    }
    timeLimitTimer.reset();
    const QVariant statusAttribute = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!statusAttribute.isValid() || IsTransferError(reply->error())) {
        Fail(FailureKind::Unreachable, reply->errorString().toStdString());
        return;
    }
    const int status = statusAttribute.toInt();
    if (RetryIfAsked(status)) {
        return;
    }
    switch (current->server) {
        case Server::MusicBrainz:
            TakeMusicBrainzAnswer(status);
            return;
        case Server::GnudbQuery:
            TakeGnudbQuery(status);
            return;
        case Server::GnudbRead:
            TakeGnudbRead(status);
            return;
    }
}

bool NetworkNameLookup::RetryIfAsked(int status) {
    if (status != HTTP_SERVICE_UNAVAILABLE && status != HTTP_TOO_MANY_REQUESTS) {
        return false;
    }
    if (retried) {
        Fail(FailureKind::RateLimited, {}, status);
        return true;
    }
    retried = true;
    const int wait = RetryAfterMilliseconds(*reply, limits.musicBrainzSpacingMilliseconds,
                                            limits.longestRetryWaitMilliseconds);
    reply.reset();
    retryTimer = timers.Start(*this, RETRY_TIMER, wait);
    return true;
}

void NetworkNameLookup::TakeMusicBrainzAnswer(int status) {
    if (status == HTTP_NOT_FOUND) {
        AskGnudb();
        return;
    }
    if (status != HTTP_OK) {
        Fail(FailureKind::ServerError, {}, status);
        return;
    }
    MusicBrainzReleases answer = ReadMusicBrainzReleases(body, ids.musicBrainzId);
    if (answer.malformed) {
        Fail(FailureKind::Malformed, *answer.malformed);
        return;
    }
    if (answer.releases.empty()) {
        AskGnudb();
        return;
    }
    Finish(LookupOutcome::Found(std::move(answer.releases)));
}

void NetworkNameLookup::TakeGnudbQuery(int status) {
    if (status != HTTP_OK) {
        Fail(FailureKind::ServerError, {}, status);
        return;
    }
    const CddbQueryAnswer answer = ParseCddbQuery(std::string_view(body.constData(), body.size()));
    switch (answer.kind) {
        case CddbAnswerKind::Found: {
            const auto count = std::min<std::size_t>(
                answer.matches.size(), static_cast<std::size_t>(limits.mostGnudbEntries));
            gnudbMatches.assign(answer.matches.begin(),
                                answer.matches.begin() + static_cast<std::ptrdiff_t>(count));
            ReadNextGnudbEntry();
            return;
        }
        case CddbAnswerKind::NotFound:
            Fail(FailureKind::NotFound);
            return;
        case CddbAnswerKind::Error:
            Fail(FailureKind::ServerError, {}, answer.status);
            return;
        case CddbAnswerKind::Malformed:
            Fail(FailureKind::Malformed, answer.reason);
            return;
    }
}

void NetworkNameLookup::TakeGnudbRead(int status) {
    // An entry that cannot be read leaves the others to choose from.
    if (status != HTTP_OK) {
        KeepReadFailure(MakeFailure(FailureKind::ServerError, {}, status));
        ReadNextGnudbEntry();
        return;
    }
    CddbReadAnswer answer = ParseCddbRead(std::string_view(body.constData(), body.size()), toc);
    switch (answer.kind) {
        case CddbAnswerKind::Found:
            answer.release.match = readingMatch;
            found.push_back(std::move(answer.release));
            break;
        case CddbAnswerKind::NotFound:
            break;
        case CddbAnswerKind::Error:
            KeepReadFailure(MakeFailure(FailureKind::ServerError, {}, answer.status));
            break;
        case CddbAnswerKind::Malformed:
            KeepReadFailure(MakeFailure(FailureKind::Malformed, answer.reason));
            break;
    }
    ReadNextGnudbEntry();
}

void NetworkNameLookup::KeepReadFailure(LookupFailure failure) {
    if (!readFailure) {
        readFailure = std::move(failure);
    }
}

bool NetworkNameLookup::event(QEvent* event) {
    if (event->type() != window::qt::TimerTickEvent::TYPE) {
        return QObject::event(event);
    }
    const auto* tick = static_cast<window::qt::TimerTickEvent*>(event);
    const std::unique_ptr<window::qt::RunningTimer>* timer = nullptr;
    switch (tick->timerId) {
        case PACE_TIMER:
            timer = &paceTimer;
            break;
        case RETRY_TIMER:
            timer = &retryTimer;
            break;
        case TIME_LIMIT_TIMER:
            timer = &timeLimitTimer;
            break;
        default:
            return true;
    }
    // A tick of a timer stopped since it was posted is stale.
    if (*timer && (*timer)->Serial() == tick->serial) {
        OnTick(tick->timerId);
    }
    return true;
}

void NetworkNameLookup::OnTick(int timerId) {
    switch (timerId) {
        case PACE_TIMER:
            paceTimer.reset();
            if (waitingForPace) {
                waitingForPace = false;
                SendNow(*current);
            }
            return;
        case RETRY_TIMER:
            retryTimer.reset();
            Send(*current);
            return;
        case TIME_LIMIT_TIMER:
            timeLimitTimer.reset();
            Fail(FailureKind::TimedOut);
            return;
        default:
            return;
    }
}

std::string NetworkNameLookup::ServerName() const {
    if (!current) {
        return {};
    }
    return current->url.host().toStdString();
}

LookupFailure NetworkNameLookup::MakeFailure(FailureKind kind, std::string reason,
                                             int status) const {
    LookupFailure failure;
    failure.kind = kind;
    failure.server = ServerName();
    failure.reason = std::move(reason);
    failure.status = status;
    if (kind == FailureKind::TooLarge) {
        failure.limit = limits.bodyBytes;
    }
    return failure;
}

void NetworkNameLookup::Fail(FailureKind kind, std::string reason, int status) {
    Finish(LookupOutcome::Failed(MakeFailure(kind, std::move(reason), status)));
}

void NetworkNameLookup::StopRequest() {
    reply.reset();
    timeLimitTimer.reset();
    retryTimer.reset();
    body.clear();
    current.reset();
    waitingForPace = false;
    gnudbMatches.clear();
    found.clear();
    readFailure.reset();
}

void NetworkNameLookup::Finish(const LookupOutcome& outcome) {
    Callback done = std::move(callback);
    callback = nullptr;
    StopRequest();
    ++searchSerial;
    if (done) {
        done(outcome);
    }
}

}  // namespace corvid::names
