// A list of real files in the real window, watched through the media-player
// service on a private session bus, and a file reopened where it was quit.
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>

#include "../../../tools/fixture_list.h"
#include "app/desktop_services.h"
#include "app/playback_session.h"
#include "app/recent_files.h"
#include "e2e_support.h"
#include "window_rig.h"

namespace zvapp {
namespace {

namespace fx = zv::fixtures;
using e2e::WaitFor;
constexpr int64_t kSec = 1000000;

class PlaylistEndToEnd : public ::testing::Test {
protected:
  void SetUp() override {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) GTEST_SKIP() << "needs an X display (scripts/test runs one)";
    std::string error;
    ASSERT_TRUE(e2e::EnsureWindowManager(error)) << error;
    media = QDir(qEnvironmentVariable("ZELVO_MEDIA_DIR"));
    ASSERT_TRUE(state.isValid());
    // A bus of the test's own: the desktop never sees these services.
    daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
    ASSERT_TRUE(daemon.waitForStarted(5000));
    ASSERT_TRUE(WaitFor([&] { return daemon.canReadLine(); }, 5000)) << "no bus address";
    address = QString::fromUtf8(daemon.readLine()).trimmed();
  }
  void TearDown() override {
    QDBusConnection::disconnectFromBus("zelvo-e2e-service");
    QDBusConnection::disconnectFromBus("zelvo-e2e-client");
    daemon.kill();
    daemon.waitForFinished(5000);
  }
  QDBusConnection Bus(const char* name) {
    return QDBusConnection::connectToBus(address, QString::fromLatin1(name));
  }
  // A window with the desktop services on the private bus and resuming on.
  void Start(e2e::TWindowRig& rig, std::unique_ptr<TDesktopServices>& services) {
    std::string error;
    ASSERT_TRUE(rig.Show(error)) << error;
    services = std::make_unique<TDesktopServices>(*rig.window, Bus("zelvo-e2e-service"));
    ASSERT_NE(services->Mpris(), nullptr);
    rig.window->Session->SetResumeStore(std::make_unique<zv::TResumeStore>(state.filePath("zelvo-player").toStdString()));
    rig.window->Session->Recent->SetDesktopList(state.filePath("recently-used.xbel"));
  }
  QVariant Get(const char* name) {
    QDBusMessage m = QDBusMessage::createMethodCall("org.mpris.MediaPlayer2.zelvo", "/org/mpris/MediaPlayer2",
                                                    "org.freedesktop.DBus.Properties", "Get");
    m << QString("org.mpris.MediaPlayer2.Player") << QString::fromLatin1(name);
    QDBusPendingCall call = client.asyncCall(m, 5000);
    if (!WaitFor([&] { return call.isFinished(); }, 6000)) return {};
    const QDBusMessage reply = call.reply();
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return {};
    return reply.arguments().first().value<QDBusVariant>().variant();
  }
  QString PlayingUrl() {
    return qdbus_cast<QVariantMap>(Get("Metadata").value<QDBusArgument>()).value("xesam:url").toString();
  }
  void Call(const char* method, const QVariantList& args = {}) {
    QDBusMessage m = QDBusMessage::createMethodCall("org.mpris.MediaPlayer2.zelvo", "/org/mpris/MediaPlayer2",
                                                    "org.mpris.MediaPlayer2.Player", method);
    m.setArguments(args);
    QDBusPendingCall call = client.asyncCall(m, 5000);
    WaitFor([&] { return call.isFinished(); }, 6000);
  }
  void SetProperty(const char* name, const QVariant& v) {
    QDBusMessage m = QDBusMessage::createMethodCall("org.mpris.MediaPlayer2.zelvo", "/org/mpris/MediaPlayer2",
                                                    "org.freedesktop.DBus.Properties", "Set");
    m << QString("org.mpris.MediaPlayer2.Player") << QString::fromLatin1(name) << QVariant::fromValue(QDBusVariant(v));
    QDBusPendingCall call = client.asyncCall(m, 5000);
    WaitFor([&] { return call.isFinished(); }, 6000);
  }
  QString Url(std::string_view name) {
    return QUrl::fromLocalFile(media.filePath(QString::fromUtf8(name.data(), qsizetype(name.size()))))
        .toString(QUrl::FullyEncoded);
  }
  QString Path(std::string_view name) { return media.filePath(QString::fromUtf8(name.data(), qsizetype(name.size()))); }

