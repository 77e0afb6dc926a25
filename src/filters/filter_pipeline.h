#pragma once
// The video filter string as a pipeline: runs of ordinary filters become
// libavfilter graph segments, the engine's own filters run in place between
// them, in the order written.
#include <string>
#include <vector>

#include "filters/native_filter.h"
#include "runtime/av_headers.h"
#include "runtime/av_ptr.h"

namespace zv {

struct TFilterStep {
  enum TKind { fsSegment, fsNative };
  TKind Kind = fsSegment;
  // fsSegment: a libavfilter graph description (one linear chain).
  std::string Text;
  // fsNative: the description and its parameter text (HasArgs false when the
  // filter is named without "=").
  const TNativeFilter* Filter = nullptr;
  std::string Args;
  bool HasArgs = false;
};

// Splits filters into steps. Items whose name is a registered native filter
// become native steps; a native step is always preceded by a segment ending in
// a format restriction to its accepted formats unless the step before already
// guarantees them. Text without native filters is one segment, unchanged. False
// with *err when the text mixes native filters with a graph that is not one
// linear chain (labels or ";").
bool ParseVideoFilters(const std::string& filters, std::vector<TFilterStep>& steps, std::string* err = nullptr);

// "flags=" and the scaler flag names of swsFlags, "+"-joined ("flags=bicubic" for 4).
std::string SwsFlagsOptions(int swsFlags);

// The "format=..." item that restricts a chain to filter's accepted formats.
std::string FormatRestriction(const TNativeFilter* filter);

// Runs a filter string over pictures: buffersrc "src" -> segments and native
// stages -> buffersink "out" accepting only YUV 4:2:0. Used by one thread.
class TVideoFilterPipeline {
public:
  TVideoFilterPipeline() = default;
  ~TVideoFilterPipeline();
  TVideoFilterPipeline(const TVideoFilterPipeline&) = delete;
  TVideoFilterPipeline& operator=(const TVideoFilterPipeline&) = delete;

  // Builds the pipeline for pictures of the given properties; 0, or a negative
  // AVERROR code with LastErrMsg (the library's own lines go to the log).
  // leading: a linear libavfilter chain run before filters (the engine's own
  // picture corrections), in a graph of its own.
  int Open(int width, int height, AVPixelFormat pixFmt, AVRational timeBase, AVRational sampleAspectRatio,
           const std::string& filters, int swsFlags = SWS_BICUBIC, const std::string& leading = {});
  void Close();
  bool IsOpen() const { return !FStages.empty(); }

  // Hands one picture in (the caller keeps its frame); null marks the end of
  // the stream. 0 or a negative AVERROR code.
  int Push(const AVFrame* frame);
  // Takes the next filtered picture: 0, AVERROR(EAGAIN) when more input is
  // needed, AVERROR_EOF after the end.
  int Pull(AVFrame* frame);

  // Whether a picture has the properties the pipeline was opened for; a
  // picture that does not needs a new Open.
  bool InputMatches(const AVFrame* frame) const;

  // The final sink (valid while open) and its output properties.
  AVFilterContext* OutFilter() const;
  int OutWidth() const;
  int OutHeight() const;
  AVPixelFormat OutFormat() const;
  AVRational OutTimeBase() const;
  AVRational OutSampleAspectRatio() const;

  const std::string& LastErrMsg() const { return FLastErrMsg; }

private:
  struct TGraph {
    AVFilterGraphPtr Graph;
    AVFilterContext* Src = nullptr;
    AVFilterContext* Sink = nullptr;
    // Native stages run on pictures leaving this graph's sink.
    std::vector<TNativeFilterContext*> Natives;
    // New buffers for pictures the native stages cannot change in place.
    AVBufferPool* Pool = nullptr;
    int PoolSize = 0;
    bool EofSent = false;
  };
  int Fail(int code, const std::string& text);
  int AddGraph(const std::string& text, int width, int height, AVPixelFormat format, AVRational timeBase,
               AVRational sar, bool last, const std::string& swsOptions);
  int Pump();
  // Runs g's native stages on FTmp, into a new picture when FTmp shares its buffers.
  int RunNatives(TGraph& g);

  std::vector<TGraph> FStages;
  AVFramePtr FTmp;
  AVFramePtr FOut;                             // RunNatives' new picture
  std::vector<TNativeFilterContext*> FActive;  // RunNatives' stages that change the picture
  int FInWidth = 0;
  int FInHeight = 0;
  AVPixelFormat FInFormat = AV_PIX_FMT_NONE;
  std::string FLastErrMsg;
};

}  // namespace zv
