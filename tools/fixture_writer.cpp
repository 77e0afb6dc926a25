#include "fixture_writer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/display.h>
#include <libavutil/opt.h>
}

#include "fixture_list.h"

namespace zv::fixtures {
namespace {

// Fine detail drifting a few pixels a frame, from a fixed hash: deterministic,
// and as costly to decode as real footage rather than a flat ramp.
int FrameTexture(int frame, int x, int y, int amplitude) {
  uint32_t u = uint32_t(x + 3 * frame) * 73856093u ^ uint32_t(y + frame) * 19349663u;
  u ^= u >> 13;
  u *= 0x5bd1e995u;
  u ^= u >> 15;
  return int(u % uint32_t(2 * amplitude + 1)) - amplitude;
}

std::string AvErr(int code) {
  char buf[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, buf, sizeof buf);
  return buf;
}

constexpr const char* kPlainTextHeader =
    "[Script Info]\nScriptType: v4.00+\nPlayResX: 384\nPlayResY: 288\n\n[V4+ Styles]\n"
    "Format: Name, Fontname, Fontsize, PrimaryColour, SecondaryColour, OutlineColour, BackColour, Bold, Italic, "
    "Underline, StrikeOut, ScaleX, ScaleY, Spacing, Angle, BorderStyle, Outline, Shadow, Alignment, MarginL, "
    "MarginR, MarginV, Encoding\n"
    "Style: Default,Arial,16,&Hffffff,&Hffffff,&H0,&H0,0,0,0,0,100,100,0,0,1,1,0,2,10,10,10,0\n\n"
    "[Events]\nFormat: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\n";

struct Subtitle {
  double time;           // seconds
  int rect = -1;         // index into kSubtitleRects, -1 for a clearing event
  double duration = 0;   // seconds the rectangle stays
};

// One sound stream being written.
struct AudioTrack {
  AVCodecContext* ctx = nullptr;
  AVStream* st = nullptr;
  AVFrame* frame = nullptr;
  int64_t samples = 0, next = 0;
  int frame_size = 0;
  int tone_offset = 0;
};

// One output file being written; frees everything it holds on destruction.
class Writer {
public:
  Writer(const OutputSpec& spec, std::string* err) : spec_(spec), err_(err) {}
  ~Writer() {
    avcodec_free_context(&video_);
    for (AudioTrack& a : audio_) {
      avcodec_free_context(&a.ctx);
      av_frame_free(&a.frame);
    }
    avcodec_free_context(&subs_);
    av_frame_free(&vframe_);
    av_packet_free(&pkt_);
    if (oc_) {
      if (oc_->pb) avio_closep(&oc_->pb);
      avformat_free_context(oc_);
    }
  }

  bool Run() {
    return Open() && Encode() && Finish();
  }

private:
  bool Fail(const std::string& what, int code = 0) {
    *err_ = spec_.path + ": " + what + (code < 0 ? " (" + AvErr(code) + ")" : "");
    return false;
  }

  bool Open() {
    int r = avformat_alloc_output_context2(&oc_, nullptr, spec_.format.c_str(), spec_.path.c_str());
    if (r < 0 || !oc_) return Fail("cannot create muxer " + spec_.format, r);
    oc_->flags |= AVFMT_FLAG_BITEXACT;
    if (spec_.max_delay_us >= 0) oc_->max_delay = static_cast<int>(spec_.max_delay_us);
    pkt_ = av_packet_alloc();
    if (!pkt_) return Fail("out of memory");
    if (spec_.video && !OpenVideo(*spec_.video)) return false;
    if (spec_.audio && !OpenAudio(*spec_.audio)) return false;
    for (const AudioSpec& a : spec_.more_audio)
      if (!OpenAudio(a)) return false;
    if (spec_.subtitles && !OpenSubtitles(*spec_.subtitles)) return false;
    for (const auto& [k, v] : spec_.metadata) av_dict_set(&oc_->metadata, k.c_str(), v.c_str(), 0);
    if (!AddChapters() || !AddPrograms()) return false;
    if ((r = avio_open(&oc_->pb, spec_.path.c_str(), AVIO_FLAG_WRITE)) < 0)
      return Fail("cannot create the file", r);
    AVDictionary* opts = nullptr;
    for (const auto& [k, v] : spec_.muxer_options) av_dict_set(&opts, k.c_str(), v.c_str(), 0);
    r = avformat_write_header(oc_, &opts);
    bool unused = av_dict_count(opts) > 0;
    av_dict_free(&opts);
    if (r < 0) return Fail("cannot write the header", r);
    if (unused) return Fail("muxer ignored an option");
    return true;
  }

