#include "filters/eq_filter.h"

#include <cassert>

#include "runtime/entry_points.h"

namespace zv {

namespace {

constexpr TEqualizerTexts kTexts{"Invalid brightness value %d, force to %d\n", "Invalid contrast value %d, force to %d\n",
                                 "brightness:%d, contrast %d\n"};

const AVClass kEqClass = EqualizerLogClass("nativeeq");

EqContext* Priv(TNativeFilterContext* ctx) { return static_cast<EqContext*>(ctx->priv); }

int EqInit(TNativeFilterContext* ctx, const char* args) {
  EqContext* eq = Priv(ctx);
  int r = InitEqualizerSettings(ctx, args, kTexts, eq->brightness, eq->contrast);
  if (r < 0) return r;
  eq->process = eq->brightness.shared || eq->contrast.shared || eq->brightness.last != 0 || eq->contrast.last != 0;
  return 0;
}

void EqProcess(TNativeFilterContext* ctx, AVFrame* frame) {
  EqContext* eq = Priv(ctx);
  int32_t b, c;
  ReadEqualizerSettings(ctx, kTexts, eq->brightness, eq->contrast, &b, &c);
  if (eq->process && (b != 0 || c != 0))
    ProcessLuma(frame->data[0], frame->linesize[0], frame->width, frame->height, b, c);
}

const TNativeFilter kEqFilter = {
    .name = "nativeeq",
    .description = "Software video equalizer(brightness and contrast)",
    .log_class = &kEqClass,
    .priv_size = sizeof(EqContext),
    .pix_fmts = kEqualizerPixFmts,
    .init = &EqInit,
    .config_input = nullptr,
    .process = &EqProcess,
    .uninit = nullptr,
};

}  // namespace

const TNativeFilter& EqFilter() { return kEqFilter; }

void RegisterEqFilter() {
  assert(ff::av_log && "the libraries must be loaded before the filters are registered");
  RegisterFilter(&kEqFilter);
}

void ProcessLuma(uint8_t* Data, int Stride, int Width, int Rows, int Brightness, int Contrast) {
  const int factor = ((Contrast + 100) * 65536) / 100;
  const int offset = ((Brightness + 100) * 511) / 200 - 128 - (factor >> 9);
  for (int y = 0; y < Rows; ++y, Data += Stride) {
    for (int x = 0; x < Width; ++x) {
      int v = ((Data[x] * factor) >> 16) + offset;
      Data[x] = static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
    }
  }
}

}  // namespace zv
