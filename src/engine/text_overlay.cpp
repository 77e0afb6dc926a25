#include "engine/text_overlay.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/clocks.h"
#include "runtime/format.h"

namespace zv {

namespace {

// Messages are laid out on a 720-line canvas scaled to the output: the same
// share of the height in a small window and in full screen.
const char* const MessageHeader =
    "[Script Info]\nScriptType: v4.00+\nPlayResX: 1280\nPlayResY: 720\nScaledBorderAndShadow: yes\n\n"
    "[V4+ Styles]\nFormat: Name, Fontname, Fontsize, PrimaryColour, SecondaryColour, OutlineColour, BackColour, "
    "Bold, Italic, Underline, StrikeOut, ScaleX, ScaleY, Spacing, Angle, BorderStyle, Outline, Shadow, Alignment, "
    "MarginL, MarginR, MarginV, Encoding\n"
    "Style: Default,DejaVu Sans,40,&H00FFFFFF,&H00FFFFFF,&H00000000,&H80000000,0,0,0,0,100,100,0,0,1,2.5,1,7,"
    "28,28,22,1\n\n"
    "[Events]\nFormat: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\n";

// What a SubRip track gets when its decoder gives no header.
const char* const DefaultTrackHeader =
    "[Script Info]\nScriptType: v4.00+\nPlayResX: 384\nPlayResY: 288\nScaledBorderAndShadow: yes\n\n"
    "[V4+ Styles]\nFormat: Name, Fontname, Fontsize, PrimaryColour, SecondaryColour, OutlineColour, BackColour, "
    "Bold, Italic, Underline, StrikeOut, ScaleX, ScaleY, Spacing, Angle, BorderStyle, Outline, Shadow, Alignment, "
    "MarginL, MarginR, MarginV, Encoding\n"
    "Style: Default,Arial,16,&Hffffff,&Hffffff,&H0,&H0,0,0,0,0,100,100,0,0,1,1,0,2,10,10,10,0\n\n"
    "[Events]\nFormat: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\n";

constexpr double NoMessage = 0;

// A message is text, never markup: braces and backslashes are kept as written.
std::string MessageEvent(const std::string& text) {
  std::string out = "0,0,Default,,0,0,0,,";
  for (char c : text) {
    if (c == '{' || c == '}') {
      out += '\\';
      out += c;
    } else if (c == '\\') {
      out += "\\\xE2\x81\xA0";  // a word joiner keeps \n and \N literal
    } else if (c == '\n') {
      out += "\\N";
    } else if (c != '\r') {
      out += c;
    }
  }
  return out;
}

// Premultiplied "over" of one libass image into dst (premultiplied ARGB).
void BlendImage(const ASS_Image* img, std::vector<uint32_t>& dst, int width, int height) {
  const uint32_t opacity = 255 - (img->color & 0xFF);
  const uint32_t r = img->color >> 24, g = (img->color >> 16) & 0xFF, b = (img->color >> 8) & 0xFF;
  const int x0 = std::max(img->dst_x, 0), y0 = std::max(img->dst_y, 0);
  const int x1 = std::min(img->dst_x + img->w, width), y1 = std::min(img->dst_y + img->h, height);
  for (int y = y0; y < y1; ++y) {
    const unsigned char* src = img->bitmap + size_t(y - img->dst_y) * img->stride - img->dst_x;
    uint32_t* row = dst.data() + size_t(y) * width;
    for (int x = x0; x < x1; ++x) {
      const uint32_t a = (src[x] * opacity + 127) / 255;
      if (!a) continue;
      const uint32_t d = row[x], keep = 255 - a;
      const uint32_t oa = a + (((d >> 24) * keep + 127) / 255);
      const uint32_t orr = (r * a + ((d >> 16) & 0xFF) * keep + 127) / 255;
      const uint32_t og = (g * a + ((d >> 8) & 0xFF) * keep + 127) / 255;
      const uint32_t ob = (b * a + (d & 0xFF) * keep + 127) / 255;
      row[x] = (oa << 24) | (orr << 16) | (og << 8) | ob;
    }
  }
}

bool Overlap(const TOverlayRect& a, const TOverlayRect& b) {
  return a.X < b.X + b.Width && b.X < a.X + a.Width && a.Y < b.Y + b.Height && b.Y < a.Y + a.Height;
}

TOverlayRect Union(const TOverlayRect& a, const TOverlayRect& b) {
  const int x0 = std::min(a.X, b.X), y0 = std::min(a.Y, b.Y);
  const int x1 = std::max(a.X + a.Width, b.X + b.Width), y1 = std::max(a.Y + a.Height, b.Y + b.Height);
  return {x0, y0, x1 - x0, y1 - y0};
}

// Joins overlapping rectangles until none overlap (a line's glyphs, border
// and shadow become one part; separate lines stay apart).
void MergeParts(std::vector<TOverlayRect>& parts) {
  for (bool merged = true; merged;) {
    merged = false;
    for (size_t i = 0; i < parts.size() && !merged; ++i)
      for (size_t j = i + 1; j < parts.size(); ++j)
        if (Overlap(parts[i], parts[j])) {
          parts[i] = Union(parts[i], parts[j]);
          parts.erase(parts.begin() + std::ptrdiff_t(j));
          merged = true;
          break;
        }
  }
}

// 255 * 65536 / a, rounded: straight alpha from premultiplied without a division per pixel.
struct TUnpremultiply {
  uint32_t Factor[256];
  TUnpremultiply() {
    Factor[0] = 0;
    for (uint32_t a = 1; a < 256; ++a) Factor[a] = (255u * 65536u + a / 2) / a;
  }
  uint32_t operator()(uint32_t c, uint32_t a) const { return std::min(255u, (c * Factor[a] + 32768u) >> 16); }
};
const TUnpremultiply Unpremultiply;

}  // namespace

TTextOverlay::TTextOverlay(TClock clock) : FClock(std::move(clock)) {
  if (!FClock) FClock = [] { return ClockSeconds(); };
}

bool TTextOverlay::Ready_Locked() {
  if (FLibrary) return true;
  if (FLibraryTried) return false;
  // Loaded at first use: the player sets where the libraries are first.
  FLibraryTried = true;
  FAss = AssLibrary();
  if (FAss) FLibrary = FAss->ass_library_init();
  if (FLibrary) {
    FAss->ass_set_message_cb(FLibrary, AssMessage, nullptr);
    FAss->ass_set_extract_fonts(FLibrary, 1);
  }
  return FLibrary != nullptr;
}

TTextOverlay::~TTextOverlay() {
  if (!FAss) return;
  if (FTrack) FAss->ass_free_track(FTrack);
  for (TFileTrack& f : FFiles) FAss->ass_free_track(f.Track);
  if (FMsgTrack) FAss->ass_free_track(FMsgTrack);
  if (FSubRenderer) FAss->ass_renderer_done(FSubRenderer);
  if (FMsgRenderer) FAss->ass_renderer_done(FMsgRenderer);
  if (FLibrary) FAss->ass_library_done(FLibrary);
}

void TTextOverlay::SetChangeSink(std::function<void()> sink) { FSink = std::move(sink); }

bool TTextOverlay::Available() {
  std::lock_guard<std::mutex> g(FLock);
  return Ready_Locked();
}

void TTextOverlay::Notify() {
  if (FSink) FSink();
}

bool TTextOverlay::OpenTrack(const std::string& header) {
  {
    std::lock_guard<std::mutex> g(FLock);
    if (!Ready_Locked()) return false;
    if (FTrack) FAss->ass_free_track(FTrack);
    FTrack = FAss->ass_new_track(FLibrary);
    FSeen.clear();
    if (!FTrack) return false;
    const std::string& h = header.empty() ? std::string(DefaultTrackHeader) : header;
    FAss->ass_process_codec_private(FTrack, h.data(), int(h.size()));
    if (FSelected < 1) FSelected = 0;
    FRedraw = FForce = true;
  }
  Notify();
  return true;
}

void TTextOverlay::AddFont(const std::string& name, const uint8_t* data, int size) {
  std::lock_guard<std::mutex> g(FLock);
  if (!Ready_Locked() || !data || size <= 0) return;
  FAss->ass_add_font(FLibrary, name.c_str(), reinterpret_cast<const char*>(data), size);
  // Renderers made before take the font at their next font set-up.
  if (FSubRenderer) FAss->ass_set_fonts(FSubRenderer, nullptr, "sans-serif", ZV_ASS_FONTPROVIDER_AUTODETECT, nullptr, 1);
}

void TTextOverlay::AddEvent(const std::string& line, int64_t startMs, int64_t durationMs) {
  {
    std::lock_guard<std::mutex> g(FLock);
    if (!FTrack || line.empty() || durationMs <= 0) return;
    // Read orders are ours: the decoders count again after a seek, and the
    // same line read twice (around a seek) is one event.
    const size_t comma = line.find(',');
    if (comma == std::string::npos) return;
    const std::string rest = line.substr(comma + 1);
    if (!FSeen.insert(std::to_string(startMs) + "," + std::to_string(durationMs) + "," + rest).second) return;
    const std::string numbered = std::to_string(FNextReadOrder++) + "," + rest;
    FAss->ass_process_chunk(FTrack, numbered.data(), int(numbered.size()), startMs, durationMs);
    FRedraw = FRedraw || FSelected == 0;
  }
  Notify();
}

void TTextOverlay::FlushEvents() {
  {
    std::lock_guard<std::mutex> g(FLock);
    if (!FTrack) return;
    FAss->ass_flush_events(FTrack);
    FSeen.clear();
    FRedraw = FRedraw || FSelected == 0;
  }
  Notify();
}

void TTextOverlay::CloseTrack() {
  {
    std::lock_guard<std::mutex> g(FLock);
    if (!FTrack) return;
    FAss->ass_free_track(FTrack);
    FTrack = nullptr;
    FSeen.clear();
    if (FSelected == 0) FSelected = -1;
    FRedraw = FForce = true;
  }
  Notify();
}

bool TTextOverlay::HasTrack() {
  std::lock_guard<std::mutex> g(FLock);
  return Track_Locked() != nullptr;
}

ASS_Track* TTextOverlay::Track_Locked() {
  if (FSelected == 0) return FTrack;
  if (FSelected > 0 && size_t(FSelected) <= FFiles.size()) return FFiles[size_t(FSelected) - 1].Track;
  return nullptr;
}

bool TTextOverlay::AddFileTrack(const std::string& name, const TParsedSubtitles& parsed, bool select,
                                uint64_t generation) {
  {
    std::lock_guard<std::mutex> g(FLock);
    if (generation != FGeneration || !Ready_Locked()) return false;
    ASS_Track* t = FAss->ass_new_track(FLibrary);
    if (!t) return false;
    const std::string& h = parsed.Header.empty() ? std::string(DefaultTrackHeader) : parsed.Header;
    FAss->ass_process_codec_private(t, h.data(), int(h.size()));
    for (const TSubtitleEvent& e : parsed.Events)
      FAss->ass_process_chunk(t, e.Line.data(), int(e.Line.size()), e.StartMs, e.DurationMs);
    FFiles.push_back({name, t});
    if (select) FSelected = int(FFiles.size());
    FRedraw = FForce = true;
  }
  Notify();
  return true;
}

uint64_t TTextOverlay::Reset() {
  uint64_t gen;
  {
    std::lock_guard<std::mutex> g(FLock);
    if (FAss) {
      if (FTrack) FAss->ass_free_track(FTrack);
      for (TFileTrack& f : FFiles) FAss->ass_free_track(f.Track);
    }
    FTrack = nullptr;
    FSeen.clear();
    FFiles.clear();
    FSelected = -1;
    FDelayMs = 0;
    gen = ++FGeneration;
    FRedraw = FForce = true;
  }
  Notify();
  return gen;
}

uint64_t TTextOverlay::Generation() {
  std::lock_guard<std::mutex> g(FLock);
  return FGeneration;
}

int TTextOverlay::TrackCount() {
  std::lock_guard<std::mutex> g(FLock);
  return 1 + int(FFiles.size());
}

int TTextOverlay::Selected() {
  std::lock_guard<std::mutex> g(FLock);
  return Track_Locked() ? FSelected : -1;
}

void TTextOverlay::Select(int index) {
  {
    std::lock_guard<std::mutex> g(FLock);
    FSelected = index < 0 || index > int(FFiles.size()) ? -1 : index;
    FRedraw = FForce = true;
  }
  Notify();
}

std::string TTextOverlay::TrackName(int index) {
  std::lock_guard<std::mutex> g(FLock);
  if (index == 0) return FTrack ? "embedded" : "";
  if (index > 0 && size_t(index) <= FFiles.size()) return FFiles[size_t(index) - 1].Name;
  return {};
}

void TTextOverlay::SetBottomReserve(int pixels) {
  pixels = std::max(0, pixels);
  {
    std::lock_guard<std::mutex> g(FLock);
    if (FBottomReserve == pixels) return;
    FBottomReserve = pixels;
    FRedraw = FForce = true;
  }
  Notify();
}

void TTextOverlay::SetVisible(bool v) {
  {
    std::lock_guard<std::mutex> g(FLock);
    if (FVisible == v) return;
    FVisible = v;
    FRedraw = FForce = true;
  }
  Notify();
}

bool TTextOverlay::Visible() {
  std::lock_guard<std::mutex> g(FLock);
  return FVisible;
}

void TTextOverlay::SetDelayMs(int64_t ms) {
  {
    std::lock_guard<std::mutex> g(FLock);
    FDelayMs = ms;
    FRedraw = true;
  }
  Notify();
}

int64_t TTextOverlay::DelayMs() {
  std::lock_guard<std::mutex> g(FLock);
  return FDelayMs;
}

void TTextOverlay::ShowMessage(const std::string& text, int durationMs) {
  {
    std::lock_guard<std::mutex> g(FLock);
    if (!Ready_Locked()) return;
    if (!FMsgTrack) {
      FMsgTrack = FAss->ass_new_track(FLibrary);
      if (!FMsgTrack) return;
      FAss->ass_process_codec_private(FMsgTrack, MessageHeader, int(strlen(MessageHeader)));
    }
    FAss->ass_flush_events(FMsgTrack);
    const std::string line = MessageEvent(text);
    // Rendered at time 0 while it lasts: its own duration only bounds libass.
    FAss->ass_process_chunk(FMsgTrack, line.data(), int(line.size()), 0, 1);
    FMessage = text;
    FMessageUntil = FClock() + std::max(durationMs, 1) / 1000.0;
    FRedraw = true;
  }
  Notify();
}

std::string TTextOverlay::Message() {
  std::lock_guard<std::mutex> g(FLock);
  if (FMessageUntil != NoMessage && FClock() >= FMessageUntil) return {};
  return FMessage;
}

bool TTextOverlay::TakeRedraw() {
  std::lock_guard<std::mutex> g(FLock);
  const bool ended = FMessageUntil != NoMessage && FClock() >= FMessageUntil;
  const bool r = FRedraw || ended;
  FRedraw = false;
  return r;
}

int TTextOverlay::MsUntilChange() {
  std::lock_guard<std::mutex> g(FLock);
  if (FMessageUntil == NoMessage) return -1;
  const double left = FMessageUntil - FClock();
  return left <= 0 ? 0 : int(std::ceil(left * 1000.0));
}

bool TTextOverlay::EnsureRenderers_Locked() {
  if (FSubRenderer && FMsgRenderer) return true;
  if (FRendererFailed || !FLibrary) return false;
  FSubRenderer = FAss->ass_renderer_init(FLibrary);
  FMsgRenderer = FAss->ass_renderer_init(FLibrary);
  if (!FSubRenderer || !FMsgRenderer) {
    FRendererFailed = true;
    return false;
  }
  for (ASS_Renderer* r : {FSubRenderer, FMsgRenderer})
    FAss->ass_set_fonts(r, nullptr, "sans-serif", ZV_ASS_FONTPROVIDER_AUTODETECT, nullptr, 1);
  return true;
}

bool TTextOverlay::Render(const TOverlayGeometry& geo, double mediaTime) {
  std::lock_guard<std::mutex> g(FLock);
  if (geo.OutputWidth <= 0 || geo.OutputHeight <= 0) return false;
  const bool messageEnded = FMessageUntil != NoMessage && FClock() >= FMessageUntil;
  if (messageEnded) {
    if (FMsgTrack) FAss->ass_flush_events(FMsgTrack);
    FMessage.clear();
    FMessageUntil = NoMessage;
  }
  ASS_Track* track = Track_Locked();
  const bool wantSubs = track && FVisible;
  const bool wantMessage = FMsgTrack && FMessageUntil != NoMessage;
  bool changed = messageEnded || FForce || !(geo == FGeometry);
  if (!wantSubs && !wantMessage) {
    if (changed) Composite_Locked(geo, nullptr, nullptr);
    FForce = false;
    FGeometry = geo;
    return changed;
  }
  if (!EnsureRenderers_Locked()) return false;
  if (!(geo == FGeometry) || FForce) {
    // Subtitles keep to the picture; the bars around it are margins.
    FAss->ass_set_frame_size(FSubRenderer, geo.OutputWidth, geo.OutputHeight);
    FAss->ass_set_margins(FSubRenderer, geo.PictureY, geo.OutputHeight - geo.PictureY - geo.PictureHeight,
                          geo.PictureX, geo.OutputWidth - geo.PictureX - geo.PictureWidth);
    FAss->ass_set_use_margins(FSubRenderer, 0);
    // The part of the picture under the window's controls, in percent of its height.
    const int covered = geo.PictureY + geo.PictureHeight - (geo.OutputHeight - FBottomReserve);
    const double lift = geo.PictureHeight > 0 && covered > 0 ? 100.0 * covered / geo.PictureHeight : 0.0;
    FAss->ass_set_line_position(FSubRenderer, std::min(lift, 90.0));
    if (geo.VideoWidth > 0 && geo.VideoHeight > 0)
      FAss->ass_set_storage_size(FSubRenderer, geo.VideoWidth, geo.VideoHeight);
    FAss->ass_set_frame_size(FMsgRenderer, geo.OutputWidth, geo.OutputHeight);
  }
  int subChange = 0, msgChange = 0;
  ASS_Image* subs = nullptr;
  ASS_Image* message = nullptr;
  if (wantSubs) {
    const double ms = std::floor(mediaTime * 1000.0 + 0.5) - double(FDelayMs);
    const long long now = std::isfinite(ms) ? (long long)std::clamp(ms, -1e15, 1e15) : 0;
    subs = FAss->ass_render_frame(FSubRenderer, track, now, &subChange);
  }
  if (wantMessage) message = FAss->ass_render_frame(FMsgRenderer, FMsgTrack, 0, &msgChange);
  changed = changed || subChange || msgChange;
  if (changed) Composite_Locked(geo, subs, message);
  FForce = false;
  FGeometry = geo;
  return changed;
}

void TTextOverlay::Composite_Locked(const TOverlayGeometry& geo, ASS_Image* subs, ASS_Image* message) {
  TOverlayLayer& L = FLayer;
  const int w = geo.OutputWidth, h = geo.OutputHeight;
  if (L.Width != w || L.Height != h) {
    L.Width = w;
    L.Height = h;
    L.Argb.assign(size_t(w) * h, 0);
    FScratch.assign(size_t(w) * h, 0);
  } else {
    // Only the last parts hold anything.
    for (const TOverlayRect& r : L.Parts)
      for (int y = r.Y; y < r.Y + r.Height; ++y) {
        std::fill_n(L.Argb.data() + size_t(y) * w + r.X, r.Width, 0u);
        std::fill_n(FScratch.data() + size_t(y) * w + r.X, r.Width, 0u);
      }
  }
  L.Parts.clear();
  for (ASS_Image* list : {subs, message}) {
    for (ASS_Image* img = list; img; img = img->next) {
      if (img->w <= 0 || img->h <= 0 || !img->bitmap) continue;
      const int ix0 = std::max(img->dst_x, 0), iy0 = std::max(img->dst_y, 0);
      const int ix1 = std::min(img->dst_x + img->w, w), iy1 = std::min(img->dst_y + img->h, h);
      if (ix0 >= ix1 || iy0 >= iy1) continue;
      BlendImage(img, FScratch, w, h);
      L.Parts.push_back({ix0, iy0, ix1 - ix0, iy1 - iy0});
    }
  }
  MergeParts(L.Parts);
  if (L.Parts.empty()) {
    L.BoxX = L.BoxY = L.BoxWidth = L.BoxHeight = 0;
    return;
  }
  TOverlayRect box = L.Parts.front();
  for (const TOverlayRect& r : L.Parts) box = Union(box, r);
  L.BoxX = box.X;
  L.BoxY = box.Y;
  L.BoxWidth = box.Width;
  L.BoxHeight = box.Height;
  // SDL blends straight alpha.
  for (const TOverlayRect& r : L.Parts)
    for (int y = r.Y; y < r.Y + r.Height; ++y) {
      const uint32_t* src = FScratch.data() + size_t(y) * w;
      uint32_t* dst = L.Argb.data() + size_t(y) * w;
      for (int x = r.X; x < r.X + r.Width; ++x) {
        const uint32_t p = src[x], a = p >> 24;
        if (!a) continue;
        dst[x] = (a << 24) | (Unpremultiply((p >> 16) & 0xFF, a) << 16) | (Unpremultiply((p >> 8) & 0xFF, a) << 8) |
                 Unpremultiply(p & 0xFF, a);
      }
    }
}

}  // namespace zv

namespace zv {

std::string SeekMessage(int64_t positionMs, int64_t durationMs) {
  auto clock = [](int64_t ms) {
    if (ms < 0) ms = 0;
    const int64_t s = ms / 1000;
    char buf[32];
    snprintf(buf, sizeof buf, "%02lld:%02lld:%02lld", (long long)(s / 3600), (long long)(s / 60 % 60),
             (long long)(s % 60));
    return std::string(buf);
  };
  return durationMs > 0 ? clock(positionMs) + " / " + clock(durationMs) : clock(positionMs);
}

std::string VolumeMessage(int volume, int maxVolume) {
  const int pct = maxVolume > 0 ? int(std::lround(100.0 * std::clamp(volume, 0, maxVolume) / maxVolume)) : 0;
  return "Volume " + std::to_string(pct) + "%";
}

}  // namespace zv
