#pragma once
// Everything one opened file needs while it plays. Created by the stream open,
// freed by the close of the playback; every engine thread works on it.
//
// Flags shared between threads without a lock are std::atomic read and written
// relaxed: readers poll them, so a late observation only delays a reaction.
#include <SDL2/SDL.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "engine/audio_clock.h"
#include "engine/audio_output.h"
#include "engine/frame_scheduler.h"
#include "engine/manual_event.h"
#include "engine/packet_queue.h"
#include "engine/picture_queue.h"
#include "engine/rgb_upload.h"
#include "engine/seek_request.h"
#include "engine/stream_status.h"
#include "engine/subtitle_queue.h"
#include "engine/wait_gate.h"
#include "runtime/av_headers.h"
#include "runtime/av_ptr.h"

namespace zv {

class TCustomPlayer;

constexpr int MaxFileNameLength = 1024;

// What the play thread puts on screen (play thread only): one streaming
// texture at the picture's size rounded up to even and, for a picture with an
// odd side, a padded copy it is uploaded from. A renderer that draws on the
// CPU gets an RGB texture the picture is converted into instead.
struct TVideoPicture {
  int Width = 0, Height = 0;  // even sizes of the texture
  int PictureWidth = 0, PictureHeight = 0;  // the picture's own size inside it
  uint8_t* Planes[3] = {nullptr, nullptr, nullptr};  // padded Y, U, V (av_malloc'd as one block at Planes[0])
  int Pitches[3] = {0, 0, 0};
  SDL_Texture* Texture = nullptr;
  Uint32 Format = SDL_PIXELFORMAT_UNKNOWN;  // the texture's
  TRgbUpload Rgb;  // prepared while the texture is RGB
  bool RgbFailed = false;  // a conversion failed: YUV textures from then on
  std::optional<TPictureColour> Colour;  // the colours the texture was made for
  bool Filled = false;  // the texture holds a picture
};

// Four timestamps that decide between pts and dts.
struct TPtsCorrection {
  int64_t NumFaultyPts = 0;
  int64_t NumFaultyDts = 0;
  int64_t LastPts = INT64_MIN;
  int64_t LastDts = INT64_MIN;
};

struct TMediaState {
  std::thread ReadThread;     // demultiplexing loop
  std::thread VideoThread;    // video decoding
  std::thread SubtitleThread; // subtitle decoding

  const AVInputFormat* InputFormat = nullptr;  // nil lets the library probe

  std::atomic<int> AbortRequest{0};  // 1 tells every thread of this file to finish
  std::atomic<int> Paused{0};
  TWaitGate PauseGate;  // notified when Paused, a seek, PausedDecodeCount or an abort change
  TWaitGate ReaderGate;  // notified when a queue gives out a packet, a seek or pause is asked, or on abort
  int LastPaused = 0;  // demultiplexing thread only
  TSeekRequest Seek;  // posted under the player lock, carried out by the reader
  std::atomic<int> ReadPauseReturn{0};

  AVInputPtr FormatContext;

  // Audio
  int AudioStreamIndex = -1;  // reader thread
  // Written by the reader (at open and on a track switch), read anywhere.
  std::atomic<AVStream*> AudioStream{nullptr};
  TPacketQueue AudioQueue;
  TAudioOutput AudioOut;  // the device, its chunks and the waveform's sound
  AVCodecContextPtr AudioCodec;
  AVFramePtr AudioFrame;   // audio thread only
  TAudioClock AudioClock;  // of the chunk being played; written by the audio thread
  TQueuedPacket AudioPkt;  // packet being decoded (audio thread only)

  // Subtitles
  int SubtitleStreamIndex = -1;  // reader thread
  std::atomic<AVStream*> SubtitleStream{nullptr};  // as AudioStream
  AVCodecContextPtr SubtitleCodec;
  TPacketQueue SubtitleQueue;
  TSubtitleQueue SubPictures;  // decoded, waiting for display

  // Video timing
  TFrameScheduler Schedule;  // of the pictures the video thread queues
  int VideoStreamIndex = -1;
  AVStream* VideoStream = nullptr;
  AVCodecContextPtr VideoCodec;
  TPacketQueue VideoQueue;
  std::atomic<double> VideoCurrentPts{0};
  std::atomic<double> VideoCurrentPtsDrift{0};
  std::atomic<int64_t> VideoCurrentPos{-1};
  TPictureQueue Pictures;

  std::string FileName;  // UTF-8, at most MaxFileNameLength characters
  int Width = 0, Height = 0, XLeft = 0, YTop = 0;  // surface size and display origin
  TPtsCorrection PtsCorrection;
  AVFilterContext* OutVideoFilter = nullptr;
  std::atomic<int> Refresh{0};  // 1 while the play loop works through the picture queue
  TCustomPlayer* Owner = nullptr;
  std::atomic<int> OpenState{0};  // 0 opening, 1 reading, -1 failed, -2 failed and cleaned up
  // What the open found, for Open to report without touching the streams.
  int OpenFrameWidth = -1, OpenFrameHeight = -1;  // written before OpenState becomes 1
  std::string FileInfoText;                        // written before OpenState becomes 1
  std::mutex OpenNoticeLock;
  bool PlayReported = false;  // guarded by OpenNoticeLock
  bool PausePending = false;  // guarded by OpenNoticeLock
  // 1 when the video thread ended by itself: the playback goes on with the sound.
  std::atomic<int> VideoEnded{0};
  int64_t StartTime = 0;          // µs, 0 when unknown
  int64_t Duration = -1;          // µs, -1 when unknown
  std::atomic<int64_t> AudioDuration{-1};
  int IsImageSequence = 0;
  int IsCapture = 0;
  // The reader's: Draining from the end of the file on, Ended once every
  // packet queue is empty too.
  TStreamStatus Input;
  // The video thread's: Draining once the decoder is told the stream ended,
  // Ended when it has given out everything (or the thread is gone).
  TStreamStatus Video;
  std::atomic<int> EndReported{0};  // psEnd sent; a seek or a new picture re-arms it
  std::atomic<int> Reading{0};
  std::atomic<int> PausedDecodeCount{0};
  // The newest seek whose first picture the video thread gave out, or knew
  // none would come. Written by the video thread.
  std::atomic<int64_t> SeekPictureGeneration{0};
  double FrameDuration = 0;  // seconds, chosen at video open

  // Video path: the filter pipeline's output (written by the video thread
  // before it queues a picture), whether a picture was shown since the last
  // flush, and what is on screen (play thread only).
  std::atomic<int> SinkWidth{0}, SinkHeight{0}, SinkPixFmt{-1};
  // The seek generation of the picture on screen, -1 before the first.
  // Written by the play thread. Paused, only a picture of a newer seek comes
  // up; the video thread drops late pictures only once one of its seek is shown.
  std::atomic<int64_t> ShownGeneration{-1};
  TVideoPicture Screen;  // play thread only
  bool OutputFailed = false;  // play thread only: a picture could not be shown, the playback closes
  // Play thread only: how long putting a picture on screen takes lately (s);
  // a picture is drawn this much before its time so that it appears on time.
  double DisplayLead = 0;
  AVRational ShownSar{0, 1};  // play thread only: pixel aspect of the picture on screen
};

// Zero-initialised on the heap (the record is large: keep it off thread stacks).
TMediaState* NewMediaState();
void FreeMediaState(TMediaState* playback);

// A seek was carried out on the video stream and its first picture has not
// come out of the video thread yet.
bool SeekPicturePending(TMediaState* playback);

}  // namespace zv
