// The media-player service on a private session bus, driven as a desktop's
// media keys and sound menu do.
#include <QDBusArgument>
#include <QFile>
#include <QDBusConnectionInterface>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QSignalSpy>
#include <gtest/gtest.h>

#include "app/desktop_services.h"
#include "app/playback_session.h"
#include "bus_test_support.h"
#include "window_test_fixture.h"

namespace zvapp {
namespace {

using testing::CallAndWait;
using testing::FakePlayer;
using testing::TestBus;

// Receives the service's Seeked signal.
class SeekedListener : public QObject {
  Q_OBJECT
public:
  QList<qlonglong> positions;
public slots:
  void OnSeeked(qlonglong position) { positions << position; }
};

// Receives the service's PropertiesChanged signal: the Rate values it carried.
class RateListener : public QObject {
  Q_OBJECT
public:
  QList<double> rates;
public slots:
  void OnChanged(const QString&, const QVariantMap& changed, const QStringList&) {
    if (changed.contains("Rate")) rates << changed.value("Rate").toDouble();
  }
};

class MprisTest : public PlayerWindowTest {
protected:
  void SetUp() override {
    PlayerWindowTest::SetUp();
    ASSERT_TRUE(QDBusConnection::sessionBus().isConnected()) << "no private session bus";
    services = std::make_unique<TDesktopServices>(*window, QDBusConnection::sessionBus());
    ASSERT_NE(services->Mpris(), nullptr);
    ASSERT_EQ(services->Mpris()->ServiceName(), "org.mpris.MediaPlayer2.zelvo");
  }
  void TearDown() override {
    services.reset();
    PlayerWindowTest::TearDown();
  }
  QVariant Get(const char* iface, const char* name) {
    QDBusMessage m = QDBusMessage::createMethodCall("org.mpris.MediaPlayer2.zelvo", "/org/mpris/MediaPlayer2",
                                                    "org.freedesktop.DBus.Properties", "Get");
    m << QString::fromLatin1(iface) << QString::fromLatin1(name);
    QDBusMessage reply = CallAndWait(client, m);
    EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
    if (reply.arguments().isEmpty()) return {};
    return reply.arguments().first().value<QDBusVariant>().variant();
  }
  QVariant Player(const char* name) { return Get("org.mpris.MediaPlayer2.Player", name); }
  QVariantMap Metadata() { return qdbus_cast<QVariantMap>(Player("Metadata").value<QDBusArgument>()); }
  QDBusMessage Call(const char* method, const QVariantList& args = {},
                    const char* iface = "org.mpris.MediaPlayer2.Player") {
    QDBusMessage m =
        QDBusMessage::createMethodCall("org.mpris.MediaPlayer2.zelvo", "/org/mpris/MediaPlayer2", iface, method);
    m.setArguments(args);
    return CallAndWait(client, m);
  }
  // The file as the engine reports it: opened, playing, at 12 s.
  void PlayFile() {
    player.title = "Zelvo Fixture Title";
    player.videoIndex = 0;
    window->OpenFile("/media/clip one.mkv");
    int sw = 0, sh = 0;
    window->FFPlayerFileOpen(60 * kSec, 320, 240, sw, sh);
    player.paused = false;
    window->FFPlayerState(zv::psPlay);
    window->FFPlayerPosition(12 * kSec);
    player.calls.clear();
  }

