#include "engine/subtitle_text.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fstream>

#include "runtime/ass_api.h"
#include "runtime/av_ptr.h"
#include "runtime/codec_lock.h"
#include "runtime/entry_points.h"

namespace zv {

namespace {

// A file with more events than this is not a subtitle file anyone watches.
constexpr size_t MaxEvents = 1000000;
constexpr int64_t DefaultLineMs = 5000;
constexpr int IOBufferSize = 1 << 16;

bool Convert(const std::string& in, size_t skip, const char* from, std::string& out) {
  iconv_t cd = iconv_open("UTF-8", from);
  if (cd == iconv_t(-1)) return false;
  out.clear();
  char* src = const_cast<char*>(in.data()) + skip;
  size_t left = in.size() - skip;
  std::string buf(65536, '\0');
  bool ok = true;
  while (left > 0) {
    char* dst = buf.data();
    size_t room = buf.size();
    const size_t r = iconv(cd, &src, &left, &dst, &room);
    out.append(buf.data(), buf.size() - room);
    if (r == size_t(-1) && errno != E2BIG) {
      // A cut-off last character ends the text; anything else is not this encoding.
      ok = errno == EINVAL;
      break;
    }
  }
  iconv_close(cd);
  return ok;
}

bool ValidUtf8(const std::string& s) {
  const auto* p = reinterpret_cast<const unsigned char*>(s.data());
  const size_t n = s.size();
  for (size_t i = 0; i < n;) {
    const unsigned c = p[i];
    int more = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
    if (more < 0 || (more == 1 && c < 0xC2)) return false;
    if (i + more >= n + (more ? 0 : 1)) return false;
    for (int k = 1; k <= more; ++k)
      if ((p[i + k] >> 6) != 2) return false;
    i += size_t(more) + 1;
  }
  return true;
}

std::string Guess(const std::string& bytes) {
  const TCharsetEntryPoints* cd = CharsetLibrary();
  if (!cd) return {};
  void* d = cd->uchardet_new();
  if (!d) return {};
  std::string charset;
  if (cd->uchardet_handle_data(d, bytes.data(), bytes.size()) == 0) {
    cd->uchardet_data_end(d);
    if (const char* c = cd->uchardet_get_charset(d)) charset = c;
  }
  cd->uchardet_delete(d);
  return charset;
}

struct TMemoryReader {
  const std::string* Data;
  size_t Pos = 0;
};

int ReadMemory(void* opaque, uint8_t* buf, int size) {
  auto* r = static_cast<TMemoryReader*>(opaque);
  const size_t left = r->Data->size() - r->Pos;
  if (left == 0) return AVERROR_EOF;
  const size_t n = std::min(left, size_t(size));
  memcpy(buf, r->Data->data() + r->Pos, n);
  r->Pos += n;
  return int(n);
}

int64_t SeekMemory(void* opaque, int64_t offset, int whence) {
  auto* r = static_cast<TMemoryReader*>(opaque);
  const int64_t size = int64_t(r->Data->size());
  if (whence & AVSEEK_SIZE) return size;
  int64_t pos = offset;
  if ((whence & 3) == SEEK_CUR) pos += int64_t(r->Pos);
  else if ((whence & 3) == SEEK_END) pos += size;
  if (pos < 0 || pos > size) return -1;
  r->Pos = size_t(pos);
  return pos;
}

struct TIODeleter {
  void operator()(AVIOContext* pb) const {
    ff::av_freep(&pb->buffer);
    ff::avio_context_free(&pb);
  }
};

}  // namespace

bool SubtitleBytesToUtf8(const std::string& bytes, std::string& utf8, std::string& encoding, std::string& error) {
  const auto* b = reinterpret_cast<const unsigned char*>(bytes.data());
  const size_t n = bytes.size();
  if (n >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF) {
    encoding = "UTF-8";
    utf8 = bytes.substr(3);
    if (ValidUtf8(utf8)) return true;
    error = "not valid UTF-8 after its byte-order mark";
    return false;
  }
  if (n >= 2 && ((b[0] == 0xFF && b[1] == 0xFE) || (b[0] == 0xFE && b[1] == 0xFF))) {
    encoding = b[0] == 0xFF ? "UTF-16LE" : "UTF-16BE";
    if (Convert(bytes, 2, encoding.c_str(), utf8)) return true;
    error = "not valid " + encoding;
    return false;
  }
  if (ValidUtf8(bytes)) {
    encoding = "UTF-8";
    utf8 = bytes;
    return true;
  }
  encoding = Guess(bytes);
  if (!encoding.empty() && encoding != "ASCII" && encoding != "UTF-8" && Convert(bytes, 0, encoding.c_str(), utf8))
    return true;
  // Every byte has a character in one of these.
  for (const char* fallback : {"WINDOWS-1252", "ISO-8859-1"}) {
    encoding = fallback;
    if (Convert(bytes, 0, fallback, utf8)) return true;
  }
  error = "cannot convert its text to UTF-8";
  return false;
}

bool ParseSubtitleText(const std::string& utf8, TParsedSubtitles& out, std::string& error,
                       const std::function<bool()>& abort) {
  out = TParsedSubtitles{};
  if (utf8.empty()) {
    error = "the file is empty";
    return false;
  }
  TMemoryReader reader{&utf8};
  auto* buffer = static_cast<unsigned char*>(ff::av_malloc(IOBufferSize));
  if (!buffer) {
    error = "out of memory";
    return false;
  }
  std::unique_ptr<AVIOContext, TIODeleter> pb(
      ff::avio_alloc_context(buffer, IOBufferSize, 0, &reader, ReadMemory, nullptr, SeekMemory));
  if (!pb) {
    ff::av_free(buffer);
    error = "out of memory";
    return false;
  }
  AVFormatContext* raw = ff::avformat_alloc_context();
  if (!raw) {
    error = "out of memory";
    return false;
  }
  raw->pb = pb.get();
  raw->flags |= AVFMT_FLAG_CUSTOM_IO;
  if (ff::avformat_open_input(&raw, "", nullptr, nullptr) < 0) {  // frees raw on failure
    error = "not a subtitle file";
    return false;
  }
  AVInputPtr fc(raw);
  int index = -1;
  for (unsigned i = 0; i < fc->nb_streams; ++i)
    if (fc->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_SUBTITLE) {
      index = int(i);
      break;
    }
  if (index < 0) {
    error = "not a subtitle file";
    return false;
  }
  AVStream* st = fc->streams[index];
  const AVCodec* codec = ff::avcodec_find_decoder(st->codecpar->codec_id);
  AVCodecContextPtr ctx(ff::avcodec_alloc_context3(codec));
  if (!codec || !ctx || ff::avcodec_parameters_to_context(ctx.get(), st->codecpar) < 0) {
    error = "no decoder for its format";
    return false;
  }
  ctx->pkt_timebase = st->time_base;
  if (OpenCodec(ctx.get(), codec, nullptr) < 0 || !(ctx->codec_descriptor && (ctx->codec_descriptor->props & AV_CODEC_PROP_TEXT_SUB))) {
    error = "no text subtitles in it";
    return false;
  }
  if (ctx->subtitle_header && ctx->subtitle_header_size > 0)
    out.Header.assign(reinterpret_cast<const char*>(ctx->subtitle_header), size_t(ctx->subtitle_header_size));
  AVPacketPtr pkt(ff::av_packet_alloc());
  if (!pkt) {
    error = "out of memory";
    return false;
  }
  const double tb = av_q2d(st->time_base);
  while (out.Events.size() < MaxEvents && ff::av_read_frame(fc.get(), pkt.get()) >= 0) {
    if (abort && abort()) {
      error = "cancelled";
      return false;
    }
    if (pkt->stream_index == index && pkt->pts != AV_NOPTS_VALUE) {
      AVSubtitle sub{};
      int got = 0;
      if (ff::avcodec_decode_subtitle2(ctx.get(), &sub, &got, pkt.get()) >= 0 && got) {
        const double start = double(pkt->pts) * tb * 1000.0 + sub.start_display_time;
        double duration = double(DefaultLineMs);
        if (sub.end_display_time > sub.start_display_time && sub.end_display_time != UINT32_MAX)
          duration = double(sub.end_display_time) - sub.start_display_time;
        else if (pkt->duration > 0)
          duration = double(pkt->duration) * tb * 1000.0;
        // Absurd times (beyond a year, or negative lengths) are left out.
        const bool sane = std::isfinite(start) && std::fabs(start) < 3.2e10 && duration > 0 && duration < 3.2e10;
        for (unsigned i = 0; sane && i < sub.num_rects; ++i) {
          const AVSubtitleRect* r = sub.rects[i];
          if (r && r->type == SUBTITLE_ASS && r->ass)
            out.Events.push_back({r->ass, int64_t(std::llround(start)), int64_t(std::llround(duration))});
        }
        ff::avsubtitle_free(&sub);
      }
    }
    ff::av_packet_unref(pkt.get());
  }
  return true;
}

bool LoadSubtitleFile(const std::string& path, TParsedSubtitles& out, std::string& error,
                      const std::function<bool()>& abort) {
  std::ifstream f(path, std::ios::binary);
  if (!f) {
    error = "cannot open the file";
    return false;
  }
  f.seekg(0, std::ios::end);
  const std::streamoff size = f.tellg();
  if (size < 0 || size > MaxSubtitleFileBytes) {
    error = size < 0 ? "cannot read the file" : "the file is too large for subtitles";
    return false;
  }
  f.seekg(0);
  std::string bytes(size_t(size), '\0');
  if (size > 0 && !f.read(bytes.data(), size)) {
    error = "cannot read the file";
    return false;
  }
  std::string utf8, encoding;
  if (!SubtitleBytesToUtf8(bytes, utf8, encoding, error)) return false;
  bytes.clear();
  return ParseSubtitleText(utf8, out, error, abort);
}

}  // namespace zv
