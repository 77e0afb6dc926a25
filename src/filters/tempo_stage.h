#pragma once
// Changes the sound's speed without changing its pitch: interleaved signed
// 16-bit samples in, the same kind out, fewer of them above 1x and more below.
// One user thread; it owns its graph and needs no lock.
#include <cstdint>
#include <string>
#include <vector>

#include "runtime/av_ptr.h"

struct AVFilterContext;

namespace zv {

inline constexpr double MinSpeed = 0.25;
inline constexpr double MaxSpeed = 4.0;
// Into [MinSpeed, MaxSpeed]; NaN gives 1.
double ClampSpeed(double speed);

class TTempoStage {
public:
  // False (with LastErrMsg) when the media libraries cannot make the stage.
  bool Configure(int sampleRate, int channels, double speed);
  double Speed() const { return FSpeed; }
  // Appends to `out` what the stage gives for `frames` more sample frames; at
  // 1x the samples pass untouched. False on a library failure.
  bool Process(const int16_t* in, int frames, std::vector<int16_t>& out);
  // Appends what the stage still holds and ends its stream: Configure (or
  // Reset) before the next Process. False on a library failure.
  bool Drain(std::vector<int16_t>& out);
  // Drops what the stage holds (after a seek).
  bool Reset() { return Configure(FRate, FChannels, FSpeed); }
  const std::string& LastErrMsg() const { return FLastErrMsg; }

private:
  bool Fail(const std::string& what, int code);
  // Moves what the sink gives now into out.
  bool Collect(std::vector<int16_t>& out);

  int FRate = 0, FChannels = 0;
  double FSpeed = 1.0;
  int64_t FNextPts = 0;
  AVFilterGraphPtr FGraph;
  AVFilterContext* FSrc = nullptr;   // owned by FGraph
  AVFilterContext* FSink = nullptr;  // owned by FGraph
  AVFramePtr FFrame;
  std::string FLastErrMsg;
};

}  // namespace zv
