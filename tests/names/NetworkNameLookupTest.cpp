#include "platform/names/NetworkNameLookup.h"

#include <gtest/gtest.h>

#include <QTcpServer>

#include "platform/names/DiscIds.h"
#include "tests/names/LocalHttpServer.h"

namespace corvid::names {
namespace {

using testing::Delivery;
using testing::HttpAnswer;
using testing::LocalHttpServer;
using testing::PumpUntil;
using testing::ReceivedRequest;

constexpr int ADVANCE_STEP_MILLISECONDS = 500;
constexpr int REQUEST_LIMIT_MILLISECONDS = 15'000;

const DiscToc DISC{{{1, 0}, {2, 15'000}, {3, 40'000}}, 70'000};

QByteArray Release(const std::string& discId, const char* title) {
    return QByteArray(R"({"id": "r-)") + title + R"(", "title": ")" + title +
           R"(", "artist-credit": [{"name": "The Band"}], "media": [{"position": 1,
           "discs": [{"id": ")" +
           QByteArray::fromStdString(discId) +
           R"("}], "tracks": [{"position": 1, "title": "Opening"}]}]})";
}

HttpAnswer Json(const QByteArray& body) {
    return HttpAnswer{200, body, {{"Content-Type", "application/json"}}};
}

class NetworkNameLookupTest : public ::testing::Test {
  protected:
    void Serve(LocalHttpServer::Handler handler) {
        server = std::make_unique<LocalHttpServer>(clock, std::move(handler));
        StartLookup(server->Url());
    }

    void StartLookup(const QUrl& url) {
        lookup = std::make_unique<NetworkNameLookup>(
            clock, ClientIdentity{"1.08", "https://corvid.example/player"}, NameServers{url, url});
    }

    void Find(const DiscToc& toc = DISC) {
        lookup->Find(toc, [this](const LookupOutcome& result) { outcomes.push_back(result); });
    }

    bool WaitForOutcome() {
        return PumpUntil([this] { return !outcomes.empty(); });
    }

    // Moves the clock in steps, letting the network run between them, until
    // `condition` holds or `most` milliseconds have passed.
    bool AdvanceUntil(const std::function<bool()>& condition, int most) {
        for (int passed = 0; passed <= most; passed += ADVANCE_STEP_MILLISECONDS) {
            if (PumpUntil(condition, std::chrono::milliseconds(100))) {
                return true;
            }
            clock.Advance(ADVANCE_STEP_MILLISECONDS);
        }
        return condition();
    }

    [[nodiscard]] FailureKind Failure() const {
        return outcomes.at(0).failure.value_or(LookupFailure{}).kind;
    }

