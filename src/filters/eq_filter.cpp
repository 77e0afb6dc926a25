#include "filters/eq_filter.h"

#include "runtime/entry_points.h"
#include "runtime/programming_check.h"

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

bool EqPrepare(TNativeFilterContext* ctx) {
  EqContext* eq = Priv(ctx);
  int32_t b, c;
  ReadEqualizerSettings(ctx, kTexts, eq->brightness, eq->contrast, &b, &c);
  if (!eq->process || (b == 0 && c == 0)) return false;
  if (!eq->mapValid || b != eq->mapBrightness || c != eq->mapContrast) {
    eq->map = MakeLumaMap(b, c);
    eq->mapBrightness = b;
    eq->mapContrast = c;
    eq->mapValid = true;
  }
  return true;
}

void EqApply(TNativeFilterContext* ctx, const AVFrame* src, AVFrame* dst) {
  MapLuma(src->data[0], src->linesize[0], dst->data[0], dst->linesize[0], src->width, src->height, Priv(ctx)->map);
}

const TNativeFilter kEqFilter = {
    .name = "nativeeq",
    .description = "Software video equalizer(brightness and contrast)",
    .log_class = &kEqClass,
    .priv_size = sizeof(EqContext),
    .pix_fmts = kEqualizerPixFmts,
    .init = &EqInit,
    .config_input = nullptr,
    .prepare = &EqPrepare,
    .apply = &EqApply,
    .planes = 1u << 0,
    .uninit = nullptr,
};

}  // namespace

const TNativeFilter& EqFilter() { return kEqFilter; }

void RegisterEqFilter() {
  ZV_CHECK(ff::av_log, "the libraries must be loaded before the filters are registered");
  RegisterFilter(&kEqFilter);
}

void ProcessLuma(uint8_t* Data, int Stride, int Width, int Rows, int Brightness, int Contrast) {
  MapLuma(Data, Stride, Data, Stride, Width, Rows, MakeLumaMap(Brightness, Contrast));
}

}  // namespace zv
