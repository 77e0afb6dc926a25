// The demultiplexing loop: pause and seek requests, queue limits, reading and
// distributing packets, and the end of the file.
#include <chrono>
#include <thread>
#include <utility>

#include "engine/player.h"
#include "runtime/entry_points.h"
#include "runtime/format.h"
#include "runtime/logger.h"
#include "runtime/safe_math.h"

namespace zv {

namespace {

constexpr int MaxQueueSize = 15 * 1024 * 1024;
constexpr int MinAudioQueueSize = 327680;
constexpr int MinFrames = 5;

void Sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// At the end of the file a picture counts as ready only once the one after a
// seek has come out, the decoder has nothing more to give, or the pause holds
// the video thread (nothing comes then): a short file is read to its end again
// right after a rewind, long before its first picture.
bool NoPictureToCome(TMediaState* S) {
  const bool heldByPause = S->Paused.load(std::memory_order_relaxed) && !S->SeekWhilePaused.load() &&
                           !S->PausedDecodeCount.load();
  return !SeekPicturePending(S) || S->Video.Is(TStreamPhase::Ended) || heldByPause;
}

}  // namespace

void TCustomPlayer::ReadLoop(TMediaState* S) {
  AVFormatContext* ic = S->FormatContext.get();
  const std::string& name = S->FileName;
  AVPacketPtr packet(ff::av_packet_alloc());
  AVPacket* pkt = packet.get();
  bool readErrorReported = false;  // once per position: a seek re-arms it
  auto reachEnd = [&] {
    if (S->Input.MoveTo(TStreamPhase::Draining) != TStreamPhase::Playing || S->IsImageSequence) return;
    DefaultLogger().Log(this, llInfo, Format("reach end of file: %s", {name}));
  };

  while (pkt && !S->AbortRequest.load()) {
    int paused = S->Paused.load(std::memory_order_relaxed);
    if (paused != S->LastPaused) {
      S->LastPaused = paused;
      if (paused)
        S->ReadPauseReturn = ff::av_read_pause(ic);
      else
        ff::av_read_play(ic);
    }

    if (S->SeekReq.load()) {
      const int64_t generation = S->SeekGeneration.load();
      int64_t target = S->SeekPos.load(), rel = S->SeekRel.load();
      int flags = S->SeekFlags.load();
      int64_t mn = rel > 0 ? SatAdd(SatSub(target, rel), 2) : INT64_MIN;
      int64_t mx = rel < 0 ? SatSub(SatSub(target, rel), 2) : INT64_MAX;
      int r = ff::avformat_seek_file(ic, -1, mn, target, mx, flags);
      if (r < 0) r = ff::av_seek_frame(ic, -1, target, flags);
      if (r < 0) r = ff::av_seek_frame(ic, -1, target, flags ^ AVSEEK_FLAG_BACKWARD);
      if (r < 0) {
        ReportError(Format("%s: error while seeking", {name}), false);
        if (S->VideoStreamIndex >= 0) FPictureReadyEvent.Set();
      } else {
        if (S->AudioStreamIndex >= 0) {
          PacketQueueFlush(S->AudioQueue);
          PacketQueuePut(S->AudioQueue, FlushPacket());
        }
        if (S->SubtitleStreamIndex >= 0) {
          PacketQueueFlush(S->SubtitleQueue);
          PacketQueuePut(S->SubtitleQueue, FlushPacket());
        }
        if (S->VideoStreamIndex >= 0) {
          PacketQueueRestart(S->VideoQueue, generation);
          FPictureReadyEvent.Reset();
        }
      }
      NoteSeekCarriedOut(generation, r < 0 || S->VideoStreamIndex < 0);
      S->Input.MoveTo(TStreamPhase::Playing);
      readErrorReported = false;
      S->EndReported.store(0);  // a seek re-arms the end notice
      S->SeekReq.store(0);
      S->PauseGate.Notify();  // a paused video thread fetches the picture of the new position
      // A video thread waiting for a slot with a picture of the old position
      // drops it and goes on to the flush at once.
      S->Pictures.WakeProducer();
      FSeekDoneEvent.Set();
      if (S->VideoStreamIndex < 0) FSeeking.store(false);
    }

    // A video thread that ended by itself takes no more packets.
    const bool hasAudio = S->AudioStreamIndex >= 0,
               hasVideo = S->VideoStreamIndex >= 0 && !S->VideoEnded.load(), hasSub = S->SubtitleStreamIndex >= 0;
    int aSize = 0, vSize = 0, sSize = 0;
    auto queuesFull = [&] {
      aSize = hasAudio ? PacketQueueSize(S->AudioQueue) : 0;
      vSize = hasVideo ? PacketQueueSize(S->VideoQueue) : 0;
      sSize = hasSub ? PacketQueueSize(S->SubtitleQueue) : 0;
      return aSize + vSize + sSize > MaxQueueSize ||
             ((!hasAudio || aSize > MinAudioQueueSize) && (!hasVideo || PacketQueueCount(S->VideoQueue) > MinFrames) &&
              (!hasSub || PacketQueueCount(S->SubtitleQueue) > MinFrames));
    };
    if (queuesFull()) {
      // Until a decoder takes a packet, or a seek, a pause change or the close.
      S->ReaderGate.WaitUntil([&] {
        return S->AbortRequest.load() || S->SeekReq.load() ||
               S->Paused.load(std::memory_order_relaxed) != S->LastPaused || !queuesFull();
      });
      continue;
    }

    if (!S->Input.Is(TStreamPhase::Playing)) {
      if (hasVideo) {
        // An empty packet tells the decoder to give out what it holds (and
        // the end to be checked again); one at a time, or they would pile up
        // while the paused video thread takes none.
        AVPacketPtr empty(vSize == 0 ? ff::av_packet_alloc() : nullptr);
        if (empty) {
          empty->stream_index = S->VideoStreamIndex;
          PacketQueuePut(S->VideoQueue, empty.get());
        }
        if (NoPictureToCome(S)) FPictureReadyEvent.Set();
      }
      Sleep(10);
      if (aSize + vSize + sSize == 0) S->Input.MoveTo(TStreamPhase::Ended);
      continue;
    }

    S->Reading.store(1);
    int r = ff::av_read_frame(ic, pkt);
    if (S->AbortRequest.load()) {
      S->Reading.store(0);
      if (r >= 0) ff::av_packet_unref(pkt);
      break;
    }
    S->Reading.store(0);

    if (r < 0) {
      if (hasVideo && NoPictureToCome(S)) FPictureReadyEvent.Set();
      AVIOContext* pb = ic->pb;
      if (r == AVERROR(EAGAIN)) {
        if (pb) pb->eof_reached = pb->error = 0;
      } else if (r == AVERROR_EOF) {
        reachEnd();
      } else if (pb && pb->error == AVERROR(EAGAIN)) {
        pb->eof_reached = pb->error = 0;
      } else if (pb && ff::avio_feof(pb)) {
        reachEnd();
      } else if (!S->IsImageSequence && !std::exchange(readErrorReported, true)) {
        ReportError(Format("error #%d while reading file: %s", {r, name}), false);
      }
      if (pb && pb->error != 0) break;  // the file stays open until it is closed
      Sleep(100);
      continue;
    }

    if (pkt->stream_index == S->AudioStreamIndex)
      PacketQueuePut(S->AudioQueue, pkt);
    else if (pkt->stream_index == S->VideoStreamIndex && !S->VideoEnded.load())
      PacketQueuePut(S->VideoQueue, pkt);
    else if (pkt->stream_index == S->SubtitleStreamIndex)
      PacketQueuePut(S->SubtitleQueue, pkt);
    ff::av_packet_unref(pkt);
  }
  // A loop left on an I/O error waits here for the close.
  while (!S->AbortRequest.load()) Sleep(100);
}

}  // namespace zv