  QDBusConnection client = TestBus("mpris-client");
  std::unique_ptr<TDesktopServices> services;
};

TEST_F(MprisTest, NothingOpenIsStoppedAndCannotSeek) {
  EXPECT_EQ(Get("org.mpris.MediaPlayer2", "Identity").toString(), "ZELVO Player");
  EXPECT_EQ(Get("org.mpris.MediaPlayer2", "DesktopEntry").toString(), "zelvo-player");
  EXPECT_TRUE(Get("org.mpris.MediaPlayer2", "CanQuit").toBool());
  EXPECT_TRUE(Get("org.mpris.MediaPlayer2", "CanRaise").toBool());
  const QStringList types = Get("org.mpris.MediaPlayer2", "SupportedMimeTypes").toStringList();
  for (const char* type : {"video/x-matroska", "video/webm", "audio/webm", "audio/x-opus+ogg", "audio/opus",
                           "video/x-m4v", "video/mp2t"})
    EXPECT_TRUE(types.contains(type)) << type;
  // The launcher offers the same types.
  QFile launcher(QStringLiteral(ZELVO_SOURCE_DIR "/data/zelvo-player.desktop"));
  ASSERT_TRUE(launcher.open(QIODevice::ReadOnly));
  QString line;
  for (const QString& l : QString::fromUtf8(launcher.readAll()).split('\n'))
    if (l.startsWith("MimeType=")) line = l.mid(9);
  EXPECT_EQ(line.split(';', Qt::SkipEmptyParts), types);
  EXPECT_EQ(Player("PlaybackStatus").toString(), "Stopped");
  EXPECT_FALSE(Player("CanSeek").toBool());
  EXPECT_FALSE(Player("CanPlay").toBool());
  EXPECT_TRUE(Player("CanControl").toBool());
  EXPECT_EQ(Metadata().value("mpris:trackid").value<QDBusObjectPath>().path(),
            "/org/mpris/MediaPlayer2/TrackList/NoTrack");
  // Commands without a file change nothing.
  Call("PlayPause");
  Call("Seek", {qlonglong(5 * kSec)});
  EXPECT_TRUE(player.calls.empty());
}

TEST_F(MprisTest, PropertiesWhilePlayingAndPaused) {
  PlayFile();
  EXPECT_EQ(Player("PlaybackStatus").toString(), "Playing");
  EXPECT_EQ(Player("Position").toLongLong(), 12 * kSec);
  EXPECT_TRUE(Player("CanSeek").toBool());
  EXPECT_TRUE(Player("CanPause").toBool());
  EXPECT_DOUBLE_EQ(Player("Volume").toDouble(), 1.0);
  QVariantMap meta = Metadata();
  EXPECT_EQ(meta.value("xesam:title").toString(), "Zelvo Fixture Title");
  EXPECT_EQ(meta.value("mpris:length").toLongLong(), 60 * kSec);
  EXPECT_EQ(meta.value("xesam:url").toString(), "file:///media/clip%20one.mkv");
  EXPECT_TRUE(meta.value("mpris:trackid").value<QDBusObjectPath>().path().startsWith("/org/zelvo/"));

  player.paused = true;
  window->FFPlayerState(zv::psPause);
  window->FFPlayerPosition(13 * kSec);
  EXPECT_EQ(Player("PlaybackStatus").toString(), "Paused");
  EXPECT_EQ(Player("Position").toLongLong(), 13 * kSec);

  // Without a title the file's name stands in.
  player.title.clear();
  int sw = 0, sh = 0;
  window->FFPlayerFileOpen(60 * kSec, 320, 240, sw, sh);
  EXPECT_EQ(Metadata().value("xesam:title").toString(), "clip one.mkv");

  window->FFPlayerState(zv::psStop);
  EXPECT_EQ(Player("PlaybackStatus").toString(), "Stopped");
}

TEST_F(MprisTest, CommandsDriveThePlayerAndSeeksAreSignalled) {
  PlayFile();
  SeekedListener listener;
  ASSERT_TRUE(client.connect("org.mpris.MediaPlayer2.zelvo", "/org/mpris/MediaPlayer2",
                             "org.mpris.MediaPlayer2.Player", "Seeked", &listener, SLOT(OnSeeked(qlonglong))));

  EXPECT_EQ(Call("PlayPause").type(), QDBusMessage::ReplyMessage);
  EXPECT_EQ(player.calls, (std::vector<std::string>{"Pause"}));
  player.calls.clear();
  Call("PlayPause");
  EXPECT_EQ(player.calls, (std::vector<std::string>{"Resume"}));

  const QDBusObjectPath track = Metadata().value("mpris:trackid").value<QDBusObjectPath>();
  player.calls.clear();
  Call("SetPosition", {QVariant::fromValue(track), qlonglong(40 * kSec)});
  EXPECT_EQ(player.calls, (std::vector<std::string>{"Seek"}));
  EXPECT_EQ(player.lastSeekTarget, 40 * kSec);
  EXPECT_EQ(window->lblDuration->text(), "00:00:40/00:01:00");
  // A stale track or a place past the end is ignored.
  player.calls.clear();
  Call("SetPosition", {QVariant::fromValue(QDBusObjectPath("/org/zelvo/Player/Track/999")), qlonglong(kSec)});
  Call("SetPosition", {QVariant::fromValue(track), qlonglong(61 * kSec)});
  EXPECT_TRUE(player.calls.empty());
  // Relative seeks go from the position.
  Call("Seek", {qlonglong(-15 * kSec)});
  EXPECT_EQ(player.lastSeekTarget, 25 * kSec);

  EXPECT_TRUE(QTest::qWaitFor([&] { return listener.positions.size() >= 2; }, 5000));
  EXPECT_EQ(listener.positions, (QList<qlonglong>{40 * kSec, 25 * kSec}));

  // Volume written through the bus moves the window's volume track.
  QDBusMessage set = QDBusMessage::createMethodCall("org.mpris.MediaPlayer2.zelvo", "/org/mpris/MediaPlayer2",
                                                    "org.freedesktop.DBus.Properties", "Set");
  set << QString("org.mpris.MediaPlayer2.Player") << QString("Volume") << QVariant::fromValue(QDBusVariant(0.5));
  EXPECT_EQ(CallAndWait(client, set).type(), QDBusMessage::ReplyMessage);
  EXPECT_EQ(player.volume, 64);

  Call("Stop");
  EXPECT_EQ(player.Count("Stop wait"), 1);
  Call("Quit", {}, "org.mpris.MediaPlayer2");
  EXPECT_FALSE(window->isVisible());
}

TEST_F(MprisTest, PlayAfterStopPlaysTheLastFileAgain) {
  PlayFile();
  Call("Stop");
  window->FFPlayerState(zv::psStop);
  EXPECT_EQ(Player("PlaybackStatus").toString(), "Stopped");
  EXPECT_TRUE(Player("CanPlay").toBool());
  player.calls.clear();
  Call("Play");
  EXPECT_TRUE(QTest::qWaitFor([&] { return player.Count("Open /media/clip one.mkv") == 1; }, 5000));
  window->FFPlayerState(zv::psStop);
  player.calls.clear();
  Call("PlayPause");
  EXPECT_TRUE(QTest::qWaitFor([&] { return player.Count("Open /media/clip one.mkv") == 1; }, 5000));
}

// Serves the main thread while it opens, as the engine does; an open inside
// another fails as the engine's does, and a stop meanwhile cuts it short.
class SlowOpenPlayer : public FakePlayer {
public:
  int opening = 0;
  int nested = 0;
  bool cancelled = false;
  QStringList played;  // files whose open succeeded, in order
  bool Open(const std::string& AFileName, uint64_t AScreenHandle, bool APaused) override {
    FakePlayer::Open(AFileName, AScreenHandle, APaused);
    if (opening) {
      ++nested;
      cancelled = true;
      lastErr = "Open: another file is being opened.";
      return false;
    }
    ++opening;
    cancelled = false;
    QTest::qWait(80);
    --opening;
    if (cancelled) {
      lastErr = AFileName + ": Immediate exit requested";
      return false;
    }
    played << QString::fromStdString(AFileName);
    return true;
  }
  void Stop(bool AWait) override {
    FakePlayer::Stop(AWait);
    if (opening) cancelled = true;
  }
};

TEST(MprisOpenBurst, OpenUriCallsCloseTogetherPlayTheLastOneWithoutABox) {
  struct Case {
    int calls, gapMs;
  } cases[] = {{2, 0}, {2, 50}, {5, 10}, {5, 50}, {20, 0}, {20, 25}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.calls) + " calls " + std::to_string(c.gapMs) + " ms apart");
    SlowOpenPlayer player;
    player.loaded = true;
    auto window = std::make_unique<TfrmPlayer>(player);
    QStringList messages;
    window->ShowMessage = [&](const QString& t) { messages << t; };
    TDesktopServices services(*window, QDBusConnection::sessionBus());
    ASSERT_NE(services.Mpris(), nullptr);
    QDBusConnection client = TestBus("mpris-burst");
    std::vector<QDBusPendingCall> pending;
    for (int i = 0; i < c.calls; ++i) {
      QDBusMessage m = QDBusMessage::createMethodCall("org.mpris.MediaPlayer2.zelvo", "/org/mpris/MediaPlayer2",
                                                      "org.mpris.MediaPlayer2.Player", "OpenUri");
      m << QString("file:///media/clip%1.mkv").arg(i);
      pending.push_back(client.asyncCall(m, 5000));
      if (c.gapMs) QTest::qWait(c.gapMs);
    }
    const QString last = QString("/media/clip%1.mkv").arg(c.calls - 1);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return !window->OpenRequests().Busy() && !player.played.isEmpty() && player.played.last() == last; },
        10000))
        << player.played.join(", ").toStdString();
    for (auto& p : pending) EXPECT_FALSE(p.isError());
    EXPECT_TRUE(messages.isEmpty()) << messages.join("; ").toStdString();
    EXPECT_EQ(window->OpenedFileName(), last);
    // No open ran inside another (the engine would have refused it).
    EXPECT_EQ(player.nested, 0);
    EXPECT_EQ(player.Count("Open " + last.toStdString()), 1);
    QDBusConnection::disconnectFromBus("mpris-burst");
  }
}

