#include "engine/waveform.h"

#include <climits>

#include "engine/clocks.h"
#include "engine/player.h"

namespace zv {

namespace {

int Wrap(int64_t index) {
  int64_t r = index % SampleArraySize;
  return static_cast<int>(r < 0 ? r + SampleArraySize : r);
}

constexpr int TriggerSearchSamples = 1000;

}  // namespace

int WaveformPlayIndex(const TWaveformClock& c) {
  int channels = c.Channels > 0 ? c.Channels : 1;
  int64_t delay = c.PendingBytes / (2 * channels);
  if (c.CallbackTime != 0) delay -= (c.Now - c.CallbackTime) * c.SampleRate / 1000000;
  delay += 2 * c.Width;
  if (delay < c.Width) delay = c.Width;
  return Wrap(c.WriteIndex - delay * channels);
}

int WaveformTriggerIndex(const int16_t* ring, int playIndex, int channels) {
  if (channels <= 0) channels = 1;
  int best = INT_MIN;
  int start = playIndex;
  for (int i = 0; i < TriggerSearchSamples; i += channels) {
    int idx = Wrap(static_cast<int64_t>(playIndex) - i);
    int a = ring[idx];
    int b = ring[Wrap(idx + 4 * channels)];
    int c = ring[Wrap(idx + 5 * channels)];
    int d = ring[Wrap(idx + 9 * channels)];
    int score = a - d;
    if (best < score && (b ^ c) < 0) {
      best = score;
      start = idx;
    }
  }
  return start;
}

void WaveformShapes(const int16_t* ring, int start, int channels, const SDL_Rect& area, TWaveformShapes& out) {
  out.Bars.clear();
  out.Separators.clear();
  if (channels <= 0) channels = 1;
  int h = area.h / channels;
  int h2 = (h * 9) / 20;
  for (int ch = 0; ch < channels; ++ch) {
    int i = Wrap(static_cast<int64_t>(start) + ch);
    int y1 = area.y + ch * h + h / 2;
    for (int x = 0; x < area.w; ++x) {
      int y = (ring[i] * h2) >> 15;
      if (y != 0) {
        int ys = y < 0 ? y1 + y : y1;
        out.Bars.push_back(SDL_Rect{area.x + x, ys, 1, y < 0 ? -y : y});
      }
      i += channels;
      if (i >= SampleArraySize) i -= SampleArraySize;
    }
  }
  for (int ch = 1; ch < channels; ++ch) out.Separators.push_back(SDL_Rect{area.x, area.y + ch * h, area.w, 1});
}

void DrawWaveform(const TSDLEntryPoints& sdl, SDL_Renderer* renderer, const SDL_Rect& area,
                  const TWaveformShapes& shapes, const std::function<void()>& beforePresent) {
  sdl.SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
  sdl.SDL_RenderFillRect(renderer, &area);
  sdl.SDL_SetRenderDrawColor(renderer, 255, 255, 255, 255);
  if (!shapes.Bars.empty())
    sdl.SDL_RenderFillRects(renderer, shapes.Bars.data(), static_cast<int>(shapes.Bars.size()));
  if (!shapes.Separators.empty())
    sdl.SDL_RenderFillRects(renderer, shapes.Separators.data(), static_cast<int>(shapes.Separators.size()));
  if (beforePresent) beforePresent();
  sdl.SDL_RenderPresent(renderer);
}

void VideoAudioDisplay(TMediaState* playback) {
  TCustomPlayer* player = playback->Owner;
  if (!player) return;
  SDL_Renderer* renderer = player->Renderer();
  const TSDLEntryPoints& sdl = player->SDL();
  if (!renderer || !sdl.SDL_RenderFillRects) return;
  int w = 0, h = 0;
  if (sdl.SDL_GetRendererOutputSize(renderer, &w, &h) != 0 || w <= 0 || h <= 0) return;
  playback->Width = w;
  playback->Height = h;
  // The ring holds what the device plays, in its channel count.
  const TAudioOutput& out = playback->AudioOut;
  int channels = out.Channels() > 0 ? out.Channels() : 1;
  SDL_Rect area{playback->XLeft, playback->YTop, w, h};
  TWaveformShapes shapes;
  playback->AudioOut.VisitRing([&](const int16_t* ring, int writeIndex, int& drawStart) {
    if (!playback->Paused.load(std::memory_order_relaxed)) {
      TWaveformClock c;
      c.WriteIndex = writeIndex;
      c.Channels = channels;
      c.SampleRate = out.Rate();
      const TAudioClock::TReading clock = playback->AudioClock.Read();
      c.PendingBytes = clock.PendingBytes;
      c.CallbackTime = clock.CallbackTime;
      c.Now = ClockMicros();
      c.Width = w;
      drawStart = WaveformTriggerIndex(ring, WaveformPlayIndex(c), channels);
    }
    WaveformShapes(ring, drawStart, channels, area, shapes);
  });
  DrawWaveform(sdl, renderer, area, shapes, [&] {
    const TOverlayGeometry g{w, h, 0, 0, w, h, 0, 0};
    player->OverlayTexture().Draw(sdl, renderer, player->TextOverlay(), g, GetMasterClock(playback));
  });
}

}  // namespace zv
