#include "filters/hue_filter.h"

#include <cstddef>

#include "runtime/entry_points.h"
#include "runtime/programming_check.h"

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

bool HuePrepare(TNativeFilterContext* ctx) {
  HueContext* hue = Priv(ctx);
  int32_t h, s;
  ReadEqualizerSettings(ctx, kTexts, hue->hue, hue->saturation, &h, &s);
  if (h == 0 && s == 0) return false;
  if (!hue->rotationValid || h != hue->rotationHue || s != hue->rotationSaturation) {
    hue->rotation = MakeChromaRotation(h, s);
    hue->rotationHue = h;
    hue->rotationSaturation = s;
    hue->rotationValid = true;
  }
  return true;
}

void HueApply(TNativeFilterContext* ctx, const AVFrame* src, AVFrame* dst) {
  HueContext* hue = Priv(ctx);
  const int width = src->width >> hue->hsub;
  const int rows = src->height >> hue->vsub;
  RotateChroma(src->data[1], src->linesize[1], src->data[2], src->linesize[2], dst->data[1], dst->linesize[1],
               dst->data[2], dst->linesize[2], width, rows, hue->rotation);
  if (src == dst) return;
  // Odd sizes leave a last chroma column and row untouched; they still belong in dst.
  const int fullWidth = -((-src->width) >> hue->hsub);
  const int fullRows = -((-src->height) >> hue->vsub);
  for (int p = 1; p <= 2; ++p) {
    CopyPlane(src->data[p] + width, src->linesize[p], dst->data[p] + width, dst->linesize[p], fullWidth - width, rows);
    CopyPlane(src->data[p] + ptrdiff_t(rows) * src->linesize[p], src->linesize[p],
              dst->data[p] + ptrdiff_t(rows) * dst->linesize[p], dst->linesize[p], fullWidth, fullRows - rows);
  }
}

const TNativeFilter kHueFilter = {
    .name = "nativehue",
    .description = "Software video equalizer(hue and saturation)",
    .log_class = &kHueClass,
    .priv_size = sizeof(HueContext),
    .pix_fmts = kEqualizerPixFmts,
    .init = &HueInit,
    .config_input = &HueConfigInput,
    .prepare = &HuePrepare,
    .apply = &HueApply,
    .planes = (1u << 1) | (1u << 2),
    .uninit = nullptr,
};

}  // namespace

const TNativeFilter& HueFilter() { return kHueFilter; }

void RegisterHueFilter() {
  ZV_CHECK(ff::av_log, "the libraries must be loaded before the filters are registered");
  RegisterFilter(&kHueFilter);
}

void ProcessChroma(uint8_t* U, uint8_t* V, int Stride, int Width, int Rows, int Hue, int Saturation) {
  RotateChroma(U, Stride, V, Stride, U, Stride, V, Stride, Width, Rows, MakeChromaRotation(Hue, Saturation));
}

}  // namespace zv
