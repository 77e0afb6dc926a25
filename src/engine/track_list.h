#pragma once
// The open file's sound and subtitle streams as the user chooses between
// them, which of them play, and the switches asked for that the reader has
// not carried out yet. Read once at open, kept beside the playback (not in
// it), tagged with the playback so a closed one's never show.
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

struct AVFormatContext;

namespace zv {

// One track as menus and the terminal name it.
struct TTrack {
  int Stream = -1;     // the stream's index in the file
  std::string Name;    // "2: fre - Commentary (aac, 2 ch)"
  bool Text = false;   // a subtitle stream drawn as text (not bitmaps)
  bool Current = false;
};

// The file's sound streams and subtitle streams, each list in file order
// and numbered from 1 in its name.
struct TFileTracks {
  std::vector<TTrack> Audio;
  std::vector<TTrack> Subtitles;
};
TFileTracks ReadTracks(const AVFormatContext* ic);

// A stream switch the reader carries out: the stream of the kind to play
// from now on, -1 for none.
struct TStreamSwitch {
  bool Audio = false, Subtitle = false;  // which of the two is asked for
  int AudioStream = -1, SubtitleStream = -1;
};

class TTrackList {
public:
  // Reader thread at open: the tracks and the streams it opened.
  void Set(const void* AOwner, TFileTracks ATracks, int AAudioStream, int ASubtitleStream);
  void Clear(const void* AOwner);
  // With Current set on the streams playing (or asked for).
  TFileTracks Get(const void* AOwner) const;
  // Asks for a stream of the kind to play (the newest request wins); false
  // when AOwner is not the playback the list is of.
  bool RequestAudio(const void* AOwner, int AStream);
  bool RequestSubtitle(const void* AOwner, int AStream);
  // Reader thread: the switches asked for since the last take.
  bool Pending(const void* AOwner) const;
  bool Take(const void* AOwner, TStreamSwitch& ASwitch);
  // Reader thread: what plays after a switch (a failed one leaves another).
  void SetPlaying(const void* AOwner, int AAudioStream, int ASubtitleStream);

private:
  mutable std::mutex FLock;
  const void* FOwner = nullptr;  // guarded by FLock
  TFileTracks FTracks;           // guarded by FLock
  int FAudio = -1, FSubtitle = -1;  // guarded by FLock: playing or asked for
  TStreamSwitch FPending;        // guarded by FLock
};

}  // namespace zv
