#include "runtime/decoder.h"

#include "runtime/entry_points.h"
#include "runtime/file_info_text.h"
#include "runtime/file_utils.h"
#include "runtime/library_loader.h"
#include "runtime/logger.h"
#include "runtime/media_errors.h"
#include "runtime/metadata_values.h"
#include "runtime/unicode_io.h"
#include "runtime/unicode_names.h"

namespace zv {

namespace {
constexpr char kFileNotLoaded[] = "file not loaded.";
}

TCustomDecoder::TCustomDecoder() { TCustomDecoder::AnalyzeFormat(); }

TCustomDecoder::~TCustomDecoder() { TCustomDecoder::CloseFormat(); }

void TCustomDecoder::ReportProblem(const std::string& text, TLogLevel level) {
  FLastError = text;
  DefaultLogger().Log(this, level, text);
}

bool TCustomDecoder::CheckLibraries() {
  static const struct {
    TLibraryKind kind;
    const char* text;
  } kNeeded[] = {{lkAvcodec, "LibAVCodec not loaded."},
                 {lkAvformat, "LibAVFormat not loaded."},
                 {lkAvutil, "LibAVUtil not loaded."},
                 {lkSwscale, "LibSwScale not loaded."}};
  for (const auto& n : kNeeded) {
    if (!FFLoader().LibLoaded(n.kind)) {
      ReportProblem(n.text, llError);
      return false;
    }
  }
  return true;
}

bool TCustomDecoder::SetFormatContext(AVFormatContext* context) {
  if (context == FFormatContext) return true;
  // Detaching the player's context needs no library; refusing it would leave
  // a pointer to a context the player is about to free.
  if ((context || FOwnsContext) && !CheckLibraries()) return false;
  CloseFormat();
  FOwnsContext = false;
  FFormatContext = context;
  AnalyzeFormat();
  return true;
}

void TCustomDecoder::CloseFormat() {
  if (!FFormatContext) return;
  if (FOwnsContext) CloseInputWithNames(&FFormatContext);
  FFormatContext = nullptr;
  FOwnsContext = false;
  AnalyzeFormat();
}

void TCustomDecoder::AnalyzeFormat() {
  FFileSize = -1;
  FStreamCount = FProgramCount = -1;
  FAudioStreamCount = FVideoStreamCount = FSubtitleStreamCount = -1;
  FFirstAudioStream = FFirstVideoStream = FFirstSubtitleStream = -1;
  AVFormatContext* ic = FFormatContext;
  if (!ic) return;

  // The size on disk first: it needs no call into the I/O context, which the
  // demultiplexing thread may be using right now.
  const std::string path = LibraryNameToFileName(ic->url ? ic->url : "");
  bool noFile = ic->iformat && (ic->iformat->flags & AVFMT_NOFILE);
  if (FileExists(path)) {
    FFileSize = FileSizeOf(path);
  } else if (ic->pb && !noFile && (ic->pb->seekable & AVIO_SEEKABLE_NORMAL)) {
    int64_t size = ff::avio_size(ic->pb);
    FFileSize = size >= 0 ? size : -1;
  }

  FStreamCount = int(ic->nb_streams);
  FProgramCount = int(ic->nb_programs);
  FAudioStreamCount = FVideoStreamCount = FSubtitleStreamCount = 0;
  for (unsigned i = 0; i < ic->nb_streams; ++i) {
    switch (ic->streams[i]->codecpar->codec_type) {
      case AVMEDIA_TYPE_VIDEO:
        ++FVideoStreamCount;
        if (FFirstVideoStream < 0) FFirstVideoStream = int(i);
        break;
      case AVMEDIA_TYPE_AUDIO:
        ++FAudioStreamCount;
        if (FFirstAudioStream < 0) FFirstAudioStream = int(i);
        break;
      case AVMEDIA_TYPE_SUBTITLE:
        ++FSubtitleStreamCount;
        if (FFirstSubtitleStream < 0) FFirstSubtitleStream = int(i);
        break;
      default:
        break;
    }
  }
}

bool TCustomDecoder::GetFileStreamInfo(TFileStreamInfo& info) {
  info = TFileStreamInfo{};
  AVFormatContext* ic = FFormatContext;
  if (!ic) {
    ReportProblem(kFileNotLoaded, AVLevelToLogLevel(AV_LOG_WARNING));
    return false;
  }
  if (!CheckLibraries()) return false;
  info.StartTime = ic->start_time == AV_NOPTS_VALUE ? -1 : ic->start_time;
  info.Duration = ic->duration == AV_NOPTS_VALUE ? -1 : ic->duration;
  info.BitRate = ic->bit_rate;
  info.TimeStamp = ParseCreationTime(GetMetadataValue(ic->metadata, "creation_time", ""));
  std::string year = GetMetadataValue(ic->metadata, "date", "");
  if (year.empty()) year = GetMetadataValue(ic->metadata, "year", "");
  info.Year = LeadingNumber(year);
  info.Track = LeadingNumber(GetMetadataValue(ic->metadata, "track", ""));
  info.Title = GetMetadataValue(ic->metadata, "title", "");
  info.Author = GetMetadataValue(ic->metadata, "author", "");
  info.Copyright = GetMetadataValue(ic->metadata, "copyright", "");
  info.Comment = GetMetadataValue(ic->metadata, "comment", "");
  info.Album = GetMetadataValue(ic->metadata, "album", "");
  info.Genre = GetMetadataValue(ic->metadata, "genre", "");
  return true;
}

bool TCustomDecoder::GetFileInfoText(std::string& text) {
  text.clear();
  TFileStreamInfo info;
  if (!GetFileStreamInfo(info)) return false;
  text = JoinInfoLines(FileInfoLines(FFormatContext, FFileSize, info));
  return true;
}

TFFDecoder::TFFDecoder() { TFFDecoder::AnalyzeFormat(); }

TFFDecoder::~TFFDecoder() { TFFDecoder::CloseFormat(); }

void TFFDecoder::AnalyzeFormat() {
  TCustomDecoder::AnalyzeFormat();
  AVFormatContext* ic = FFormatContext;
  FCurrentStream = FFirstVideoStream >= 0 ? FFirstVideoStream : FFirstAudioStream >= 0 ? FFirstAudioStream : -1;
  int64_t start = AV_NOPTS_VALUE;
  if (ic) start = FCurrentStream >= 0 ? ic->streams[FCurrentStream]->start_time : ic->start_time;
  FCurrentStartTime = start == AV_NOPTS_VALUE ? 0 : start;
}

void TFFDecoder::CloseFormat() {
  FCurrentStream = -1;
  FCurrentStartTime = 0;
  TCustomDecoder::CloseFormat();
}

bool TFFDecoder::LoadFile(const std::string& fileName) {
  if (!CheckLibraries()) return false;
  CloseFormat();
  AVFormatContext* ic = nullptr;
  int r = OpenInputWithNames(&ic, FileNameForLibrary(fileName), nullptr, nullptr);
  if (r >= 0) {
    r = ff::avformat_find_stream_info(ic, nullptr);
    if (r < 0) CloseInputWithNames(&ic);
  }
  if (r < 0) {
    ReportProblem(FormatOpenError(fileName, r), llError);
    return false;
  }
  FFormatContext = ic;
  FOwnsContext = true;
  AnalyzeFormat();
  return true;
}

}  // namespace zv
