#include "runtime/file_info_text.h"

#include <cmath>

#include "runtime/av_ptr.h"
#include "runtime/entry_points.h"
#include "runtime/file_utils.h"
#include "runtime/format.h"
#include "runtime/media_errors.h"
#include "runtime/metadata_key_names.h"
#include "runtime/text_escape.h"
#include "runtime/unicode_names.h"

namespace zv {

namespace {

constexpr AVRational kMicroseconds{1, 1000000};

void AppendRate(std::string& line, AVRational r, const char* unit) {
  if (r.num != 0 && r.den != 0) line += RateText(av_q2d(r), unit);
}

std::string ProgramValue(const AVDictionary* metadata, const char* key, const char* currentKey) {
  std::string v = GetMetadataValue(metadata, key, "");
  // Today's demuxers store the service names under these keys.
  if (v.empty()) v = GetMetadataValue(metadata, currentKey, "N/A");
  return EscapeControlChars(v);
}

}  // namespace

std::string RateText(double d, const char* unit) {
  // Halves to even, as the default rounding mode does.
  int64_t v = std::llrint(d * 100);
  if (v % 100 != 0) return Format(", %3.2f %s", {d, unit});
  if (v % 100000 != 0) return Format(", %1.0f %s", {d, unit});
  return Format(", %1.0fk %s", {d / 1000, unit});
}

std::string MicrosecondsText(int64_t us) {
  // The sign once, in front: -7 ms is "-0.007000", not "0.-007000".
  const char* sign = us < 0 ? "-" : "";
  const uint64_t mag = us < 0 ? uint64_t(0) - uint64_t(us) : uint64_t(us);
  return Format("%s%d.%.6d", {sign, int64_t(mag / 1000000), int64_t(mag % 1000000)});
}

void AppendMetadataBlock(const AVDictionary* metadata, const std::string& prefix, std::vector<std::string>& lines) {
  if (!metadata) return;
  int count = ff::av_dict_count(metadata);
  // An empty dictionary is as good as none; a lone language is shown on the stream line.
  if (count == 0) return;
  if (count == 1 && ff::av_dict_get(metadata, "language", nullptr, 0)) return;
  lines.push_back(Format("%sMetadata:", {prefix}));
  const AVDictionaryEntry* e = nullptr;
  while ((e = ff::av_dict_get(metadata, "", e, AV_DICT_IGNORE_SUFFIX))) {
    std::string_view key = e->key ? e->key : "";
    if (key == "language") continue;
    // Text from the file: escaped, so it cannot end its line or forge another.
    lines.push_back(Format("%s  %-16s: %s", {prefix, EscapeControlChars(ShownMetadataKey(key)),
                                             EscapeControlChars(e->value ? e->value : "")}));
  }
}

void AppendStreamLines(const AVFormatContext* ic, unsigned index, std::vector<std::string>& lines) {
  const AVStream* st = ic->streams[index];
  const AVCodecParameters* par = st->codecpar;
  std::string line = Format("Stream #%d", {index});
  if (ic->iformat && (ic->iformat->flags & AVFMT_SHOW_IDS)) line += Format("[0x%x]", {uint32_t(st->id)});
  std::string language = GetMetadataValue(st->metadata, "language", "");
  if (!language.empty()) line += Format("(%s)", {EscapeControlChars(language)});
  int64_t g = ff::av_gcd(st->time_base.num, st->time_base.den);
  if (g == 0) g = 1;
  line += Format(", %d/%d", {st->time_base.num / g, st->time_base.den / g});

  AVRational codecTimeBase{0, 0};
  {
    char buf[256] = {};
    if (AVCodecContextPtr cc{ff::avcodec_alloc_context3(nullptr)}) {
      if (ff::avcodec_parameters_to_context(cc.get(), par) >= 0) ff::avcodec_string(buf, sizeof buf, cc.get(), 0);
      codecTimeBase = cc->time_base;
    }
    line += ": ";
    line += buf;
  }

  AVRational sar = st->sample_aspect_ratio;
  if (sar.num != 0 && av_cmp_q(sar, par->sample_aspect_ratio) != 0) {
    int dn = 0, dd = 0;
    ff::av_reduce(&dn, &dd, int64_t(par->width) * sar.num, int64_t(par->height) * sar.den, 1024 * 1024);
    line = Format("%s, PAR %d:%d DAR %d:%d", {line, sar.num, sar.den, dn, dd});
  }
  if (par->codec_type == AVMEDIA_TYPE_VIDEO) {
    AppendRate(line, st->avg_frame_rate, "fps");
    AppendRate(line, st->r_frame_rate, "tbr");
    AppendRate(line, av_inv_q(st->time_base), "tbn");
    AppendRate(line, av_inv_q(codecTimeBase), "tbc");
  }
  if (st->start_time != AV_NOPTS_VALUE)
    line += ", StartTime: " + MicrosecondsText(ff::av_rescale_q(st->start_time, st->time_base, kMicroseconds));
  if (st->duration == AV_NOPTS_VALUE)
    line += ", Duration: N/A";
  else
    line += Format(", Duration: %s", {FormatMediaTime(ff::av_rescale_q(st->duration, st->time_base, kMicroseconds))});
  lines.push_back(std::move(line));
  AppendMetadataBlock(st->metadata, "  ", lines);
}

std::vector<std::string> FileInfoLines(const AVFormatContext* ic, int64_t fileSize, const TFileStreamInfo& info) {
  std::vector<std::string> lines;
  lines.push_back(Format("File Name: %s", {EscapeControlChars(LibraryNameToFileName(ic->url ? ic->url : ""))}));
  const char* formatName = ic->iformat && ic->iformat->name ? ic->iformat->name : "";
  lines.push_back(Format("Format Name: %s", {formatName}));
  if (ic->iformat && ic->iformat->long_name && *ic->iformat->long_name)
    lines.push_back(Format("Format Long Name: %s", {ic->iformat->long_name}));
  // An unknown size is not "-1 Byte".
  lines.push_back(fileSize < 0 ? std::string("File Size: N/A") : Format("File Size: %s", {FormatFileSize(fileSize)}));
  if (info.Duration < 0)
    lines.push_back("Duration: N/A");
  else
    lines.push_back(Format("Duration: %s", {FormatMediaTime(info.Duration)}));
  if (info.StartTime >= 0) lines.push_back("StartTime: " + MicrosecondsText(info.StartTime));
  if (info.BitRate >= 1)
    lines.push_back(Format("Bit Rate: %d kb/s", {info.BitRate / 1000}));
  else
    lines.push_back("Bit Rate: N/A");
  if (info.TimeStamp > 0)
    lines.push_back(Format("Time Stamp: %s", {FormatDateTime(UnixTimeToDateTime(info.TimeStamp))}));
  AppendMetadataBlock(ic->metadata, "", lines);

  for (unsigned i = 0; i < ic->nb_chapters; ++i) {
    const AVChapter* ch = ic->chapters[i];
    double tb = av_q2d(ch->time_base);
    lines.push_back(Format("Chapter #%d: start %f, end %f", {i, double(ch->start) * tb, double(ch->end) * tb}));
    AppendMetadataBlock(ch->metadata, "  ", lines);
  }

  std::vector<bool> shown(ic->nb_streams, false);
  for (unsigned j = 0; j < ic->nb_programs; ++j) {
    const AVProgram* p = ic->programs[j];
    std::string provider = ProgramValue(p->metadata, "provider_name", "service_provider");
    std::string name = ProgramValue(p->metadata, "name", "service_name");
    lines.push_back(Format("Program %d %s", {p->id, provider + "@" + name}));
    AppendMetadataBlock(p->metadata, "  ", lines);
    for (unsigned k = 0; k < p->nb_stream_indexes; ++k) {
      unsigned s = p->stream_index[k];
      // A program may list an index the demuxer has not (yet) made a stream for.
      if (s >= ic->nb_streams) continue;
      AppendStreamLines(ic, s, lines);
      shown[s] = true;
    }
  }
  for (unsigned i = 0; i < ic->nb_streams; ++i)
    if (!shown[i]) AppendStreamLines(ic, i, lines);
  return lines;
}

std::string JoinInfoLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& l : lines) {
    text += l;
    text += "\r\n";
  }
  return text;
}

}  // namespace zv
