// The MPRIS service on a private session bus, with playerctl, Debian's MPRIS
// client, driving the headless player as a desktop's media controls would.
#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QEventLoop>
#include <QObject>
#include <QTimer>
#include <QVariantMap>
#include <memory>
#include <optional>

#include "platform/mpris/MprisService.h"
#include "platform/mpris/MprisValues.h"
#include "res/ControlIds.h"
#include "tests/mpris/PrivateBus.h"
#include "tests/ui/PlayerScenario.h"

namespace corvid::mpris::testing {

// Keeps every PropertiesChanged of the player's interface, and every Seeked.
class PropertiesWatcher : public QObject {
    Q_OBJECT

  public:
    QList<QVariantMap> changes;
    QList<qlonglong> seeks;

  public Q_SLOTS:
    void OnSeeked(qlonglong position) { seeks.append(position); }

    void OnPropertiesChanged(const QString& interface, const QVariantMap& changed,
                             const QStringList& invalidated) {
        static_cast<void>(invalidated);
        if (interface == QLatin1String(PLAYER_INTERFACE)) {
            changes.append(changed);
        }
    }
};

namespace {

const QString SERVICE_CONNECTION = QStringLiteral("corvid-mpris-service");
const QString CLIENT_CONNECTION = QStringLiteral("corvid-mpris-client");
constexpr double CLIENT_LAG_SECONDS = 0.5;

class MprisBusTest : public ui::testing::PlayerScenario {
  protected:
    void SetUp() override {
        PlayerScenario::SetUp();
        m_bus.emplace();
        ASSERT_FALSE(m_bus->Address().isEmpty()) << "dbus-daemon did not start";
        const QDBusConnection connection =
            QDBusConnection::connectToBus(m_bus->Address(), SERVICE_CONNECTION);
        ASSERT_TRUE(connection.isConnected());
        Start();
        m_service = MprisService::Start(
            connection, [this] { return ShownPlayer(); }, [this] { ++m_raises; });
        ASSERT_NE(m_service, nullptr);
        ASSERT_TRUE(m_service->IsRegistered());
    }

    void TearDown() override {
        m_service.reset();
        QDBusConnection::disconnectFromBus(CLIENT_CONNECTION);
        QDBusConnection::disconnectFromBus(SERVICE_CONNECTION);
        PlayerScenario::TearDown();
        m_bus.reset();
    }

    // playerctl's answer, once it has ended well.
    QString Playerctl(const QStringList& arguments) {
        const ClientResult result =
            RunClient(m_bus->Address(), QStringLiteral("playerctl"),
                      QStringList{QStringLiteral("--player=corvidplayer")} + arguments);
        EXPECT_TRUE(result.finished) << "playerctl did not end";
        EXPECT_EQ(result.exitCode, 0) << arguments.join(' ').toStdString();
        return result.output;
    }

    // As the application gives its main window: only while it runs.
    ui::CPlayerDlg* ShownPlayer() { return Window().IsOpen() ? m_player.get() : nullptr; }

    // A property of the application's interface, as dbus-send prints it.
    QString RootProperty(const QString& name) {
        const ClientResult result = RunClient(
            m_bus->Address(), QStringLiteral("dbus-send"),
            {QStringLiteral("--session"), QStringLiteral("--print-reply"),
             QStringLiteral("--dest=") + QLatin1String(SERVICE_NAME), QLatin1String(OBJECT_PATH),
             QLatin1String(PROPERTIES_INTERFACE) + QStringLiteral(".Get"),
             QStringLiteral("string:") + QLatin1String(ROOT_INTERFACE),
             QStringLiteral("string:") + name});
        EXPECT_EQ(result.exitCode, 0) << name.toStdString();
        return result.output.section(QStringLiteral("variant"), 1).simplified();
    }

    QDBusConnection Client() {
        return QDBusConnection::connectToBus(m_bus->Address(), CLIENT_CONNECTION);
    }

