#pragma once
// What the two equalizer filters share: where each of their two settings is
// read from, the parameter text, and the per-picture read with clamp and report.
#include <atomic>
#include <cstdint>

#include "filters/native_filter.h"
#include "runtime/av_headers.h"

namespace zv {

// The planar YUV formats both filters accept.
inline constexpr AVPixelFormat kEqualizerPixFmts[] = {
    AV_PIX_FMT_YUV420P,  AV_PIX_FMT_YUV422P,  AV_PIX_FMT_YUV444P,  AV_PIX_FMT_YUV410P,
    AV_PIX_FMT_YUV411P,  AV_PIX_FMT_YUV440P,  AV_PIX_FMT_YUVJ420P, AV_PIX_FMT_YUVJ422P,
    AV_PIX_FMT_YUVJ444P, AV_PIX_FMT_YUVJ440P, AV_PIX_FMT_NONE};

// The log class of a filter named name, so its lines carry "[name @ ...]".
constexpr AVClass EqualizerLogClass(const char* name) {
  return AVClass{
      .class_name = name,
      .item_name = &NativeFilterItemName,
      .option = nullptr,
      .version = LIBAVUTIL_VERSION_INT,
      .log_level_offset_offset = 0,
      .parent_log_context_offset = 0,
      .category = AV_CLASS_CATEGORY_FILTER,
      .get_category = nullptr,
      .query_ranges = nullptr,
      .child_next = nullptr,
      .child_class_iterate = nullptr,
  };
}

// One setting (-100..100): the instance's own value, or a registered
// application value read again for every picture.
struct TEqualizerSetting {
  std::atomic<int32_t>* shared = nullptr;
  int32_t own = 0;
  int32_t last = 0;  // value last reported in the debug log
};

// The texts a filter logs, printf style: invalid gets (old, new), changed gets
// (first, second).
struct TEqualizerTexts {
  const char* invalidFirst;
  const char* invalidSecond;
  const char* changed;
};

// Parses "first:second:firstAddress:secondAddress" (each part optional, args
// may be null), clamps both values and logs through logCtx as the filters'
// init does. 0, or AVERROR(EINVAL) after an error line for a part that is not
// a decimal number or an address that names no registered picture value.
int InitEqualizerSettings(void* logCtx, const char* args, const TEqualizerTexts& texts, TEqualizerSetting& first,
                          TEqualizerSetting& second);

// Reads both settings once for a picture, clamping out-of-range values in
// place and logging as the filters do; the values to use are returned.
void ReadEqualizerSettings(void* logCtx, const TEqualizerTexts& texts, TEqualizerSetting& first,
                           TEqualizerSetting& second, int32_t* firstValue, int32_t* secondValue);

}  // namespace zv
