// The screen-saver hold against a small stand-in for the desktop's
// org.freedesktop.ScreenSaver service on the private session bus.
#include <QDBusConnection>
#include <QMutex>
#include <QThread>
#include <gtest/gtest.h>

#include "app/desktop_services.h"
#include "bus_test_support.h"
#include "window_test_fixture.h"

namespace zvapp {
namespace {

// Hands out cookies and remembers what it was asked, from its own thread so
// that the player may also wait for an answer.
class FakeScreenSaver : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")
public:
  QStringList Calls() {
    QMutexLocker g(&lock);
    return calls;
  }
public slots:
  uint Inhibit(const QString& application, const QString& reason) {
    QMutexLocker g(&lock);
    const uint cookie = ++next;
    calls << QString("Inhibit %1 %2 -> %3").arg(application, reason.isEmpty() ? "(no reason)" : "reason").arg(cookie);
    return cookie;
  }
  void UnInhibit(uint cookie) {
    QMutexLocker g(&lock);
    calls << QString("UnInhibit %1").arg(cookie);
  }

private:
  QMutex lock;
  QStringList calls;
  uint next = 40;
};

class ScreenSaverTest : public PlayerWindowTest {
public:
  void SetUp() override {
    PlayerWindowTest::SetUp();
    ASSERT_TRUE(service.isConnected()) << "no private session bus";
    thread.start();
    fake->moveToThread(&thread);
    ASSERT_TRUE(service.registerObject("/org/freedesktop/ScreenSaver", fake.get(), QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(service.registerService("org.freedesktop.ScreenSaver"));
    services = std::make_unique<TDesktopServices>(*window, QDBusConnection::sessionBus());
    ASSERT_NE(services->ScreenSaver(), nullptr);
  }
  void TearDown() override {
    services.reset();
    service.unregisterService("org.freedesktop.ScreenSaver");
    service.unregisterObject("/org/freedesktop/ScreenSaver");
    thread.quit();
    thread.wait();
    fake.reset();  // its thread has ended
    PlayerWindowTest::TearDown();
  }
  bool CallsBecome(const QStringList& expected) {
    return QTest::qWaitFor([&] { return fake->Calls() == expected; }, 5000);
  }
  void State(zv::TPlayState s) { window->FFPlayerState(s); }

  QDBusConnection service = testing::TestBus("fake-screensaver");
  QThread thread;
  std::unique_ptr<FakeScreenSaver> fake = std::make_unique<FakeScreenSaver>();
  std::unique_ptr<TDesktopServices> services;
};

TEST_F(ScreenSaverTest, HeldWhileAVideoPlaysReleasedOnPauseStopEndAndExit) {
  player.videoIndex = 0;
  State(zv::psPlay);
  ASSERT_TRUE(CallsBecome({"Inhibit zelvo-player reason -> 41"})) << fake->Calls().join("; ").toStdString();
  State(zv::psPause);
  ASSERT_TRUE(CallsBecome({"Inhibit zelvo-player reason -> 41", "UnInhibit 41"}))
      << fake->Calls().join("; ").toStdString();
  State(zv::psResume);
  ASSERT_TRUE(CallsBecome({"Inhibit zelvo-player reason -> 41", "UnInhibit 41", "Inhibit zelvo-player reason -> 42"}));
  State(zv::psEnd);  // rewound and paused
  ASSERT_TRUE(CallsBecome({"Inhibit zelvo-player reason -> 41", "UnInhibit 41", "Inhibit zelvo-player reason -> 42",
                           "UnInhibit 42"}));
  State(zv::psPlay);
  State(zv::psStop);
  ASSERT_TRUE(QTest::qWaitFor([&] { return fake->Calls().size() == 6; }, 5000));
  EXPECT_EQ(fake->Calls().mid(4), (QStringList{"Inhibit zelvo-player reason -> 43", "UnInhibit 43"}));

  // Ending the program while a video plays lets the screen saver go too, even
  // with the cookie still on its way.
  State(zv::psPlay);
  services.reset();
  EXPECT_TRUE(QTest::qWaitFor([&] { return fake->Calls().size() == 8; }, 5000));
  EXPECT_EQ(fake->Calls().mid(6), (QStringList{"Inhibit zelvo-player reason -> 44", "UnInhibit 44"}));
}

TEST_F(ScreenSaverTest, SoundOnlyFilesLeaveTheScreenSaverAlone) {
  player.videoIndex = -1;
  State(zv::psPlay);
  State(zv::psPause);
  State(zv::psResume);
  // The bus is served for a while; nothing may arrive.
  QTest::qWait(300);
  EXPECT_TRUE(fake->Calls().isEmpty()) << fake->Calls().join("; ").toStdString();
}

TEST_F(ScreenSaverTest, PausedBeforeTheCookieCameReleasesItWhenItComes) {
  player.videoIndex = 0;
  State(zv::psPlay);
  State(zv::psPause);  // before the answer arrives
  EXPECT_TRUE(CallsBecome({"Inhibit zelvo-player reason -> 41", "UnInhibit 41"}))
      << fake->Calls().join("; ").toStdString();
  EXPECT_FALSE(services->ScreenSaver()->Holding());
}

}  // namespace
}  // namespace zvapp

#include "screensaver_test.moc"
