#pragma once
// The speed stage of the sound path: decoded chunks pass through it on their
// way to the device and come out at the playback's speed with their pitch
// kept. It knows how much decoded media it holds back, so that the audio
// clock reads the media time of what is heard. Audio thread only (the
// device's callback, or a test driving it).
#include <cstdint>
#include <string>
#include <vector>

#include "filters/tempo_stage.h"

namespace zv {

struct TMediaState;

class TSoundTempo {
public:
  // Drops what the stage holds and made: sound read after seek `generation`
  // comes next, earlier sound is stale.
  void Restart(int64_t generation);
  int64_t Generation() const { return FGeneration; }
  // Sound passes untouched (1x, or a stage that could not be made).
  bool Passing() const { return FSpeed == 1.0 || FBroken; }
  // Whether the stage runs at speed (a broken stage follows nothing).
  bool Follows(double speed) const { return FBroken || speed == FSpeed; }
  // Towards a new speed: the old stage's tail comes out first (as pieces at
  // the old speed), then the stage starts empty at the new one.
  void ChangeSpeed(double speed);
  // Media (s) fed to the stage that no piece given out has played yet.
  double Delay() const { return FDelay; }
  // Feeds bytes of interleaved S16 sound. False with the reason when the
  // stage failed: from then on the sound passes untouched.
  bool Feed(const uint8_t* data, int bytes, int rate, int channels, std::string* err);
  // Ends the stage's input (the end of the file): what it holds comes out.
  void Finish();
  bool HasOutput() const { return FRead < FOut.size(); }
  // The next piece of what the stage made (at most maxBytes): its bytes, and
  // the media seconds each second of it plays.
  int TakePiece(int maxBytes, const uint8_t** data, double* rate);

private:
  bool Prepare(int rate, int channels, std::string* err);

  TTempoStage FStage;
  bool FReady = false;   // FStage takes input at FSpeed, FRate, FChannels
  bool FBroken = false;  // the stage failed: sound passes untouched
  bool FEnded = false;   // the stage's input was ended; its tail is out
  double FSpeed = 1.0;   // what the stage runs at
  int FRate = 0, FChannels = 0;
  int64_t FGeneration = 0;
  double FDelay = 0;          // media seconds
  std::vector<int16_t> FOut;  // made by the stage, given out from FRead on
  size_t FRead = 0;
};

// The device's next chunk, in playback->AudioOut.Chunk(): decoded sound
// through the speed stage at the connected speed; the clock's stage part is
// set to match. Bytes, or -1 when no chunk can be made now. Audio thread,
// inside a clock update.
int NextSoundChunk(TMediaState* playback);

}  // namespace zv
