// playback_bench: what playing the 1080p benchmark clip costs against the
// floor of decoding it. Plays kPlaySeconds of the clip in SDL's dummy video
// and audio drivers, with the window's equalizer string and without any
// filters, decodes the same stretch with the same decoder settings and
// nothing else, then times the first picture and keyframe seeks. Each of
// these runs in a fresh process of this program, so its CPU time and peak
// resident set are its own. Prints the details, then one figure a line
// ("name: value") for scripts.
//
// Then the cost of text subtitles (an ASS file beside the clip) and of
// turning and deinterlacing 1080p pictures; "subtitles" or "corrections" as
// the argument runs only those.
//
//   ZELVO_MEDIA_DIR=build/media build/bench/playback_bench [subtitles|corrections]
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <utility>
#include <string>
#include <thread>
#include <vector>

#include "../tools/fixture_list.h"
#include "bench_support.h"
#include "window_phase.h"
#include "correction_phases.h"
#include "subtitle_phases.h"
#include "engine/player.h"
#include "engine/rgb_upload.h"
#include "engine/video_thread.h"
#include "filters/eq_filter.h"
#include "filters/hue_filter.h"
#include "filters/picture_values.h"
#include "runtime/entry_points.h"
#include "runtime/main_thread.h"
#include "runtime/sdl_loader.h"