    const std::string discId = ComputeDiscIds(DISC)->musicBrainzId;
    window::qt::ManualTimerSource clock;
    std::unique_ptr<LocalHttpServer> server;
    std::unique_ptr<NetworkNameLookup> lookup;
    std::vector<LookupOutcome> outcomes;
};

TEST_F(NetworkNameLookupTest, OneReleaseFromMusicBrainz) {
    Serve([this](const ReceivedRequest&) {
        return Json(R"({"releases": [)" + Release(discId, "First Light") + "]}");
    });
    Find();
    ASSERT_TRUE(WaitForOutcome());
    ASSERT_TRUE(outcomes[0].Succeeded());
    ASSERT_EQ(outcomes[0].releases.size(), 1U);
    EXPECT_EQ(outcomes[0].releases[0].title, "First Light");
    ASSERT_EQ(server->Requests().size(), 1U);
    EXPECT_EQ(server->Requests()[0].target,
              "/ws/2/discid/" + QByteArray::fromStdString(discId) +
                  "?inc=artist-credits+labels+recordings&cdstubs=no&fmt=json");
    EXPECT_EQ(server->Requests()[0].userAgent,
              "CorvidPlayer/1.08 ( https://corvid.example/player )");
    EXPECT_FALSE(lookup->Running());
}

TEST_F(NetworkNameLookupTest, SeveralReleases) {
    Serve([this](const ReceivedRequest&) {
        return Json(R"({"releases": [)" + Release(discId, "Original") + "," +
                    Release(discId, "Reissue") + "]}");
    });
    Find();
    ASSERT_TRUE(WaitForOutcome());
    ASSERT_EQ(outcomes[0].releases.size(), 2U);
    EXPECT_EQ(outcomes[0].releases[1].title, "Reissue");
}

TEST_F(NetworkNameLookupTest, GnudbIsAskedWhenMusicBrainzKnowsNoRelease) {
    Serve([](const ReceivedRequest& request) {
        if (request.target.startsWith("/ws/2/")) {
            return HttpAnswer{404, R"({"error": "Not Found"})"};
        }
        if (request.target.contains("cmd=cddb+query")) {
            return HttpAnswer{
                200,
                "211 Found inexact matches\r\nrock 1a0b2c03 The Band / First Light\r\n"
                "misc 1a0b2c04 Others / Second\r\n.\r\n"};
        }
        if (request.target.contains("cmd=cddb+read+rock+1a0b2c03")) {
            return HttpAnswer{200,
                              "210 rock 1a0b2c03\r\nDTITLE=The Band / First Light\r\n"
                              "TTITLE0=Opening\r\nTTITLE1=Middle\r\nTTITLE2=Closing\r\n.\r\n"};
        }
        return HttpAnswer{200, "401 misc 1a0b2c04 No such CD entry in database\r\n"};
    });
    Find();
    ASSERT_TRUE(WaitForOutcome());
    ASSERT_TRUE(outcomes[0].Succeeded());
    ASSERT_EQ(outcomes[0].releases.size(), 1U);
    EXPECT_EQ(outcomes[0].releases[0].source, NameSource::Gnudb);
    EXPECT_EQ(outcomes[0].releases[0].match, DiscMatch::Inexact);
    EXPECT_EQ(outcomes[0].releases[0].tracks.at(2).title, "Closing");
    ASSERT_EQ(server->Requests().size(), 4U);
    const QByteArray query = server->Requests()[1].target;
    EXPECT_TRUE(
        query.startsWith("/~cddb/cddb.cgi?cmd=cddb+query+" +
                         QByteArray::fromStdString(ComputeDiscIds(DISC)->freedbId) +
                         "+3+150+15150+40150+935&hello=anonymous+localhost+CorvidPlayer+1.08"
                         "&proto=6"))
        << query.data();
}

// An answer that broke off in transit is not read as a shorter one.
TEST_F(NetworkNameLookupTest, AnAnswerCutShortIsNotTaken) {
    Serve([this](const ReceivedRequest&) {
        return HttpAnswer{200,
                          R"({"releases": [)" + Release(discId, "First Light") + "]}",
                          {{"Content-Type", "application/json"}},
                          Delivery::CutShort};
    });
    Find();
    ASSERT_TRUE(WaitForOutcome());
    EXPECT_EQ(Failure(), FailureKind::Unreachable);
}

// When gnudb lists an entry but fails to send it, the user is told so, not
// that the disc is unknown.
TEST_F(NetworkNameLookupTest, AnEntryThatCannotBeReadIsReported) {
    Serve([](const ReceivedRequest& request) {
        if (request.target.startsWith("/ws/2/")) {
            return HttpAnswer{404, "{}"};
        }
        if (request.target.contains("cmd=cddb+query")) {
            return HttpAnswer{200, "200 rock 1a0b2c03 The Band / First Light\r\n"};
        }
        return HttpAnswer{200, "403 Database entry is corrupt\r\n"};
    });
    Find();
    ASSERT_TRUE(WaitForOutcome());
    ASSERT_FALSE(outcomes[0].Succeeded());
    EXPECT_EQ(Failure(), FailureKind::ServerError);
    EXPECT_EQ(outcomes[0].failure->status, 403);
}

TEST_F(NetworkNameLookupTest, NotFoundAnywhere) {
    Serve([](const ReceivedRequest& request) {
        if (request.target.startsWith("/ws/2/")) {
            return HttpAnswer{404, "{}"};
        }
        return HttpAnswer{200, "202 No match found\r\n"};
    });
    Find();
    ASSERT_TRUE(WaitForOutcome());
    EXPECT_EQ(Failure(), FailureKind::NotFound);
}

TEST_F(NetworkNameLookupTest, RetriesOnceAfterTheWaitTheServerAsks) {
    Serve([this](const ReceivedRequest&) {
        if (server->Requests().size() == 1) {
            return HttpAnswer{503, "busy", {{"Retry-After", "3"}}};
        }
        return Json(R"({"releases": [)" + Release(discId, "First Light") + "]}");
    });
    Find();
    ASSERT_TRUE(AdvanceUntil([this] { return !outcomes.empty(); }, 20'000));
    EXPECT_TRUE(outcomes[0].Succeeded());
    ASSERT_EQ(server->Requests().size(), 2U);
    EXPECT_GE(server->Requests()[1].receivedAt - server->Requests()[0].receivedAt, 3'000);
}

TEST_F(NetworkNameLookupTest, ALongRetryAfterIsCutAndASecondRefusalFails) {
    Serve([](const ReceivedRequest&) {
        return HttpAnswer{429, "slow down", {{"Retry-After", "3600"}}};
    });
    Find();
    ASSERT_TRUE(AdvanceUntil([this] { return !outcomes.empty(); }, 20'000));
    EXPECT_EQ(Failure(), FailureKind::RateLimited);
    ASSERT_EQ(server->Requests().size(), 2U);
    EXPECT_LT(server->Requests()[1].receivedAt, 20'000);
}

TEST_F(NetworkNameLookupTest, MusicBrainzIsAskedAtMostOnceASecond) {
    Serve([this](const ReceivedRequest&) {
        return Json(R"({"releases": [)" + Release(discId, "First Light") + "]}");
    });
    Find();
    ASSERT_TRUE(WaitForOutcome());
    Find();
    ASSERT_TRUE(AdvanceUntil([this] { return outcomes.size() == 2; }, 5'000));
    ASSERT_EQ(server->Requests().size(), 2U);
    EXPECT_GE(server->Requests()[1].receivedAt - server->Requests()[0].receivedAt, 1'000);
}

TEST_F(NetworkNameLookupTest, AServerThatNeverAnswersTimesOut) {
    Serve([](const ReceivedRequest&) { return HttpAnswer{200, {}, {}, Delivery::Held}; });
    Find();
    ASSERT_TRUE(PumpUntil([this] { return server->Requests().size() == 1; }));
    clock.Advance(REQUEST_LIMIT_MILLISECONDS - 1);
    EXPECT_TRUE(outcomes.empty());
    clock.Advance(1);
    ASSERT_EQ(outcomes.size(), 1U);
    EXPECT_EQ(Failure(), FailureKind::TimedOut);
    EXPECT_EQ(FailureMessage(*outcomes[0].failure), "127.0.0.1 did not answer in time.");
}

TEST_F(NetworkNameLookupTest, ADripOfOneByteASecondIsEndedByTheTimeLimit) {
    Serve([](const ReceivedRequest&) {
        return HttpAnswer{200, {}, {{"Content-Length", "1000"}}, Delivery::Held};
    });
    Find();
    ASSERT_TRUE(PumpUntil([this] { return server->Requests().size() == 1; }));
    int dripped = 0;
    while (outcomes.empty() && dripped < 100) {
        server->Drip("{");
        ++dripped;
        PumpUntil([] { return false; }, std::chrono::milliseconds(10));
        clock.Advance(1'000);
    }
    ASSERT_EQ(outcomes.size(), 1U);
    EXPECT_EQ(Failure(), FailureKind::TimedOut);
    EXPECT_EQ(dripped, REQUEST_LIMIT_MILLISECONDS / 1'000);
}

TEST_F(NetworkNameLookupTest, CancelEndsTheSearchAtOnce) {
    Serve([](const ReceivedRequest&) { return HttpAnswer{200, {}, {}, Delivery::Held}; });
    Find();
    ASSERT_TRUE(PumpUntil([this] { return server->Requests().size() == 1; }));
    lookup->Cancel();
    ASSERT_EQ(outcomes.size(), 1U);
    EXPECT_EQ(Failure(), FailureKind::Cancelled);
    EXPECT_FALSE(lookup->Running());
    clock.Advance(REQUEST_LIMIT_MILLISECONDS * 2);
    EXPECT_EQ(outcomes.size(), 1U);
}

TEST_F(NetworkNameLookupTest, AClosedPortIsUnreachable) {
    QUrl closed;
    {
        QTcpServer probe;
        ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
        closed = QUrl(QStringLiteral("http://127.0.0.1:%1").arg(probe.serverPort()));
    }
    StartLookup(closed);
    Find();
    ASSERT_TRUE(WaitForOutcome());
    EXPECT_EQ(Failure(), FailureKind::Unreachable);
    EXPECT_EQ(FailureMessage(*outcomes[0].failure), "Couldn't reach 127.0.0.1: Connection refused");
}

TEST_F(NetworkNameLookupTest, AHundredMegabyteAnswerIsRefusedAtTheCap) {
    constexpr std::int64_t HUNDRED_MEGABYTES = 100LL * 1000 * 1000;
    Serve([](const ReceivedRequest&) {
        return HttpAnswer{200, {}, {}, Delivery::Endless, HUNDRED_MEGABYTES};
    });
    Find();
    ASSERT_TRUE(WaitForOutcome());
    EXPECT_EQ(Failure(), FailureKind::TooLarge);
    EXPECT_EQ(outcomes[0].failure->limit, LookupLimits{}.bodyBytes);
    // The client broke the connection off; what the server got rid of by then
    // includes what the loopback's socket buffers took, a few megabytes.
    ASSERT_TRUE(PumpUntil([this] { return server->ClosedByClient() == 1; }));
    EXPECT_LT(server->StreamedBytes(), HUNDRED_MEGABYTES / 4);
}

TEST_F(NetworkNameLookupTest, ADeclaredLengthOverTheCapIsRefusedBeforeTheBody) {
    Serve([](const ReceivedRequest&) {
        return HttpAnswer{200, {}, {{"Content-Length", "100000000"}}, Delivery::Held};
    });
    Find();
    ASSERT_TRUE(WaitForOutcome());
    EXPECT_EQ(Failure(), FailureKind::TooLarge);
}

TEST_F(NetworkNameLookupTest, AnUnusableTocIsNotFoundWithoutAsking) {
    Serve([](const ReceivedRequest&) { return HttpAnswer{500, {}}; });
    Find(DiscToc{{}, 100});
    EXPECT_TRUE(outcomes.empty());
    ASSERT_TRUE(WaitForOutcome());
    EXPECT_EQ(Failure(), FailureKind::NotFound);
    EXPECT_TRUE(server->Requests().empty());
}

TEST_F(NetworkNameLookupTest, AServerErrorIsReported) {
    Serve([](const ReceivedRequest&) { return HttpAnswer{502, "bad gateway"}; });
    Find();
    ASSERT_TRUE(WaitForOutcome());
    EXPECT_EQ(Failure(), FailureKind::ServerError);
    EXPECT_EQ(outcomes[0].failure->status, 502);
}

}  // namespace
}  // namespace corvid::names
