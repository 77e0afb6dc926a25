#include "engine/exact_seek.h"

#include <cmath>

#include "engine/clocks.h"
#include "engine/media_state.h"
#include "runtime/entry_points.h"

namespace zv {

namespace {
// Timestamps round to the stream's time base: a microsecond either way is the same time.
constexpr double Epsilon = 1e-6;
}  // namespace

bool PictureEndsBefore(double pts, double duration, double dropBefore) {
  if (std::isnan(pts) || std::isnan(dropBefore)) return false;
  if (duration > 0) return pts + duration <= dropBefore + Epsilon;
  return pts < dropBefore - Epsilon;
}

int SamplesBefore(double start, int rate, int nbSamples, double dropBefore) {
  if (std::isnan(start) || std::isnan(dropBefore) || rate <= 0 || nbSamples <= 0 || start >= dropBefore) return 0;
  const double n = std::floor((dropBefore - start) * rate + 0.5);
  return n >= nbSamples ? nbSamples : int(n);
}

void DropLeadingSamples(AVFrame* frame, int count) {
  if (!frame || count <= 0) return;
  if (count > frame->nb_samples) count = frame->nb_samples;
  const int bytes = ff::av_get_bytes_per_sample(AVSampleFormat(frame->format));
  const int channels = frame->ch_layout.nb_channels;
  if (ff::av_sample_fmt_is_planar(AVSampleFormat(frame->format))) {
    for (int c = 0; c < channels; ++c) frame->extended_data[c] += size_t(count) * bytes;
  } else {
    frame->extended_data[0] += size_t(count) * bytes * channels;
  }
  // extended_data is data itself for up to eight planes; otherwise keep the copies in step.
  if (frame->extended_data != frame->data)
    for (int c = 0; c < channels && c < AV_NUM_DATA_POINTERS; ++c) frame->data[c] = frame->extended_data[c];
  frame->nb_samples -= count;
}

bool HoldSoundForPicture(TMediaState* playback) {
  const int64_t generation = playback->AudioClock.Generation();
  if (generation <= 0 || playback->SeekPictureGeneration.load() >= generation) return false;
  // Whether there is video was noted with the request: the stream open and
  // close set the video's fields while the sound plays.
  TSeekRequest::TTarget seek;
  if (!playback->Seek.Of(generation, seek) || std::isnan(seek.DropBefore) || !seek.WithPictures) return false;
  if (playback->VideoEnded.load() || playback->Video.Is(TStreamPhase::Ended)) return false;
  const int64_t carried = playback->Seek.CarriedOutAt(generation);
  return carried == 0 || ClockMicros() - carried < MaxSoundHoldMicros;
}

}  // namespace zv
