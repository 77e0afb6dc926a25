#include "engine/demuxer.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>
#include <utility>

#include "runtime/entry_points.h"
#include "runtime/format.h"
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
bool NoPictureToCome(TMediaState* playback) {
  const bool heldByPause = playback->Paused.load(std::memory_order_relaxed) &&
                           !playback->Seek.PictureAwaitedInPause() && !playback->PausedDecodeCount.load();
  return !SeekPicturePending(playback) || playback->Video.Is(TStreamPhase::Ended) || heldByPause;
}

}  // namespace

void RunDemuxer(TMediaState* playback, const TDemuxerSinks& sinks) {
  AVFormatContext* ic = playback->FormatContext.get();
  const std::string& name = playback->FileName;
  AVPacketPtr packet(ff::av_packet_alloc());
  AVPacket* pkt = packet.get();
  bool readErrorReported = false;  // once per position: a seek re-arms it
  TRereadFilter reread;
  auto switchPending = [&] { return sinks.SwitchPending && sinks.SwitchPending(); };
  auto reachEnd = [&] {
    if (playback->Input.MoveTo(TStreamPhase::Draining) != TStreamPhase::Playing || playback->IsImageSequence) return;
    sinks.Info(Format("reach end of file: %s", {name}));
  };

  while (pkt && !playback->AbortRequest.load()) {
    int paused = playback->Paused.load(std::memory_order_relaxed);
    if (paused != playback->LastPaused) {
      playback->LastPaused = paused;
      if (paused)
        playback->ReadPauseReturn = ff::av_read_pause(ic);
      else
        ff::av_read_play(ic);
    }

    if (TSeekRequest::TTarget asked; playback->Seek.Take(asked)) {
      const int64_t generation = asked.Generation;
      const int64_t target = asked.Pos, rel = asked.Rel;
      const int flags = asked.Flags;
      int64_t mn = rel > 0 ? SatAdd(SatSub(target, rel), 2) : INT64_MIN;
      int64_t mx = rel < 0 ? SatSub(SatSub(target, rel), 2) : INT64_MAX;
      // An exact seek decodes from the key picture at or before its target.
      if (!std::isnan(asked.DropBefore)) mx = std::min(mx, target);
      int r = ff::avformat_seek_file(ic, -1, mn, target, mx, flags);
      if (r < 0) r = ff::av_seek_frame(ic, -1, target, flags);
      if (r < 0) r = ff::av_seek_frame(ic, -1, target, flags ^ AVSEEK_FLAG_BACKWARD);
      if (r < 0) {
        sinks.Error(Format("%s: error while seeking", {name}));
        if (playback->VideoStreamIndex >= 0) sinks.PictureReady();
      } else {
        // Every queue starts over with the seek's generation: the sound clock
        // carries it, so late pictures are judged only against the new sound.
        if (playback->AudioStreamIndex >= 0) PacketQueueRestart(playback->AudioQueue, generation);
        if (playback->SubtitleStreamIndex >= 0) PacketQueueRestart(playback->SubtitleQueue, generation);
        if (playback->VideoStreamIndex >= 0) {
          PacketQueueRestart(playback->VideoQueue, generation);
          sinks.PictureToCome();
        }
      }
      reread.Reset();
      playback->Input.MoveTo(TStreamPhase::Playing);
      readErrorReported = false;
      playback->EndReported.store(0);  // a seek re-arms the end notice
      playback->Seek.Done();
      playback->PauseGate.Notify();  // a paused video thread fetches the picture of the new position
      // A video thread waiting for a slot with a picture of the old position
      // drops it and goes on to the flush at once.
      playback->Pictures.WakeProducer();
      sinks.SeekCarriedOut(generation, r < 0);
    }

    if (switchPending()) {
      // A new stream starts at the position playing, which the reader has
      // passed: it goes back there unless a seek is about to move anyway.
      const TStreamReread r = sinks.SwitchStreams();
      if (r.Needed && !playback->Seek.Pending()) {
        if (ff::avformat_seek_file(ic, -1, INT64_MIN, r.SeekTo, r.SeekTo, 0) >= 0) {
          reread.Begin(r);
          playback->Input.MoveTo(TStreamPhase::Playing);
        } else {
          sinks.Info(Format("%s: the new track starts where the file is read", {name}));
        }
      }
      continue;
    }

    // A video thread that ended by itself takes no more packets.
    const bool hasAudio = playback->AudioStreamIndex >= 0,
               hasVideo = playback->VideoStreamIndex >= 0 && !playback->VideoEnded.load(),
               hasSub = playback->SubtitleStreamIndex >= 0;
    int aSize = 0, vSize = 0, sSize = 0;
    auto queuesFull = [&] {
      aSize = hasAudio ? PacketQueueSize(playback->AudioQueue) : 0;
      vSize = hasVideo ? PacketQueueSize(playback->VideoQueue) : 0;
      sSize = hasSub ? PacketQueueSize(playback->SubtitleQueue) : 0;
      // Going back for a new sound track, the pictures wait for its first
      // packets: the total is not to hold them up (what is read again is left out).
      const bool catchingUp = reread.CatchingUp(playback->VideoStreamIndex);
      return (!catchingUp && aSize + vSize + sSize > MaxQueueSize) ||
             ((!hasAudio || aSize > MinAudioQueueSize) &&
              (!hasVideo || PacketQueueCount(playback->VideoQueue) > MinFrames) &&
              (!hasSub || PacketQueueCount(playback->SubtitleQueue) > MinFrames));
    };
    if (queuesFull()) {
      // Until a decoder takes a packet, or a seek, a pause change or the close.
      playback->ReaderGate.WaitUntil([&] {
        return playback->AbortRequest.load() || playback->Seek.Pending() || switchPending() ||
               playback->Paused.load(std::memory_order_relaxed) != playback->LastPaused || !queuesFull();
      });
      continue;
    }

    if (!playback->Input.Is(TStreamPhase::Playing)) {
      if (hasVideo) {
        // An empty packet tells the decoder to give out what it holds (and
        // the end to be checked again); one at a time, or they would pile up
        // while the paused video thread takes none.
        AVPacketPtr empty(vSize == 0 ? ff::av_packet_alloc() : nullptr);
        if (empty) {
          empty->stream_index = playback->VideoStreamIndex;
          PacketQueuePut(playback->VideoQueue, empty.get());
        }
        if (NoPictureToCome(playback)) sinks.PictureReady();
      }
      Sleep(10);
      if (aSize + vSize + sSize == 0) playback->Input.MoveTo(TStreamPhase::Ended);
      continue;
    }

    playback->Reading.store(1);
    int r = ff::av_read_frame(ic, pkt);
    if (playback->AbortRequest.load()) {
      playback->Reading.store(0);
      if (r >= 0) ff::av_packet_unref(pkt);
      break;
    }
    playback->Reading.store(0);

    if (r < 0) {
      if (hasVideo && NoPictureToCome(playback)) sinks.PictureReady();
      AVIOContext* pb = ic->pb;
      if (r == AVERROR(EAGAIN)) {
        if (pb) pb->eof_reached = pb->error = 0;
      } else if (r == AVERROR_EOF) {
        reachEnd();
      } else if (pb && pb->error == AVERROR(EAGAIN)) {
        pb->eof_reached = pb->error = 0;
      } else if (pb && ff::avio_feof(pb)) {
        reachEnd();
      } else if (!playback->IsImageSequence && !std::exchange(readErrorReported, true)) {
        sinks.Error(Format("error #%d while reading file: %s", {r, name}));
      }
      if (pb && pb->error != 0) break;  // the file stays open until it is closed
      Sleep(100);
      continue;
    }

    TPacketQueue* to = nullptr;
    if (pkt->stream_index == playback->AudioStreamIndex)
      to = &playback->AudioQueue;
    else if (pkt->stream_index == playback->VideoStreamIndex && !playback->VideoEnded.load())
      to = &playback->VideoQueue;
    else if (pkt->stream_index == playback->SubtitleStreamIndex)
      to = &playback->SubtitleQueue;
    if (to && !reread.Skip(pkt)) {
      PacketQueuePut(*to, pkt);
      reread.Note(pkt);
    }
    ff::av_packet_unref(pkt);
  }
  // A loop left on an I/O error waits here for the close.
  while (!playback->AbortRequest.load()) Sleep(100);
}

}  // namespace zv