    std::optional<PrivateBus> m_bus;
    std::unique_ptr<MprisService> m_service;
    int m_raises = 0;
};

TEST_F(MprisBusTest, PlayPauseStopsThePlayAndStartsItAgainAsTheButtonDoes) {
    PlaySeconds(2);
    Playerctl({QStringLiteral("play-pause")});
    EXPECT_EQ(Mode(), "stopped");
    EXPECT_EQ(Text(res::PLAY_STOP_BUTTON), "Play");
    EXPECT_EQ(Playerctl({QStringLiteral("status")}), QStringLiteral("Paused"));

    Playerctl({QStringLiteral("play-pause")});
    EXPECT_EQ(Mode(), "playing");
    EXPECT_EQ(Text(res::PLAY_STOP_BUTTON), "Stop");
    EXPECT_EQ(Position().substr(0, 8), "01:00:02");
    EXPECT_EQ(Playerctl({QStringLiteral("status")}), QStringLiteral("Playing"));
}

TEST_F(MprisBusTest, NextPlaysTheNextTrackAndTheMetadataNamesWhatTheWindowShows) {
    Playerctl({QStringLiteral("next")});
    EXPECT_EQ(Position(), "02:00:00:00");
    Ticks(1);
    EXPECT_EQ(Text(res::STATUS_TEXT), ">[02] 02. <Unnamed track>");

    const QString metadata = Playerctl({QStringLiteral("metadata")});
    EXPECT_TRUE(metadata.contains(QStringLiteral("/org/corvidplayer/row/track_2")))
        << metadata.toStdString();
    EXPECT_TRUE(metadata.contains(QStringLiteral("15000000"))) << metadata.toStdString();
    EXPECT_EQ(Playerctl({QStringLiteral("metadata"), QStringLiteral("title")}),
              QStringLiteral("02. <Unnamed track>"));
    EXPECT_EQ(Playerctl({QStringLiteral("metadata"), QStringLiteral("album")}),
              QString::fromStdString(Text(res::ALBUM_EDIT)));
}

TEST_F(MprisBusTest, PositionReadsTheWindowsPositionAndMovesItThroughThePositionBar) {
    PlaySeconds(3);
    EXPECT_EQ(Text(res::POSITION_TEXT), "00:03 (00:20)");
    // playerctl adds the little time that passed since it read the position.
    EXPECT_NEAR(Playerctl({QStringLiteral("position")}).toDouble(), 3.0, CLIENT_LAG_SECONDS);

    m_mci->Forget();
    Playerctl({QStringLiteral("position"), QStringLiteral("12")});
    EXPECT_EQ(m_mci->Count("play"), 0);
    Ticks(2);
    EXPECT_EQ(m_mci->Count("play"), 1);
    EXPECT_EQ(Position(), "01:00:12:00");
    EXPECT_NEAR(Playerctl({QStringLiteral("position")}).toDouble(), 12.0, CLIENT_LAG_SECONDS);
}

TEST_F(MprisBusTest, TheTitleOfAPlayingSubtrackNamesItsTrackAndItself) {
    char answer[16] = {};
    m_device->SendString("play cdaudio from 01:00:04:00", answer, nullptr);
    Click(res::INSERT_SUBTRACK_BUTTON);
    // The window learns of the play from the drive at its next refresh.
    Hear(FRAMES_PER_SECOND);
    UntilRefresh();
    Ticks(1);
    ASSERT_EQ(Text(res::SUBTRACK_TEXT), "<New subtrack>");
    EXPECT_EQ(Playerctl({QStringLiteral("metadata"), QStringLiteral("title")}).toStdString(),
              "01. <Unnamed track> — <New subtrack>");
}

TEST_F(MprisBusTest, AClickInTheWindowIsToldToTheBusAndASeekIsSignalledOnceDone) {
    QDBusConnection client = Client();
    ASSERT_TRUE(client.isConnected());
    PropertiesWatcher watcher;
    ASSERT_TRUE(client.connect(QString(), QLatin1String(OBJECT_PATH),
                               QLatin1String(PROPERTIES_INTERFACE),
                               QStringLiteral("PropertiesChanged"), &watcher,
                               SLOT(OnPropertiesChanged(QString, QVariantMap, QStringList))));
    ASSERT_TRUE(client.connect(QString(), QLatin1String(OBJECT_PATH),
                               QLatin1String(PLAYER_INTERFACE), QStringLiteral("Seeked"), &watcher,
                               SLOT(OnSeeked(qlonglong))));
    Click(res::PLAY_STOP_BUTTON);
    ASSERT_TRUE(PumpUntil([&watcher] {
        return !watcher.changes.isEmpty() &&
               watcher.changes.last().contains(QStringLiteral("PlaybackStatus"));
    }));
    EXPECT_EQ(watcher.changes.last().value(QStringLiteral("PlaybackStatus")).toString(),
              QStringLiteral("Paused"));

    Click(res::PLAY_STOP_BUTTON);
    Playerctl({QStringLiteral("position"), QStringLiteral("9")});
    EXPECT_TRUE(watcher.seeks.isEmpty());
    Ticks(2);
    ASSERT_TRUE(PumpUntil([&watcher] { return !watcher.seeks.isEmpty(); }));
    EXPECT_EQ(watcher.seeks, QList<qlonglong>{9'000'000});
}

TEST_F(MprisBusTest, CommandsWaitOutAModalBoxOfTheWindowAsItsButtonsDo) {
    // A message box of the window runs an event loop inside the window's own.
    QEventLoop messageBox;
    QTimer::singleShot(0, &messageBox, [this, &messageBox] {
        Playerctl({QStringLiteral("play-pause")});
        messageBox.quit();
    });
    messageBox.exec();
    EXPECT_EQ(Mode(), "playing");

    Playerctl({QStringLiteral("play-pause")});
    EXPECT_EQ(Mode(), "stopped");
}

TEST_F(MprisBusTest, TheApplicationNamesItselfAndRaiseReachesTheWindow) {
    EXPECT_EQ(
        RunClient(m_bus->Address(), QStringLiteral("playerctl"), {QStringLiteral("-l")}).output,
        QStringLiteral("corvidplayer"));
    EXPECT_EQ(RootProperty(QStringLiteral("Identity")), QStringLiteral("string \"Corvid Player\""));
    EXPECT_EQ(RootProperty(QStringLiteral("DesktopEntry")),
              QStringLiteral("string \"corvid-player\""));
    EXPECT_EQ(RootProperty(QStringLiteral("CanRaise")), QStringLiteral("boolean true"));
    EXPECT_EQ(RootProperty(QStringLiteral("CanQuit")), QStringLiteral("boolean false"));

    const ClientResult raise = RunClient(
        m_bus->Address(), QStringLiteral("dbus-send"),
        {QStringLiteral("--session"), QStringLiteral("--print-reply"),
         QStringLiteral("--dest=") + QLatin1String(SERVICE_NAME), QLatin1String(OBJECT_PATH),
         QLatin1String(ROOT_INTERFACE) + QStringLiteral(".Raise")});
    EXPECT_EQ(raise.exitCode, 0);
    EXPECT_EQ(m_raises, 1);
}

TEST_F(MprisBusTest, TheNameIsGivenUpWhenTheWindowCloses) {
    Close();
    m_service->Poll();
    EXPECT_FALSE(m_service->IsRegistered());
    const ClientResult list =
        RunClient(m_bus->Address(), QStringLiteral("playerctl"), {QStringLiteral("-l")});
    EXPECT_FALSE(list.output.contains(QStringLiteral("corvidplayer")));
}

TEST(MprisServiceWithoutBus, StartsNothing) {
    const QString name = QStringLiteral("corvid-mpris-nowhere");
    const QDBusConnection nowhere =
        QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/corvid-bus"), name);
    EXPECT_EQ(MprisService::Start(
                  nowhere, [] { return nullptr; }, [] {}),
              nullptr);
    QDBusConnection::disconnectFromBus(name);
}

}  // namespace
}  // namespace corvid::mpris::testing

#include "MprisBusTest.moc"