  AVCodecContext* NewEncoder(const std::string& name, const AVCodec** codec) {
    *codec = avcodec_find_encoder_by_name(name.c_str());
    if (!*codec) {
      Fail("encoder " + name + " is not available");
      return nullptr;
    }
    AVCodecContext* c = avcodec_alloc_context3(*codec);
    if (!c) {
      Fail("out of memory");
      return nullptr;
    }
    c->thread_count = 1;
    c->flags |= AV_CODEC_FLAG_BITEXACT;
    if (oc_->oformat->flags & AVFMT_GLOBALHEADER) c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    return c;
  }

  bool OpenEncoder(AVCodecContext* c, const AVCodec* codec, const Options& options, AVStream** st) {
    AVDictionary* opts = nullptr;
    for (const auto& [k, v] : options) av_dict_set(&opts, k.c_str(), v.c_str(), 0);
    int r = avcodec_open2(c, codec, &opts);
    bool unused = av_dict_count(opts) > 0;
    av_dict_free(&opts);
    if (r < 0) return Fail(std::string("cannot open encoder ") + codec->name, r);
    if (unused) return Fail(std::string("encoder ") + codec->name + " ignored an option");
    *st = avformat_new_stream(oc_, nullptr);
    if (!*st) return Fail("out of memory");
    if ((r = avcodec_parameters_from_context((*st)->codecpar, c)) < 0) return Fail("codec parameters", r);
    (*st)->time_base = c->time_base;
    return true;
  }

  bool OpenVideo(const VideoSpec& v) {
    const AVCodec* codec = nullptr;
    if (!(video_ = NewEncoder(v.encoder, &codec))) return false;
    video_->width = v.width;
    video_->height = v.height;
    video_->pix_fmt = AV_PIX_FMT_YUV420P;
    video_->time_base = AVRational{1, v.fps};
    video_->framerate = AVRational{v.fps, 1};
    video_->gop_size = v.gop;
    if (v.max_b_frames >= 0) video_->max_b_frames = v.max_b_frames;
    if (v.sar_num > 0) video_->sample_aspect_ratio = AVRational{v.sar_num, v.sar_den};
    if (v.qscale > 0) {
      video_->flags |= AV_CODEC_FLAG_QSCALE;
      video_->global_quality = FF_QP2LAMBDA * v.qscale;
    }
    if (v.bit_rate > 0) video_->bit_rate = v.bit_rate;
    if (v.low_delay) video_->flags |= AV_CODEC_FLAG_LOW_DELAY;
    if (v.edge == 2) {
      video_->flags |= AV_CODEC_FLAG_INTERLACED_DCT | AV_CODEC_FLAG_INTERLACED_ME;
      video_->field_order = AV_FIELD_TT;
    }
    if (v.colorspace >= 0) video_->colorspace = static_cast<AVColorSpace>(v.colorspace);
    if (v.full_range) video_->color_range = AVCOL_RANGE_JPEG;
    if (!OpenEncoder(video_, codec, v.options, &vst_)) return false;
    if (v.rotation != 0 || v.hflip) {
      auto* m = reinterpret_cast<int32_t*>(av_stream_new_side_data(vst_, AV_PKT_DATA_DISPLAYMATRIX, 9 * sizeof(int32_t)));
      if (!m) return Fail("out of memory");
      av_display_rotation_set(m, -v.rotation);  // the matrix turns counter-clockwise
      av_display_matrix_flip(m, v.hflip ? 1 : 0, 0);
      // The MP4 muxer stores the track matrix so that reading it back gives
      // b and c negated: written that way, the file reads as meant.
      m[1] = -m[1];
      m[3] = -m[3];
    }
    vst_->avg_frame_rate = video_->framerate;
    vst_->sample_aspect_ratio = video_->sample_aspect_ratio;
    if (!v.language.empty()) av_dict_set(&vst_->metadata, "language", v.language.c_str(), 0);
    vframe_ = av_frame_alloc();
    if (!vframe_) return Fail("out of memory");
    vframe_->format = video_->pix_fmt;
    vframe_->width = v.width;
    vframe_->height = v.height;
    vframe_->sample_aspect_ratio = video_->sample_aspect_ratio;
    int r = av_frame_get_buffer(vframe_, 0);
    if (r < 0) return Fail("picture buffer", r);
    video_frames_ = std::llround(spec_.seconds * v.fps);
    return true;
  }

