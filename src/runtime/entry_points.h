#pragma once
// Process-wide entry-point tables of the media libraries: one pointer per
// function the program calls, typed from the library headers, nil until the
// loader binds the library and nil again after it unloads it. Call them as
// ff::name(...); the headers' own functions are never linked.
#include "runtime/av_headers.h"

namespace ff {
#define ZV_FN(n) inline decltype(&::n) n = nullptr;
#define ZV_OPT(n) ZV_FN(n)
#define ZV_VAR(n) inline decltype(&::n) n = nullptr;
#include "runtime/entry_points_avutil.inc"
#include "runtime/entry_points_swresample.inc"
#include "runtime/entry_points_swscale.inc"
#include "runtime/entry_points_avcodec.inc"
#include "runtime/entry_points_avformat.inc"
#include "runtime/entry_points_avfilter.inc"
#include "runtime/entry_points_avdevice.inc"
#undef ZV_FN
#undef ZV_OPT
#undef ZV_VAR
}  // namespace ff
