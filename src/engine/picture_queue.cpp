#include "engine/picture_queue.h"

#include <chrono>
#include <cmath>
#include <exception>

#include "engine/clocks.h"
#include "engine/player.h"
#include "engine/play_requests.h"
#include "engine/slot_copy.h"
#include "runtime/entry_points.h"
#include "runtime/format.h"
#include "runtime/logger.h"
#include "runtime/safe_math.h"

namespace zv {

namespace {

constexpr int DefaultVideoWidth = 640, DefaultVideoHeight = 480;
// Waits are woken by the play thread or an abort; the bound only limits the
// damage of a lost wake-up (an event SDL refused).
constexpr auto WaitSlice = std::chrono::milliseconds(20);
// Allocated: 0 never asked, AllocRequested while the video thread waits, 1 done.
constexpr int AllocRequested = -1;

// Both sizes of a slot: the sink's, rounded up to even.
void SinkSlotSize(const TMediaState* is, int& w, int& h) {
  w = SlotSizeFor(is->SinkWidth.load(std::memory_order_acquire));
  h = SlotSizeFor(is->SinkHeight.load(std::memory_order_acquire));
}

// A seek was carried out and its flush packet is still ahead in the video queue.
bool FlushPending(const TMediaState* is) { return is->SeekDone.load() && !is->VideoFlushed.load(); }

void FreeSlotBuffers(const TSDLEntryPoints& sdl, TVideoPicture& vp) {
  if (vp.Texture && sdl.SDL_DestroyTexture) sdl.SDL_DestroyTexture(vp.Texture);
  vp.Texture = nullptr;
  if (vp.PictureRef) ff::av_frame_unref(vp.PictureRef);
  if (vp.Planes[0]) ff::av_freep(&vp.Planes[0]);
  vp.Planes[1] = vp.Planes[2] = nullptr;
  vp.Pitches[0] = vp.Pitches[1] = vp.Pitches[2] = 0;
  vp.Width = vp.Height = 0;
}

// The application sees (and may redraw) the picture as a bitmap before it is queued.
void DeliverVideoHook(TMediaState* is, const AVFrame* src, TVideoPicture& vp, double pts) {
  TCustomPlayer* player = is->Owner;
  if (!player || !player->VideoHook()) return;
  TVideoHookEvent handler = player->OnVideoHook();
  if (!handler) return;
  TFormatConverter& conv = player->HookConverter();
  TAVPicture in;
  for (int i = 0; i < 4; ++i) {
    in.data[i] = src->data[i];
    in.linesize[i] = src->linesize[i];
  }
  if (!conv.ToRGB(in, AVPixelFormat(vp.PixFmt), vp.PictureWidth, vp.PictureHeight, true)) {
    DefaultLogger().Log(player, llError, conv.LastErrMsg());
    return;
  }
  TBitmap& bmp = conv.Bitmap();
  bool update = true;
  const int64_t apts = MicrosFromStart(pts, is->StartTime);
  std::string failure;
  bmp.Canvas().Lock();
  try {
    handler(player, &bmp, apts, update);
  } catch (const std::exception& e) {
    failure = e.what();
  } catch (...) {
    failure = "unknown exception";
  }
  bmp.Canvas().Unlock();
  if (!failure.empty()) {
    DefaultLogger().Log(player, llError, "Error occurs OnVideoHook: " + failure);
    return;
  }
  if (!update) return;
  conv.CopyFromBitmap();
  TAVPicture out;
  for (int i = 0; i < 3; ++i) {
    out.data[i] = vp.Planes[i];
    out.linesize[i] = vp.Pitches[i];
  }
  if (!conv.FromRGB(out, AV_PIX_FMT_YUV420P, vp.PictureWidth, vp.PictureHeight))
    DefaultLogger().Log(player, llError, conv.LastErrMsg());
  else
    ExtendSlotEdges(vp);
}

}  // namespace

bool VideoQueueAborted(TMediaState* is) {
  if (is->AbortRequest.load(std::memory_order_relaxed)) return true;
  std::lock_guard<std::mutex> g(is->VideoQueue.Mutex);
  return is->VideoQueue.AbortRequest != 0;
}

bool PicturesFinished(TMediaState* is) {
  if (!is->VideoStream) return true;
  if (!is->VideoDrained.load()) return false;
  std::lock_guard<std::mutex> g(is->PictQueueMutex);
  return is->PictQueueSize == 0;
}

int QueuePicture(TMediaState* is, AVFrame* frame, double pts, int64_t pos) {
  int slot;
  {
    std::unique_lock<std::mutex> l(is->PictQueueMutex);
    if (is->PictQueueSize >= VideoPictureQueueSize && is->Refresh.load(std::memory_order_relaxed) != 1)
      SkipFramesOnFullQueue(is);
    while (is->PictQueueSize >= VideoPictureQueueSize && !VideoQueueAborted(is) && !FlushPending(is))
      is->PictQueueCond.wait_for(l, WaitSlice);
    if (VideoQueueAborted(is)) return -1;
    if (is->PictQueueSize >= VideoPictureQueueSize) {
      // The picture is from before the seek, and the full queue (kept while
      // paused) must not keep this thread from the flush packet.
      if (is->Owner) is->Owner->VideoStatsCounter().AddDiscardedAfterSeek();
      return 0;
    }
    slot = is->PictQueueWIndex;
  }
  // Only this thread writes the slot's pixels while it is not queued; the play
  // thread replaces its buffers only when asked below.
  TVideoPicture& vp = is->PictQueue[slot];
  int w, h;
  SinkSlotSize(is, w, h);
  if (!vp.Planes[0] || vp.Width != w || vp.Height != h) {
    std::unique_lock<std::mutex> l(is->PictQueueMutex);
    vp.Allocated = AllocRequested;
    while (vp.Allocated != 1 && !VideoQueueAborted(is)) {
      l.unlock();
      WakePlayLoop(is, wrAllocPicture);  // asked again after a slice, as a safety net
      l.lock();
      if (vp.Allocated != 1) is->PictQueueCond.wait_for(l, WaitSlice);
    }
    if (VideoQueueAborted(is)) return -1;
  }
  if (!vp.Planes[0]) return 0;

  const int64_t start = ClockMicros();
  if (!vp.PictureRef) vp.PictureRef = ff::av_frame_alloc();
  CopyFrameIntoSlot(vp, frame);
  DeliverVideoHook(is, frame, vp, pts);
  if (vp.PictureRef) {
    ff::av_frame_unref(vp.PictureRef);
    ff::av_frame_move_ref(vp.PictureRef, frame);
  } else {
    ff::av_frame_unref(frame);
  }
  if (is->Owner) is->Owner->VideoStatsCounter().AddQueueTime(double(ClockMicros() - start));

  std::lock_guard<std::mutex> g(is->PictQueueMutex);
  vp.Pts = pts;
  vp.Pos = pos;
  vp.Stale = false;
  vp.TargetClock = ComputeTargetTime(is, pts);
  is->PictQueueWIndex = (is->PictQueueWIndex + 1) % VideoPictureQueueSize;
  ++is->PictQueueSize;
  WakePlayLoop(is, wrRefresh);
  return 1;
}

int FlushPictureQueue(TMediaState* is) {
  std::unique_lock<std::mutex> l(is->PictQueueMutex);
  for (int i = 0; i < is->PictQueueSize; ++i) {
    TVideoPicture& vp = is->PictQueue[(is->PictQueueRIndex + i) % VideoPictureQueueSize];
    vp.TargetClock = 0;
    vp.Stale = true;
  }
  if (is->PictQueueSize > 0) WakePlayLoop(is, wrRefresh);
  while (is->PictQueueSize > 0 && !VideoQueueAborted(is)) is->PictQueueCond.wait_for(l, WaitSlice);
  is->VideoCurrentPos.store(-1, std::memory_order_relaxed);
  return VideoQueueAborted(is) ? -1 : 0;
}

bool AllocPicture(TMediaState* is) {
  TCustomPlayer* player = is->Owner;
  const TSDLEntryPoints& sdl = player->SDL();
  int slot;
  {
    std::lock_guard<std::mutex> g(is->PictQueueMutex);
    slot = is->PictQueueWIndex;
    // Only a slot the video thread waits for: it does not touch it meanwhile.
    if (is->PictQueue[slot].Allocated != AllocRequested) return true;
  }
  TVideoPicture& vp = is->PictQueue[slot];
  FreeSlotBuffers(sdl, vp);
  if (is->ShownIndex == slot) is->ShownIndex = -1;
  int w, h;
  SinkSlotSize(is, w, h);
  SDL_Renderer* renderer = player->Renderer();
  bool ok = renderer && w > 0 && h > 0;
  if (ok) {
    // Rows 32-byte aligned for the copies and the upload.
    const int pitchY = FFALIGN(w, 32), pitchC = FFALIGN(w / 2, 32);
    const size_t ySize = size_t(pitchY) * h, cSize = size_t(pitchC) * (h / 2);
    vp.Planes[0] = static_cast<uint8_t*>(ff::av_malloc(ySize + 2 * cSize));
    vp.Texture = sdl.SDL_CreateTexture(renderer, SDL_PIXELFORMAT_IYUV, SDL_TEXTUREACCESS_STREAMING, w, h);
    ok = vp.Planes[0] && vp.Texture;
    if (ok) {
      vp.Planes[1] = vp.Planes[0] + ySize;
      vp.Planes[2] = vp.Planes[1] + cSize;
      vp.Pitches[0] = pitchY;
      vp.Pitches[1] = vp.Pitches[2] = pitchC;
      vp.Width = w;
      vp.Height = h;
      vp.PixFmt = is->SinkPixFmt.load(std::memory_order_relaxed);
    }
  }
  if (!ok) {
    FreeSlotBuffers(sdl, vp);
    DefaultLogger().LogFmt(player, llFatal,
                           "Error: the video system does not support an image size of %dx%d pixels. Try using "
                           "-lowres or -vf \"scale=w:h\" to reduce the image size.",
                           {w, h});
    return false;
  }
  {
    std::lock_guard<std::mutex> g(is->PictQueueMutex);
    vp.Allocated = 1;
  }
  is->PictQueueCond.notify_all();
  return true;
}

int VideoOpen(TMediaState* is, bool force) {
  TCustomPlayer* player = is->Owner;
  const TSDLEntryPoints& sdl = player->SDL();
  int w, h;
  if (player->ScreenWidth() > 0 && player->ScreenHeight() > 0) {
    w = player->ScreenWidth();
    h = player->ScreenHeight();
  } else if (is->SinkWidth.load(std::memory_order_acquire) > 1 && is->SinkHeight.load(std::memory_order_acquire) > 1) {
    SinkSlotSize(is, w, h);
  } else {
    w = DefaultVideoWidth;
    h = DefaultVideoHeight;
  }
  SDL_Renderer* renderer = player->Renderer();
  SDL_Window* window = player->Window();
  if (!force && renderer && is->Width == w && is->Height == h) return 0;
  if (!renderer || !window) {
    player->ReportError("SDL: could not set video mode.", false);
    return -1;
  }
  if (!player->ScreenHandle()) {
    // Our own window takes the size; a host's window keeps the one it has.
    int cw = 0, ch = 0;
    sdl.SDL_GetWindowSize(window, &cw, &ch);
    if (cw != w || ch != h) sdl.SDL_SetWindowSize(window, w, h);
    sdl.SDL_SetWindowTitle(window, "FFPlayer");
  }
  int aw = 0, ah = 0;
  if (sdl.SDL_GetRendererOutputSize(renderer, &aw, &ah) != 0 || aw <= 0 || ah <= 0)
    sdl.SDL_GetWindowSize(window, &aw, &ah);
  is->Width = aw;
  is->Height = ah;
  player->VideoStatsCounter().AddSurfaceOpen();
  return 0;
}

void PictQueueConsume(TMediaState* is, TConsumeKind kind) {
  {
    std::lock_guard<std::mutex> g(is->PictQueueMutex);
    if (is->PictQueueSize <= 0) return;
    // The video thread waits in its flush while stale pictures remain, so the
    // skip ratio is not raced (and the flush resets it next).
    if (kind == ckStale) SkipFramesOnStaleDrop(is);
    // The video thread owns the ratio while it decodes: it applies these.
    if (kind == ckLate) is->LateDropsPending.fetch_add(1, std::memory_order_relaxed);
    is->PictQueue[is->PictQueueRIndex].Stale = false;
    is->PictQueueRIndex = (is->PictQueueRIndex + 1) % VideoPictureQueueSize;
    --is->PictQueueSize;
  }
  is->PictQueueCond.notify_all();
}

bool PictQueuePeek(TMediaState* is, int& index, double& targetClock, bool& stale, double& nextTarget) {
  std::lock_guard<std::mutex> g(is->PictQueueMutex);
  if (is->PictQueueSize <= 0) return false;
  index = is->PictQueueRIndex;
  targetClock = is->PictQueue[index].TargetClock;
  stale = is->PictQueue[index].Stale;
  nextTarget = 0;
  if (is->PictQueueSize > 1) {
    const TVideoPicture& next = is->PictQueue[(index + 1) % VideoPictureQueueSize];
    if (!next.Stale) nextTarget = next.TargetClock;
  }
  return true;
}

}  // namespace zv
