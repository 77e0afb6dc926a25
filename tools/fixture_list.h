#pragma once
// The test media written by tools/zelvo-fixtures: file names, what each file
// holds, and how pictures and sound are coded so that a test can read them back
// after lossy coding. Plain C++ with no media-library types, so the tool and
// the tests (which never link the media libraries) share it.
#include <cmath>
#include <cstdint>
#include <string_view>

namespace zv::fixtures {

// ---------------------------------------------------------------------------
// Picture coding
//
// Frame n (counting from 0 at the stream's first picture, stamped n / fps
// after that picture; containers may start the video stream a little after 0,
// e.g. 0.021 s in Matroska where the AAC encoder delay is absorbed) carries n in two rows of eight square blocks in the top-left corner: row 0
// holds bits 0..7, row 1 bits 8..15, block i of a row bit i (left to right);
// a block is white (luma kLumaWhite) for a 1 and black (kLumaBlack) for a 0,
// with neutral chroma. Blocks are CodeBlockSize() pixels square and start at
// multiples of it, so they sit on 16-pixel macroblock boundaries. The rest of
// the picture is a luma ramp from left to right with a chroma gradient.

inline constexpr int kCodeBlocksPerRow = 8;
inline constexpr int kCodeRows = 2;
inline constexpr int kMaxFrameNumber = (1 << (kCodeBlocksPerRow * kCodeRows)) - 1;
inline constexpr uint8_t kLumaBlack = 16;
inline constexpr uint8_t kLumaWhite = 235;
inline constexpr uint8_t kChromaNeutral = 128;
// Block means inside this band are neither black nor white: not a coded picture.
inline constexpr int kAmbiguousLow = 80;
inline constexpr int kAmbiguousHigh = 176;

// Side of one code block for a picture of this size; 0 when the picture is too
// small to carry the code (below 128x32).
inline int CodeBlockSize(int width, int height) {
  int by_width = (width / kCodeBlocksPerRow) / 16 * 16;
  int by_height = (height / (2 * kCodeRows)) / 16 * 16;
  int side = by_width < by_height ? by_width : by_height;
  if (side < 16) side = (width >= 16 * kCodeBlocksPerRow && height >= 16 * kCodeRows) ? 16 : 0;
  return side;
}

// Luma of frame `frame` at (x, y) as the tool draws it.
inline uint8_t FrameLuma(int frame, int x, int y, int width, int height) {
  int side = CodeBlockSize(width, height);
  if (side > 0 && x < side * kCodeBlocksPerRow && y < side * kCodeRows) {
    int bit = (y / side) * kCodeBlocksPerRow + x / side;
    return ((frame >> bit) & 1) ? kLumaWhite : kLumaBlack;
  }
  return static_cast<uint8_t>(48 + (x * 160) / (width > 1 ? width - 1 : 1));
}

// Chroma of the tool's pictures at luma position (x, y): Cb ramps left to
// right, Cr top to bottom, neutral over the code blocks.
inline uint8_t FrameCb(int x, int y, int width, int height) {
  int side = CodeBlockSize(width, height);
  if (side > 0 && x < side * kCodeBlocksPerRow && y < side * kCodeRows) return kChromaNeutral;
  return static_cast<uint8_t>(64 + (x * 128) / (width > 1 ? width - 1 : 1));
}
inline uint8_t FrameCr(int x, int y, int width, int height) {
  int side = CodeBlockSize(width, height);
  if (side > 0 && x < side * kCodeBlocksPerRow && y < side * kCodeRows) return kChromaNeutral;
  return static_cast<uint8_t>(64 + (y * 128) / (height > 1 ? height - 1 : 1));
}

// Frame number coded in a decoded luma plane of the picture's own size
// (thresholding each block's inner half at 128), or -1 when the picture is too
// small or a block is neither clearly black nor clearly white.
inline int ReadFrameNumber(const uint8_t* luma, int stride, int width, int height) {
  int side = CodeBlockSize(width, height);
  if (!luma || side == 0) return -1;
  int number = 0;
  for (int row = 0; row < kCodeRows; ++row) {
    for (int i = 0; i < kCodeBlocksPerRow; ++i) {
      int x0 = i * side + side / 4, y0 = row * side + side / 4;
      long sum = 0, count = 0;
      for (int y = y0; y < y0 + side / 2; ++y)
        for (int x = x0; x < x0 + side / 2; ++x, ++count) sum += luma[y * stride + x];
      long mean = sum / count;
      if (mean > kAmbiguousLow && mean < kAmbiguousHigh) return -1;
      if (mean >= 128) number |= 1 << (row * kCodeBlocksPerRow + i);
    }
  }
  return number;
}

// ---------------------------------------------------------------------------
// Colour bars
//
// The colour-bar files show kBarCount vertical bars of equal width, left to
// right in kBarColours, in every picture; no frame-number code. Each file
// converts the colours into YUV with one matrix and range and (unless it is
// an untagged file) says which in the stream, so a player using the right
// matrix shows the colours below within a few steps.

enum class BarMatrix { kBt601, kBt709, kBt2020 };
inline constexpr int kBarCount = 8;
inline constexpr uint8_t kBarColours[kBarCount][3] = {
    {191, 191, 191}, {191, 191, 0}, {0, 191, 191}, {0, 191, 0},
    {191, 0, 191},   {191, 0, 0},   {0, 0, 191},   {230, 120, 40},
};
inline int BarAt(int x, int width) { return x * kBarCount / width; }

struct BarYuv {
  uint8_t y, cb, cr;
};
inline BarYuv BarToYuv(int bar, BarMatrix m, bool fullRange) {
  const double kr = m == BarMatrix::kBt601 ? 0.299 : m == BarMatrix::kBt709 ? 0.2126 : 0.2627;
  const double kb = m == BarMatrix::kBt601 ? 0.114 : m == BarMatrix::kBt709 ? 0.0722 : 0.0593;
  const double r = kBarColours[bar][0] / 255.0, g = kBarColours[bar][1] / 255.0, b = kBarColours[bar][2] / 255.0;
  const double y = kr * r + (1 - kr - kb) * g + kb * b;
  const double cb = (b - y) / (2 * (1 - kb)), cr = (r - y) / (2 * (1 - kr));
  const double ys = fullRange ? 255 : 219, yo = fullRange ? 0 : 16, cs = fullRange ? 255 : 224;
  auto q = [](double v) { return static_cast<uint8_t>(std::lround(v < 0 ? 0 : v > 255 ? 255 : v)); };
  return {q(yo + ys * y), q(128 + cs * cb), q(128 + cs * cr)};
}

// ---------------------------------------------------------------------------
// Sound coding
//
// Channel c carries a sine of kToneFrequencies[c] at kToneLevelDbfs, phase 0
// at sample 0 of the stream, except that the first kToneGapSeconds of every
// whole second are silent (so the start of second s can be found in the sound
// and matched with frame s * fps). Stereo: left 440 Hz, right 660 Hz. In the
// 5.1 file channel 3 is the LFE channel (110 Hz). Sample 0 goes with picture 0.
// Lossy codecs shift the level by a fraction of a dB and smear the gap edges
// by a few milliseconds; where a container cannot carry the encoder delay the
// sound may come out that delay (at most ~30 ms) late.

inline constexpr double kToneLevelDbfs = -12.0;
inline constexpr double kToneAmplitude = 0.25118864315095801;  // 10^(-12/20)
inline constexpr double kToneFrequencies[8] = {440, 660, 880, 110, 1100, 1320, 1540, 1760};
inline constexpr double kToneGapSeconds = 0.04;

// Sample `index` of channel `channel` at `rate` Hz, in -1..1.
inline double ToneSample(int channel, int64_t index, int rate) {
  int64_t in_second = index % rate;
  if (in_second < static_cast<int64_t>(kToneGapSeconds * rate)) return 0.0;
  double t = static_cast<double>(index) / rate;
  return kToneAmplitude * std::sin(2.0 * 3.14159265358979323846 * kToneFrequencies[channel & 7] * t);
}

// The same as signed 16-bit PCM (what the WAV file holds exactly).
inline int16_t ToneSampleS16(int channel, int64_t index, int rate) {
  return static_cast<int16_t>(std::lrint(ToneSample(channel, index, rate) * 32767.0));
}

// ---------------------------------------------------------------------------
// Bitmap subtitles
//
// Both subtitle fixtures (DVD in Matroska, DVB in MPEG-TS) sit on a
// kSubtitleVideoWidth x kSubtitleVideoHeight video and show these rectangles,
// each one solid colour, fully opaque; times in seconds from the file's start
// time. The DVD file gives each event its duration; the DVB file follows each
// event with an empty one (no rectangles) at its end time to clear it. DVD
// colours come back exactly (they are in the DVD default palette); DVB colours
// pass through YCbCr and may differ by a few steps per component.

struct SubtitleRect {
  double start_seconds;
  double end_seconds;
  int x, y, width, height;
  uint32_t argb;
};
inline constexpr int kSubtitleVideoWidth = 320;
inline constexpr int kSubtitleVideoHeight = 240;
inline constexpr SubtitleRect kSubtitleRects[] = {
    {1.0, 2.5, 60, 180, 100, 40, 0xFFFFFF00u},  // yellow
    {3.0, 3.5, 100, 200, 120, 30, 0xFFFFFFFFu},  // white
};
inline constexpr int kSubtitleRectCount = 2;

// Text subtitle lines (SubRip and ASS tracks), ASS markup allowed.
struct TextLine {
  double start_seconds;
  double end_seconds;
  const char* text;
};
inline constexpr TextLine kTextLines[] = {
    {1.0, 2.5, "Hello subtitles"},
    {3.0, 3.5, "Second line"},
};
// The ASS track: one style, red at the top left, and one placed line.
inline constexpr const char* kAssHeader =
    "[Script Info]\nScriptType: v4.00+\nPlayResX: 320\nPlayResY: 240\n\n[V4+ Styles]\n"
    "Format: Name, Fontname, Fontsize, PrimaryColour, SecondaryColour, OutlineColour, BackColour, Bold, Italic, "
    "Underline, StrikeOut, ScaleX, ScaleY, Spacing, Angle, BorderStyle, Outline, Shadow, Alignment, MarginL, "
    "MarginR, MarginV, Encoding\n"
    "Style: Default,DejaVu Sans,24,&H000000FF,&H000000FF,&H00000000,&H00000000,1,0,0,0,100,100,0,0,1,0,0,7,0,0,0,1\n\n"
    "[Events]\nFormat: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\n";
inline constexpr int kAssLineX = 40, kAssLineY = 30;  // \pos of kTextLines in the ASS track (script pixels)

// ---------------------------------------------------------------------------
// Metadata and chapters (chapters_metadata.mkv and id3_tags.mp3)

inline constexpr std::string_view kMetaTitle = "Zelvo Fixture Title";
inline constexpr std::string_view kMetaTitle2Key = "title2";  // stays as is in the MP3 (TXXX)
inline constexpr std::string_view kMetaTitle2 = "Second Title Stays";
inline constexpr std::string_view kMetaArtist = "Zelvo Test Artist";
inline constexpr std::string_view kMetaComment = "generated by zelvo-fixtures";
inline constexpr std::string_view kVideoLanguage = "eng";
inline constexpr std::string_view kAudioLanguage = "fre";
struct ChapterMark {
  double start_seconds;
  double end_seconds;
  std::string_view title;
};
inline constexpr ChapterMark kChapters[] = {
    {0.0, 1.5, "Chapter One"},
    {1.5, 3.0, "Chapter Two"},
    {3.0, 4.0, "Chapter Three"},
};
inline constexpr int kChapterCount = 3;

// The MPEG-TS start time and its programs: program kProgramA holds only the
// audio elementary stream, program kProgramB the video and then the audio one.
// The demuxer meets program A's table first, so the audio becomes stream 0 and
// program B lists streams 1 and 0 in that order.
inline constexpr double kTsStartSeconds = 1.4;
inline constexpr int kProgramA = 1;
inline constexpr int kProgramB = 2;

// Two stereo sound tracks over frame-numbered pictures: the first "eng"
// (440 Hz left), the second "fre" titled "Commentary", its channel c with the
// tone of channel c + kSecondTrackToneOffset (880 Hz left).
inline constexpr std::string_view kTwoSoundTracksMkv = "two_sound_tracks.mkv";
inline constexpr double kTwoSoundTracksSeconds = 6;
inline constexpr int kSecondTrackToneOffset = 2;
inline constexpr std::string_view kSecondTrackTitle = "Commentary";

// ---------------------------------------------------------------------------
// Files

inline constexpr std::string_view kAvH264AacMp4 = "av_h264_aac.mp4";
inline constexpr std::string_view kAvH264AacMkv = "av_h264_aac.mkv";
inline constexpr std::string_view kAvMpeg4Mp3Avi = "av_mpeg4_mp3.avi";
inline constexpr std::string_view kAvVp8VorbisWebm = "av_vp8_vorbis.webm";
inline constexpr std::string_view kAudioMp3 = "audio_mp3.mp3";
inline constexpr std::string_view kAudioFlac = "audio_flac.flac";
inline constexpr std::string_view kAudioWav = "audio_pcm_s16.wav";
inline constexpr std::string_view kAudioOgg = "audio_vorbis.ogg";
inline constexpr std::string_view kAudioAac51 = "audio_aac_5_1.m4a";
inline constexpr std::string_view kVideoOnlyMp4 = "video_only_h264.mp4";
inline constexpr std::string_view kOddSizeMkv = "odd_size_641x361.mkv";
// A picture one pixel high: an even-sized texture must still hold it.
inline constexpr std::string_view kOnePixelHighMkv = "one_pixel_high_320x1.mkv";
inline constexpr std::string_view kSar16x15Mkv = "sar_16_15_720x576.mkv";
inline constexpr std::string_view kTsTwoPrograms = "ts_start_1_4_two_programs.ts";
inline constexpr std::string_view kChaptersMkv = "chapters_metadata.mkv";
inline constexpr std::string_view kId3Mp3 = "id3_tags.mp3";
inline constexpr std::string_view kDvdSubMkv = "dvdsub_video.mkv";
inline constexpr std::string_view kDvbSubTs = "dvbsub_video.ts";
inline constexpr std::string_view kSubripMkv = "subrip_video.mkv";
inline constexpr std::string_view kAssMkv = "ass_video.mkv";
inline constexpr std::string_view kSync60s = "sync_60s_160x120.mkv";
inline constexpr std::string_view kTruncatedMp4 = "truncated_av_h264_aac.mp4";
inline constexpr std::string_view kTruncatedMkv = "truncated_av_h264_aac.mkv";
inline constexpr std::string_view kGarbageMp4 = "garbage.mp4";
inline constexpr std::string_view kGarbageAvi = "garbage.avi";
inline constexpr std::string_view kEmptyFile = "empty.mkv";
inline constexpr std::string_view kCyrillicMkv = "тест_видео.mkv";
inline constexpr std::string_view kCjkMp3 = "测试.mp3";
inline constexpr std::string_view kEmojiOgg = "🎵 music.ogg";
// For the benchmarks only (kBenchFixtureFiles): kHd1080pSeconds of 1920x1080
// H.264 at kFps with a keyframe every 2 s, and AAC stereo sound.
inline constexpr std::string_view kHd1080pMkv = "hd_1080p_h264.mkv";
inline constexpr int kHd1080pSeconds = 20;

// Colour bars (see above): the matrix and range the bars are written in, and
// whether the stream says so.
struct BarsFile {
  std::string_view name;
  int width, height;
  BarMatrix matrix;
  bool full_range;
  bool tagged;
};
inline constexpr BarsFile kBarsFiles[] = {
    {"bars_bt601_limited_1280x720.mkv", 1280, 720, BarMatrix::kBt601, false, true},
    {"bars_bt709_limited_640x360.mkv", 640, 360, BarMatrix::kBt709, false, true},
    {"bars_bt709_full_640x360.mkv", 640, 360, BarMatrix::kBt709, true, true},
    {"bars_untagged_sd_720x576.mkv", 720, 576, BarMatrix::kBt601, false, false},
    {"bars_untagged_hd_1280x720.mkv", 1280, 720, BarMatrix::kBt709, false, false},
    {"bars_bt2020_limited_640x360.mkv", 640, 360, BarMatrix::kBt2020, false, true},
};
inline constexpr double kBarsSeconds = 1;

// Pictures with a display matrix: 320x240 coded pictures (frame-number code
// at the top left as recorded) to be shown turned clockwise by `rotation`
// degrees, after a left-right flip when `hflip`. MP4 track matrices.
struct RotatedFile {
  std::string_view name;
  int rotation;
  bool hflip;
};
inline constexpr RotatedFile kRotatedFiles[] = {
    {"rotate_90.mp4", 90, false},
    {"rotate_180.mp4", 180, false},
    {"rotate_270.mp4", 270, false},
    {"rotate_90_hflip.mp4", 90, true},
};
inline constexpr int kRotatedWidth = 320, kRotatedHeight = 240;

// A white area on black whose right edge moves kEdgeStep pixels right every
// field (top field first): in the interlaced file the two fields of a picture
// are half a picture apart in time, so a picture shows the edge combed; the
// progressive file shows both fields at the same time. 320x240, MPEG-2.
inline constexpr std::string_view kInterlacedEdge = "interlaced_edge.mkv";
inline constexpr std::string_view kProgressiveEdge = "progressive_edge.mkv";
inline constexpr int kEdgeStep = 4;
inline constexpr double kEdgeSeconds = 2;
inline int EdgeAt(int frame, int row, bool interlaced) {
  return 40 + kEdgeStep * (2 * frame + (interlaced ? (row & 1) : 0));
}
inline constexpr double kRotatedSeconds = 2;

enum class FixtureKind {
  kMedia,      // a complete, playable file
  kTruncated,  // the first third of a media file (kTruncatedBytesDivisor)
  kGarbage,    // kGarbageBytes from a fixed-seed generator: no media at all
  kEmpty,      // zero bytes
};
inline constexpr int kTruncatedBytesDivisor = 3;
inline constexpr int kGarbageBytes = 65536;

// What a file holds. Video is 25 fps; 0 means "no such stream".
struct FixtureFile {
  std::string_view name;
  FixtureKind kind;
  int width, height;           // video picture size
  int sample_rate, channels;   // audio
  bool subtitles;
  double seconds;              // nominal duration
};

inline constexpr int kFps = 25;

inline constexpr FixtureFile kFixtureFiles[] = {
    {kAvH264AacMp4, FixtureKind::kMedia, 320, 240, 48000, 2, false, 4},
    {kAvH264AacMkv, FixtureKind::kMedia, 320, 240, 48000, 2, false, 4},
    {kAvMpeg4Mp3Avi, FixtureKind::kMedia, 320, 240, 44100, 2, false, 4},
    {kAvVp8VorbisWebm, FixtureKind::kMedia, 320, 240, 48000, 2, false, 4},
    {kAudioMp3, FixtureKind::kMedia, 0, 0, 44100, 2, false, 4},
    {kAudioFlac, FixtureKind::kMedia, 0, 0, 44100, 2, false, 4},
    {kAudioWav, FixtureKind::kMedia, 0, 0, 44100, 2, false, 4},
    {kAudioOgg, FixtureKind::kMedia, 0, 0, 44100, 2, false, 4},
    {kAudioAac51, FixtureKind::kMedia, 0, 0, 48000, 6, false, 4},
    {kVideoOnlyMp4, FixtureKind::kMedia, 320, 240, 0, 0, false, 4},
    {kOddSizeMkv, FixtureKind::kMedia, 641, 361, 0, 0, false, 2},
    {kOnePixelHighMkv, FixtureKind::kMedia, 320, 1, 0, 0, false, 2},
    {kSar16x15Mkv, FixtureKind::kMedia, 720, 576, 0, 0, false, 2},
    {kTsTwoPrograms, FixtureKind::kMedia, 320, 240, 48000, 2, false, 4},
    {kChaptersMkv, FixtureKind::kMedia, 320, 240, 48000, 2, false, 4},
    {kId3Mp3, FixtureKind::kMedia, 0, 0, 44100, 2, false, 4},
    {kDvdSubMkv, FixtureKind::kMedia, 320, 240, 0, 0, true, 4},
    {kDvbSubTs, FixtureKind::kMedia, 320, 240, 0, 0, true, 4},
    {kSubripMkv, FixtureKind::kMedia, 320, 240, 0, 0, true, 4},
    {kAssMkv, FixtureKind::kMedia, 320, 240, 0, 0, true, 4},
    {kSync60s, FixtureKind::kMedia, 160, 120, 48000, 2, false, 60},
    {kTwoSoundTracksMkv, FixtureKind::kMedia, 320, 240, 48000, 2, false, kTwoSoundTracksSeconds},
    {kTruncatedMp4, FixtureKind::kTruncated, 320, 240, 48000, 2, false, 4},
    {kTruncatedMkv, FixtureKind::kTruncated, 320, 240, 48000, 2, false, 4},
    {kGarbageMp4, FixtureKind::kGarbage, 0, 0, 0, 0, false, 0},
    {kGarbageAvi, FixtureKind::kGarbage, 0, 0, 0, 0, false, 0},
    {kEmptyFile, FixtureKind::kEmpty, 0, 0, 0, 0, false, 0},
    {kCyrillicMkv, FixtureKind::kMedia, 320, 240, 48000, 2, false, 2},
    {kCjkMp3, FixtureKind::kMedia, 0, 0, 44100, 2, false, 2},
    {kEmojiOgg, FixtureKind::kMedia, 0, 0, 44100, 2, false, 2},
};

// Written by the tool besides kFixtureFiles; the tests do not use them.
// The benchmark's turned and interlaced 1080p clips, kHdVariantSeconds long:
// the first with the same pictures as kHd1080pMkv and a 90 degree display
// matrix, the second the moving edge (kInterlacedEdge) in 1080i MPEG-2.
inline constexpr std::string_view kHd1080pRotate90Mp4 = "hd_1080p_rotate_90.mp4";
inline constexpr std::string_view kHd1080iMkv = "hd_1080i_mpeg2.mkv";
inline constexpr int kHdVariantSeconds = 10;
inline constexpr std::string_view kBenchFixtureFiles[] = {kHd1080pMkv, kHd1080pRotate90Mp4, kHd1080iMkv};

}  // namespace zv::fixtures
