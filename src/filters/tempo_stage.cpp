#include "filters/tempo_stage.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "runtime/entry_points.h"
#include "runtime/media_errors.h"

namespace zv {

double ClampSpeed(double speed) {
  if (std::isnan(speed)) return 1.0;
  return speed < MinSpeed ? MinSpeed : speed > MaxSpeed ? MaxSpeed : speed;
}

bool TTempoStage::Fail(const std::string& what, int code) {
  FLastErrMsg = what + ": " + MediaErrorText(code);
  FGraph.reset();
  FSrc = FSink = nullptr;
  return false;
}

bool TTempoStage::Configure(int sampleRate, int channels, double speed) {
  FGraph.reset();
  FSrc = FSink = nullptr;
  FRate = sampleRate;
  FChannels = channels;
  FSpeed = ClampSpeed(speed);
  FNextPts = 0;
  FLastErrMsg.clear();
  if (sampleRate <= 0 || channels <= 0 || channels > 64) return Fail("Invalid sound for the tempo stage", AVERROR(EINVAL));
  if (FSpeed == 1.0) return true;

  FGraph.reset(ff::avfilter_graph_alloc());
  if (!FGraph) return Fail("Cannot allocate the tempo graph", AVERROR(ENOMEM));
  char args[160];
  std::snprintf(args, sizeof args, "sample_rate=%d:sample_fmt=s16:channel_layout=%dc:time_base=1/%d", sampleRate,
                channels, sampleRate);
  int r = ff::avfilter_graph_create_filter(&FSrc, ff::avfilter_get_by_name("abuffer"), "in", args, nullptr,
                                           FGraph.get());
  if (r < 0) return Fail("Cannot create the tempo source", r);
  r = ff::avfilter_graph_create_filter(&FSink, ff::avfilter_get_by_name("abuffersink"), "out", nullptr, nullptr,
                                       FGraph.get());
  if (r < 0) return Fail("Cannot create the tempo sink", r);

  // One atempo takes 0.5..100: slower speeds are made of halving steps.
  std::string text;
  double rest = FSpeed;
  while (rest < 0.5) {
    text += "atempo=0.5,";
    rest /= 0.5;
  }
  char step[64];
  std::snprintf(step, sizeof step, "atempo=%.6f,aformat=sample_fmts=s16", rest);
  text += step;

  AVFilterInOutPtr outputsOwned(ff::avfilter_inout_alloc());
  AVFilterInOutPtr inputsOwned(ff::avfilter_inout_alloc());
  if (!outputsOwned || !inputsOwned) return Fail("Cannot allocate the tempo graph", AVERROR(ENOMEM));
  AVFilterInOut* outputs = outputsOwned.release();
  AVFilterInOut* inputs = inputsOwned.release();
  outputs->name = ff::av_strdup("in");
  outputs->filter_ctx = FSrc;
  outputs->pad_idx = 0;
  outputs->next = nullptr;
  inputs->name = ff::av_strdup("out");
  inputs->filter_ctx = FSink;
  inputs->pad_idx = 0;
  inputs->next = nullptr;
  r = ff::avfilter_graph_parse_ptr(FGraph.get(), text.c_str(), &inputs, &outputs, nullptr);
  outputsOwned.reset(outputs);
  inputsOwned.reset(inputs);
  if (r < 0) return Fail("Cannot parse the tempo graph", r);
  r = ff::avfilter_graph_config(FGraph.get(), nullptr);
  if (r < 0) return Fail("Cannot configure the tempo graph", r);
  if (!FFrame) FFrame.reset(ff::av_frame_alloc());
  if (!FFrame) return Fail("Cannot allocate a sound frame", AVERROR(ENOMEM));
  return true;
}

bool TTempoStage::Process(const int16_t* in, int frames, std::vector<int16_t>& out) {
  if (frames <= 0) return true;
  if (FSpeed == 1.0) {
    out.insert(out.end(), in, in + size_t(frames) * size_t(FChannels));
    return true;
  }
  if (!FGraph) return false;
  AVFrame* f = FFrame.get();
  ff::av_frame_unref(f);
  f->format = AV_SAMPLE_FMT_S16;
  f->sample_rate = FRate;
  ff::av_channel_layout_default(&f->ch_layout, FChannels);
  f->nb_samples = frames;
  f->pts = FNextPts;
  FNextPts += frames;
  int r = ff::av_frame_get_buffer(f, 0);
  if (r < 0) return Fail("Cannot allocate a sound frame", r);
  std::memcpy(f->data[0], in, size_t(frames) * size_t(FChannels) * sizeof(int16_t));
  r = ff::av_buffersrc_add_frame_flags(FSrc, f, 0);
  ff::av_frame_unref(f);
  if (r < 0) return Fail("Cannot feed the tempo graph", r);
  return Collect(out);
}

bool TTempoStage::Drain(std::vector<int16_t>& out) {
  if (FSpeed == 1.0) return true;
  if (!FGraph) return false;
  const int r = ff::av_buffersrc_add_frame_flags(FSrc, nullptr, 0);
  if (r < 0) return Fail("Cannot end the tempo graph's input", r);
  return Collect(out);
}

bool TTempoStage::Collect(std::vector<int16_t>& out) {
  AVFrame* f = FFrame.get();
  int r;
  for (;;) {
    r = ff::av_buffersink_get_frame(FSink, f);
    if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) break;
    if (r < 0) return Fail("Cannot read the tempo graph", r);
    const auto* s = reinterpret_cast<const int16_t*>(f->data[0]);
    out.insert(out.end(), s, s + size_t(f->nb_samples) * size_t(FChannels));
    ff::av_frame_unref(f);
  }
  return true;
}

}  // namespace zv
