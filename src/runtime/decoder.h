#pragma once
// The decoder components: they describe the file the player has open (counts
// and first indices of its streams, file values, the description text). The
// player attaches its format context after opening a file and detaches it
// before closing it; the decoder never reads from it.
#include <cstdint>
#include <string>

#include "runtime/base_component.h"
#include "runtime/file_stream_info.h"
#include "runtime/log_level.h"

struct AVFormatContext;

namespace zv {

class TCustomDecoder : public TFFBaseComponent {
public:
  TCustomDecoder();
  ~TCustomDecoder() override;

  // Recomputes the counts from the attached context (all −1 without one).
  virtual void AnalyzeFormat();
  // Attaches context (nullptr detaches). False, with LastError, when a needed
  // library is not loaded; the decoder is then left as it was.
  virtual bool SetFormatContext(AVFormatContext* context);
  // Detaches the context, closing it when the decoder opened it itself.
  virtual void CloseFormat();

  // False with the first missing library's text in LastError.
  bool CheckLibraries();
  // False (all numbers −1, strings empty) and "file not loaded." without a context.
  bool GetFileStreamInfo(TFileStreamInfo& info);
  // The description, each line ended by CR LF; false and empty without a context.
  bool GetFileInfoText(std::string& text);

  AVFormatContext* FormatContext() const { return FFormatContext; }
  bool OwnsContext() const { return FOwnsContext; }
  const std::string& LastError() const { return FLastError; }
  int64_t FileSize() const { return FFileSize; }
  int StreamCount() const { return FStreamCount; }
  int ProgramCount() const { return FProgramCount; }
  int AudioStreamCount() const { return FAudioStreamCount; }
  int VideoStreamCount() const { return FVideoStreamCount; }
  int SubtitleStreamCount() const { return FSubtitleStreamCount; }
  int FirstAudioStream() const { return FFirstAudioStream; }
  int FirstVideoStream() const { return FFirstVideoStream; }
  int FirstSubtitleStream() const { return FFirstSubtitleStream; }

protected:
  void ReportProblem(const std::string& text, TLogLevel level);

  // The decoder is used from one thread at a time (the player's open and
  // close, the window's description), so no field takes a lock.
  AVFormatContext* FFormatContext = nullptr;
  bool FOwnsContext = false;
  std::string FLastError;
  int64_t FFileSize = -1;
  int FStreamCount = -1;
  int FProgramCount = -1;
  int FAudioStreamCount = -1;
  int FVideoStreamCount = -1;
  int FSubtitleStreamCount = -1;
  int FFirstAudioStream = -1;
  int FFirstVideoStream = -1;
  int FFirstSubtitleStream = -1;
};

class TFFDecoder : public TCustomDecoder {
public:
  TFFDecoder();
  ~TFFDecoder() override;

  void AnalyzeFormat() override;
  void CloseFormat() override;

  // Opens and probes fileName itself (UTF-8; wrapped as "unicode:utf8:" when
  // the locale charset cannot carry it) and attaches the result, which the
  // decoder then owns. False with LastError on failure.
  bool LoadFile(const std::string& fileName);

  // The stream frame decoding would start from: the first video stream, else
  // the first audio stream, else −1; and its start time in its time base
  // (the file's in µs when there is no such stream), 0 when unknown.
  int CurrentStream() const { return FCurrentStream; }
  int64_t CurrentStartTime() const { return FCurrentStartTime; }
  int WantedChannels() const { return FWantedChannels; }
  int WantedSampleRate() const { return FWantedSampleRate; }

private:
  int FCurrentStream = -1;
  int64_t FCurrentStartTime = 0;
  int FWantedChannels = 2;
  int FWantedSampleRate = 44100;
};

}  // namespace zv
