// window_playback FILE [SECONDS] [PANELxSIZE]: plays FILE in the player window
// for SECONDS (20) with the picture panel at the given size (1280x720), then
// prints how many pictures were due, shown and dropped, the |pts - master|
// percentiles and the CPU the whole program takes while paused for 10 s. A
// figure program for scripts (one "name: value" a line), not a test.
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QTest>
#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>

#include "app/app_runtime.h"
#include "app/control_box.h"
#include "app/engine_player.h"
#include "app/player_window.h"
#include "app/x11_errors.h"

namespace {

double CpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

bool WaitFor(const std::function<bool()>& cond, int ms) {
  QElapsedTimer t;
  t.start();
  while (!cond()) {
    if (t.elapsed() > ms) return false;
    QTest::qWait(20);
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s FILE [SECONDS] [WIDTHxHEIGHT]\n", argv[0]);
    return 2;
  }
  const double seconds = argc > 2 ? std::atof(argv[2]) : 20.0;
  int panelW = 1280, panelH = 720;
  if (argc > 3) std::sscanf(argv[3], "%dx%d", &panelW, &panelH);
  qputenv("QT_QPA_PLATFORM", "xcb");
  QApplication::setAttribute(Qt::AA_DontCreateNativeWidgetSiblings);
  QApplication app(argc, argv);
  zvapp::InstallX11ErrorHandler();
  zvapp::InstallRuntimeHooks();
  int rc = 0;
  {
    zvapp::TEnginePlayer player;
    zvapp::TfrmPlayer window(player);
    zvapp::TfrmControlBox box(window);
    window.SetControlBox(&box);
    window.ShowMessage = [](const QString& t) { std::fprintf(stderr, "message: %s\n", qPrintable(t)); };
    window.show();
    // The panel is what the engine draws into: size the window around it.
    WaitFor([&] { return window.windowHandle() && window.windowHandle()->isExposed(); }, 10000);
    window.resize(window.width() + panelW - window.plPlayer->width(), window.height() + panelH - window.plPlayer->height());
    WaitFor([&] { return window.plPlayer->size() == QSize(panelW, panelH); }, 5000);
    std::printf("panel: %dx%d\n", window.plPlayer->width(), window.plPlayer->height());
    if (!window.OpenFile(QString::fromLocal8Bit(argv[1]))) {
      rc = 1;
    } else {
      zv::TFFPlayer& engine = player.Engine();
      WaitFor([&] { return engine.VideoStats().PlayedSeconds >= seconds; }, int(seconds * 1000) + 20000);
      const zv::TVideoStats s = engine.VideoStats();
      std::printf("played_s: %.3f\npictures_due: %lld\npictures_shown: %lld\npictures_dropped_late: %lld\n"
                  "shown_of_due_pct: %.2f\nsync_abs_p50_ms: %.2f\nsync_abs_p95_ms: %.2f\nsync_abs_p99_ms: %.2f\n"
                  "shown_after_due_p50_ms: %.2f\nshown_after_due_p99_ms: %.2f\n"
                  "queue_ms_per_picture: %.2f\ndisplay_ms_per_picture: %.2f\n",
                  s.PlayedSeconds, (long long)s.Due, (long long)s.Shown, (long long)s.DroppedLate,
                  s.Due ? 100.0 * double(s.Shown) / double(s.Due) : 0.0, s.SyncAbsP50 * 1e3, s.SyncAbsP95 * 1e3,
                  s.SyncAbsP99 * 1e3, s.LatenessP50 * 1e3, s.LatenessP99 * 1e3,
                  s.Shown ? s.QueueMicros / 1e3 / double(s.Shown) : 0.0,
                  s.Shown ? s.DisplayMicros / 1e3 / double(s.Shown) : 0.0);
      // A file that ended is paused already (the window rewinds it).
      if (!player.IsPaused()) window.btnPauseClick();
      WaitFor([&] { return player.IsPaused(); }, 5000);
      QTest::qWait(1000);
      const double cpu0 = CpuSeconds();
      QElapsedTimer t;
      t.start();
      // Qt's loop sleeping on its own (QTest's waits poll every few ms).
      QEventLoop loop;
      QTimer::singleShot(10000, &loop, &QEventLoop::quit);
      loop.exec();
      std::printf("paused_cpu_pct_of_one_core: %.2f\n", 100.0 * (CpuSeconds() - cpu0) / (double(t.elapsed()) / 1000));
    }
    std::fflush(stdout);
    player.Stop(true);
  }
  zvapp::RemoveRuntimeHooks();
  return rc;
}