  bool OpenAudio(const AudioSpec& a) {
    const AVCodec* codec = nullptr;
    audio_.push_back(AudioTrack{});
    AudioTrack& t = audio_.back();
    t.tone_offset = a.tone_offset;
    AVCodecContext*& ctx = t.ctx;
    if (!(ctx = NewEncoder(a.encoder, &codec))) return false;
    ctx->sample_fmt = codec->sample_fmts ? codec->sample_fmts[0] : AV_SAMPLE_FMT_S16;
    ctx->sample_rate = a.sample_rate;
    ctx->time_base = AVRational{1, a.sample_rate};
    if (a.bit_rate > 0) ctx->bit_rate = a.bit_rate;
    // Take the encoder's own layout with this many channels where it lists any.
    bool have_layout = false;
    for (const AVChannelLayout* l = codec->ch_layouts; l && l->nb_channels; ++l) {
      if (l->nb_channels == a.channels) {
        av_channel_layout_copy(&ctx->ch_layout, l);
        have_layout = true;
        break;
      }
    }
    if (!have_layout) av_channel_layout_default(&ctx->ch_layout, a.channels);
    if (!OpenEncoder(ctx, codec, a.options, &t.st)) return false;
    if (!a.language.empty()) av_dict_set(&t.st->metadata, "language", a.language.c_str(), 0);
    if (!a.title.empty()) av_dict_set(&t.st->metadata, "title", a.title.c_str(), 0);
    t.frame = av_frame_alloc();
    if (!t.frame) return Fail("out of memory");
    t.frame_size = ctx->frame_size > 0 ? ctx->frame_size : 1024;
    t.frame->format = ctx->sample_fmt;
    t.frame->sample_rate = a.sample_rate;
    t.frame->nb_samples = t.frame_size;
    av_channel_layout_copy(&t.frame->ch_layout, &ctx->ch_layout);
    int r = av_frame_get_buffer(t.frame, 0);
    if (r < 0) return Fail("sound buffer", r);
    t.samples = std::llround(spec_.seconds * a.sample_rate);
    return true;
  }

  bool OpenSubtitles(const SubtitleSpec& s) {
    const AVCodec* codec = nullptr;
    if (!(subs_ = NewEncoder(s.encoder, &codec))) return false;
    subs_->width = spec_.video ? spec_.video->width : kSubtitleVideoWidth;
    subs_->height = spec_.video ? spec_.video->height : kSubtitleVideoHeight;
    subs_->time_base = AVRational{1, 1000};
    text_ = s.encoder == "subrip" || s.encoder == "ass";
    if (text_) {
      // Text encoders read their styles from an ASS header.
      // SubRip keeps a plain white line at the bottom (its encoder writes the
      // header's style into the text as tags).
      const char* header = s.encoder == "ass" ? kAssHeader : kPlainTextHeader;
      const size_t n = std::strlen(header);
      subs_->subtitle_header = static_cast<uint8_t*>(av_mallocz(n + 1));
      if (!subs_->subtitle_header) return Fail("out of memory");
      std::memcpy(subs_->subtitle_header, header, n);
      subs_->subtitle_header_size = static_cast<int>(n);
    }
    if (!OpenEncoder(subs_, codec, {}, &sst_)) return false;
    if (!s.language.empty()) av_dict_set(&sst_->metadata, "language", s.language.c_str(), 0);
    if (text_) {
      ass_placed_ = s.encoder == "ass";
      for (int i = 0; i < static_cast<int>(std::size(kTextLines)); ++i)
        events_.push_back({kTextLines[i].start_seconds, i, kTextLines[i].end_seconds - kTextLines[i].start_seconds});
      return true;
    }
    for (int i = 0; i < kSubtitleRectCount; ++i) {
      const SubtitleRect& r = kSubtitleRects[i];
      events_.push_back({r.start_seconds, i, r.end_seconds - r.start_seconds});
      if (s.clear_events) events_.push_back({r.end_seconds, -1, 0});
    }
    return true;
  }

