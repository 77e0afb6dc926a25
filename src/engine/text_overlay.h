#pragma once
// Text drawn over the output: the selected text subtitle track and the
// on-screen messages, both rendered by libass at the output's pixel size into
// one ARGB layer. Fed by the subtitle decoder (any thread), read by the play
// thread when it draws. Without libass it stays empty and says so once.
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <unordered_set>
#include <vector>

#include "engine/subtitle_text.h"
#include "runtime/ass_api.h"

namespace zv {

// Where the layer goes: the whole output, and the picture's place in it
// (subtitles stay inside the picture, messages use the whole output).
struct TOverlayGeometry {
  int OutputWidth = 0, OutputHeight = 0;
  int PictureX = 0, PictureY = 0, PictureWidth = 0, PictureHeight = 0;
  int VideoWidth = 0, VideoHeight = 0;  // the stored picture's size, 0 when none
  bool operator==(const TOverlayGeometry&) const = default;
};

struct TOverlayRect {
  int X = 0, Y = 0, Width = 0, Height = 0;
  bool operator==(const TOverlayRect&) const = default;
};

// The layer: straight-alpha 0xAARRGGBB at the output's size; only Parts
// (disjoint, inside Box) hold anything, so only they are converted, uploaded
// and blended: lines far apart do not make the space between them cost.
struct TOverlayLayer {
  int Width = 0, Height = 0;
  std::vector<uint32_t> Argb;
  std::vector<TOverlayRect> Parts;
  int BoxX = 0, BoxY = 0, BoxWidth = 0, BoxHeight = 0;  // empty: nothing to draw
  bool Empty() const { return BoxWidth <= 0 || BoxHeight <= 0; }
};

class TTextOverlay {
public:
  using TClock = std::function<double()>;  // monotonic seconds
  static constexpr int DefaultMessageMs = 1500;

  explicit TTextOverlay(TClock clock = {});
  ~TTextOverlay();
  TTextOverlay(const TTextOverlay&) = delete;
  TTextOverlay& operator=(const TTextOverlay&) = delete;

  // Called (any thread, no lock held) when something new waits to be drawn.
  void SetChangeSink(std::function<void()> sink);
  // False when libass is not there.
  bool Available();

  // The embedded track: an ASS header (as the decoders give it; empty for a
  // default one), then its events as ASS event lines
  // ("ReadOrder,Layer,Style,Name,MarginL,MarginR,MarginV,Effect,Text").
  // Opening it selects it unless a file's track is selected.
  bool OpenTrack(const std::string& header);
  void AddFont(const std::string& name, const uint8_t* data, int size);
  void AddEvent(const std::string& line, int64_t startMs, int64_t durationMs);
  // A seek: the decoder starts over, with new read orders.
  void FlushEvents();
  void CloseTrack();
  bool HasTrack();  // a track is selected

  // A file's track, loaded whole; select: show it now. Ignored (false) when
  // the overlay was reset since generation was taken.
  bool AddFileTrack(const std::string& name, const TParsedSubtitles& parsed, bool select, uint64_t generation);
  // The playback ended: every track goes. Returns the new generation.
  uint64_t Reset();
  uint64_t Generation();
  // Tracks to choose from: 0 the embedded one (when open), then the files'.
  // Selected(): -1 none.
  int TrackCount();
  int Selected();
  void Select(int index);
  std::string TrackName(int index);

  // Subtitles shown or hidden (messages stay), and their delay: a positive
  // delay shows each line later.
  void SetVisible(bool v);
  // The bottom rows of the output the window covers (its controls): lines
  // placed at the bottom are lifted above them. Messages are not moved.
  void SetBottomReserve(int pixels);
  bool Visible();
  void SetDelayMs(int64_t ms);
  int64_t DelayMs();

  // An on-screen message for durationMs, replacing the one shown.
  void ShowMessage(const std::string& text, int durationMs = DefaultMessageMs);
  std::string Message();  // the one shown now, empty when none

  // Play thread: renders the layer for the picture of mediaTime (s) on an
  // output of geometry g; true when its pixels changed since the last call.
  bool Render(const TOverlayGeometry& g, double mediaTime);
  const TOverlayLayer& Layer() const { return FLayer; }  // play thread, after Render
  // Play thread: something waits to be drawn (a new event, a message shown
  // or ended, a setting); clears the note.
  bool TakeRedraw();
  // Milliseconds until a message ends (-1 when none).
  int MsUntilChange();

private:
  bool Ready_Locked();
  bool EnsureRenderers_Locked();
  void Composite_Locked(const TOverlayGeometry& geo, ASS_Image* subs, ASS_Image* message);
  void Notify();

  TClock FClock;
  std::function<void()> FSink;  // set before use

  std::mutex FLock;
  const TAssEntryPoints* FAss = nullptr;  // guarded by FLock (set at first use)
  bool FLibraryTried = false;            // guarded by FLock
  ASS_Library* FLibrary = nullptr;       // guarded by FLock
  ASS_Renderer* FSubRenderer = nullptr;  // guarded by FLock
  ASS_Renderer* FMsgRenderer = nullptr;  // guarded by FLock
  bool FRendererFailed = false;          // guarded by FLock
  ASS_Track* Track_Locked();  // the selected one, or null
  ASS_Track* FTrack = nullptr;           // guarded by FLock: the embedded track
  struct TFileTrack {
    std::string Name;
    ASS_Track* Track;
  };
  std::vector<TFileTrack> FFiles;        // guarded by FLock
  std::unordered_set<std::string> FSeen;  // guarded by FLock: the embedded track's events
  int64_t FNextReadOrder = 0;            // guarded by FLock
  int FSelected = -1;                    // guarded by FLock: -1 none, 0 embedded, i > 0 FFiles[i - 1]
  uint64_t FGeneration = 0;              // guarded by FLock
  ASS_Track* FMsgTrack = nullptr;        // guarded by FLock
  std::string FMessage;                  // guarded by FLock
  double FMessageUntil = 0;              // guarded by FLock
  bool FVisible = true;                  // guarded by FLock
  int FBottomReserve = 0;                // guarded by FLock
  int64_t FDelayMs = 0;                  // guarded by FLock
  bool FRedraw = false;                  // guarded by FLock
  bool FForce = true;                    // guarded by FLock: the next Render composites anew
  TOverlayGeometry FGeometry;            // guarded by FLock
  TOverlayLayer FLayer;                  // play thread (written under FLock)
  std::vector<uint32_t> FScratch;        // play thread: the layer premultiplied
};

// The message texts of the player's operations.
std::string SeekMessage(int64_t positionMs, int64_t durationMs);  // "00:12:34 / 01:30:00"
std::string VolumeMessage(int volume, int maxVolume);             // "Volume 75%"

}  // namespace zv
