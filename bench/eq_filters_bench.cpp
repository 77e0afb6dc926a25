// The engine's equalizer stages against the library's eq and hue filters on
// the same 1080p pictures and against a plain copy of their bytes, and the
// raw per-byte cost of the two maps.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "bench_support.h"
#include "filters/eq_filter.h"
#include "filters/filter_pipeline.h"
#include "filters/hue_filter.h"
#include "runtime/entry_points.h"
#include "runtime/library_loader.h"
#include "runtime/main_thread.h"

namespace {

using namespace zv;

constexpr int kW = 1920, kH = 1080;

bool Libraries() {
  static const bool ok = [] {
    if (!bench::LoadPlayerLibraries()) return false;
    RegisterEqFilter();
    RegisterHueFilter();
    return true;
  }();
  return ok;
}

AVFrame* Picture(int index) {
  AVFrame* f = ff::av_frame_alloc();
  f->width = kW;
  f->height = kH;
  f->format = AV_PIX_FMT_YUV420P;
  ff::av_frame_get_buffer(f, 0);
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) f->data[0][y * f->linesize[0] + x] = uint8_t((x + y + index) & 0xFF);
  for (int p = 1; p < 3; ++p)
    for (int y = 0; y < kH / 2; ++y)
      for (int x = 0; x < kW / 2; ++x) f->data[p][y * f->linesize[p] + x] = uint8_t((x * p + y + index) & 0xFF);
  f->sample_aspect_ratio = {1, 1};
  return f;
}

// Seconds spent pushing and pulling n pictures through a pipeline built from text.
double RunPipeline(const std::string& text, const std::vector<AVFrame*>& pictures, benchmark::State& state) {
  TVideoFilterPipeline p;
  if (p.Open(kW, kH, AV_PIX_FMT_YUV420P, {1, 25}, {1, 1}, text) < 0) {
    state.SkipWithError(p.LastErrMsg().c_str());
    return 0;
  }
  AVFrame* out = ff::av_frame_alloc();
  auto start = std::chrono::steady_clock::now();
  int64_t pts = 0;
  for (AVFrame* in : pictures) {
    in->pts = pts++;
    p.Push(in);
    while (p.Pull(out) == 0) {
      benchmark::DoNotOptimize(out->data[0][0]);
      ff::av_frame_unref(out);
    }
  }
  double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  ff::av_frame_free(&out);
  return s;
}

// Seconds spent copying the pictures' bytes (all planes) into another picture.
double RunCopy(const std::vector<AVFrame*>& pictures, AVFrame* dst) {
  auto start = std::chrono::steady_clock::now();
  for (AVFrame* in : pictures) {
    ff::av_image_copy(dst->data, dst->linesize, const_cast<const uint8_t**>(in->data), in->linesize,
                      AV_PIX_FMT_YUV420P, kW, kH);
    benchmark::DoNotOptimize(dst->data[0][0]);
  }
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Both filters, and a plain copy of the same bytes, over the same pictures in
// every iteration; the counters give the milliseconds per picture, the native
// stage's time over the library filter's, and the native stage's bandwidth as
// a share of the copy's.
void CompareWithLibrary(benchmark::State& state, const std::string& native, const std::string& library) {
  if (!Libraries()) return state.SkipWithError("libraries not loaded");
  std::vector<AVFrame*> pictures;
  for (int i = 0; i < 8; ++i) pictures.push_back(Picture(i));
  AVFrame* copy = Picture(0);
  double nativeTotal = 0, libraryTotal = 0, copyTotal = 0;
  for (auto _ : state) {
    nativeTotal += RunPipeline(native, pictures, state);
    libraryTotal += RunPipeline(library, pictures, state);
    copyTotal += RunCopy(pictures, copy);
  }
  const double n = double(state.iterations()) * double(pictures.size());
  state.counters["native_ms"] = nativeTotal * 1000 / n;
  state.counters["library_ms"] = libraryTotal * 1000 / n;
  state.counters["memcpy_ms"] = copyTotal * 1000 / n;
  state.counters["native_over_library"] = libraryTotal > 0 ? nativeTotal / libraryTotal : 0;
  state.counters["native_share_of_memcpy_bw"] = nativeTotal > 0 ? copyTotal / nativeTotal : 0;
  ff::av_frame_free(&copy);
  for (AVFrame* f : pictures) ff::av_frame_free(&f);
}

void BM_NativeEqVsLibraryEq(benchmark::State& state) {
  // Same settings: brightness 20 is about +0.1 of the range, contrast -30 is 0.7.
  CompareWithLibrary(state, "nativeeq=20:-30", "eq=brightness=0.1:contrast=0.7");
}
BENCHMARK(BM_NativeEqVsLibraryEq)->Unit(benchmark::kMillisecond);

void BM_NativeHueVsLibraryHue(benchmark::State& state) {
  // Hue 10 turns by 18 degrees, saturation 20 scales by 1.2.
  CompareWithLibrary(state, "nativehue=10:20", "hue=h=18:s=1.2");
}
BENCHMARK(BM_NativeHueVsLibraryHue)->Unit(benchmark::kMillisecond);

void BM_ProcessLuma(benchmark::State& state) {
  std::vector<uint8_t> plane(size_t(kW) * kH);
  for (size_t i = 0; i < plane.size(); ++i) plane[i] = uint8_t(i * 7);
  for (auto _ : state) {
    ProcessLuma(plane.data(), kW, kW, kH, 20, -30);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(plane.size()));
}
BENCHMARK(BM_ProcessLuma);

void BM_ProcessChroma(benchmark::State& state) {
  const int w = kW / 2, h = kH / 2;
  std::vector<uint8_t> u(size_t(w) * h), v(size_t(w) * h);
  for (size_t i = 0; i < u.size(); ++i) {
    u[i] = uint8_t(i * 3);
    v[i] = uint8_t(i * 5);
  }
  for (auto _ : state) {
    ProcessChroma(u.data(), v.data(), w, w, h, 10, 20);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(u.size() + v.size()));
}
BENCHMARK(BM_ProcessChroma);

}  // namespace
