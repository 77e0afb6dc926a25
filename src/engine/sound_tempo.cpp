#include "engine/sound_tempo.h"

#include <algorithm>

#include "engine/audio_decoder.h"
#include "engine/media_state.h"

namespace zv {

void TSoundTempo::Restart(int64_t generation) {
  FGeneration = generation;
  FOut.clear();
  FRead = 0;
  FDelay = 0;
  FReady = false;  // made afresh with the next sound
}

void TSoundTempo::ChangeSpeed(double speed) {
  if (FReady && !FEnded && !HasOutput()) {
    Finish();
    if (HasOutput()) return;
  }
  if (HasOutput()) return;
  FSpeed = speed;
  FDelay = 0;
  FReady = false;
}

bool TSoundTempo::Prepare(int rate, int channels, std::string* err) {
  if (FReady && !FEnded && rate == FRate && channels == FChannels) return true;
  FRate = rate;
  FChannels = channels;
  FEnded = false;
  FReady = FStage.Configure(rate, channels, FSpeed);
  if (!FReady) {
    FBroken = true;
    if (err) *err = FStage.LastErrMsg();
  }
  return FReady;
}

bool TSoundTempo::Feed(const uint8_t* data, int bytes, int rate, int channels, std::string* err) {
  if (Passing() || bytes <= 0 || channels <= 0 || rate <= 0) return true;
  if (!Prepare(rate, channels, err)) return false;
  if (!HasOutput()) {
    FOut.clear();
    FRead = 0;
  }
  const int frames = bytes / (2 * channels);
  if (!FStage.Process(reinterpret_cast<const int16_t*>(data), frames, FOut)) {
    FBroken = true;
    if (err) *err = FStage.LastErrMsg();
    return false;
  }
  FDelay += double(frames) / rate;
  return true;
}

void TSoundTempo::Finish() {
  if (!FReady || FEnded || FBroken) return;
  if (!HasOutput()) {
    FOut.clear();
    FRead = 0;
  }
  FEnded = true;
  if (!FStage.Drain(FOut)) FReady = false;
}

int TSoundTempo::TakePiece(int maxBytes, const uint8_t** data, double* rate) {
  const size_t frameSamples = size_t(std::max(FChannels, 1));
  const size_t maxFrames = std::max<size_t>(size_t(maxBytes) / (2 * frameSamples), 1);
  const size_t frames = std::min((FOut.size() - FRead) / frameSamples, maxFrames);
  *data = reinterpret_cast<const uint8_t*>(FOut.data() + FRead);
  *rate = FSpeed;
  FRead = frames > 0 ? FRead + frames * frameSamples : FOut.size();  // a stray partial frame is dropped
  if (FRate > 0) FDelay = std::max(0.0, FDelay - double(frames) * FSpeed / FRate);
  return int(frames * frameSamples * 2);
}

namespace {
// A piece is played before the stage is asked for more: about 85 ms at 48 kHz.
constexpr int MaxPieceBytes = 4096 * 4;

// The reader reached the end and the sound queue is empty: nothing more comes.
bool SoundEnded(TMediaState* playback) {
  if (!playback->Input.Is(TStreamPhase::Ended)) return false;
  std::lock_guard<std::mutex> g(playback->AudioQueue.Mutex);
  return playback->AudioQueue.NbPackets == 0;
}
}  // namespace

int NextSoundChunk(TMediaState* playback) {
  TAudioOutput& out = playback->AudioOut;
  TSoundTempo& tempo = out.Tempo();
  TAudioClock& clock = playback->AudioClock;
  // A seek was carried out: what the stage holds or made is of the old position.
  const int64_t queued = PacketQueueGeneration(playback->AudioQueue);
  if (queued > tempo.Generation()) tempo.Restart(queued);
  const double speed = out.Speed();
  for (;;) {
    if (tempo.HasOutput()) {
      if (playback->Paused.load(std::memory_order_relaxed)) return -1;
      const uint8_t* data = nullptr;
      double rate = 1;
      const int n = tempo.TakePiece(MaxPieceBytes, &data, &rate);
      clock.SetStage(tempo.Delay(), rate);
      if (n > 0) return out.UseChunk(data, n);
      continue;
    }
    if (!tempo.Follows(speed)) {
      tempo.ChangeSpeed(speed);
      continue;
    }
    const int n = AudioDecodeFrame(playback);
    if (n < 0) {
      if (!tempo.Passing() && SoundEnded(playback)) {
        tempo.Finish();
        if (tempo.HasOutput()) continue;
      }
      return -1;
    }
    const int64_t generation = clock.Generation();
    if (generation > tempo.Generation()) tempo.Restart(generation);
    if (tempo.Passing()) {
      clock.SetStage(0, 1);
      return n;
    }
    if (generation < tempo.Generation()) continue;  // decoded before the seek
    std::string err;
    if (!tempo.Feed(out.Chunk(), n, out.Rate(), out.Channels(), &err)) {
      ReportAudioError(playback, "The sound plays at its own speed: " + err);
      clock.SetStage(0, 1);
      return n;
    }
  }
}

}  // namespace zv
