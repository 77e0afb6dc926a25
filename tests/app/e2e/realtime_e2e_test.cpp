// The window plays in real time, in step with what it reports: the frame
// number on screen is read at two moments fifteen seconds apart, in the
// player's panel and in the command-line front end's own window.
#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <memory>

#include <X11/keysym.h>

#include "e2e_support.h"
#include "window_rig.h"
#include "x11_desktop.h"
#include "engine/video_display.h"
#include "../tools/fixture_list.h"

namespace zvapp {
namespace {

using e2e::WaitFor;
using Clock = std::chrono::steady_clock;
namespace fx = zv::fixtures;

constexpr int PictureW = 160, PictureH = 120;  // the one-minute fixture
// ZELVO_E2E_SECONDS lengthens the watch for a run by hand (at most 55 s: the
// file lasts a minute).
double WatchSeconds() {
  bool ok = false;
  const double s = qEnvironmentVariable("ZELVO_E2E_SECONDS").toDouble(&ok);
  return ok && s >= 1 && s <= 55 ? s : 15.0;
}
constexpr double SpeedTolerance = 0.03;
constexpr double FrameTolerance = 2.0;

struct TSample {
  double wall = 0;      // s, steady clock
  int frame = -1;       // on screen
  double reported = 0;  // the position shown at that moment, in frames
};

// Where the picture lands in an output of w x h (its own shape, centred).
QRect PictureRect(const QRect& output) {
  const SDL_Rect r = zv::DisplayRect(0, output.width(), output.height(), PictureW, PictureH, AVRational{1, 1});
  return QRect(output.x() + r.x, output.y() + r.y, r.w, r.h);
}

// Grabs until a readable picture comes (a grab may catch a redraw).
TSample Sample(const QRect& output, const std::function<double()>& reportedFrames) {
  TSample s;
  for (int attempt = 0; attempt < 10 && s.frame < 0; ++attempt) {
    QCoreApplication::processEvents();  // the newest position report
    const auto before = Clock::now();
    QImage img = e2e::Grab(output);
    const auto after = Clock::now();
    s.wall = std::chrono::duration<double>((before + (after - before) / 2).time_since_epoch()).count();
    s.reported = reportedFrames();
    s.frame = e2e::FrameNumberIn(img, PictureRect(QRect(QPoint(0, 0), output.size())), PictureW, PictureH);
  }
  return s;
}

void ExpectRealTime(const TSample& a, const TSample& b) {
  ASSERT_GE(a.frame, 0) << "no readable picture at the first moment";
  ASSERT_GE(b.frame, 0) << "no readable picture at the second moment";
  const double speed = (b.frame - a.frame) / double(fx::kFps) / (b.wall - a.wall);
  std::fprintf(stderr, "speed %.4f; frame - reported position: %.2f, %.2f frames\n", speed, a.frame - a.reported,
               b.frame - b.reported);
  EXPECT_NEAR(speed, 1.0, SpeedTolerance) << "frames " << a.frame << " -> " << b.frame << " in " << (b.wall - a.wall)
                                          << " s";
  for (const TSample& s : {a, b})
    EXPECT_NEAR(double(s.frame), s.reported, FrameTolerance) << "frame on screen against the reported position";
}

std::string MediaPath() {
  return QDir(qEnvironmentVariable("ZELVO_MEDIA_DIR")).filePath(QString::fromUtf8(fx::kSync60s.data(),
                                                                                   int(fx::kSync60s.size())))
      .toStdString();
}

// The sound clock is the master: the dummy driver, and the disk driver paced
// in real time (its default), which writes what the player produced.
class WindowKeepsPace : public ::testing::TestWithParam<const char*> {
protected:
  void SetUp() override {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) GTEST_SKIP() << "needs an X display (scripts/test runs one)";
    ASSERT_TRUE(QFile::exists(QString::fromStdString(MediaPath()))) << "write the test media first";
    std::string error;
    ASSERT_TRUE(e2e::EnsureWindowManager(error)) << error;
    qputenv("SDL_AUDIODRIVER", GetParam());
    qunsetenv("SDL_DISKAUDIODELAY");
    qputenv("SDL_DISKAUDIOFILE", dir.filePath("sound.raw").toLocal8Bit());
  }
  void TearDown() override {
    qputenv("SDL_AUDIODRIVER", "dummy");
    qunsetenv("SDL_DISKAUDIOFILE");
  }
  QTemporaryDir dir;
};

TEST_P(WindowKeepsPace, InThePlayerWindow) {
  e2e::TWindowRig rig;
  std::string error;
  ASSERT_TRUE(rig.Show(error)) << error;
  TEnginePlayer& player = rig.player;
  TfrmPlayer* window = rig.window.get();
  const QStringList& messages = rig.messages;
  ASSERT_TRUE(window->OpenFile(QString::fromStdString(MediaPath()))) << messages.join("; ").toStdString();

  auto output = [&] { return QRect(window->plPlayer->mapToGlobal(QPoint(0, 0)), window->plPlayer->size()); };
  auto reported = [&] { return double(window->TrackPlay->Value()) * fx::kFps / 1e6; };
  ASSERT_TRUE(WaitFor([&] { return Sample(output(), reported).frame > fx::kFps; }, 15000)) << "no picture plays";
  const TSample first = Sample(output(), reported);
  const auto until = Clock::now() + std::chrono::duration<double>(WatchSeconds());
  WaitFor([&] { return Clock::now() >= until; }, int(WatchSeconds() * 1000) + 5000);
  const TSample second = Sample(output(), reported);
  const zv::TVideoStats stats = player.Engine().VideoStats();
  ExpectRealTime(first, second);
  EXPECT_GE(double(stats.Shown + stats.DroppedLate), 0.95 * double(stats.Due));
  EXPECT_TRUE(messages.isEmpty()) << messages.join("; ").toStdString();
}

TEST_P(WindowKeepsPace, InTheCommandLineWindow) {
  QProcess cli;
  double lastPosition = -1;  // s, from the newest position line
  QObject::connect(&cli, &QProcess::readyReadStandardOutput, [&] {
    while (cli.canReadLine()) {
      const QList<QByteArray> words = cli.readLine().simplified().split(' ');
      if (words.size() == 3 && words[1] == "position") lastPosition = words[2].toDouble();
    }
  });
  cli.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  cli.start(ZELVO_CLI_PATH, {"--positions", "--play-for", QString::number(WatchSeconds() + 8), QString::fromStdString(MediaPath())});
  ASSERT_TRUE(cli.waitForStarted(10000));
  // The window opens at a default size and takes the picture's when it comes.
  QRect output;
  auto sample = [&] {
    output = e2e::FindX11Window("FFPlayer");
    return Sample(output, [&] { return lastPosition * fx::kFps; });
  };
  if (!WaitFor([&] { return sample().frame > fx::kFps; }, 15000)) {
    const QString shot = QDir(QDir::tempPath()).filePath("zelvo_e2e_cli_window.png");
    e2e::Grab(output).save(shot);
    FAIL() << "no picture plays in the window at " << output.x() << "," << output.y() << " " << output.width() << "x"
           << output.height() << "; saved to " << shot.toStdString();
  }
  const TSample first = sample();
  const auto until = Clock::now() + std::chrono::duration<double>(WatchSeconds());
  WaitFor([&] { return Clock::now() >= until; }, int(WatchSeconds() * 1000) + 5000);
  const TSample second = sample();
  ExpectRealTime(first, second);
  cli.terminate();
  if (!cli.waitForFinished(10000)) cli.kill();
}

INSTANTIATE_TEST_SUITE_P(SoundDrivers, WindowKeepsPace, ::testing::Values("dummy", "disk"));

// "}" pressed while a file plays: the pictures on screen and the time text run
// at twice the pace.
TEST(WindowSpeed, TwiceTheSpeedFromTheKeyboard) {
  if (qEnvironmentVariableIsEmpty("DISPLAY")) GTEST_SKIP() << "needs an X display (scripts/test runs one)";
  ASSERT_TRUE(QFile::exists(QString::fromStdString(MediaPath()))) << "write the test media first";
  std::string error;
  ASSERT_TRUE(e2e::EnsureWindowManager(error)) << error;
  e2e::TWindowRig rig;
  ASSERT_TRUE(rig.Show(error)) << error;
  TfrmPlayer* window = rig.window.get();
  ASSERT_TRUE(window->OpenFile(QString::fromStdString(MediaPath()))) << rig.messages.join("; ").toStdString();
  auto output = [&] { return QRect(window->plPlayer->mapToGlobal(QPoint(0, 0)), window->plPlayer->size()); };
  auto reported = [&] { return double(window->TrackPlay->Value()) * fx::kFps / 1e6; };
  // The time text's elapsed part, "00:01:05/00:01:00" -> 65.
  auto textSeconds = [&] {
    const QStringList hms = window->lblDuration->text().section('/', 0, 0).split(':');
    return hms.size() == 3 ? hms[0].toInt() * 3600 + hms[1].toInt() * 60 + hms[2].toInt() : -1;
  };
  ASSERT_TRUE(WaitFor([&] { return Sample(output(), reported).frame > fx::kFps; }, 15000)) << "no picture plays";
  window->activateWindow();
  ASSERT_TRUE(WaitFor([&] { return window->isActiveWindow(); }, 5000)) << "the window has no keyboard";
  e2e::PressShiftedKey(XK_braceright);
  ASSERT_TRUE(WaitFor([&] { return rig.player.Speed() == 2.0; }, 5000)) << "the key did not reach the player";
  // A sound device period and a picture or two until the new pace holds.
  const auto settled = Clock::now() + std::chrono::milliseconds(300);
  WaitFor([&] { return Clock::now() >= settled; }, 2000);

  const TSample first = Sample(output(), reported);
  const int firstText = textSeconds();
  const auto until = Clock::now() + std::chrono::seconds(5);
  WaitFor([&] { return Clock::now() >= until; }, 10000);
  const TSample second = Sample(output(), reported);
  const int secondText = textSeconds();
  ASSERT_GE(first.frame, 0);
  ASSERT_GE(second.frame, 0);
  const double wall = second.wall - first.wall;
  const double pace = (second.frame - first.frame) / double(fx::kFps) / wall;
  std::fprintf(stderr, "at 2x: pictures %.3f media s per s; time text %d -> %d in %.2f s\n", pace, firstText,
               secondText, wall);
  // "About twice": a loaded machine's sound device runs a few % slow at any speed.
  EXPECT_NEAR(pace, 2.0, 0.1) << "frames " << first.frame << " -> " << second.frame;
  // Whole seconds at both ends.
  EXPECT_NEAR(double(secondText - firstText), 2 * wall, 1.5) << "the time text";
  for (const TSample& s : {first, second})
    EXPECT_NEAR(double(s.frame), s.reported, 2 * FrameTolerance) << "frame on screen against the reported position";
  EXPECT_TRUE(rig.messages.isEmpty()) << rig.messages.join("; ").toStdString();
}

}  // namespace
}  // namespace zvapp
