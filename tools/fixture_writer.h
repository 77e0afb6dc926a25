#pragma once
// Encodes and muxes one synthetic media file: coded pictures, tones and bitmap
// subtitles as described in fixture_list.h, with metadata, chapters and
// programs. Everything is single-threaded and bit-exact so that a run writes
// the same bytes every time.
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace zv::fixtures {

using Options = std::vector<std::pair<std::string, std::string>>;

struct VideoSpec {
  std::string encoder;
  int width = 320;
  int height = 240;
  int fps = 25;
  int sar_num = 0, sar_den = 1;  // 0/1: unset
  int gop = 25;
  int max_b_frames = -1;         // -1: the encoder's default
  int qscale = 0;                // > 0: constant quantiser
  bool low_delay = false;        // no reordering delay: dts == pts from the first frame
  int texture = 0;               // > 0: moving fine detail of this amplitude, so decoding costs what real footage does
  long bit_rate = 0;
  Options options;               // encoder private options
  std::string language;
  int bars = -1;                 // >= 0: colour bars (a BarMatrix) instead of coded pictures
  int colorspace = -1;           // >= 0: the AVColorSpace the stream says it holds
  bool full_range = false;       // bars and the stream's tag in full range
  int rotation = 0;              // display matrix: turned clockwise by this many degrees,
  bool hflip = false;            // then flipped left-right
  int edge = 0;                  // 1: the moving edge, progressive; 2: interlaced
};

struct AudioSpec {
  std::string encoder;
  int sample_rate = 48000;
  int channels = 2;
  long bit_rate = 0;
  Options options;
  std::string language;
  std::string title;
  int tone_offset = 0;  // channel c carries kToneFrequencies[c + tone_offset]
};

struct SubtitleSpec {
  std::string encoder;      // "dvdsub", "dvbsub" (kSubtitleRects) or "subrip", "ass" (kTextLines)
  bool clear_events = false;  // follow each event with an empty one at its end
  std::string language;
};

struct ChapterSpec {
  double start, end;
  std::string title;
};

struct ProgramSpec {
  int id;
  std::vector<int> streams;  // indices in the order video, audio, subtitles
  std::string name;
};

struct OutputSpec {
  std::string path;
  std::string format;  // muxer name
  double seconds = 4;
  std::optional<VideoSpec> video;
  std::optional<AudioSpec> audio;
  std::vector<AudioSpec> more_audio;  // further sound streams after the first
  std::optional<SubtitleSpec> subtitles;
  Options metadata;
  std::vector<ChapterSpec> chapters;
  std::vector<ProgramSpec> programs;
  long max_delay_us = -1;  // muxer delay; the MPEG-TS muxer offsets by twice this
  Options muxer_options;
};

// Writes the file; false with a message in *err on any failure.
bool WriteFixture(const OutputSpec& spec, std::string* err);

}  // namespace zv::fixtures
