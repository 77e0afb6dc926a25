// Opening a file: the record, the demultiplexing thread's opening and closing
// phases, and the interrupts that bound or cancel blocking I/O while opening.
#include <chrono>
#include <cstring>
#include <system_error>
#include <thread>
#include <utility>

#include "engine/clocks.h"
#include "engine/display.h"
#include "engine/player.h"
#include "engine/play_requests.h"
#include "runtime/decoder.h"
#include "runtime/entry_points.h"
#include "runtime/format.h"
#include "runtime/interrupts.h"
#include "runtime/logger.h"
#include "runtime/main_thread.h"
#include "runtime/media_errors.h"
#include "runtime/orientation.h"
#include "runtime/programming_check.h"
#include "runtime/unicode_io.h"

namespace zv {

namespace {

constexpr int64_t IoIdle = INT64_MAX;

int64_t NowMicros() { return ff::av_gettime_relative(); }

bool IsCaptureDemuxer(const char* name) {
  return std::strcmp(name, "vfwcap") == 0 || std::strcmp(name, "vfwcapture") == 0 ||
         std::strcmp(name, "video4linux2,v4l2") == 0;
}

}  // namespace

bool TCustomPlayer::OpenTimeoutInterrupt(void* Self, void* AOpaque) {
  auto* p = static_cast<TCustomPlayer*>(Self);
  if (AOpaque != p) return false;
  int64_t start = p->FIoStartTime.load(std::memory_order_relaxed);
  if (start == IoIdle) return false;
  bool canceled = start == 0;
  // A cancel works whatever the time-out; 0 or less only disables the time-out.
  int timeout = p->IoTimeout();
  if (!canceled && (timeout <= 0 || NowMicros() - start <= int64_t(timeout) * 1000)) return false;
  DefaultLogger().Log(p, llInfo, canceled ? "connecting/reading canceled" : "connecting/reading timeout");
  return true;
}

bool TCustomPlayer::AbortInterrupt(void* Self, void* AOpaque) {
  auto* p = static_cast<TCustomPlayer*>(Self);
  if (AOpaque != p) return false;
  TMediaState* s = p->FOpeningStream.load(std::memory_order_acquire);
  return s && s->AbortRequest.load(std::memory_order_relaxed) == 1;
}

bool TCustomPlayer::StreamOpen(const std::string& AFileName, bool APaused) {
  ZV_CHECK(!CurStream(), "Assertion failure: StreamOpen with a file open.");
  TMediaState* playback = NewMediaState();
  if (!playback) {
    ReportError("av_mallocz() failed.", true);
    return false;
  }
  playback->Owner = this;
  // Every file starts at its own pace.
  FSpeed.Set(1.0);
  playback->Schedule.FollowSpeed(&FSpeed);
  for (TPacketQueue* q : {&playback->AudioQueue, &playback->VideoQueue, &playback->SubtitleQueue}) q->TakenGate = &playback->ReaderGate;
  FVideoStats.Reset();
  if (APaused) {
    playback->Paused.store(1, std::memory_order_relaxed);
    playback->PausedDecodeCount.store(1, std::memory_order_relaxed);
  }
  playback->FileName = AFileName;
  playback->XLeft = playback->YTop = 0;
  try {
    playback->ReadThread = std::thread([this, playback] { ReadThreadMain(playback); });
  } catch (const std::system_error&) {
    ReportError("SDL_CreateThread() failed.", true);
    FreeMediaState(playback);
    return false;
  }
  // The read thread may need the main thread (an OnBeforeFindStreamInfo handler may hand work to it).
  while (playback->OpenState.load() == 0) {
    ServeMainThread();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  if (playback->OpenState.load() > 0) {
    FCurStream.store(playback, std::memory_order_release);
    return true;
  }
  while (playback->OpenState.load() == -1) {
    ServeMainThread();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  playback->ReadThread.join();
  FreeMediaState(playback);
  return false;
}

TDemuxerSinks TCustomPlayer::DemuxerSinks(TMediaState* playback) {
  const bool video = playback->VideoStreamIndex >= 0;
  TDemuxerSinks sinks;
  sinks.PictureReady = [this] { FPictureReadyEvent.Set(); };
  sinks.PictureToCome = [this] { FPictureReadyEvent.Reset(); };
  sinks.SeekCarriedOut = [this, video](int64_t generation, bool failed) {
    NoteSeekCarriedOut(generation, failed || !video);
    FSeekDoneEvent.Set();
    if (!video) FSeeking.store(false);
  };
  sinks.Error = [this](const std::string& text) { ReportError(text, false); };
  sinks.Info = [this](const std::string& text) { DefaultLogger().Log(this, llInfo, text); };
  sinks.SwitchPending = [this, playback] { return FTracks.Pending(playback); };
  sinks.SwitchStreams = [this, playback] { return SwitchStreams(playback); };
  return sinks;
}

void TCustomPlayer::ReadThreadMain(TMediaState* playback) {
  const uint32_t tid = CurrentThreadId();
  const TInterruptEvent openCb{&TCustomPlayer::OpenTimeoutInterrupt, this};
  const TInterruptEvent abortCb{&TCustomPlayer::AbortInterrupt, this};
  const std::string& name = playback->FileName;
  int ret = -1;
  playback->VideoStreamIndex = playback->AudioStreamIndex = playback->SubtitleStreamIndex = -1;

  [&] {
    AVFormatContext* ic = ff::avformat_alloc_context();
    if (!ic) {
      SetLastErrMsg(FormatMediaError(name, AVERROR(ENOMEM)));
      return;
    }
    FIoStartTime.store(IoIdle, std::memory_order_relaxed);
    InterruptCallbacks().Register(tid, this, openCb);
    InstallInterruptCallback(ic->interrupt_callback);
    AVDictionary* opts = nullptr;
    if (FrameWidth() > 0 && FrameHeight() > 0)
      ff::av_dict_set(&opts, "video_size", Format("%dx%d", {FrameWidth(), FrameHeight()}).c_str(), 0);
    ff::av_dict_set(&opts, "framerate", "25", 0);
    FIoStartTime.store(NowMicros(), std::memory_order_relaxed);
    int err = OpenInputWithNames(&ic, name, playback->InputFormat, &opts);
    ff::av_dict_free(&opts);
    if (err < 0) {  // the library has freed ic
      SetLastErrMsg(FormatOpenError(name, err));
      return;
    }
    playback->FormatContext.reset(ic);
    TBeforeFindStreamInfoEvent before;
    {
      std::lock_guard<std::mutex> g(FEventLock);
      before = FOnBeforeFindStreamInfo;
    }
    if (before) before(this, ic);

    FIoStartTime.store(NowMicros(), std::memory_order_relaxed);
    if (ff::avformat_find_stream_info(ic, nullptr) < 0) {
      SetLastErrMsg(Format("%s: could not find codec parameters", {name}));
      return;
    }
    if (ic->pb) {
      ic->pb->eof_reached = 0;
      ic->pb->error = 0;
    }
    playback->IsImageSequence = std::strcmp(ic->iformat->name, "image2") == 0;
    playback->IsCapture = IsCaptureDemuxer(ic->iformat->name);
    if (ic->start_time != AV_NOPTS_VALUE) playback->StartTime = ic->start_time;
    playback->Duration = ic->duration == AV_NOPTS_VALUE ? -1 : ic->duration;

    for (unsigned i = 0; i < ic->nb_streams; ++i) ic->streams[i]->discard = AVDISCARD_ALL;
    int video = -1, audio = -1, subtitle = -1;
    const bool withVideo = !DisableVideo() && !DisableDisplay();  // no output, no pictures
    if (withVideo) video = ff::av_find_best_stream(ic, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (!DisableAudio()) audio = ff::av_find_best_stream(ic, AVMEDIA_TYPE_AUDIO, -1, video, nullptr, 0);
    if (withVideo)
      subtitle = ff::av_find_best_stream(ic, AVMEDIA_TYPE_SUBTITLE, -1, audio >= 0 ? audio : video, nullptr, 0);

    FIoStartTime.store(IoIdle, std::memory_order_relaxed);
    InterruptCallbacks().Unregister(tid, this, openCb);
    FOpeningStream.store(playback, std::memory_order_release);
    InterruptCallbacks().Register(tid, this, abortCb);

    if (audio >= 0) StreamComponentOpen(playback, audio);
    if (video >= 0) StreamComponentOpen(playback, video);
    if (playback->VideoStreamIndex < 0 && !DisableDisplay()) playback->AudioOut.SetShowWaveform(true);
    if (playback->VideoStreamIndex < 0) playback->AudioOut.StartGate().Release(ClockMicros(), false);
    if (subtitle >= 0) StreamComponentOpen(playback, subtitle);

    if (playback->VideoStreamIndex < 0 && playback->AudioStreamIndex < 0) {
      std::string text = Format("%s: could not open codecs, no stream to play.", {name});
      // Say so when the sound stream failed for want of a device, not of a codec.
      if (const std::string why = SoundDeviceError(); audio >= 0 && !why.empty()) text += "\n" + why;
      SetLastErrMsg(text);
      return;
    }
    if (playback->VideoStream && playback->VideoStream->codecpar->width > 0) {
      playback->OpenFrameWidth = playback->VideoStream->codecpar->width;
      playback->OpenFrameHeight = playback->VideoStream->codecpar->height;
      // The pictures are shown upright.
      if (StreamOrientation(playback->VideoStream).SwapsSides())
        std::swap(playback->OpenFrameWidth, playback->OpenFrameHeight);
    }
    {
      // Made while the context is still this thread's alone: once reading,
      // the demuxer may add streams or replace metadata under a reader.
      TFFDecoder description;
      if (description.SetFormatContext(ic)) {
        description.GetFileInfoText(playback->FileInfoText);
        description.SetFormatContext(nullptr);
      }
      FChapters.Set(playback, ReadChapters(ic));
      FTracks.Set(playback, ReadTracks(ic), playback->AudioStreamIndex, playback->SubtitleStreamIndex);
    }
    playback->OpenState.store(1);
    RunDemuxer(playback, DemuxerSinks(playback));
    ret = 0;
  }();

  // Closing phase, reached from every failure above and after the read loop.
  FChapters.Clear(playback);
  FTracks.Clear(playback);
  if (playback->OpenState.load() != 1) playback->OpenState.store(-1);
  FIoStartTime.store(IoIdle, std::memory_order_relaxed);
  InterruptCallbacks().Unregister(tid, this, openCb);
  FOpeningStream.store(nullptr, std::memory_order_release);
  InterruptCallbacks().Unregister(tid, this, abortCb);
  // The decoding threads read the sound's stream (its clock): it goes last.
  if (playback->VideoStreamIndex >= 0) StreamComponentClose(playback, playback->VideoStreamIndex);
  if (playback->SubtitleStreamIndex >= 0) StreamComponentClose(playback, playback->SubtitleStreamIndex);
  if (playback->AudioStreamIndex >= 0) StreamComponentClose(playback, playback->AudioStreamIndex);
  playback->FormatContext.reset();
  if (ret != 0) PushQuitEvent(playback);
  // The sound device's failure left SDL's error text in this thread's storage.
  if (FSDL.SDL_TLSCleanup) FSDL.SDL_TLSCleanup();
  if (playback->OpenState.load() == -1) playback->OpenState.store(-2);
}

}  // namespace zv
