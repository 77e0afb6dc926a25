#include "engine/clocks.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>

#include "engine/player.h"
#include "runtime/entry_points.h"

namespace zv {

namespace {

std::atomic<TClockSource> gClockSource{nullptr};


}  // namespace

void SetClockSource(TClockSource source) { gClockSource.store(source, std::memory_order_release); }

int64_t ClockMicros() {
  if (TClockSource src = gClockSource.load(std::memory_order_acquire)) return src();
  if (auto f = ff::av_gettime_relative) return f();
  // Same monotonic clock as av_gettime_relative on this platform.
  return std::chrono::duration_cast<std::chrono::microseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

int AudioBytesPerSecond(const TMediaState* playback) {
  if (!playback->AudioStream) return 0;
  return playback->AudioOut.BytesPerSecond();
}

double GetAudioClock(TMediaState* playback, bool interpolate) {
  const int bps = AudioBytesPerSecond(playback);
  const TAudioClock::TReading clock = playback->AudioClock.Read();
  if (bps <= 0) return clock.Pts;
  // Away from 1x a byte of sound stands for speed times its playing time.
  const double handedOut =
      clock.Pts - clock.StageDelay - static_cast<double>(clock.PendingBytes) / bps * clock.ChunkRate;
  const double span = clock.CallbackSpan;
  // The clock moves in steps of one device period (tens of ms); pictures are
  // timed against it, so it is read as the line through those steps: the
  // device plays the last period's sound over the time that follows.
  if (!interpolate || span <= 0 || playback->Paused.load(std::memory_order_relaxed)) return handedOut;
  const double elapsed = static_cast<double>(ClockMicros() - clock.CallbackTime) / 1000000.0;
  return handedOut - span + std::clamp(elapsed * clock.CallbackRate, 0.0, span);
}

double GetVideoClock(TMediaState* playback) {
  const double pts = playback->VideoCurrentPts.load(std::memory_order_relaxed);
  if (playback->Paused.load(std::memory_order_relaxed)) return pts;
  double drift = playback->VideoCurrentPtsDrift.load(std::memory_order_relaxed);
  // The picture on screen went up at pts - drift (wall time); media time has
  // run at the speed since.
  if (drift != 0) return pts + (ClockSeconds() + drift - pts) * playback->Schedule.Speed();
  return static_cast<double>(playback->StartTime) / 1000000.0;
}

double GetMasterClock(TMediaState* playback) {
  return playback->AudioStream ? GetAudioClock(playback) : GetVideoClock(playback);
}

void TogglePauseWith(TMediaState* playback, const TPauseWaits& waits) {
  if (waits.WaitSeekDone) waits.WaitSeekDone();
  if (waits.StreamOpen && !waits.StreamOpen()) return;
  if (playback->Paused.load(std::memory_order_relaxed)) {
    double pts = playback->VideoCurrentPts.load(std::memory_order_relaxed);
    double drift = playback->VideoCurrentPtsDrift.load(std::memory_order_relaxed);
    // The pictures' schedule moves on by the time spent paused. Before the
    // first picture is shown there is no such time (and no drift to measure
    // it): the whole monotonic time would push every picture off for hours.
    if (drift != 0) playback->Schedule.ShiftBy(ClockSeconds() + drift - pts);
    if (playback->ReadPauseReturn != AVERROR(ENOSYS)) {
      pts += (ClockSeconds() + drift - pts) * playback->Schedule.Speed();
      playback->VideoCurrentPts.store(pts, std::memory_order_relaxed);
    }
    playback->VideoCurrentPtsDrift.store(pts - ClockSeconds(), std::memory_order_relaxed);
    playback->Paused.store(0, std::memory_order_relaxed);
    playback->PauseGate.Notify();
    playback->ReaderGate.Notify();
  } else {
    if (playback->VideoStreamIndex >= 0 && waits.WaitPictureReady) {
      waits.WaitPictureReady();
      if (waits.StreamOpen && !waits.StreamOpen()) return;
    }
    playback->Paused.store(1, std::memory_order_relaxed);
    playback->ReaderGate.Notify();
  }
}

void TogglePause(TMediaState* playback) {
  TCustomPlayer* player = playback->Owner;
  if (!player) {
    TogglePauseWith(playback, {});
    return;
  }
  TPauseWaits waits;
  waits.WaitSeekDone = [player] {
    if (!player->SeekDoneEvent().WaitFor(std::chrono::milliseconds(250))) player->SeekDoneEvent().Set();
  };
  waits.WaitPictureReady = [player] {
    if (!player->PictureReadyEvent().WaitFor(std::chrono::milliseconds(250))) player->PictureReadyEvent().Set();
  };
  waits.StreamOpen = [player] { return player->CurStream() != nullptr; };
  TogglePauseWith(playback, waits);
}

}  // namespace zv
