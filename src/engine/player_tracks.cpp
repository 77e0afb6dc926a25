// The player's track operations: the sound and subtitle streams the user
// chooses between (application thread), and the switch itself, which the
// reader carries out between two packets.
#include <algorithm>
#include <cmath>

#include "engine/clocks.h"
#include "engine/player.h"
#include "engine/subtitle_thread.h"
#include "runtime/entry_points.h"

namespace zv {

namespace {

// A subtitle stream switched to is read again from this long before the
// position, so that a line already begun shows too.
constexpr double SubtitleLookBack = 5.0;

int CurrentIndex(const std::vector<TTrack>& tracks) {
  for (size_t i = 0; i < tracks.size(); ++i)
    if (tracks[i].Current) return int(i);
  return -1;
}

}  // namespace

std::vector<TTrack> TCustomPlayer::AudioTracks() const {
  std::lock_guard<TPlayerLock> g(FPlayerLock);
  return FTracks.Get(CurStream()).Audio;
}

bool TCustomPlayer::SelectAudioTrack(int ANumber) {
  std::string name;
  {
    std::lock_guard<TPlayerLock> g(FPlayerLock);
    TMediaState* playback = CurStream();
    if (!playback || DisableAudio()) return false;
    const std::vector<TTrack> tracks = FTracks.Get(playback).Audio;
    if (ANumber < 1 || ANumber > int(tracks.size())) return false;
    const TTrack& t = tracks[size_t(ANumber - 1)];
    name = t.Name;
    if (!t.Current && FTracks.RequestAudio(playback, t.Stream)) playback->ReaderGate.Notify();
  }
  ShowMessage("Audio: " + name);
  return true;
}

void TCustomPlayer::CycleAudioTrack() {
  const std::vector<TTrack> tracks = AudioTracks();
  if (tracks.empty()) return;
  SelectAudioTrack((CurrentIndex(tracks) + 1) % int(tracks.size()) + 1);
}

std::vector<TTrack> TCustomPlayer::SubtitleTracks() {
  std::vector<TTrack> out;
  {
    std::lock_guard<TPlayerLock> g(FPlayerLock);
    if (!CurStream()) return out;
    out = FTracks.Get(CurStream()).Subtitles;
  }
  // A file's track shown wins over an embedded stream still open.
  const int selected = FTextOverlay.Selected();
  if (selected > 0)
    for (TTrack& t : out) t.Current = false;
  const int files = FTextOverlay.TrackCount() - 1;
  for (int i = 1; i <= files; ++i) {
    TTrack t;
    t.Name = std::to_string(out.size() + 1) + ": " + FTextOverlay.TrackName(i);
    t.Text = true;
    t.Current = selected == i;
    out.push_back(std::move(t));
  }
  return out;
}

bool TCustomPlayer::SelectSubtitleTrack(int ANumber) {
  std::string name;
  {
    std::lock_guard<TPlayerLock> g(FPlayerLock);
    TMediaState* playback = CurStream();
    if (!playback) return false;
    const std::vector<TTrack> streams = FTracks.Get(playback).Subtitles;
    const int files = FTextOverlay.TrackCount() - 1;
    if (ANumber < 0 || ANumber > int(streams.size()) + files) return false;
    const int open = CurrentIndex(streams);
    int wanted = -1;  // the stream to have open
    if (ANumber == 0) {
      FTextOverlay.Select(-1);
    } else if (ANumber <= int(streams.size())) {
      const TTrack& t = streams[size_t(ANumber - 1)];
      name = t.Name;
      wanted = t.Stream;
      // Open already: only the files' track gives way (a switch selects it).
      if (t.Current) FTextOverlay.Select(t.Text ? 0 : -1);
    } else {
      FTextOverlay.Select(ANumber - int(streams.size()));
      name = std::to_string(ANumber) + ": " + FTextOverlay.TrackName(ANumber - int(streams.size()));
    }
    const int openStream = open >= 0 ? streams[size_t(open)].Stream : -1;
    if (wanted != openStream && FTracks.RequestSubtitle(playback, wanted)) playback->ReaderGate.Notify();
  }
  if (ANumber == 0) {
    ShowMessage("Subtitles: none");
    return true;
  }
  if (!FTextOverlay.Visible()) FTextOverlay.SetVisible(true);
  ShowMessage("Subtitles: " + name);
  return true;
}

void TCustomPlayer::CycleSubtitleTrack() {
  // Each track in turn, then none, then the first again.
  const std::vector<TTrack> tracks = SubtitleTracks();
  const int current = CurrentIndex(tracks);
  const int next = current + 1 >= int(tracks.size()) ? 0 : current + 2;
  SelectSubtitleTrack(next);
}

TStreamReread TCustomPlayer::SwitchStreams(TMediaState* playback) {
  TStreamReread r;
  TStreamSwitch sw;
  if (!FTracks.Take(playback, sw)) return r;
  // Where the sound (or the picture) stands before anything closes.
  const double now = GetMasterClock(playback);
  int64_t seekTo = INT64_MAX;
  if (sw.Audio && sw.AudioStream != playback->AudioStreamIndex && SwitchAudioStream(playback, sw.AudioStream, now)) {
    const AVStream* st = playback->AudioStream.load();
    r.Fresh.push_back(playback->AudioStreamIndex);
    r.TrimStream = playback->AudioStreamIndex;
    r.TrimFrom = std::llround(now / av_q2d(st->time_base));
    seekTo = std::llround(now * AV_TIME_BASE);
  }
  if (sw.Subtitle && sw.SubtitleStream != playback->SubtitleStreamIndex) {
    if (playback->SubtitleStreamIndex >= 0) StreamComponentClose(playback, playback->SubtitleStreamIndex);
    if (sw.SubtitleStream >= 0 && StreamComponentOpen(playback, sw.SubtitleStream) == 0) {
      r.Fresh.push_back(sw.SubtitleStream);
      seekTo = std::min<int64_t>(seekTo, std::llround((now - SubtitleLookBack) * AV_TIME_BASE));
    }
  }
  // Its lines replace a file's, and a bitmap stream hides the text ones; also
  // when requests to close it and to have it again came before this.
  if (sw.Subtitle && sw.SubtitleStream >= 0 && sw.SubtitleStream == playback->SubtitleStreamIndex)
    FTextOverlay.Select(IsTextSubtitleCodec(playback->SubtitleCodec.get()) ? 0 : -1);
  FTracks.SetPlaying(playback, playback->AudioStreamIndex, playback->SubtitleStreamIndex);
  if (!r.Fresh.empty()) {
    r.Needed = true;
    r.SeekTo = std::max<int64_t>(seekTo, playback->StartTime);
  }
  return r;
}

bool TCustomPlayer::SwitchAudioStream(TMediaState* playback, int AIndex, double ANow) {
  const int old = playback->AudioStreamIndex;
  if (old >= 0) StreamComponentClose(playback, old);
  // Until the new sound arrives the clock stands where the old one stopped:
  // the pictures wait for it instead of running ahead.
  TAudioClock& clock = playback->AudioClock;
  clock.PublishCallback(ClockMicros(), 0);
  clock.BeginUpdate();
  clock.SetPts(ANow);
  clock.SetChunk(0);
  clock.EndUpdate();
  if (AIndex >= 0 && StreamComponentOpen(playback, AIndex) == 0) return true;
  // The sound it had, rather than none.
  return old >= 0 && old != AIndex && StreamComponentOpen(playback, old) == 0;
}

}  // namespace zv