TEST_F(MprisTest, NextPreviousRepeatAndShuffleThroughTheBus) {
  player.loaded = true;
  EXPECT_FALSE(Player("CanGoNext").toBool());
  EXPECT_FALSE(Player("CanGoPrevious").toBool());
  EXPECT_EQ(Player("LoopStatus").toString(), "None");
  EXPECT_FALSE(Player("Shuffle").toBool());
  window->Session->OpenPaths({"/media/one.mkv", "/media/two.mkv"}, TPlaybackSession::TAdd::Replace);
  int sw = 0, sh = 0;
  window->FFPlayerFileOpen(60 * kSec, 320, 240, sw, sh);
  EXPECT_TRUE(Player("CanGoNext").toBool());
  EXPECT_FALSE(Player("CanGoPrevious").toBool());
  Call("Next");
  EXPECT_TRUE(QTest::qWaitFor([&] { return player.Count("Open /media/two.mkv") == 1; }, 5000));
  window->FFPlayerFileOpen(60 * kSec, 320, 240, sw, sh);
  EXPECT_EQ(Metadata().value("xesam:url").toString(), "file:///media/two.mkv");
  EXPECT_FALSE(Player("CanGoNext").toBool());
  Call("Previous");
  EXPECT_TRUE(QTest::qWaitFor([&] { return player.Count("Open /media/one.mkv") == 2; }, 5000));

  auto set = [&](const char* name, const QVariant& v) {
    QDBusMessage m = QDBusMessage::createMethodCall("org.mpris.MediaPlayer2.zelvo", "/org/mpris/MediaPlayer2",
                                                    "org.freedesktop.DBus.Properties", "Set");
    m << QString("org.mpris.MediaPlayer2.Player") << QString::fromLatin1(name) << QVariant::fromValue(QDBusVariant(v));
    EXPECT_EQ(CallAndWait(client, m).type(), QDBusMessage::ReplyMessage);
  };
  set("LoopStatus", QString("Playlist"));
  EXPECT_EQ(Player("LoopStatus").toString(), "Playlist");
  EXPECT_TRUE(window->Session->mnuRepeatAll->isChecked());
  EXPECT_TRUE(Player("CanGoPrevious").toBool()) << "the list goes round";
  set("LoopStatus", QString("Track"));
  EXPECT_EQ(window->Session->Playlist().Repeat(), TRepeat::One);
  set("LoopStatus", QString("Sometimes"));
  EXPECT_EQ(Player("LoopStatus").toString(), "Track");
  set("Shuffle", true);
  EXPECT_TRUE(Player("Shuffle").toBool());
  EXPECT_TRUE(window->Session->mnuShuffle->isChecked());
}