  bool AddChapters() {
    if (spec_.chapters.empty()) return true;
    oc_->chapters = static_cast<AVChapter**>(av_calloc(spec_.chapters.size(), sizeof(AVChapter*)));
    if (!oc_->chapters) return Fail("out of memory");
    for (size_t i = 0; i < spec_.chapters.size(); ++i) {
      AVChapter* ch = static_cast<AVChapter*>(av_mallocz(sizeof(AVChapter)));
      if (!ch) return Fail("out of memory");
      oc_->chapters[oc_->nb_chapters++] = ch;
      ch->id = static_cast<int64_t>(i);
      ch->time_base = AVRational{1, 1000};
      ch->start = std::llround(spec_.chapters[i].start * 1000);
      ch->end = std::llround(spec_.chapters[i].end * 1000);
      av_dict_set(&ch->metadata, "title", spec_.chapters[i].title.c_str(), 0);
    }
    return true;
  }

  bool AddPrograms() {
    for (const ProgramSpec& p : spec_.programs) {
      AVProgram* prog = av_new_program(oc_, p.id);
      if (!prog) return Fail("out of memory");
      if (!p.name.empty()) av_dict_set(&prog->metadata, "service_name", p.name.c_str(), 0);
      for (int s : p.streams) {
        if (s < 0 || s >= static_cast<int>(oc_->nb_streams)) return Fail("program lists a missing stream");
        av_program_add_stream_index(oc_, p.id, s);
      }
    }
    return true;
  }

  bool Encode() {
    const double inf = std::numeric_limits<double>::infinity();
    for (;;) {
      double tv = vnext_ < video_frames_ ? static_cast<double>(vnext_) / spec_.video->fps : inf;
      double ta = inf;
      AudioTrack* next_audio = nullptr;
      for (AudioTrack& a : audio_) {
        const double t = a.next < a.samples ? static_cast<double>(a.next) / a.ctx->sample_rate : inf;
        if (t < ta) ta = t, next_audio = &a;
      }
      double ts = snext_ < events_.size() ? events_[snext_].time : inf;
      if (tv == inf && ta == inf && ts == inf) break;
      bool ok;
      if (ts <= tv && ts <= ta) ok = EncodeSubtitle(events_[snext_++]);
      else if (tv <= ta) ok = EncodeVideoFrame();
      else ok = EncodeAudioFrame(*next_audio);
      if (!ok) return false;
    }
    if (video_ && !SendFrame(video_, vst_, nullptr)) return false;
    for (AudioTrack& a : audio_)
      if (!SendFrame(a.ctx, a.st, nullptr)) return false;
    return true;
  }

  void DrawBars(BarMatrix m, bool fullRange) {
    const int w = vframe_->width, h = vframe_->height;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) vframe_->data[0][y * vframe_->linesize[0] + x] = BarToYuv(BarAt(x, w), m, fullRange).y;
    for (int y = 0; y < (h + 1) / 2; ++y)
      for (int x = 0; x < (w + 1) / 2; ++x) {
        const BarYuv c = BarToYuv(BarAt(2 * x, w), m, fullRange);
        vframe_->data[1][y * vframe_->linesize[1] + x] = c.cb;
        vframe_->data[2][y * vframe_->linesize[2] + x] = c.cr;
      }
  }

