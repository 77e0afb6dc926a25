#include "engine/track_list.h"

#include "runtime/av_headers.h"
#include "runtime/entry_points.h"

namespace zv {

namespace {

std::string Tag(const AVStream* s, const char* key) {
  const AVDictionaryEntry* e = ff::av_dict_get(s->metadata, key, nullptr, 0);
  return e && e->value ? std::string(e->value) : std::string();
}

// "N: lang - title (details)", leaving out what the stream does not say.
std::string TrackName(int number, const AVStream* s, const std::string& details) {
  std::string label = Tag(s, "language");
  if (label == "und") label.clear();
  const std::string title = Tag(s, "title");
  if (!title.empty()) label += (label.empty() ? "" : " - ") + title;
  std::string name = std::to_string(number);
  if (!label.empty()) name += ": " + label;
  return name + " (" + details + ")";
}

std::string CodecName(const AVStream* s) {
  const char* n = ff::avcodec_get_name(s->codecpar->codec_id);
  return n && *n ? n : "unknown";
}

bool IsTextCodec(const AVStream* s) {
  const AVCodecDescriptor* d = ff::avcodec_descriptor_get(s->codecpar->codec_id);
  return d && (d->props & AV_CODEC_PROP_TEXT_SUB);
}

void MarkCurrent(std::vector<TTrack>& tracks, int stream) {
  for (TTrack& t : tracks) t.Current = t.Stream == stream;
}

}  // namespace

TFileTracks ReadTracks(const AVFormatContext* ic) {
  TFileTracks out;
  if (!ic) return out;
  for (unsigned i = 0; i < ic->nb_streams; ++i) {
    const AVStream* s = ic->streams[i];
    TTrack t;
    t.Stream = int(i);
    if (s->codecpar->codec_type == AVMEDIA_TYPE_AUDIO) {
      const int channels = s->codecpar->ch_layout.nb_channels;
      std::string details = CodecName(s);
      if (channels > 0) details += ", " + std::to_string(channels) + " ch";
      t.Name = TrackName(int(out.Audio.size()) + 1, s, details);
      out.Audio.push_back(std::move(t));
    } else if (s->codecpar->codec_type == AVMEDIA_TYPE_SUBTITLE) {
      t.Text = IsTextCodec(s);
      t.Name = TrackName(int(out.Subtitles.size()) + 1, s, CodecName(s));
      out.Subtitles.push_back(std::move(t));
    }
  }
  return out;
}

void TTrackList::Set(const void* AOwner, TFileTracks ATracks, int AAudioStream, int ASubtitleStream) {
  std::lock_guard<std::mutex> g(FLock);
  FOwner = AOwner;
  FTracks = std::move(ATracks);
  FAudio = AAudioStream;
  FSubtitle = ASubtitleStream;
  FPending = {};
}

void TTrackList::Clear(const void* AOwner) {
  std::lock_guard<std::mutex> g(FLock);
  if (FOwner != AOwner) return;
  FOwner = nullptr;
  FTracks = {};
  FAudio = FSubtitle = -1;
  FPending = {};
}

TFileTracks TTrackList::Get(const void* AOwner) const {
  std::lock_guard<std::mutex> g(FLock);
  if (!AOwner || FOwner != AOwner) return {};
  TFileTracks out = FTracks;
  MarkCurrent(out.Audio, FAudio);
  MarkCurrent(out.Subtitles, FSubtitle);
  return out;
}

bool TTrackList::RequestAudio(const void* AOwner, int AStream) {
  std::lock_guard<std::mutex> g(FLock);
  if (!AOwner || FOwner != AOwner) return false;
  FAudio = AStream;
  FPending.Audio = true;
  FPending.AudioStream = AStream;
  return true;
}

bool TTrackList::RequestSubtitle(const void* AOwner, int AStream) {
  std::lock_guard<std::mutex> g(FLock);
  if (!AOwner || FOwner != AOwner) return false;
  FSubtitle = AStream;
  FPending.Subtitle = true;
  FPending.SubtitleStream = AStream;
  return true;
}

bool TTrackList::Pending(const void* AOwner) const {
  std::lock_guard<std::mutex> g(FLock);
  return AOwner && FOwner == AOwner && (FPending.Audio || FPending.Subtitle);
}

bool TTrackList::Take(const void* AOwner, TStreamSwitch& ASwitch) {
  std::lock_guard<std::mutex> g(FLock);
  if (!AOwner || FOwner != AOwner || !(FPending.Audio || FPending.Subtitle)) return false;
  ASwitch = FPending;
  FPending = {};
  return true;
}

void TTrackList::SetPlaying(const void* AOwner, int AAudioStream, int ASubtitleStream) {
  std::lock_guard<std::mutex> g(FLock);
  if (FOwner != AOwner) return;
  // A newer request than the one carried out keeps showing as chosen.
  if (!FPending.Audio) FAudio = AAudioStream;
  if (!FPending.Subtitle) FSubtitle = ASubtitleStream;
}

}  // namespace zv