TEST(DesktopServicesTest, NoSessionBusMeansNoServicesAndNoFuss) {
  FakePlayer player;
  TfrmPlayer window(player);
  QDBusConnection none = QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/zelvo-bus"),
                                                       QStringLiteral("no-bus"));
  ASSERT_FALSE(none.isConnected());
  TDesktopServices services(window, none);
  EXPECT_EQ(services.Mpris(), nullptr);
  EXPECT_EQ(services.ScreenSaver(), nullptr);
  // The window goes on as before.
  player.videoIndex = 0;
  window.FFPlayerState(zv::psPlay);
  window.FFPlayerState(zv::psPause);
  QDBusConnection::disconnectFromBus(QStringLiteral("no-bus"));
}

TEST_F(MprisTest, RateReadsAndSetsTheSpeedWithinItsLimits) {
  EXPECT_DOUBLE_EQ(Player("Rate").toDouble(), 1.0);
  EXPECT_DOUBLE_EQ(Player("MinimumRate").toDouble(), 0.25);
  EXPECT_DOUBLE_EQ(Player("MaximumRate").toDouble(), 4.0);
  PlayFile();
  RateListener listener;
  ASSERT_TRUE(client.connect("org.mpris.MediaPlayer2.zelvo", "/org/mpris/MediaPlayer2",
                             "org.freedesktop.DBus.Properties", "PropertiesChanged", &listener,
                             SLOT(OnChanged(QString, QVariantMap, QStringList))));
  auto setRate = [&](double v) {
    QDBusMessage m = QDBusMessage::createMethodCall("org.mpris.MediaPlayer2.zelvo", "/org/mpris/MediaPlayer2",
                                                    "org.freedesktop.DBus.Properties", "Set");
    m << QString("org.mpris.MediaPlayer2.Player") << QString("Rate") << QVariant::fromValue(QDBusVariant(v));
    EXPECT_EQ(CallAndWait(client, m).type(), QDBusMessage::ReplyMessage);
  };
  const struct {
    double set, speed;
  } cases[] = {{1.5, 1.5}, {10, 4}, {0.1, 0.25}, {-2, 0.25}, {2, 2}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.set);
    setRate(c.set);
    EXPECT_DOUBLE_EQ(player.speed, c.speed);
    EXPECT_DOUBLE_EQ(Player("Rate").toDouble(), c.speed);
  }
  EXPECT_EQ(player.messages.back(), "Speed: 2.00x");
  // One signal per change (0.25 twice is one change).
  EXPECT_TRUE(QTest::qWaitFor([&] { return listener.rates.size() >= 4; }, 5000));
  EXPECT_EQ(listener.rates, (QList<double>{1.5, 4, 0.25, 2}));

  // The keys change it too, and say so.
  window->ChangeSpeedBy(0.5);
  EXPECT_TRUE(QTest::qWaitFor([&] { return listener.rates.size() >= 5; }, 5000));
  EXPECT_DOUBLE_EQ(listener.rates.value(4), 1.0);

  // 0 pauses and keeps the speed.
  player.calls.clear();
  setRate(0);
  EXPECT_EQ(player.calls, (std::vector<std::string>{"Pause"}));
  EXPECT_DOUBLE_EQ(player.speed, 1.0);
}

}  // namespace
}  // namespace zvapp

#include "mpris_test.moc"