  bool EncodeVideoFrame() {
    int r = av_frame_make_writable(vframe_);
    if (r < 0) return Fail("picture buffer", r);
    const int w = vframe_->width, h = vframe_->height, n = static_cast<int>(vnext_);
    const int texture = spec_.video ? spec_.video->texture : 0;
    if (spec_.video && spec_.video->edge > 0) {
      const bool interlaced = spec_.video->edge == 2;
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
          vframe_->data[0][y * vframe_->linesize[0] + x] = x < EdgeAt(n, y, interlaced) ? kLumaWhite : kLumaBlack;
      for (int p = 1; p < 3; ++p)
        for (int y = 0; y < (h + 1) / 2; ++y) std::memset(vframe_->data[p] + y * vframe_->linesize[p], kChromaNeutral, (w + 1) / 2);
      vframe_->interlaced_frame = interlaced ? 1 : 0;
      vframe_->top_field_first = interlaced ? 1 : 0;
      vframe_->pts = vnext_++;
      return SendFrame(video_, vst_, vframe_);
    }
    if (spec_.video && spec_.video->bars >= 0) {
      DrawBars(static_cast<BarMatrix>(spec_.video->bars), spec_.video->full_range);
      vframe_->pts = vnext_++;
      return SendFrame(video_, vst_, vframe_);
    }
    for (int y = 0; y < h; ++y) {
      uint8_t* row = vframe_->data[0] + y * vframe_->linesize[0];
      for (int x = 0; x < w; ++x) {
        int v = FrameLuma(n, x, y, w, h);
        if (texture > 0 && v != kLumaWhite && v != kLumaBlack) v += FrameTexture(n, x, y, texture);
        row[x] = static_cast<uint8_t>(std::clamp(v, 16, 235));
      }
    }
    for (int y = 0; y < (h + 1) / 2; ++y) {
      uint8_t* cb = vframe_->data[1] + y * vframe_->linesize[1];
      uint8_t* cr = vframe_->data[2] + y * vframe_->linesize[2];
      for (int x = 0; x < (w + 1) / 2; ++x) {
        cb[x] = FrameCb(2 * x, 2 * y, w, h);
        cr[x] = FrameCr(2 * x, 2 * y, w, h);
      }
    }
    vframe_->pts = vnext_++;
    return SendFrame(video_, vst_, vframe_);
  }

  bool EncodeAudioFrame(AudioTrack& t) {
    int r = av_frame_make_writable(t.frame);
    if (r < 0) return Fail("sound buffer", r);
    const int rate = t.ctx->sample_rate, channels = t.ctx->ch_layout.nb_channels;
    const int n = static_cast<int>(std::min<int64_t>(t.frame_size, t.samples - t.next));
    t.frame->nb_samples = n;
    const AVSampleFormat fmt = t.ctx->sample_fmt;
    const bool planar = av_sample_fmt_is_planar(fmt);
    for (int c = 0; c < channels; ++c) {
      for (int i = 0; i < n; ++i) {
        double v = ToneSample(c + t.tone_offset, t.next + i, rate);
        int slot = planar ? i : i * channels + c;
        uint8_t* base = t.frame->data[planar ? c : 0];
        switch (av_get_packed_sample_fmt(fmt)) {
          case AV_SAMPLE_FMT_S16:
            reinterpret_cast<int16_t*>(base)[slot] = ToneSampleS16(c + t.tone_offset, t.next + i, rate);
            break;
          case AV_SAMPLE_FMT_S32:
            reinterpret_cast<int32_t*>(base)[slot] = static_cast<int32_t>(std::lrint(v * 2147483647.0));
            break;
          case AV_SAMPLE_FMT_FLT:
            reinterpret_cast<float*>(base)[slot] = static_cast<float>(v);
            break;
          case AV_SAMPLE_FMT_DBL:
            reinterpret_cast<double*>(base)[slot] = v;
            break;
          default:
            return Fail(std::string("unsupported sample format ") + av_get_sample_fmt_name(fmt));
        }
      }
    }
    t.frame->pts = t.next;
    t.next += n;
    return SendFrame(t.ctx, t.st, t.frame);
  }