  QDir media;
  QTemporaryDir state;
  QProcess daemon;
  QString address;
  QDBusConnection client{QString()};
};

TEST_F(PlaylistEndToEnd, FilesPlayInTurnAndTheServiceMovesThroughThem) {
  e2e::TWindowRig rig;
  std::unique_ptr<TDesktopServices> services;
  Start(rig, services);
  client = Bus("zelvo-e2e-client");
  ASSERT_TRUE(client.isConnected());

  // Two short files (4 s and 2 s), as the command line hands them over.
  ASSERT_TRUE(rig.window->Session->OpenPaths({Path(fx::kAvH264AacMkv), Url(fx::kCyrillicMkv)},
                                             TPlaybackSession::TAdd::Replace));
  EXPECT_TRUE(WaitFor([&] { return PlayingUrl() == Url(fx::kAvH264AacMkv); }, 10000)) << PlayingUrl().toStdString();
  EXPECT_TRUE(Get("CanGoNext").toBool());
  EXPECT_FALSE(Get("CanGoPrevious").toBool());
  // The desktop's recently-used list has it.
  QFile list(state.filePath("recently-used.xbel"));
  ASSERT_TRUE(list.open(QIODevice::ReadOnly));
  EXPECT_TRUE(list.readAll().contains(Url(fx::kAvH264AacMkv).toUtf8()));
  // The first ends; the second follows by itself.
  EXPECT_TRUE(WaitFor([&] { return PlayingUrl() == Url(fx::kCyrillicMkv); }, 20000)) << PlayingUrl().toStdString();
  EXPECT_EQ(rig.window->windowTitle(), QString::fromUtf8("тест_видео.mkv - ZELVO Player FREE"));
  EXPECT_TRUE(WaitFor([&] { return Get("PlaybackStatus").toString() == "Playing"; }, 10000));

  Call("Previous");
  EXPECT_TRUE(WaitFor([&] { return PlayingUrl() == Url(fx::kAvH264AacMkv); }, 10000)) << PlayingUrl().toStdString();
  Call("Next");
  EXPECT_TRUE(WaitFor([&] { return PlayingUrl() == Url(fx::kCyrillicMkv); }, 10000)) << PlayingUrl().toStdString();

  // Repeat one: the 2 s file plays again after its end instead of waiting.
  SetProperty("LoopStatus", QString("Track"));
  int opened = 0;
  QObject::connect(rig.window.get(), &TfrmPlayer::FileOpened, [&] { ++opened; });
  EXPECT_TRUE(WaitFor([&] { return opened >= 1 && rig.window->LastPosition() > kSec / 2; }, 15000));
  EXPECT_EQ(PlayingUrl(), Url(fx::kCyrillicMkv));
  EXPECT_TRUE(rig.messages.isEmpty()) << rig.messages.join("; ").toStdString();
}

// The frame number as drawn: the picture keeps its shape, centred in the panel.
int ScreenFrameNumber(TfrmPlayer& w, QSize picture) {
  const QRect panel(w.plPlayer->mapToGlobal(QPoint(0, 0)), w.plPlayer->size());
  const QSize shown = picture.scaled(panel.size(), Qt::KeepAspectRatio);
  const QPoint origin((panel.width() - shown.width()) / 2, (panel.height() - shown.height()) / 2);
  return e2e::FrameNumberIn(e2e::Grab(panel), QRect(origin, shown), picture.width(), picture.height());
}

TEST_F(PlaylistEndToEnd, AFileQuitAt20sReopensThere) {
  {
    e2e::TWindowRig rig;
    std::unique_ptr<TDesktopServices> services;
    Start(rig, services);
    ASSERT_TRUE(rig.window->Session->OpenPaths({Path(fx::kSync60s)}, TPlaybackSession::TAdd::Replace));
    ASSERT_TRUE(WaitFor([&] { return rig.window->LastPosition() > 0; }, 10000));
    rig.window->SeekTo(20 * kSec);
    ASSERT_TRUE(WaitFor([&] { return rig.window->LastPosition() >= 20 * kSec + kSec / 5; }, 10000));
    // Quit as Ctrl+Q does.
    EXPECT_TRUE(rig.window->TriggerShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q)));
  }
  e2e::TWindowRig rig;
  std::unique_ptr<TDesktopServices> services;
  Start(rig, services);
  client = Bus("zelvo-e2e-client");
  ASSERT_TRUE(rig.window->Session->OpenPaths({Path(fx::kSync60s)}, TPlaybackSession::TAdd::Replace));
  // Playing on from there, as the engine reports it (past the seek's own target).
  ASSERT_TRUE(WaitFor([&] { return rig.window->LastPosition() >= 20 * kSec + kSec / 2; }, 10000))
      << "did not resume: " << rig.window->LastPosition();
  rig.window->btnPauseClick();
  ASSERT_TRUE(WaitFor([&] { return Get("PlaybackStatus").toString() == "Paused"; }, 5000));
  const qlonglong position = Get("Position").toLongLong();
  EXPECT_NEAR(double(position) / kSec, 21.0, 1.0);
  // The picture on the screen is the one of that moment (25 pictures a second).
  int frame = -1;
  EXPECT_TRUE(WaitFor([&] { return (frame = ScreenFrameNumber(*rig.window, QSize(160, 120))) >= 0; }, 5000));
  EXPECT_NEAR(frame / 25.0, double(position) / kSec, 1.0) << "frame " << frame;
  EXPECT_EQ(rig.window->Session->LastAnnouncement(), "Resumed at 00:00:20 (Home: start over)");
  // Home: from the start.
  EXPECT_TRUE(rig.window->TriggerShortcut(QKeySequence(Qt::Key_Home)));
  EXPECT_TRUE(WaitFor([&] { return Get("Position").toLongLong() < kSec; }, 5000));
}

}  // namespace
}  // namespace zvapp
