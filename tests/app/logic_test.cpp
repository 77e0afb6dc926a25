// The window's plain logic: time text, track, activity, play states, snapshots, filters.
#include <QFile>
#include <QRegularExpression>
#include <QImageReader>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include "app/auto_hide.h"
#include "app/debug_output.h"
#include "app/engine_player.h"
#include "app/file_dialogs.h"
#include "app/open_requests.h"
#include "app/play_state.h"
#include "app/player_window.h"
#include "app/snapshot.h"
#include "app/time_text.h"
#include "app/track_bar.h"
#include "runtime/format.h"

namespace zvapp {
namespace {

constexpr int64_t kSec = 1000000;

// Requests made while a file opens (the engine serves the main thread then)
// wait; only the newest of them opens, and the running open is asked to give up.
TEST(OpenRequestsTest, RequestsDuringAnOpenCoalesceAndTheNewestWins) {
  struct Case {
    int burst;         // requests arriving during the first open
    bool failFirst;    // the cut-short open fails, as the engine's does
  } cases[] = {{0, false}, {1, true}, {4, true}, {19, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.burst);
    QStringList opened, logged;
    int cancels = 0;
    TOpenRequests* self = nullptr;
    int depth = 0, maxDepth = 0;
    TOpenRequests q(
        [&](const QString& f) {
          maxDepth = std::max(maxDepth, ++depth);
          opened.push_back(f);
          if (f == "a") {
            for (int i = 1; i <= c.burst; ++i) EXPECT_FALSE(self->RequestOpen("b" + QString::number(i)));
          }
          --depth;
          return !(c.failFirst && f == "a");
        },
        [&] { ++cancels; }, [&](const QString& l) { logged.push_back(l); });
    self = &q;
    EXPECT_FALSE(q.Busy());
    const bool ok = q.RequestOpen("a");
    EXPECT_TRUE(ok);  // the outcome of the last open: the newest one played
    EXPECT_FALSE(q.Busy());
    EXPECT_EQ(maxDepth, 1);  // never one open inside another
    QStringList expected{"a"};
    if (c.burst > 0) expected << "b" + QString::number(c.burst);
    EXPECT_EQ(opened, expected);
    EXPECT_EQ(cancels, c.burst > 0 ? 1 : 0);
    EXPECT_EQ(logged.size(), c.burst);  // each dropped request leaves a line
  }
}

TEST(TimeTextTest, FormatsPositionAndDuration) {
  struct Case {
    int64_t pos, dur;
    const char* text;
  } cases[] = {
      {3725400000, 5400 * kSec, "01:02:05/01:30:00"},
      {0, 5400 * kSec, "00:00:00/01:30:00"},
      {59500000, 5400 * kSec, "00:01:00/01:30:00"},    // 59.5 -> 60 (even)
      {500000, 5400 * kSec, "00:00:00/01:30:00"},      // 0.5 -> 0 (even)
      {1500000, 2500000, "00:00:02/00:00:02"},         // 1.5 -> 2, 2.5 -> 2
      {1500001, 2499999, "00:00:02/00:00:02"},
      {360001 * kSec, 400000 * kSec, "100:00:01/111:06:40"},
      {0, -1, "00:00:00/00:00:00"},                    // unknown duration
  };
  for (const auto& c : cases) EXPECT_EQ(TimeText(c.pos, c.dur), c.text) << c.pos << " " << c.dur;
}

TEST(TimeTextTest, RoundsHalvesToEvenOnBothSides) {
  EXPECT_EQ(RoundMicrosecondsToSeconds(3500000), 4);
  EXPECT_EQ(RoundMicrosecondsToSeconds(4500000), 4);
  EXPECT_EQ(RoundMicrosecondsToSeconds(4500001), 5);
  EXPECT_EQ(RoundMicrosecondsToSeconds(-1500000), -2);
  EXPECT_EQ(RoundMicrosecondsToSeconds(-2500000), -2);
  EXPECT_EQ(RoundMicrosecondsToSeconds(-1), 0);
}

TEST(TrackBarTest, ValuesSnapToTheStepAndStayInRange) {
  TTrackBar t;
  int changes = 0;
  t.OnChange = [&] { ++changes; };
  t.SetFrequency(5);
  t.SetMax(1000);
  t.SetValue(12);
  EXPECT_EQ(t.Value(), 10);
  t.SetValue(13);
  EXPECT_EQ(t.Value(), 15);
  t.SetValue(5000);
  EXPECT_EQ(t.Value(), 1000);
  t.SetValue(-20);
  EXPECT_EQ(t.Value(), 0);
  EXPECT_EQ(changes, 4);
  t.SetValue(1);  // snaps to 0: no change, no handler
  EXPECT_EQ(changes, 4);
  t.SetMax(-1);   // an unknown length leaves an empty range, never a turned one
  EXPECT_EQ(t.Max(), 0);
}

// Drags the thumb from x0 to x1 in steps; returns how often the handler ran.
int Drag(TTrackBar& t, int x0, int x1, int steps) {
  int changes = 0;
  t.OnChange = [&] { ++changes; };
  const int y = t.height() / 2;
  QTest::mousePress(&t, Qt::LeftButton, {}, QPoint(x0, y));
  for (int i = 1; i <= steps; ++i) {
    QMouseEvent move(QEvent::MouseMove, QPointF(x0 + (x1 - x0) * i / steps, y), t.mapToGlobal(QPointF(x0, y)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&t, &move);
  }
  QTest::mouseRelease(&t, Qt::LeftButton, {}, QPoint(x1, y));
  return changes;
}

TEST(TrackBarTest, TrackingDecidesWhenADragReports) {
  TTrackBar t;
  t.resize(211, 13);
  t.SetMax(200);
  t.SetTracking(true);
  // The press jumps (one report), then each of the 4 moves reports.
  EXPECT_EQ(Drag(t, 55, 105, 4), 5);
  EXPECT_NEAR(t.Value(), 100, 1);
  t.SetValue(0);
  t.SetTracking(false);
  // The press still jumps at once; the moves report once, at the release.
  EXPECT_EQ(Drag(t, 55, 155, 4), 2);
  EXPECT_NEAR(t.Value(), 150, 1);
}

TEST(ActivityMonitorTest, TenPixelsIsNoActivityElevenIs) {
  const TScreenRect win{100, 100, 800, 522};
  TActivityMonitor m(1000);
  m.LastMouseX = 300;
  m.LastMouseY = 300;
  EXPECT_TRUE(m.Tick(310, 290, win, 2000));
  EXPECT_EQ(m.LastActiveTick, 1000u);
  EXPECT_EQ(m.LastMouseX, 300);
  EXPECT_TRUE(m.Tick(289, 300, win, 2500));
  EXPECT_EQ(m.LastActiveTick, 2500u);
  EXPECT_EQ(m.LastMouseX, 289);
}

TEST(ActivityMonitorTest, PointerOutsideOrOnTheEdgeIsNoActivity) {
  const TScreenRect win{100, 100, 800, 522};
  TActivityMonitor m(0);
  EXPECT_TRUE(m.Tick(1000, 300, win, 100));  // outside
  EXPECT_TRUE(m.Tick(100, 300, win, 200));   // on the left edge
  EXPECT_TRUE(m.Tick(900, 300, win, 300));   // on the right edge
  EXPECT_EQ(m.LastActiveTick, 0u);
  EXPECT_EQ(m.LastMouseX, 0);
  EXPECT_TRUE(m.Tick(101, 101, win, 400));
  EXPECT_EQ(m.LastActiveTick, 400u);
}

TEST(ActivityMonitorTest, HidesOnlyAfterMoreThan3000Ms) {
  const TScreenRect win{0, 0, 10, 10};
  TActivityMonitor m(5000);
  EXPECT_TRUE(m.Tick(0, 0, win, 8000));
  EXPECT_FALSE(m.Tick(0, 0, win, 8001));
  m.Touch(8001);
  EXPECT_TRUE(m.Tick(0, 0, win, 9000));
  // The tick counter wraps.
  TActivityMonitor w(0xFFFFFF00u);
  EXPECT_TRUE(w.Tick(0, 0, win, 0x00000100u));
  EXPECT_FALSE(w.Tick(0, 0, win, 0x00000D00u));
}

TEST(PlayStateTest, NamesAndEffects) {
  const char* names[] = {"Play", "Pause", "Resume", "Step", "Stop", "End"};
  for (int i = 0; i < 6; ++i) EXPECT_STREQ(PlayStateName(i), names[i]);
  struct Row {
    int state;
    bool onTop;
    bool timer, show;
    TTopMostChange top;
    bool clear, rewind;
  } rows[] = {
      {zv::psPlay, false, true, false, TTopMostChange::Keep, false, false},
      {zv::psPlay, true, true, false, TTopMostChange::Set, false, false},
      {zv::psResume, true, true, false, TTopMostChange::Set, false, false},
      {zv::psPause, true, false, true, TTopMostChange::Clear, false, false},
      {zv::psStep, false, false, true, TTopMostChange::Clear, false, false},
      {zv::psStop, true, false, true, TTopMostChange::Clear, true, false},
      {zv::psEnd, true, false, true, TTopMostChange::Keep, false, true},
  };
  for (const auto& r : rows) {
    TPlayStateEffect e = PlayStateEffect(r.state, r.onTop);
    EXPECT_EQ(e.timerEnabled, r.timer) << r.state;
    EXPECT_EQ(e.showControls, r.show) << r.state;
    EXPECT_EQ(e.topMost, r.top) << r.state;
    EXPECT_EQ(e.clearPanel, r.clear) << r.state;
    EXPECT_EQ(e.rewindAndPause, r.rewind) << r.state;
  }
}

TEST(DebugOutputTest, LinesAsTheWindowWritesThem) {
  zv::SetDecimalSeparatorForTesting('.');
  EXPECT_EQ(LogLineText(1234, zv::llInfo, "abc"), "#1234.5: abc");
  EXPECT_EQ(LogLineText(4000000000u, zv::llQuiet, ""), "#4000000000.0: ");
  EXPECT_EQ(AspectRatioText(DisplayAspectRatio(720, 576, 16, 15)), "aspect ratio: 1.33");
  EXPECT_EQ(AspectRatioText(DisplayAspectRatio(320, 240, 0, 1)), "aspect ratio: 1.33");
  EXPECT_EQ(DurationText(5400 * kSec, 320, 240), "duration: 5400.00, frame size: 320x240");
  zv::SetDecimalSeparatorForTesting('\0');

  std::vector<std::string> lines;
  SetDebugOutputSink([&](const std::string& l) { lines.push_back(l); });
  DebugOutput("File Name: a\r\nFormat Name: b\r\n");
  DebugOutput("Play");
  SetDebugOutputSink(nullptr);
  EXPECT_EQ(lines, (std::vector<std::string>{"File Name: a", "Format Name: b", "Play"}));
}

QImage TestImage() {
  QImage img(5, 3, QImage::Format_RGB32);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) img.setPixel(x, y, qRgb(x * 50, y * 100, 7));
  return img;
}

QByteArray ReadAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST(SnapshotTest, BmpInAnyCaseWritesA24BitBitmap) {
  QTemporaryDir dir;
  const QString path = dir.filePath("shot.BMP");
  ASSERT_TRUE(IsBitmapName(path));
  QString err;
  ASSERT_TRUE(SaveSnapshot(TestImage(), path, &err)) << err.toStdString();
  QByteArray b = ReadAll(path);
  ASSERT_GE(b.size(), 54);
  EXPECT_EQ(b.left(2), "BM");
  auto u16 = [&](int at) { return int(uint8_t(b[at])) | int(uint8_t(b[at + 1])) << 8; };
  auto u32 = [&](int at) { return uint32_t(u16(at)) | uint32_t(u16(at + 2)) << 16; };
  EXPECT_EQ(u32(2), uint32_t(b.size()));
  EXPECT_EQ(u32(18), 5u);
  EXPECT_EQ(u32(22), 3u);
  EXPECT_EQ(u16(28), 24);
  EXPECT_EQ(u32(30), 0u);
  EXPECT_EQ(b.size(), 54 + 16 * 3);  // rows of 15 bytes padded to 16
  // Bottom-up BGR: the first stored pixel is (0, 2).
  EXPECT_EQ(uint8_t(b[54]), 7);
  EXPECT_EQ(uint8_t(b[55]), 200);
  EXPECT_EQ(uint8_t(b[56]), 0);
  QImage back(path);
  ASSERT_FALSE(back.isNull());
  EXPECT_EQ(back.pixel(4, 1), qRgb(200, 100, 7));
}

// The kind written follows the extension typed, in any case.
TEST(SnapshotTest, TheExtensionChoosesTheKind) {
  QTemporaryDir dir;
  const QByteArray jpeg("\xFF\xD8\xFF"), png("\x89PNG"), bmp("BM");
  struct Case {
    const char* name;
    QByteArray magic;
  } cases[] = {{"shot.png", png}, {"shot.PNG", png}, {"shot.jpeg", jpeg}, {"shot.JPG", jpeg},
               {"shot.bmp", bmp}, {"shot", jpeg}, {"shot.bmp.txt", jpeg}};
  for (const Case& c : cases) {
    const QString path = dir.filePath(c.name);
    QString err;
    ASSERT_TRUE(SaveSnapshot(TestImage(), path, &err)) << c.name << " " << err.toStdString();
    EXPECT_TRUE(ReadAll(path).startsWith(c.magic)) << c.name;
    EXPECT_FALSE(QImage(path).isNull()) << c.name;
  }
}

TEST(SnapshotTest, SuggestedNameAndFolder) {
  EXPECT_EQ(SnapshotName("/m/My Clip.mkv", 3725 * kSec + 900000), "My Clip 01-02-05.jpg");
  EXPECT_EQ(SnapshotName("/m/a.b.mp4", 0), "a.b 00-00-00.jpg");
  EXPECT_EQ(SnapshotName("", -5), "Snapshot 00-00-00.jpg");
  QTemporaryDir home;
  const QByteArray savedHome = qgetenv("HOME");
  qputenv("HOME", home.path().toUtf8());
  const QString folder = SnapshotFolder();
  qputenv("HOME", savedHome);
  EXPECT_TRUE(QFileInfo(folder).isDir()) << folder.toStdString();
  EXPECT_TRUE(folder.startsWith(home.path())) << folder.toStdString();
  EXPECT_EQ(FilterSuffix("JPEG Image File  (*.jpg *.jpeg)"), "jpg");
  EXPECT_EQ(FilterSuffix("Bitmaps (*.bmp)"), "bmp");
  EXPECT_EQ(FilterSuffix("All Files (*)"), "");
}

TEST(SnapshotTest, UnwritablePlaceIsAnError) {
  QString err;
  EXPECT_FALSE(SaveSnapshot(TestImage(), "/nonexistent-dir/x.bmp", &err));
  EXPECT_FALSE(err.isEmpty());
  EXPECT_FALSE(SaveSnapshot(TestImage(), "/nonexistent-dir/x.jpg", &err));
}

TEST(FileDialogTest, FilterChoicesCarryTheExactExtensionLists) {
  QStringList open = DialogFilters(QString::fromLatin1(TfrmPlayer::kOpenFilter));
  ASSERT_EQ(open.size(), 4);
  EXPECT_TRUE(open[0].startsWith("Video/Audio Files (*.3GP *.ASF *.AVI "));
  EXPECT_EQ(open[0].count("*."), 55);
  EXPECT_TRUE(open[1].startsWith("Video Files (*.3GP "));
  EXPECT_EQ(open[1].count("*."), 28);
  EXPECT_TRUE(open[2].startsWith("Audio Files (*.AAC "));
  EXPECT_EQ(open[2].count("*."), 27);
  EXPECT_EQ(open[3], "All Files (*)");
  // Files the libraries play that the first lists used to hide.
  const auto shows = [&](int choice, const QString& file) {
    for (const QString& pattern : open[choice].section('(', 1).chopped(1).split(' '))
      if (QRegularExpression::fromWildcard(pattern, Qt::CaseInsensitive).match(file).hasMatch()) return true;
    return false;
  };
  for (const char* f : {"clip.webm", "clip.ogv", "song.opus", "song.oga", "clip.m4v", "clip.m2ts", "clip.mts",
                        "clip.3g2", "song.wv", "anything.xyz"}) {
    SCOPED_TRACE(f);
    const bool audio = QString(f).startsWith("song");
    const bool known = !QString(f).startsWith("anything");
    EXPECT_EQ(shows(0, f), known);
    EXPECT_EQ(shows(audio ? 2 : 1, f), known);
    EXPECT_FALSE(shows(audio ? 1 : 2, f));
    EXPECT_TRUE(shows(3, f));
  }
  EXPECT_EQ(DialogFilters(QString::fromLatin1(TfrmPlayer::kSaveFilter)),
            (QStringList{"Bitmaps (*.bmp)", "JPEG Image File  (*.jpg *.jpeg)", "PNG Image File (*.png)"}));
}

}  // namespace
}  // namespace zvapp

namespace zvapp {
namespace {

TEST(BitmapToImageTest, KeepsRowsAndColours) {
  zv::TBitmap bmp;
  EXPECT_TRUE(BitmapToImage(bmp).isNull());
  bmp.SetSize(3, 2);
  bmp.Canvas().SetPixel(0, 0, 0x00030201);  // 0x00BBGGRR
  bmp.Canvas().SetPixel(2, 1, 0x00FF8000);
  QImage img = BitmapToImage(bmp);
  ASSERT_EQ(img.size(), QSize(3, 2));
  EXPECT_EQ(img.pixel(0, 0), qRgb(1, 2, 3));
  EXPECT_EQ(img.pixel(2, 1), qRgb(0, 0x80, 0xFF));
}

}  // namespace
}  // namespace zvapp