namespace {

using namespace zv;
using Clock = std::chrono::steady_clock;
using bench::CpuSeconds;
using bench::PeakRssMb;
using bench::WaitServing;

constexpr double kPlaySeconds = 20;
constexpr int kSeeks = 8;

double MillisSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The application window's four settings and its filter string, at the
// window's start-up values.
struct TWindowEqualizer {
  std::atomic<int32_t> Brightness{0}, Contrast{0}, Saturation{0}, Hue{0};
  TWindowEqualizer() {
    for (auto* v : {&Brightness, &Contrast, &Saturation, &Hue}) RegisterPictureValue(v);
  }
  ~TWindowEqualizer() {
    for (auto* v : {&Brightness, &Contrast, &Saturation, &Hue}) UnregisterPictureValue(v);
  }
  std::string Text() const {
    auto addr = [](const std::atomic<int32_t>& v) { return std::to_string(reinterpret_cast<uintptr_t>(&v)); };
    return "nativeeq=" + std::to_string(Brightness.load()) + ":" + std::to_string(Contrast.load()) + ":" +
           addr(Brightness) + ":" + addr(Contrast) + ", nativehue=" + std::to_string(Hue.load()) + ":" +
           std::to_string(Saturation.load()) + ":" + addr(Hue) + ":" + addr(Saturation);
  }
};

struct TPlayResult {
  bool ok = false;
  double cpu = 0;          // s
  double media = 0;        // s played
  double firstPicture = 0; // ms from Open to the first picture shown
  double peakRss = 0;      // MB
  TVideoStats stats;
};

// A player set up as the benchmark runs it; false with the text on stderr.
bool SetUp(TFFPlayer& player, const std::string& filters) {
  if (!player.LoadLibraries("", true)) {
    std::fprintf(stderr, "%s\n", player.LastErrMsg().c_str());
    return false;
  }
  player.SetTriggerEventInMainThread(false);
  player.SetAudioDriver(adDummy);
  player.SetVideoDriver(vdDummy);
  player.SetVideoFilters(filters);
  return true;
}

TPlayResult Play(const std::string& file, const std::string& filters) {
  TPlayResult r;
  TFFPlayer player;
  if (!SetUp(player, filters)) return r;
  std::atomic<bool> ended{false};
  player.SetOnState([&](TFFBaseComponent*, TPlayState ps) {
    if (ps == psEnd) ended = true;
  });
  const double cpu0 = CpuSeconds();
  const auto start = Clock::now();
  if (!player.Open(file, 0, false)) {
    std::fprintf(stderr, "%s\n", player.LastErrMsg().c_str());
    return r;
  }
  // Fine polling only until the first picture: the snapshot is not free.
  if (!WaitServing([&] { return player.VideoStats().Shown > 0; }, 10, std::chrono::microseconds(500))) {
    std::fprintf(stderr, "no picture within 10 s\n");
    player.Stop(true);
    return r;
  }
  r.firstPicture = MillisSince(start);
  // The clip is at least kPlaySeconds long; the end comes first when it is exactly that.
  WaitServing([&] { return ended.load() || MillisSince(start) >= kPlaySeconds * 1000; }, kPlaySeconds * 3,
          std::chrono::milliseconds(20));
  r.stats = player.VideoStats();
  r.cpu = CpuSeconds() - cpu0;
  r.media = r.stats.RecentPts.empty() ? 0 : r.stats.RecentPts.back() + 1.0 / fixtures::kFps;
  player.Stop(true);
  r.peakRss = PeakRssMb();
  r.ok = r.media > 0;
  return r;
}

// Draws decoded pictures the way the player's display does (the texture the
// player would choose in the renderer SDL picks for a window of the picture's
// size), with nothing of the player around it.
class TBareDrawing {
public:
  ~TBareDrawing() {
    if (!FSdl) return;
    if (FTexture) FSdl->SDL_DestroyTexture(FTexture);
    if (FRenderer) FSdl->SDL_DestroyRenderer(FRenderer);
    if (FWindow) FSdl->SDL_DestroyWindow(FWindow);
    FSdl->SDL_Quit();
  }
  bool Open() {
    if (!FLoader.Load("", SDLLibFileName)) {
      std::fprintf(stderr, "%s\n", FLoader.LastErrMsg().c_str());
      return false;
    }
    FSdl = &FLoader.EntryPoints();
    return FSdl->SDL_Init(SDL_INIT_VIDEO) == 0;
  }
  bool Draw(const AVFrame* f) {
    if (!FWindow) {
      FWindow = FSdl->SDL_CreateWindow("bench", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, f->width, f->height,
                                       SDL_WINDOW_RESIZABLE);
      FRenderer = FWindow ? FSdl->SDL_CreateRenderer(FWindow, -1, 0) : nullptr;
      if (!FRenderer) return false;
      FFormat = PictureTextureFormat(*FSdl, FRenderer, FWindow);
      if (FFormat != SDL_PIXELFORMAT_IYUV && !FRgb.Prepare(FFormat, f->width, f->height)) return false;
      FTexture = FSdl->SDL_CreateTexture(FRenderer, FFormat, SDL_TEXTUREACCESS_STREAMING,
                                         FFormat == SDL_PIXELFORMAT_IYUV ? f->width : RgbTextureWidth(f->width),
                                         f->height);
      if (!FTexture) return false;
      FSdl->SDL_SetTextureBlendMode(FTexture, SDL_BLENDMODE_NONE);
    }
    if (FFormat != SDL_PIXELFORMAT_IYUV) {
      if (!FRgb.Upload(*FSdl, FTexture, f)) return false;
    } else {
      FSdl->SDL_UpdateYUVTexture(FTexture, nullptr, f->data[0], f->linesize[0], f->data[1], f->linesize[1],
                                 f->data[2], f->linesize[2]);
    }
    const SDL_Rect picture{0, 0, f->width, f->height};
    FSdl->SDL_RenderCopy(FRenderer, FTexture, &picture, nullptr);
    FSdl->SDL_RenderPresent(FRenderer);
    return true;
  }

private:
  TSDLLoader FLoader;
  const TSDLEntryPoints* FSdl = nullptr;
  SDL_Window* FWindow = nullptr;
  SDL_Renderer* FRenderer = nullptr;
  SDL_Texture* FTexture = nullptr;
  Uint32 FFormat = SDL_PIXELFORMAT_UNKNOWN;
  TRgbUpload FRgb;
};

// A decoder for the stream, opened with the player's settings (the video
// with its decoder threads, the sound with one); nullptr on failure.
AVCodecContext* OpenDecoder(AVStream* st) {
  const AVCodec* codec = ff::avcodec_find_decoder(st->codecpar->codec_id);
  AVCodecContext* ctx = ff::avcodec_alloc_context3(codec);
  if (!ctx || ff::avcodec_parameters_to_context(ctx, st->codecpar) < 0) {
    ff::avcodec_free_context(&ctx);
    return nullptr;
  }
  ctx->pkt_timebase = st->time_base;
  ctx->workaround_bugs = FF_BUG_AUTODETECT;
  ctx->err_recognition = AV_EF_CAREFUL;
  ctx->error_concealment = 3;
  ctx->thread_count = st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO ? DecoderThreadCount(0) : 1;
  if (ff::avcodec_open2(ctx, codec, nullptr) < 0) ff::avcodec_free_context(&ctx);
  return ctx;
}

// Opens the file with its streams probed; the index of its video stream, or
// < 0 (*fc is then closed, or open without a video stream).
int OpenWithVideo(const std::string& file, AVFormatContext** fc) {
  *fc = nullptr;
  if (ff::avformat_open_input(fc, file.c_str(), nullptr, nullptr) < 0) return -1;
  return ff::avformat_find_stream_info(*fc, nullptr) >= 0
             ? ff::av_find_best_stream(*fc, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0)
             : -1;
}

// Decodes the streams the player would play, up to kPlaySeconds, with the
// player's decoder settings, and draws each picture when given a drawing;
// CPU seconds, or < 0.
double DecodeOnly(const std::string& file, double* peakRss, TBareDrawing* drawing = nullptr) {
  const double cpu0 = CpuSeconds();
  AVFormatContext* fc = nullptr;
  if (ff::avformat_open_input(&fc, file.c_str(), nullptr, nullptr) < 0) return -1;
  double result = -1;
  if (ff::avformat_find_stream_info(fc, nullptr) >= 0) {
    const int streams[2] = {ff::av_find_best_stream(fc, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0),
                            ff::av_find_best_stream(fc, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0)};
    AVCodecContext* ctx[2] = {nullptr, nullptr};
    bool ok = streams[0] >= 0;
    for (int i = 0; i < 2 && ok; ++i) {
      if (streams[i] < 0) continue;
      ctx[i] = OpenDecoder(fc->streams[streams[i]]);
      ok = ctx[i] != nullptr;
    }
    AVPacket* pkt = ff::av_packet_alloc();
    AVFrame* frame = ff::av_frame_alloc();
    if (ok && pkt && frame) {
      auto drain = [&](AVCodecContext* c) {
        while (ff::avcodec_receive_frame(c, frame) == 0) {
          if (drawing && c == ctx[0] && !drawing->Draw(frame)) ok = false;
          ff::av_frame_unref(frame);
        }
      };
      while (ff::av_read_frame(fc, pkt) >= 0) {
        for (int i = 0; i < 2; ++i) {
          if (!ctx[i] || pkt->stream_index != streams[i]) continue;
          AVStream* st = fc->streams[streams[i]];
          if (pkt->pts != AV_NOPTS_VALUE && pkt->pts * av_q2d(st->time_base) >= kPlaySeconds) continue;
          ff::avcodec_send_packet(ctx[i], pkt);
          drain(ctx[i]);
        }
        ff::av_packet_unref(pkt);
      }
      for (AVCodecContext* c : ctx) {
        if (!c) continue;
        ff::avcodec_send_packet(c, nullptr);
        drain(c);
      }
      if (ok) result = CpuSeconds() - cpu0;
    }
    ff::av_frame_free(&frame);
    ff::av_packet_free(&pkt);
    for (AVCodecContext*& c : ctx) ff::avcodec_free_context(&c);
  }
  ff::avformat_close_input(&fc);
  *peakRss = PeakRssMb();
  return result;
}

// Timestamps (s) of the video stream's keyframes, read from the file.
std::vector<double> KeyframeTimes(const std::string& file) {
  std::vector<double> times;
  AVFormatContext* fc = nullptr;
  const int video = OpenWithVideo(file, &fc);
  AVPacket* pkt = ff::av_packet_alloc();
  while (video >= 0 && pkt && ff::av_read_frame(fc, pkt) >= 0) {
    if (pkt->stream_index == video && (pkt->flags & AV_PKT_FLAG_KEY) && pkt->pts != AV_NOPTS_VALUE)
      times.push_back(pkt->pts * av_q2d(fc->streams[video]->time_base));
    ff::av_packet_unref(pkt);
  }
  ff::av_packet_free(&pkt);
  ff::avformat_close_input(&fc);
  std::sort(times.begin(), times.end());
  return times;
}

// The floor of a seek: milliseconds from seeking the file to a keyframe
// until the decoder (the player's settings, flushed as a seek flushes it)
// gives its first picture, fed packet after packet. Nothing is drawn.
std::vector<double> DecodeSeekFloor(const std::string& file, const std::vector<double>& targets) {
  std::vector<double> times;
  AVFormatContext* fc = nullptr;
  const int video = OpenWithVideo(file, &fc);
  AVCodecContext* ctx = video >= 0 ? OpenDecoder(fc->streams[video]) : nullptr;
  AVPacket* pkt = ff::av_packet_alloc();
  AVFrame* frame = ff::av_frame_alloc();
  for (size_t i = 0; ctx && pkt && frame && i < targets.size(); ++i) {
    const auto start = Clock::now();
    const int64_t ts = int64_t(std::ceil(targets[i] * AV_TIME_BASE));
    if (ff::avformat_seek_file(fc, -1, INT64_MIN, ts, ts, 0) < 0) break;
    ff::avcodec_flush_buffers(ctx);
    bool got = false;
    while (!got && ff::av_read_frame(fc, pkt) >= 0) {
      if (pkt->stream_index == video) {
        ff::avcodec_send_packet(ctx, pkt);
        got = ff::avcodec_receive_frame(ctx, frame) == 0;
      }
      ff::av_packet_unref(pkt);
    }
    if (!got) break;
    times.push_back(MillisSince(start));
    ff::av_frame_unref(frame);
  }
  ff::av_frame_free(&frame);
  ff::av_packet_free(&pkt);
  ff::avcodec_free_context(&ctx);
  ff::avformat_close_input(&fc);
  if (times.size() != targets.size()) times.clear();
  return times;
}

// Keyframes 1..9 of the 2 s GOPs, each at least two GOPs from the one before.
std::vector<double> SeekTargets(const std::vector<double>& keys) {
  std::vector<double> targets;
  for (int k : {5, 2, 8, 1, 6, 3, 9, 4}) targets.push_back(keys[size_t(k)]);
  return targets;
}

// How far into a GOP the exact seeks aim: its middle, a typical target.
constexpr double kExactSeekOffset = 1.0;

// Milliseconds from Seek to the first picture shown near its target, for
// kSeeks keyframe targets far apart; with exact, to the picture at
// kExactSeekOffset after each keyframe, by exact seeks. Empty on failure.
std::vector<double> TimeSeeks(const std::string& file, const std::string& filters, bool exact = false) {
  std::vector<double> times;
  const std::vector<double> keys = KeyframeTimes(file);
  if (keys.size() < 10) {
    std::fprintf(stderr, "the clip has %zu keyframes, the seeks need 10\n", keys.size());
    return times;
  }
  TFFPlayer player;
  if (!SetUp(player, filters)) return times;
  if (!player.Open(file, 0, false) ||
      !WaitServing([&] { return player.VideoStats().Shown > 0; }, 10, std::chrono::milliseconds(1))) {
    std::fprintf(stderr, "seek playback did not start: %s\n", player.LastErrMsg().c_str());
    player.Stop(true);
    return times;
  }
  for (double key : SeekTargets(keys)) {
    const double t = exact ? key + kExactSeekOffset : key;
    const int64_t shownBefore = player.VideoStats().Shown;
    const auto start = Clock::now();
    if (exact)
      player.Seek({sfExact}, false, int64_t(std::ceil(t * 1e6)));
    else
      player.Seek({}, false, int64_t(std::ceil(t * 1e6)));
    // The exact seek's first picture is the one on screen at t: within a picture's time before it.
    const double earliest = exact ? t - 1.0 / fixtures::kFps : t - 0.01;
    bool seen = WaitServing(
        [&] {
          TVideoStats s = player.VideoStats();
          return s.Shown > shownBefore && !s.RecentPts.empty() && s.RecentPts.back() > earliest &&
                 s.RecentPts.back() < t + 0.5;
        },
        10, std::chrono::microseconds(500));
    if (!seen) {
      std::fprintf(stderr, "no picture near %.3f s after the seek\n", t);
      times.clear();
      break;
    }
    times.push_back(MillisSince(start));
    // Let it play a little, as a user would before the next seek.
    WaitServing([] { return false; }, 0.3, std::chrono::milliseconds(20));
  }
  player.Stop(true);
  return times;
}

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// One phase in this process: prints "key value" lines; 0 when it worked.
int RunPhase(const std::string& phase) {
  if (phase.rfind("window_", 0) == 0) {
    if (!bench::LoadPlayerLibraries()) return 1;
    return bench::RunWindowPhase(phase, bench::MediaFile(std::string(fixtures::kHd1080pMkv)), kPlaySeconds);
  }
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  if (!bench::LoadPlayerLibraries()) return 1;
  RegisterEqFilter();
  RegisterHueFilter();
  const std::string file = bench::MediaFile(std::string(fixtures::kHd1080pMkv));
  TWindowEqualizer window;
  if (phase == "eq" || phase == "plain") {
    const TPlayResult r = Play(file, phase == "eq" ? window.Text() : "");
    if (!r.ok) return 1;
    std::printf("cpu %.6f\nmedia %.6f\nfirst %.3f\nrss %.3f\nshown %lld\ndecoded %lld\n", r.cpu, r.media,
                r.firstPicture, r.peakRss, (long long)r.stats.Shown, (long long)r.stats.Decoded);
    return 0;
  }
  if (phase == "decode" || phase == "draw") {
    double rss = 0;
    TBareDrawing drawing;
    if (phase == "draw" && !drawing.Open()) return 1;
    const double cpu = DecodeOnly(file, &rss, phase == "draw" ? &drawing : nullptr);
    if (cpu <= 0) return 1;
    std::printf("cpu %.6f\nmedia %.6f\nrss %.3f\n", cpu, kPlaySeconds, PeakRssMb());
    return 0;
  }
  if (phase == "seek") {
    const std::vector<double> seeks = TimeSeeks(file, window.Text());
    for (double t : seeks) std::printf("seek %.3f\n", t);
    return seeks.size() == size_t(kSeeks) ? 0 : 1;
  }
  if (phase == "exact_seek") {
    const std::vector<double> seeks = TimeSeeks(file, window.Text(), true);
    for (double t : seeks) std::printf("seek %.3f\n", t);
    return seeks.size() == size_t(kSeeks) ? 0 : 1;
  }
  if (phase == "seek_floor") {
    const std::vector<double> keys = KeyframeTimes(file);
    const std::vector<double> floor = keys.size() >= 10 ? DecodeSeekFloor(file, SeekTargets(keys)) : std::vector<double>{};
    for (double t : floor) std::printf("floor %.3f\n", t);
    return floor.size() == size_t(kSeeks) ? 0 : 1;
  }
  if (const int r = bench::RunSubtitlePhase(phase, file); r >= 0) return r;
  if (const int r = bench::RunCorrectionPhase(phase); r >= 0) return r;
  std::fprintf(stderr, "unknown phase %s\n", phase.c_str());
  return 2;
}

// What a phase process printed: values by key, repeated keys in order.
struct TPhaseOutput {
  bool ok = false;
  std::vector<std::pair<std::string, double>> values;
  double Get(const std::string& key) const {
    for (const auto& [k, v] : values)
      if (k == key) return v;
    return 0;
  }
  std::vector<double> All(const std::string& key) const {
    std::vector<double> out;
    for (const auto& [k, v] : values)
      if (k == key) out.push_back(v);
    return out;
  }
};

TPhaseOutput RunPhaseProcess(const std::string& self, const std::string& phase) {
  TPhaseOutput out;
  const std::string command = "'" + self + "' --phase " + phase;
  FILE* p = popen(command.c_str(), "r");
  if (!p) return out;
  char line[256], key[64];
  double value;
  while (std::fgets(line, sizeof line, p))
    if (std::sscanf(line, "%63s %lf", key, &value) == 2) out.values.emplace_back(key, value);
  out.ok = pclose(p) == 0;
  if (!out.ok) std::fprintf(stderr, "the %s phase failed\n", phase.c_str());
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--phase") return RunPhase(argv[2]);
  char self[4096];
  const ssize_t n = readlink("/proc/self/exe", self, sizeof(self) - 1);
  if (n <= 0) return 1;
  self[n] = 0;
  // The subtitle and picture-correction figures, alone ("subtitles",
  // "corrections") or after the others.
  const bench::TRunPhase runPhase = [&](const std::string& phase) {
    const TPhaseOutput o = RunPhaseProcess(self, phase);
    return o.ok ? o.values : std::vector<std::pair<std::string, double>>{};
  };
  if (argc == 2 && std::string(argv[1]) == "subtitles") return bench::ReportSubtitlePhases(runPhase) ? 0 : 1;
  if (argc == 2 && std::string(argv[1]) == "corrections") return bench::ReportCorrectionPhases(runPhase) ? 0 : 1;

  std::printf("file: %s (%d s of 1920x1080 at %d fps with a 2 s GOP, AAC stereo), %g s played, decoder threads %d\n",
              bench::MediaFile(std::string(fixtures::kHd1080pMkv)).c_str(), fixtures::kHd1080pSeconds, fixtures::kFps,
              kPlaySeconds, DecoderThreadCount(0));
  std::fflush(stdout);
  const TPhaseOutput eq = RunPhaseProcess(self, "eq");
  const TPhaseOutput plain = RunPhaseProcess(self, "plain");
  const TPhaseOutput decode = RunPhaseProcess(self, "decode");
  const TPhaseOutput draw = RunPhaseProcess(self, "draw");
  const TPhaseOutput seek = RunPhaseProcess(self, "seek");
  const TPhaseOutput seekFloor = RunPhaseProcess(self, "seek_floor");
  const TPhaseOutput exactSeek = RunPhaseProcess(self, "exact_seek");
  if (!eq.ok || !plain.ok || !decode.ok || !draw.ok || !seek.ok || !seekFloor.ok || !exactSeek.ok) return 1;

  const double decodePerMedia = decode.Get("cpu") / decode.Get("media");
  for (const auto& [name, r] : {std::pair{"player with the window's equalizer string", &eq},
                                std::pair{"player without filters", &plain}}) {
    std::printf("%s: %.3f CPU s per media s (%.2f CPU s over %.2f media s), %.0f shown, %.0f decoded, "
                "peak RSS %.0f MB, first picture %.0f ms\n",
                name, r->Get("cpu") / r->Get("media"), r->Get("cpu"), r->Get("media"), r->Get("shown"),
                r->Get("decoded"), r->Get("rss"), r->Get("first"));
  }
  std::printf("decoding only: %.3f CPU s per media s (%.2f CPU s over %.0f media s), peak RSS %.0f MB\n",
              decodePerMedia, decode.Get("cpu"), decode.Get("media"), decode.Get("rss"));
  std::printf("decoding and drawing each picture as the player draws it, nothing else: %.3f CPU s per media s (%.2f CPU s)\n",
              draw.Get("cpu") / draw.Get("media"), draw.Get("cpu"));
  const std::vector<double> seeks = seek.All("seek");
  std::printf("keyframe seeks, Seek to the picture shown (ms):");
  for (double t : seeks) std::printf(" %.0f", t);
  std::printf("\n");
  const std::vector<double> floor = seekFloor.All("floor");
  std::printf("the same seeks in the decoder alone, to its first picture (ms):");
  for (double t : floor) std::printf(" %.0f", t);
  std::printf("\n");
  const std::vector<double> exacts = exactSeek.All("seek");
  std::printf("exact seeks %.1f s after the same keyframes, Seek to the target's picture shown (ms):", kExactSeekOffset);
  for (double t : exacts) std::printf(" %.0f", t);
  std::printf("\n");

  std::printf("playback_cpu_ratio_eq: %.2f\n", eq.Get("cpu") / eq.Get("media") / decodePerMedia);
  std::printf("playback_cpu_ratio_plain: %.2f\n", plain.Get("cpu") / plain.Get("media") / decodePerMedia);
  std::printf("peak_rss_mb: %.0f\n", std::max(eq.Get("rss"), plain.Get("rss")));
  std::printf("first_picture_ms: %.0f\n", eq.Get("first"));
  std::printf("seek_median_ms: %.0f\n", Median(seeks));
  // The floors the player cannot go below, for reading the figures above.
  std::printf("draw_cpu_ratio: %.2f\n", draw.Get("cpu") / draw.Get("media") / decodePerMedia);
  std::printf("seek_floor_median_ms: %.0f\n", Median(floor));
  std::printf("exact_seek_median_ms: %.0f\n", Median(exacts));
  std::printf("exact_to_keyframe_seek_ratio: %.2f\n", Median(seeks) > 0 ? Median(exacts) / Median(seeks) : 0.0);
  // The figures read against their floors.
  std::printf("plain_over_draw_cpu_ratio: %.2f\n",
              (plain.Get("cpu") / plain.Get("media")) / (draw.Get("cpu") / draw.Get("media")));
  std::printf("seek_over_floor_ms: %.0f\n", Median(seeks) - Median(floor));
  std::fflush(stdout);
  const bool window = bench::RunWindowPhases(self, decodePerMedia);
  std::fflush(stdout);
  const bool subtitles = bench::ReportSubtitlePhases(runPhase);
  std::fflush(stdout);
  const bool corrections = bench::ReportCorrectionPhases(runPhase);
  return window && subtitles && corrections ? 0 : 1;
}
