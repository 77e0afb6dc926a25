#include "filters/filter_pipeline.h"

#include <cstdio>

#include "filters/equalizer_kernels.h"
#include "runtime/entry_points.h"

namespace zv {

namespace {

// Row alignment of the pictures the native stages write: whole vectors for
// the widest loop the kernels use.
constexpr int kPlaneAlign = 64;

// Names of the formats the native filters may accept; the splitter must work
// before the libraries are loaded.
struct FormatName {
  AVPixelFormat format;
  const char* name;
};
constexpr FormatName kFormatNames[] = {
    {AV_PIX_FMT_YUV420P, "yuv420p"},   {AV_PIX_FMT_YUV422P, "yuv422p"},   {AV_PIX_FMT_YUV444P, "yuv444p"},
    {AV_PIX_FMT_YUV410P, "yuv410p"},   {AV_PIX_FMT_YUV411P, "yuv411p"},   {AV_PIX_FMT_YUV440P, "yuv440p"},
    {AV_PIX_FMT_YUVJ420P, "yuvj420p"}, {AV_PIX_FMT_YUVJ422P, "yuvj422p"}, {AV_PIX_FMT_YUVJ444P, "yuvj444p"},
    {AV_PIX_FMT_YUVJ440P, "yuvj440p"},
};

const char* PixFmtName(AVPixelFormat format) {
  for (const auto& f : kFormatNames)
    if (f.format == format) return f.name;
  return ff::av_get_pix_fmt_name ? ff::av_get_pix_fmt_name(format) : nullptr;
}

AVPixelFormat PixFmtByName(const std::string& name) {
  for (const auto& f : kFormatNames)
    if (name == f.name) return f.format;
  return ff::av_get_pix_fmt ? ff::av_get_pix_fmt(name.c_str()) : AV_PIX_FMT_NONE;
}

std::string Trim(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
  return s.substr(b, e - b);
}

// Splits at top-level commas (outside quotes and escapes); *linear is false
// when the text uses labels or several chains.
std::vector<std::string> SplitItems(const std::string& text, bool* linear) {
  std::vector<std::string> items;
  std::string cur;
  bool quoted = false;
  *linear = true;
  for (size_t i = 0; i < text.size(); ++i) {
    char ch = text[i];
    if (ch == '\\' && i + 1 < text.size()) {
      cur += ch;
      cur += text[++i];
      continue;
    }
    if (ch == '\'') quoted = !quoted;
    if (!quoted) {
      if (ch == ',') {
        items.push_back(Trim(cur));
        cur.clear();
        continue;
      }
      if (ch == ';' || ch == '[') *linear = false;
    }
    cur += ch;
  }
  items.push_back(Trim(cur));
  return items;
}

std::string ItemName(const std::string& item) { return Trim(item.substr(0, item.find('='))); }

bool FormatsWithin(const TNativeFilter* inner, const TNativeFilter* outer) {
  for (const AVPixelFormat* p = inner->pix_fmts; *p != AV_PIX_FMT_NONE; ++p)
    if (!AcceptsPixelFormat(outer, *p)) return false;
  return true;
}

// True when item is a "format" filter that lets only formats of f pass.
bool RestrictsTo(const std::string& item, const TNativeFilter* f) {
  size_t eq = item.find('=');
  if (eq == std::string::npos || ItemName(item) != "format") return false;
  std::string list = Trim(item.substr(eq + 1));
  if (list.rfind("pix_fmts=", 0) == 0) list = list.substr(9);
  if (list.empty() || list.find_first_of(":'\\") != std::string::npos) return false;
  size_t start = 0;
  while (start <= list.size()) {
    size_t bar = list.find('|', start);
    std::string name = Trim(list.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
    if (!AcceptsPixelFormat(f, PixFmtByName(name))) return false;
    if (bar == std::string::npos) break;
    start = bar + 1;
  }
  return true;
}

std::string Join(const std::vector<std::string>& items) {
  std::string s;
  for (const auto& i : items) {
    if (!s.empty()) s += ",";
    s += i;
  }
  return s;
}

std::string ErrorText(int code) {
  char buf[AV_ERROR_MAX_STRING_SIZE] = {0};
  if (!ff::av_strerror || ff::av_strerror(code, buf, sizeof(buf)) < 0)
    std::snprintf(buf, sizeof(buf), "Error number %d occurred", code);
  return buf;
}

// Points dst's plane p at src's and makes dst hold a reference to the buffer
// behind it; false when that buffer is not among src's or dst has no room.
bool SharePlane(const AVFrame* src, AVFrame* dst, int p) {
  const auto at = reinterpret_cast<uintptr_t>(src->data[p]);
  AVBufferRef* owner = nullptr;
  for (AVBufferRef* b : src->buf) {
    const auto begin = b ? reinterpret_cast<uintptr_t>(b->data) : 0;
    if (b && at >= begin && at - begin < b->size) owner = b;
  }
  if (!owner) return false;
  bool held = false;
  int slot = -1;
  for (int i = 0; i < AV_NUM_DATA_POINTERS; ++i) {
    if (!dst->buf[i]) {
      if (slot < 0) slot = i;
    } else if (dst->buf[i]->buffer == owner->buffer) {
      held = true;
    }
  }
  if (!held && (slot < 0 || !(dst->buf[slot] = ff::av_buffer_ref(owner)))) return false;
  dst->data[p] = src->data[p];
  dst->linesize[p] = src->linesize[p];
  return true;
}

}  // namespace

std::string FormatRestriction(const TNativeFilter* filter) {
  std::string s = "format=";
  bool first = true;
  for (const AVPixelFormat* p = filter->pix_fmts; *p != AV_PIX_FMT_NONE; ++p) {
    const char* name = PixFmtName(*p);
    if (!name) continue;
    if (!first) s += "|";
    s += name;
    first = false;
  }
  return s;
}

std::string SwsFlagsOptions(int swsFlags) {
  static constexpr struct {
    int flag;
    const char* name;
  } kNames[] = {{SWS_FAST_BILINEAR, "fast_bilinear"}, {SWS_BILINEAR, "bilinear"}, {SWS_BICUBIC, "bicubic"},
                {SWS_X, "experimental"},             {SWS_POINT, "neighbor"},     {SWS_AREA, "area"},
                {SWS_BICUBLIN, "bicublin"},          {SWS_GAUSS, "gauss"},        {SWS_SINC, "sinc"},
                {SWS_LANCZOS, "lanczos"},            {SWS_SPLINE, "spline"},      {SWS_ACCURATE_RND, "accurate_rnd"},
                {SWS_FULL_CHR_H_INT, "full_chroma_int"}, {SWS_FULL_CHR_H_INP, "full_chroma_inp"},
                {SWS_BITEXACT, "bitexact"}};
  std::string s;
  unsigned rest = static_cast<unsigned>(swsFlags);
  for (const auto& n : kNames) {
    if (rest & unsigned(n.flag)) {
      if (!s.empty()) s += "+";
      s += n.name;
      rest &= ~unsigned(n.flag);
    }
  }
  if (rest || s.empty()) {
    if (!s.empty()) s += "+";
    s += std::to_string(rest);
  }
  return "flags=" + s;
}

bool ParseVideoFilters(const std::string& filters, std::vector<TFilterStep>& steps, std::string* err) {
  steps.clear();
  if (Trim(filters).empty()) return true;
  bool linear;
  std::vector<std::string> items = SplitItems(filters, &linear);
  bool anyNative = false;
  for (const auto& item : items) {
    // Chains and labels count too: a native filter there must be refused, not lost.
    std::string name;
    for (char ch : item + ";") {
      if (ch == ';' || ch == '[' || ch == ']' || ch == '=') {
        if (FindNativeFilter(Trim(name))) anyNative = true;
        name.clear();
        if (ch == '=') break;
      } else {
        name += ch;
      }
    }
  }
  if (!anyNative) {
    steps.push_back(TFilterStep{TFilterStep::fsSegment, filters, nullptr, {}, false});
    return true;
  }
  if (!linear) {
    if (err) *err = "The engine's own filters can only be used in one chain without labels: \"" + filters + "\"";
    return false;
  }
  std::vector<std::string> run;
  const TNativeFilter* prevNative = nullptr;  // the step just before, when it is native
  for (const auto& item : items) {
    const TNativeFilter* f = FindNativeFilter(ItemName(item));
    if (!f) {
      run.push_back(item);
      prevNative = nullptr;
      continue;
    }
    if (!run.empty()) {
      std::string seg = Join(run);
      if (!RestrictsTo(run.back(), f)) seg += "," + FormatRestriction(f);
      steps.push_back(TFilterStep{TFilterStep::fsSegment, seg, nullptr, {}, false});
      run.clear();
    } else if (!prevNative || !FormatsWithin(prevNative, f)) {
      steps.push_back(TFilterStep{TFilterStep::fsSegment, FormatRestriction(f), nullptr, {}, false});
    }
    TFilterStep n{TFilterStep::fsNative, {}, f, {}, false};
    size_t eq = item.find('=');
    if (eq != std::string::npos) {
      n.Args = item.substr(eq + 1);
      n.HasArgs = true;
    }
    steps.push_back(std::move(n));
    prevNative = f;
  }
  if (!run.empty()) steps.push_back(TFilterStep{TFilterStep::fsSegment, Join(run), nullptr, {}, false});
  return true;
}

TVideoFilterPipeline::~TVideoFilterPipeline() { Close(); }

void TVideoFilterPipeline::Close() {
  for (auto& g : FStages) {
    for (auto* n : g.Natives) FreeNativeFilter(n);
    g.Graph.reset();
    // Buffers still out keep the pool alive until they come back.
    if (g.Pool) ff::av_buffer_pool_uninit(&g.Pool);
  }
  FStages.clear();
  FTmp.reset();
  FOut.reset();
}

int TVideoFilterPipeline::Fail(int code, const std::string& text) {
  FLastErrMsg = text;
  Close();
  return code;
}

int TVideoFilterPipeline::AddGraph(const std::string& text, int width, int height, AVPixelFormat format,
                                   AVRational timeBase, AVRational sar, bool last, const std::string& swsOptions) {
  FStages.emplace_back();
  TGraph& g = FStages.back();
  g.Graph.reset(ff::avfilter_graph_alloc());
  if (!g.Graph) return Fail(AVERROR(ENOMEM), "Cannot allocate the video filter graph");
  g.Graph->scale_sws_opts = ff::av_strdup(swsOptions.c_str());

  if (sar.den == 0) sar = AVRational{0, 1};
  char args[256];
  std::snprintf(args, sizeof(args), "video_size=%dx%d:pix_fmt=%d:time_base=%d/%d:pixel_aspect=%d/%d", width, height,
                int(format), timeBase.num, timeBase.den, sar.num, sar.den);
  int r = ff::avfilter_graph_create_filter(&g.Src, ff::avfilter_get_by_name("buffer"), "src", args, nullptr,
                                           g.Graph.get());
  if (r < 0) return Fail(r, "Cannot create the video filter source: " + ErrorText(r));
  r = ff::avfilter_graph_create_filter(&g.Sink, ff::avfilter_get_by_name("buffersink"), "out", nullptr, nullptr,
                                       g.Graph.get());
  if (r < 0) return Fail(r, "Cannot create the video filter sink: " + ErrorText(r));
  if (last) {
    const AVPixelFormat outFormats[] = {AV_PIX_FMT_YUV420P};
    r = ff::av_opt_set_bin(g.Sink, "pix_fmts", reinterpret_cast<const uint8_t*>(outFormats), sizeof(outFormats),
                           AV_OPT_SEARCH_CHILDREN);
    if (r < 0) return Fail(r, "Cannot set the video filter sink's format: " + ErrorText(r));
  }

  if (text.empty()) {
    r = ff::avfilter_link(g.Src, 0, g.Sink, 0);
    if (r < 0) return Fail(r, "Cannot link the video filter source and sink: " + ErrorText(r));
  } else {
    AVFilterInOutPtr outputsOwned(ff::avfilter_inout_alloc());
    AVFilterInOutPtr inputsOwned(ff::avfilter_inout_alloc());
    if (!outputsOwned || !inputsOwned) return Fail(AVERROR(ENOMEM), "Cannot allocate the video filter graph");
    // The parser takes the lists and gives back what it left unlinked.
    AVFilterInOut* outputs = outputsOwned.release();
    AVFilterInOut* inputs = inputsOwned.release();
    outputs->name = ff::av_strdup("in");
    outputs->filter_ctx = g.Src;
    outputs->pad_idx = 0;
    outputs->next = nullptr;
    inputs->name = ff::av_strdup("out");
    inputs->filter_ctx = g.Sink;
    inputs->pad_idx = 0;
    inputs->next = nullptr;
    r = ff::avfilter_graph_parse_ptr(g.Graph.get(), text.c_str(), &inputs, &outputs, nullptr);
    outputsOwned.reset(outputs);
    inputsOwned.reset(inputs);
    if (r < 0) return Fail(r, "Cannot parse the video filters \"" + text + "\": " + ErrorText(r));
  }
  r = ff::avfilter_graph_config(g.Graph.get(), nullptr);
  if (r < 0) return Fail(r, "Cannot configure the video filters \"" + text + "\": " + ErrorText(r));
  return 0;
}

int TVideoFilterPipeline::Open(int width, int height, AVPixelFormat pixFmt, AVRational timeBase,
                               AVRational sampleAspectRatio, const std::string& filters, int swsFlags,
                               const std::string& leading) {
  Close();
  FLastErrMsg.clear();
  if (width <= 0 || height <= 0 || pixFmt <= AV_PIX_FMT_NONE || pixFmt >= AV_PIX_FMT_NB || timeBase.num <= 0 ||
      timeBase.den <= 0)
    return Fail(AVERROR(EINVAL), "Invalid video filter input properties");
  std::vector<TFilterStep> steps;
  std::string err;
  if (!ParseVideoFilters(filters, steps, &err)) return Fail(AVERROR(EINVAL), err);

  // Each graph is followed by the native stages that come after it.
  struct Plan {
    std::string text;
    std::vector<const TFilterStep*> natives;
  };
  std::vector<Plan> plans(1);
  for (const auto& s : steps) {
    if (s.Kind == TFilterStep::fsSegment) {
      if (!plans.back().natives.empty() || !plans.back().text.empty()) plans.emplace_back();
      plans.back().text = s.Text;
    } else {
      plans.back().natives.push_back(&s);
    }
  }
  if (!plans.back().natives.empty()) plans.emplace_back();
  if (!leading.empty()) {
    if (plans.size() == 1 && plans[0].text.empty() && plans[0].natives.empty())
      plans[0].text = leading;
    else
      plans.insert(plans.begin(), Plan{leading, {}});
  }

  FTmp.reset(ff::av_frame_alloc());
  FOut.reset(ff::av_frame_alloc());
  if (!FTmp || !FOut) return Fail(AVERROR(ENOMEM), "Cannot allocate a video frame");
  const std::string swsOptions = SwsFlagsOptions(swsFlags);
  int w = width, h = height;
  AVPixelFormat fmt = pixFmt;
  AVRational tb = timeBase, sar = sampleAspectRatio;
  for (size_t i = 0; i < plans.size(); ++i) {
    int r = AddGraph(plans[i].text, w, h, fmt, tb, sar, i + 1 == plans.size(), swsOptions);
    if (r < 0) return r;
    AVFilterContext* sink = FStages.back().Sink;
    w = ff::av_buffersink_get_w(sink);
    h = ff::av_buffersink_get_h(sink);
    fmt = static_cast<AVPixelFormat>(ff::av_buffersink_get_format(sink));
    tb = ff::av_buffersink_get_time_base(sink);
    sar = ff::av_buffersink_get_sample_aspect_ratio(sink);
    for (const TFilterStep* s : plans[i].natives) {
      int code = 0;
      TNativeFilterContext* ctx = CreateNativeFilter(s->Filter, s->HasArgs ? s->Args.c_str() : nullptr, &code);
      if (!ctx)
        return Fail(code, std::string("Cannot initialize the ") + s->Filter->name + " filter: " + ErrorText(code));
      FStages.back().Natives.push_back(ctx);
      if (!AcceptsPixelFormat(s->Filter, fmt))
        return Fail(AVERROR(EINVAL), std::string("The ") + s->Filter->name + " filter cannot take pictures of format " +
                                         (PixFmtName(fmt) ? PixFmtName(fmt) : "none"));
      if (s->Filter->config_input && (code = s->Filter->config_input(ctx, fmt, w, h)) < 0)
        return Fail(code, std::string("Cannot configure the ") + s->Filter->name + " filter: " + ErrorText(code));
    }
  }
  FInWidth = width;
  FInHeight = height;
  FInFormat = pixFmt;
  return 0;
}

int TVideoFilterPipeline::RunNatives(TGraph& g) {
  FActive.clear();
  unsigned written = 0;
  for (auto* n : g.Natives) {
    if (!n->filter->prepare(n)) continue;
    FActive.push_back(n);
    written |= n->filter->planes;
  }
  if (FActive.empty()) return 0;
  if (ff::av_frame_is_writable(FTmp.get())) {
    for (auto* n : FActive) n->filter->apply(n, FTmp.get(), FTmp.get());
    return 0;
  }

  // The picture shares its buffers (with the caller, or a decoder's reference
  // pictures): the first stage writing a plane reads the shared one and
  // writes a new one, so nothing is copied before it is filtered.
  const auto format = static_cast<AVPixelFormat>(FTmp->format);
  const AVPixFmtDescriptor* desc = ff::av_pix_fmt_desc_get(format);
  const int size = ff::av_image_get_buffer_size(format, FTmp->width, FTmp->height, kPlaneAlign);
  if (!desc || size < 0) return size < 0 ? size : AVERROR(EINVAL);
  if (!g.Pool || g.PoolSize != size) {
    if (g.Pool) ff::av_buffer_pool_uninit(&g.Pool);
    g.Pool = ff::av_buffer_pool_init(size_t(size), nullptr);
    g.PoolSize = g.Pool ? size : 0;
    if (!g.Pool) return AVERROR(ENOMEM);
  }
  AVFrame* out = FOut.get();
  out->buf[0] = ff::av_buffer_pool_get(g.Pool);
  if (!out->buf[0]) return AVERROR(ENOMEM);
  out->format = FTmp->format;
  out->width = FTmp->width;
  out->height = FTmp->height;
  int r = ff::av_image_fill_arrays(out->data, out->linesize, out->buf[0]->data, format, out->width, out->height,
                                   kPlaneAlign);
  if (r >= 0) r = ff::av_frame_copy_props(out, FTmp.get());
  if (r < 0) {
    ff::av_frame_unref(out);
    return r;
  }

  AVFrame src = *FTmp;  // a view: the planes written so far come from out
  for (auto* n : FActive) {
    n->filter->apply(n, &src, out);
    for (int p = 0; p < 4; ++p) {
      if (n->filter->planes & (1u << p)) {
        src.data[p] = out->data[p];
        src.linesize[p] = out->linesize[p];
      }
    }
  }
  // Planes no stage changed are shared with the input rather than copied;
  // copied only when their buffer cannot be found or referenced.
  for (int p = 0; p < 4 && FTmp->data[p]; ++p) {
    if (written & (1u << p)) continue;
    if (SharePlane(FTmp.get(), out, p)) continue;
    // The formats the native stages take are planar with one byte a sample.
    const bool chroma = p == 1 || p == 2;
    const int w = chroma ? -((-FTmp->width) >> desc->log2_chroma_w) : FTmp->width;
    const int h = chroma ? -((-FTmp->height) >> desc->log2_chroma_h) : FTmp->height;
    CopyPlane(FTmp->data[p], FTmp->linesize[p], out->data[p], out->linesize[p], w, h);
  }
  ff::av_frame_unref(FTmp.get());
  ff::av_frame_move_ref(FTmp.get(), out);
  return 0;
}

int TVideoFilterPipeline::Pump() {
  for (size_t i = 0; i + 1 < FStages.size(); ++i) {
    TGraph& g = FStages[i];
    TGraph& next = FStages[i + 1];
    for (;;) {
      int r = ff::av_buffersink_get_frame(g.Sink, FTmp.get());
      if (r == AVERROR(EAGAIN)) break;
      if (r == AVERROR_EOF) {
        if (!next.EofSent) {
          next.EofSent = true;
          r = ff::av_buffersrc_add_frame_flags(next.Src, nullptr, 0);
          if (r < 0) return r;
        }
        break;
      }
      if (r < 0) return r;
      if (!g.Natives.empty() && (r = RunNatives(g)) < 0) {
        ff::av_frame_unref(FTmp.get());
        return r;
      }
      r = ff::av_buffersrc_add_frame_flags(next.Src, FTmp.get(), 0);
      ff::av_frame_unref(FTmp.get());
      if (r < 0) return r;
    }
  }
  return 0;
}

int TVideoFilterPipeline::Push(const AVFrame* frame) {
  if (FStages.empty()) return AVERROR(EINVAL);
  TGraph& first = FStages.front();
  if (!frame) {
    if (first.EofSent) return AVERROR_EOF;
    first.EofSent = true;
  }
  int r = ff::av_buffersrc_add_frame_flags(first.Src, const_cast<AVFrame*>(frame), frame ? AV_BUFFERSRC_FLAG_KEEP_REF : 0);
  if (r < 0) return r;
  return Pump();
}

int TVideoFilterPipeline::Pull(AVFrame* frame) {
  if (FStages.empty()) return AVERROR(EINVAL);
  int r = Pump();
  if (r < 0) return r;
  return ff::av_buffersink_get_frame(FStages.back().Sink, frame);
}

bool TVideoFilterPipeline::InputMatches(const AVFrame* frame) const {
  return frame && frame->width == FInWidth && frame->height == FInHeight && frame->format == FInFormat;
}

AVFilterContext* TVideoFilterPipeline::OutFilter() const { return FStages.empty() ? nullptr : FStages.back().Sink; }
int TVideoFilterPipeline::OutWidth() const { return FStages.empty() ? 0 : ff::av_buffersink_get_w(OutFilter()); }
int TVideoFilterPipeline::OutHeight() const { return FStages.empty() ? 0 : ff::av_buffersink_get_h(OutFilter()); }
AVPixelFormat TVideoFilterPipeline::OutFormat() const {
  return FStages.empty() ? AV_PIX_FMT_NONE : static_cast<AVPixelFormat>(ff::av_buffersink_get_format(OutFilter()));
}
AVRational TVideoFilterPipeline::OutTimeBase() const {
  return FStages.empty() ? AVRational{0, 1} : ff::av_buffersink_get_time_base(OutFilter());
}
AVRational TVideoFilterPipeline::OutSampleAspectRatio() const {
  return FStages.empty() ? AVRational{0, 1} : ff::av_buffersink_get_sample_aspect_ratio(OutFilter());
}

}  // namespace zv