  bool SendFrame(AVCodecContext* c, AVStream* st, AVFrame* frame) {
    int r = avcodec_send_frame(c, frame);
    if (r < 0) return Fail(std::string("encoding with ") + c->codec->name + " failed", r);
    for (;;) {
      r = avcodec_receive_packet(c, pkt_);
      if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return true;
      if (r < 0) return Fail(std::string("encoding with ") + c->codec->name + " failed", r);
      av_packet_rescale_ts(pkt_, c->time_base, st->time_base);
      pkt_->stream_index = st->index;
      if ((r = av_interleaved_write_frame(oc_, pkt_)) < 0) return Fail("writing a packet failed", r);
    }
  }

  bool EncodeSubtitle(const Subtitle& ev) {
    std::vector<uint8_t> bitmap;
    uint32_t palette[256] = {};
    AVSubtitleRect rect{};
    AVSubtitleRect* rects[1] = {&rect};
    AVSubtitle sub{};
    sub.pts = std::llround(ev.time * AV_TIME_BASE);
    sub.start_display_time = 0;
    std::string line;
    if (text_) {
      line = std::to_string(ev.rect) + ",0,Default,,0,0,0,,";
      if (ass_placed_) line += "{\\pos(" + std::to_string(kAssLineX) + "," + std::to_string(kAssLineY) + ")}";
      line += kTextLines[ev.rect].text;
      rect.type = SUBTITLE_ASS;
      rect.ass = line.data();
      sub.num_rects = 1;
      sub.rects = rects;
      sub.end_display_time = static_cast<uint32_t>(std::lround(ev.duration * 1000));
    } else if (ev.rect >= 0) {
      const SubtitleRect& r = kSubtitleRects[ev.rect];
      bitmap.assign(static_cast<size_t>(r.width) * r.height, 1);
      palette[0] = 0x00000000u;  // transparent
      palette[1] = r.argb;
      rect.x = r.x;
      rect.y = r.y;
      rect.w = r.width;
      rect.h = r.height;
      rect.nb_colors = 4;
      rect.data[0] = bitmap.data();
      rect.linesize[0] = r.width;
      rect.data[1] = reinterpret_cast<uint8_t*>(palette);
      rect.linesize[1] = 4 * 4;
      rect.type = SUBTITLE_BITMAP;
      sub.num_rects = 1;
      sub.rects = rects;
      sub.end_display_time = static_cast<uint32_t>(std::lround(ev.duration * 1000));
    }
    std::vector<uint8_t> buf(1 << 20);
    int size = avcodec_encode_subtitle(subs_, buf.data(), static_cast<int>(buf.size()), &sub);
    if (size < 0) return Fail("subtitle encoding failed", size);
    int r = av_new_packet(pkt_, size);
    if (r < 0) return Fail("out of memory", r);
    std::memcpy(pkt_->data, buf.data(), static_cast<size_t>(size));
    pkt_->pts = pkt_->dts = std::llround(ev.time * 1000);
    pkt_->duration = std::llround(ev.duration * 1000);
    pkt_->flags |= AV_PKT_FLAG_KEY;
    av_packet_rescale_ts(pkt_, subs_->time_base, sst_->time_base);
    pkt_->stream_index = sst_->index;
    if ((r = av_interleaved_write_frame(oc_, pkt_)) < 0) return Fail("writing a subtitle failed", r);
    return true;
  }

  bool Finish() {
    int r = av_write_trailer(oc_);
    if (r < 0) return Fail("cannot write the trailer", r);
    if ((r = avio_closep(&oc_->pb)) < 0) return Fail("cannot close the file", r);
    return true;
  }

  const OutputSpec& spec_;
  std::string* err_;
  AVFormatContext* oc_ = nullptr;
  AVCodecContext* video_ = nullptr;
  AVCodecContext* subs_ = nullptr;
  AVStream* vst_ = nullptr;
  AVStream* sst_ = nullptr;
  AVFrame* vframe_ = nullptr;
  AVPacket* pkt_ = nullptr;
  int64_t video_frames_ = 0, vnext_ = 0;
  std::vector<AudioTrack> audio_;
  std::vector<Subtitle> events_;
  bool text_ = false;        // events are kTextLines
  bool ass_placed_ = false;  // lines carry kAssLineX/Y
  size_t snext_ = 0;
};

}  // namespace

bool WriteFixture(const OutputSpec& spec, std::string* err) {
  Writer w(spec, err);
  return w.Run();
}

}  // namespace zv::fixtures
