// The program's lookup: the names module loaded at the first search, and a
// clear failure when it cannot be.
#include "platform/nameloader/LoadedNameLookup.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/qt/ManualTimerSource.h"
#include "tests/names/LocalHttpServer.h"

namespace corvid::names {
namespace {

using testing::HttpAnswer;
using testing::LocalHttpServer;
using testing::PumpUntil;
using testing::ReceivedRequest;

const DiscToc DISC{{{1, 0}, {2, 15'000}}, 40'000};

class LoadedNameLookupTest : public ::testing::Test {
  protected:
    void Load(const QString& modulePath, const QUrl& server) {
        lookup.emplace(modulePath, clock, ClientIdentity{"1.08", "https://corvid.example/player"},
                       NameServers{server, server});
    }
    void Find() {
        lookup->Find(DISC, [this](const LookupOutcome& result) { outcomes.push_back(result); });
    }

    window::qt::ManualTimerSource clock;
    std::optional<LoadedNameLookup> lookup;
    std::vector<LookupOutcome> outcomes;
};

TEST_F(LoadedNameLookupTest, TheModuleIsLoadedAtTheFirstSearchAndAsksTheServer) {
    LocalHttpServer server(clock, [](const ReceivedRequest&) {
        return HttpAnswer{404, R"({"error": "Not Found"})"};
    });
    Load(QStringLiteral(NAMES_MODULE), server.Url());
    Find();
    EXPECT_TRUE(lookup->Running());
    ASSERT_TRUE(PumpUntil([this] { return !outcomes.empty(); }));
    // Nobody knows the disc; what matters is that the module's lookup asked.
    ASSERT_FALSE(outcomes[0].Succeeded());
    EXPECT_NE(outcomes[0].failure->kind, FailureKind::Unreachable);
    ASSERT_FALSE(server.Requests().empty());
    EXPECT_TRUE(server.Requests()[0].target.startsWith("/ws/2/discid/"));
    EXPECT_FALSE(lookup->Running());
}

TEST_F(LoadedNameLookupTest, AMissingModuleIsToldLaterAsAFailureThatNamesIt) {
    Load(QStringLiteral("no-such-folder/libcorvid-names-online.so"),
         QUrl(QStringLiteral("https://musicbrainz.org")));
    for (int search = 1; search <= 2; ++search) {
        SCOPED_TRACE(search);
        Find();
        // Never from inside Find.
        EXPECT_EQ(outcomes.size(), static_cast<std::size_t>(search - 1));
        EXPECT_TRUE(lookup->Running());
        ASSERT_TRUE(PumpUntil([&] { return outcomes.size() == static_cast<std::size_t>(search); }));
        const LookupFailure failure = outcomes.back().failure.value_or(LookupFailure{});
        EXPECT_EQ(failure.kind, FailureKind::Unreachable);
        const std::string message = FailureMessage(failure);
        EXPECT_EQ(message.rfind("Couldn't reach musicbrainz.org: the program's part for names "
                                "online could not be loaded (",
                                0),
                  0U)
            << message;
        EXPECT_NE(message.find("libcorvid-names-online.so"), std::string::npos) << message;
        EXPECT_FALSE(lookup->Running());
    }
}

TEST_F(LoadedNameLookupTest, ACancelBeforeTheFailureIsToldEndsTheSearchAtOnceAndForGood) {
    Load(QStringLiteral("/nowhere/libcorvid-names-online.so"),
         QUrl(QStringLiteral("https://musicbrainz.org")));
    Find();
    lookup->Cancel();
    ASSERT_EQ(outcomes.size(), 1U);
    EXPECT_EQ(outcomes[0].failure.value_or(LookupFailure{}).kind, FailureKind::Cancelled);
    EXPECT_FALSE(lookup->Running());
    EXPECT_FALSE(PumpUntil([this] { return outcomes.size() > 1; }, std::chrono::milliseconds(50)));
}

TEST_F(LoadedNameLookupTest, ASearchEndedByTheLookupsEndTellsNoOne) {
    Load(QStringLiteral("/nowhere/libcorvid-names-online.so"),
         QUrl(QStringLiteral("https://musicbrainz.org")));
    Find();
    lookup.reset();
    EXPECT_TRUE(outcomes.empty());
    EXPECT_FALSE(PumpUntil([this] { return !outcomes.empty(); }, std::chrono::milliseconds(50)));
}

}  // namespace
}  // namespace corvid::names
