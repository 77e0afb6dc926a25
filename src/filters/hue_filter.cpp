#include "filters/hue_filter.h"

#include <cassert>
#include <cmath>
#include <numbers>

#include "runtime/entry_points.h"

namespace zv {

namespace {

constexpr TEqualizerTexts kTexts{"Invalid hue value %d, force to %d\n", "Invalid saturation value %d, force to %d\n",
                                 "hue:%d, saturation %d\n"};

const AVClass kHueClass = EqualizerLogClass("nativehue");

HueContext* Priv(TNativeFilterContext* ctx) { return static_cast<HueContext*>(ctx->priv); }

int HueInit(TNativeFilterContext* ctx, const char* args) {
  HueContext* hue = Priv(ctx);
  return InitEqualizerSettings(ctx, args, kTexts, hue->hue, hue->saturation);
}

// The accepted formats' chroma shifts, without a library call.
bool ChromaShifts(AVPixelFormat format, int32_t* hsub, int32_t* vsub) {
  switch (format) {
    case AV_PIX_FMT_YUV420P: case AV_PIX_FMT_YUVJ420P: *hsub = 1; *vsub = 1; return true;
    case AV_PIX_FMT_YUV422P: case AV_PIX_FMT_YUVJ422P: *hsub = 1; *vsub = 0; return true;
    case AV_PIX_FMT_YUV444P: case AV_PIX_FMT_YUVJ444P: *hsub = 0; *vsub = 0; return true;
    case AV_PIX_FMT_YUV410P: *hsub = 2; *vsub = 2; return true;
    case AV_PIX_FMT_YUV411P: *hsub = 2; *vsub = 0; return true;
    case AV_PIX_FMT_YUV440P: case AV_PIX_FMT_YUVJ440P: *hsub = 0; *vsub = 1; return true;
    default: return false;
  }
}

int HueConfigInput(TNativeFilterContext* ctx, AVPixelFormat format, int, int) {
  HueContext* hue = Priv(ctx);
  if (!ChromaShifts(format, &hue->hsub, &hue->vsub)) return AVERROR(EINVAL);
  return 0;
}

void HueProcess(TNativeFilterContext* ctx, AVFrame* frame) {
  HueContext* hue = Priv(ctx);
  int32_t h, s;
  ReadEqualizerSettings(ctx, kTexts, hue->hue, hue->saturation, &h, &s);
  if (h == 0 && s == 0) return;
  const int width = frame->width >> hue->hsub;
  const int rows = frame->height >> hue->vsub;
  if (frame->linesize[1] == frame->linesize[2]) {
    ProcessChroma(frame->data[1], frame->data[2], frame->linesize[1], width, rows, h, s);
    return;
  }
  // Planes with different row steps: one row at a time, so V is never walked with U's step.
  for (int y = 0; y < rows; ++y)
    ProcessChroma(frame->data[1] + y * frame->linesize[1], frame->data[2] + y * frame->linesize[2], 0, width, 1, h, s);
}

const TNativeFilter kHueFilter = {
    .name = "nativehue",
    .description = "Software video equalizer(hue and saturation)",
    .log_class = &kHueClass,
    .priv_size = sizeof(HueContext),
    .pix_fmts = kEqualizerPixFmts,
    .init = &HueInit,
    .config_input = &HueConfigInput,
    .process = &HueProcess,
    .uninit = nullptr,
};

inline int Clamp8(int x) { return (x & 0x300) ? (x < 0 ? 0 : 255) : x; }

}  // namespace

const TNativeFilter& HueFilter() { return kHueFilter; }

void RegisterHueFilter() {
  assert(ff::av_log && "the libraries must be loaded before the filters are registered");
  RegisterFilter(&kHueFilter);
}

void ProcessChroma(uint8_t* U, uint8_t* V, int Stride, int Width, int Rows, int Hue, int Saturation) {
  const long double angle = Hue * std::numbers::pi_v<long double> / 100;
  const long double k = (Saturation + 100) / 100.0L;
  const int s = static_cast<int>(std::floor(std::sin(angle) * 65536 * k + 0.5L));
  const int c = static_cast<int>(std::floor(std::cos(angle) * 65536 * k + 0.5L));
  for (int y = 0; y < Rows; ++y, U += Stride, V += Stride) {
    for (int i = 0; i < Width; ++i) {
      const int u = U[i] - 128;
      const int v = V[i] - 128;
      U[i] = static_cast<uint8_t>(Clamp8((c * u - s * v + 8421376) >> 16));
      V[i] = static_cast<uint8_t>(Clamp8((s * u + c * v + 8421376) >> 16));
    }
  }
}

}  // namespace zv
